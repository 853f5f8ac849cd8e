#include "view/score_metrics.h"

#include <utility>

namespace velmira {

float EstimatedTextWidth(const std::string& text, float size) {
  float width = 0;
  for (unsigned char c : text) {
    if (c < 0x80) {
      width += 0.56f * size;
    } else if (c >= 0xC0) {  // the first byte of a character beyond ASCII
      width += size;
    }
  }
  return width;
}

void AddText(std::vector<ScorePrimitive>& out, float x, float baseline, float size,
             std::string text, ScorePrimitive::Align align, ScoreInk ink) {
  ScorePrimitive p;
  p.kind = ScorePrimitive::Kind::Text;
  p.x = x;
  p.y = baseline;
  p.size = size;
  p.text = std::move(text);
  p.align = align;
  p.ink = ink;
  out.push_back(std::move(p));
}

void AddDot(std::vector<ScorePrimitive>& out, float x, float y, float radius, ScoreInk ink) {
  ScorePrimitive p;
  p.kind = ScorePrimitive::Kind::Dot;
  p.x = x;
  p.y = y;
  p.size = radius;
  p.ink = ink;
  out.push_back(std::move(p));
}

void AddLine(std::vector<ScorePrimitive>& out, float x, float y, float x2, float y2,
             float thickness, ScoreInk ink) {
  ScorePrimitive p;
  p.kind = ScorePrimitive::Kind::Line;
  p.x = x;
  p.y = y;
  p.x2 = x2;
  p.y2 = y2;
  p.size = thickness;
  p.ink = ink;
  out.push_back(std::move(p));
}

void AddArc(std::vector<ScorePrimitive>& out, float x, float y, float x2, float y2, float bow) {
  ScorePrimitive p;
  p.kind = ScorePrimitive::Kind::Arc;
  p.x = x;
  p.y = y;
  p.x2 = x2;
  p.y2 = y2;
  p.size = bow;
  out.push_back(std::move(p));
}

void AddOval(std::vector<ScorePrimitive>& out, float x, float y, float halfWidth) {
  ScorePrimitive p;
  p.kind = ScorePrimitive::Kind::Oval;
  p.x = x;
  p.y = y;
  p.size = halfWidth;
  out.push_back(std::move(p));
}

}  // namespace velmira
