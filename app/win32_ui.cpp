#include "app/win32_ui.h"

#include <mmsystem.h>

#include "app/about_win32.h"
#include "app/help_win32.h"
#include "app/command_ids.h"
#include "app/menu_win32.h"

namespace velmira {

namespace {
UINT IconFlags(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Stop: return MB_ICONHAND;
    case MessageIcon::Exclamation: return MB_ICONEXCLAMATION;
    case MessageIcon::Question: return MB_ICONQUESTION;
    case MessageIcon::None: break;
  }
  return 0;
}
}  // namespace

void Win32UiEffects::CheckMenuItem(int commandId, bool checked) {
  ::CheckMenuItem(GetMenu(window_), static_cast<UINT>(commandId),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32UiEffects::Invalidate(bool erase) { InvalidateRect(window_, nullptr, erase); }

void Win32UiEffects::SetScrollPosition(int controlId, int position) {
  SetScrollPos(GetDlgItem(window_, controlId), SB_CTL, position, TRUE);
}

void Win32UiEffects::Beep(MessageIcon icon) { MessageBeep(IconFlags(icon)); }

MessageAnswer Win32UiEffects::ShowMessage(const char* text, const char* caption,
                                          MessageIcon icon, MessageButtons buttons, bool owned) {
  const UINT type = IconFlags(icon) | (buttons == MessageButtons::YesNoCancel ? MB_YESNOCANCEL : MB_OK);
  switch (MessageBoxA(owned ? window_ : nullptr, text, caption, type)) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    case IDCANCEL: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
  }
}

void Win32UiEffects::AttachMenuBar(const MenuBar& menuBar) {
  SetMenu(window_, CreateMenuBar(menuBar));
}

void Win32UiEffects::ShowHelp() { OpenHelp(); }

void Win32UiEffects::ShowAbout() { RunAboutBox(window_); }

void Win32UiEffects::SetTitle(const char* title) { SetWindowTextA(window_, title); }

void Win32UiEffects::EnableMenuItem(int commandId, bool enabled) {
  ::EnableMenuItem(GetMenu(window_), static_cast<UINT>(commandId),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Win32UiEffects::EnableButton(int buttonId, bool enabled) {
  const int slot = buttonId - CMD_RECORD_START;
  if (controls_ == nullptr || slot < 0 || slot >= 5) return;
  EnableWindow(controls_->transportButtons[slot], enabled);
}

void Win32UiEffects::DiscardPendingPlayEvents() {
  MSG message;
  while (PeekMessageA(&message, window_, MSG_PLAY_EVENT, MSG_PLAY_EVENT, PM_REMOVE)) {
  }
}

uint32_t Win32Clock::NowMs() { return timeGetTime(); }

}  // namespace velmira
