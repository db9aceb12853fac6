// The status label that elides instead of widening its window.
#include "ui/common/elided_label.h"

#include <QPainter>
#include <QStyle>

namespace movexa::ui {

namespace {
// The least width the label takes: a few characters, the rest is elided.
constexpr int kMinimumChars = 6;
constexpr int kSlackPx = 4;
}  // namespace

void ElidedLabel::setText(const QString& text) {
  QLabel::setText(text);
  setToolTip(text);
  updateGeometry();
  update();
}

QRect ElidedLabel::Room() const {
  return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString ElidedLabel::Shown() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, Room().width());
}

bool ElidedLabel::elided() const {
  return Shown() != text();
}

QSize ElidedLabel::sizeHint() const {
  const QFontMetrics fm = fontMetrics();
  // A few pixels over the measured width: eliding measures with fractional widths.
  const int full = fm.horizontalAdvance(text()) + kSlackPx;
  const int hint = fm.averageCharWidth() * hintChars_;
  const QMargins m = contentsMargins();
  return {std::min(full, hint) + m.left() + m.right() + 2 * margin(),
          fm.height() + m.top() + m.bottom() + 2 * margin()};
}

QSize ElidedLabel::minimumSizeHint() const {
  const QFontMetrics fm = fontMetrics();
  const QMargins m = contentsMargins();
  return {fm.averageCharWidth() * kMinimumChars + m.left() + m.right() + 2 * margin(),
          fm.height() + m.top() + m.bottom() + 2 * margin()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  style()->drawItemText(&painter, Room(), static_cast<int>(alignment() | Qt::TextSingleLine),
                        palette(), isEnabled(), Shown(), foregroundRole());
}

}  // namespace movexa::ui
