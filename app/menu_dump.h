// The menu bar as text, one item a line, for the end-to-end tests of both programs (the
// simulation builds write it after every command). A popup is "popup LABEL"; a command item is
// "ID CHECKED GRAYED LABEL"; items of a popup are indented two blanks deeper; a tab in a label is
// written "\t". Labels are UTF-8.
#pragma once

#include <string>

#include "app/menu_model.h"

namespace velmira {

std::string FormatMenuDump(const MenuBar& bar);
// Writes the dump safely (the previous one survives any failure); false when it could not.
bool WriteMenuDump(const MenuBar& bar, const std::string& path);

}  // namespace velmira
