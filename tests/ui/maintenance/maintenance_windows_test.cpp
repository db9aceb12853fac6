// The maintenance windows in the running program against the simulated instrument: the
// calibration window reached through the technical password, a picked beam following its power
// scroll bar; the device test from the main window's menu to its end; the factory window's
// re-calibration.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "main/program_rig.h"
#include "support/ui_test_support.h"
#include "ui/common/picture_box.h"
#include "ui/maintenance/device_test_runner.h"
#include "ui/maintenance/device_test_window.h"
#include "ui/maintenance/frm_calibration.h"
#include "ui/maintenance/frm_factory.h"

namespace movexa::test {
namespace {

using Answer = Dialogs::Answer;

void Trigger(QWidget* window, const char* action) {
  auto* a = window->findChild<QAction*>(action);
  ASSERT_NE(a, nullptr) << action;
  a->trigger();
}

// With MOVEXA_SCREENSHOTS set, the window is saved there as NAME.png for a human look.
void Screenshot(QWidget* w, const char* name) {
  if (const char* dir = std::getenv("MOVEXA_SCREENSHOTS")) {
    w->grab().save(QString::fromUtf8(dir) + "/" + name + ".png");
  }
}

// A click on the picture at logical (x, y) of a scale starting at (0, 0).
void ClickAt(ui::PictureBox* pic, double x, double y, double width, double height) {
  QTest::mouseClick(pic, Qt::LeftButton, {},
                    QPoint(static_cast<int>(x / width * pic->width()),
                           static_cast<int>(y / height * pic->height())));
}

TEST(MaintenanceWindows, CalibrationWindowThroughThePasswordFollowsThePowerScrollBar) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto* option = Control<QWidget>(rig.program.startMenu(), "Label_option4");
  EXPECT_FALSE(option->isVisibleTo(rig.program.startMenu()));
  // A wrong password is told and reveals nothing; the right one, typed masked, reveals the
  // calibration window's option.
  rig.fake.dialogs.ExpectInput("Enter Password", "kilns")
      .ExpectMessage("Wrong password: the calibration window stays hidden.");
  Trigger(main, "mn_technical");
  EXPECT_FALSE(option->isVisibleTo(rig.program.startMenu()));
  rig.fake.dialogs.ExpectInput("Enter Password", "Kilns7395");
  Trigger(main, "mn_technical");
  EXPECT_TRUE(option->isVisibleTo(rig.program.startMenu()));
  EXPECT_TRUE(rig.fake.dialogs.shown().back().secret);

  QTest::mouseClick(Control<QPushButton>(main, "Cmdoffline"), Qt::LeftButton);
  QTest::mouseClick(option, Qt::LeftButton);
  ui::Frm_Calibration* w = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* c = qobject_cast<ui::Frm_Calibration*>(top)) w = c;
  }
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  w->resize(1180, 760);
  ProcessEvents();

  QTest::mouseClick(Control<QPushButton>(w, "Cmd_online"), Qt::LeftButton);
  ASSERT_TRUE(w->model()->online());
  ClickAt(Control<ui::PictureBox>(w, "Picwell"), 200, 300, 2500, 1700);  // row C, column 2
  EXPECT_EQ(Control<QLabel>(w, "lblcanal")->text(), "18");
  auto* power = Control<QScrollBar>(w, "scrollpower");
  auto* gain = Control<QScrollBar>(w, "scrollgain");
  gain->setValue(0);
  power->setValue(1);
  w->OnlineTick();
  const int dim = w->model()->Row(w->model()->NewestRow())[18];
  power->setValue(5);
  EXPECT_EQ(Control<QLineEdit>(w, "txtpower")->text(), "5");
  EXPECT_EQ(rig.instrument.Register(9), 5);
  w->OnlineTick();
  EXPECT_GT(w->model()->Row(w->model()->NewestRow())[18], dim * 3 / 2);
  for (int i = 0; i < 40; ++i) w->OnlineTick();
  Screenshot(w, "frm_calibration");
  // A double-click on the channel label asks, and Yes disables the channel's label.
  rig.fake.dialogs.ExpectQuestion("Do you like to Disable Channel 18?", Answer::kYes);
  QTest::mouseDClick(Control<QLabel>(w, "lblstatus"), Qt::LeftButton);
  EXPECT_EQ(Control<QLabel>(w, "lblstatus")->text(), "DISABLED");
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  QTest::mouseClick(Control<QPushButton>(w, "Cmd_offline"), Qt::LeftButton);
  EXPECT_FALSE(w->model()->online());
}

// The device test from the menu on an instrument whose block replies are `bytes` long, run to
// its end through Timer_test's turns.
void RunDeviceTestFromTheMenu(int bytes) {
  SCOPED_TRACE(bytes);
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  rig.instrument.SetBlockBytes(bytes);
  ui::Frm_Main* main = rig.OpenMainWindow();
  main->resize(1024, 700);
  ProcessEvents();
  auto* activity = Control<ui::PictureBox>(main, "Picact");
  const QImage groupView = activity->image();
  rig.fake.dialogs.ExpectQuestion({}, Answer::kOk)
      .ExpectMessage("Turning ON A1-D1")
      .ExpectMessage("Turning OFF A1-D1")
      .ExpectQuestion("OK to proceed?", Answer::kYes);
  auto* caption = Control<QLabel>(main, "lbl_temperature");
  const QString before = caption->text();
  Trigger(main, "mnstatustest");
  ui::DeviceTestRunner* runner = main->deviceTest();
  ASSERT_NE(runner, nullptr);
  EXPECT_EQ(caption->text(), "SN120");
  auto* verdicts = Control<QListWidget>(runner->window(), "lst_verdicts");
  int turns = 0;
  while (runner->Tick()) {
    rig.fake.clock.AdvanceMs(runner->test()->nextDelayMs());
    if (++turns == 200 && bytes == 48) {
      Screenshot(main, "device_test");
      Screenshot(runner->window(), "device_test_window");
    }
  }
  EXPECT_EQ(runner->test()->end(), DeviceTestEnd::kCompleted);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_EQ(caption->text(), before);
  // The verdicts are in the test's window, the summary under them.
  EXPECT_TRUE(runner->window()->isVisible());
  ASSERT_EQ(verdicts->count(), kDeviceTestVerdicts);
  EXPECT_EQ(verdicts->item(0)->text(), "[Test100%=PASS!]");
  EXPECT_EQ(verdicts->item(kDeviceTestVerdicts - 1)->text(), "Row[O]: PASS!");
  EXPECT_EQ(Control<QLabel>(runner->window(), "lbl_testsummary")->text(), "every verdict passed");
  EXPECT_EQ(Control<QLabel>(runner->window(), "lbl_teststep")->text(), "Step 110 of 110");
  // The group view is back with its names, as it was before the test; the run progress bar
  // ends full.
  EXPECT_EQ(activity->image(), groupView);
  const QImage bar = Control<ui::PictureBox>(main, "picturetime")->image();
  EXPECT_EQ(QColor(bar.pixel(bar.width() - 2, bar.height() / 2)), QColor(0, 0, 255));
  const std::string report = ReadFileOrDie(runner->test()->reportPath());
  EXPECT_NE(report.find("Test_all_100%: OK PASS!"), std::string::npos);
  EXPECT_NE(report.find("Col[24]: PASS!"), std::string::npos);
  EXPECT_EQ(report.find("CHECK"), std::string::npos);
}

TEST(MaintenanceWindows, DeviceTestFromTheMenuPassesOnEveryBlockReplyLength) {
  for (int bytes : {48, 96, 192}) RunDeviceTestFromTheMenu(bytes);
}

TEST(MaintenanceWindows, StopEndsTheDeviceTestAndGivesTheCaptionBack) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  rig.fake.dialogs.Lenient(Answer::kOk);
  rig.fake.dialogs.ExpectQuestion({}, Answer::kOk).ExpectMessage({}).ExpectMessage({});
  rig.fake.dialogs.ExpectQuestion("OK to proceed?", Answer::kYes);
  auto* caption = Control<QLabel>(main, "lbl_temperature");
  const QString before = caption->text();
  Trigger(main, "mnstatustest");
  ui::DeviceTestRunner* runner = main->deviceTest();
  ASSERT_NE(runner, nullptr);
  while (runner->test()->step() < 8) ASSERT_TRUE(runner->Tick());
  EXPECT_EQ(caption->text(), "[ON ALL]");
  EXPECT_FALSE(Control<QPushButton>(main, "cmd_calibra")->isEnabled())
      << "the test holds the instrument";
  Trigger(main, "mnstatustest");  // a second start only brings the window up
  EXPECT_TRUE(runner->running());

  QTest::mouseClick(Control<QPushButton>(main, "CmdStop"), Qt::LeftButton);
  EXPECT_FALSE(runner->running());
  EXPECT_FALSE(main->findChild<QTimer*>("Timer_test")->isActive());
  EXPECT_EQ(caption->text(), before);
  EXPECT_FALSE(Control<QLabel>(main, "lbl_autostart")->isVisible());
  EXPECT_EQ(Control<QLabel>(runner->window(), "lbl_testsummary")->text(),
            "Test stopped at step 8: the test did not finish");
  EXPECT_TRUE(Control<QPushButton>(main, "cmd_calibra")->isEnabled());
  EXPECT_EQ(ReadFileOrDie(runner->test()->reportPath()).find("PASS"), std::string::npos);
}

TEST(MaintenanceWindows, WindowsFitASmallInstrumentScreen) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  rig.fake.dialogs.Lenient(Answer::kOk);
  Trigger(main, "mnstatustest");
  ASSERT_NE(main->deviceTest(), nullptr);
  main->deviceTest()->Stop();
  rig.fake.dialogs.ExpectInput("Enter Password", "Kilns7395");
  Trigger(main, "mn_technical");
  QTest::mouseClick(Control<QPushButton>(main, "Cmdoffline"), Qt::LeftButton);
  QTest::mouseClick(Control<QWidget>(rig.program.startMenu(), "Label_option4"), Qt::LeftButton);
  ui::Frm_Calibration* calibration = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* c = qobject_cast<ui::Frm_Calibration*>(top)) calibration = c;
  }
  ASSERT_NE(calibration, nullptr);
  for (QWidget* w : {static_cast<QWidget*>(main), static_cast<QWidget*>(calibration),
                     static_cast<QWidget*>(main->deviceTest()->window())}) {
    const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
    EXPECT_LE(least.width(), 1024) << w->objectName().toStdString();
    EXPECT_LE(least.height(), 700) << w->objectName().toStdString();
  }
  calibration->resize(1024, 700);
  ProcessEvents();
  Screenshot(calibration, "frm_calibration_1024");
}

TEST(MaintenanceWindows, FactoryWindowRecalibratesTheOffset) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  Trigger(main, "mn_factory");
  ui::Frm_Factory* f = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* c = qobject_cast<ui::Frm_Factory*>(top)) f = c;
  }
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->isVisible());
  EXPECT_FALSE(main->isVisible());
  EXPECT_EQ(Control<QLabel>(f, "lblserial")->text(), "SERIAL : MOVX00120");
  f->TemperatureTick();
  const double measured = Control<QLineEdit>(f, "txt_current_temp")->text().toDouble();
  EXPECT_NEAR(measured, 25.0, 0.5);
  Control<QLineEdit>(f, "txt_set_temp")->setText("27.0");
  QTest::mouseClick(Control<QPushButton>(f, "Cmd_temp"), Qt::LeftButton);
  EXPECT_EQ(Control<QLineEdit>(f, "txt_mensaje")->text(), "OK Last Factory Calibration 03/24 [mm/yy]");
  EXPECT_GT(rig.state.connection.factory.offset, -1.5 + 1.0);
  Screenshot(f, "frm_factory");
  f->close();
  EXPECT_TRUE(main->isVisible());
}

}  // namespace
}  // namespace movexa::test
