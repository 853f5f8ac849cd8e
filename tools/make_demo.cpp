// Makes a performance file from a score in numbered notation, through the key map:
//   make-demo SCORE OUT.qji
// The score is text: "tempo <beats per minute>", "key <key-signature id>", "bass 0|1", then
// notes as <degree><octave marks>:<beats>, separated by blanks, "|" ignored, "#" starts a
// comment. Degrees are the key labels (1, b2, 2 ... 7); "'" raises by an octave, "," lowers;
// "0" is a rest. Each note is held for 90% of its length.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/key_map.h"
#include "engine/key_signature.h"
#include "record/performance_file.h"

namespace {

using velmira::KeyMap;
using velmira::PerformanceEvent;

int FindSlot(const std::string& label, int octave) {
  for (int slot = 0; slot < velmira::kKeySlotCount; ++slot) {
    if (KeyMap[slot].label != nullptr && label == KeyMap[slot].label &&
        KeyMap[slot].octave == octave) {
      return slot;
    }
  }
  return -1;
}

bool Fail(const std::string& message) {
  std::fprintf(stderr, "make-demo: %s\n", message.c_str());
  return false;
}

bool ParseScore(std::istream& in, std::vector<PerformanceEvent>* events, int* key, bool* bass) {
  double tempo = 100;
  double pendingMs = 200;  // a short lead-in before the first note
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
      if (word == "|") continue;
      if (word == "tempo" || word == "key" || word == "bass") {
        double value;
        if (!(words >> value))
          return Fail("line " + std::to_string(lineNumber) + ": " + word + " needs a number");
        if (word == "tempo") tempo = value;
        if (word == "key") *key = static_cast<int>(value);
        if (word == "bass") *bass = value != 0;
        continue;
      }
      const size_t colon = word.find(':');
      if (colon == std::string::npos)
        return Fail("line " + std::to_string(lineNumber) + ": " + word + " has no length");
      std::string degree = word.substr(0, colon);
      const double beats = std::atof(word.c_str() + colon + 1);
      if (beats <= 0) return Fail("line " + std::to_string(lineNumber) + ": bad length in " + word);
      int octave = 5;
      while (!degree.empty() && (degree.back() == '\'' || degree.back() == ',')) {
        octave += degree.back() == '\'' ? 1 : -1;
        degree.pop_back();
      }
      const double lengthMs = beats * 60000.0 / tempo;
      if (degree == "0") {
        pendingMs += lengthMs;
        continue;
      }
      const int slot = FindSlot(degree, octave);
      if (slot < 0) return Fail("line " + std::to_string(lineNumber) + ": no key plays " + word);
      const uint32_t keyData = static_cast<uint32_t>(slot) << 16;
      const double held = lengthMs * 0.9;
      events->push_back({static_cast<uint32_t>(pendingMs + 0.5), 256, keyData, 0});
      events->push_back({static_cast<uint32_t>(held + 0.5), 257, keyData, 0});
      pendingMs = lengthMs - held;
    }
  }
  if (events->empty()) return Fail("the score has no notes");
  if (!velmira::IsKeySignature(*key)) return Fail("unknown key signature " + std::to_string(*key));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-demo SCORE OUT.qji\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "make-demo: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<PerformanceEvent> events;
  int key = 1297;
  bool bass = false;
  if (!ParseScore(in, &events, &key, &bass)) return 1;
  // A fixed date keeps the file the same on every run.
  const char* error =
      velmira::SavePerformanceFile(events.data(), static_cast<uint32_t>(events.size()), key, bass,
                                   argv[2], velmira::LocalDate{2026, 1, 1});
  if (error != nullptr) {
    std::fprintf(stderr, "make-demo: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %zu events\n", argv[2], events.size());
  return 0;
}
