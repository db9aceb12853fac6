// The device test on the main window: Timer_test (single-shot, armed again after each turn
// with the delay the test asks for) drives the core's DeviceTest, which draws on the main
// window's activity picture and run progress bar and writes its status into the temperature
// caption (lbl_temperature) and its hint into lbl_autostart. The verdicts also appear in the
// test's own window (DeviceTestWindow) as they are given. The main window's "Test DEVICE" menu
// entry calls Start(); its Play and Stop call Stop().
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "calibration/device_test.h"
#include "ui/common/ui_context.h"

class QLabel;
class QTimer;
class QWidget;

namespace movexa::ui {

class DeviceTestWindow;
class PictureBox;

class DeviceTestRunner : public QObject, private StatusSink {
  Q_OBJECT

 public:
  // `activity`, `progress`, `caption` and `hint` belong to the main window (`window`); any may
  // be null.
  DeviceTestRunner(UiContext& ctx, PictureBox* activity, PictureBox* progress, QLabel* caption,
                   QLabel* hint, QWidget* window, QObject* parent = nullptr);
  ~DeviceTestRunner() override;

  // "Test DEVICE": starts the test (its questions first); true when Timer_test runs. While a
  // test runs, its window is brought to the front instead.
  bool Start();
  // Ends a running test where it is (Play and Stop of the main window, the window's Stop).
  void Stop();
  // One turn of Timer_test (tests call it directly); false when the test has ended.
  bool Tick();
  bool running() const;
  DeviceTest* test() { return test_.get(); }
  DeviceTestWindow* window() { return window_; }

  // Gives the activity picture back to the live display (its view drawn again with its names);
  // without it the group view's axes are drawn.
  std::function<void()> restoreView;
  // Whether another procedure holds the instrument (a fast calibration); may be empty.
  std::function<bool()> instrumentBusy;

 Q_SIGNALS:
  void Finished();

 private:
  void SetStatus(std::string_view where, std::string_view text) override;
  void RestorePicture();
  void ShowWindow();

  UiContext& ctx_;
  PictureBox* activity_;
  PictureBox* progress_;
  QLabel* caption_;
  QLabel* hint_;
  QWidget* mainWindow_;
  QString captionText_;
  Host host_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<DeviceTest> test_;
  QTimer* timer_ = nullptr;
  DeviceTestWindow* window_ = nullptr;
  bool inTick_ = false;  // a turn lets events run: no new test replaces the one in progress
};

}  // namespace movexa::ui
