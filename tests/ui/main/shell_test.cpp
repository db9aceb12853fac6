// The program's start and navigation: start-up on the start menu, its options, the main
// window's way back and the ways out.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>

#include "app/app_folder.h"
#include "app/app_texts.h"
#include "main/program_rig.h"
#include "support/ui_test_support.h"
#include "ui/main/shell_texts.h"

namespace movexa::test {
namespace {

TEST(ProgramStart, StartUpEndsOnAnEnabledStartMenuWithTheMainWindowHidden) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Init* menu = rig.program.startMenu();
  EXPECT_TRUE(menu->isVisible());
  EXPECT_TRUE(menu->isEnabled());
  EXPECT_FALSE(rig.program.mainWindow()->isVisible());
  EXPECT_EQ(rig.state.StartupStage, 9);
  EXPECT_EQ(menu->news().toStdString(), "status = not connected yet");
  auto* timer = menu->findChild<QTimer*>("Timerinicio");
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isSingleShot());
  // Option 4 waits for the technical menu.
  EXPECT_TRUE(Control<QWidget>(menu, "Frame_option4")->isHidden());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(ProgramStart, MissingConfigurationEndsTheProgramWithItsMessage) {
  ProgramRig rig(false);
  rig.fake.dialogs.ExpectMessage(ConfigNotFoundMessage(rig.state.appDir));
  EXPECT_FALSE(rig.Start());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(ProgramStart, TheRunArgumentConnectsAndStartsTheAutorunProject) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start("  /run "));
  ui::Frm_Main* main = rig.program.mainWindow();
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(rig.state.connected);
  ASSERT_TRUE(main->RunActive());
  EXPECT_EQ(rig.state.run.context.experimentName, "Autorun project");
  EXPECT_EQ(ReadFileOrDie(rig.state.run.context.folder / "subproj.dat"), "\"Autorun project\"\r\n");
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());  // no name prompt
}

TEST(ProgramNavigation, RunLatestProjectConnectsOnceAndBackReturnsToTheStartMenu) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  EXPECT_TRUE(main->isVisible());
  EXPECT_FALSE(rig.program.startMenu()->isVisible());
  EXPECT_TRUE(rig.state.connected);
  const int64_t frames = rig.instrument.framesReceived();

  QTest::mouseClick(Control<QPushButton>(main, "Cmdoffline"), Qt::LeftButton);
  EXPECT_TRUE(rig.program.startMenu()->isVisible());
  EXPECT_FALSE(main->isVisible());
  EXPECT_EQ(rig.program.startMenu()->news().toStdString(),
            ui::shell_texts::ConnectedIn(rig.state.connection.port));

  // Already connected: the main window comes back without a new connection attempt.
  rig.OpenMainWindow();
  EXPECT_EQ(rig.instrument.framesReceived(), frames);
  EXPECT_TRUE(main->isVisible());
}

TEST(ProgramNavigation, HoveringAnOptionPaintsItLightYellowAndTheOthersWhite) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Init* menu = rig.program.startMenu();
  auto fill = [&](int option) {
    return Control<QWidget>(menu, ("Frame_option" + std::to_string(option)).c_str())
        ->palette()
        .color(QPalette::Window);
  };
  for (int hovered : {2, 5}) {
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(
        Control<QWidget>(menu, ("Frame_option" + std::to_string(hovered)).c_str()), &enter);
    for (int option = 1; option <= 5; ++option) {
      EXPECT_EQ(fill(option), option == hovered ? QColor(255, 255, 192) : QColor(255, 255, 255))
          << "option " << option << " while " << hovered << " is hovered";
    }
  }
}

TEST(ProgramNavigation, ExitAsksAndOnlyYesEndsTheProgram) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  auto* exit = Control<QLabel>(rig.program.startMenu(), "Label_option5");
  rig.fake.dialogs.ExpectQuestion("Sure to Quit?", Dialogs::Answer::kNo);
  QTest::mouseClick(exit, Qt::LeftButton);
  EXPECT_FALSE(rig.quit);
  EXPECT_TRUE(rig.program.startMenu()->isVisible());
  rig.fake.dialogs.ExpectQuestion("Sure to Quit?", Dialogs::Answer::kYes);
  QTest::mouseClick(exit, Qt::LeftButton);
  EXPECT_TRUE(rig.quit);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

}  // namespace
}  // namespace movexa::test
