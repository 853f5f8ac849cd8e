// The main window of the Linux program: the menu bar, the toolbar of favourite instruments
// and the instrument view, over the application controller. It carries out the controller's
// effects on the user interface.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "app/app_controller.h"
#include "qt/data_files.h"
#include "qt/instrument_view.h"
#include "qt/menu_bar.h"
#include "qt/options.h"
#include "qt/playback_sink.h"
#include "qt/services.h"
#include "record/thread_timer_service.h"

class QToolBar;

namespace velmira {

class ScoreWindow;

class MainWindow final : public QMainWindow, public UiEffects, public ScoreEffects {
 public:
  // pairedRepeats: the display repeats a held key as release/press pairs.
  MainWindow(const Pictures& pictures, const ProgramOptions& options, bool pairedRepeats);
  ~MainWindow() override;

  // Creates the instrument: false when the window must not open (no MIDI output device).
  bool Start(const char* commandLine);
  // Handles a command as a chosen menu item does.
  void Command(int commandId);
  // Told to end (SIGTERM): an unsaved take goes to its recovery copy, then the window closes
  // without a question.
  void EndWithoutAsking();

  // UiEffects
  void CheckMenuItem(int commandId, bool checked) override;
  void Invalidate(bool erase) override;
  void SetScrollPosition(int controlId, int position) override;
  void Beep(MessageIcon icon) override;
  MessageAnswer ShowMessage(const char* text, const char* caption, MessageIcon icon,
                            MessageButtons buttons, bool owned) override;
  void AttachMenuBar(const MenuBar& menuBar) override;
  void ShowHelp() override;
  void ShowAbout() override;
  void SetTitle(const char* title) override;
  void EnableMenuItem(int commandId, bool enabled) override;
  void EnableButton(int buttonId, bool enabled) override;
  void FlushPendingPlayEvents(bool deliver) override;
  bool ChooseFile(FileDialog dialog, const std::string& suggested, std::string* chosen) override;
  bool AskText(const char* caption, const char* prompt, std::string* text) override;

  // ScoreEffects
  void ShowScoreWindow(bool shown) override;
  void SetScoreWindowTitle(const char* title) override;
  void UpdateScoreWindow(bool keepNewestInView) override;
  bool ScorePdf(const ScoreLayout& layout, std::string* bytes) override;
  // The program's text is UTF-8; a file's name may not be: its bytes that are not become U+FFFD.
  std::string ToUtf8(const std::string& text) override {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString();
  }
  std::string FromUtf8(const std::string& utf8) override { return utf8; }
  void SetLessonTick(bool running) override;
  void SetPlayTimer(unsigned milliseconds) override;
  void SetRecordingTick(bool running) override;
  void InvalidateRecordingIndicator() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void AddToolbar();
  void Shutdown();

  const Pictures& pictures_;
  SteadyClock clock_;
  LocalCalendar calendar_;
  ThreadTimerService timers_;
  std::unique_ptr<MidiOutputService> midi_;
  QtPlaybackSink sink_;
  InstrumentView* view_;
  QToolBar* toolbar_ = nullptr;
  CommandActions actions_;
  QTimer playTimer_;
  QTimer recordingTick_;
  QTimer lessonTick_;
  ScoreWindow* scoreWindow_ = nullptr;
  QString scoreTitle_ = QString::fromUtf8("简谱");
  QString openFolder_ = InstalledDataFolder();  // where the file dialogs that open start
  std::unique_ptr<AppController> app_;
  bool shutDown_ = false;
};

}  // namespace velmira
