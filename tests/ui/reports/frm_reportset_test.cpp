// The report settings window: its opening state from a stored configuration, "Apply" (and the
// refusal of a bin that is not a number), "Back to Default", and the User Defined flag that the
// main window's menu item shows.
#include "ui/reports/frm_reportset.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "report_window_rig.h"
#include "ui/support/ui_test_support.h"

namespace movexa::ui {
namespace {

using test::Control;
using test::ReadFileOrDie;

std::string ValuesLine(const std::filesystem::path& app) {
  const std::string text = ReadFileOrDie(app / "repoconf.dat");
  const size_t start = text.find("\r\n") + 2;
  return text.substr(start, text.find("\r\n", start) - start);
}

TEST(ReportSettingsWindow, OpensOnAStoredBinOfSevenAndATabSeparator) {
  test::ReportWindowRig rig;
  test::WriteFileOrDie(rig.acq.app / "repoconf.dat",
                       "\"header\"\r\n1,7,1,\"\t\",0,1,0,2,0,1,18,1\r\n");
  Frm_Reportset w(rig.ctx);
  w.show();
  auto* bins = Control<QComboBox>(&w, "Cmb_binsize");
  ASSERT_EQ(bins->count(), 12);  // the eleven sizes and the stored 7
  EXPECT_EQ(bins->itemText(11), "7");
  EXPECT_EQ(bins->currentText(), "7");
  EXPECT_TRUE(Control<QRadioButton>(&w, "Option_report_1")->isChecked());
  EXPECT_EQ(Control<QLineEdit>(&w, "txt_customspacer")->text(), "\t");
  EXPECT_TRUE(Control<QRadioButton>(&w, "Option_output_2")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(&w, "Chk_statistic_2")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(&w, "Chk_statistic_3")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(&w, "Chk_statistic_4")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>(&w, "Chk_rawexport")->isChecked());
  EXPECT_EQ(rig.state.reportConfig.Bin, 7);
  EXPECT_EQ(rig.Problem(), "");
}

TEST(ReportSettingsWindow, ApplyRefusesABinThatIsNotANumberAndBackToDefaultClearsTheFlag) {
  test::ReportWindowRig rig;
  Frm_Reportset w(rig.ctx);
  QSignalSpy flag(&w, &Frm_Reportset::UserDefinedBinChanged);
  w.show();
  auto* bins = Control<QComboBox>(&w, "Cmb_binsize");
  bins->setCurrentText("60");
  Control<QLineEdit>(&w, "txt_customspacer")->setText(";");
  QTest::mouseClick(Control<QRadioButton>(&w, "Option_output_1"), Qt::LeftButton, {}, QPoint(6, 8));
  QTest::mouseClick(Control<QCheckBox>(&w, "Chk_statistic_3"), Qt::LeftButton, {}, QPoint(6, 8));
  rig.fake.dialogs.ExpectMessage("User Configuration Applied");
  QTest::mouseClick(Control<QPushButton>(&w, "Cmd_generate"), Qt::LeftButton);
  EXPECT_EQ(ValuesLine(rig.acq.app), "1,60,0,\";\",1,1,1,1,0,1,18,0");
  EXPECT_TRUE(rig.state.main.userDefinedBin);
  EXPECT_FALSE(w.isVisible());
  ASSERT_EQ(flag.count(), 1);
  EXPECT_TRUE(flag.at(0).at(0).toBool());

  // A bin that is not a number: refused with a message, the 60 minutes stay in force and in the
  // box.
  w.show();
  bins->setCurrentText("half an hour");
  rig.fake.dialogs.ExpectMessage("BIN size must be a number of minutes: half an hour");
  QTest::mouseClick(Control<QPushButton>(&w, "Cmd_generate"), Qt::LeftButton);
  EXPECT_EQ(bins->currentText(), "60");
  EXPECT_EQ(rig.state.reportConfig.Bin, 60);
  EXPECT_EQ(ValuesLine(rig.acq.app), "1,60,0,\";\",1,1,1,1,0,1,18,0");
  EXPECT_TRUE(w.isVisible());

  rig.fake.dialogs.ExpectMessage("Default Report Configuration Applied");
  QTest::mouseClick(Control<QPushButton>(&w, "Cmd_cancel"), Qt::LeftButton);
  EXPECT_EQ(ValuesLine(rig.acq.app), "0,30,0,\",\",1,0,1,0,0,1,18,0");
  EXPECT_FALSE(rig.state.main.userDefinedBin);
  EXPECT_EQ(flag.count(), 2);

  EXPECT_EQ(rig.Problem(), "");
}

TEST(ReportSettingsWindow, ATypedBinStaysAsTypedWhenTheBoxLosesFocus) {
  test::ReportWindowRig rig;
  Frm_Reportset w(rig.ctx);
  w.show();
  QApplication::setActiveWindow(&w);
  auto* bins = Control<QComboBox>(&w, "Cmb_binsize");
  // Once completed into 240, 30 and 120 from the list when the focus left the box.
  for (const char* typed : {"2", "3", "12"}) {
    bins->setFocus();
    bins->lineEdit()->selectAll();
    QTest::keyClicks(bins, typed);
    Control<QLineEdit>(&w, "txt_customspacer")->setFocus();
    EXPECT_EQ(bins->currentText().toStdString(), typed);
  }
  rig.fake.dialogs.ExpectMessage("User Configuration Applied");
  QTest::mouseClick(Control<QPushButton>(&w, "Cmd_generate"), Qt::LeftButton);
  EXPECT_EQ(rig.state.reportConfig.Bin, 12);
  EXPECT_EQ(rig.Problem(), "");
}

}  // namespace
}  // namespace movexa::ui
