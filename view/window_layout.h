// Where the main window's controls and texts go, from the client size (W, H) and the size of
// the letter "M" (cw, ch); and what the instrument picture and caption show.
#pragma once

#include <string>

#include "view/keyboard_geometry.h"

namespace velmira {

struct Point {
  int x;
  int y;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct ControlPlacement {
  int id;
  int left;
  int top;
  int width;
  int height;
};

// The two scroll bars, then the five transport buttons, in the order they are moved.
constexpr int kPlacedControlCount = 7;
struct ControlLayout {
  ControlPlacement controls[kPlacedControlCount];
};
ControlLayout LayoutControls(int width, int height, int cellWidth, int cellHeight);

// The key block's origin (as SetKeyboardOrigin) and the sustain pedal beneath it: a bar of four
// caps' width centred under the block, 8 pixels below it, shown only where it keeps 8 pixels
// above the transport buttons, stays left of the scroll bars' captions and inside the window.
KeyboardOrigin LayoutKeyboard(int width, int height, int cellHeight);
constexpr int kPedalWidth = 4 * kCapWidth;
constexpr int kPedalHeight = kCapHeight;
constexpr int kPedalGap = 8;

struct PaintLayout {
  Point switchText;      // "开启" / "关闭"
  Point deviceName;
  Point channelText;     // "声道 %i"
  Point hint;
  Point picture;         // top-left of the 171 x 141 instrument picture
  Point caption;         // against the picture's right edge
  Point velocityCaption; // "力度"
  Point pitchCaption;    // "频率"
};
// clientWidth is the width read from the window at paint time (normally equal to width).
PaintLayout LayoutPaint(int width, int height, int cellWidth, int cellHeight, int clientWidth);

constexpr int kPictureWidth = 171;
constexpr int kPictureHeight = 141;

// Cell 0..14 of the instrument pictures for the channel and program.
int InstrumentPictureIndex(int channel, int program);

// The caption: the instrument name, four blanks and the key ("1=C", "6=#f"...); the name alone
// for an id that is not one of the 24 key signatures. GBK text.
std::string KeyCaption(int keySignature, const char* instrumentName);

}  // namespace velmira
