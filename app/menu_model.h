// The menu bar as data: built once when the main window is created, then turned into a real
// menu by the shell. Labels are GBK text.
#pragma once

#include <string>
#include <vector>

#include "engine/midi_output_service.h"
#include "engine/player_state.h"

namespace velmira {

struct MenuItem {
  std::string label;
  int id = 0;  // command number of a command item
  bool checked = false;
  bool grayed = false;
  bool popup = false;
  std::vector<MenuItem> items;  // the items of a popup
};

struct MenuBar {
  std::vector<MenuItem> popups;
};

// Builds the eight popups for deviceCount devices (at least 1). When the MIDI mapper's name
// cannot be read the mapper is left out and state.outputDevice becomes 0.
MenuBar BuildMenuBar(MidiOutputService& service, unsigned deviceCount, PlayerState& state);

// The command item with the given id anywhere in the tree, or null.
MenuItem* FindMenuItem(MenuBar& bar, int id);

}  // namespace velmira
