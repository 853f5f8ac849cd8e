// The 简谱 window of the Linux program: a window of its own beside the instrument that draws the
// page the controller lays out for its width, scrolling, and keeps the newest bar in view while
// recording. Closing it unticks 显示简谱.
#pragma once

#include <QScrollArea>

#include "app/app_controller.h"

namespace velmira {

class ScoreWindow final : public QScrollArea {
 public:
  ScoreWindow(AppController& app, QWidget* owner);
  // The page changed: laid out again for the width, drawn, scrolled to its end if asked.
  void Refresh(bool keepNewestInView);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  AppController& app_;
  QWidget* canvas_;
};

}  // namespace velmira
