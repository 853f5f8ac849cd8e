// The program's entry point: splash, pictures, main window, toolbar, message loop, teardown.
#include <windows.h>

#include <commctrl.h>

#include "win32/main_window.h"
#include "win32/shell_resources.h"
#include "win32/splash.h"
#include "win32/toolbar.h"

namespace velmira {
namespace {

COLORREF ReadBackgroundColour(HBITMAP pictures) {
  HWND desktop = GetDesktopWindow();
  HDC screen = GetDC(desktop);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ previous = SelectObject(memory, pictures);
  const COLORREF colour = GetPixel(memory, 0, 0);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(desktop, screen);
  return colour;
}

int Run(HINSTANCE instance, const char* commandLine, int showCommand) {
  ShellResources& shell = Shell();
  shell.instance = instance;
  if (!ShowSplash(showCommand)) return 0;

  shell.instrumentPictures = LoadBitmapA(instance, MAKEINTRESOURCEA(110));
  shell.BackgroundColour = ReadBackgroundColour(shell.instrumentPictures);
  shell.commandLine = commandLine;
  if (!RegisterMainWindowClass(shell.BackgroundColour)) {
    MessageBoxA(nullptr, "This program requires Windows NT!", "QJ", MB_ICONERROR);
    return 0;
  }
  shell.keyCapPicture = LoadBitmapA(instance, MAKEINTRESOURCEA(114));

  HWND window =
      CreateWindowExA(0, "QJ", "Velmira", WS_OVERLAPPEDWINDOW, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                      GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    ReleaseMainWindowState();
    return 0;
  }

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
  InitCommonControlsEx(&controls);
  HWND toolbar = CreateInstrumentToolbar(window);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  FillInstrumentToolbar(toolbar);

  HACCEL accelerators = LoadAcceleratorsA(instance, "QJ");
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorA(window, accelerators, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }

  ReleaseMainWindowState();
  ImageList_Destroy(shell.toolbarImages);
  DeleteObject(shell.instrumentPictures);
  DeleteObject(shell.toolbarStrip);
  DeleteObject(shell.keyCapPicture);
  return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace velmira

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  if (startup.dwFlags & STARTF_USESHOWWINDOW) showCommand = startup.wShowWindow;
  return velmira::Run(instance, commandLine != nullptr ? commandLine : "", showCommand);
}
