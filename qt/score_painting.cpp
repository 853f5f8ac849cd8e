#include "qt/score_painting.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>

#include <optional>

namespace velmira {

namespace {

QColor Colour(ScoreInk ink) {
  const Rgb c = ScoreInkColour(ink);
  return QColor(c.r, c.g, c.b);
}

// The digits' face; Qt falls back to a face that has the character for Chinese and arrows.
QFont ScoreFont() {
  QFont font;
  font.setFamilies({"Arial", "Liberation Sans", "Helvetica", "DejaVu Sans"});
  font.setStyleHint(QFont::SansSerif);
  return font;
}

class ScorePainter {
 public:
  ScorePainter(QPainter& painter, double scale, QPointF origin)
      : painter_(painter), scale_(scale), origin_(origin), font_(ScoreFont()) {}

  void Draw(const ScorePrimitive& p) {
    using Kind = ScorePrimitive::Kind;
    const QColor colour = Colour(p.ink);
    switch (p.kind) {
      case Kind::Text: Text(p, colour); return;
      case Kind::Dot:
        Fill(colour).drawEllipse(At(p.x, p.y), p.size * scale_, p.size * scale_);
        return;
      case Kind::Oval:
        Fill(colour).drawEllipse(At(p.x, p.y), p.size * scale_, kOvalHeightRatio * p.size * scale_);
        return;
      case Kind::Line:
        painter_.setPen(QPen(colour, p.size * scale_, Qt::SolidLine, Qt::FlatCap));
        painter_.drawLine(At(p.x, p.y), At(p.x2, p.y2));
        return;
      case Kind::Arc: Arc(p, colour); return;
    }
  }

 private:
  QPointF At(float x, float y) const { return origin_ + QPointF(x * scale_, y * scale_); }

  QPainter& Fill(const QColor& colour) {
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(colour);
    return painter_;
  }

  void Text(const ScorePrimitive& p, const QColor& colour) {
    if (p.size != fontSize_) {
      // The font height is in device pixels; Qt sizes fonts in points of the device.
      const double dpi = painter_.device()->logicalDpiY();
      font_.setPointSizeF(p.size * scale_ * 72.0 / dpi);
      painter_.setFont(font_);
      metrics_.emplace(painter_.font(), painter_.device());
      fontSize_ = p.size;
    }
    const QString text = QString::fromUtf8(p.text.data(), static_cast<qsizetype>(p.text.size()));
    QPointF at = At(p.x, p.y);
    if (p.align != ScorePrimitive::Align::Left) {
      const double width = metrics_->horizontalAdvance(text);
      at.rx() -= p.align == ScorePrimitive::Align::Centre ? width / 2 : width;
    }
    painter_.setPen(colour);
    painter_.drawText(at, text);
  }

  void Arc(const ScorePrimitive& p, const QColor& colour) {
    const ScoreArcCurves c = ArcCurves(p);
    QPainterPath path(At(c.fromX, c.fromY));
    path.quadTo(At(c.outerX, c.outerY), At(c.toX, c.toY));
    path.quadTo(At(c.innerX, c.innerY), At(c.fromX, c.fromY));
    Fill(colour).drawPath(path);
  }

  QPainter& painter_;
  double scale_;
  QPointF origin_;
  QFont font_;
  float fontSize_ = -1;
  std::optional<QFontMetricsF> metrics_;  // of the font at fontSize_
};

}  // namespace

void PaintScore(QPainter& painter, const ScoreLayout& layout, double scale, QPointF origin) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  double top = -1e30, bottom = 1e30;
  if (painter.hasClipping()) {
    const QRectF clip = painter.clipBoundingRect();
    top = (clip.top() - origin.y()) / scale;
    bottom = (clip.bottom() - origin.y()) / scale;
  }
  ScorePainter draw(painter, scale, origin);
  for (const ScorePrimitive& p : layout.primitives) {
    const ScoreBand band = BandOf(p);
    if (band.bottom >= top && band.top <= bottom) draw.Draw(p);
  }
  painter.restore();
}

}  // namespace velmira
