#include "qt/painting.h"

#include <QFont>
#include <QPainter>

#include "view/window_layout.h"
#include "view/window_texts.h"

namespace velmira {

namespace {

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

// The label font of the caps: a serif face at the size the system's default font has.
QFont LabelFont() {
  QFont font("Times New Roman");
  font.setStyleHint(QFont::Serif);
  return font;
}

void Text(QPainter& painter, Point at, const std::string& text) {
  const QString s = QString::fromUtf8(text.c_str());
  const QFontMetrics metrics(painter.font());
  // The point is the text's top-left corner, on an opaque background.
  painter.fillRect(QRect(at.x, at.y, metrics.horizontalAdvance(s), metrics.height()),
                   painter.background());
  painter.drawText(at.x, at.y + metrics.ascent(), s);
}

void PaintCap(QPainter& painter, const Pictures& pictures, const KeyboardOrigin& origin, int slot,
              int sourceX, const CapMark* mark) {
  const KeySlot& key = KeyMap[slot];
  const Rect cap = CapRect(origin, slot);
  const bool marked = mark != nullptr && sourceX == 0;
  painter.drawImage(QPoint(cap.left, cap.top), pictures.keyCaps,
                    QRect(marked ? kMarkedCapSourceX : sourceX, 0, kCapWidth, kCapHeight));
  painter.setPen(Qt::black);
  if (marked && MarkText(*mark) != nullptr) {
    const QFont label = painter.font();
    QFont small = label;
    small.setPixelSize(9);
    painter.setFont(small);
    painter.drawText(ToQRect(MarkTextRect(cap)), Qt::AlignCenter, MarkText(*mark));
    painter.setFont(label);
  }
  painter.drawText(ToQRect(LabelRect(cap)), Qt::AlignCenter, QString::fromUtf8(key.label));
  const OctaveDots dots = OctaveDotBoxes(cap, key.octave);
  painter.setBrush(Qt::black);
  for (int i = 0; i < dots.count; ++i) {
    const Rect& b = dots.boxes[i];
    painter.drawEllipse(QRect(b.left, b.top, b.right - b.left - 1, b.bottom - b.top - 1));
  }
}

void PaintPedal(QPainter& painter, const Pictures& pictures, const KeyboardOrigin& origin,
                bool down, const QFont& labelFont) {
  if (IsEmpty(origin.pedal)) return;
  const QRect target = ToQRect(origin.pedal);
  painter.drawImage(target, pictures.keyCaps, QRect(CapSourceX(down, 0), 0, kCapWidth, kCapHeight));
  painter.setFont(labelFont);
  painter.setPen(Qt::black);
  painter.drawText(ToQRect(LabelRect(origin.pedal)), Qt::AlignCenter,
                   QString::fromUtf8(kPedalLabel));
}

void PaintRecordingIndicator(QPainter& painter, const RecordingIndicatorLayout& at,
                             const IndicatorState& indicator) {
  const QRect box = ToQRect(at.box);
  painter.save();
  painter.setClipRect(box);
  painter.fillRect(box, painter.background());
  Text(painter, at.text, indicator.text);
  painter.restore();
  const Rgb colour = DotColour(indicator.dot);
  painter.setPen(QColor(colour.r, colour.g, colour.b));
  painter.setBrush(QColor(colour.r, colour.g, colour.b));
  painter.drawEllipse(QRect(at.dot.left, at.dot.top, at.dot.right - at.dot.left - 1,
                            at.dot.bottom - at.dot.top - 1));
}

}  // namespace

bool Pictures::Load() {
  const bool loaded = splash.load(":/splash.bmp") && toolbar.load(":/toolbar.bmp") &&
                      instruments.load(":/instruments.bmp") && keyCaps.load(":/keycaps.bmp");
  if (loaded) background = instruments.pixelColor(0, 0);
  return loaded;
}

void PaintKeyboard(QPainter& painter, const Pictures& pictures, const KeyboardOrigin& origin,
                   const CapStates& caps, bool pedalDown) {
  const QFont previous = painter.font();
  painter.setFont(LabelFont());
  for (int slot = 0; slot < kKeySlotCount; ++slot) {
    if (KeyMap[slot].halfColumn == -1) continue;
    PaintCap(painter, pictures, origin, slot, caps.sourceX[slot], MarkOf(caps.marks, slot));
  }
  PaintPedal(painter, pictures, origin, pedalDown, previous);
  painter.setFont(previous);
}

void PaintWindow(QPainter& painter, const Pictures& pictures, const QFont& textFont,
                 const WindowPaint& p) {
  painter.fillRect(QRect(0, 0, p.width, p.height), pictures.background);
  painter.setFont(textFont);  // the pedal's label too
  PaintKeyboard(painter, pictures, p.origin, p.caps, p.pedalDown);

  painter.setPen(QColor(255, 0, 0));
  painter.setBackground(pictures.background);
  const PaintLayout at = LayoutPaint(p.width, p.height, p.cellWidth, p.cellHeight, p.width);
  for (const TextRun& run : MainWindowTexts(at, p.state, p.midi)) Text(painter, run.at, run.text);

  const int cell = InstrumentPictureIndex(p.state.channel, p.state.program);
  painter.drawImage(QPoint(at.picture.x, at.picture.y), pictures.instruments,
                    QRect(kPictureWidth * cell, 0, kPictureWidth, kPictureHeight));
  if (!p.indicator.text.empty() && at.recording.shown) {
    PaintRecordingIndicator(painter, at.recording, p.indicator);
  }
}

}  // namespace velmira
