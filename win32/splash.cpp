#include "win32/splash.h"

#include "win32/shell_resources.h"

namespace velmira {

namespace {

constexpr UINT_PTR kSplashTimer = 1;

LRESULT CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: SetTimer(window, kSplashTimer, 5000, nullptr); return 0;
    case WM_TIMER:
      KillTimer(window, kSplashTimer);
      SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      KillTimer(window, kSplashTimer);
      PostQuitMessage(0);
      return 0;
    case WM_SETFOCUS: InvalidateRect(window, nullptr, TRUE); return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ previous = SelectObject(memory, Shell().splashPicture);
      BitBlt(dc, 0, 0, Shell().splashWidth, Shell().splashHeight, memory, 0, 0, SRCCOPY);
      SelectObject(memory, previous);
      DeleteDC(memory);
      EndPaint(window, &paint);
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool ShowSplash(int showCommand) {
  ShellResources& shell = Shell();
  shell.splashPicture = LoadBitmapA(shell.instance, "Bitmap");
  BITMAP info{};
  if (shell.splashPicture != nullptr && GetObjectA(shell.splashPicture, sizeof info, &info)) {
    shell.splashWidth = info.bmWidth;
    shell.splashHeight = info.bmHeight;
  }

  WNDCLASSA cover{};
  cover.style = CS_HREDRAW | CS_VREDRAW;
  cover.lpfnWndProc = SplashProc;
  cover.hInstance = shell.instance;
  cover.hIcon = LoadIconA(shell.instance, "QJ");
  cover.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
  cover.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  cover.lpszClassName = "Cover";
  if (!RegisterClassA(&cover)) {
    MessageBoxA(nullptr, "This program requires Windows NT!", "Cover", MB_ICONERROR);
    return false;
  }

  const int x = (GetSystemMetrics(SM_CXSCREEN) - shell.splashWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - shell.splashHeight) / 2;
  HWND splash =
      CreateWindowExA(0, "Cover", "Velmira", WS_POPUP | WS_BORDER, x, y, shell.splashWidth,
                      shell.splashHeight, nullptr, nullptr, shell.instance, nullptr);
  if (splash != nullptr) {
    ShowWindow(splash, showCommand);
    UpdateWindow(splash);
    // Until the splash posts its quit message; without a splash window nothing would.
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  DeleteObject(shell.splashPicture);
  shell.splashPicture = nullptr;
  if (splash != nullptr && IsWindow(splash)) DestroyWindow(splash);
  return true;
}

}  // namespace velmira
