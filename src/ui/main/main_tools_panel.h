// The main window's calibration controls (frame frm_mn1): the "Auto   Calibration" and
// "Auto   Zero" boxes, the fast buttons "Fast CALIB", "Fast ZERO" and "Read Blank", the SNR box
// txt_snr_umbral with its label toggle, and the organism selector with its presets, all stored
// into the project's tool table; and the progress panel of the calibration procedures
// (frm_autotext: caption, status text and progress picture).
//
// "Fast CALIB" and "Fast ZERO" run during a run and outside one; "Read Blank" (shown while the
// "Manual_Calibration" menu is ON) outside a run and during a monitor-mode run, never during a
// recorded run, whose recording it would end. While one of them, a blank reading or the device
// test holds the instrument, the three buttons wait.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "acquisition/acquisition_engine.h"
#include "acquisition/snr_setting.h"
#include "ui/common/picture_box.h"
#include "ui/common/ui_context.h"

class QAction;

namespace movexa::ui {

class MainToolsPanel : public QWidget {
  Q_OBJECT

 public:
  MainToolsPanel(UiContext& ctx, AcquisitionEngine& engine, QWidget* parent = nullptr);

  // Start-up values: tool frame visibility, organism and SNR, calibration options (calibration
  // mode then switched off as the "OFF" entry does).
  void ShowStartupValues();
  // Enables the fast buttons and locks the organism selector and SNR box by the run state.
  void RunChanged();
  // The "Advanced" > "Manual_Calibration" menu's entries "ON" and "OFF", whose check marks the
  // panel keeps ("OFF" from start-up on).
  void SetManualCalibrationEntries(QAction* onEntry, QAction* offEntry);
  // "ON" (true) or "OFF" (false).
  void ManualCalibration(bool on);
  // Whether another procedure holds the instrument (the device test); may be empty.
  std::function<bool()> instrumentBusy;
  // Called after an operation that may have started or ended a run (the window re-arms its
  // sampling timer).
  std::function<void()> onRunChanged;

  // The procedures' progress panel.
  void ShowProgressPanel(std::string_view caption);
  void HideProgressPanel();
  void SetProgressText(const QString& text);
  void SetProgressScale(double scaleMax);
  void SetProgressBackground(int red, int green, int blue);
  void ClearProgress();
  void DrawProgress(double x);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnAutoCalibration(bool checked);
  void OnAutoZero(bool checked);
  void OnSnrLeft();
  void OnOrganism(int index);
  void ShowSnr(const SnrBoxState& snr);
  SnrBoxState CurrentSnr() const;
  int CurrentOrganismCode() const;
  void SelectOrganismCode(int code);
  void ShowManualCalibrationEntries(bool on);
  void FastCalib();
  void FastZeroClicked();
  void ReadBlankClicked();

  UiContext& ctx_;
  AcquisitionEngine& engine_;
  bool filling_ = false;  // controls being filled from the state: no handlers run
  QAction* manualOn_ = nullptr;
  QAction* manualOff_ = nullptr;
  double progressMax_ = 383;
  Rgb progressBack_{255, 255, 255};

  QGroupBox* frame_;
  QCheckBox* autoCal_;
  QCheckBox* autoZero_;
  QPushButton* fastCal_;
  QPushButton* fastZero_;
  QPushButton* blank_;
  QLabel* snrLabel_;
  QLineEdit* snr_;
  QComboBox* organism_;
  QGroupBox* progress_;
  QLabel* caption_;
  QLabel* channel_;
  PictureBox* picture_;
};

}  // namespace movexa::ui
