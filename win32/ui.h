// The user-interface effects, the clock and the calendar, carried out with Win32 calls.
#pragma once

#include <windows.h>

#include "engine/clock.h"
#include "engine/ui_effects.h"
#include "win32/main_window.h"

namespace velmira {

class Win32UiEffects final : public UiEffects {
 public:
  void SetWindow(HWND window) { window_ = window; }
  void SetControls(const MainWindowControls* controls) { controls_ = controls; }

  void CheckMenuItem(int commandId, bool checked) override;
  void Invalidate(bool erase) override;
  void SetScrollPosition(int controlId, int position) override;
  void Beep(MessageIcon icon) override;
  MessageAnswer ShowMessage(const char* text, const char* caption, MessageIcon icon,
                            MessageButtons buttons, bool owned) override;
  void AttachMenuBar(const MenuBar& menuBar) override;
  void ShowHelp() override;
  void ShowAbout() override;
  void SetTitle(const char* title) override;
  void EnableMenuItem(int commandId, bool enabled) override;
  void EnableButton(int buttonId, bool enabled) override;
  void FlushPendingPlayEvents(bool deliver) override;
  bool ChooseFile(FileDialog dialog, const std::string& suggested, std::string* chosen) override;
  bool AskText(const char* caption, const char* prompt, std::string* text) override;
  void SetPlayTimer(unsigned milliseconds) override;
  void SetRecordingTick(bool running) override;
  void InvalidateRecordingIndicator() override;

 private:
  HWND window_ = nullptr;
  const MainWindowControls* controls_ = nullptr;
};

class Win32Clock final : public Clock {
 public:
  uint32_t NowMs() override;
};

class Win32Calendar final : public Calendar {
 public:
  LocalDate Today() override;
};

}  // namespace velmira
