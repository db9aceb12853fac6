// Frm_Factory: the factory settings window. Shows the serial number, the date of the last
// factory calibration and the temperature every second (Timer_temp), and re-calibrates the
// temperature offset against the reference in txt_set_temp ("SET", Cmd_temp).
#pragma once

#include <QWidget>
#include <memory>

#include "calibration/factory_settings.h"
#include "ui/common/ui_context.h"

class QLabel;
class QLineEdit;
class QTimer;

namespace movexa::ui {

class Frm_Factory : public QWidget {
  Q_OBJECT

 public:
  explicit Frm_Factory(UiContext& ctx, QWidget* parent = nullptr);
  ~Frm_Factory() override;

  // "Factory Settings" of the main window's menu: refused offline or during a run; otherwise
  // the main window is hidden and this one shown with its timer running. True when shown.
  bool Open();
  // One tick of Timer_temp (tests call it directly).
  void TemperatureTick();
  FactoryWindow* model() { return model_.get(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Recalibrate();

  UiContext& ctx_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<FactoryWindow> model_;
  QLabel* lblserial_ = nullptr;
  QLineEdit* txtMensaje_ = nullptr;
  QLineEdit* txtSetTemp_ = nullptr;
  QLineEdit* txtCurrentTemp_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace movexa::ui
