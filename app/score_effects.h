// What the 简谱 window, the score's export and the lessons ask of a shell, beside UiEffects.
#pragma once

#include <string>

#include "view/score_layout.h"

namespace velmira {

class ScoreEffects {
 public:
  virtual ~ScoreEffects() = default;
  // The 简谱 window beside the main window: shown or hidden; its title ("简谱 - " and a name, the
  // program's own text); its page changed (keepNewestInView: the last bar scrolled into view,
  // as while recording). The window asks AppController::ScorePage for what to draw.
  virtual void ShowScoreWindow(bool shown) = 0;
  virtual void SetScoreWindowTitle(const char* title) = 0;
  virtual void UpdateScoreWindow(bool keepNewestInView) = 0;
  // The page as a PDF document, where the shell makes one; false where it does not.
  virtual bool ScorePdf(const ScoreLayout& layout, std::string* bytes) = 0;
  // Text between UTF-8 (songs, scores) and the program's own text (GBK on Windows).
  virtual std::string ToUtf8(const std::string& text) = 0;
  virtual std::string FromUtf8(const std::string& utf8) = 0;
  // While a lesson follows the song: a tick about every 20 ms (AppController::OnLessonTick).
  virtual void SetLessonTick(bool running) = 0;
};

}  // namespace velmira
