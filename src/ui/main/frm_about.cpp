// The About box.
#include "ui/main/frm_about.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/main/shell_texts.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

Frm_About::Frm_About(UiContext&, QWidget* parent) : QWidget(parent, Qt::Dialog) {
  setObjectName("Frm_About");
  setWindowTitle(Q(shell_texts::kAboutTitle));
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  auto* name = new QLabel("Movexa", this);
  QFont f = name->font();
  f.setPointSizeF(f.pointSizeF() * 1.8);
  f.setBold(true);
  name->setFont(f);
  layout->addWidget(name);
  auto* version = new QLabel(Q(shell_texts::kVersionLabel), this);
  version->setObjectName("Label_version");
  layout->addWidget(version);
  auto* text = new QLabel(Q(shell_texts::kAboutText), this);
  text->setWordWrap(true);
  text->setMinimumWidth(380);
  layout->addWidget(text);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("CmdOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QWidget::hide);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

}  // namespace movexa::ui
