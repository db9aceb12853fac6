// Run control: the experiment name and its prompts, the refusals, the disk-space warning, the
// acquisition folder with its snapshot, monitor mode, autorun, the channel mode, the light at
// start, Pause with and without the time counter, Stop, and two runs in the same minute.
#include <gtest/gtest.h>

#include "acquisition/counts_record.h"
#include "acquisition/engine_rig.h"
#include "acquisition/run_texts.h"
#include "base/file_io.h"
#include "project/project_store.h"

namespace movexa::test {
namespace {

using Answer = Dialogs::Answer;

const std::string kPromptOff =
    "*************************************************\r\n"
    "***   Enter a Name for this Experiment  ***\r\n"
    "*************************************************\r\n"
    "Comments:\r\n"
    "~~~~~~~\r\n"
    "> Auto Calibration is OFF: Remember to read Blank.\r\n"
    "> To go into Monitor_mode (no calculation/recording) keep experiment name empty.";

// Small bins keep the runs short: 60 samples per bin.
void SmallBins(EngineRig& rig, int aqLapse = 3) {
  rig.state.project.RT_Buffer = 60;
  rig.state.project.Aq_lapse = static_cast<int16_t>(aqLapse);
}

TEST(PlayName, PromptTitleAndWordingFollowTheCalibrationOptions) {
  EngineRig rig;
  SmallBins(rig);
  ASSERT_TRUE(rig.Play("exp"));
  ASSERT_FALSE(rig.fake.dialogs.shown().empty());
  EXPECT_EQ(rig.fake.dialogs.shown()[0].text, kPromptOff);
  EXPECT_EQ(rig.fake.dialogs.shown()[0].title, "Starting New acquisition...");
  EXPECT_EQ(rig.display.experimentName, "exp");
  // Only both options together announce automatic calibration.
  std::string on = kPromptOff;
  on.replace(on.find("> Auto Calibration is OFF: Remember to read Blank."), 50,
             "> Auto Calibration is ON: Use experimental Microplate Direclty.");
  EXPECT_EQ(run_texts::NamePrompt(true), on);
  EXPECT_EQ(run_texts::NamePrompt(false), kPromptOff);
}

TEST(PlayName, CancelledEmptyNameAsksOnceMoreAndTakesThatAnswer) {
  EngineRig rig;
  SmallBins(rig);
  rig.fake.dialogs.ExpectInput(kPromptOff, "")
      .ExpectQuestion("Name is EMPTY. Activity is NOT going to be CALCULATED/RECORDED!", Answer::kCancel)
      .ExpectInput("Enter a Name for this experiment", "second try");
  ASSERT_TRUE(rig.engine->CmdPlay());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems()[0];
  EXPECT_EQ(rig.state.run.context.experimentName, "second try");
  EXPECT_TRUE(rig.state.run.context.recording);
  EXPECT_EQ(ReadFileOrDie(rig.Folder() / "subproj.dat"), "\"second try\"\r\n");
}

TEST(PlayName, ExperimentNameWithAQuoteNeverPutsAQuoteIntoTheFile) {
  EngineRig rig;
  SmallBins(rig);
  ASSERT_TRUE(rig.Play("dose \"high\", day 1"));
  EXPECT_EQ(ReadFileOrDie(rig.Folder() / "subproj.dat"), "\"dose 'high', day 1\"\r\n");
}

TEST(MonitorMode, ConfirmedEmptyNameSamplesButWritesAndCountsNothing) {
  EngineRig rig;
  SmallBins(rig, 1);
  auto before = rig.AcquisitionFolders();
  ASSERT_TRUE(rig.Play(""));
  EXPECT_FALSE(rig.state.run.context.recording);
  rig.fake.dialogs.ExpectMessage("Acquisition finished");
  rig.TickUntilStopped();
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_GT(rig.state.run.counters.binsClosed, 5);
  EXPECT_EQ(rig.AcquisitionFolders(), before);
  EXPECT_FALSE(IsFile(rig.ProjectDir() / "report.txt"));
  for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(rig.state.run.buffers.channels[c].totalCount, 0) << c;
  // The beams were sampled all the same.
  EXPECT_GT(rig.state.run.buffers.Raw(0, 10), 400);
}

TEST(PlayRefusals, ProjectZeroOpensTheSetupWindowAndCreatesNothing) {
  EngineRig rig;
  rig.state.config.Actual_Project_Number = 0;
  rig.state.ProjectPath = rig.state.appDir;
  rig.fake.dialogs.ExpectInput("", "exp").ExpectMessage(
      "Operation not allowed in Project #0:Default. Go to <Setup> and Save it with another name");
  EXPECT_FALSE(rig.engine->CmdPlay());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_EQ(rig.display.setupWindowOpened, 1);
  EXPECT_TRUE(rig.AcquisitionFolders().empty());
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_FALSE(rig.state.run.timerEnabled);
}

TEST(PlayRefusals, OfflineRefusesWithoutSendingAFrame) {
  EngineRig rig(EngineSimConfig(), /*connect=*/false);
  rig.state.offline = true;
  const int64_t frames = rig.instrument.framesReceived();
  rig.fake.dialogs.ExpectInput("", "exp").ExpectMessage(
      "Acquisition not allowed in OFFLINE MODE. Connect the equipment and restart the program.");
  EXPECT_FALSE(rig.engine->CmdPlay());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_EQ(rig.instrument.framesReceived(), frames);
  EXPECT_TRUE(rig.AcquisitionFolders().empty());
  EXPECT_EQ(rig.display.setupWindowOpened, 0);
}

TEST(PlayRefusals, ABinOfOneSampleIsRefusedBeforeAnythingIsCreated) {
  EngineRig rig;
  rig.state.project.RT_Buffer = 1;  // "setup.dat" accepts it; a bin buffer cannot hold it
  rig.fake.dialogs.ExpectInput("", "exp").ExpectMessage(
      "Samples per bin (RT_Buffer) = 1: at least 2 are needed. The acquisition was not started.");
  EXPECT_FALSE(rig.engine->CmdPlay());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_TRUE(rig.AcquisitionFolders().empty());
  EXPECT_FALSE(rig.state.run.timerEnabled);
}

TEST(DiskSpace, WarningTextsAndWhenTheQuestionIsAsked) {
  // 60 minutes, 5000 MB free: 24 MB required, nothing appended, no question.
  DiskSpaceCheck small = CheckDiskSpace(60, 5000);
  EXPECT_EQ(small.requiredMB, 24);
  EXPECT_FALSE(small.ask);
  EXPECT_EQ(small.report,
            "Programmed Acquisition lapse = 60minutes & RealTime_recording=YES\r\n"
            "Required Disk space for RealTime Saving = 24MB\r\nCurrent Disk Space=5000MB\r\n");
  // 3000 minutes, 2000 MB free: 1200 MB required, 800 left: low, and asked.
  DiskSpaceCheck low = CheckDiskSpace(3000, 2000);
  EXPECT_EQ(low.requiredMB, 1200);
  EXPECT_TRUE(low.ask);
  EXPECT_EQ(low.report,
            "Programmed Acquisition lapse = 3000minutes & RealTime_recording=YES\r\n"
            "Required Disk space for RealTime Saving = 1200MB\r\nCurrent Disk Space=2000MB\r\n"
            "LOW DISK SPACE\r\n");
  // A failed query (-1 MB) triggers both texts.
  DiskSpaceCheck failed = CheckDiskSpace(100, -1);
  EXPECT_TRUE(failed.ask);
  EXPECT_NE(failed.report.find("Current Disk Space=-1MB\r\nLOW DISK SPACE\r\nNOT ENOUGH DISK SPACE\r\n"
                               " (Please, Increase Disk Space Availablility or Deselect Realtime "
                               "recording)"),
            std::string::npos);
  // Rounding of the requirement: 1 minute x 0.4 rounds to 0; 5 x 0.4 = 2; 2502 x 0.4 = 1000.8.
  EXPECT_EQ(CheckDiskSpace(1, 100000).requiredMB, 0);
  EXPECT_EQ(CheckDiskSpace(2502, 100000).requiredMB, 1001);
  EXPECT_TRUE(CheckDiskSpace(2502, 100000).ask);  // a large recording is always confirmed
}

TEST(DiskSpace, DecliningTheWarningOpensTheSetupWindowAndCreatesNothing) {
  EngineRig rig;
  rig.state.project.Aq_lapse = 3000;
  rig.fake.system.freeMB = 2000;
  rig.fake.dialogs.ExpectInput("", "exp").ExpectQuestion(
      "WARNING:\r\n" + CheckDiskSpace(3000, 2000).report + "\r\nPROCEED?", Answer::kNo);
  EXPECT_FALSE(rig.engine->CmdPlay());
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems()[0];
  EXPECT_EQ(rig.display.setupWindowOpened, 1);
  EXPECT_TRUE(rig.AcquisitionFolders().empty());
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
}

TEST(DiskSpace, NoCheckForShortRunsWithoutRealTimeSavingOrInMonitorMode) {
  for (int variant = 0; variant < 3; ++variant) {
    EngineRig rig;
    rig.fake.system.freeMB = -1;  // any check would ask
    rig.state.project.Aq_lapse = variant == 0 ? 30 : 3000;
    rig.state.project.Save_real = variant == 1 ? 0 : 1;
    EXPECT_TRUE(rig.Play(variant == 2 ? "" : "exp")) << variant;
    EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << variant;
  }
}

TEST(Autorun, NoPromptNoDiskCheckAndTheFixedName) {
  EngineRig rig;
  rig.state.autoRun = true;
  rig.state.project.Aq_lapse = 3000;
  rig.fake.system.freeMB = -1;
  ASSERT_TRUE(rig.engine->CmdPlay());
  EXPECT_TRUE(rig.fake.dialogs.shown().empty());
  EXPECT_EQ(rig.state.run.context.experimentName, "Autorun project");
  EXPECT_EQ(ReadFileOrDie(rig.Folder() / "subproj.dat"), "\"Autorun project\"\r\n");
}

TEST(AcquisitionFolder, NamedByTheStartMinuteWithTheProjectSnapshot) {
  EngineRig rig;
  rig.fake.clock.Set(CivilTime{2024, 3, 19, 14, 5, 42, 0});
  SmallBins(rig);
  rig.state.project.ChannelThreshold[4] = 7.25;
  ASSERT_TRUE(rig.Play("exp"));
  EXPECT_EQ(rig.state.run.context.folderName, "20240319_1405");
  EXPECT_EQ(rig.Folder(), rig.ProjectDir() / "20240319_1405");
  // The snapshot is exactly what saving the project there writes.
  TempDir expected;
  ASSERT_TRUE(SaveProject(expected.path(), 1, rig.state.project).ok);
  for (const char* f : {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
    EXPECT_EQ(ReadFileOrDie(rig.Folder() / f), ReadFileOrDie(expected / f)) << f;
  }
  EXPECT_NE(ReadFileOrDie(rig.Folder() / "threshld.dat").find("4,7.25\r\n"), std::string::npos);
  EXPECT_FALSE(IsFile(rig.Folder() / "counts.bin"));  // nothing before the first bin closes
}

TEST(AcquisitionFolder, ARestartInTheSameMinuteTakesTheNextFreeMinuteNeverMixingRuns) {
  EngineRig rig;
  rig.fake.clock.Set(CivilTime{2024, 3, 19, 23, 59, 0, 0});
  SmallBins(rig);
  ASSERT_TRUE(rig.Play("first"));
  rig.TicksForBins(2);
  rig.engine->CmdStop();
  const fs::path first = rig.Folder();
  // A folder of the next minute exists already (a blank reading, say): it is skipped too.
  rig.fake.clock.Set(CivilTime{2024, 3, 19, 23, 59, 30, 0});
  fs::create_directory(rig.ProjectDir() / "20240320_0000");
  ASSERT_TRUE(rig.Play("second"));
  rig.TicksForBins(1);
  rig.engine->CmdStop();
  EXPECT_EQ(first.filename(), "20240319_2359");
  EXPECT_EQ(rig.Folder().filename(), "20240320_0001");
  EXPECT_EQ(FileLength(first / "counts.bin"), 2 * 774);
  EXPECT_EQ(FileLength(first / "0.bin"), 2 * RawBlockBytes(60));
  EXPECT_EQ(ReadFileOrDie(first / "subproj.dat"), "\"first\"\r\n");
  EXPECT_EQ(FileLength(rig.Folder() / "counts.bin"), 774);
  EXPECT_EQ(FileLength(rig.Folder() / "0.bin"), RawBlockBytes(60));
  EXPECT_EQ(ReadFileOrDie(rig.Folder() / "subproj.dat"), "\"second\"\r\n");
  EXPECT_FALSE(IsFile(rig.ProjectDir() / "20240320_0000" / "subproj.dat"));
}

TEST(AcquisitionFolder, ASecondRecorderOnTheSameApplicationFolderIsRefusedWhileTheFirstRuns) {
  EngineRig rig;
  EngineRig other;
  SmallBins(rig);
  SmallBins(other);
  other.state.appDir = rig.state.appDir;
  other.state.ProjectPath = rig.state.ProjectPath;
  ASSERT_TRUE(rig.Play("first"));
  other.fake.dialogs.ExpectInput("", "second")
      .ExpectMessage(run_texts::RecorderBusy(rig.state.appDir.string()));
  EXPECT_FALSE(other.engine->CmdPlay());
  EXPECT_EQ(rig.AcquisitionFolders().size(), 1u);
  rig.TicksForBins(1);
  rig.engine->CmdStop();
  // Once the first has stopped, the other records into a folder of its own.
  ASSERT_TRUE(other.Play("second"));
  other.TicksForBins(1);
  other.engine->CmdStop();
  EXPECT_NE(other.Folder(), rig.Folder());
  EXPECT_EQ(FileLength(rig.Folder() / "counts.bin"), 774);
  EXPECT_EQ(FileLength(other.Folder() / "counts.bin"), 774);
}

TEST(PlayInstrument, ChannelModeTwiceByPlateFormatAndTheLightAtStart) {
  for (const char* format : {"w96f", "w96u"}) {
    EngineRig rig;
    SmallBins(rig);
    rig.state.project.Plate_format = format;
    // The light cycle 09..21 at 14:05: on.
    rig.state.outputs.lightCycleEnabled = true;
    ASSERT_TRUE(rig.Play("exp"));
    const int mode = std::string(format) == "w96u" ? 1 : 0;
    const std::string frame{'\xFF', '\x00', '\x4A', static_cast<char>(mode), '\xF0'};
    const std::string& sent = rig.instrument.receivedBytes();
    size_t first = sent.find(frame);
    ASSERT_NE(first, std::string::npos) << format;
    EXPECT_NE(sent.find(frame, first + 5), std::string::npos) << format;
    EXPECT_EQ(rig.instrument.channelMode(), mode);
    EXPECT_EQ(rig.instrument.outputs(), 4) << format;
    EXPECT_EQ(rig.display.outputs.back(), 4);
  }
}

TEST(Pause, WithTheTimeCounterStoppedResumesWithTheElapsedTimeOfThePause) {
  EngineRig rig;
  SmallBins(rig, 60);
  ASSERT_TRUE(rig.Play("exp"));
  rig.Ticks(200);
  const int64_t elapsedAtPause = rig.fake.clock.MonotonicMs() - rig.state.run.context.startMs;
  rig.fake.dialogs.ExpectQuestion("Pause Time Counter?", Answer::kYes);
  rig.engine->CmdPause();
  EXPECT_EQ(rig.state.run.runState, RunState::kPaused);
  EXPECT_FALSE(rig.state.run.timerEnabled);
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus"), "Time Counter = OFF");
  EXPECT_EQ(rig.display.banner, "<< PAUSED >>");
  const int64_t samples = rig.state.run.counters.samplesTaken;
  rig.fake.clock.AdvanceMs(5 * 60000);  // five minutes paused
  rig.Ticks(10);                         // the timer is off: nothing happens
  EXPECT_EQ(rig.state.run.counters.samplesTaken, samples);
  rig.engine->CmdPause();
  EXPECT_EQ(rig.state.run.runState, RunState::kRunning);
  EXPECT_TRUE(rig.state.run.timerEnabled);
  EXPECT_EQ(rig.display.banner, "");
  EXPECT_EQ(rig.state.run.counters.ticks, 0);  // re-synchronises and rebuilds the envelope
  EXPECT_EQ(rig.fake.clock.MonotonicMs() - rig.state.run.context.startMs, elapsedAtPause);
  rig.TicksForBins(1);
  EXPECT_EQ(rig.state.run.context.elapsedMinutes, 0);  // the five paused minutes do not count
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(Pause, WithTheTimeCounterRunningTakesNoSamplesAndStillEndsTheRun) {
  EngineRig rig;
  SmallBins(rig, 2);
  ASSERT_TRUE(rig.Play("exp"));
  rig.TicksForBins(1);
  rig.Ticks(10);  // mid-bin
  rig.fake.dialogs.ExpectQuestion("Pause Time Counter?", Answer::kNo);
  rig.engine->CmdPause();
  EXPECT_TRUE(rig.state.run.timerEnabled);
  EXPECT_EQ(rig.fake.status.Last("Frm_Main.lblstatus"), "Time Counter = ON");
  const int64_t samples = rig.state.run.counters.samplesTaken;
  const int64_t frames = rig.instrument.framesReceived();
  rig.fake.dialogs.ExpectMessage("Acquisition finished");
  // Paused, the tick only keeps the time: the run ends at two minutes, mid-bin.
  int64_t ticks = rig.TickUntilStopped(100000, 1000);
  EXPECT_GT(ticks, 100);
  EXPECT_EQ(rig.state.run.counters.samplesTaken, samples);
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_TRUE(rig.state.run.context.finished);
  EXPECT_EQ(rig.state.run.context.elapsedMinutes, 2);
  // No block was requested while paused: only the outputs, the temperature of nothing else.
  EXPECT_LT(rig.instrument.framesReceived() - frames, 5);
  EXPECT_EQ(rig.instrument.outputs(), 0);
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(Stop, MidBinDropsThePartialBinAndSwitchesEverythingOff) {
  EngineRig rig;
  SmallBins(rig);
  rig.state.outputs.lightCycleEnabled = true;
  ASSERT_TRUE(rig.Play("exp"));
  ASSERT_EQ(rig.instrument.outputs(), 4);
  rig.TicksForBins(2);
  rig.Ticks(30);
  rig.engine->CmdStop();
  EXPECT_EQ(rig.state.run.runState, RunState::kStopped);
  EXPECT_FALSE(rig.state.run.timerEnabled);
  EXPECT_EQ(FileLength(rig.Folder() / "counts.bin"), 2 * 774);
  EXPECT_EQ(FileLength(rig.Folder() / "0.bin"), 2 * RawBlockBytes(60));
  EXPECT_EQ(rig.instrument.outputs(), 0);
  EXPECT_EQ(rig.display.outputs.back(), 0);
  EXPECT_EQ(rig.display.controls.back(), RunState::kStopped);
  EXPECT_EQ(rig.state.run.counters.ticks, 0);
  // A tick after Stop does nothing.
  const int64_t frames = rig.instrument.framesReceived();
  rig.Ticks(5);
  EXPECT_EQ(rig.instrument.framesReceived(), frames);
}

}  // namespace
}  // namespace movexa::test
