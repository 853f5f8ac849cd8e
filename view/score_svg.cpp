#include "view/score_svg.h"

#include <charconv>
#include <cstdio>

namespace velmira {

namespace {

// The digits' face first, then faces that hold Chinese and the key hints' arrow.
constexpr const char* kFonts =
    "Arial, 'Liberation Sans', Helvetica, 'Microsoft YaHei', 'WenQuanYi Micro Hei', "
    "'Noto Sans CJK SC', 'DejaVu Sans', sans-serif";

class SvgWriter {
 public:
  explicit SvgWriter(std::string& out) : out_(out) {}

  SvgWriter& Raw(const char* text) {
    out_ += text;
    return *this;
  }
  // A number to a hundredth of a unit without trailing zeros, whatever the C locale's decimal
  // point (the Qt program takes the user's locale).
  SvgWriter& Value(float value) {
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    char* end = result.ptr;
    while (end[-1] == '0') --end;
    if (end[-1] == '.') --end;
    out_.append(buffer, end);
    return *this;
  }
  // name="number"
  SvgWriter& Number(const char* name, float value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    Value(value);
    out_ += '"';
    return *this;
  }
  SvgWriter& Colour(const char* name, ScoreInk ink) {
    const Rgb c = ScoreInkColour(ink);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", c.r, c.g, c.b);
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    out_ += buffer;
    out_ += '"';
    return *this;
  }
  // Text content: the markup characters escaped, control characters (not allowed in XML) left
  // out.
  SvgWriter& Escaped(const std::string& text) {
    for (char c : text) {
      switch (c) {
        case '&': out_ += "&amp;"; break;
        case '<': out_ += "&lt;"; break;
        case '>': out_ += "&gt;"; break;
        default:
          if (static_cast<unsigned char>(c) >= 0x20) out_ += c;
      }
    }
    return *this;
  }

 private:
  std::string& out_;
};

void WriteText(SvgWriter& svg, const ScorePrimitive& p) {
  using Align = ScorePrimitive::Align;
  svg.Raw("<text").Number("x", p.x).Number("y", p.y).Number("font-size", p.size);
  if (p.align != Align::Left) {
    svg.Raw(p.align == Align::Centre ? " text-anchor=\"middle\"" : " text-anchor=\"end\"");
  }
  if (p.ink != ScoreInk::Normal) svg.Colour("fill", p.ink);
  svg.Raw(">").Escaped(p.text).Raw("</text>\n");
}

void WriteArc(SvgWriter& svg, const ScorePrimitive& p) {
  const ScoreArcCurves c = ArcCurves(p);
  svg.Raw("<path d=\"M").Value(c.fromX).Raw(" ").Value(c.fromY);
  svg.Raw("Q").Value(c.outerX).Raw(" ").Value(c.outerY).Raw(" ").Value(c.toX).Raw(" ").Value(c.toY);
  svg.Raw("Q").Value(c.innerX).Raw(" ").Value(c.innerY).Raw(" ").Value(c.fromX).Raw(" ");
  svg.Value(c.fromY).Raw("Z\"");
  if (p.ink != ScoreInk::Normal) svg.Colour("fill", p.ink);
  svg.Raw("/>\n");
}

void WritePrimitive(SvgWriter& svg, const ScorePrimitive& p) {
  using Kind = ScorePrimitive::Kind;
  switch (p.kind) {
    case Kind::Text: WriteText(svg, p); return;
    case Kind::Arc: WriteArc(svg, p); return;
    case Kind::Dot:
      svg.Raw("<circle").Number("cx", p.x).Number("cy", p.y).Number("r", p.size);
      break;
    case Kind::Oval:
      svg.Raw("<ellipse").Number("cx", p.x).Number("cy", p.y).Number("rx", p.size);
      svg.Number("ry", kOvalHeightRatio * p.size);
      break;
    case Kind::Line:
      svg.Raw("<line").Number("x1", p.x).Number("y1", p.y).Number("x2", p.x2).Number("y2", p.y2);
      svg.Number("stroke-width", p.size).Colour("stroke", p.ink).Raw("/>\n");
      return;
  }
  if (p.ink != ScoreInk::Normal) svg.Colour("fill", p.ink);
  svg.Raw("/>\n");
}

}  // namespace

std::string ScoreSvg(const ScoreLayout& layout) {
  std::string out;
  out.reserve(128 + 80 * layout.primitives.size());
  SvgWriter svg(out);
  svg.Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")
      .Raw("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"")
      .Number("width", layout.width)
      .Number("height", layout.height);
  svg.Raw(" viewBox=\"0 0 ").Value(layout.width).Raw(" ").Value(layout.height).Raw("\">\n");
  svg.Raw("<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n");
  svg.Raw("<g font-family=\"").Raw(kFonts).Raw("\" fill=\"#000000\">\n");
  for (const ScorePrimitive& p : layout.primitives) WritePrimitive(svg, p);
  svg.Raw("</g>\n</svg>\n");
  return out;
}

}  // namespace velmira
