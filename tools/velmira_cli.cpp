// velmira-cli: reads performance files and exports them as Standard MIDI Files exactly as the
// program does. Other tools rely on its output and exit codes:
//
//   velmira-cli info FILE
//     stdout: "events: N", "key: ID", "bass: 0|1" (1 only when the header's value is exactly 1),
//     only for a file with a tempo "tempo: BPM N/D US MS" (quarters a minute, the metre,
//     microseconds a quarter, the bar line in ms), then one line per event:
//     "<deltaMs> <message> <keyData as %08X> <octaveShift>".
//   velmira-cli export FILE OUT.mid [--program P] [--key ID] [--bass 0|1]
//     writes OUT.mid with the file's key signature and bass doubling unless given, program 0
//     unless given (and the file's tempo, if it has one).
//   velmira-cli tempo FILE BPM [N/D] [--downbeat MS]
//     gives the performance a tempo (30..300 quarters a minute) and metre (default: the file's,
//     else 4/4), its bar line at MS (default: the file's, else its first key-down); the file
//     is replaced safely.
//   velmira-cli jianpu FILE [--tempo BPM] [--meter N/D] [--svg OUT.svg]
//     prints the performance's score as jianpu text (UTF-8); a file without a tempo is written
//     at BPM with its first key-down as the first bar line, or with a guessed tempo.
//   velmira-cli song SONG.txt OUT.qji|OUT.mid
//     turns a song (jianpu text) into a performance as the program plays it, saved as a
//     performance file or, for a name ending in .mid, exported as a Standard MIDI File.
//
// Exit codes: 0 done; 1 the file was refused (the program's own message, in UTF-8 with the file
// name, on stderr) or the export failed (a message on stderr); 2 wrong usage (usage on stderr).
// The tool's own text is ASCII; the core's messages are GBK and are converted to UTF-8.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "engine/key_signature.h"
#include "record/atomic_file.h"
#include "record/byte_source.h"
#include "record/document.h"
#include "record/file_messages.h"
#include "record/midi_export.h"
#include "record/performance_file.h"
#include "record/tempo.h"
#include "score/jianpu_text.h"
#include "score/song.h"
#include "score/transcribe.h"
#include "tools/text_encoding.h"
#include "view/score_svg.h"

namespace velmira {
namespace cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char kUsage[] =
    "usage:\n"
    "  velmira-cli info FILE\n"
    "      prints the events, the key signature and bass doubling of a performance file\n"
    "  velmira-cli export FILE OUT.mid [--program P] [--key ID] [--bass 0|1]\n"
    "      writes the performance as a Standard MIDI File, as the program exports it:\n"
    "      program P (0..127, default 0), the file's key signature and bass doubling\n"
    "      unless --key (one of the 24 key signature ids) or --bass is given\n"
    "  velmira-cli tempo FILE BPM [N/D] [--downbeat MS]\n"
    "      gives the performance a tempo of BPM quarters a minute (30..300), the metre N/D\n"
    "      (N 1..12 over 2, 4 or 8) and its bar line at MS ms; unless given, the file's own\n"
    "      metre and bar line (4/4 and the first key-down where it has none)\n"
    "  velmira-cli jianpu FILE [--tempo BPM] [--meter N/D] [--svg OUT.svg]\n"
    "      prints the score of the performance as jianpu text; without a tempo in the file,\n"
    "      at BPM from its first key-down (or with a guessed tempo), in the metre N/D\n"
    "  velmira-cli song SONG.txt OUT.qji|OUT.mid\n"
    "      turns a song in jianpu text into a performance file (or a MIDI file)\n"
    "exit codes: 0 done, 1 file refused or export failed, 2 wrong usage\n";

void PrintError(const std::string& utf8) { WriteUtf8(stderr, utf8 + "\n"); }

// The problem (arguments in it already converted to UTF-8) and the usage text.
int Usage(const std::string& problem) {
  WriteUtf8(stderr, "velmira-cli: " + problem + "\n" + kUsage);
  return kExitUsage;
}

// A decimal integer within [low, high]: an optional '-' and digits, nothing else.
bool ParseInteger(const char* text, long long low, long long high, long long* value) {
  const char* p = text;
  const bool negative = *p == '-';
  if (negative) ++p;
  if (*p == '\0') return false;
  long long magnitude = 0;
  for (; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > 4294967296LL) return false;  // beyond any accepted range
  }
  const long long result = negative ? -magnitude : magnitude;
  if (result < low || result > high) return false;
  *value = result;
  return true;
}

// The program's message for a refused file: its GBK template in UTF-8, the name inserted.
std::string RefusalMessage(const char* messageTemplate, const std::string& name) {
  std::string message;
  if (name.empty()) {
    // The program inserts its own word for "untitled", which is GBK text as well.
    if (GbkToUtf8(FormatFileMessage(messageTemplate, ""), &message)) return message;
  } else {
    std::string utf8Template;
    if (GbkToUtf8(messageTemplate, &utf8Template)) {
      return FormatFileMessage(utf8Template.c_str(), ArgumentToUtf8(name).c_str());
    }
  }
  return "velmira-cli: the file " + ArgumentToUtf8(name) +
         " was refused (its message could not be converted from GBK to UTF-8)";
}

bool Load(const std::string& path, LoadedPerformance* loaded) {
  if (const char* error = LoadPerformanceFile(path.c_str(), loaded)) {
    PrintError(RefusalMessage(error, path));
    return false;
  }
  return true;
}

int Info(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) return Usage("info takes exactly one FILE");
  LoadedPerformance loaded;
  if (!Load(arguments[0], &loaded)) return kExitFailed;
  std::printf("events: %" PRIu32 "\n", loaded.events.count());
  std::printf("key: %" PRIu32 "\n", loaded.keySignature);
  std::printf("bass: %d\n", loaded.bassDoubling == 1 ? 1 : 0);
  if (loaded.tempo.known()) {
    std::printf("tempo: %d %u/%u %" PRIu32 " %" PRIu32 "\n", TempoBpm(loaded.tempo),
                loaded.tempo.numerator, loaded.tempo.denominator, loaded.tempo.microsPerQuarter,
                loaded.tempo.downbeatMs);
  }
  const PerformanceEvent* events = loaded.events.events();
  for (uint32_t i = 0; i < loaded.events.count(); ++i) {
    std::printf("%" PRIu32 " %" PRIu32 " %08" PRIX32 " %" PRId32 "\n", events[i].deltaMs,
                events[i].message, events[i].keyData, events[i].octaveShift);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    PrintError("velmira-cli: cannot write the standard output");
    return kExitFailed;
  }
  return kExitOk;
}

int Export(const std::vector<std::string>& arguments) {
  std::vector<std::string> positional;
  long long program = 0;
  bool keyGiven = false, bassGiven = false;
  long long key = 0;
  bool bass = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.compare(0, 2, "--") != 0) {
      positional.push_back(argument);
      continue;
    }
    if (argument != "--program" && argument != "--key" && argument != "--bass") {
      return Usage("unknown option " + ArgumentToUtf8(argument));
    }
    if (i + 1 >= arguments.size()) return Usage(argument + " needs a value");
    const char* value = arguments[++i].c_str();
    if (argument == "--program") {
      if (!ParseInteger(value, 0, 127, &program)) {
        return Usage("--program must be a number from 0 to 127, not " + ArgumentToUtf8(value));
      }
    } else if (argument == "--key") {
      if (!ParseInteger(value, INT32_MIN, INT32_MAX, &key)) {
        return Usage("--key must be a key signature id (a number), not " + ArgumentToUtf8(value));
      }
      keyGiven = true;
    } else {
      if (std::strcmp(value, "0") != 0 && std::strcmp(value, "1") != 0) {
        return Usage("--bass must be 0 or 1, not " + ArgumentToUtf8(value));
      }
      bass = value[0] == '1';
      bassGiven = true;
    }
  }
  if (positional.size() != 2) return Usage("export takes FILE and OUT.mid");
  const std::string& file = positional[0];
  const std::string& out = positional[1];

  LoadedPerformance loaded;
  if (!Load(file, &loaded)) return kExitFailed;
  const int32_t keySignature =
      keyGiven ? static_cast<int32_t>(key) : static_cast<int32_t>(loaded.keySignature);
  const bool bassDoubling = bassGiven ? bass : loaded.bassDoubling == 1;
  if (!IsKeySignature(keySignature)) {
    PrintError("velmira-cli: cannot export: " + std::to_string(keySignature) +
               " is not one of the 24 key signature ids (1297..1305, 1312..1321, 1328..1332)");
    return kExitFailed;
  }
  const PerformanceEvent* events = loaded.events.events();
  const uint32_t count = loaded.events.count();
  const int midiProgram = static_cast<int>(program);
  if (ExportMidiFile(events, count, keySignature, midiProgram, bassDoubling, out.c_str(),
                     loaded.tempo) == nullptr) {
    return kExitOk;
  }
  // Tell why: the performance cannot be encoded, or the file cannot be written.
  std::vector<uint8_t> bytes;
  if (!EncodeMidiFile(events, count, keySignature, midiProgram, bassDoubling, &bytes,
                      loaded.tempo)) {
    PrintError("velmira-cli: cannot export " + ArgumentToUtf8(file) +
               ": a pause is longer than a Standard MIDI File can hold");
  } else {
    PrintError("velmira-cli: cannot write " + ArgumentToUtf8(out));
  }
  return kExitFailed;
}

// "N/D": a numerator of 1 to 12 over 2, 4 or 8.
bool ParseMetre(const std::string& text, Tempo* tempo) {
  const size_t slash = text.find('/');
  long long numerator = 0, denominator = 0;
  if (slash == std::string::npos ||
      !ParseInteger(text.substr(0, slash).c_str(), 1, 12, &numerator) ||
      !ParseInteger(text.substr(slash + 1).c_str(), 2, 8, &denominator) ||
      (denominator != 2 && denominator != 4 && denominator != 8)) {
    return false;
  }
  tempo->numerator = static_cast<uint8_t>(numerator);
  tempo->denominator = static_cast<uint8_t>(denominator);
  return true;
}

LocalDate Today() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return LocalDate{1970, 1, 1};
  return LocalDate{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
}

int SetTempo(const std::vector<std::string>& arguments) {
  std::vector<std::string> positional;
  long long downbeat = -1;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] != "--downbeat") {
      if (arguments[i].compare(0, 2, "--") == 0) {
        return Usage("unknown option " + ArgumentToUtf8(arguments[i]));
      }
      positional.push_back(arguments[i]);
      continue;
    }
    if (i + 1 >= arguments.size() ||
        !ParseInteger(arguments[i + 1].c_str(), 0, UINT32_MAX, &downbeat)) {
      return Usage("--downbeat takes the bar line's time in milliseconds");
    }
    ++i;
  }
  if (positional.size() < 2 || positional.size() > 3) {
    return Usage("tempo takes FILE, BPM and optionally N/D");
  }
  long long bpm = 0;
  if (!ParseInteger(positional[1].c_str(), kSlowestBpm, kFastestBpm, &bpm)) {
    return Usage("BPM must be a number from 30 to 300, not " + ArgumentToUtf8(positional[1]));
  }
  const std::string& file = positional[0];
  LoadedPerformance loaded;
  if (!Load(file, &loaded)) return kExitFailed;
  Tempo tempo = loaded.tempo;
  if (!tempo.known()) {
    tempo.downbeatMs = FirstKeyDownMs(loaded.events.events(), loaded.events.count());
  }
  tempo.microsPerQuarter = MicrosPerQuarter(static_cast<int>(bpm));
  if (positional.size() == 3 && !ParseMetre(positional[2], &tempo)) {
    return Usage("the metre must be N/D (N 1 to 12, D 2, 4 or 8), not " +
                 ArgumentToUtf8(positional[2]));
  }
  if (downbeat >= 0) tempo.downbeatMs = static_cast<uint32_t>(downbeat);
  if (const char* error = SavePerformanceFile(
          loaded.events.events(), loaded.events.count(), static_cast<int32_t>(loaded.keySignature),
          loaded.bassDoubling == 1, file.c_str(), Today(), tempo)) {
    PrintError(RefusalMessage(error, file));
    return kExitFailed;
  }
  return kExitOk;
}

// The core's message (GBK) as UTF-8.
std::string CoreMessage(const std::string& gbk) {
  std::string utf8;
  return GbkToUtf8(gbk, &utf8) ? utf8 : gbk;
}

std::string FileTitle(const std::string& path) {
  return WithoutExtension(ArgumentToUtf8(FileNameOf(path)));
}

int Jianpu(const std::vector<std::string>& arguments) {
  std::vector<std::string> positional;
  long long bpm = 0;
  Tempo metre;
  std::string svg;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.compare(0, 2, "--") != 0) {
      positional.push_back(argument);
      continue;
    }
    if (argument != "--tempo" && argument != "--meter" && argument != "--svg") {
      return Usage("unknown option " + ArgumentToUtf8(argument));
    }
    if (i + 1 >= arguments.size()) return Usage(argument + " needs a value");
    const std::string& value = arguments[++i];
    if (argument == "--svg") svg = value;
    if (argument == "--tempo" && !ParseInteger(value.c_str(), kSlowestBpm, kFastestBpm, &bpm)) {
      return Usage("--tempo must be a number from 30 to 300, not " + ArgumentToUtf8(value));
    }
    if (argument == "--meter" && !ParseMetre(value, &metre)) {
      return Usage("--meter must be N/D (N 1 to 12, D 2, 4 or 8), not " + ArgumentToUtf8(value));
    }
  }
  if (positional.size() != 1) return Usage("jianpu takes exactly one FILE");
  LoadedPerformance loaded;
  if (!Load(positional[0], &loaded)) return kExitFailed;
  Tempo tempo = loaded.tempo;
  if (!tempo.known() && bpm != 0) {
    tempo = metre;
    tempo.microsPerQuarter = MicrosPerQuarter(static_cast<int>(bpm));
    tempo.downbeatMs = FirstKeyDownMs(loaded.events.events(), loaded.events.count());
  }
  const Score score = Transcribe(loaded.events.events(), loaded.events.count(),
                                 static_cast<int32_t>(loaded.keySignature), tempo,
                                 FileTitle(positional[0]), metre.numerator, metre.denominator);
  WriteUtf8(stdout, WriteJianpuText(score));
  if (svg.empty()) return kExitOk;
  const std::string picture = ScoreSvg(LayoutExportPage(score));  // as the program exports it
  if (const char* failed = WriteFileAtomically(svg, picture.data(), picture.size())) {
    PrintError(RefusalMessage(failed, svg));
    return kExitFailed;
  }
  return kExitOk;
}

int Song(const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return Usage("song takes SONG.txt and OUT.qji or OUT.mid");
  std::string text;
  if (!ReadWholeFile(arguments[0], UINT64_MAX, &text)) {
    PrintError(RefusalMessage(kCannotOpenFile, arguments[0]));
    return kExitFailed;
  }
  Score score;
  SongKeys keys;
  std::string error;
  if (!ReadJianpuText(text, &score, &error) || !ChooseSongKeys(score, &keys, &error)) {
    PrintError(ArgumentToUtf8(arguments[0]) + ": " + CoreMessage(error));
    return kExitFailed;
  }
  Tempo tempo;
  const std::vector<PerformanceEvent> events = SongPerformance(score, keys, &tempo);
  const std::string& out = arguments[1];
  const int32_t key = KeySignatureOfMajorKey(score.majorKey);
  const bool midi = out.size() >= 4 && (out.compare(out.size() - 4, 4, ".mid") == 0 ||
                                        out.compare(out.size() - 4, 4, ".MID") == 0);
  const uint32_t count = static_cast<uint32_t>(events.size());
  const char* failed =
      midi ? ExportMidiFile(events.data(), count, key, 0, false, out.c_str(), tempo)
           : SavePerformanceFile(events.data(), count, key, false, out.c_str(), Today(), tempo);
  if (failed != nullptr) {
    PrintError(RefusalMessage(failed, out));
    return kExitFailed;
  }
  return kExitOk;
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage("no command given");
  const std::string command = argv[1];
  const std::vector<std::string> arguments(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (command == "info") return Info(arguments);
  if (command == "export") return Export(arguments);
  if (command == "tempo") return SetTempo(arguments);
  if (command == "jianpu") return Jianpu(arguments);
  if (command == "song") return Song(arguments);
  return Usage("unknown command " + ArgumentToUtf8(command));
}

}  // namespace
}  // namespace cli
}  // namespace velmira

int main(int argc, char** argv) { return velmira::cli::Run(argc, argv); }
