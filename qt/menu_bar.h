// The menu bar of the Linux program, built from the portable menu model, and read back into it
// for the menu dump of the end-to-end tests.
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

// The live menu bar as the model, with the checks and grey states it shows now.
MenuBar ReadMenuBar(const QMenuBar* bar);

}  // namespace velmira
