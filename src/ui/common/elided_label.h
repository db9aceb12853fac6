// ElidedLabel: a one-line status label that never widens its window. A text longer than the
// room the layout gives it is drawn cut with "..." and shown whole in the tooltip; the label
// asks the layout for little width of its own, so a long message (an instrument that stopped
// answering) leaves the window at the size the operator gave it.
#pragma once

#include <QLabel>

namespace movexa::ui {

class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {}
  // Sets the whole text (text() returns it) and the tooltip that shows it whole.
  void setText(const QString& text);
  // Whether the text is drawn cut at the present width.
  bool elided() const;
  // The most characters the label asks room for when its text is longer (24 by default; 0: it
  // asks for none and lives on the room the others leave); the layout may give it less.
  void SetHintChars(int chars) {
    hintChars_ = chars;
    updateGeometry();
  }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect Room() const;
  QString Shown() const;
  int hintChars_ = 24;
};

}  // namespace movexa::ui
