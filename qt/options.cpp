#include "qt/options.h"

namespace velmira {

namespace {
bool Number(const QString& text, int low, int high, int* value) {
  bool ok = false;
  const int n = text.toInt(&ok);
  if (!ok || n < low || n > high) return false;
  *value = n;
  return true;
}
}  // namespace

ProgramOptions ParseOptions(const QStringList& arguments) {
  ProgramOptions options;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    const bool takesValue = argument == "--soundfont" || argument == "--audio-driver" ||
                            argument == "--period-size" || argument == "--periods" ||
                            argument == "--sample-rate";
    if (takesValue && i + 1 >= arguments.size()) {
      options.error = argument.toStdString() + " needs a value";
      return options;
    }
    if (argument == "--soundfont") {
      options.soundFont = arguments[++i].toStdString();
    } else if (argument == "--audio-driver") {
      options.audio.driver = arguments[++i].toStdString();
      if (!QStringList{"pulseaudio", "pipewire", "alsa", "jack"}.contains(arguments[i])) {
        options.error = "--audio-driver takes pulseaudio, alsa, jack or pipewire";
      }
    } else if (argument == "--period-size") {
      // FluidSynth's smallest period is 64 frames.
      if (!Number(arguments[++i], 64, 8192, &options.audio.periodSize)) {
        options.error = "--period-size takes 64 to 8192 frames";
      }
    } else if (argument == "--periods") {
      if (!Number(arguments[++i], 2, 64, &options.audio.periods)) {
        options.error = "--periods takes 2 to 64";
      }
    } else if (argument == "--sample-rate") {
      // FluidSynth's highest rate is 96000.
      if (!Number(arguments[++i], 8000, 96000, &options.audio.sampleRate)) {
        options.error = "--sample-rate takes 8000 to 96000";
      }
    } else if (argument == "--fluid-defaults") {
      options.audio.fluidDefaults = true;
    } else if (argument == "--no-rest") {
      options.audio.rest = false;
    } else if (argument.startsWith("--")) {
      options.error = "unknown option " + argument.toStdString();
    } else {
      // A path with blanks may come unquoted: the words are joined again.
      if (!options.file.empty()) options.file += ' ';
      options.file += argument.toStdString();
    }
  }
  return options;
}

}  // namespace velmira
