#include "qt/key_input.h"

#include <QGuiApplication>
#include <QKeyEvent>

// Xlib's macros (Bool, Status, None) clash with Qt's names: it comes after Qt.
#include <X11/XKBlib.h>

namespace velmira {

int ScanCodeOf(const QKeyEvent& event) {
  const quint32 code = event.nativeScanCode();
  return code >= 8 && code < 8 + 256 ? static_cast<int>(code - 8) : 0;
}

namespace {
Display* X11Display() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 == nullptr ? nullptr : x11->display();
}
}  // namespace

bool RequestDetectableAutoRepeat() {
  Display* display = X11Display();
  if (display == nullptr) return false;
  Bool supported = False;
  return XkbSetDetectableAutoRepeat(display, True, &supported) && supported;
}

bool ReadKeysDown(bool down[256]) {
  Display* display = X11Display();
  if (display == nullptr) return false;
  char keys[32] = {};
  XQueryKeymap(display, keys);
  for (int scan = 0; scan < 256; ++scan) {
    const int code = scan + 8;
    down[scan] = code < 256 && (keys[code / 8] & (1 << (code % 8))) != 0;
  }
  return true;
}

}  // namespace velmira
