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
  bool checkable = false;  // shows a check mark when checked (a shell may draw a box for it)
  bool grayed = false;
  bool popup = false;
  std::vector<MenuItem> items;  // the items of a popup
};

struct MenuBar {
  std::vector<MenuItem> popups;
};

// Builds the nine popups for deviceCount devices (at least 1), and the song book's songs by
// their titles (the program's own text). When the MIDI mapper's name cannot be read the mapper
// is left out and state.outputDevice becomes 0.
MenuBar BuildMenuBar(MidiOutputService& service, unsigned deviceCount, PlayerState& state,
                     const std::vector<std::string>& songTitles = {});

// The command item with the given id anywhere in the tree, or null.
MenuItem* FindMenuItem(MenuBar& bar, int id);

// The label of an instrument menu item: "&1.\t三角钢琴" for group 0, item 0.
std::string InstrumentItemLabel(int group, int item);
// What a menu label reads as plain text: without the access key that the menu marks, whether
// as a prefix ("&1.\t") or in brackets ("(&R)"), without the accelerator after a tab, and with
// "&&" as one "&".
std::string PlainMenuText(const std::string& label);
// The tooltip of toolbar button 0..13: the plain text of its instrument's menu item.
std::string ToolbarTip(int button);

}  // namespace velmira
