// The Linux program's entry point: --version and --help, the five-second cover, the main
// window, the event loop.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QSplashScreen>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "qt/key_input.h"
#include "qt/latency_probe.h"
#include "qt/main_window.h"
#include "qt/termination.h"

namespace {

constexpr char kUsage[] =
    "Usage: velmira [FILE.qji | --learn SONG.txt]\n"
    "Turns the computer keyboard into a musical instrument.\n"
    "\n"
    "  FILE.qji         a performance to load at start and play once\n"
    "  --learn SONG.txt a song in jianpu text to learn: its lesson starts at once\n"
    "  --version        print the version and exit\n"
    "  --help           print this help and exit\n"
    "\n"
    "The built-in synthesizer:\n"
    "\n";

constexpr char kKeys[] =
    "\n"
    "Keys: the four main rows play notes; Shift and Ctrl raise or lower an octave; the space\n"
    "bar is the sustain pedal; Esc stops every note; Alt+O and Alt+C switch on and off.\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("velmira %s\n", VELMIRA_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      std::fputs(velmira::kOptionsHelp, stdout);
      std::fputs(kKeys, stdout);
      return 0;
    }
  }
  // The command line is read once, before Qt opens the display (a wrong option gets the usage
  // also where there is none), as its bytes with Qt's own options passed over: a file's name
  // that is not UTF-8, as files from the Windows program arrive, still opens.
  const velmira::ProgramOptions options =
      velmira::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!options.error.empty()) {
    std::fprintf(stderr, "velmira: %s (see velmira --help)\n", options.error.c_str());
    return 2;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("velmira");
  QApplication::setApplicationVersion(VELMIRA_VERSION);
  // Qt's own words (the buttons of message boxes and file dialogs) in the program's language.
  QTranslator qtWords;
  if (qtWords.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtWords);
  }
  // Where the X server does not grant detectable auto-repeat (or a test asks to do without it),
  // a held key repeats as release/press pairs.
  const bool pairedRepeats = qEnvironmentVariableIsSet("VELMIRA_PAIRED_REPEATS") ||
                             !velmira::RequestDetectableAutoRepeat();

  velmira::Pictures pictures;
  if (!pictures.Load()) {
    std::fputs("velmira: the program's pictures are missing from its resources\n", stderr);
    return 1;
  }
  velmira::LatencyProbe::Instance().Enable(
      qEnvironmentVariable("VELMIRA_LATENCY_LOG").toStdString());

  QSplashScreen splash(QPixmap::fromImage(pictures.splash));
  splash.setWindowTitle("Velmira");
  splash.show();
  std::unique_ptr<velmira::MainWindow> window;
  int result = 0;
  velmira::OnTermination([&] {
    if (window) {
      window->EndWithoutAsking();
    } else {
      QApplication::quit();
    }
  });
  QTimer::singleShot(5000, [&] {
    splash.close();
    window = std::make_unique<velmira::MainWindow>(pictures, options, pairedRepeats);
    window->setGeometry(QApplication::primaryScreen()->availableGeometry());
    const std::string commandLine =
        options.learn.empty() ? options.file : "--learn \"" + options.learn + "\"";
    if (!window->Start(commandLine.c_str())) {
      QApplication::quit();
      return;
    }
    // Maximized: a window manager fits it, frame and all, into the screen's available area;
    // without one it keeps the geometry above.
    window->showMaximized();
    window->activateWindow();
    window->centralWidget()->setFocus();
  });
  result = QApplication::exec();
  window.reset();
  velmira::LatencyProbe::Instance().Write();
  return result;
}
