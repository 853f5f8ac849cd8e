#pragma once

#include <windows.h>

namespace velmira {

// Runs the About dialog "AboutBox" modally, owned by the main window.
void RunAboutBox(HWND owner);

}  // namespace velmira
