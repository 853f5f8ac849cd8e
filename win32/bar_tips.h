// Tooltips that show the value of the velocity and pitch-bend bars: while the pointer rests on
// a bar, and beside the pointer while the thumb is dragged.
#pragma once

#include <windows.h>

namespace velmira {

class BarValueTips {
 public:
  void Create(HWND mainWindow, HWND velocityBar, HWND pitchBendBar);
  // After the main window has handled a bar's WM_VSCROLL: a drag shows and moves the value,
  // its end hides it.
  void OnScroll(HWND bar, int code);
  // WM_NOTIFY: the resting tip asks for a bar's text. True when the notification was ours.
  bool OnNotify(const NMHDR* header);

 private:
  HWND main_ = nullptr;
  HWND restingTip_ = nullptr;
  HWND dragTip_ = nullptr;
  bool dragShown_ = false;
  char text_[32] = "";
};

}  // namespace velmira
