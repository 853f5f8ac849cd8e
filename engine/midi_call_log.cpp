#include "engine/midi_call_log.h"

namespace velmira {

MidiCallLog::MidiCallLog(Clock& clock, const std::string& path) : clock_(clock) {
  if (!path.empty()) file_ = std::fopen(path.c_str(), "a");
}

MidiCallLog::~MidiCallLog() {
  if (file_ != nullptr) std::fclose(file_);
}

void MidiCallLog::Line(const char* text) {
  if (file_ == nullptr) return;
  std::fprintf(file_, "%lu %s\n", static_cast<unsigned long>(clock_.NowMs()), text);
  std::fflush(file_);
}

void MidiCallLog::Open(int device, bool ok) {
  char line[48];
  std::snprintf(line, sizeof line, "open %d %s", device, ok ? "ok" : "fail");
  Line(line);
}

void MidiCallLog::Short(uint32_t message) {
  char line[32];
  std::snprintf(line, sizeof line, "short %08lX", static_cast<unsigned long>(message));
  Line(line);
}

}  // namespace velmira
