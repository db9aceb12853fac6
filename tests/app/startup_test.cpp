// The start-up sequence on a real application folder laid out from data/, driven with the fake
// host (pauses advance a manual clock), and the shutdown question of the main window.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>

#include "app/config.h"
#include "app/startup.h"
#include "base/host_fakes.h"
#include "base/text_records.h"
#include "project/project_files.h"
#include "project/project_folders.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;
namespace fs = std::filesystem;

// Records the window steps in order with the stage each was called at.
class RecordingObserver : public StartupObserver {
 public:
  std::vector<std::string> steps;
  std::string throwAt;
  std::optional<int> userBin;

  void DisablePause(AppState& s) override { Step("DisablePause", s); }
  void ResetDeviceControls(AppState& s) override { Step("ResetDeviceControls", s); }
  void ShowStartMenuDisabled(AppState& s) override { Step("ShowStartMenuDisabled", s); }
  void ShowToolFrames(AppState& s) override { Step("ShowToolFrames", s); }
  void ShowOrganismAndSnr(AppState& s) override { Step("ShowOrganismAndSnr", s); }
  void ShowCalibrationOptions(AppState& s) override { Step("ShowCalibrationOptions", s); }
  void ShowLightAndTemperature(AppState& s) override { Step("ShowLightAndTemperature", s); }
  std::optional<int> UserDefinedBinMinutes(AppState&) override { return userBin; }
  void ShowDataIntervals(AppState& s) override { Step("ShowDataIntervals", s); }
  void PrepareLiveDisplay(AppState& s) override { Step("PrepareLiveDisplay", s); }
  void PrepareLivePlots(AppState& s) override { Step("PrepareLivePlots", s); }
  void EnableStartMenu(AppState& s) override { Step("EnableStartMenu", s); }
  void StartAutoRun(AppState& s) override { Step("StartAutoRun", s); }

 private:
  void Step(const std::string& name, const AppState& s) {
    steps.push_back(name + "@" + std::to_string(s.StartupStage));
    if (name == throwAt) throw std::runtime_error("window step failed");
  }
};

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::LayOutAppFolder(app_.path());
    state_.appDir = app_.path();
  }
  // Rewrites one line (0-based) of the demo project's setup.
  void EditDemoSetup(size_t line, const std::string& text) {
    fs::path file = app_ / "p00001" / "setup.dat";
    std::vector<std::string> lines = SplitLines(ReadFileOrDie(file));
    lines[line] = text;
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    WriteFileOrDie(file, out);
  }
  bool Run(std::string_view argument = "") {
    return StartUp(state_, argument, fake_.host, observer_);
  }

  TempDir app_;
  FakeHost fake_;
  AppState state_;
  RecordingObserver observer_;
};

TEST_F(StartupTest, DemoFolderStartsThroughEveryStageQuietly) {
  ASSERT_TRUE(Run());
  EXPECT_TRUE(fake_.dialogs.Messages().empty());
  EXPECT_EQ(state_.StartupStage, 9);
  EXPECT_EQ(state_.config.Actual_Project_Number, 1);
  EXPECT_EQ(state_.ProjectPath, app_ / "p00001");
  EXPECT_EQ(state_.project.Name, "Demo");
  EXPECT_EQ(state_.geometry.rows, 8);
  EXPECT_EQ(state_.main.projectLabel, "Demo_1");
  EXPECT_EQ(state_.main.lapseLabel, "3");
  EXPECT_EQ(state_.main.plateLabel, "w96f");
  EXPECT_FALSE(state_.autoRun);
  std::vector<std::string> status;
  for (const auto& l : fake_.status.lines()) {
    EXPECT_EQ(l.where, "Frm_Init.status");
    status.push_back(l.text);
  }
  EXPECT_EQ(status, (std::vector<std::string>{"STARTING........... Reading Configuration...",
                                              "STARTING........... Configuration OK...",
                                              "status = not connected yet"}));
  // Five progress steps, each after one 500 ms tick.
  EXPECT_EQ(fake_.pacer.pausedMs(), 2500);
  EXPECT_EQ(fake_.pacer.pumps(), 5);
}

TEST_F(StartupTest, WindowStepsComeInOrderAtTheirStages) {
  ASSERT_TRUE(Run("/run"));
  EXPECT_EQ(observer_.steps,
            (std::vector<std::string>{
                "DisablePause@0", "ResetDeviceControls@0", "ShowStartMenuDisabled@3",
                "ShowToolFrames@4", "ShowOrganismAndSnr@4", "ShowCalibrationOptions@5",
                "ShowLightAndTemperature@5", "ShowDataIntervals@5", "PrepareLiveDisplay@5",
                "PrepareLivePlots@5", "EnableStartMenu@9", "StartAutoRun@9"}));
  EXPECT_TRUE(state_.autoRun);
}

TEST_F(StartupTest, MissingConfigEndsTheProgramWithItsMessage) {
  fs::remove(app_ / "config.dat");
  EXPECT_FALSE(Run());
  // The fixed text first, then the folder and what to do about it.
  ASSERT_EQ(fake_.dialogs.Messages().size(), 1u);
  const std::string text = fake_.dialogs.Messages().front();
  EXPECT_EQ(text.rfind("Config file not found: Check correct software installation\r\n", 0), 0u);
  EXPECT_NE(text.find("The application folder " + app_.path().string() + " has no config.dat."),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("movexa-cli init --app-dir \"" + app_.path().string() + "\""),
            std::string::npos);
  EXPECT_TRUE(fake_.status.lines().empty());
  EXPECT_EQ(state_.StartupStage, 0);
}

TEST_F(StartupTest, AConfigThatIsNoFileIsSaidAsWhatItIs) {
  // A FIFO at the name is neither "not found" nor opened (it would wait for a writer).
  fs::remove(app_ / "config.dat");
  ASSERT_EQ(::mkfifo((app_ / "config.dat").c_str(), 0644), 0);
  EXPECT_FALSE(Run());
  EXPECT_EQ(fake_.dialogs.Messages(),
            std::vector<std::string>{"Config file " + (app_ / "config.dat").string() +
                                     " is a named pipe (FIFO), not a file: Check correct "
                                     "software installation"});
  EXPECT_EQ(state_.StartupStage, 0);
  fs::remove(app_ / "config.dat");
  fs::create_directory(app_ / "config.dat");
  EXPECT_EQ(ConfigFileMissing(app_.path()),
            "Config file " + (app_ / "config.dat").string() +
                " is a folder, not a file: Check correct software installation");
  fs::remove(app_ / "config.dat");
  fs::create_symlink(app_ / "gone.dat", app_ / "config.dat");
  EXPECT_NE(ConfigFileMissing(app_.path())->find("is a link to nothing"), std::string::npos);
}

TEST_F(StartupTest, EmptyConfigFallsBackToDefaultsAndGoesOn) {
  WriteFileOrDie(app_ / "config.dat", "");
  ASSERT_TRUE(Run());
  EXPECT_EQ(
      fake_.dialogs.Messages(),
      std::vector<std::string>{"Error opening config File >>>> Loading DEFAULT configuration..."});
  EXPECT_EQ(state_.config.Actual_Project_Number, 1);  // p00001 exists
  EXPECT_EQ(state_.config.Serial_COM, 4);
}

TEST_F(StartupTest, ProjectWithoutFolderLoadsTheDefaultProject) {
  WriteFileOrDie(app_ / "config.dat",
                 "\"Config: <Actual_Project_Number>, "
                 "<Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n7,7,4,0\r\n");
  ASSERT_TRUE(Run());
  EXPECT_EQ(state_.config.Actual_Project_Number, 0);
  EXPECT_EQ(state_.ProjectPath, app_.path());
  EXPECT_EQ(state_.main.projectLabel, "Default_0");
  EXPECT_TRUE(fake_.dialogs.Messages().empty());
}

TEST_F(StartupTest, FailingWindowStepQuotesTheStage) {
  observer_.throwAt = "ShowCalibrationOptions";
  EXPECT_FALSE(Run());
  EXPECT_EQ(fake_.dialogs.Messages(),
            std::vector<std::string>{"Error loading INIT parameters #ERROR:5"});
  observer_.throwAt = "ShowToolFrames";
  fake_.dialogs = ScriptedDialogs();
  EXPECT_FALSE(Run());
  EXPECT_EQ(fake_.dialogs.Messages(),
            std::vector<std::string>{"Error loading INIT parameters #ERROR:4"});
}

TEST_F(StartupTest, ToolFlagsSetFramesAndTheLightFlagIsReset) {
  EditDemoSetup(7, "0,1,7,0,0,0");
  ASSERT_TRUE(Run());
  EXPECT_EQ(state_.main.calibrationFrameVisible, std::optional<bool>(false));
  EXPECT_EQ(state_.main.lightFrameVisible, std::optional<bool>(true));
  EXPECT_EQ(state_.main.temperatureFrameVisible, std::nullopt);  // 7 leaves it unchanged
  EXPECT_EQ(state_.project.Menu[kMenuLight], 0);
}

TEST_F(StartupTest, OrganismSnrLightAndTemperatureValues) {
  EditDemoSetup(9, "1,1,0,15,0,0");    // Zebrafish code, auto calibration, SNR 1.5
  EditDemoSetup(11, "1,0,0,0,0,0");    // light enabled, hours unset
  EditDemoSetup(13, "1,501,0,0,0,0");  // temperature control on, set-point out of range
  ASSERT_TRUE(Run());
  const MainControls& m = state_.main;
  ASSERT_EQ(m.organismItems.size(), 7u);  // the four organisms, then the size classes 7, 8, 9
  EXPECT_EQ(m.organismItems[5], "size 0.1-1mm");
  EXPECT_EQ(m.organismText, "Zebrafish(larvae)");
  EXPECT_EQ(m.snrText, "1.5");
  EXPECT_DOUBLE_EQ(m.snr, 1.5);
  EXPECT_TRUE(m.autoCalibration);
  EXPECT_FALSE(m.autoZero);
  EXPECT_FALSE(m.lightEnabled);
  EXPECT_EQ(m.lightOnHour, 9);
  EXPECT_EQ(m.lightOffHour, 21);
  EXPECT_EQ(state_.project.Mn[kMn2][kTime_ON], 9);
  EXPECT_TRUE(m.temperatureControl);
  EXPECT_EQ(state_.project.Mn[kMn3][kTempx10], 200);
  EXPECT_EQ(m.temperatureText, "20.0");
  EXPECT_EQ(m.dataInterval, "30");
  EXPECT_FALSE(m.userDefinedBin);
}

TEST_F(StartupTest, UserDefinedBinSizeJoinsTheIntervalList) {
  observer_.userBin = 45;
  ASSERT_TRUE(Run());
  EXPECT_TRUE(state_.main.userDefinedBin);
  EXPECT_EQ(state_.main.dataIntervals.size(), 11u);
  EXPECT_EQ(state_.main.dataInterval, "45");
}

TEST(StartupValues, SnrAndOrganismRules) {
  EXPECT_EQ(SnrBoxText(0), "1.8");
  EXPECT_EQ(SnrBoxText(15), "1.5");
  EXPECT_EQ(SnrBoxText(28), "2.8");
  EXPECT_DOUBLE_EQ(StartupSnr("1,3"), 1.8);  // 1.3 is not above 1.4
  EXPECT_DOUBLE_EQ(StartupSnr("1,6"), 1.6);
  EXPECT_DOUBLE_EQ(StartupSnr("1.4"), 1.8);
  EXPECT_DOUBLE_EQ(StartupSnr("abc"), 1.8);
  EXPECT_EQ(OrganismText(8), std::optional<std::string>("size 0.1-1mm"));
  EXPECT_EQ(OrganismText(3), std::nullopt);
}

TEST(StartupValues, TemperatureLimitsKeepTwentyAndFiveHundred) {
  for (int16_t t : {19, 20, 500, 501}) {
    TempDir app;
    test::LayOutAppFolder(app.path());
    AppState s;
    s.appDir = app.path();
    ProjectSettings p;
    ASSERT_EQ(ReadSetupText(ReadFileOrDie(app / "p00001" / "setup.dat"), p).failed, false);
    p.Mn[kMn3][kTempx10] = t;
    WriteFileOrDie(app / "p00001" / "setup.dat", FormatSetup(p, 1));
    FakeHost fake;
    StartupObserver none;
    ASSERT_TRUE(StartUp(s, "", fake.host, none));
    EXPECT_EQ(s.project.Mn[kMn3][kTempx10], (t == 19 || t == 501) ? 200 : t);
  }
}

class ShutdownTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    ASSERT_TRUE(Run());
    pausedBefore_ = fake_.pacer.pausedMs();
  }
  int64_t pausedBefore_ = 0;
  int portClosed_ = 0;
  std::function<void()> closePort_ = [this] { ++portClosed_; };
};

TEST_F(ShutdownTest, YesSavesThenPausesAndClosesThePort) {
  fake_.dialogs.ExpectQuestion("Update values to project 1_Demo before Exit?",
                               Dialogs::Answer::kYes);
  const std::string before = ReadFileOrDie(app_ / "p00001" / "setup.dat");
  ShutdownMain(state_, fake_.host, closePort_);
  EXPECT_TRUE(fake_.dialogs.Problems().empty());
  EXPECT_EQ(ReadFileOrDie(app_ / "p00001" / "setup.bak"), before);
  EXPECT_EQ(fake_.pacer.pausedMs() - pausedBefore_, 600);
  EXPECT_EQ(portClosed_, 1);
}

TEST_F(ShutdownTest, NoClosesThePortWithoutSaving) {
  fake_.dialogs.ExpectQuestion("Update values to project 1_Demo before Exit?",
                               Dialogs::Answer::kNo);
  ShutdownMain(state_, fake_.host, closePort_);
  EXPECT_FALSE(fs::exists(app_ / "p00001" / "setup.bak"));
  EXPECT_EQ(fake_.pacer.pausedMs(), pausedBefore_);
  EXPECT_EQ(portClosed_, 1);
}

TEST_F(ShutdownTest, OfflineAsksNothingAndLeavesThePort) {
  state_.offline = true;
  ShutdownMain(state_, fake_.host, closePort_);
  EXPECT_TRUE(fake_.dialogs.shown().empty());
  EXPECT_EQ(portClosed_, 0);
}

TEST_F(ShutdownTest, FailedSaveIsReportedAndThePortStillCloses) {
  state_.ProjectPath = app_ / "vanished";
  fake_.dialogs.ExpectQuestion("", Dialogs::Answer::kYes);
  ShutdownMain(state_, fake_.host, closePort_);
  ASSERT_EQ(fake_.dialogs.Messages().size(), 1u);
  EXPECT_EQ(fake_.dialogs.Messages()[0].rfind("Error saving project files: ", 0), 0u);
  EXPECT_EQ(portClosed_, 1);
}

}  // namespace
}  // namespace movexa
