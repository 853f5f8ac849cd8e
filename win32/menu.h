// Turning the menu model into a real menu bar, and a real menu bar back into the model (for the
// menu dump of the tests).
#pragma once

#include <windows.h>

#include "app/menu_model.h"

namespace velmira {

HMENU CreateMenuBar(const MenuBar& model);

// The menu bar as it is now, with its checks and grey states; labels as UTF-8.
MenuBar ReadMenuBar(HMENU menu);

}  // namespace velmira
