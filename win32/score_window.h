// The 简谱 window of the Windows program, a window of its own beside the instrument (owned by
// the main window) that draws the page the controller lays out for its width, scrolling, and
// keeps the newest bar in view while recording. Closing it unticks 显示简谱. The keys struck
// while it is active go on to the main window. Also the rest of what the score asks of the
// shell: text between GBK and UTF-8, and the lesson's tick.
#pragma once

#include <windows.h>

#include <string>

#include "app/score_effects.h"

namespace velmira {

class AppController;

// The main window's timer that ticks while a lesson follows the song.
constexpr UINT_PTR kLessonTimer = 3;

class Win32ScoreWindow final : public ScoreEffects {
 public:
  ~Win32ScoreWindow() override;
  void Attach(HWND owner, AppController* app) {
    owner_ = owner;
    app_ = app;
  }

  void ShowScoreWindow(bool shown) override;
  void SetScoreWindowTitle(const char* title) override;
  void UpdateScoreWindow(bool keepNewestInView) override;
  // The Windows program writes no PDF: its SVG prints from any browser.
  bool ScorePdf(const ScoreLayout&, std::string*) override { return false; }
  std::string ToUtf8(const std::string& text) override;
  std::string FromUtf8(const std::string& utf8) override;
  void SetLessonTick(bool running) override;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool Create();
  void Paint();
  // The page laid out for the client's width; the scroll bar over its height, the view at top.
  void Refresh(int top);
  void ScrollTo(int top);

  HWND owner_ = nullptr;
  AppController* app_ = nullptr;
  HWND window_ = nullptr;
  std::string title_ = "简谱";
  int top_ = 0;  // the page's y at the top of the client area
  int pageHeight_ = 0;
};

}  // namespace velmira
