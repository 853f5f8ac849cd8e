// The score's page as primitives: the marks of one bar, the wrap into lines, the SVG.
#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "view/score_layout.h"
#include "view/score_svg.h"

namespace velmira {
namespace {

using Kind = ScorePrimitive::Kind;
constexpr float kDigit = 20;

// Appends items one after the other to the score's last bar.
struct Bars {
  Score score;
  Bars& Bar(int length = 16) {
    score.bars.push_back(ScoreBar{length, {}});
    return *this;
  }
  Bars& Item(int length, std::vector<Pitch> pitches, bool tied = false) {
    ScoreBar& bar = score.bars.back();
    const int start = bar.items.empty() ? 0 : bar.items.back().start + bar.items.back().length;
    ScoreItem item;
    item.pitches = std::move(pitches);
    item.start = start;
    item.length = length;
    item.tiedToNext = tied;
    bar.items.push_back(item);
    return *this;
  }
};

Pitch P(int degree, int octave = 0, int accidental = 0) {
  return Pitch{static_cast<int8_t>(degree), static_cast<int8_t>(accidental),
               static_cast<int8_t>(octave)};
}

std::vector<ScorePrimitive> OfKind(const ScoreLayout& layout, Kind kind) {
  std::vector<ScorePrimitive> found;
  for (const ScorePrimitive& p : layout.primitives) {
    if (p.kind == kind) found.push_back(p);
  }
  return found;
}

// The digits of the bars (not of the head), in the order drawn.
std::vector<ScorePrimitive> Digits(const ScoreLayout& layout) {
  std::vector<ScorePrimitive> digits;
  for (const ScorePrimitive& p : OfKind(layout, Kind::Text)) {
    if (p.size == kDigit) digits.push_back(p);
  }
  return digits;
}

// An 8/4 bar: 1' 5, | b3 2 6, 7 | 4· 5 | 0 | (1 3 5) | 2 - ⌒ and a last bar 2.
TEST(ScoreLayout, OneBarWithEveryMark) {
  Bars b;
  b.score.numerator = 8;
  b.Bar(32).Item(2, {P(1, 1)}).Item(2, {P(5, -1)});
  b.Item(1, {P(3, 0, -1)}).Item(1, {P(2)}).Item(1, {P(6, -1)}).Item(1, {P(7)});
  b.Item(6, {P(4)}).Item(2, {P(5)}).Item(4, {}).Item(4, {P(1), P(3), P(5)});
  b.Item(8, {P(2)}, true).Bar(4).Item(4, {P(2)});
  ScoreLayoutOptions options;
  options.width = 2000;
  options.digitSize = kDigit;
  const ScoreLayout layout = LayoutScore(b.score, options);

  const std::vector<ScorePrimitive> d = Digits(layout);
  std::string texts;
  for (const ScorePrimitive& p : d) texts += p.text;
  ASSERT_EQ(texts, "15326745013522");
  const float base = d[0].y;
  // The chord: one column, lowest at the bottom.
  EXPECT_EQ(d[9].x, d[11].x);
  EXPECT_GT(d[9].y, d[10].y);
  EXPECT_GT(d[10].y, d[11].y);

  // Underlines: the eighths' line ends before the sixteenths' begins (a beat apart); the
  // sixteenths share two lines; the eighth after the dotted quarter has its own.
  std::vector<ScorePrimitive> first, second;
  for (const ScorePrimitive& p : OfKind(layout, Kind::Line)) {
    if (p.y == p.y2 && p.y > base)
      (first.empty() || p.y == first[0].y ? first : second).push_back(p);
  }
  ASSERT_EQ(first.size(), 3u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_LT(first[0].x, d[0].x);
  EXPECT_GT(first[0].x2, d[1].x);
  EXPECT_LT(first[0].x2, first[1].x);
  EXPECT_LT(first[1].x, d[2].x);
  EXPECT_GT(first[1].x2, d[5].x);
  EXPECT_EQ(second[0].x, first[1].x);
  EXPECT_EQ(second[0].x2, first[1].x2);
  EXPECT_LT(first[2].x, d[7].x);
  EXPECT_GT(first[2].x2, d[7].x);
  EXPECT_LT(first[2].x, first[2].x2);
  EXPECT_GT(first[2].x, d[6].x);

  // Octave dots: above the 1, below the 5 and the 6 under their underlines; the dotted
  // quarter's dot right of its digit at mid height.
  int above = 0, belowFive = 0, belowSix = 0, augmentation = 0;
  for (const ScorePrimitive& dot : OfKind(layout, Kind::Dot)) {
    if (dot.x == d[0].x && dot.y < base - 0.7f * kDigit) ++above;
    if (dot.x == d[1].x && dot.y > first[0].y + dot.size) ++belowFive;
    if (dot.x == d[4].x && dot.y > second[0].y + dot.size) ++belowSix;
    if (dot.x > d[6].x && dot.x < d[7].x && dot.y < base && dot.y > base - 0.5f * kDigit) {
      ++augmentation;
    }
  }
  EXPECT_EQ(above, 1);
  EXPECT_EQ(belowFive, 1);
  EXPECT_EQ(belowSix, 1);
  EXPECT_EQ(augmentation, 1);

  // The flat: smaller, raised, ending before its digit.
  const auto flat = std::find_if(layout.primitives.begin(), layout.primitives.end(),
                                 [](const ScorePrimitive& p) { return p.text == "b"; });
  ASSERT_NE(flat, layout.primitives.end());
  EXPECT_LT(flat->size, kDigit);
  EXPECT_LT(flat->y, base);
  EXPECT_EQ(flat->align, ScorePrimitive::Align::Right);
  EXPECT_LT(flat->x, d[2].x);
  EXPECT_GT(flat->x, d[1].x);

  // The dash: at mid height after the 2; then the bar line, the tie over it ending over the
  // next bar's 2, and the double bar (thin, then thick) after it.
  std::vector<ScorePrimitive> dashes, barLines;
  for (const ScorePrimitive& p : OfKind(layout, Kind::Line)) {
    if (p.y == p.y2 && p.y < base && p.x > d[12].x) dashes.push_back(p);
    if (p.x == p.x2 && p.y2 > base) barLines.push_back(p);
  }
  ASSERT_EQ(dashes.size(), 1u);
  EXPECT_LT(dashes[0].x2, d[13].x);
  ASSERT_EQ(barLines.size(), 3u);
  EXPECT_GT(barLines[0].x, dashes[0].x2);
  EXPECT_LT(barLines[0].x, d[13].x);
  EXPECT_GT(barLines[1].x, d[13].x);
  EXPECT_LT(barLines[1].size, barLines[2].size);
  EXPECT_LT(barLines[1].x, barLines[2].x);
  const std::vector<ScorePrimitive> arcs = OfKind(layout, Kind::Arc);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(arcs[0].x, d[12].x, 0.3f * kDigit);
  EXPECT_NEAR(arcs[0].x2, d[13].x, 0.3f * kDigit);
  EXPECT_LT(arcs[0].y, base - 0.72f * kDigit);
}

// Fourteen bars of quarters, the tenth tied into the eleventh.
Score Quarters(int bars) {
  Bars b;
  for (int i = 0; i < bars; ++i) {
    b.Bar().Item(4, {P(1)}).Item(4, {P(2)}).Item(4, {P(3)}).Item(4, {P(5)}, i == 9);
  }
  return b.score;
}

TEST(ScoreLayout, BarsWrapIntoFullLinesWithinTheWidth) {
  ScoreLayoutOptions options;
  options.width = 420;
  options.digitSize = kDigit;
  const Score score = Quarters(14);
  const ScoreLayout layout = LayoutScore(score, options);
  for (const ScorePrimitive& p : layout.primitives) {
    EXPECT_GE(std::min(p.x, p.kind == Kind::Line || p.kind == Kind::Arc ? p.x2 : p.x), 0);
    EXPECT_LE(std::max(p.x, p.x2), options.width);
  }
  // Equal bars: every line but the last holds as many, the last no more.
  ASSERT_EQ(layout.barBottoms.size(), 14u);
  std::vector<int> perLine{1};
  for (size_t i = 1; i < 14; ++i) {
    EXPECT_GE(layout.barBottoms[i], layout.barBottoms[i - 1]);
    if (layout.barBottoms[i] == layout.barBottoms[i - 1]) {
      ++perLine.back();
    } else {
      perLine.push_back(1);
    }
  }
  ASSERT_GE(perLine.size(), 3u);
  for (size_t i = 1; i + 1 < perLine.size(); ++i) EXPECT_EQ(perLine[i], perLine[0]);
  EXPECT_LE(perLine.back(), perLine[0]);
  EXPECT_EQ(layout.lines.size(), perLine.size());

  // Printed on pages two and a half lines high: each page after the first starts at a line,
  // and each holds as many whole lines as fit.
  const float pageHeight = 2.5f * (layout.lines[2].top - layout.lines[1].top);
  const std::vector<float> tops = PageTops(layout, pageHeight);
  ASSERT_GE(tops.size(), 2u);
  EXPECT_EQ(tops[0], 0);
  for (size_t page = 1; page <= tops.size(); ++page) {
    const float end = page < tops.size() ? tops[page] : layout.height;
    EXPECT_LE(end - tops[page - 1], pageHeight) << "page " << page;
    if (page == tops.size()) break;
    const auto line = std::find_if(layout.lines.begin(), layout.lines.end(),
                                   [&](const auto& l) { return l.top == tops[page]; });
    ASSERT_NE(line, layout.lines.end()) << "page " << page + 1 << " starts at a line";
    const float next = line + 1 != layout.lines.end() ? (line + 1)->top : layout.height;
    EXPECT_GT(next - tops[page - 1], pageHeight) << "its first line would have fit before";
  }

  // The tie from bar 10 to bar 11 across a line break: to the line's end, from the next
  // line's start to its first note.
  std::vector<ScorePrimitive> arcs = OfKind(layout, Kind::Arc);
  const std::vector<ScorePrimitive> d = Digits(layout);
  ASSERT_EQ(10 % perLine[0], 0) << "bar 11 starts a line";
  ASSERT_EQ(arcs.size(), 2u);
  EXPECT_NEAR(arcs[0].x, d[39].x, 0.3f * kDigit);
  EXPECT_GT(arcs[0].x2, options.width - kDigit);
  EXPECT_LT(arcs[1].x, kDigit);
  EXPECT_NEAR(arcs[1].x2, d[40].x, 0.3f * kDigit);
  EXPECT_GT(arcs[1].y, arcs[0].y);

  // Laid out again from a changed bar, bar by bar as while recording: the same page.
  ScoreLayout live = LayoutScore(Quarters(1), options);
  for (int bars = 2; bars <= 14; ++bars) RelayoutScoreFrom(live, Quarters(bars), options, bars - 1);
  ASSERT_EQ(live.primitives.size(), layout.primitives.size());
  for (size_t i = 0; i < live.primitives.size(); ++i) {
    const ScorePrimitive& a = live.primitives[i];
    const ScorePrimitive& e = layout.primitives[i];
    EXPECT_TRUE(a.kind == e.kind && a.x == e.x && a.y == e.y && a.x2 == e.x2 && a.y2 == e.y2 &&
                a.size == e.size && a.text == e.text)
        << "primitive " << i;
  }
  EXPECT_EQ(live.barBottoms, layout.barBottoms);
  EXPECT_EQ(live.height, layout.height);
}

// Reads the SVG back with expat: each element that draws, its name, first two numbers and text.
struct Element {
  std::string name;
  float a = 0, b = 0;
  std::string text;
};
struct Svg {
  std::vector<Element> elements;
  bool inText = false;
};

void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* svg = static_cast<Svg*>(data);
  const std::string n = name;
  if (n == "svg" || n == "g" || n == "rect") return;
  svg->inText = n == "text";
  Element e;
  e.name = n;
  for (int i = 0; attributes[i] != nullptr; i += 2) {
    const std::string key = attributes[i];
    if (key == "x" || key == "cx" || key == "x1") e.a = std::strtof(attributes[i + 1], nullptr);
    if (key == "y" || key == "cy" || key == "y1") e.b = std::strtof(attributes[i + 1], nullptr);
    if (key == "d") e.text = attributes[i + 1];
  }
  svg->elements.push_back(e);
}

void XMLCALL End(void* data, const XML_Char*) { static_cast<Svg*>(data)->inText = false; }

void XMLCALL Characters(void* data, const XML_Char* text, int length) {
  auto* svg = static_cast<Svg*>(data);
  if (svg->inText) svg->elements.back().text.append(text, length);
}

TEST(ScoreSvg, HoldsEachPrimitive) {
  Score score = Quarters(3);
  score.title = "A & B <\xE6\xAC\xA2>";  // "欢" in UTF-8
  score.estimated = true;
  score.bars[0].items[1].pitches = {P(7, -1, -1), P(2, 1)};
  score.bars[1].items[0].length = 6;
  score.bars[1].items[1].pitches.clear();  // an eighth rest
  score.bars[1].items[1].start = 6;
  score.bars[1].items[1].length = 2;
  ScoreLayoutOptions options;
  options.width = 300;
  options.marked = {0, 1};
  const ScoreLayout layout = LayoutScore(score, options);
  const std::string svg = ScoreSvg(layout);

  Svg read;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &read);
  XML_SetElementHandler(parser, Start, End);
  XML_SetCharacterDataHandler(parser, Characters);
  const bool parsed = XML_Parse(parser, svg.data(), static_cast<int>(svg.size()), 1) != 0;
  XML_ParserFree(parser);
  ASSERT_TRUE(parsed) << svg;

  const std::vector<Element>& elements = read.elements;
  const char* names[] = {"text", "circle", "line", "path", "ellipse"};
  ASSERT_EQ(elements.size(), layout.primitives.size());
  for (size_t i = 0; i < elements.size(); ++i) {
    const ScorePrimitive& p = layout.primitives[i];
    EXPECT_EQ(elements[i].name, names[static_cast<int>(p.kind)]) << i;
    if (p.kind == Kind::Text) {
      EXPECT_EQ(elements[i].text, p.text) << i;
    }
    if (p.kind == Kind::Arc) {
      EXPECT_EQ(elements[i].text.front(), 'M');
    } else {
      EXPECT_NEAR(elements[i].a, p.x, 0.01f) << i;
      EXPECT_NEAR(elements[i].b, p.y, 0.01f) << i;
    }
  }
  EXPECT_NE(svg.find("fill=\"#e67300\""), std::string::npos) << "the marked item's colour";
  EXPECT_NE(svg.find("\xE2\x89\x88"), std::string::npos) << "the estimated tempo's sign";
}

}  // namespace
}  // namespace velmira
