#include "engine/logged_midi_output.h"

namespace velmira {

LoggedMidiOutput::LoggedMidiOutput(std::unique_ptr<MidiOutputService> inner, Clock& clock,
                                   const std::string& path)
    : inner_(std::move(inner)), clock_(clock), log_(std::fopen(path.c_str(), "a")) {}

LoggedMidiOutput::~LoggedMidiOutput() {
  if (log_ != nullptr) std::fclose(log_);
}

void LoggedMidiOutput::Log(const char* text) {
  if (log_ == nullptr) return;
  std::fprintf(log_, "%lu %s\n", static_cast<unsigned long>(clock_.NowMs()), text);
  std::fflush(log_);
}

bool LoggedMidiOutput::Open(int device, MidiOutHandle* handle) {
  const bool ok = inner_->Open(device, handle);
  char line[48];
  std::snprintf(line, sizeof line, "open %d %s", device, ok ? "ok" : "fail");
  Log(line);
  return ok;
}

void LoggedMidiOutput::ShortMessage(MidiOutHandle handle, uint32_t message) {
  inner_->ShortMessage(handle, message);
  char line[32];
  std::snprintf(line, sizeof line, "short %08lX", static_cast<unsigned long>(message));
  Log(line);
}

void LoggedMidiOutput::Close(MidiOutHandle handle) {
  inner_->Close(handle);
  Log("close");
}

}  // namespace velmira
