#include <cstdlib>
#include <cstring>

#include "app/menu_dump.h"
#include "engine/sim_midi_output.h"
#include "win32/menu.h"
#include "win32/ui.h"
#include "win32/variant.h"

namespace velmira {

namespace {
const char* Lookup(const char* name) { return std::getenv(name); }
}  // namespace

std::unique_ptr<MidiOutputService> CreateMidiOutputService() {
  static Win32Clock clock;
  return std::make_unique<SimMidiOutput>(ReadSimConfig(&Lookup), clock);
}

void ReportMenuBar(HWND window) {
  const char* path = std::getenv("VELMIRA_SIM_MENU");
  if (path == nullptr || *path == '\0') return;
  WriteMenuDump(ReadMenuBar(GetMenu(window)), path);
}

}  // namespace velmira

namespace velmira {

Scheduling PlaybackScheduling() {
  const char* value = std::getenv("VELMIRA_SIM_SCHEDULING");
  return value != nullptr && std::strcmp(value, "chained") == 0 ? Scheduling::Chained
                                                                : Scheduling::Timeline;
}

}  // namespace velmira
