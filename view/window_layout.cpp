#include "view/window_layout.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "commands/command_ids.h"

namespace velmira {

ControlLayout LayoutControls(int W, int H, int cw, int ch) {
  const int barWidth = W / 40, barTop = 3 * H / 10, barHeight = 4 * H / 10;
  const int buttonTop = 8 * H / 10, buttonWidth = 6 * cw, buttonHeight = 7 * ch / 4;
  const int middle = W / 2;
  return ControlLayout{{
      {IDC_VELOCITY, 17 * W / 20, barTop, barWidth, barHeight},
      {IDC_PITCH_BEND, 18 * W / 20, barTop, barWidth, barHeight},
      {CMD_RECORD_START, middle - 19 * cw, buttonTop, buttonWidth, buttonHeight},
      {CMD_RECORD_STOP, middle - 11 * cw, buttonTop, buttonWidth, buttonHeight},
      {CMD_PLAY, middle - 3 * cw, buttonTop, buttonWidth, buttonHeight},
      {CMD_PLAY_LOOP, middle + 5 * cw, buttonTop, buttonWidth, buttonHeight},
      {CMD_PLAY_STOP, middle + 13 * cw, buttonTop, buttonWidth, buttonHeight},
  }};
}

KeyboardOrigin LayoutKeyboard(int W, int H, int ch) {
  KeyboardOrigin origin = SetKeyboardOrigin(W, H, ch);
  const int left = origin.x0 + (kKeyBlockWidth - kPedalWidth) / 2;
  const int top = origin.y0 + kKeyBlockHeight + kPedalGap;
  const Rect pedal{left, top, left + kPedalWidth, top + kPedalHeight};
  const int buttonTop = 8 * H / 10, captionLeft = 135 * W / 160;
  if (pedal.left >= 0 && pedal.right <= captionLeft && pedal.bottom + kPedalGap <= buttonTop) {
    origin.pedal = pedal;
  }
  return origin;
}

PaintLayout LayoutPaint(int W, int H, int cw, int ch, int CW) {
  const int statusY = H - 4 * ch;
  const int pictureLeft = (CW - kPictureWidth) / 2;
  const int captionY = 7 * H / 10;
  return PaintLayout{
      {cw, statusY},
      {5 * cw, statusY},
      {20 * cw, statusY},
      {cw, H - 3 * ch},
      {pictureLeft, 44},
      {pictureLeft + kPictureWidth, 115},
      {135 * W / 160, captionY},
      {143 * W / 160, captionY},
      LayoutRecordingIndicator(W, H, cw, ch, CW),
  };
}

namespace {
bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
}  // namespace

bool NothingOverlaps(int W, int H, int cw, int ch) {
  const KeyboardOrigin keys = SetKeyboardOrigin(W, H, ch);
  const ControlLayout controls = LayoutControls(W, H, cw, ch);
  const PaintLayout at = LayoutPaint(W, H, cw, ch, W);
  std::vector<Rect> parts = {
      Rect{keys.x0, keys.y0, keys.x0 + kKeyBlockWidth, keys.y0 + kKeyBlockHeight},
      Rect{at.picture.x, at.picture.y, at.picture.x + kPictureWidth, at.picture.y + kPictureHeight},
      // "力度" and "频率": two characters, each about two cells wide.
      Rect{at.velocityCaption.x, at.velocityCaption.y, at.velocityCaption.x + 4 * cw,
           at.velocityCaption.y + ch},
      Rect{at.pitchCaption.x, at.pitchCaption.y, at.pitchCaption.x + 4 * cw,
           at.pitchCaption.y + ch},
      Rect{0, at.switchText.y, W, at.hint.y + ch},  // the status line and the hint line
  };
  for (const ControlPlacement& c : controls.controls) {
    parts.push_back(Rect{c.left, c.top, c.left + c.width, c.top + c.height});
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    const Rect& a = parts[i];
    if (a.left < 0 || a.top < 0 || a.right > W || a.bottom > H) return false;
    for (size_t j = i + 1; j < parts.size(); ++j) {
      if (Overlap(a, parts[j])) return false;
    }
  }
  return true;
}

ClientExtent MinimumClientSize(int cw, int ch) {
  // The narrowest width that fits at a generous height, then the lowest height at that width;
  // then wider if rounding left a gap at that height.
  constexpr int kLargest = 4000;
  ClientExtent size{kLargest, kLargest};
  for (int w = 1; w <= kLargest; ++w) {
    if (NothingOverlaps(w, kLargest, cw, ch)) {
      size.width = w;
      break;
    }
  }
  for (int h = 1; h <= kLargest; ++h) {
    if (NothingOverlaps(size.width, h, cw, ch)) {
      size.height = h;
      break;
    }
  }
  while (size.width < kLargest && !NothingOverlaps(size.width, size.height, cw, ch)) ++size.width;
  return size;
}

RecordingIndicatorLayout LayoutRecordingIndicator(int W, int H, int cw, int ch, int CW) {
  RecordingIndicatorLayout at;
  at.box = Rect{cw, 44 + ch, 13 * cw, 44 + 2 * ch};
  const int diameter = 2 * ch / 3;
  const int dotTop = at.box.top + (ch - diameter) / 2;
  at.dot = Rect{at.box.left, dotTop, at.box.left + diameter, dotTop + diameter};
  at.text = Point{at.box.left + diameter + cw / 2, at.box.top};

  const KeyboardOrigin keys = SetKeyboardOrigin(W, H, ch);
  const ControlLayout controls = LayoutControls(W, H, cw, ch);
  const ControlPlacement& first = controls.controls[2];  // 开始录制, the left end of the row
  const int buttonsBottom = first.top + first.height;
  const Rect keysAndStrip{keys.x0, keys.y0, keys.x0 + kKeyBlockWidth,
                          std::max(keys.y0 + kKeyBlockHeight, first.top)};
  const Rect buttons{first.left, first.top, W - first.left, buttonsBottom};
  at.shown = at.box.right + cw <= (CW - kPictureWidth) / 2 && at.box.bottom <= H - 4 * ch &&
             !Overlap(at.box, keysAndStrip) && !Overlap(at.box, buttons);
  return at;
}

std::string RecordingIndicatorText(uint32_t elapsedMs) {
  const uint32_t seconds = elapsedMs / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "录音中 %u:%02u", static_cast<unsigned>(seconds / 60),
                static_cast<unsigned>(seconds % 60));
  return text;
}

Rgb DotColour(IndicatorDot dot) {
  switch (dot) {
    case IndicatorDot::Red: return Rgb{255, 0, 0};
    case IndicatorDot::Green: return Rgb{0, 170, 0};
    case IndicatorDot::Grey: break;
  }
  return Rgb{140, 140, 140};
}

std::string CountInText(int beatsToCome) { return "预备 " + std::to_string(beatsToCome); }

std::string BeatText(int beat) { return "节拍 " + std::to_string(beat); }

int InstrumentPictureIndex(int channel, int program) {
  if (channel == 9) return 14;  // the General MIDI drum channel
  if (program < 80) return program / 8;
  if (program <= 103) return 10;
  return program / 8 - 2;
}

namespace {
struct CaptionKey {
  int id;
  const char* key;
};
constexpr CaptionKey kCaptionKeys[] = {
    {1297, "1=C"}, {1298, "1=D"},  {1299, "1=E"},  {1300, "1=F"},  {1301, "1=G"},  {1302, "1=A"},
    {1303, "1=B"}, {1304, "1=#F"}, {1305, "1=#C"}, {1312, "1=bB"}, {1313, "1=bE"}, {1314, "1=bA"},
    {1315, "6=c"}, {1316, "6=d"},  {1317, "6=e"},  {1318, "6=f"},  {1319, "6=g"},  {1320, "6=a"},
    {1321, "6=b"}, {1328, "6=#f"}, {1329, "6=#c"}, {1330, "6=#g"}, {1331, "6=#d"}, {1332, "6=#a"},
};
}  // namespace

std::string KeyCaption(int keySignature, const char* instrumentName) {
  std::string caption = instrumentName;
  for (const CaptionKey& entry : kCaptionKeys) {
    if (entry.id == keySignature) return caption + "    " + entry.key;
  }
  return caption;
}

}  // namespace velmira
