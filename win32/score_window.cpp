#include "win32/score_window.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/app_controller.h"
#include "win32/code_pages.h"
#include "win32/score_gdi.h"
#include "win32/shell_resources.h"

namespace velmira {

namespace {

constexpr char kClassName[] = "QJScore";
constexpr int kLineStep = 20;  // pixels a line of the scroll bar, or a wheel's notch a third

}  // namespace

Win32ScoreWindow::~Win32ScoreWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::string Win32ScoreWindow::ToUtf8(const std::string& text) {
  return Convert(text, kGbk, CP_UTF8);
}

std::string Win32ScoreWindow::FromUtf8(const std::string& utf8) {
  return Convert(utf8, CP_UTF8, kGbk);
}

void Win32ScoreWindow::SetLessonTick(bool running) {
  if (running) {
    SetTimer(owner_, kLessonTimer, 20, nullptr);
  } else {
    KillTimer(owner_, kLessonTimer);
  }
}

bool Win32ScoreWindow::Create() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA score{};
    score.style = CS_HREDRAW | CS_VREDRAW;
    score.lpfnWndProc = Proc;
    score.hInstance = Shell().instance;
    score.hIcon = LoadIconA(Shell().instance, "QJ");
    score.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    score.hbrBackground = nullptr;  // the page paints every pixel
    score.lpszClassName = kClassName;
    registered = RegisterClassA(&score) != 0;
    if (!registered) return false;
  }
  // Beside the main window where the work area has room, else over its right part.
  RECT owner{}, work{};
  GetWindowRect(owner_, &owner);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = 720, height = 420;
  const int x = std::max<int>(work.left, std::min<int>(owner.right, work.right - width));
  const int y = std::max<int>(work.top, std::min<int>(owner.top, work.bottom - height));
  window_ = CreateWindowExA(0, kClassName, title_.c_str(), WS_OVERLAPPEDWINDOW | WS_VSCROLL, x, y,
                            width, height, owner_, nullptr, Shell().instance, this);
  return window_ != nullptr;
}

void Win32ScoreWindow::ShowScoreWindow(bool shown) {
  if (!shown) {
    if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
    return;
  }
  if (window_ == nullptr && !Create()) return;
  ShowWindow(window_, SW_SHOWNOACTIVATE);  // the keys stay with the instrument
  Refresh(top_);
}

void Win32ScoreWindow::SetScoreWindowTitle(const char* title) {
  title_ = title;
  if (window_ != nullptr) SetWindowTextA(window_, title);
}

void Win32ScoreWindow::UpdateScoreWindow(bool keepNewestInView) {
  if (window_ == nullptr || !IsWindowVisible(window_)) return;
  Refresh(keepNewestInView ? INT_MAX : top_);
}

void Win32ScoreWindow::Refresh(int top) {
  RECT client{};
  GetClientRect(window_, &client);
  const ScoreLayout& page = app_->ScorePage(static_cast<float>(client.right));
  pageHeight_ = static_cast<int>(std::ceil(page.height));
  SCROLLINFO bar{};
  bar.cbSize = sizeof bar;
  bar.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
  bar.nMin = 0;
  bar.nMax = std::max(0, pageHeight_ - 1);
  bar.nPage = static_cast<UINT>(client.bottom);
  SetScrollInfo(window_, SB_VERT, &bar, FALSE);
  ScrollTo(top);
  InvalidateRect(window_, nullptr, FALSE);
}

void Win32ScoreWindow::ScrollTo(int top) {
  RECT client{};
  GetClientRect(window_, &client);
  top_ = std::max(0, std::min(top, pageHeight_ - static_cast<int>(client.bottom)));
  SCROLLINFO bar{};
  bar.cbSize = sizeof bar;
  bar.fMask = SIF_POS;
  bar.nPos = top_;
  SetScrollInfo(window_, SB_VERT, &bar, TRUE);
}

// Drawn into a picture of the client area first, so that a page redrawn with every stroke
// does not flicker.
void Win32ScoreWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  RECT client{};
  GetClientRect(window_, &client);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP picture =
      CreateCompatibleBitmap(dc, std::max(1L, client.right), std::max(1L, client.bottom));
  HGDIOBJ previous = SelectObject(memory, picture);
  FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawScore(memory, app_->ScorePage(static_cast<float>(client.right)), POINT{0, -top_});
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteObject(picture);
  DeleteDC(memory);
  EndPaint(window_, &paint);
}

LRESULT CALLBACK Win32ScoreWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32ScoreWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window || self->app_ == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32ScoreWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_SIZE: Refresh(top_); return 0;
    case WM_NCDESTROY:
      // Gone with the main window, its owner.
      window_ = nullptr;
      return 0;
    case WM_CLOSE:
      ShowWindow(window_, SW_HIDE);
      app_->OnScoreWindowClosed();
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      // The instrument plays wherever the keys are struck.
      return SendMessageA(owner_, message, wParam, lParam);
    case WM_MOUSEWHEEL:
      ScrollTo(top_ - GET_WHEEL_DELTA_WPARAM(wParam) * 3 * kLineStep / WHEEL_DELTA);
      InvalidateRect(window_, nullptr, FALSE);
      return 0;
    case WM_VSCROLL: {
      RECT client{};
      GetClientRect(window_, &client);
      SCROLLINFO bar{};
      bar.cbSize = sizeof bar;
      bar.fMask = SIF_TRACKPOS;
      GetScrollInfo(window_, SB_VERT, &bar);
      int top = top_;
      switch (LOWORD(wParam)) {
        case SB_LINEUP: top -= kLineStep; break;
        case SB_LINEDOWN: top += kLineStep; break;
        case SB_PAGEUP: top -= client.bottom; break;
        case SB_PAGEDOWN: top += client.bottom; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = bar.nTrackPos; break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = pageHeight_; break;
      }
      ScrollTo(top);
      InvalidateRect(window_, nullptr, FALSE);
      return 0;
    }
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace velmira
