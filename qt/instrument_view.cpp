#include "qt/instrument_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "commands/command_ids.h"
#include "commands/transport_buttons.h"
#include "engine/note_engine.h"
#include "qt/key_input.h"
#include "qt/latency_probe.h"
#include "view/bar_value.h"
#include "view/window_layout.h"

namespace velmira {

namespace {
QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

QScrollBar* MakeBar(QWidget* parent, int minimum, int maximum, int position) {
  auto* bar = new QScrollBar(Qt::Vertical, parent);
  bar->setRange(minimum, maximum);
  bar->setValue(position);
  bar->setFocusPolicy(Qt::NoFocus);
  bar->setMouseTracking(true);
  return bar;
}
}  // namespace

InstrumentView::InstrumentView(const Pictures& pictures, QWidget* parent)
    : QWidget(parent), pictures_(pictures) {
  setFocusPolicy(Qt::StrongFocus);
  // Keys must play even where an input method is active.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  const QFontMetrics metrics(font());
  cellWidth_ = metrics.horizontalAdvance(QLatin1Char('M'));
  cellHeight_ = metrics.height();
  // Below this size the picture, the keys and the controls would cover each other.
  const ClientExtent smallest = MinimumClientSize(cellWidth_, cellHeight_);
  setMinimumSize(smallest.width, smallest.height);

  velocityBar_ = MakeBar(this, 1, 127, 1);
  pitchBendBar_ = MakeBar(this, 1, 16383, 8192);
  velocityBar_->setPageStep(8);
  pitchBendBar_->setPageStep(1024);
  for (auto [bar, id] : {std::pair{velocityBar_, IDC_VELOCITY}, {pitchBendBar_, IDC_PITCH_BEND}}) {
    connect(bar, &QScrollBar::actionTriggered, this,
            [this, bar = bar, id = id](int action) { OnBarAction(bar, id, action); });
    connect(bar, &QScrollBar::sliderReleased, this, [this, bar = bar, id = id] {
      if (app_ != nullptr) app_->OnBar(id, BarAction::Release, bar->sliderPosition());
      ShowBarValue(bar, id, true);
    });
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar = bar, id = id] { ShowBarValue(bar, id, false); });
    ShowBarValue(bar, id, false);
  }
  pairWait_.setSingleShot(true);
  connect(&pairWait_, &QTimer::timeout, this, [this] {
    repeats_.Flush([this](int key, bool down) { Deliver(key, down, Qt::NoModifier); });
  });
  for (int i = 0; i < kTransportButtonCount; ++i) {
    buttons_[i] = new QPushButton(QString::fromUtf8(kTransportButtons[i].label), this);
    buttons_[i]->setFocusPolicy(Qt::NoFocus);  // the keyboard stays with the instrument
    buttons_[i]->setEnabled(i == 0);
    const int id = kTransportButtons[i].id;
    connect(buttons_[i], &QPushButton::clicked, this, [this, id] {
      if (command_) command_(id);
    });
  }
}

void InstrumentView::Attach(AppController* app, MidiOutputService* midi,
                            std::function<void(int)> command) {
  app_ = app;
  midi_ = midi;
  command_ = std::move(command);
}

QScrollBar* InstrumentView::Bar(int controlId) const {
  if (controlId == IDC_VELOCITY) return velocityBar_;
  if (controlId == IDC_PITCH_BEND) return pitchBendBar_;
  return nullptr;
}

QPushButton* InstrumentView::Button(int commandId) const {
  for (int i = 0; i < kTransportButtonCount; ++i) {
    if (kTransportButtons[i].id == commandId) return buttons_[i];
  }
  return nullptr;
}

void InstrumentView::InvalidateAll() {
  caps_.ReleaseAll();
  update();
}

void InstrumentView::InvalidateRecordingIndicator() {
  const PaintLayout at = LayoutPaint(width(), height(), cellWidth_, cellHeight_, width());
  update(ToQRect(at.recording.box));
}

void InstrumentView::DrawKeyCap(int slot, bool pressed, bool useGivenShift, int givenShift) {
  if (app_ == nullptr || slot < 0 || slot >= kKeySlotCount) return;
  const int sourceX = CapSourceX(pressed, useGivenShift ? givenShift : app_->state().shiftState);
  if (sourceX >= 0) caps_.sourceX[slot] = sourceX;  // else the picture stays as it was
  update(ToQRect(CapRect(origin_, slot)));
}

void InstrumentView::SetMarks(const std::vector<CapMark>& marks) {
  for (const CapMark& mark : caps_.marks) update(ToQRect(CapRect(origin_, mark.slot)));
  caps_.marks = marks;
  for (const CapMark& mark : caps_.marks) update(ToQRect(CapRect(origin_, mark.slot)));
}

void InstrumentView::DrawPedal(bool) {
  if (!IsEmpty(origin_.pedal)) update(ToQRect(origin_.pedal));
}

// Bar actions as the core's, by QAbstractSlider::SliderAction. A move without a drag is the
// wheel: a line, as over the Windows program's bars.
void InstrumentView::OnBarAction(QScrollBar* bar, int controlId, int action) {
  using A = BarAction;
  static constexpr A kActions[] = {A::Other,  A::LineDown, A::LineUp, A::PageDown,
                                   A::PageUp, A::Other,    A::Other,  A::Track};
  A what = action >= 0 && action < 8 ? kActions[action] : A::Other;
  if (what == A::Track && !bar->isSliderDown()) {
    what = bar->sliderPosition() < bar->value() ? A::LineUp : A::LineDown;
  }
  if (app_ != nullptr) app_->OnBar(controlId, what, bar->sliderPosition());
  if (what == A::Track) ShowBarValue(bar, controlId, true);
}

void InstrumentView::ShowBarValue(QScrollBar* bar, int controlId, bool atPointer) {
  const QString text = QString::fromUtf8(BarValueText(controlId, bar->sliderPosition()).c_str());
  bar->setToolTip(text);
  if (atPointer) QToolTip::showText(QCursor::pos(), text, bar);
}

bool InstrumentView::event(QEvent* event) {
  // Alt+O and Alt+C switch the instrument, ahead of the menus' access keys.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::AltModifier &&
        (key->key() == Qt::Key_O || key->key() == Qt::Key_C || key->key() == Qt::Key_F4)) {
      event->accept();
      return true;
    }
  }
  return QWidget::event(event);
}

void InstrumentView::paintEvent(QPaintEvent*) {
  if (app_ == nullptr || midi_ == nullptr) return;
  QPainter painter(this);
  PaintWindow(painter, pictures_, font(),
              WindowPaint{app_->state(), *midi_, caps_, origin_, app_->engine().PedalDown(),
                          app_->Indicator(), width(), height(), cellWidth_, cellHeight_});
}

void InstrumentView::resizeEvent(QResizeEvent*) {
  origin_ = LayoutKeyboard(width(), height(), cellHeight_);
  const ControlLayout layout = LayoutControls(width(), height(), cellWidth_, cellHeight_);
  for (const ControlPlacement& c : layout.controls) {
    QWidget* control = Bar(c.id);
    if (control == nullptr) control = Button(c.id);
    if (control != nullptr) control->setGeometry(c.left, c.top, c.width, c.height);
  }
  update();
}

void InstrumentView::Deliver(int scanCode, bool down, Qt::KeyboardModifiers modifiers) {
  if (app_ != nullptr)
    app_->OnKey(
        KeyStroke(scanCode, down, modifiers & Qt::ShiftModifier, modifiers & Qt::ControlModifier));
}

void InstrumentView::keyPressEvent(QKeyEvent* event) {
  LatencyProbe::Instance().KeyArrived();
  if (event->modifiers() & Qt::AltModifier) {
    // A key struck with Alt belongs to the menus and accelerators: it plays nothing, and its
    // key-up finds nothing to end.
    if (event->key() == Qt::Key_O && command_) command_(CMD_SWITCH_ON);
    if (event->key() == Qt::Key_C && command_) command_(CMD_SWITCH_OFF);
    // Alt+F4 closes the program as on Windows, where no window manager does.
    if (event->key() == Qt::Key_F4) window()->close();
    QWidget::keyPressEvent(event);
    return;
  }
  const int scan = ScanCodeOf(*event);
  if (app_ == nullptr || scan == 0) return QWidget::keyPressEvent(event);
  // Qt marks most auto-repeat pairs itself; the filter catches the rest.
  if (!event->isAutoRepeat()) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    repeats_.Press(scan, static_cast<uint32_t>(event->timestamp()),
                   [&](int key, bool down) { Deliver(key, down, modifiers); });
  }
  // The Esc character, which Ctrl+[ types too, stops every note, as on Windows.
  if (event->key() == Qt::Key_Escape || event->text() == QStringLiteral("\x1b")) app_->OnChar(27);
}

void InstrumentView::keyReleaseEvent(QKeyEvent* event) {
  const int scan = ScanCodeOf(*event);
  if (app_ == nullptr || scan == 0 || event->isAutoRepeat()) return;
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (repeats_.Release(scan, static_cast<uint32_t>(event->timestamp()),
                       [&](int key, bool down) { Deliver(key, down, modifiers); })) {
    pairWait_.start(KeyRepeatFilter::kPairWaitMs);
  }
}

void InstrumentView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || app_ == nullptr) return;
  const QPoint at = event->position().toPoint();
  const int slot = mouse_.ButtonDown(origin_, at.x(), at.y());
  if (slot < 0) return;
  app_->OnKey(MouseStroke(slot, true, event->modifiers() & Qt::ShiftModifier,
                          event->modifiers() & Qt::ControlModifier));
}

void InstrumentView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) ReleaseMouseKey();
}

void InstrumentView::ReleaseMouseKey() {
  const int slot = mouse_.ButtonUp();
  if (slot >= 0 && app_ != nullptr) app_->OnKey(MouseStroke(slot, false, false, false));
}

void InstrumentView::focusOutEvent(QFocusEvent*) {
  // The key-ups (and the mouse button's release) would go to another window. The repeat filter
  // keeps the keys that are held: their repeats must not strike again when the focus returns.
  ReleaseMouseKey();
  pairWait_.stop();
  repeats_.Flush([this](int key, bool down) { Deliver(key, down, Qt::NoModifier); });
  if (app_ != nullptr) app_->OnFocusLost();
}

void InstrumentView::focusInEvent(QFocusEvent*) {
  // Keys released in another window are up; those still held stay down.
  bool down[256];
  if (ReadKeysDown(down)) {
    repeats_.Resync([&](int key) { return down[key]; });
  } else {
    repeats_.Resync([](int) { return false; });
  }
}

}  // namespace velmira
