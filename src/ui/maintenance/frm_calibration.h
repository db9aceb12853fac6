// Frm_Calibration: the technician's calibration window. A binding over the core's
// CalibrationWindow: the grid picture with its cross-hair picks a position (positions without a
// beam are drawn crossed out), the scroll bars and boxes set power, gain and threshold, a
// double-click on the channel label asks to enable or disable it, the buttons run "Set All",
// "SET", "Autocalibra", the auto-gain procedure and the gain curve; while online a single-shot
// timer takes one sample per tick and draws the grid levels, the trace and the output dots.
#pragma once

#include <QWidget>
#include <memory>

#include "base/host.h"
#include "calibration/calibration_window.h"
#include "ui/common/ui_context.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;

namespace movexa::ui {

class PictureBox;

class Frm_Calibration : public QWidget, private StatusSink {
  Q_OBJECT

 public:
  explicit Frm_Calibration(UiContext& ctx, QWidget* parent = nullptr);
  ~Frm_Calibration() override;

  // The core model (null while no port table is installed).
  CalibrationWindow* model() { return model_.get(); }
  // One tick of the online timer (tests call it directly).
  void OnlineTick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Double-click on lblstatus: the channel label's enable / disable question.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetStatus(std::string_view where, std::string_view text) override;
  bool EnsureModel();
  void Build();
  void Refresh();
  void PickAt(double x, double y);
  void HoverAt(double x, double y);
  void GoOnline();
  void GoOffline();
  void OnScrollPowerGain();
  void OnSetAll();
  void OnSetCalibra();
  void OnAutocalibra();
  void OnAutoGain();
  void OnGainCurve();
  void Leave(WindowId to);

  UiContext& ctx_;
  Host host_;  // the program's host with this window's labels as its status sink
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<CalibrationWindow> model_;
  bool updating_ = false;

  PictureBox* picwell_ = nullptr;
  PictureBox* picwellOut_ = nullptr;
  PictureBox* pictrace_ = nullptr;
  PictureBox* picturecal_ = nullptr;
  QComboBox* combofila_ = nullptr;
  QComboBox* combocol_ = nullptr;
  QComboBox* combomode_ = nullptr;
  QLabel* lblcanal_ = nullptr;
  QLabel* lblout_ = nullptr;
  QLabel* lblstatus_ = nullptr;
  QLabel* lblstatus2_ = nullptr;
  QLabel* shapeOnline_ = nullptr;
  QLabel* shapeOffline_ = nullptr;
  QScrollBar* scrollpower_ = nullptr;
  QScrollBar* scrollgain_ = nullptr;
  QScrollBar* scrollThreshold_ = nullptr;
  QLineEdit* txtpower_ = nullptr;
  QLineEdit* txtgain_ = nullptr;
  QLineEdit* txtThreshold_ = nullptr;
  QLineEdit* txtAutocal_ = nullptr;
  QLineEdit* txtajuste_ = nullptr;
  QLineEdit* txtPower_ = nullptr;
  QLineEdit* txtGanancia_ = nullptr;
  QLineEdit* txtBrillo_ = nullptr;
  QLineEdit* txtPixsize_ = nullptr;
  QLineEdit* txtTest_ = nullptr;
  QLineEdit* txtzoom_ = nullptr;
  QPushButton* cmdOnline_ = nullptr;
  QPushButton* cmdAutocalibra_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace movexa::ui
