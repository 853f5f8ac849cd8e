#include "win32/main_window.h"

#include <imm.h>

#include <memory>

#include "app/app_controller.h"
#include "commands/command_ids.h"
#include "commands/transport_buttons.h"
#include "record/file_system.h"
#include "win32/bar_tips.h"
#include "win32/data_files.h"
#include "win32/keyboard_gdi.h"
#include "win32/mm_timer_service.h"
#include "win32/paint_gdi.h"
#include "win32/score_window.h"
#include "win32/shell_resources.h"
#include "win32/toolbar.h"
#include "win32/ui.h"
#include "win32/variant.h"

namespace velmira {

namespace {

// Posts play events and metronome clicks to the main window and sends it the stop command, from
// the timer threads.
class WindowPlaybackSink final : public PlaybackSink, public ClickSink {
 public:
  HWND window = nullptr;
  void PostPlayEvent(const PerformanceEvent* events, uint32_t index) override {
    PostMessageA(window, MSG_PLAY_EVENT, reinterpret_cast<WPARAM>(events), index);
  }
  void SendStopCommand() override { SendMessageA(window, WM_COMMAND, CMD_PLAY_STOP, 0); }
  void PostClick(uint32_t generation, int64_t click, bool start) override {
    PostMessageA(window, MSG_CLICK, generation, static_cast<LPARAM>(click * 2 + (start ? 1 : 0)));
  }
};

// Everything that lives with the main window. It is deleted only after the message loop has
// ended, when no timer callback can be waiting on the window any more.
struct MainWindow {
  MainWindowControls controls;
  std::unique_ptr<MidiOutputService> midi;
  Win32UiEffects ui;
  Win32Clock clock;
  Win32Calendar calendar;
  MmTimerService timers;
  WindowPlaybackSink sink;
  Win32ScoreWindow score;
  std::unique_ptr<AppController> app;
  ClientSize clientSize;
  KeyboardOrigin keyboardOrigin;
  MouseKeys mouse;
  std::unique_ptr<GdiKeyCapDrawer> drawer;
  BarValueTips barTips;
};

MainWindow* g_main = nullptr;

// Hands the keyboard focus back to the main window, so that keys keep playing after a click
// on a transport button; the key messages that found the button focused are passed on (a key
// held across the click comes up here), and none of them presses the button.
LRESULT CALLBACK FocusReturnProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  const int id = static_cast<int>(GetWindowLongPtrA(button, GWLP_ID));
  const int slot = id - CMD_RECORD_START;
  if (message == WM_KILLFOCUS) {
    SetFocus(GetParent(button));
  } else if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR) {
    SetFocus(GetParent(button));
    SendMessageA(GetParent(button), message, wParam, lParam);
    return 0;
  }
  WNDPROC previous = (g_main != nullptr && slot >= 0 && slot < 5)
                         ? g_main->controls.previousButtonProcs[slot]
                         : nullptr;
  if (previous == nullptr) return DefWindowProcA(button, message, wParam, lParam);
  return CallWindowProcA(previous, button, message, wParam, lParam);
}

void CreateControls(HWND window, MainWindowControls& c, const PlayerState& state) {
  HINSTANCE instance = Shell().instance;
  MeasureCell(window, c);

  const DWORD barStyle = WS_CHILD | WS_VISIBLE | SBS_VERT;
  c.velocityBar = CreateWindowExA(0, "scrollbar", nullptr, barStyle, 0, 0, 0, 0, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_VELOCITY)),
                                  instance, nullptr);
  c.pitchBendBar = CreateWindowExA(0, "scrollbar", nullptr, barStyle, 0, 0, 0, 0, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PITCH_BEND)),
                                   instance, nullptr);
  SetScrollRange(c.velocityBar, SB_CTL, 1, 127, FALSE);
  SetScrollPos(c.velocityBar, SB_CTL, 128 - state.velocity, FALSE);
  SetScrollRange(c.pitchBendBar, SB_CTL, 1, 16383, FALSE);
  SetScrollPos(c.pitchBendBar, SB_CTL, 8192, TRUE);

  for (int i = 0; i < 5; ++i) {
    c.transportButtons[i] = CreateWindowExA(
        0, "button", kTransportButtons[i].label, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTransportButtons[i].id)), instance,
        nullptr);
  }
  for (int i = 0; i < 5; ++i) EnableWindow(c.transportButtons[i], i == 0);
  for (int i = 0; i < 5; ++i) {
    c.previousButtonProcs[i] = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        c.transportButtons[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FocusReturnProc)));
  }
}

LRESULT OnCreate(HWND window) {
  g_main = new MainWindow;
  g_main->ui.SetWindow(window);
  g_main->midi = CreateMidiOutputService();
  g_main->sink.window = window;
  g_main->app = std::make_unique<AppController>(
      AppServices{*g_main->midi, g_main->ui, g_main->clock, g_main->timers, g_main->sink,
                  g_main->sink, g_main->calendar, g_main->score, PlaybackScheduling(),
                  &std::realloc, DataFolder(), SongFolder()});
  g_main->score.Attach(window, g_main->app.get());
  g_main->drawer =
      std::make_unique<GdiKeyCapDrawer>(window, g_main->app->state(), g_main->keyboardOrigin);
  g_main->app->SetDrawer(g_main->drawer.get());
  // Keys must play even while a Chinese input method is active.
  ImmAssociateContext(window, nullptr);
  CreateControls(window, g_main->controls, g_main->app->state());
  g_main->barTips.Create(window, g_main->controls.velocityBar, g_main->controls.pitchBendBar);
  g_main->ui.SetControls(&g_main->controls);
  if (!g_main->app->OnCreate(Shell().commandLine)) return -1;
  ReportMenuBar(window);
  return 0;
}

// Key handling reaches the controller whether or not the instrument is switched on; caps are
// drawn, inside a key-drawing occasion, only while it is on.
template <typename Action>
void WithKeyDrawing(HWND window, Action action) {
  if (!g_main->app->state().switchedOn) {
    action();
    return;
  }
  HDC dc = GetDC(window);
  g_main->drawer->Begin(dc);
  action();
  g_main->drawer->End();
  ReleaseDC(window, dc);
}

bool IsTransportButton(HWND window) {
  for (HWND button : g_main->controls.transportButtons) {
    if (window != nullptr && window == button) return true;
  }
  return false;
}

// A key message as the core's key event, with Shift and Ctrl as they were when it was sent.
KeyEvent KeyFromMessage(UINT message, LPARAM lParam) {
  KeyEvent key = KeyStroke(static_cast<int>((lParam >> 16) & 0xFF), message == WM_KEYDOWN,
                           GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
  key.extended = ((lParam >> 24) & 1) != 0;
  key.autoRepeat = key.down && ((lParam >> 30) & 1) != 0;
  key.repeatCount = static_cast<uint16_t>(lParam & 0xFFFF);
  key.alt = ((lParam >> 29) & 1) != 0;
  return key;
}

KeyEvent MouseKey(int slot, bool down) {
  return MouseStroke(slot, down, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
}

// Bar actions as the core's, by SB_LINEUP (0) ... SB_THUMBTRACK (5).
BarAction BarActionOf(WORD code) {
  using A = BarAction;
  static constexpr A kActions[] = {A::LineUp,   A::LineDown, A::PageUp,
                                   A::PageDown, A::Release,  A::Track};
  return code < 6 ? kActions[code] : A::Other;
}

void ReleaseMouseKey(HWND window) {
  const int slot = g_main->mouse.ButtonUp();
  if (slot < 0) return;
  WithKeyDrawing(window, [&] { g_main->app->OnKey(MouseKey(slot, false)); });
  ReleaseCapture();
}

void OnDestroy(HWND window) {
  g_main->app->OnDestroy();
  ReportMenuBar(window);
  PostQuitMessage(0);
}

}  // namespace

void ReleaseMainWindowState() {
  delete g_main;
  g_main = nullptr;
}

bool RegisterMainWindowClass(COLORREF background) {
  WNDCLASSA main{};
  main.style = CS_HREDRAW | CS_VREDRAW;
  main.lpfnWndProc = MainWindowProc;
  main.hInstance = Shell().instance;
  main.hIcon = LoadIconA(Shell().instance, "QJ");
  main.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  main.hbrBackground = CreateSolidBrush(background);
  main.lpszClassName = "QJ";
  return RegisterClassA(&main) != 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window);
  if (g_main == nullptr || !g_main->app) return DefWindowProcA(window, message, wParam, lParam);
  AppController& app = *g_main->app;
  switch (message) {
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_CLOSE:
      if (app.OnCloseRequest()) DestroyWindow(window);
      return 0;
    case WM_QUERYENDSESSION:
      // A session that must end now (ENDSESSION_CRITICAL) lets nobody ask: the take is kept in
      // its recovery copy instead.
      if ((lParam & ENDSESSION_CRITICAL) != 0) {
        app.OnEndWithoutAsking();
        return 1;
      }
      return app.OnQueryEndSession() ? 1 : 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      WithKeyDrawing(window, [&] { app.OnKey(KeyFromMessage(message, lParam)); });
      return 0;
    case WM_CHAR: app.OnChar(static_cast<uint32_t>(wParam)); return 0;
    case WM_KILLFOCUS:
      // A transport button hands the keyboard back and passes its key messages on, so a click
      // on one does not end the keys held; any other window that takes the focus keeps it.
      if (!IsTransportButton(reinterpret_cast<HWND>(wParam))) {
        WithKeyDrawing(window, [&] { app.OnFocusLost(); });
      }
      return 0;
    case WM_GETMINMAXINFO: {
      // Below this size the picture, the keys and the controls would cover each other. Sent
      // over and over while the window is moved or sized: found once for the cell's size.
      MainWindowControls& c = g_main->controls;
      if (c.smallestForWidth != c.cellWidth || c.smallestForHeight != c.cellHeight) {
        c.smallest = MinimumClientSize(c.cellWidth, c.cellHeight);
        c.smallestForWidth = c.cellWidth;
        c.smallestForHeight = c.cellHeight;
      }
      RECT frame{0, 0, c.smallest.width, c.smallest.height};
      AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), TRUE,
                         static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = POINT{frame.right - frame.left, frame.bottom - frame.top};
      return 0;
    }
    case WM_SIZE:
      LayoutMainWindow(window, LOWORD(lParam), HIWORD(lParam), g_main->controls, g_main->clientSize,
                       g_main->keyboardOrigin);
      return 0;
    case WM_PAINT:
      PaintMainWindow(window, app.state(), *g_main->midi, g_main->controls, g_main->clientSize,
                      g_main->keyboardOrigin, g_main->drawer->marks(), app.engine().PedalDown(),
                      app.Indicator());
      return 0;
    case WM_LBUTTONDOWN: {
      const int slot =
          g_main->mouse.ButtonDown(g_main->keyboardOrigin, LOWORD(lParam), HIWORD(lParam));
      if (slot >= 0) {
        SetCapture(window);
        WithKeyDrawing(window, [&] { app.OnKey(MouseKey(slot, true)); });
      }
      return 0;
    }
    case WM_LBUTTONUP: ReleaseMouseKey(window); return 0;
    case WM_CAPTURECHANGED:
      // Losing the capture while a key is held would leave its note sounding.
      ReleaseMouseKey(window);
      return 0;
    case WM_COMMAND: {
      const LRESULT result = app.OnCommand(LOWORD(wParam));
      ReportMenuBar(window);
      return result;
    }
    case WM_TIMER:
      if (wParam == kPlayTimer) {
        KillTimer(window, kPlayTimer);
        app.OnStartupTimer();
        ReportMenuBar(window);
      } else if (wParam == kRecordingTimer) {
        app.OnRecordingTick();
      } else if (wParam == kLessonTimer) {
        app.OnLessonTick();
      }
      return 0;
    case MSG_CLICK:
      app.OnClick(static_cast<uint32_t>(wParam), static_cast<int64_t>(lParam) >> 1,
                  (lParam & 1) != 0);
      return 0;
    case MSG_PLAY_EVENT:
      WithKeyDrawing(window, [&] {
        app.OnPlayEvent(reinterpret_cast<const PerformanceEvent*>(wParam),
                        static_cast<uint32_t>(lParam));
      });
      return 0;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (g_main->barTips.OnNotify(header) || OnToolbarTipNotify(header)) return 0;
      break;
    }
    case WM_VSCROLL: {
      HWND bar = reinterpret_cast<HWND>(lParam);
      app.OnBar(GetDlgCtrlID(bar), BarActionOf(LOWORD(wParam)), HIWORD(wParam));
      g_main->barTips.OnScroll(bar, LOWORD(wParam));
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace velmira
