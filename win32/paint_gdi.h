// Painting and laying out the main window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/midi_output_service.h"
#include "engine/player_state.h"
#include "view/keyboard_geometry.h"
#include "view/window_layout.h"
#include "win32/main_window.h"

namespace velmira {

struct ClientSize {
  int width = 0;
  int height = 0;
};

// The layout unit: the size of "M" in the window's default font.
void MeasureCell(HWND window, MainWindowControls& controls);

// Resize: remembers the client size, moves the keyboard, the scroll bars and the buttons.
void LayoutMainWindow(HWND window, int width, int height, const MainWindowControls& controls,
                      ClientSize& size, KeyboardOrigin& origin);

void PaintMainWindow(HWND window, const PlayerState& state, MidiOutputService& midi,
                     const MainWindowControls& controls, const ClientSize& size,
                     const KeyboardOrigin& origin, const std::vector<CapMark>& marks,
                     bool pedalDown, const IndicatorState& indicator);

}  // namespace velmira
