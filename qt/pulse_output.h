// The program's own PulseAudio stream (PulseAudio, or PipeWire's PulseAudio service), driven by
// libpulse's threaded main loop: the server asks for sound and the write callback renders it
// (FluidSynth's fluid_synth_write_float), a period at a time. While the synthesizer is silent
// the stream is corked and asks for a longer latency: the program does nothing, and the server
// lets its output idle or suspend it. The next note-on shortens and flushes it, writes the first
// period with the note and uncorks it, all within one pass of the main loop. (A stream given up and
// made again would cost as little, but a sink left without a stream falls back to its longest
// latency and plays the next stream's first samples only when that runs out: up to two seconds on a
// null sink.) When the server goes away the connection is tried again every second until it is
// back.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "qt/audio_output.h"

struct pa_threaded_mainloop;
struct pa_mainloop_api;
struct pa_context;
struct pa_stream;
struct pa_defer_event;
struct pa_time_event;
struct pa_buffer_attr;

namespace velmira {

struct PulseFormat {
  int rate = 44100;
  int periodFrames = 64;      // the server asks for half of this at a time (minreq)
  int periods = 2;            // and keeps this many halves in the stream and its output (tlength)
  bool adjustLatency = true;  // the server keeps its own buffering as short as the stream's
};

class PulseOutput final : public AudioOutput {
 public:
  // Connects to the server and makes the stream, corked until the first Wake. nullptr with error
  // saying why.
  static std::unique_ptr<PulseOutput> Open(const PulseFormat& format, AudioRenderer& renderer,
                                           std::string* error);
  ~PulseOutput() override;
  PulseOutput(const PulseOutput&) = delete;
  PulseOutput& operator=(const PulseOutput&) = delete;

  void Wake() override;
  bool lost() const override { return lost_.load(); }
  void Drain() override;

 private:
  PulseOutput(const PulseFormat& format, AudioRenderer& renderer);
  // The main loop's lock held.
  bool Connect();
  std::string ContextError() const;
  int PlayingFrames() const;
  pa_buffer_attr Attributes(bool resting) const;
  void StartStream(bool corked);
  void Cork(bool corked);
  void Prime();
  void Fill(pa_stream* stream, size_t bytes);
  void DropStream();
  void DropContext();
  void ScheduleRetry();
  void Tidy();

  static void ContextState(pa_context* context, void* data);
  static void StreamState(pa_stream* stream, void* data);
  static void Write(pa_stream* stream, size_t bytes, void* data);

  const PulseFormat format_;
  AudioRenderer& renderer_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_mainloop_api* api_ = nullptr;
  pa_defer_event* tidy_ = nullptr;  // what the callbacks leave to be done outside them
  pa_time_event* retry_ = nullptr;  // the next attempt to reach a lost server
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  bool ready_ = false;  // the connection was ready once: losing it now is reported
  bool restWanted_ = false;
  bool corked_ = false;         // resting: the callback writes silence without rendering
  bool priming_ = false;        // woken: the first sound is still to be written before the uncork
  bool wakeWhenReady_ = false;  // a note-on came while the stream was still being made
  bool remakeStream_ = false;   // the server is back: a resting stream is made at once
  bool draining_ = false;
  bool priorityRaised_ = false;
  std::atomic<bool> lost_{false};
};

// The audio server's sample rate (PulseAudio or PipeWire's PulseAudio service), or 0.
int AudioServerSampleRate();

}  // namespace velmira
