#include "win32/about.h"

#include "win32/shell_resources.h"

namespace velmira {

namespace {
INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      break;
  }
  return FALSE;
}
}  // namespace

void RunAboutBox(HWND owner) { DialogBoxParamA(Shell().instance, "AboutBox", owner, AboutProc, 0); }

}  // namespace velmira
