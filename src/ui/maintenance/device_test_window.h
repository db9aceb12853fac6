// The device test's verdicts in a small tool window beside the main window (frm_devicetest):
// the instrument's serial number and report file, the step reached, every verdict as it is
// given (PASS in green, CHECK in red, the report's lines as its tooltip), and at the end what
// the test came to. "Stop" ends a running test, "Open report" shows the report file, "Close"
// hides the window. The window shows the core's DeviceTest; it computes nothing itself.
#pragma once

#include <QWidget>
#include <functional>

#include "calibration/device_test.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace movexa::ui {

class DeviceTestWindow : public QWidget {
  Q_OBJECT

 public:
  explicit DeviceTestWindow(QWidget* parent = nullptr);

  // Starts over for a new test (the verdict list emptied).
  void Reset();
  // Shows the test as it stands: step, new verdicts, and the summary once it has ended.
  void Show(const DeviceTest& test);

  std::function<void()> onStop;
  std::function<void()> onOpenReport;

 private:
  QLabel* serial_;
  QLabel* step_;
  QListWidget* verdicts_;
  QLabel* summary_;
  QPushButton* stop_;
  QPushButton* report_;
};

}  // namespace movexa::ui
