#include "win32/bar_tips.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "view/bar_value.h"
#include "win32/shell_resources.h"

namespace velmira {

namespace {
constexpr UINT_PTR kDragTool = 1;

HWND CreateTip(HWND owner) {
  return CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, Shell().instance, nullptr);
}

// The tool description; the version 2 size is understood by every common-controls version.
TOOLINFOA Tool(HWND owner, UINT flags, UINT_PTR id, char* text) {
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = flags;
  tool.hwnd = owner;
  tool.uId = id;
  tool.lpszText = text;
  return tool;
}

std::string TextOf(HWND bar) { return BarValueText(GetDlgCtrlID(bar), GetScrollPos(bar, SB_CTL)); }
}  // namespace

void BarValueTips::Create(HWND mainWindow, HWND velocityBar, HWND pitchBendBar) {
  main_ = mainWindow;
  restingTip_ = CreateTip(mainWindow);
  dragTip_ = CreateTip(mainWindow);
  for (HWND bar : {velocityBar, pitchBendBar}) {
    TOOLINFOA tool = Tool(mainWindow, TTF_IDISHWND | TTF_SUBCLASS, reinterpret_cast<UINT_PTR>(bar),
                          LPSTR_TEXTCALLBACKA);
    SendMessageA(restingTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  TOOLINFOA drag = Tool(mainWindow, TTF_TRACK | TTF_ABSOLUTE, kDragTool, text_);
  SendMessageA(dragTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&drag));
}

void BarValueTips::OnScroll(HWND bar, int code) {
  if (dragTip_ == nullptr) return;
  TOOLINFOA drag = Tool(main_, TTF_TRACK | TTF_ABSOLUTE, kDragTool, text_);
  if (code != SB_THUMBTRACK) {
    if (dragShown_ && (code == SB_THUMBPOSITION || code == SB_ENDSCROLL)) {
      SendMessageA(dragTip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&drag));
      dragShown_ = false;
    }
    return;
  }
  std::snprintf(text_, sizeof text_, "%s", TextOf(bar).c_str());
  SendMessageA(dragTip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&drag));
  if (!dragShown_) {
    SendMessageA(restingTip_, TTM_POP, 0, 0);
    SendMessageA(dragTip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&drag));
    dragShown_ = true;
  }
  // Beside the bar at the pointer's height: right of it, or left where the screen ends.
  const LRESULT size =
      SendMessageA(dragTip_, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&drag));
  const int width = LOWORD(size), height = HIWORD(size);
  RECT barRect{};
  GetWindowRect(bar, &barRect);
  POINT pointer{};
  GetCursorPos(&pointer);
  int x = barRect.right + 4;
  if (x + width > GetSystemMetrics(SM_CXSCREEN)) x = barRect.left - 4 - width;
  const int y = pointer.y - height / 2;
  SendMessageA(dragTip_, TTM_TRACKPOSITION, 0, MAKELPARAM(x, y));
}

bool BarValueTips::OnNotify(const NMHDR* header) {
  if (restingTip_ == nullptr || header->hwndFrom != restingTip_) return false;
  if (header->code == TTN_GETDISPINFOA) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(header));
    std::snprintf(info->szText, sizeof info->szText, "%s",
                  TextOf(reinterpret_cast<HWND>(header->idFrom)).c_str());
    info->lpszText = info->szText;
    return true;
  }
  if (header->code == TTN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
    const std::string text = TextOf(reinterpret_cast<HWND>(header->idFrom));
    if (MultiByteToWideChar(936, 0, text.c_str(), -1, info->szText,
                            static_cast<int>(sizeof info->szText / sizeof(WCHAR))) == 0) {
      info->szText[0] = 0;
    }
    info->lpszText = info->szText;
    return true;
  }
  return false;
}

}  // namespace velmira
