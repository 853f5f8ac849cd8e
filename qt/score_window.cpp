#include "qt/score_window.h"

#include <QCloseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

#include "qt/score_painting.h"

namespace velmira {

namespace {

// The page, drawn at its own size.
class ScoreCanvas final : public QWidget {
 public:
  ScoreCanvas(AppController& app, QWidget* parent) : QWidget(parent), app_(app) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.setClipRect(event->rect());
    PaintScore(painter, app_.ScorePage(static_cast<float>(width())), 1.0, QPointF(0, 0));
  }

 private:
  AppController& app_;
};

}  // namespace

ScoreWindow::ScoreWindow(AppController& app, QWidget* owner)
    : QScrollArea(owner), app_(app), canvas_(new ScoreCanvas(app, this)) {
  setWindowFlag(Qt::Window);
  setWindowTitle(QString::fromUtf8("简谱"));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWidget(canvas_);
  setFocusPolicy(Qt::NoFocus);  // the keys stay with the instrument
  resize(720, 420);
}

void ScoreWindow::Refresh(bool keepNewestInView) {
  const float width = static_cast<float>(viewport()->width());
  const ScoreLayout& page = app_.ScorePage(width);
  canvas_->resize(viewport()->width(), static_cast<int>(std::ceil(page.height)));
  canvas_->update();
  if (keepNewestInView) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ScoreWindow::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  Refresh(false);
}

void ScoreWindow::closeEvent(QCloseEvent* event) {
  app_.OnScoreWindowClosed();
  event->accept();
}

}  // namespace velmira
