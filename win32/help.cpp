#include "win32/help.h"

#include <windows.h>

#include <cstring>

namespace velmira {

void OpenHelp() {
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  static HMODULE viewer = LoadLibraryA("hhctrl.ocx");
  if (viewer == nullptr) return;
  auto htmlHelp = reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA")));
  if (htmlHelp == nullptr) return;
  // The help file lies beside the program, wherever it was started from.
  char location[MAX_PATH + 32];
  const DWORD length = GetModuleFileNameA(nullptr, location, MAX_PATH);
  char* name = location;
  if (length > 0 && length < MAX_PATH) {
    char* slash = std::strrchr(location, '\\');
    name = slash != nullptr ? slash + 1 : location;
  }
  std::strcpy(name, "qj.chm::/default.htm");
  htmlHelp(nullptr, location, 0 /* HH_DISPLAY_TOPIC */, 0);
}

}  // namespace velmira
