// The main window: its class, its procedure and the child controls it owns.
#pragma once

#include <windows.h>

#include "view/window_layout.h"

namespace velmira {

// The message that carries one playback event to the main window: the event array in wParam,
// the event's index in lParam.
constexpr UINT MSG_PLAY_EVENT = WM_USER + 1;
// A metronome click: its generation in wParam, the click's number times 2 in lParam, plus 1 for
// its start (0 for its end).
constexpr UINT MSG_CLICK = WM_USER + 2;

// The main window's timers: 1 plays a file loaded at start-up, 2 ticks while recording.
constexpr UINT_PTR kPlayTimer = 1;
constexpr UINT_PTR kRecordingTimer = 2;
constexpr UINT kRecordingTickMs = 250;

struct MainWindowControls {
  int cellWidth = 0;   // width of "M" in the window's default font
  int cellHeight = 0;  // height of the same text
  // The smallest client area at which nothing overlaps, and the cell it was found for.
  ClientExtent smallest{};
  int smallestForWidth = -1, smallestForHeight = -1;
  HWND velocityBar = nullptr;
  HWND pitchBendBar = nullptr;
  HWND transportButtons[5] = {};        // ids 1283..1287
  WNDPROC previousButtonProcs[5] = {};  // slot = control id - 1283
};

// Registers the main window class "QJ"; false on failure.
bool RegisterMainWindowClass(COLORREF background);

// After the message loop: frees what lived with the main window (also after a refused creation).
void ReleaseMainWindowState();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace velmira
