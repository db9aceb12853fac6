// The device test on the main window: Timer_test (100 ms, single-shot, re-armed after each
// tick) drives the core's DeviceTest, which draws on the main window's activity picture and
// run progress bar and writes its status into the temperature caption (lbl_temperature) and
// its hint into lbl_autostart. The main window's "Test DEVICE" menu entry calls Start().
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "calibration/device_test.h"
#include "ui/common/ui_context.h"

class QLabel;
class QTimer;

namespace movexa::ui {

class PictureBox;

class DeviceTestRunner : public QObject, private StatusSink {
  Q_OBJECT

 public:
  // `activity`, `progress`, `caption` and `hint` belong to the main window; any may be null.
  DeviceTestRunner(UiContext& ctx, PictureBox* activity, PictureBox* progress, QLabel* caption,
                   QLabel* hint, QObject* parent = nullptr);
  ~DeviceTestRunner() override;

  // "Test DEVICE": starts the test (its questions first); true when Timer_test runs.
  bool Start();
  // Stops Timer_test (Play and Stop of the main window do so).
  void StopTimer();
  // One tick of Timer_test (tests call it directly); false when the test has ended.
  bool Tick();
  bool running() const;
  DeviceTest* test() { return test_.get(); }

 Q_SIGNALS:
  void Finished();

 private:
  void SetStatus(std::string_view where, std::string_view text) override;
  void RestorePicture();

  UiContext& ctx_;
  PictureBox* activity_;
  PictureBox* progress_;
  QLabel* caption_;
  QLabel* hint_;
  QString captionText_;
  Host host_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<DeviceTest> test_;
  QTimer* timer_ = nullptr;
};

}  // namespace movexa::ui
