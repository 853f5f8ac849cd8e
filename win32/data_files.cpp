#include "win32/data_files.h"

#include <windows.h>

namespace velmira {

namespace {

// A name in the program's folder.
std::string BesideProgram(const char* name) {
  char location[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, location, MAX_PATH);
  std::string path = length > 0 && length < MAX_PATH ? std::string(location, length) : "";
  const size_t slash = path.find_last_of('\\');
  path.erase(slash == std::string::npos ? 0 : slash + 1);
  return path + name;
}

}  // namespace

void OpenHelp() {
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  static HMODULE viewer = LoadLibraryA("hhctrl.ocx");
  if (viewer == nullptr) return;
  auto htmlHelp = reinterpret_cast<HtmlHelpFunction>(
      reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA")));
  if (htmlHelp == nullptr) return;
  htmlHelp(nullptr, BesideProgram("qj.chm::/default.htm").c_str(), 0 /* HH_DISPLAY_TOPIC */, 0);
}

std::string SongFolder() { return BesideProgram("songs"); }

}  // namespace velmira
