// Draws a score's page (view/score_layout.h) with QPainter: on the screen, into an image or a
// PDF alike, at a scale of device pixels to layout units.
#pragma once

#include <QPointF>

#include "view/score_layout.h"

class QPainter;

namespace velmira {

// The layout's (0, 0) lands on origin. Only the primitives that reach into the painter's clip
// region (when it has one) are drawn.
void PaintScore(QPainter& painter, const ScoreLayout& layout, double scale, QPointF origin);

}  // namespace velmira
