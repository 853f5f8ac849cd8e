#include "win32/ui.h"

#include <commdlg.h>
#include <mmsystem.h>

#include "commands/command_ids.h"
#include "view/window_layout.h"
#include "win32/about.h"
#include "win32/ask_text.h"
#include "win32/data_files.h"
#include "win32/menu.h"

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

MessageAnswer Win32UiEffects::ShowMessage(const char* text, const char* caption, MessageIcon icon,
                                          MessageButtons buttons, bool owned) {
  const UINT type = IconFlags(icon) | (buttons == MessageButtons::YesNoCancel
                                           ? MB_YESNOCANCEL
                                           : (buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK));
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

void Win32UiEffects::FlushPendingPlayEvents(bool deliver) {
  MSG message;
  while (PeekMessageA(&message, window_, MSG_PLAY_EVENT, MSG_PLAY_EVENT, PM_REMOVE)) {
    if (deliver) DispatchMessageA(&message);
  }
}

bool Win32UiEffects::ChooseFile(FileDialog dialog, const std::string& suggested,
                                std::string* chosen) {
  // Each filter is a description and a pattern, the list ending with an empty pair; the default
  // extension is the first filter's (the dialog takes the chosen filter's).
  static const char kPerformanceFilter[] = "QJI Files(*.QJI)\0*.qji\0\0";
  static const char kMidiFilter[] = "Midi Files(*.MID)\0*.mid\0\0";
  static const char kSongFilter[] = "简谱文本(*.TXT)\0*.txt\0\0";
  static const char kScoreFilter[] = "简谱文本(*.TXT)\0*.txt\0SVG 图(*.SVG)\0*.svg\0\0";
  const char* filter = kPerformanceFilter;
  const char* extension = "qji";
  switch (dialog) {
    case FileDialog::Open:
    case FileDialog::Save: break;
    case FileDialog::Export:
      filter = kMidiFilter;
      extension = "mid";
      break;
    case FileDialog::Song:
    case FileDialog::ScoreExport:
      filter = dialog == FileDialog::Song ? kSongFilter : kScoreFilter;
      extension = "txt";
      break;
  }
  char path[MAX_PATH] = "";
  if (suggested.size() < MAX_PATH) suggested.copy(path, suggested.size());
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = window_;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = extension;
  BOOL confirmed;
  if (dialog == FileDialog::Song) {
    ofn.Flags = OFN_FILEMUSTEXIST;
    confirmed = GetOpenFileNameA(&ofn);
  } else if (dialog == FileDialog::Open) {
    ofn.Flags = OFN_CREATEPROMPT;
    confirmed = GetOpenFileNameA(&ofn);
  } else {
    ofn.Flags = OFN_OVERWRITEPROMPT;
    confirmed = GetSaveFileNameA(&ofn);
  }
  if (!confirmed) return false;
  *chosen = path;
  return true;
}

bool Win32UiEffects::AskText(const char* caption, const char* prompt, std::string* text) {
  return AskTextBox(window_, caption, prompt, text);
}

void Win32UiEffects::SetPlayTimer(unsigned milliseconds) {
  SetTimer(window_, kPlayTimer, milliseconds, nullptr);
}

void Win32UiEffects::SetRecordingTick(bool running) {
  if (running) {
    SetTimer(window_, kRecordingTimer, kRecordingTickMs, nullptr);
  } else {
    KillTimer(window_, kRecordingTimer);
  }
}

void Win32UiEffects::InvalidateRecordingIndicator() {
  if (controls_ == nullptr) return;
  RECT client{};
  GetClientRect(window_, &client);
  const RecordingIndicatorLayout at = LayoutRecordingIndicator(
      client.right, client.bottom, controls_->cellWidth, controls_->cellHeight, client.right);
  if (!at.shown) return;
  const RECT box{at.box.left, at.box.top, at.box.right, at.box.bottom};
  InvalidateRect(window_, &box, TRUE);
}

LocalDate Win32Calendar::Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalDate{now.wYear, now.wMonth, now.wDay};
}

uint32_t Win32Clock::NowMs() { return timeGetTime(); }

}  // namespace velmira
