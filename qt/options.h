// The Linux program's command line: a performance file and the sound's options.
#pragma once

#include <string>
#include <vector>

#include "qt/fluid_synth_device.h"

namespace velmira {

struct ProgramOptions {
  std::string file;       // the performance to load at start and play once
  std::string learn;      // --learn: a song to learn at start, instead of the file
  std::string soundFont;  // --soundfont
  AudioOptions audio;  // --audio-driver, --period-size, --periods, --sample-rate, --fluid-defaults,
                       // --no-rest
  std::string error;   // a malformed option, for the user
};

// The arguments after the program's name, as the bytes the program was given (a file's name
// need not be UTF-8). Qt's own options (-platform xcb, -display :1 ...) are passed over, so
// that the command line can be checked before Qt opens the display.
ProgramOptions ParseOptions(const std::vector<std::string>& arguments);

constexpr char kOptionsHelp[] =
    "  --soundfont FILE      the General MIDI SoundFont (.sf2, .sf3) of the built-in synthesizer\n"
    "  --audio-driver NAME   pulseaudio (PulseAudio's or PipeWire's server), alsa or jack\n"
    "                        (default: the first that opens)\n"
    "  --period-size N       audio frames a period, 64 to 8192 (default 64; more if the sound\n"
    "                        crackles)\n"
    "  --periods N           audio periods in the buffer, 2 to 64 (default 2)\n"
    "  --sample-rate N       the synthesizer's rate, 8000 to 96000 (default: the audio server's)\n"
    "  --fluid-defaults      FluidSynth's own buffering instead of the program's\n"
    "  --no-rest             keep the audio output running while nothing sounds (by default it\n"
    "                        rests after a second of silence and wakes at the next note)\n";

}  // namespace velmira
