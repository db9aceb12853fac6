// The device test's verdict window.
#include "ui/maintenance/device_test_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace {

QString ReportTip(const TestVerdict& v) {
  QStringList lines;
  for (const auto& line : v.reportLines) {
    if (!line.empty()) lines << Q(line);
  }
  return lines.join('\n');
}

}  // namespace

DeviceTestWindow::DeviceTestWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("frm_devicetest");
  setWindowTitle("Device test");
  serial_ = Named(new QLabel(this), "lbl_testserial");
  serial_->setWordWrap(true);
  step_ = Named(new QLabel(this), "lbl_teststep");
  verdicts_ = Named(new QListWidget(this), "lst_verdicts");
  verdicts_->setToolTip("The verdicts of the test; hover over one for its report lines");
  verdicts_->setTextElideMode(Qt::ElideRight);
  summary_ = Named(new QLabel(this), "lbl_testsummary");
  summary_->setWordWrap(true);
  QFont bold = summary_->font();
  bold.setBold(true);
  summary_->setFont(bold);
  stop_ = Named(new QPushButton("Stop", this), "cmd_teststop");
  report_ = Named(new QPushButton("Open report", this), "cmd_testreport");
  auto* close = Named(new QPushButton("Close", this), "cmd_testclose");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(stop_);
  buttons->addWidget(report_);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(serial_);
  layout->addWidget(step_);
  layout->addWidget(verdicts_, 1);
  layout->addWidget(summary_);
  layout->addLayout(buttons);
  resize(300, 420);

  connect(stop_, &QPushButton::clicked, this, [this] {
    if (onStop) onStop();
  });
  connect(report_, &QPushButton::clicked, this, [this] {
    if (onOpenReport) onOpenReport();
  });
  connect(close, &QPushButton::clicked, this, &QWidget::hide);
}

void DeviceTestWindow::Reset() {
  verdicts_->clear();
  summary_->clear();
  summary_->setStyleSheet({});
  step_->clear();
  serial_->clear();
}

void DeviceTestWindow::Show(const DeviceTest& test) {
  serial_->setText(QString("Serial SN%1, report %2")
                       .arg(test.serialNumber())
                       .arg(Q(test.reportPath().filename().string())));
  serial_->setToolTip(Q(test.reportPath().string()));
  step_->setText(QString("Step %1 of %2")
                     .arg(std::min(test.step(), kDeviceTestLastStep))
                     .arg(kDeviceTestLastStep));
  const std::vector<TestVerdict>& verdicts = test.verdicts();
  for (int i = verdicts_->count(); i < static_cast<int>(verdicts.size()); ++i) {
    const TestVerdict& v = verdicts[static_cast<size_t>(i)];
    auto* item = new QListWidgetItem(Q(v.status), verdicts_);
    item->setForeground(v.pass ? QColor(0, 128, 0) : QColor(192, 0, 0));
    item->setToolTip(ReportTip(v));
  }
  if (verdicts_->count() > 0) verdicts_->scrollToBottom();
  const DeviceTestSummary summary = SummarizeDeviceTest(test);
  summary_->setText(Q(summary.text));
  summary_->setStyleSheet(test.running()   ? QString()
                          : summary.passed ? QString("color: rgb(0, 128, 0);")
                                           : QString("color: rgb(192, 0, 0);"));
  stop_->setEnabled(test.running());
  report_->setEnabled(!test.reportPath().empty());
}

}  // namespace movexa::ui
