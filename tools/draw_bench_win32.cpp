// Measures the main window's drawing in the running program's own code: one key stroke's
// drawing (BeginKeyDrawing, DrawKeyCap, EndKeyDrawing) and one full paint of a 1920 x 1080
// client area. Prints the mean and the 99th percentile of each, in milliseconds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/midi_output_service.h"
#include "view/window_layout.h"
#include "win32/keyboard_gdi.h"
#include "win32/main_window.h"
#include "win32/paint_gdi.h"
#include "win32/shell_resources.h"

namespace velmira {
namespace {

class NamedService final : public MidiOutputService {
 public:
  unsigned DeviceCount() override { return 1; }
  bool DeviceName(int, std::string* name) override {
    *name = "Measuring Synth";
    return true;
  }
  bool Open(int, MidiOutHandle*) override { return false; }
  void ShortMessage(MidiOutHandle, uint32_t) override {}
  void Close(MidiOutHandle) override {}
};

PlayerState g_state;
NamedService g_service;
MainWindowControls g_controls;
ClientSize g_size;
KeyboardOrigin g_origin;

LRESULT CALLBACK BenchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintMainWindow(window, g_state, g_service, g_controls, g_size, g_origin, {}, false, {});
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

void Report(const char* what, std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  double sum = 0;
  for (double s : samples) sum += s;
  std::printf("%s: mean %.3f ms, p50 %.3f ms, p99 %.3f ms over %zu\n", what,
              sum / static_cast<double>(samples.size()), samples[samples.size() / 2],
              samples[samples.size() * 99 / 100], samples.size());
}

}  // namespace
}  // namespace velmira

int main() {
  using namespace velmira;
  ShellResources& shell = Shell();
  shell.instance = GetModuleHandleA(nullptr);
  shell.instrumentPictures = LoadBitmapA(shell.instance, MAKEINTRESOURCEA(110));
  shell.keyCapPicture = LoadBitmapA(shell.instance, MAKEINTRESOURCEA(114));
  shell.BackgroundColour = RGB(20, 100, 20);
  if (shell.instrumentPictures == nullptr || shell.keyCapPicture == nullptr) {
    std::fprintf(stderr, "draw-bench: the bitmaps are missing\n");
    return 1;
  }

  WNDCLASSA type{};
  type.lpfnWndProc = BenchProc;
  type.hInstance = shell.instance;
  type.hbrBackground = CreateSolidBrush(shell.BackgroundColour);
  type.lpszClassName = "DrawBench";
  RegisterClassA(&type);
  const int width = 1920, height = 1080;
  HWND window = CreateWindowExA(0, "DrawBench", "draw-bench", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                height, nullptr, nullptr, shell.instance, nullptr);
  MeasureCell(window, g_controls);
  g_size = ClientSize{width, height};
  g_origin = LayoutKeyboard(width, height, g_controls.cellHeight);
  UpdateWindow(window);

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  const int kStrokes = 2000, kPaints = 200;

  std::vector<double> strokes;
  for (int i = 0; i < kStrokes; ++i) {
    const int slot = 0x1E + (i % 11);
    QueryPerformanceCounter(&start);
    HDC dc = GetDC(window);
    HDC capSource = BeginKeyDrawing(dc);
    DrawKeyCap(dc, capSource, g_origin, slot, (i & 1) == 0, (i / 2) % 3 - 1, nullptr);
    EndKeyDrawing(dc, capSource);
    ReleaseDC(window, dc);
    GdiFlush();
    QueryPerformanceCounter(&end);
    strokes.push_back(Ms(start, end, frequency));
  }

  std::vector<double> paints;
  for (int i = 0; i < kPaints; ++i) {
    QueryPerformanceCounter(&start);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    GdiFlush();
    QueryPerformanceCounter(&end);
    paints.push_back(Ms(start, end, frequency));
  }
  DestroyWindow(window);

  Report("stroke drawing", strokes);
  Report("full paint 1920x1080", paints);
  return 0;
}
