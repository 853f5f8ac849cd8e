#include "qt/options.h"

#include <cstdlib>
#include <set>
#include <utility>

namespace velmira {

namespace {

bool Number(const std::string& text, int low, int high, int* value) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < low || n > high) return false;
  *value = static_cast<int>(n);
  return true;
}

// The options QGuiApplication takes for itself, with one dash or two; true: with a value.
int QtOption(const std::string& argument) {
  static const std::pair<const char*, bool> kOptions[] = {{"platform", true},
                                                          {"platformpluginpath", true},
                                                          {"platformtheme", true},
                                                          {"plugin", true},
                                                          {"display", true},
                                                          {"geometry", true},
                                                          {"qwindowgeometry", true},
                                                          {"qwindowtitle", true},
                                                          {"qwindowicon", true},
                                                          {"style", true},
                                                          {"stylesheet", true},
                                                          {"session", true},
                                                          {"name", true},
                                                          {"title", true},
                                                          {"visual", true},
                                                          {"reverse", false},
                                                          {"sync", false},
                                                          {"widgetcount", false},
                                                          {"nograb", false},
                                                          {"dograb", false}};
  const size_t dashes = argument.compare(0, 2, "--") == 0 ? 2 : argument.compare(0, 1, "-") == 0;
  if (dashes == 0) return -1;
  for (const auto& [name, takesValue] : kOptions) {
    if (argument.compare(dashes, std::string::npos, name) == 0) return takesValue ? 1 : 0;
  }
  return -1;
}

}  // namespace

ProgramOptions ParseOptions(const std::vector<std::string>& arguments) {
  ProgramOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const int qt = QtOption(argument);
    if (qt >= 0) {
      i += static_cast<size_t>(qt);  // Qt's, with its value
      continue;
    }
    const bool takesValue = argument == "--soundfont" || argument == "--audio-driver" ||
                            argument == "--period-size" || argument == "--periods" ||
                            argument == "--sample-rate" || argument == "--learn";
    if (takesValue && i + 1 >= arguments.size()) {
      options.error = argument + " needs a value";
      return options;
    }
    if (argument == "--learn") {
      options.learn = arguments[++i];
    } else if (argument == "--soundfont") {
      options.soundFont = arguments[++i];
    } else if (argument == "--audio-driver") {
      options.audio.driver = arguments[++i];
      static const std::set<std::string> kDrivers = {"pulseaudio", "pipewire", "alsa", "jack"};
      if (kDrivers.count(options.audio.driver) == 0) {
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
    } else if (argument.compare(0, 2, "--") == 0) {
      options.error = "unknown option " + argument;
    } else {
      // A path with blanks may come unquoted: the words are joined again.
      if (!options.file.empty()) options.file += ' ';
      options.file += argument;
    }
  }
  return options;
}

}  // namespace velmira
