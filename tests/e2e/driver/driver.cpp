// velmira-e2e-driver: a small console program that the end-to-end tests run under Wine beside
// the program under test. It looks at windows that another process owns (classes, titles,
// controls, toolbar buttons, scroll bars, focus, the client area and the size of the system
// font's "M"), posts messages to them, sets a control's text, records which windows get created
// and shown, can open a window of its own that takes the keyboard focus, and ends a window's
// process at once (TerminateProcess, as a crash would).
//
// Output goes to standard output as UTF-8, one record a line, fields separated by tabs; the
// free text (a title or a control's text) is always the last field. Exit code 0 on success,
// 2 for a usage error, 3 when the window asked about does not exist, 4 when a query fails.
#include <windows.h>

#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string ToUtf8(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return "";
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return "";
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  // Keep one record a line: tabs and line breaks inside a text become escapes.
  std::string escaped;
  for (char c : out) {
    if (c == '\t')
      escaped += "\\t";
    else if (c == '\n')
      escaped += "\\n";
    else if (c == '\r')
      escaped += "\\r";
    else
      escaped += c;
  }
  return escaped;
}

std::string WindowText(HWND window) {
  wchar_t text[1024] = L"";
  // SendMessageTimeout so that a hung window cannot hang the driver.
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 5000, &result)) {
    text[0] = L'\0';
  }
  text[1023] = L'\0';
  return ToUtf8(text);
}

std::string ClassName(HWND window) {
  wchar_t name[256] = L"";
  GetClassNameW(window, name, 256);
  return ToUtf8(name);
}

unsigned long long XWindowOf(HWND window) {
  return static_cast<unsigned long long>(
      reinterpret_cast<UINT_PTR>(GetPropA(window, "__wine_x11_whole_window")));
}

bool ParseNumber(const char* text, long long* value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  *value = std::strtoll(text, &end, 0);
  return end != text && *end == '\0';
}

bool ParseWindow(const char* text, HWND* window) {
  long long value = 0;
  if (!ParseNumber(text, &value)) return false;
  *window = reinterpret_cast<HWND>(static_cast<INT_PTR>(value));
  return true;
}

void Emit(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string Hex(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(pointer)));
  return text;
}

std::string RectFields(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "%ld\t%ld\t%ld\t%ld", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return text;
}

// windows: every top-level window.
// hwnd pid visible enabled x y width height xwindow class title
BOOL CALLBACK ListTopLevel(HWND window, LPARAM) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  RECT r{};
  GetWindowRect(window, &r);
  char head[128];
  std::snprintf(head, sizeof head, "%lu\t%d\t%d\t", static_cast<unsigned long>(pid),
                IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
  char xwin[32];
  std::snprintf(xwin, sizeof xwin, "%llu", XWindowOf(window));
  Emit(Hex(window) + "\t" + head + RectFields(r) + "\t" + xwin + "\t" + ClassName(window) + "\t" +
       WindowText(window));
  return TRUE;
}

// children HWND: every descendant window.
// hwnd parent id visible enabled x y width height class text
BOOL CALLBACK ListChild(HWND window, LPARAM) {
  RECT r{};
  GetWindowRect(window, &r);
  char head[128];
  std::snprintf(head, sizeof head, "%ld\t%d\t%d\t",
                static_cast<long>(GetWindowLongPtrW(window, GWLP_ID)),
                IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
  Emit(Hex(window) + "\t" + Hex(GetParent(window)) + "\t" + head + RectFields(r) + "\t" +
       ClassName(window) + "\t" + WindowText(window));
  return TRUE;
}

// A block of memory in the process that owns a window, for messages that write through a
// pointer (toolbar queries): the control fills it in, the driver reads it back.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ != nullptr) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteBlock() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }
  bool Read(void* into) const {
    SIZE_T read = 0;
    return ReadProcessMemory(process_, address_, into, size_, &read) && read == size_;
  }

 private:
  SIZE_T size_;
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  DWORD_PTR value = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &value)) {
    return false;
  }
  *result = static_cast<LRESULT>(value);
  return true;
}

// toolbar HWND: index command style state x y width height (screen coordinates)
int ListToolbar(HWND toolbar) {
  LRESULT count = 0;
  if (!Send(toolbar, TB_BUTTONCOUNT, 0, 0, &count)) return 4;
  RemoteBlock button(toolbar, sizeof(TBBUTTON));
  RemoteBlock rect(toolbar, sizeof(RECT));
  if (!button.ok() || !rect.ok()) return 4;
  for (LRESULT i = 0; i < count; ++i) {
    TBBUTTON info{};
    RECT r{};
    LRESULT done = 0;
    if (!Send(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), button.address(), &done) || !done ||
        !button.Read(&info)) {
      return 4;
    }
    if (!Send(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), rect.address(), &done) || !done ||
        !rect.Read(&r)) {
      return 4;
    }
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    char head[96];
    std::snprintf(head, sizeof head, "%ld\t%d\t%u\t%u\t", static_cast<long>(i), info.idCommand,
                  static_cast<unsigned>(info.fsStyle), static_cast<unsigned>(info.fsState));
    Emit(head + RectFields(r));
  }
  return 0;
}

// scroll HWND: min max page pos (a scroll bar control)
int ShowScroll(HWND bar) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  if (!GetScrollInfo(bar, SB_CTL, &info)) return 4;
  char line[96];
  std::snprintf(line, sizeof line, "%d\t%d\t%u\t%d", info.nMin, info.nMax, info.nPage, info.nPos);
  Emit(line);
  return 0;
}

// focus HWND: foreground active focus (the GUI thread of the given window)
int ShowFocus(HWND window) {
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (thread == 0 || !GetGUIThreadInfo(thread, &info)) return 4;
  Emit(Hex(GetForegroundWindow()) + "\t" + Hex(info.hwndActive) + "\t" + Hex(info.hwndFocus));
  return 0;
}

// client HWND: x y width height of the client area, in screen coordinates
int ShowClient(HWND window) {
  RECT r{};
  if (!GetClientRect(window, &r)) return 4;
  POINT origin{0, 0};
  if (!ClientToScreen(window, &origin)) return 4;
  char line[96];
  std::snprintf(line, sizeof line, "%ld\t%ld\t%ld\t%ld", origin.x, origin.y, r.right - r.left,
                r.bottom - r.top);
  Emit(line);
  return 0;
}

// cell HWND: width height of "M" in the stock system font, on a drawing context of the window
// (what a window's drawing context holds by default)
int ShowCell(HWND window) {
  HDC dc = GetDC(window);
  if (dc == nullptr) return 4;
  HGDIOBJ previous = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SIZE size{};
  const BOOL ok = GetTextExtentPoint32A(dc, "M", 1, &size);
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  if (!ok) return 4;
  char line[64];
  std::snprintf(line, sizeof line, "%ld\t%ld", size.cx, size.cy);
  Emit(line);
  return 0;
}

// settext HWND TEXT: WM_SETTEXT, as typing the text into an edit box would leave it. The C
// runtime hands the arguments over in the ANSI code page.
int SetText(HWND window, const char* text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return 4;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
  LRESULT done = 0;
  if (!Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), &done) || !done) {
    return 4;
  }
  return 0;
}

// watch TITLE SECONDS: looks at the top-level windows of other processes twenty times a second
// and reports each time one of them is shown or hidden (or goes away while shown), until its own
// hidden window (titled TITLE) is closed or the time runs out. Within one look, windows that
// went away or were hidden are reported before windows that were shown.
// show|hide|gone hwnd class title
struct Seen {
  HWND window;
  bool visible;
};
std::vector<Seen> g_seen;  // every window seen so far, with its visibility at the last look
std::vector<Seen> g_now;   // the windows of this look

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId()) g_now.push_back(Seen{window, IsWindowVisible(window) != 0});
  return TRUE;
}

const Seen* FindSeen(const std::vector<Seen>& list, HWND window) {
  for (const Seen& seen : list) {
    if (seen.window == window) return &seen;
  }
  return nullptr;
}

void Report(const char* kind, HWND window, bool describe) {
  if (describe) {
    Emit(std::string(kind) + "\t" + Hex(window) + "\t" + ClassName(window) + "\t" +
         WindowText(window));
  } else {
    Emit(std::string(kind) + "\t" + Hex(window) + "\t\t");
  }
}

void CheckWindows() {
  g_now.clear();
  EnumWindows(CollectTopLevel, 0);
  for (const Seen& before : g_seen) {
    if (!before.visible) continue;
    const Seen* now = FindSeen(g_now, before.window);
    if (now == nullptr)
      Report("gone", before.window, false);
    else if (!now->visible)
      Report("hide", before.window, true);
  }
  for (const Seen& now : g_now) {
    const Seen* before = FindSeen(g_seen, now.window);
    if (now.visible && (before == nullptr || !before->visible)) Report("show", now.window, true);
  }
  g_seen = g_now;
}

LRESULT CALLBACK QuitOnCloseProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT r;
    GetClientRect(window, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterDriverClass() {
  WNDCLASSW cls{};
  cls.lpfnWndProc = QuitOnCloseProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.lpszClassName = L"VelmiraE2EDriver";
  return RegisterClassW(&cls) != 0;
}

std::wstring Widen(const char* text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 0) return L"";
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, &out[0], n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

// Runs the message loop until the window is closed or the time is up.
void Pump(long long seconds) {
  const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000), nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == timer) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, timer);
}

int Watch(const char* title, long long seconds) {
  if (!RegisterDriverClass()) return 4;
  HWND window = CreateWindowExW(0, L"VelmiraE2EDriver", Widen(title).c_str(), WS_POPUP, 0, 0, 1, 1,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return 4;
  CheckWindows();
  Emit("ready\t" + Hex(window) + "\t\t");
  const UINT_PTR poll = SetTimer(window, 1, 50, nullptr);
  if (poll == 0) return 4;
  const DWORD start = GetTickCount();
  const DWORD limit = static_cast<DWORD>(seconds * 1000);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == window) {
      CheckWindows();
      if (GetTickCount() - start >= limit) break;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (IsWindow(window)) KillTimer(window, 1);
  Emit("end\t\t\t");
  return 0;
}

// thief TITLE SECONDS: a window of its own at the bottom right corner of the screen that takes
// the foreground and the keyboard focus, until closed or the time runs out.
int Thief(const char* title, long long seconds) {
  if (!RegisterDriverClass()) return 4;
  const int width = 200;
  const int height = 120;
  const int x = GetSystemMetrics(SM_CXSCREEN) - width - 20;
  const int y = GetSystemMetrics(SM_CYSCREEN) - height - 20;
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"VelmiraE2EDriver", Widen(title).c_str(),
                                WS_POPUP | WS_BORDER, x, y, width, height, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return 4;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  SetFocus(window);
  Emit("ready\t" + Hex(window));
  Pump(seconds);
  return 0;
}

// kill HWND: ends the process that owns the window at once and waits until it has ended.
int Kill(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return 4;
  const bool ended =
      TerminateProcess(process, 1) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended ? 0 : 4;
}

int Usage() {
  std::fputs(
      "usage: velmira-e2e-driver windows\n"
      "       velmira-e2e-driver children HWND\n"
      "       velmira-e2e-driver toolbar HWND\n"
      "       velmira-e2e-driver scroll HWND\n"
      "       velmira-e2e-driver focus HWND\n"
      "       velmira-e2e-driver client HWND\n"
      "       velmira-e2e-driver cell HWND\n"
      "       velmira-e2e-driver settext HWND TEXT\n"
      "       velmira-e2e-driver post HWND MESSAGE WPARAM LPARAM\n"
      "       velmira-e2e-driver kill HWND\n"
      "       velmira-e2e-driver watch TITLE SECONDS\n"
      "       velmira-e2e-driver thief TITLE SECONDS\n",
      stderr);
  return 2;
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "windows" && argc == 2) {
    EnumWindows(ListTopLevel, 0);
    return 0;
  }
  if ((command == "watch" || command == "thief") && argc == 4) {
    long long seconds = 0;
    if (!ParseNumber(argv[3], &seconds) || seconds <= 0) return Usage();
    return command == "watch" ? Watch(argv[2], seconds) : Thief(argv[2], seconds);
  }
  if (argc < 3) return Usage();
  HWND window = nullptr;
  if (!ParseWindow(argv[2], &window)) return Usage();
  if (!IsWindow(window)) return 3;
  if (command == "children" && argc == 3) {
    EnumChildWindows(window, ListChild, 0);
    return 0;
  }
  if (command == "toolbar" && argc == 3) return ListToolbar(window);
  if (command == "scroll" && argc == 3) return ShowScroll(window);
  if (command == "focus" && argc == 3) return ShowFocus(window);
  if (command == "client" && argc == 3) return ShowClient(window);
  if (command == "cell" && argc == 3) return ShowCell(window);
  if (command == "settext" && argc == 4) return SetText(window, argv[3]);
  if (command == "kill" && argc == 3) return Kill(window);
  if (command == "post" && argc == 6) {
    long long message = 0;
    long long wParam = 0;
    long long lParam = 0;
    if (!ParseNumber(argv[3], &message) || !ParseNumber(argv[4], &wParam) ||
        !ParseNumber(argv[5], &lParam)) {
      return Usage();
    }
    return PostMessageW(window, static_cast<UINT>(message), static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam))
               ? 0
               : 4;
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
  return Run(argc, argv);
}
