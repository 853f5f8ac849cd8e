// The menu bar of the Linux program, built from the portable menu model, and the dump of the
// live menu bar that the end-to-end tests read (the Windows program's format).
#pragma once

#include <functional>
#include <map>

#include "app/menu_model.h"

class QAction;
class QMenuBar;

namespace velmira {

// The command items of a built menu bar, by command number.
using CommandActions = std::map<int, QAction*>;

// Fills the bar with the model's popups. A chosen item calls onCommand with its number; its
// check mark is left to the program (an item never checks itself).
CommandActions BuildMenuBar(QMenuBar* bar, const MenuBar& model,
                            const std::function<void(int)>& onCommand);

// One line per item, indented two blanks a level: "popup LABEL" or "ID CHECKED GRAYED LABEL",
// labels in UTF-8 with the tab written as \t. Written to a temporary file, then renamed.
bool WriteMenuDump(const QMenuBar* bar, const char* path);

}  // namespace velmira
