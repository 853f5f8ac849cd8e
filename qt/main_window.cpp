#include "qt/main_window.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QToolBar>

#include "commands/command_ids.h"
#include "commands/instrument_table.h"
#include "qt/data_files.h"
#include "qt/score_painting.h"
#include "qt/score_window.h"
#include "qt/variant.h"
#include "record/file_system.h"

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
  lessonTick_.setInterval(20);
  connect(&lessonTick_, &QTimer::timeout, this, [this] {
    if (app_ && !shutDown_) app_->OnLessonTick();
  });
  app_ = std::make_unique<AppController>(AppServices{*midi_, *this, clock_, timers_, sink_, sink_,
                                                     calendar_, *this, Scheduling::Timeline,
                                                     &std::realloc, DataFolder(), SongFolder()});
  app_->SetDrawer(view_);
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
  lessonTick_.stop();
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

void MainWindow::ShowHelp() {
  OpenHelp(this, [this](const QString& page) {
    ShowMessage(
        ("没有找到能打开帮助的浏览器, 或帮助页不在. 帮助页:\n" + page.toStdString()).c_str(),
        "Velmira", MessageIcon::Exclamation, MessageButtons::Ok, true);
  });
}

void MainWindow::ShowAbout() {
  QMessageBox box(this);
  // Room for the title, which a box as narrow as its text would cut.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(240, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
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
  // The filters and each one's suffix, the first the default.
  QStringList filters;
  QStringList suffixes;
  switch (dialog) {
    case FileDialog::Open:
    case FileDialog::Save:
      filters << QStringLiteral("QJI Files (*.qji *.QJI)");
      suffixes << QStringLiteral("qji");
      break;
    case FileDialog::Export:
      filters << QStringLiteral("Midi Files (*.mid *.MID)");
      suffixes << QStringLiteral("mid");
      break;
    case FileDialog::Song:
      filters << QString::fromUtf8("简谱文本 (*.txt *.TXT)");
      suffixes << QStringLiteral("txt");
      break;
    case FileDialog::ScoreExport:
      filters << QString::fromUtf8("简谱文本 (*.txt)") << QString::fromUtf8("SVG 图 (*.svg)")
              << QString::fromUtf8("PDF 文档 (*.pdf)");
      suffixes << QStringLiteral("txt") << QStringLiteral("svg") << QStringLiteral("pdf");
      break;
  }
  const bool opening = dialog == FileDialog::Open || dialog == FileDialog::Song;
  QFileDialog chooser(this);
  chooser.setNameFilters(filters);
  chooser.setDefaultSuffix(suffixes.first());
  connect(&chooser, &QFileDialog::filterSelected, &chooser, [&](const QString& filter) {
    chooser.setDefaultSuffix(suffixes.value(filters.indexOf(filter), suffixes.first()));
  });
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  // The titles of the Windows program's common dialogs.
  chooser.setWindowTitle(QString::fromUtf8(opening ? "打开" : "另存为"));
  if (opening) {
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
  } else {
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
  }
  if (!suggested.empty()) {
    chooser.selectFile(QFile::decodeName(suggested.c_str()));
  } else if (!openFolder_.isEmpty()) {
    chooser.setDirectory(openFolder_);  // the installed demo and songs, the first time
  }
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return false;
  // The name's bytes as the file system has them (QFile::encodeName), UTF-8 or not.
  *chosen = QFile::encodeName(chooser.selectedFiles().first()).toStdString();
  if (opening) openFolder_ = chooser.directory().absolutePath();
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

void MainWindow::ShowScoreWindow(bool shown) {
  if (shown && !scoreWindow_) {
    scoreWindow_ = new ScoreWindow(*app_, this);
    scoreWindow_->setWindowTitle(scoreTitle_);
    // At the right, below the menus and the toolbar, where the instrument has room.
    const QRect area = screen()->availableGeometry();
    const QPoint top = centralWidget()->mapToGlobal(QPoint(0, 0));
    scoreWindow_->move(std::max(area.left(), area.right() - scoreWindow_->width()),
                       std::max(area.top(), top.y()));
  }
  if (!scoreWindow_) return;
  if (shown) {
    scoreWindow_->show();
    scoreWindow_->Refresh(false);
    activateWindow();  // the keys stay with the instrument
  } else {
    scoreWindow_->hide();
  }
}

void MainWindow::SetScoreWindowTitle(const char* title) {
  scoreTitle_ = QString::fromUtf8(title);
  if (scoreWindow_) scoreWindow_->setWindowTitle(scoreTitle_);
}

void MainWindow::UpdateScoreWindow(bool keepNewestInView) {
  if (scoreWindow_ && scoreWindow_->isVisible()) scoreWindow_->Refresh(keepNewestInView);
}

// A4 pages of the layout, its lines never cut: a line that does not fit starts the next page.
bool MainWindow::ScorePdf(const ScoreLayout& layout, std::string* bytes) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setCreator(QStringLiteral("Velmira " VELMIRA_VERSION));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const QRect area = painter.viewport();
    const double scale = area.width() / static_cast<double>(layout.width);
    const std::vector<float> tops =
        PageTops(layout, static_cast<float>(area.height() / scale));  // in layout units
    for (size_t page = 0; page < tops.size(); ++page) {
      if (page > 0) writer.newPage();
      const double bottom = page + 1 < tops.size() ? tops[page + 1] : layout.height;
      painter.setClipRect(QRectF(0, 0, area.width(), (bottom - tops[page]) * scale));
      PaintScore(painter, layout, scale, QPointF(0, -tops[page] * scale));
    }
    painter.end();
  }
  *bytes = buffer.data().toStdString();
  return !bytes->empty();
}

void MainWindow::SetLessonTick(bool running) {
  if (running) {
    lessonTick_.start();
  } else {
    lessonTick_.stop();
  }
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
