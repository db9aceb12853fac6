// The road of a new user through the windows: the start menu's "Setup a New Project", a new
// project, the w96f plate arranged in 2 x 3 blocks, two groups renamed, saved, "Continue to
// Run..." to the main window (connected, with the detection summary and the groups in use),
// and a run whose acquisition folder carries the groups.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "main/program_rig.h"
#include "support/ui_test_support.h"
#include "ui/setup/frm_setup.h"

namespace movexa::test {
namespace {

using Answer = Dialogs::Answer;

TEST(SetupRoad, NewProjectArrangedRenamedSavedAndRunFromTheWindows) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  QTest::mouseClick(Control<QLabel>(rig.program.startMenu(), "Label_option1"), Qt::LeftButton);
  auto* setup = rig.program.nav().As<ui::Frm_setup>(ui::WindowId::kSetup);
  ASSERT_NE(setup, nullptr);
  EXPECT_TRUE(setup->isVisible());
  EXPECT_FALSE(rig.program.startMenu()->isVisible());

  rig.fake.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
      .ExpectInput("Enter the New Project Name", "Trial");
  Control<QPushButton>(setup, "Cmdnewpj")->click();
  EXPECT_EQ(Control<QLineEdit>(setup, "txtprj")->text(), "Trial_2");

  auto* menu = Control<QMenu>(setup, "mnarrange");
  QAction* twoByThree = nullptr;
  for (QAction* a : menu->actions()) {
    if (a->text() == "02x03 [RowsxColumn]") twoByThree = a;
  }
  ASSERT_NE(twoByThree, nullptr);
  twoByThree->trigger();
  EXPECT_TRUE(twoByThree->isChecked());
  auto* groups = Control<QComboBox>(setup, "Combo_group");
  EXPECT_EQ(groups->count(), 17);  // groups 0..15 and the next free number

  rig.fake.dialogs.ExpectInput("Enter New Group (000) Name", "Control");
  Control<QPushButton>(setup, "Cmd_renamegroup")->click();
  groups->setCurrentIndex(1);
  emit groups->activated(1);
  rig.fake.dialogs.ExpectInput("Enter New Group (001) Name", "Dose");
  QTest::keyClick(groups, Qt::Key_Return);
  EXPECT_EQ(groups->itemText(1), "001_Dose");

  rig.fake.dialogs.ExpectQuestion("Do you like to Update <Trial_2> values?", Answer::kYes);
  Control<QPushButton>(setup, "Cmdsavepj")->click();

  Control<QPushButton>(setup, "Command_main")->click();
  ui::Frm_Main* main = rig.program.mainWindow();
  EXPECT_TRUE(main->isVisible());
  EXPECT_FALSE(setup->isVisible());
  EXPECT_TRUE(rig.state.connected);
  EXPECT_EQ(Control<QLabel>(main, "txt_detection")->text(), "Detection Mode1, C.elegans [snr 1.8]");
  auto* combogrup = Control<QComboBox>(main, "combogrup");
  EXPECT_EQ(combogrup->count(), 16);
  EXPECT_EQ(combogrup->itemText(0), "000_Control");
  EXPECT_EQ(Control<QListWidget>(main, "lstgrup")->count(), 12);

  ASSERT_TRUE(rig.Play("first trial"));
  const auto folder = rig.state.run.context.folder;
  EXPECT_EQ(folder.parent_path().filename(), "p00002");
  const std::string names = ReadFileOrDie(folder / "groups.dat");
  EXPECT_NE(names.find("0,\"Control\"\r\n1,\"Dose\"\r\n2,\"Group2\"\r\n"), std::string::npos);
  rig.program.mainWindow()->Stop();
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

}  // namespace
}  // namespace movexa::test
