#include "qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSessionManager>
#include <QToolBar>

#include <cstdio>

#include "commands/command_ids.h"
#include "commands/instrument_table.h"
#include "qt/help.h"
#include "qt/variant.h"

namespace velmira {

MainWindow::MainWindow(const Pictures& pictures, const ProgramOptions& options)
    : pictures_(pictures),
      midi_(CreateMidiOutputService(clock_, options)),
      sink_(
          this,
          [this](const PerformanceEvent* events, uint32_t index) {
            if (app_) app_->OnPlayEvent(events, index);
          },
          [this] { Command(CMD_PLAY_STOP); }),
      view_(new InstrumentView(pictures, this)) {
  setWindowTitle("Velmira");
  setWindowIcon(QIcon(":/velmira.ico"));
  setCentralWidget(view_);
  AddToolbar();
  playTimer_.setSingleShot(true);
  connect(&playTimer_, &QTimer::timeout, this, [this] {
    if (app_ && app_->OnStartupTimer()) Command(CMD_PLAY);
  });
  recordingTick_.setInterval(250);
  connect(&recordingTick_, &QTimer::timeout, this, [this] {
    if (app_) app_->OnRecordingTick();
  });
  app_ = std::make_unique<AppController>(
      AppServices{*midi_, *this, modifiers_, clock_, timers_, sink_, calendar_});
  app_->SetDrawer(view_);
  // The end of the desktop session asks as closing the window does; No ends without saving.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (app_ && !shutDown_ && !app_->OnQueryEndSession()) manager.cancel();
  });
  view_->Attach(app_.get(), midi_.get(), &modifiers_, [this](int id) { Command(id); });
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
  app_->OnCommand(CMD_SWITCH_OFF);
  ReportMenuBar(menuBar());
  shutDown_ = true;
  playTimer_.stop();
  recordingTick_.stop();
  sink_.Close();
  app_->OnDestroy();
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
  const std::string reason = TakeDeviceError();
  if (!reason.empty()) box.setInformativeText(QString::fromStdString(reason));
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
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default:
      return buttons == MessageButtons::YesNoCancel ? MessageAnswer::Cancel : MessageAnswer::Ok;
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

bool MainWindow::ChooseFile(FileDialog dialog, char* path, char* title) {
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
  if (*path != '\0') chooser.selectFile(QString::fromUtf8(path));
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return false;
  const QByteArray chosen = chooser.selectedFiles().first().toUtf8();
  const QByteArray name = QFileInfo(chooser.selectedFiles().first()).fileName().toUtf8();
  // The core keeps paths of fewer than 260 bytes, as the Windows program does.
  if (chosen.size() >= 260) {
    ShowMessage("文件名太长.", "QJ", MessageIcon::Exclamation, MessageButtons::Ok, true);
    return false;
  }
  std::snprintf(path, 260, "%s", chosen.constData());
  std::snprintf(title, 260, "%s", name.constData());
  return true;
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
