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

bool RequestDetectableAutoRepeat() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->display() == nullptr) return false;
  Bool supported = False;
  return XkbSetDetectableAutoRepeat(x11->display(), True, &supported) && supported;
}

}  // namespace velmira
