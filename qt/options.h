// The Linux program's command line: a performance file and the sound's options.
#pragma once

#include <QStringList>
#include <string>

#include "qt/fluid_synth_device.h"

namespace velmira {

struct ProgramOptions {
  std::string file;       // the performance to load at start and play once
  std::string soundFont;  // --soundfont
  AudioOptions audio;  // --audio-driver, --period-size, --periods, --sample-rate, --fluid-defaults
  std::string error;   // a malformed option, for the user
};

// The arguments after the program's name (Qt's own already taken out).
ProgramOptions ParseOptions(const QStringList& arguments);

constexpr char kOptionsHelp[] =
    "  --soundfont FILE      the General MIDI SoundFont (.sf2, .sf3) of the built-in synthesizer\n"
    "  --audio-driver NAME   pulseaudio, alsa or jack (default: the first that opens)\n"
    "  --period-size N       audio frames a period, 64 to 8192 (default 64; more if the sound\n"
    "                        crackles)\n"
    "  --periods N           audio periods, 2 to 64 (default 2)\n"
    "  --sample-rate N       the synthesizer's rate, 8000 to 96000 (default: the audio server's)\n"
    "  --fluid-defaults      FluidSynth's own buffering instead of the program's\n";

}  // namespace velmira
