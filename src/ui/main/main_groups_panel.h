// The main window's detection panel: the detection summary handed over by the setup window
// (txt_detection). The selector of the groups in use (combogrup) and the chosen group's well
// list (lstgrup) belong to the live display beside it.
#pragma once

#include <QGroupBox>

#include "ui/common/ui_context.h"

class QLabel;

namespace movexa::ui {

class MainGroupsPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit MainGroupsPanel(UiContext& ctx, QWidget* parent = nullptr);
  // Shows the current detection summary (hidden while there is none).
  void Refresh();

 private:
  UiContext& ctx_;
  QLabel* detection_;
};

}  // namespace movexa::ui
