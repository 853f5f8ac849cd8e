#include "win32/paint_gdi.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "view/window_layout.h"
#include "view/window_texts.h"
#include "win32/keyboard_gdi.h"
#include "win32/shell_resources.h"

namespace velmira {

void MeasureCell(HWND window, MainWindowControls& controls) {
  HDC dc = GetDC(window);
  SIZE size{};
  GetTextExtentPointA(dc, "M", 1, &size);
  ReleaseDC(window, dc);
  controls.cellWidth = size.cx;
  controls.cellHeight = size.cy;
}

void LayoutMainWindow(HWND window, int width, int height, const MainWindowControls& controls,
                      ClientSize& size, KeyboardOrigin& origin) {
  size.width = width;
  size.height = height;
  origin = LayoutKeyboard(width, height, controls.cellHeight);
  const ControlLayout layout =
      LayoutControls(width, height, controls.cellWidth, controls.cellHeight);
  for (const ControlPlacement& c : layout.controls) {
    MoveWindow(GetDlgItem(window, c.id), c.left, c.top, c.width, c.height, TRUE);
  }
}

namespace {
void Text(HDC dc, Point at, const char* text) {
  TextOutA(dc, at.x, at.y, text, static_cast<int>(std::strlen(text)));
}

// The text on the background, clipped to the box, then the dot.
void DrawRecordingIndicator(HDC dc, const RecordingIndicatorLayout& at,
                            const IndicatorState& indicator) {
  const RECT box{at.box.left, at.box.top, at.box.right, at.box.bottom};
  ExtTextOutA(dc, at.text.x, at.text.y, ETO_OPAQUE | ETO_CLIPPED, &box, indicator.text.c_str(),
              static_cast<UINT>(indicator.text.size()), nullptr);
  const Rgb colour = DotColour(indicator.dot);
  HBRUSH brush = CreateSolidBrush(RGB(colour.r, colour.g, colour.b));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(colour.r, colour.g, colour.b));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Ellipse(dc, at.dot.left, at.dot.top, at.dot.right, at.dot.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}
}  // namespace

void PaintMainWindow(HWND window, const PlayerState& state, MidiOutputService& midi,
                     const MainWindowControls& controls, const ClientSize& size,
                     const KeyboardOrigin& origin, const std::vector<CapMark>& marks,
                     bool pedalDown, const IndicatorState& indicator) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  DrawKeyboard(dc, origin, marks, pedalDown);

  SetTextColor(dc, RGB(255, 0, 0));
  SetBkColor(dc, Shell().BackgroundColour);
  RECT client{};
  GetClientRect(window, &client);
  const PaintLayout at = LayoutPaint(size.width, size.height, controls.cellWidth,
                                     controls.cellHeight, client.right - client.left);

  for (const TextRun& run : MainWindowTexts(at, state, midi)) Text(dc, run.at, run.text.c_str());

  HDC pictures = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(pictures, Shell().instrumentPictures);
  const int cell = InstrumentPictureIndex(state.channel, state.program);
  BitBlt(dc, at.picture.x, at.picture.y, kPictureWidth, kPictureHeight, pictures,
         kPictureWidth * cell, 0, SRCCOPY);
  SelectObject(pictures, previous);
  DeleteDC(pictures);

  if (!indicator.text.empty() && at.recording.shown) {
    DrawRecordingIndicator(dc, at.recording, indicator);
  }
  EndPaint(window, &paint);
}

}  // namespace velmira
