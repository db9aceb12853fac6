// Frm_setup: the project setup window. A thin binding of its controls to the setup operations of
// the core (project/setup_fields.h, project/setup_projects.h, project/group_editing.h): each
// control event calls one operation on the current project, then the window refreshes from it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "project/group_editing.h"
#include "project/setup_fields.h"
#include "ui/common/ui_context.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;

namespace movexa::ui {

class PictureBox;

class Frm_setup : public QWidget {
  Q_OBJECT

 public:
  explicit Frm_setup(UiContext& ctx, QWidget* parent = nullptr);

  // Refills every control from the current project (first display, a load, a new format).
  void FillWindow();
  // The group under edit (the group selector's entry).
  int currentGroup() const { return currentGroup_; }

  // Set by the program: the main window takes the values handed over ("Continue to Run..." and
  // "<<Back"), and "Continue to Run..." shows it, connecting first when not connected. Without
  // them the window shows the main window and connects itself.
  std::function<void()> onHandOver;
  std::function<void()> onContinueToRun;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildProjectPanel();
  QWidget* BuildSettingsPanel();
  QWidget* BuildAdvancedPanel();
  QWidget* BuildGroupPanel();
  void ConnectControls();
  void ConnectGroupControls();

  // Project operations.
  void OnNew();
  void OnSave();
  void OnLoad();
  void OnListChosen();
  void OnRename();
  void OnPlateTimer();
  void OnContinue();
  void OnBack();
  void OnSnrLeft();
  void ShowFieldEdit(QLineEdit* box, const FieldEdit& edit);

  // Group editing.
  void RefreshGroups(int selectGroup, bool keepFreeRow = false);
  void RefreshLists(bool keepFreeRow);
  void RedrawPlate();
  void OnGroupChosen(int index);
  void OnAssign();
  void OnFree();
  void OnClear();
  void OnArrange(int setIndex);
  void OnRenameGroup();
  void OnPlatePressed(Qt::MouseButton button, double x, double y);
  void OnPlateMoved(double x, double y);
  void OnPlateReleased(double x, double y);

  UiContext& ctx_;
  bool filling_ = false;
  bool filledOnce_ = false;
  int currentGroup_ = 0;
  PlateEditState plate_;
  QString pendingPlate_;

  // Project panel.
  QLineEdit* txtprj_ = nullptr;
  QLineEdit* Txtfolder_ = nullptr;
  QGroupBox* projectList_ = nullptr;
  QListWidget* List_project_ = nullptr;
  // Settings.
  QComboBox* Combowell_ = nullptr;
  QComboBox* Combo_aqmode_ = nullptr;
  QLineEdit* Txtlapse_ = nullptr;
  QComboBox* ComboDSP_ = nullptr;
  QComboBox* Cmb_organism_ = nullptr;
  QLabel* txt_snr_ = nullptr;
  QLineEdit* lbl_snr_ = nullptr;
  QComboBox* Combosavecount_ = nullptr;
  QComboBox* Combosavereal_ = nullptr;
  QPushButton* cmd_advanced_ = nullptr;
  QWidget* advanced_ = nullptr;
  QLineEdit* Txtsample_ = nullptr;
  QLineEdit* Txtbuffer_ = nullptr;
  QLineEdit* Txt_dspinterval_ = nullptr;
  QCheckBox* chkcalib_ = nullptr;
  QCheckBox* chklight_ = nullptr;
  QCheckBox* chktemp_ = nullptr;
  QCheckBox* Chk_mn_[3] = {};
  QTimer* plateTimer_ = nullptr;
  // Groups.
  QComboBox* Combo_group_ = nullptr;
  QComboBox* Combo_sets_ = nullptr;
  QListWidget* lst_assigned_ = nullptr;
  QListWidget* lst_free_ = nullptr;
  QMenu* arrangeMenu_ = nullptr;
  QLabel* lbl_channel_ = nullptr;
  PictureBox* Pic_plate_ = nullptr;
};

}  // namespace movexa::ui
