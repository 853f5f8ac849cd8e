#include "win32/score_gdi.h"

#include <cmath>
#include <string>

#include "win32/code_pages.h"

namespace velmira {

namespace {

COLORREF Colour(ScoreInk ink) {
  const Rgb c = ScoreInkColour(ink);
  return RGB(c.r, c.g, c.b);
}

// The faces, by what a text holds: the digits' face for ASCII, a Chinese face for Chinese, a
// face with symbols for the rest (the hints' arrow). The first face of each list that the
// system has is taken.
enum class Script { Latin, Chinese, Symbols, Count };

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

const wchar_t* FaceFor(HDC dc, Script script) {
  static const wchar_t* const kCandidates[][3] = {
      {L"Arial", L"Liberation Sans", L"Tahoma"},
      {L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei"},
      {L"Segoe UI Symbol", L"DejaVu Sans", L"Arial Unicode MS"}};
  static const wchar_t* chosen[static_cast<int>(Script::Count)] = {};
  const wchar_t*& face = chosen[static_cast<int>(script)];
  if (face != nullptr) return face;
  const auto& candidates = kCandidates[static_cast<int>(script)];
  face = candidates[0];
  for (const wchar_t* candidate : candidates) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, candidate, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
    if (found) {
      face = candidate;
      break;
    }
  }
  return face;
}

Script ScriptOf(const std::wstring& text) {
  Script script = Script::Latin;
  for (wchar_t c : text) {
    if (c >= 0x2E80) return Script::Chinese;
    if (c >= 0x80) script = Script::Symbols;
  }
  return script;
}

class GdiScorePainter {
 public:
  GdiScorePainter(HDC dc, POINT origin) : dc_(dc), origin_(origin) {
    saved_ = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
  }
  ~GdiScorePainter() {
    RestoreDC(dc_, saved_);
    if (font_ != nullptr) DeleteObject(font_);
    if (pen_ != nullptr) DeleteObject(pen_);
    for (HBRUSH brush : brushes_) {
      if (brush != nullptr) DeleteObject(brush);
    }
  }
  GdiScorePainter(const GdiScorePainter&) = delete;
  GdiScorePainter& operator=(const GdiScorePainter&) = delete;

  void Draw(const ScorePrimitive& p) {
    using Kind = ScorePrimitive::Kind;
    switch (p.kind) {
      case Kind::Text: Text(p); return;
      case Kind::Dot: Ellipse(p, p.size, p.size); return;
      case Kind::Oval: Ellipse(p, p.size, kOvalHeightRatio * p.size); return;
      case Kind::Line: Line(p); return;
      case Kind::Arc: Arc(p); return;
    }
  }

 private:
  int X(float x) const { return origin_.x + static_cast<int>(std::lround(x)); }
  int Y(float y) const { return origin_.y + static_cast<int>(std::lround(y)); }

  void Text(const ScorePrimitive& p) {
    const std::wstring text = Wide(p.text, CP_UTF8);
    const Script script = ScriptOf(text);
    const int height = static_cast<int>(std::lround(p.size));
    if (font_ == nullptr || height != fontHeight_ || script != fontScript_) {
      HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                               VARIABLE_PITCH | FF_SWISS, FaceFor(dc_, script));
      SelectObject(dc_, font);
      if (font_ != nullptr) DeleteObject(font_);
      font_ = font;
      fontHeight_ = height;
      fontScript_ = script;
    }
    using Align = ScorePrimitive::Align;
    const UINT align = p.align == Align::Left     ? TA_LEFT
                       : p.align == Align::Centre ? TA_CENTER
                                                  : TA_RIGHT;
    SetTextAlign(dc_, align | TA_BASELINE | TA_NOUPDATECP);
    SetTextColor(dc_, Colour(p.ink));
    TextOutW(dc_, X(p.x), Y(p.y), text.c_str(), static_cast<int>(text.size()));
  }

  HBRUSH Brush(ScoreInk ink) {
    HBRUSH& brush = brushes_[static_cast<int>(ink)];
    if (brush == nullptr) brush = CreateSolidBrush(Colour(ink));
    return brush;
  }

  // A pen of the ink's colour, its ends cut square.
  void SelectPen(ScoreInk ink, int width) {
    if (pen_ != nullptr && ink == penInk_ && width == penWidth_) return;
    LOGBRUSH brush{BS_SOLID, Colour(ink), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, width, &brush, 0, nullptr);
    SelectObject(dc_, pen);
    if (pen_ != nullptr) DeleteObject(pen_);
    pen_ = pen;
    penInk_ = ink;
    penWidth_ = width;
  }

  void Ellipse(const ScorePrimitive& p, float halfWidth, float halfHeight) {
    SelectPen(p.ink, 1);
    SelectObject(dc_, Brush(p.ink));
    ::Ellipse(dc_, X(p.x - halfWidth), Y(p.y - halfHeight), X(p.x + halfWidth) + 1,
              Y(p.y + halfHeight) + 1);
  }

  void Line(const ScorePrimitive& p) {
    SelectPen(p.ink, std::max(1, static_cast<int>(std::lround(p.size))));
    MoveToEx(dc_, X(p.x), Y(p.y), nullptr);
    LineTo(dc_, X(p.x2), Y(p.y2));
  }

  // The crescent as a path of two cubic curves (each raised from the quadratic one).
  void Arc(const ScorePrimitive& p) {
    const ScoreArcCurves c = ArcCurves(p);
    const auto cubic = [this](float x0, float y0, float qx, float qy, float x1, float y1,
                              POINT* out) {
      out[0] = {X(x0 + 2.0f / 3 * (qx - x0)), Y(y0 + 2.0f / 3 * (qy - y0))};
      out[1] = {X(x1 + 2.0f / 3 * (qx - x1)), Y(y1 + 2.0f / 3 * (qy - y1))};
      out[2] = {X(x1), Y(y1)};
    };
    POINT points[6];
    cubic(c.fromX, c.fromY, c.outerX, c.outerY, c.toX, c.toY, points);
    cubic(c.toX, c.toY, c.innerX, c.innerY, c.fromX, c.fromY, points + 3);
    SelectPen(p.ink, 1);
    SelectObject(dc_, Brush(p.ink));
    BeginPath(dc_);
    MoveToEx(dc_, X(c.fromX), Y(c.fromY), nullptr);
    PolyBezierTo(dc_, points, 6);
    CloseFigure(dc_);
    EndPath(dc_);
    StrokeAndFillPath(dc_);
  }

  HDC dc_;
  POINT origin_;
  int saved_;
  HFONT font_ = nullptr;
  int fontHeight_ = 0;
  Script fontScript_ = Script::Latin;
  HPEN pen_ = nullptr;
  ScoreInk penInk_ = ScoreInk::Normal;
  int penWidth_ = 0;
  HBRUSH brushes_[3] = {};
};

}  // namespace

void DrawScore(HDC dc, const ScoreLayout& layout, POINT origin) {
  RECT clip{};
  const int region = GetClipBox(dc, &clip);
  if (region == NULLREGION) return;
  const bool whole = region == ERROR;
  const float top = static_cast<float>(clip.top - origin.y);
  const float bottom = static_cast<float>(clip.bottom - origin.y);
  GdiScorePainter painter(dc, origin);
  for (const ScorePrimitive& p : layout.primitives) {
    const ScoreBand band = BandOf(p);
    if (whole || (band.bottom >= top && band.top <= bottom)) painter.Draw(p);
  }
}

}  // namespace velmira
