#include "app/output_start.h"

#include "app/menu_model.h"

namespace velmira {

bool OpenOutputAtStart(DeviceControl& devices, MidiOutputService& service, PlayerState& state,
                       UiEffects& ui, const std::vector<std::string>& songTitles) {
  const unsigned count = service.DeviceCount();
  if (count == 0) {
    ui.Beep(MessageIcon::Stop);
    ui.ShowMessage("No MIDI output devices!", "QJ", MessageIcon::Stop, MessageButtons::Ok, true);
    return false;
  }
  const MenuBar menuBar = BuildMenuBar(service, count, state, songTitles);
  ui.AttachMenuBar(menuBar);
  devices.OpenAtStart();
  return true;
}

}  // namespace velmira
