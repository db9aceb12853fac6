// The maintenance windows in the running program against the simulated instrument: the
// calibration window reached through the technical password, a picked beam following its power
// scroll bar; the device test from the main window's menu to its end; the factory window's
// re-calibration.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>

#include "main/program_rig.h"
#include "support/ui_test_support.h"
#include "ui/common/picture_box.h"
#include "ui/maintenance/device_test_runner.h"
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
  rig.fake.dialogs.ExpectInput("Enter Password", "Kilns7395");
  Trigger(main, "mn_technical");
  EXPECT_TRUE(option->isVisibleTo(rig.program.startMenu()));

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
  QTest::mouseClick(Control<QPushButton>(w, "Cmd_offline"), Qt::LeftButton);
  EXPECT_FALSE(w->model()->online());
}

TEST(MaintenanceWindows, DeviceTestFromTheMenuRunsToItsEnd) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  rig.instrument.SetBlockBytes(96);
  ui::Frm_Main* main = rig.OpenMainWindow();
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
  int ticks = 0;
  while (runner->Tick()) {
    if (++ticks == 45) Screenshot(main, "device_test");
  }
  EXPECT_EQ(ticks, 110);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_EQ(caption->text(), before);
  const std::string report = ReadFileOrDie(runner->test()->reportPath());
  EXPECT_NE(report.find("Test_all_100%: OK PASS!"), std::string::npos);
  EXPECT_NE(report.find("Col[24]: PASS!"), std::string::npos);
  EXPECT_EQ(report.find("CHECK"), std::string::npos);
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
