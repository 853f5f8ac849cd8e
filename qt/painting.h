// Painting of the main window with QPainter: the key caps (each as the engine last drew it),
// the pedal, the status and hint lines, the instrument picture and its caption, the bars'
// captions and the recording indicator, placed by the portable layout code.
#pragma once

#include <QColor>
#include <QImage>
#include <string>
#include <vector>

#include "engine/key_map.h"
#include "engine/midi_output_service.h"
#include "engine/player_state.h"
#include "view/keyboard_geometry.h"
#include "view/window_layout.h"

class QPainter;
class QFont;

namespace velmira {

// The pictures, loaded once at start from the program's resources.
struct Pictures {
  QImage splash;
  QImage toolbar;      // 15 images of 32 x 32
  QImage instruments;  // 15 cells of 171 x 141
  QImage keyCaps;      // five caps of 38 x 39: grey, blue, red, green, orange
  QColor background;   // pixel (0, 0) of the instrument pictures
  bool Load();
};

// What each cap shows: the picture cell's source x (CapSourceX), as last drawn, and the caps a
// lesson marks (orange while up).
struct CapStates {
  int sourceX[kKeySlotCount] = {};
  std::vector<CapMark> marks;
  void ReleaseAll() {
    for (int& x : sourceX) x = 0;
  }
};

struct WindowPaint {
  const PlayerState& state;
  MidiOutputService& midi;
  const CapStates& caps;
  const KeyboardOrigin& origin;
  bool pedalDown;
  IndicatorState indicator;  // what the recording indicator's place shows
  int width, height, cellWidth, cellHeight;
};

void PaintKeyboard(QPainter& painter, const Pictures& pictures, const KeyboardOrigin& origin,
                   const CapStates& caps, bool pedalDown);
void PaintWindow(QPainter& painter, const Pictures& pictures, const QFont& textFont,
                 const WindowPaint& paint);

}  // namespace velmira
