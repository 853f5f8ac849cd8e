#include "win32/keyboard_gdi.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/key_map.h"
#include "view/window_texts.h"
#include "win32/shell_resources.h"

namespace velmira {

HFONT CreateSizedFont(HDC dc, const char* faceName, int size, int attributes,
                      bool useLogicalResolution) {
  SaveDC(dc);
  SetGraphicsMode(dc, GM_ADVANCED);
  ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);

  double horizontal, vertical;
  if (useLogicalResolution) {
    horizontal = GetDeviceCaps(dc, LOGPIXELSX);
    vertical = GetDeviceCaps(dc, LOGPIXELSY);
  } else {
    horizontal = 25.4 * GetDeviceCaps(dc, HORZRES) / GetDeviceCaps(dc, HORZSIZE);
    vertical = 25.4 * GetDeviceCaps(dc, VERTRES) / GetDeviceCaps(dc, VERTSIZE);
  }
  POINT p{static_cast<LONG>(size * horizontal / 72), static_cast<LONG>(size * vertical / 72)};
  DPtoLP(dc, &p, 1);  // tenths of a logical unit

  LOGFONTA font{};
  font.lfHeight = -static_cast<LONG>(std::fabs(p.y) / 10.0 + 0.5);
  font.lfWeight = (attributes & 1) ? 700 : 0;
  font.lfItalic = (attributes & 2) ? 1 : 0;
  font.lfUnderline = (attributes & 4) ? 1 : 0;
  font.lfStrikeOut = (attributes & 8) ? 1 : 0;
  font.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
  HFONT result = CreateFontIndirectA(&font);

  if (size != 0) {
    HGDIOBJ previous = SelectObject(dc, result);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    DeleteObject(result);
    font.lfWidth =
        static_cast<LONG>(metrics.tmAveCharWidth * std::fabs(p.x) / std::fabs(p.y) + 0.5);
    result = CreateFontIndirectA(&font);
  }
  RestoreDC(dc, -1);
  return result;
}

HDC BeginKeyDrawing(HDC dc) {
  SelectObject(dc, CreateSizedFont(dc, "Times New Roman", 0, 0, true));
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  HDC capSource = CreateCompatibleDC(dc);
  SelectObject(capSource, Shell().keyCapPicture);
  return capSource;
}

void EndKeyDrawing(HDC dc, HDC capSource) {
  DeleteDC(capSource);
  DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
}

void DrawKeyCap(HDC dc, HDC capSource, const KeyboardOrigin& origin, int slot, bool pressed,
                int shift, const CapMark* mark) {
  const KeySlot& key = KeyMap[slot];
  const Rect cap = CapRect(origin, slot);
  const bool marked = mark != nullptr && !pressed;
  const int sourceX = marked ? kMarkedCapSourceX : CapSourceX(pressed, shift);
  if (sourceX >= 0) {
    BitBlt(dc, cap.left, cap.top, kCapWidth, kCapHeight, capSource, sourceX, 0, SRCCOPY);
  }
  SetBkMode(dc, TRANSPARENT);
  if (marked && MarkText(*mark) != nullptr) {
    HFONT small =
        CreateFontA(-9, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ label = SelectObject(dc, small);
    const Rect strip = MarkTextRect(cap);
    RECT at{strip.left, strip.top, strip.right, strip.bottom};
    DrawTextA(dc, MarkText(*mark), -1, &at, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    DeleteObject(SelectObject(dc, label));
  }
  const Rect label = LabelRect(cap);
  RECT text{label.left, label.top, label.right, label.bottom};
  DrawTextA(dc, key.label, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  const OctaveDots dots = OctaveDotBoxes(cap, key.octave);
  for (int i = 0; i < dots.count; ++i) {
    const Rect& b = dots.boxes[i];
    Ellipse(dc, b.left, b.top, b.right, b.bottom);
  }
  SetBkMode(dc, OPAQUE);
}

void DrawPedal(HDC dc, HDC capSource, const KeyboardOrigin& origin, bool down) {
  const Rect& p = origin.pedal;
  if (IsEmpty(p)) return;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, p.left, p.top, p.right - p.left, p.bottom - p.top, capSource, CapSourceX(down, 0),
             0, kCapWidth, kCapHeight, SRCCOPY);
  // The label in the system font, which holds the Chinese glyphs.
  HGDIOBJ labelFont = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  const Rect label = LabelRect(p);
  RECT text{label.left, label.top, label.right, label.bottom};
  DrawTextA(dc, kPedalLabel, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  SetBkMode(dc, OPAQUE);
  SelectObject(dc, labelFont);
}

void DrawKeyboard(HDC dc, const KeyboardOrigin& origin, const std::vector<CapMark>& marks,
                  bool pedalDown) {
  HDC capSource = BeginKeyDrawing(dc);
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (KeyMap[slot].halfColumn == -1) continue;
    DrawKeyCap(dc, capSource, origin, slot, false, 0, MarkOf(marks, slot));
  }
  DrawPedal(dc, capSource, origin, pedalDown);
  EndKeyDrawing(dc, capSource);
}

void GdiKeyCapDrawer::SetMarks(const std::vector<CapMark>& marks) {
  auto invalidate = [this](const CapMark& mark) {
    const Rect cap = CapRect(origin_, mark.slot);
    const RECT r{cap.left, cap.top, cap.right, cap.bottom};
    InvalidateRect(window_, &r, FALSE);
  };
  for (const CapMark& mark : marks_) invalidate(mark);
  marks_ = marks;
  for (const CapMark& mark : marks_) invalidate(mark);
}

}  // namespace velmira
