#include "win32/toolbar.h"

#include <commctrl.h>

#include <string>

#include "app/menu_model.h"
#include "commands/command_ids.h"
#include "commands/instrument_table.h"
#include "win32/shell_resources.h"

namespace velmira {

namespace {
// The tooltip texts (GBK), with the command of each button, for the whole run.
struct ButtonTip {
  int command = 0;
  std::string text;
};
ButtonTip g_tips[kToolbarButtonCount];

const ButtonTip* TipOf(UINT_PTR command) {
  for (const ButtonTip& tip : g_tips) {
    if (static_cast<UINT_PTR>(tip.command) == command) return &tip;
  }
  return nullptr;
}
}  // namespace

HWND CreateInstrumentToolbar(HWND mainWindow) {
  return CreateWindowExA(WS_EX_TOOLWINDOW, TOOLBARCLASSNAMEA, nullptr,
                         WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 0, 0, 0, mainWindow,
                         nullptr, Shell().instance, nullptr);
}

bool OnToolbarTipNotify(const NMHDR* header) {
  if (header->code == TTN_GETDISPINFOA) {
    const ButtonTip* tip = TipOf(header->idFrom);
    if (tip == nullptr) return false;
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(header));
    info->lpszText = const_cast<char*>(tip->text.c_str());
    info->hinst = nullptr;
    return true;
  }
  if (header->code == TTN_GETDISPINFOW) {
    const ButtonTip* tip = TipOf(header->idFrom);
    if (tip == nullptr) return false;
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
    const int length = MultiByteToWideChar(936, 0, tip->text.c_str(), -1, info->szText,
                                           static_cast<int>(sizeof info->szText / sizeof(WCHAR)));
    if (length == 0) info->szText[0] = 0;
    info->lpszText = info->szText;
    info->hinst = nullptr;
    return true;
  }
  return false;
}

void FillInstrumentToolbar(HWND toolbar) {
  ShellResources& shell = Shell();
  shell.toolbarImages = ImageList_Create(32, 32, ILC_COLOR4, 0, 13);
  shell.toolbarStrip = LoadBitmapA(shell.instance, MAKEINTRESOURCEA(107));
  ImageList_Add(shell.toolbarImages, shell.toolbarStrip, nullptr);
  SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(shell.toolbarImages));

  TBBUTTON buttons[kToolbarButtonCount] = {};
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    const ToolbarButton& b = ToolbarButtons[i];
    buttons[i].iBitmap = i;
    buttons[i].idCommand = CMD_PROGRAM_BASE + InstrumentTable[b.group].entries[b.item].program;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = TBSTYLE_BUTTON;
    buttons[i].iString = -1;
    g_tips[i] = ButtonTip{buttons[i].idCommand, ToolbarTip(i)};
  }
  SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolbar, TB_ADDBUTTONSA, kToolbarButtonCount, reinterpret_cast<LPARAM>(buttons));
  ShowWindow(toolbar, SW_SHOWMAXIMIZED);
}

}  // namespace velmira
