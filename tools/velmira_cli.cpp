// velmira-cli: reads performance files and exports them as Standard MIDI Files exactly as the
// program does. Other tools rely on its output and exit codes:
//
//   velmira-cli info FILE
//     stdout: "events: N", "key: ID", "bass: 0|1" (1 only when the header's value is exactly 1),
//     then one line per event: "<deltaMs> <message> <keyData as %08X> <octaveShift>".
//   velmira-cli export FILE OUT.mid [--program P] [--key ID] [--bass 0|1]
//     writes OUT.mid with the file's key signature and bass doubling unless given, program 0
//     unless given.
//
// Exit codes: 0 done; 1 the file was refused (the program's own message, in UTF-8 with the file
// name, on stderr) or the export failed (a message on stderr); 2 wrong usage (usage on stderr).
// The tool's own text is ASCII; the core's messages are GBK and are converted to UTF-8.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/key_signature.h"
#include "record/document.h"
#include "record/midi_export.h"
#include "record/performance_file.h"
#include "tools/text_encoding.h"

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
  if (ExportMidiFile(events, count, keySignature, midiProgram, bassDoubling, out.c_str()) ==
      nullptr) {
    return kExitOk;
  }
  // Tell why: the performance cannot be encoded, or the file cannot be written.
  std::vector<uint8_t> bytes;
  if (!EncodeMidiFile(events, count, keySignature, midiProgram, bassDoubling, &bytes)) {
    PrintError("velmira-cli: cannot export " + ArgumentToUtf8(file) +
               ": a pause is longer than a Standard MIDI File can hold");
  } else {
    PrintError("velmira-cli: cannot write " + ArgumentToUtf8(out));
  }
  return kExitFailed;
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
  return Usage("unknown command " + ArgumentToUtf8(command));
}

}  // namespace
}  // namespace cli
}  // namespace velmira

int main(int argc, char** argv) { return velmira::cli::Run(argc, argv); }
