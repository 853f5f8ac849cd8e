// Turning the menu model into a real menu bar, and (for tests) writing a menu bar out as text.
#pragma once

#include <windows.h>

#include "app/menu_model.h"

namespace velmira {

HMENU CreateMenuBar(const MenuBar& model);

// One line per item, two spaces of indent per submenu level: "popup <label>" or
// "<id> <checked 0|1> <grayed 0|1> <label>", labels as UTF-8 with the tab written as \t.
// The file is replaced as a whole, so a reader never sees half of it.
bool WriteMenuDump(HMENU menu, const char* path);

}  // namespace velmira
