// The main window's calibration controls and its light and temperature panels: what the
// operator types or clicks reaches the project's tool table and the instrument's outputs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "base/text_records.h"
#include "main/program_rig.h"
#include "project/project_settings.h"
#include "project/project_store.h"
#include "support/ui_test_support.h"

namespace movexa::test {
namespace {

void Type(QLineEdit* box, const QString& text) {
  box->setText(text);
  Q_EMIT box->editingFinished();  // leaving the box
}

QColor Fill(QWidget* indicator) {
  return indicator->palette().color(QPalette::Window);
}

TEST(MainWindowCalibrationControls, SnrBoxOrganismPresetsAndAutoBoxesReachTheProject) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto& mn1 = rig.state.project.Mn[kMn1];
  auto* snr = Control<QLineEdit>(main, "txt_snr_umbral");
  auto* organism = Control<QComboBox>(main, "Cmb_organism");

  organism->setCurrentIndex(1);  // Zebrafish: factor 2.8, box hidden
  EXPECT_EQ(snr->text(), "2.8");
  EXPECT_TRUE(snr->isHidden());
  EXPECT_EQ(Control<QLabel>(main, "lbl_umbral")->text(), ">>>>");
  EXPECT_EQ(mn1[kOrganism], 1);
  EXPECT_DOUBLE_EQ(rig.state.main.snr, 2.8);

  QTest::mouseClick(Control<QLabel>(main, "lbl_umbral"), Qt::LeftButton);  // shows the box
  EXPECT_FALSE(snr->isHidden());
  Type(snr, "2,5");  // read up to the comma: 2, accepted and shown "2.0"
  EXPECT_EQ(snr->text(), "2.0");
  EXPECT_EQ(mn1[kSNRx10], 20);
  EXPECT_EQ(organism->currentText(), "Customized");
  rig.fake.dialogs.ExpectMessage("Invalid value: 1.1 to 5.0");
  Type(snr, "7");
  EXPECT_EQ(snr->text(), "1.8");
  EXPECT_EQ(mn1[kSNRx10], 18);

  // Manual calibration OFF ticks both boxes; their flags go to the project and the fast
  // buttons hide while their box is ticked.
  main->findChild<QAction*>("mncal_on")->trigger();
  auto* autoCal = Control<QCheckBox>(main, "mnCalibra");
  autoCal->setChecked(false);
  EXPECT_EQ(mn1[kEnab_Cal], 0);
  EXPECT_FALSE(Control<QPushButton>(main, "cmd_calibra")->isHidden());
  main->findChild<QAction*>("mncal_off")->trigger();
  EXPECT_TRUE(autoCal->isChecked());
  EXPECT_FALSE(autoCal->isEnabled());
  EXPECT_EQ(mn1[kEnab_Cal], 1);
  EXPECT_EQ(mn1[kEnab_Zero], 1);
  EXPECT_TRUE(Control<QPushButton>(main, "cmd_calibra")->isHidden());
  EXPECT_TRUE(Control<QPushButton>(main, "cmd_blank")->isHidden());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(MainWindowCalibrationControls, StartUpTicksOffAndTheSelectorOffersTheSizeClasses) {
  ProgramRig rig;
  {
    // The project stores organism code 8, a size class.
    FakeHost fake;
    ProjectSettings p;
    PlateGeometry geometry;
    WellMap map;
    const fs::path project = rig.state.appDir / "p00001";
    LoadProject(1, ProjectLocation{rig.state.appDir, project}, p, geometry, map, fake.host);
    p.Mn[kMn1][kOrganism] = 8;
    ASSERT_TRUE(SaveProject(project, 1, p).ok);
  }
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  EXPECT_TRUE(main->findChild<QAction*>("mncal_off")->isChecked());
  EXPECT_FALSE(main->findChild<QAction*>("mncal_on")->isChecked());
  auto* organism = Control<QComboBox>(main, "Cmb_organism");
  ASSERT_EQ(organism->count(), 7);
  EXPECT_EQ(organism->currentText(), "size 0.1-1mm");
  EXPECT_EQ(organism->itemText(4), "size <100um");
  EXPECT_EQ(organism->itemText(6), "size >1mm");

  // Choosing a size class stores its code and leaves the SNR as it is.
  auto* snr = Control<QLineEdit>(main, "txt_snr_umbral");
  const QString factor = snr->text();
  organism->setCurrentIndex(6);
  EXPECT_EQ(rig.state.project.Mn[kMn1][kOrganism], 9);
  EXPECT_EQ(snr->text(), factor);
  organism->setCurrentIndex(1);
  EXPECT_EQ(rig.state.project.Mn[kMn1][kOrganism], 1);
  EXPECT_EQ(snr->text(), "2.8");

  // The menu's ticks follow ON and OFF.
  main->findChild<QAction*>("mncal_on")->trigger();
  EXPECT_TRUE(main->findChild<QAction*>("mncal_on")->isChecked());
  EXPECT_FALSE(main->findChild<QAction*>("mncal_off")->isChecked());
  EXPECT_FALSE(Control<QPushButton>(main, "cmd_blank")->isHidden());
  main->findChild<QAction*>("mncal_on")->trigger();  // again: stays ON
  EXPECT_TRUE(main->findChild<QAction*>("mncal_on")->isChecked());
}

TEST(MainWindowOutputs, ManualSwitchesGoOutAtOnceWhenStoppedAndAtThe25thSampleDuringARun) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto* light = Control<QPushButton>(main, "cmd_luz");
  auto* indicator = Control<QWidget>(main, "shape_light");

  QTest::mouseClick(light, Qt::LeftButton);
  EXPECT_EQ(rig.instrument.outputs(), 4);
  EXPECT_EQ(light->text(), "ON");
  EXPECT_EQ(Fill(indicator), QColor(0, 255, 0));
  QTest::mouseClick(Control<QPushButton>(main, "cmd_ontemp"), Qt::LeftButton);
  EXPECT_EQ(rig.instrument.outputs(), 5);
  EXPECT_EQ(Fill(Control<QWidget>(main, "shape_temp")), QColor(0, 0, 255));  // cooling

  ASSERT_TRUE(rig.Play(""));  // the run starts with what the light schedule says
  rig.Ticks(3);
  const int atStart = rig.instrument.outputs();
  QTest::mouseClick(Control<QPushButton>(main, "cmd_frio"), Qt::LeftButton);  // heat, control off
  EXPECT_EQ(rig.instrument.outputs(), atStart);  // waits for the run's next 25-sample point
  EXPECT_EQ(Fill(indicator).rgb(), QColor(atStart & 4 ? 0 : 255, atStart & 4 ? 255 : 0, 0).rgb());
  QTest::mouseClick(light, Qt::LeftButton);
  EXPECT_EQ(Fill(indicator), QColor(255, 255, 0));  // pending
  rig.Ticks(25);
  EXPECT_EQ(rig.instrument.outputs(), ((atStart & 4) ^ 4) | 2);
  EXPECT_EQ(Control<QPushButton>(main, "cmd_frio")->text(), "HEAT");
}

TEST(MainWindowOutputs, InvalidBoxEntriesAreRefusedWithTheirValuesRestored) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto& mn2 = rig.state.project.Mn[kMn2];
  rig.fake.dialogs.ExpectMessage("Invalid value: 0 to 23");
  Type(Control<QLineEdit>(main, "txt_lon"), "24");
  EXPECT_EQ(Control<QLineEdit>(main, "txt_lon")->text(), "9");
  EXPECT_EQ(mn2[kTime_ON], 9);
  Type(Control<QLineEdit>(main, "txt_loff"), "7");
  EXPECT_EQ(Control<QLineEdit>(main, "txt_loff")->text(), "07");
  EXPECT_EQ(mn2[kTime_OFF], 7);
  // A pulse cycle replaces the daily hours.
  Type(Control<QLineEdit>(main, "txt_pulsetimes"), "3");
  EXPECT_FALSE(Control<QLineEdit>(main, "txt_lon")->isEnabled());
  rig.fake.dialogs.ExpectMessage("Invalid value: 5.0 to 50.0");
  Type(Control<QLineEdit>(main, "txttemp"), "");
  EXPECT_EQ(Control<QLineEdit>(main, "txttemp")->text(), "20");
  EXPECT_EQ(rig.state.project.Mn[kMn3][kTempx10], 200);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

// A project with a stored pulse program: a run with the light cycle ticked applies it, so the
// panel shows it (the boxes showed 0, 1 and 9 whatever was stored) and the daily hours it
// replaces are not usable. The setup window handing the project back shows it again.
TEST(MainWindowOutputs, LightBoxesShowTheStoredProgramARunApplies) {
  ProgramRig rig;
  const auto setup = rig.state.appDir / "p00001" / "setup.dat";
  std::string text = ReadFileOrDie(setup);
  std::vector<std::string> lines = SplitLines(text);
  ASSERT_GT(lines.size(), 11u);
  lines[11] = "0,22,6,3,15,90";  // Mn2: hours 22 and 6, three pulses of 1.5 min ON, 9 min OFF
  text.clear();
  for (const auto& l : lines) text += l + "\r\n";
  WriteFileOrDie(setup, text);
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto box = [&](const char* name) { return Control<QLineEdit>(main, name); };
  EXPECT_EQ(box("txt_pulsetimes")->text(), "3");
  EXPECT_EQ(box("txt_pulseon")->text(), "1.5");
  EXPECT_EQ(box("txt_pulseoff")->text(), "9.0");
  EXPECT_EQ(box("txt_lon")->text(), "22");
  EXPECT_EQ(box("txt_loff")->text(), "06");
  EXPECT_FALSE(box("txt_lon")->isEnabled());
  EXPECT_FALSE(box("txt_loff")->isEnabled());

  Type(box("txt_pulsetimes"), "0");
  EXPECT_TRUE(box("txt_lon")->isEnabled());
  rig.state.project.Mn[kMn2][kPulseTimes] = 2;  // a project loaded in the setup window
  main->ShowSetupValues();
  EXPECT_EQ(box("txt_pulsetimes")->text(), "2");
  EXPECT_FALSE(box("txt_lon")->isEnabled());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

}  // namespace
}  // namespace movexa::test
