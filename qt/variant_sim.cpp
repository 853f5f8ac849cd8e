#include <cstdlib>

#include "app/menu_dump.h"
#include "engine/sim_midi_output.h"
#include "qt/menu_bar.h"
#include "qt/variant.h"

namespace velmira {

namespace {
const char* Lookup(const char* name) { return std::getenv(name); }
}  // namespace

std::unique_ptr<MidiOutputService> CreateMidiOutputService(Clock& clock, const ProgramOptions&) {
  return std::make_unique<SimMidiOutput>(ReadSimConfig(&Lookup), clock);
}

// The menu bar stays exactly the Windows program's.
void ExtendMenuBar(QMenuBar*, QWidget*) {}

void ReportMenuBar(const QMenuBar* menuBar) {
  const char* path = std::getenv("VELMIRA_SIM_MENU");
  if (path == nullptr || *path == '\0') return;
  WriteMenuDump(ReadMenuBar(menuBar), path);
}

std::string TakeDeviceError() { return std::string(); }

}  // namespace velmira
