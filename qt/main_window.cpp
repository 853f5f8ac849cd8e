#include "qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSessionManager>
#include <QToolBar>

#include "commands/command_ids.h"
#include "commands/instrument_table.h"
#include "qt/help.h"
#include "qt/variant.h"
#include "record/recovery_folder.h"

namespace velmira {

MainWindow::MainWindow(const Pictures& pictures, const ProgramOptions& options, bool pairedRepeats)
    : pictures_(pictures),
      midi_(CreateMidiOutputService(clock_, options)),
      sink_(
          this,
          [this](const PerformanceEvent* events, uint32_t index) {
            if (app_) app_->OnPlayEvent(events, index);
          },
          [this] { Command(CMD_PLAY_STOP); },
          [this](uint32_t generation, int64_t click, bool start) {
            if (app_ && !shutDown_) app_->OnClick(generation, click, start);
          }),
      view_(new InstrumentView(pictures, this)) {
  setWindowTitle("Velmira");
  setWindowIcon(QIcon(":/velmira.ico"));
  setCentralWidget(view_);
  AddToolbar();
  playTimer_.setSingleShot(true);
  connect(&playTimer_, &QTimer::timeout, this, [this] {
    if (!app_ || shutDown_) return;
    app_->OnStartupTimer();
    ReportMenuBar(menuBar());
  });
  recordingTick_.setInterval(250);
  connect(&recordingTick_, &QTimer::timeout, this, [this] {
    if (app_) app_->OnRecordingTick();
  });
  app_ = std::make_unique<AppController>(AppServices{*midi_, *this, clock_, timers_, sink_, sink_,
                                                     calendar_, Scheduling::Timeline, &std::realloc,
                                                     DataFolder()});
  app_->SetDrawer(view_);
  // The end of the desktop session asks as closing the window does; No ends without saving.
  // The end of the desktop session asks as closing the window does, where the session lets the
  // program ask; where it does not, the take is kept in its recovery copy.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (!app_ || shutDown_) return;
    if (!manager.allowsInteraction()) {
      app_->OnEndWithoutAsking();
      return;
    }
    const bool mayEnd = app_->OnQueryEndSession();
    manager.release();
    if (!mayEnd) manager.cancel();
  });
  view_->Attach(app_.get(), midi_.get(), [this](int id) { Command(id); });
  view_->SetPairedRepeats(pairedRepeats);
}

MainWindow::~MainWindow() { Shutdown(); }

bool MainWindow::Start(const char* commandLine) {
  if (!app_->OnCreate(commandLine)) return false;
  ReportMenuBar(menuBar());
  return true;
}

void MainWindow::Command(int commandId) {
  if (!app_ || shutDown_) return;
  app_->OnCommand(static_cast<unsigned>(commandId));
  ReportMenuBar(menuBar());
}

void MainWindow::EndWithoutAsking() {
  if (app_ && !shutDown_) app_->OnEndWithoutAsking();
  Shutdown();
  QApplication::quit();
}

void MainWindow::AddToolbar() {
  toolbar_ = addToolBar(QStringLiteral("instruments"));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setIconSize(QSize(32, 32));
  toolbar_->setFocusPolicy(Qt::NoFocus);
  toolbar_->toggleViewAction()->setVisible(false);
  for (int i = 0; i < kToolbarButtonCount; ++i) {
    const ToolbarButton& b = ToolbarButtons[i];
    const int command = CMD_PROGRAM_BASE + InstrumentTable[b.group].entries[b.item].program;
    const QPixmap icon = QPixmap::fromImage(pictures_.toolbar.copy(32 * i, 0, 32, 32));
    QAction* action = toolbar_->addAction(QIcon(icon), QString());
    action->setToolTip(QString::fromUtf8(ToolbarTip(i).c_str()));
    connect(action, &QAction::triggered, this, [this, command] { Command(command); });
  }
  for (QWidget* button : toolbar_->findChildren<QWidget*>()) button->setFocusPolicy(Qt::NoFocus);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (shutDown_ || !app_ || !app_->OnCloseRequest()) {
    event->ignore();
    return;
  }
  Shutdown();
  event->accept();
  QApplication::quit();
}

// Switches the instrument off, stops playback and releases the buffers; no timer callback
// waits on the window afterwards.
void MainWindow::Shutdown() {
  if (shutDown_ || !app_) return;
  shutDown_ = true;
  playTimer_.stop();
  recordingTick_.stop();
  sink_.Close();
  app_->OnDestroy();
  ReportMenuBar(menuBar());
}

void MainWindow::CheckMenuItem(int commandId, bool checked) {
  const auto it = actions_.find(commandId);
  if (it != actions_.end()) it->second->setChecked(checked);
}

void MainWindow::Invalidate(bool) { view_->InvalidateAll(); }

void MainWindow::SetScrollPosition(int controlId, int position) {
  if (QScrollBar* bar = view_->Bar(controlId)) {
    const QSignalBlocker blocker(bar);
    bar->setSliderPosition(position);
    bar->setValue(position);
  }
}

void MainWindow::Beep(MessageIcon) { QApplication::beep(); }

MessageAnswer MainWindow::ShowMessage(const char* text, const char* caption, MessageIcon icon,
                                      MessageButtons buttons, bool owned) {
  QMessageBox box(owned && isVisible() ? this : nullptr);
  box.setWindowTitle(QString::fromUtf8(caption));
  box.setText(QString::fromUtf8(text));
  switch (icon) {
    case MessageIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::None: break;
  }
  if (buttons == MessageButtons::YesNoCancel) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
  } else if (buttons == MessageButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default:
      // Closed without an answer (the program was told to end meanwhile): no choice was made.
      return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }
}

void MainWindow::AttachMenuBar(const MenuBar& model) {
  actions_ = BuildMenuBar(menuBar(), model, [this](int id) { Command(id); });
  ExtendMenuBar(menuBar(), this);
}

void MainWindow::ShowHelp() { OpenHelp(); }

void MainWindow::ShowAbout() {
  QMessageBox box(this);
  box.setWindowTitle(QStringLiteral("Velmira"));
  box.setIconPixmap(QIcon(":/velmira.ico").pixmap(32, 32));
  box.setText(QStringLiteral("Velmira " VELMIRA_VERSION));
  box.addButton(QString::fromUtf8("确定"), QMessageBox::AcceptRole);
  box.exec();
}

void MainWindow::SetTitle(const char* title) { setWindowTitle(QString::fromUtf8(title)); }

void MainWindow::EnableMenuItem(int commandId, bool enabled) {
  const auto it = actions_.find(commandId);
  if (it != actions_.end()) it->second->setEnabled(enabled);
}

void MainWindow::EnableButton(int buttonId, bool enabled) {
  if (QPushButton* button = view_->Button(buttonId)) button->setEnabled(enabled);
}

void MainWindow::FlushPendingPlayEvents(bool deliver) { sink_.Flush(deliver); }

bool MainWindow::ChooseFile(FileDialog dialog, const std::string& suggested, std::string* chosen) {
  const bool midiFile = dialog == FileDialog::Export;
  QFileDialog chooser(this);
  chooser.setNameFilter(midiFile ? QStringLiteral("Midi Files (*.mid *.MID)")
                                 : QStringLiteral("QJI Files (*.qji *.QJI)"));
  chooser.setDefaultSuffix(midiFile ? QStringLiteral("mid") : QStringLiteral("qji"));
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  // The titles of the Windows program's common dialogs.
  chooser.setWindowTitle(QString::fromUtf8(dialog == FileDialog::Open ? "打开" : "另存为"));
  if (dialog == FileDialog::Open) {
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
  } else {
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
  }
  if (!suggested.empty()) chooser.selectFile(QString::fromUtf8(suggested.c_str()));
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return false;
  *chosen = chooser.selectedFiles().first().toStdString();
  return true;
}

bool MainWindow::AskText(const char* caption, const char* prompt, std::string* text) {
  bool confirmed = false;
  const QString answer =
      QInputDialog::getText(this, QString::fromUtf8(caption), QString::fromUtf8(prompt),
                            QLineEdit::Normal, QString::fromUtf8(text->c_str()), &confirmed);
  if (confirmed) *text = answer.toStdString();
  return confirmed;
}

void MainWindow::SetPlayTimer(unsigned milliseconds) {
  playTimer_.start(static_cast<int>(milliseconds));
}

void MainWindow::SetRecordingTick(bool running) {
  if (running) {
    recordingTick_.start();
  } else {
    recordingTick_.stop();
  }
}

void MainWindow::InvalidateRecordingIndicator() { view_->InvalidateRecordingIndicator(); }

}  // namespace velmira
