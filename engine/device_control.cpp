#include "engine/device_control.h"

#include "commands/command_ids.h"

namespace velmira {

bool DeviceControl::OpenCurrentDevice() {
  MidiOutHandle handle = 0;
  if (!midi_.service().Open(state_.outputDevice, &handle)) {
    ui_.Beep(MessageIcon::Exclamation);
    ui_.ShowMessage("Cannot open MIDI device", "QJ", MessageIcon::Exclamation, MessageButtons::Ok,
                    true);
    return false;
  }
  state_.midiOut = handle;
  state_.switchedOn = true;  // before the program changes, which are sent only while on
  ui_.CheckMenuItem(CMD_SWITCH_ON, true);
  ui_.CheckMenuItem(CMD_SWITCH_OFF, false);
  return true;
}

void DeviceControl::OpenAtStart() {
  // At start only the melody channel gets its program.
  if (OpenCurrentDevice()) midi_.SendProgramChange(state_.channel, state_.program);
}

void DeviceControl::SwitchOn() {
  if (!state_.switchedOn && OpenCurrentDevice()) {
    midi_.SendProgramChange(state_.channel, state_.program);
    midi_.SendProgramChange(kBassChannel, state_.program);
  }
  ui_.Invalidate(true);
}

void DeviceControl::SwitchOff() {
  if (state_.switchedOn) {
    ui_.CheckMenuItem(CMD_SWITCH_ON, false);
    ui_.CheckMenuItem(CMD_SWITCH_OFF, true);
    engine_.LiftPedal();
    midi_.SendAllNotesOff();
    midi_.service().Close(state_.midiOut);
    state_.midiOut = 0;
    state_.switchedOn = false;
    engine_.ForgetSoundingNotes();
  }
  ui_.Invalidate(true);
}

void DeviceControl::ChooseDevice(int commandId) {
  if (commandId < CMD_DEVICE_FIRST || commandId > CMD_DEVICE_LAST) return;
  ui_.CheckMenuItem(CMD_DEVICE_BASE + state_.outputDevice, false);
  state_.outputDevice = commandId - CMD_DEVICE_BASE;
  ui_.CheckMenuItem(commandId, true);
  if (state_.switchedOn) {
    SwitchOff();
    SwitchOn();
  }
  ui_.Invalidate(true);
}

}  // namespace velmira
