// The main window's groups and detection panel: the detection summary handed over by the setup
// window (txt_detection), the selector of the groups in use (combogrup) and the channel list of
// the chosen group (lstgrup), refilled from the current project.
#pragma once

#include <QGroupBox>

#include "ui/common/ui_context.h"

class QComboBox;
class QLabel;
class QListWidget;

namespace movexa::ui {

class MainGroupsPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit MainGroupsPanel(UiContext& ctx, QWidget* parent = nullptr);
  // Refills the summary, the selector (keeping the chosen group when it is still in use) and
  // the chosen group's channel list.
  void Refresh();

 private:
  void FillChannels();

  UiContext& ctx_;
  QLabel* detection_;
  QComboBox* groups_;
  QListWidget* channels_;
};

}  // namespace movexa::ui
