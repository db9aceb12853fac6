// Frm_About: the About box, the version label and a few lines about Movexa; OK hides it.
#pragma once

#include <QWidget>

#include "ui/common/ui_context.h"

namespace movexa::ui {

class Frm_About : public QWidget {
  Q_OBJECT

 public:
  explicit Frm_About(UiContext& ctx, QWidget* parent = nullptr);
};

}  // namespace movexa::ui
