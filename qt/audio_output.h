// How the synthesizer's sound reaches the audio server: the program's own PulseAudio stream
// (qt/pulse_output.h) or one of FluidSynth's audio drivers (qt/fluid_driver_output.h). The
// output's thread asks the renderer for the sound; when that has been silent long enough the
// output rests (the PulseAudio stream is corked, FluidSynth's drivers are handed silence without
// rendering), and the next note-on wakes it.
#pragma once

namespace velmira {

class AudioRenderer {
 public:
  virtual ~AudioRenderer() = default;
  // The output's thread: frames of two channels, left and right stride floats apart, frame by
  // frame. False once the sound has been silent long enough for the output to rest.
  virtual bool Render(float* left, float* right, int stride, int frames) = 0;
  // The output's thread, the moment before it rests: whether it still may (no note-on came
  // since the silence began). After true, the next note-on calls AudioOutput::Wake.
  virtual bool ConfirmRest() = 0;
  // The output's thread or the window thread: the output stopped by itself (its stream failed,
  // its server went away); as after a rest, the next note-on calls AudioOutput::Wake.
  virtual void OutputStopped() = 0;
  // Any thread: the output was lost (its server went away) or is back.
  virtual void OutputStateChanged() = 0;
};

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;  // stops at once
  // Window thread, after a note-on while the output rests: sound again.
  virtual void Wake() = 0;
  // True while the output is gone (its server ended) and being reopened.
  virtual bool lost() const = 0;
  // Window thread, once the sound has faded out: lets what is buffered play, then stops.
  virtual void Drain() = 0;
};

}  // namespace velmira
