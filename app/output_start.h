// The MIDI output at the main window's creation: the devices counted, the menu bar built from
// them and attached, the current device opened.
#pragma once

#include <string>
#include <vector>
#include "engine/device_control.h"
#include "engine/midi_output_service.h"
#include "engine/player_state.h"

#include "engine/ui_effects.h"

namespace velmira {

// False when there is no device (after a stop box): the window must not be created.
bool OpenOutputAtStart(DeviceControl& devices, MidiOutputService& service, PlayerState& state,
                       UiEffects& ui, const std::vector<std::string>& songTitles = {});

}  // namespace velmira
