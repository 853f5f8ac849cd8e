// Where the main window's controls and texts go, from the client size (W, H) and the size of
// the letter "M" (cw, ch); and what the instrument picture and caption show.
#pragma once

#include <cstdint>
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

// The recording indicator: a red dot, then "录音中" and the elapsed time, in a box of 12 cells
// by one line, one line below the top of the instrument picture, a cell in from the left edge.
// It is shown only where it covers nothing: a cell or more left of the picture, above the
// status line, and clear of the key block with the strip under it down to the buttons, and of
// the buttons. Otherwise (a narrow or low window) it is not shown at all.
struct RecordingIndicatorLayout {
  bool shown = false;
  Rect box;  // everything it paints lies inside: the text is clipped to it
  Rect dot;  // the red dot's bounding square
  Point text;
};
RecordingIndicatorLayout LayoutRecordingIndicator(int width, int height, int cellWidth,
                                                  int cellHeight, int clientWidth);
// "录音中 m:ss" (GBK): whole minutes and seconds.
std::string RecordingIndicatorText(uint32_t elapsedMs);

// What the recording indicator's place shows: a dot and a text. While recording the dot is red
// beside "录音中 1:05"; while the metronome clicks it lights on each click, red on the first beat
// of a bar and green on the others, grey between, beside "预备 3" (the count-in's beats still to
// come) or "节拍 2" (the beat of the bar).
enum class IndicatorDot { Red, Green, Grey };
struct IndicatorState {
  std::string text;  // empty: nothing is shown
  IndicatorDot dot = IndicatorDot::Red;
};
struct Rgb {
  uint8_t r, g, b;
};
Rgb DotColour(IndicatorDot dot);
std::string CountInText(int beatsToCome);
std::string BeatText(int beat);

struct PaintLayout {
  Point switchText;  // "开启" / "关闭"
  Point deviceName;
  Point channelText;  // "声道 %i"
  Point hint;
  Point picture;          // top-left of the 171 x 141 instrument picture
  Point caption;          // against the picture's right edge
  Point velocityCaption;  // "力度"
  Point pitchCaption;     // "频率"
  RecordingIndicatorLayout recording;
};
// clientWidth is the width read from the window at paint time (normally equal to width).
PaintLayout LayoutPaint(int width, int height, int cellWidth, int cellHeight, int clientWidth);

// Whether at this client size everything lies inside the window and nothing covers anything
// else: the key block, the instrument picture, the scroll bars and their captions, the transport
// buttons, and the status and hint lines.
bool NothingOverlaps(int width, int height, int cellWidth, int cellHeight);
// The smallest client size at which nothing overlaps (the windows' minimum size).
struct ClientExtent {
  int width, height;
};
ClientExtent MinimumClientSize(int cellWidth, int cellHeight);

constexpr int kPictureWidth = 171;
constexpr int kPictureHeight = 141;

// Cell 0..14 of the instrument pictures for the channel and program.
int InstrumentPictureIndex(int channel, int program);

// The caption: the instrument name, four blanks and the key ("1=C", "6=#f"...); the name alone
// for an id that is not one of the 24 key signatures. GBK text.
std::string KeyCaption(int keySignature, const char* instrumentName);

}  // namespace velmira
