// The Linux program's entry point: --version and --help, the five-second cover, the main
// window, the event loop.
#include <QApplication>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "qt/key_input.h"
#include "qt/main_window.h"

namespace {

constexpr char kUsage[] =
    "Usage: velmira [FILE.qji]\n"
    "Turns the computer keyboard into a musical instrument.\n"
    "\n"
    "  FILE.qji    a performance to load at start and play once\n"
    "  --version   print the version and exit\n"
    "  --help      print this help and exit\n"
    "\n"
    "Keys: the four main rows play notes; Shift and Ctrl raise or lower an octave; the space\n"
    "bar is the sustain pedal; Esc stops every note; Alt+O and Alt+C switch on and off.\n";

// The file named on the command line: the arguments after the program's name that are not
// Qt's own options, joined by blanks (a path with blanks may come unquoted).
std::string CommandLineFile(const QStringList& arguments) {
  std::string file;
  for (int i = 1; i < arguments.size(); ++i) {
    if (!file.empty()) file += ' ';
    file += arguments[i].toStdString();
  }
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("velmira %s\n", VELMIRA_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("velmira");
  QApplication::setApplicationVersion(VELMIRA_VERSION);
  velmira::RequestDetectableAutoRepeat();

  velmira::Pictures pictures;
  if (!pictures.Load()) {
    std::fputs("velmira: the program's pictures are missing from its resources\n", stderr);
    return 1;
  }
  const std::string file = CommandLineFile(QApplication::arguments());

  QSplashScreen splash(QPixmap::fromImage(pictures.splash));
  splash.setWindowTitle("Velmira");
  splash.show();
  std::unique_ptr<velmira::MainWindow> window;
  int result = 0;
  QTimer::singleShot(5000, [&] {
    splash.close();
    window = std::make_unique<velmira::MainWindow>(pictures);
    window->setGeometry(QApplication::primaryScreen()->availableGeometry());
    if (!window->Start(file.c_str())) {
      QApplication::quit();
      return;
    }
    window->show();
    window->activateWindow();
    window->centralWidget()->setFocus();
  });
  result = QApplication::exec();
  window.reset();
  return result;
}
