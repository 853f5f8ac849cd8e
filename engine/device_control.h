// Choosing, opening and closing the MIDI output device: the instrument's switch.
#pragma once

#include "engine/midi_output.h"
#include "engine/note_engine.h"
#include "engine/player_state.h"
#include "engine/ui_effects.h"

namespace velmira {

class DeviceControl {
 public:
  DeviceControl(PlayerState& state, MidiOutput& midi, NoteEngine& engine, UiEffects& ui)
      : state_(state), midi_(midi), engine_(engine), ui_(ui) {}

  // During the main window's creation, once the menu bar is attached: opens the current device
  // and gives the melody channel its program.
  void OpenAtStart();
  void SwitchOn();                   // CMD_SWITCH_ON
  void SwitchOff();                  // CMD_SWITCH_OFF
  void ChooseDevice(int commandId);  // 511..767

 private:
  bool OpenCurrentDevice();

  PlayerState& state_;
  MidiOutput& midi_;
  NoteEngine& engine_;
  UiEffects& ui_;
};

}  // namespace velmira
