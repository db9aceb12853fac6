// Run control through the main window: Play with a name records its folder and bins on the
// sampling timer, Pause and Stop, the refusal in the Default project, the fast buttons and the
// blank inside and outside a run, "Show my report", and leaving the program during a run.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "acquisition/counts_record.h"
#include "acquisition/run_texts.h"
#include "app/app_texts.h"
#include "base/file_io.h"
#include "main/program_rig.h"
#include "support/ui_test_support.h"

namespace movexa::test {
namespace {

void Click(QWidget* root, const char* name) {
  auto* b = Control<QPushButton>(root, name);
  ASSERT_TRUE(b->isEnabled()) << name << " is disabled";
  QTest::mouseClick(b, Qt::LeftButton);
}

int64_t CountsRecords(const fs::path& folder) {
  return FileLength(folder / "counts.bin") / kCountsRecordBytes;
}

TEST(MainWindowRun, PlayWithANameRecordsFolderAndBinsOnTheSamplingTimer) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  ASSERT_TRUE(rig.Play("Plate A"));
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());

  auto* timer = main->findChild<QTimer*>("Timeradq");
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isSingleShot());
  EXPECT_EQ(timer->interval(), 10);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(Control<QLineEdit>(main, "txtexperiment")->text(), "Plate A");
  EXPECT_FALSE(Control<QPushButton>(main, "CmdPlay")->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(main, "Cmdsetup")->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(main, "Cmdoffline")->isEnabled());

  const fs::path folder = rig.state.run.context.folder;
  EXPECT_EQ(ReadFileOrDie(folder / "subproj.dat"), "\"Plate A\"\r\n");
  rig.TicksForBins(2);
  EXPECT_EQ(CountsRecords(folder), 2);
  // The timer was re-armed after every tick it made.
  EXPECT_TRUE(timer->isActive());
}

TEST(MainWindowRun, ASecondPlayWhileTheFirstPreparesTheRunIsIgnored) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  int again = 0;
  // Play lets events run while it prepares the run: the operator clicks Play once more.
  rig.fake.pacer.OnPump([&] {
    if (again++ == 0) main->Play();
  });
  ASSERT_TRUE(rig.Play("Once"));
  rig.fake.pacer.OnPump({});
  EXPECT_GT(again, 0);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());  // one name prompt only
  rig.TicksForBins(1);
  EXPECT_EQ(CountsRecords(rig.state.run.context.folder), 1);
}

TEST(MainWindowRun, PauseAsksAboutTheTimeCounterAndStopReturnsTheControls) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  ASSERT_TRUE(rig.Play(""));  // monitor mode
  auto* timer = main->findChild<QTimer*>("Timeradq");
  rig.Ticks(20);

  rig.fake.dialogs.ExpectQuestion("Pause Time Counter?", Dialogs::Answer::kYes);
  Click(main, "CmdPause");
  EXPECT_EQ(rig.state.run.runState, RunState::kPaused);
  EXPECT_FALSE(timer->isActive());
  auto* banner = Control<QLabel>(main, "lblbanner");
  EXPECT_FALSE(banner->isHidden());
  EXPECT_EQ(banner->text(), "<< PAUSED >>");
  EXPECT_EQ(Control<QLabel>(main, "lblstatus")->text(), "Time Counter = OFF");

  Click(main, "CmdPause");  // resume
  EXPECT_EQ(rig.state.run.runState, RunState::kRunning);
  EXPECT_TRUE(timer->isActive());
  EXPECT_TRUE(banner->isHidden());
  // The counter runs again: the pause's status no longer holds (it stayed on).
  EXPECT_EQ(Control<QLabel>(main, "lblstatus")->text(), "");

  // A pause left standing at Stop is gone when the next run starts.
  rig.fake.dialogs.ExpectQuestion("Pause Time Counter?", Dialogs::Answer::kYes);
  Click(main, "CmdPause");
  EXPECT_EQ(Control<QLabel>(main, "lblstatus")->text(), "Time Counter = OFF");
  Click(main, "CmdStop");
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_FALSE(timer->isActive());
  EXPECT_TRUE(Control<QPushButton>(main, "CmdPlay")->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(main, "CmdPause")->isEnabled());
  ASSERT_TRUE(rig.Play(""));
  EXPECT_EQ(Control<QLabel>(main, "lblstatus")->text(), "");
  Click(main, "CmdStop");
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(MainWindowRun, TheDefaultProjectRefusesToRunAndCreatesNothing) {
  ProgramRig rig;
  WriteFileOrDie(rig.state.appDir / "config.dat",
                 std::string(app_texts::kConfigHeader).insert(0, "\"") + "\"\r\n0,1,4,0\r\n");
  ASSERT_TRUE(rig.Start());
  ASSERT_EQ(rig.state.config.Actual_Project_Number, 0);
  ui::Frm_Main* main = rig.OpenMainWindow();
  rig.fake.dialogs.ExpectInput("", "Plate A");
  rig.fake.dialogs.ExpectMessage(std::string(run_texts::kProjectZero));
  Click(main, "CmdPlay");
  EXPECT_FALSE(main->RunActive());
  EXPECT_FALSE(main->findChild<QTimer*>("Timeradq")->isActive());
  EXPECT_TRUE(rig.state.run.context.folder.empty());
  EXPECT_TRUE(Control<QPushButton>(main, "CmdPlay")->isEnabled());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(MainWindowRun, FastButtonsWorkWhileStoppedAndBlankNeverDuringARecordedRun) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto* calib = Control<QPushButton>(main, "cmd_calibra");
  auto* zero = Control<QPushButton>(main, "Cmd_autozero");
  auto* blank = Control<QPushButton>(main, "cmd_blank");
  // Stopped: the fast procedures and the blank can run.
  EXPECT_TRUE(calib->isEnabled());
  EXPECT_TRUE(zero->isEnabled());
  EXPECT_TRUE(blank->isEnabled());

  // "Fast ZERO" while stopped runs to its end: every beam gets a threshold from its noise.
  rig.state.project.ChannelThreshold.fill(55.0);
  main->findChild<QAction*>("mncal_on")->trigger();
  zero->click();  // hidden while "Auto   Zero" is ticked, as the project has it
  EXPECT_FALSE(main->RunActive());
  for (int c = 0; c < kChannelCount; c += 2)
    ASSERT_LT(rig.state.project.ChannelThreshold[c], 55.0) << c;
  EXPECT_TRUE(zero->isEnabled());

  ASSERT_TRUE(rig.Play("Named"));
  EXPECT_TRUE(calib->isEnabled());
  EXPECT_TRUE(zero->isEnabled());
  EXPECT_FALSE(blank->isEnabled());  // a blank would end the recording of the named run
  rig.fake.dialogs.ExpectMessage(std::string(run_texts::kBlankDuringRecording));
  EXPECT_FALSE(main->engine().ReadBlank());
  EXPECT_TRUE(rig.state.run.context.recording);
  Click(main, "CmdStop");
  EXPECT_TRUE(calib->isEnabled());
  EXPECT_TRUE(blank->isEnabled());

  // The blank from a stopped window: driven by the sampling timer, it stops by itself and its
  // outcome stays in the status line.
  QTest::mouseClick(blank, Qt::LeftButton);
  EXPECT_TRUE(rig.state.run.blankMode);
  EXPECT_TRUE(main->findChild<QTimer*>("Timeradq")->isActive());
  EXPECT_FALSE(blank->isEnabled());
  EXPECT_FALSE(calib->isEnabled());
  rig.Ticks(rig.state.project.Threshold_Counter + 5);
  EXPECT_FALSE(rig.state.run.blankMode);
  EXPECT_FALSE(main->RunActive());
  EXPECT_TRUE(calib->isEnabled());
  EXPECT_EQ(Control<QLabel>(main, "lblstatus")->text(), "Setting (0) OK...");
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(MainWindowRun, ShowMyReportOpensTheReportWindowOnlyOnARecordedRunWithCounts) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto* reportWindow = rig.program.nav().Get(ui::WindowId::kReport);
  ASSERT_NE(reportWindow, nullptr);
  auto* bins = Control<QComboBox>(reportWindow, "Cmb_binsize");
  auto* input = Control<QLineEdit>(reportWindow, "Txt_inputfile");

  // Before any run the data interval is copied and the operator told there is no run yet
  // (the button did nothing visible).
  rig.fake.dialogs.ExpectMessage(std::string(app_texts::kNoRunYet));
  Click(main, "Cmdreport");
  EXPECT_EQ(bins->currentText(), Control<QComboBox>(main, "combo_minutes")->currentText());
  EXPECT_FALSE(reportWindow->isVisible());
  ASSERT_EQ(rig.fake.dialogs.shown().size(), 1u);
  EXPECT_FALSE(rig.fake.dialogs.shown()[0].severity);  // a notice, not a failure

  ASSERT_TRUE(rig.Play("With counts"));
  rig.TicksForBins(1);
  Click(main, "CmdStop");
  Click(main, "Cmdreport");
  EXPECT_TRUE(reportWindow->isVisible());
  EXPECT_EQ(input->text().toStdString(), rig.state.run.lastRecordedFolder.string());
  EXPECT_TRUE(main->isVisible());  // shown beside the main window, not instead of it

  reportWindow->hide();
  fs::remove(rig.state.run.lastRecordedFolder / "counts.bin");
  rig.fake.dialogs.ExpectMessage("Activity file not Found");
  Click(main, "Cmdreport");
  EXPECT_FALSE(reportWindow->isVisible());
  EXPECT_EQ(rig.fake.dialogs.shown().back().severity, Dialogs::Severity::kWarning);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(MainWindowRun, ClosingDuringARunAsksFirstThenStopsItAndKeepsEveryClosedBin) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  ASSERT_TRUE(rig.Play("Closed early"));
  rig.TicksForBins(3);
  rig.Ticks(120);  // a partial bin
  const fs::path folder = rig.state.run.context.folder;
  // Cancel: the run goes on and the window stays, from the title bar and from File > Exit.
  rig.fake.dialogs.ExpectQuestion("An acquisition is running: stop it and quit?",
                                  Dialogs::Answer::kCancel);
  main->close();
  rig.fake.dialogs.ExpectQuestion("An acquisition is running: stop it and quit?",
                                  Dialogs::Answer::kCancel);
  Control<QAction>(main, "mnexit")->trigger();
  EXPECT_FALSE(rig.quit);
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(main->RunActive());
  EXPECT_EQ(rig.state.run.runState, RunState::kRunning);
  rig.Ticks(10);
  rig.fake.dialogs
      .ExpectQuestion("An acquisition is running: stop it and quit?", Dialogs::Answer::kOk)
      .ExpectQuestion("Update values to project 1_Demo before Exit?", Dialogs::Answer::kNo);
  main->close();
  EXPECT_TRUE(rig.quit);
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_FALSE(rig.state.run.timerEnabled);
  EXPECT_EQ(CountsRecords(folder), 3);
  EXPECT_EQ(rig.instrument.outputs(), 0);  // light and temperature switched off as Stop does
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(MainWindowRun, StartMenuExitDuringARunAsksThenStopsItWithoutTheSaveQuestion) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  ASSERT_TRUE(rig.Play("Exit from menu"));
  rig.TicksForBins(1);
  rig.fake.dialogs.ExpectQuestion("Sure to Quit?", Dialogs::Answer::kYes)
      .ExpectQuestion("An acquisition is running: stop it and quit?", Dialogs::Answer::kCancel);
  rig.program.startMenu()->RunOption(5);
  EXPECT_FALSE(rig.quit);
  EXPECT_TRUE(main->RunActive());
  rig.fake.dialogs.ExpectQuestion("Sure to Quit?", Dialogs::Answer::kYes)
      .ExpectQuestion("An acquisition is running: stop it and quit?", Dialogs::Answer::kOk);
  rig.program.startMenu()->RunOption(5);
  EXPECT_TRUE(rig.quit);
  EXPECT_FALSE(main->RunActive());
  EXPECT_EQ(CountsRecords(rig.state.run.context.folder), 1);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

}  // namespace
}  // namespace movexa::test
