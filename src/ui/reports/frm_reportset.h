// Frm_Reportset ("User Defined Report"): the report settings window. It shows the stored report
// configuration ("repoconf.dat") each time it opens; "Apply" stores the operator's choices with
// the User Defined flag, "Back to Default" the defaults; both then return to the main window.
// The main window's menu item "User Defined BIN size" follows AppState::main.userDefinedBin,
// which only these two buttons change.
#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <QWidget>

#include "ui/common/ui_context.h"
#include "ui/reports/report_controls.h"

namespace movexa::ui {

class Frm_Reportset : public QWidget {
  Q_OBJECT

 public:
  explicit Frm_Reportset(UiContext& ctx, QWidget* parent = nullptr);

  // The opening state: the lists filled, the configuration loaded with the stored flag in force
  // and shown. Runs each time the window is shown.
  void Reload();
  // The main window's menu item "User Defined BIN size" chosen while `checked`: the stored
  // configuration is reloaded (checked) or the defaults applied (unchecked) and saved with that
  // flag, then this window is shown.
  void ChooseFromMenu(bool checked);

 Q_SIGNALS:
  // The User Defined flag (the menu item's check mark) changed.
  void UserDefinedBinChanged(bool checked);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Apply();
  void BackToDefault();
  void ReturnToMain();

  UiContext& ctx_;
  ReportOptionControls options_;
  QCheckBox* Chk_rawexport_ = nullptr;
  QCheckBox* Chk_autofile_ = nullptr;
  QPushButton* Cmd_generate_ = nullptr;
  QPushButton* Cmd_cancel_ = nullptr;
};

}  // namespace movexa::ui
