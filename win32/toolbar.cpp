#include "win32/toolbar.h"

#include <commctrl.h>

#include "commands/command_ids.h"
#include "commands/instrument_table.h"
#include "win32/shell_resources.h"

namespace velmira {

HWND CreateInstrumentToolbar(HWND mainWindow) {
  return CreateWindowExA(WS_EX_TOOLWINDOW, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | TBSTYLE_FLAT,
                         0, 0, 0, 0, mainWindow, nullptr, Shell().instance, nullptr);
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
  }
  SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolbar, TB_ADDBUTTONSA, kToolbarButtonCount, reinterpret_cast<LPARAM>(buttons));
  ShowWindow(toolbar, SW_SHOWMAXIMIZED);
}

}  // namespace velmira
