// The program as players get it: the built-in synthesizer (FluidSynth) as device 0 and the
// ALSA sequencer's ports after it; "选择音色库..." in the device menu.
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>

#include "engine/logged_midi_output.h"
#include "qt/linux_midi_output.h"
#include "qt/soundfont_file.h"
#include "qt/variant.h"

namespace velmira {

namespace {

LinuxMidiOutput* g_output = nullptr;

// The player's choice is remembered in ~/.config/velmira/velmira.ini (XDG_CONFIG_HOME).
QSettings& Settings() {
  static QSettings settings(QSettings::IniFormat, QSettings::UserScope, "velmira", "velmira");
  return settings;
}

bool Usable(const std::string& path) { return SoundFontFileProblem(path).empty(); }

// The remembered path's bytes as the file system has them (UTF-8 or not); older settings
// kept it as text.
std::string RememberedSoundFont() {
  const QVariant value = Settings().value("soundfont");
  if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
  return QFile::encodeName(value.toString()).toStdString();
}

// The remembered choice, then Debian's General MIDI SoundFonts (VELMIRA_SOUNDFONT_DIRS,
// colon-separated, replaces the folder, for tests); the first that is a SoundFont.
std::string FindSoundFont() {
  const std::string remembered = RememberedSoundFont();
  if (!remembered.empty() && Usable(remembered)) return remembered;
  const QByteArray dirs = qgetenv("VELMIRA_SOUNDFONT_DIRS");
  const QList<QByteArray> folders =
      dirs.isNull() ? QList<QByteArray>{"/usr/share/sounds/sf2"} : dirs.split(':');
  for (const QByteArray& folder : folders) {
    for (const char* name : {"default-GM.sf2", "FluidR3_GM.sf2", "TimGM6mb.sf2"}) {
      const std::string path = folder.toStdString() + "/" + name;
      if (Usable(path)) return path;
    }
  }
  return std::string();
}

constexpr char kNoSoundFont[] =
    "找不到 General MIDI 音色库 (SoundFont)，内置合成器无法发声。\n\n"
    "请安装软件包 fluid-soundfont-gm 或 timgm6mb-soundfont，\n"
    "或启动时用 --soundfont 文件.sf2 指定音色库，\n"
    "或在“设备”菜单中用“选择音色库...”选择一个 .sf2/.sf3 文件。";

constexpr char kChooseAnother[] = "可在“设备”菜单中用“选择音色库...”选择一个 .sf2/.sf3 文件。";

// As Alt+O does, when the instrument is off with the synthesizer as its device: the menu
// items' checks are the switch's and the device's state.
void SwitchOnTheSynthesizer(QMenuBar* bar) {
  const QList<QAction*> popups = bar->actions();
  if (popups.size() < 6 || popups[0]->menu() == nullptr || popups[5]->menu() == nullptr) return;
  const QList<QAction*> power = popups[0]->menu()->actions();
  const QList<QAction*> devices = popups[5]->menu()->actions();
  if (power.isEmpty() || devices.isEmpty()) return;
  if (!power[0]->isChecked() && devices[0]->isChecked()) power[0]->trigger();
}

}  // namespace

std::unique_ptr<MidiOutputService> CreateMidiOutputService(Clock& clock,
                                                           const ProgramOptions& options) {
  auto output = std::make_unique<LinuxMidiOutput>(options.audio);
  if (!options.soundFont.empty()) {
    // The player's own choice: where it cannot be used, the box saying that the device cannot
    // be opened says why.
    output->synth().SetSoundFont(options.soundFont);
  } else {
    const std::string font = FindSoundFont();
    if (!font.empty()) {
      output->synth().SetSoundFont(font);
    } else {
      QMessageBox box(QMessageBox::Warning, "QJ", QString::fromUtf8(kNoSoundFont));
      box.exec();
    }
  }
  g_output = output.get();
  const QByteArray log = qgetenv("VELMIRA_MIDI_LOG");
  if (!log.isEmpty()) {
    // Every MIDI call also written to that file, to watch the program at work.
    return std::make_unique<LoggedMidiOutput>(std::move(output), clock, log.toStdString());
  }
  return output;
}

void ExtendMenuBar(QMenuBar* bar, QWidget* window) {
  if (g_output == nullptr) return;
  // The status line names the synthesizer's state: drawn again when its audio server goes away
  // or comes back.
  g_output->synth().SetStateListener([window] {
    QMetaObject::invokeMethod(
        window,
        [window] {
          if (auto* main = qobject_cast<QMainWindow*>(window)) main->centralWidget()->update();
        },
        Qt::QueuedConnection);
  });
  // The device menu is the sixth popup; the item follows the devices.
  const QList<QAction*> popups = bar->actions();
  if (popups.size() < 6 || popups[5]->menu() == nullptr) return;
  QAction* choose = popups[5]->menu()->addAction(QString::fromUtf8("选择音色库..."));
  QObject::connect(choose, &QAction::triggered, window, [bar, window] {
    const QString path = QFileDialog::getOpenFileName(
        window, QString::fromUtf8("选择音色库"),
        QFileInfo(QFile::decodeName(g_output->synth().soundFont().c_str())).path(),
        "SoundFont (*.sf2 *.sf3 *.SF2 *.SF3)");
    if (path.isEmpty()) return;
    const QByteArray bytes = QFile::encodeName(path);
    const bool hadNone = !g_output->synth().hasSoundFont();
    if (!g_output->synth().SetSoundFont(bytes.toStdString())) {
      QMessageBox::warning(window, "QJ",
                           QString::fromUtf8("不能用这个音色库。\n\n") +
                               QString::fromStdString(g_output->synth().error()));
      return;
    }
    Settings().setValue("soundfont", bytes);
    Settings().sync();
    // The synthesizer was silent for want of a font: it sounds now.
    if (hadNone) SwitchOnTheSynthesizer(bar);
  });
}

void ReportMenuBar(const QMenuBar*) {}

std::string TakeDeviceError() {
  if (g_output == nullptr) return std::string();
  std::string error = g_output->TakeError();
  if (!error.empty() && !g_output->synth().hasSoundFont())
    error += std::string("\n\n") + kChooseAnother;
  return error;
}

}  // namespace velmira
