// The main window's client area: it paints the instrument, takes the keys and the mouse, and
// holds the two bars and the five transport buttons where the layout puts them. It is the
// engine's key-cap drawer: a cap drawn by the engine is remembered and repainted.
#pragma once

#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "app/app_controller.h"
#include "app/key_repeat_filter.h"
#include "qt/painting.h"
#include "qt/services.h"

namespace velmira {

class InstrumentView final : public QWidget, public KeyCapDrawer {
 public:
  InstrumentView(const Pictures& pictures, QWidget* parent);

  // The controller, the device whose name the status line shows, and where commands go
  // (Alt+O, Alt+C and the transport buttons).
  void Attach(AppController* app, MidiOutputService* midi, std::function<void(int)> command);
  // Whether this display repeats a held key as release/press pairs (detectable auto-repeat
  // refused).
  void SetPairedRepeats(bool paired) { repeats_.SetPairedRepeats(paired); }

  QScrollBar* Bar(int controlId) const;
  QPushButton* Button(int commandId) const;
  // A repaint of everything: every cap is shown released, as after any full repaint.
  void InvalidateAll();
  void InvalidateRecordingIndicator();

  void DrawKeyCap(int slot, bool pressed, bool useGivenShift, int givenShift) override;
  void SetMarks(const std::vector<CapMark>& marks) override;
  void DrawPedal(bool down) override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void OnBarAction(QScrollBar* bar, int controlId, int action);
  // A stroke that the repeat filter lets through, with the modifiers of its event.
  void Deliver(int scanCode, bool down, Qt::KeyboardModifiers modifiers);
  void ShowBarValue(QScrollBar* bar, int controlId, bool atPointer);
  void ReleaseMouseKey();

  const Pictures& pictures_;
  AppController* app_ = nullptr;
  MidiOutputService* midi_ = nullptr;
  std::function<void(int)> command_;
  QScrollBar* velocityBar_;
  QScrollBar* pitchBendBar_;
  QPushButton* buttons_[5];
  CapStates caps_;
  KeyboardOrigin origin_;
  MouseKeys mouse_;
  KeyRepeatFilter repeats_;
  QTimer pairWait_;  // a release held back for the press of its auto-repeat pair
  int cellWidth_ = 0;
  int cellHeight_ = 0;
};

}  // namespace velmira
