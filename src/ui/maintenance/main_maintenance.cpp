// The main window's maintenance entries (defined here, beside the windows they open): "Test
// DEVICE" runs the device test on the activity picture, "Factory Settings" opens Frm_Factory,
// "Technical Menu (req password)" reveals the start menu's calibration window.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "calibration/factory_settings.h"
#include "ui/main/frm_init.h"
#include "ui/main/frm_main.h"
#include "ui/main/main_live_view.h"
#include "ui/main/main_tools_panel.h"
#include "ui/maintenance/device_test_runner.h"
#include "ui/maintenance/device_test_window.h"
#include "ui/maintenance/frm_factory.h"

namespace movexa::ui {

void Frm_Main::BuildMaintenanceMenu() {
  QMenu* menu = menuBar()->addMenu("&Maintenance");
  QAction* test = menu->addAction("Test DEVICE");
  test->setObjectName("mnstatustest");
  connect(test, &QAction::triggered, this, [this] {
    if (!deviceTest_) {
      // The hint stands over the top-left corner of the activity picture while the test runs.
      autostart_ = new QLabel(liveView_->activity());
      autostart_->setObjectName("lbl_autostart");
      autostart_->setStyleSheet(
          "color: rgb(160, 0, 0); background: rgb(255, 255, 224); font-weight: bold; padding: 2px;");
      autostart_->move(4, 4);
      autostart_->hide();
      deviceTest_ = new DeviceTestRunner(ctx_, liveView_->activity(), liveView_->progress(),
                                         liveView_->temperatureLabel(), autostart_, this, this);
      // After the test the activity picture shows its view again, names and all; the progress
      // bar keeps the test's end.
      deviceTest_->restoreView = [this] {
        liveView_->display().Layout();
        liveView_->activity()->update();
        liveView_->trace()->update();
      };
      deviceTest_->instrumentBusy = [this] { return engine_->fastProcedureRunning(); };
      tools_->instrumentBusy = [this] { return deviceTest_->running(); };
      connect(deviceTest_, &DeviceTestRunner::Finished, this, [this] { tools_->RunChanged(); });
    }
    deviceTest_->Start();
    tools_->RunChanged();
  });
  QAction* factory = menu->addAction("Factory Settings");
  factory->setObjectName("mn_factory");
  connect(factory, &QAction::triggered, this, [this] {
    if (auto* w = ctx_.nav.As<Frm_Factory>(WindowId::kFactory)) w->Open();
  });
  QAction* technical = menu->addAction("Technical Menu (req password)");
  technical->setObjectName("mn_technical");
  connect(technical, &QAction::triggered, this, [this] {
    if (!AskTechnicalPassword(ctx_.host.dialogs)) return;
    if (auto* start = ctx_.nav.As<Frm_Init>(WindowId::kStartMenu)) start->SetCalibrationOptionVisible(true);
  });
}

void Frm_Main::StopDeviceTest() {
  // Play and Stop end a running test where it is (caption, hint and picture given back).
  if (deviceTest_) deviceTest_->Stop();
}

}  // namespace movexa::ui
