#pragma once

#include <windows.h>

namespace velmira {

// Creates the hidden toolbar along the top of the main window's client area.
HWND CreateInstrumentToolbar(HWND mainWindow);
// Gives it the 15 images of the toolbar strip and the 14 instrument buttons, and shows it.
void FillInstrumentToolbar(HWND toolbar);
// A tooltip of the toolbar asking the main window for a button's text (WM_NOTIFY): fills in
// the instrument's name and returns true; false for any other notification.
bool OnToolbarTipNotify(const NMHDR* header);

}  // namespace velmira
