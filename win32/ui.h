// The user-interface effects, the modifier keys and the clock, carried out with Win32 calls.
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
  bool ChooseFile(FileDialog dialog, char* path, char* title) override;
  void SetPlayTimer(unsigned milliseconds) override;
  void SetRecordingTick(bool running) override;
  void InvalidateRecordingIndicator() override;

 private:
  HWND window_ = nullptr;
  const MainWindowControls* controls_ = nullptr;
};

// The modifiers as they were when the key message being handled was generated: a busy window
// thread must not see a Shift that was released after the key was struck.
class Win32ModifierKeys final : public ModifierKeys {
 public:
  bool ShiftDown() override { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }
  bool CtrlDown() override { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }
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
