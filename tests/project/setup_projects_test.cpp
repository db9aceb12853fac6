// Project operations of the setup window on a real application folder: New with the number
// wrap and the overwrite question, Save under a new number, the project list with damaged and
// odd folders, loading a listed project, Rename, and the plate-format change with its recovery.
#include <gtest/gtest.h>

#include "acquisition/live_display_values.h"
#include "app/config.h"
#include "base/host_fakes.h"
#include "project/group_editing.h"
#include "project/plate_format.h"
#include "project/project_folders.h"
#include "project/project_store.h"
#include "project/setup_projects.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using Answer = Dialogs::Answer;
using test::ReadFileOrDie;
using test::WriteFileOrDie;

class SetupProjectsTest : public ::testing::Test {
 protected:
  SetupProjectsTest() {
    test::LayOutAppFolder(app_.path());
    state_.appDir = app_.path();
    LoadConfig(app_.path(), state_.config, fake_.host);
    state_.ProjectPath = DeriveProjectPath(app_.path(), state_.config);
    LoadProject(state_.config.Actual_Project_Number, {app_.path(), state_.ProjectPath},
                state_.project, state_.geometry, state_.wellMap, fake_.host);
  }
  void ExpectScriptRan() { EXPECT_TRUE(fake_.dialogs.Problems().empty()); }

  test::TempDir app_;
  FakeHost fake_;
  AppState state_;
};

TEST_F(SetupProjectsTest, NewAbove31999WrapsAndNoToOverwriteLeavesTheNumberRaised) {
  state_.config.Last_Project = 32000;
  fake_.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
      .ExpectInput("Enter the New Project Name", "Dose")
      .ExpectQuestion(
          "The project number to generate (p00001already exists. do you like to "
          "overwrite?",
          Answer::kNo);
  EXPECT_EQ(NewProject(state_, fake_.host), ProjectOpResult::kCancelled);
  EXPECT_EQ(fake_.dialogs.shown()[1].title, "Saving <1> with a new name");
  EXPECT_EQ(state_.config.Last_Project, 1);
  EXPECT_EQ(state_.config.Actual_Project_Number, 1);
  EXPECT_EQ(state_.project.Name, "Demo");  // nothing was changed

  fake_.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
      .ExpectInput("Enter the New Project Name", "Dose \"B\"");
  ASSERT_EQ(NewProject(state_, fake_.host), ProjectOpResult::kDone);
  ExpectScriptRan();
  EXPECT_EQ(fake_.dialogs.shown()[4].title, "Saving <2> with a new name");
  EXPECT_EQ(state_.ProjectPath, app_.path() / "p00002");
  const std::string setup = ReadFileOrDie(app_.path() / "p00002" / "setup.dat");
  EXPECT_NE(setup.find("2,\"Dose 'B'\","), std::string::npos) << setup;
  AppConfig saved;
  LoadConfig(app_.path(), saved, fake_.host);
  EXPECT_EQ(saved.Actual_Project_Number, 2);
  EXPECT_EQ(saved.Last_Project, 2);
}

TEST_F(SetupProjectsTest, SaveUnderANewNumberCarriesTheGroupsAndReadsBackEqual) {
  ClearGroups(state_.project);
  AutoArrange(state_.project, state_.wellMap, state_.geometry, "02x03");
  state_.project.groupNames[0] = "Control";
  fake_.dialogs.ExpectQuestion("Do you like to Update <Demo_1> values?", Answer::kNo)
      .ExpectInput("Enter the New Project Name", "");
  ASSERT_EQ(SaveProjectQuestion(state_, fake_.host), ProjectOpResult::kDone);
  ExpectScriptRan();
  EXPECT_EQ(fake_.dialogs.shown()[1].title, "Saving <Demo_1> with a new name");
  EXPECT_EQ(state_.project.Name, "p00002");  // an empty answer names it after its folder

  AppState back;
  back.appDir = app_.path();
  LoadProject(2, {app_.path(), app_.path() / "p00002"}, back.project, back.geometry, back.wellMap,
              fake_.host);
  EXPECT_EQ(back.project.channelGroup, state_.project.channelGroup);
  EXPECT_EQ(back.project.groupNames, state_.project.groupNames);
  EXPECT_EQ(back.project.Name, "p00002");
}

TEST_F(SetupProjectsTest, ALinkPlantedAtTheFolderNameIsReplacedNeverWrittenThrough) {
  const fs::path outside = app_.path() / "elsewhere";
  fs::create_directories(outside);
  WriteFileOrDie(outside / "keep.txt", "mine");
  fs::create_directory_symlink(outside, app_.path() / "p00002");
  auto expectCreate = [&](Answer overwrite) {
    fake_.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
        .ExpectInput("Enter the New Project Name", "Dose")
        .ExpectQuestion(
            "The project number to generate (p00002already exists. do you like to overwrite?",
            overwrite);
  };
  // No: nothing changes, the link stays.
  expectCreate(Answer::kNo);
  EXPECT_EQ(NewProject(state_, fake_.host), ProjectOpResult::kCancelled);
  EXPECT_TRUE(fs::is_symlink(app_.path() / "p00002"));
  // Yes: the link gives way to a real project folder; its target is never written to.
  state_.config.Last_Project = 1;
  expectCreate(Answer::kYes);
  ASSERT_EQ(NewProject(state_, fake_.host), ProjectOpResult::kDone);
  ExpectScriptRan();
  EXPECT_FALSE(fs::is_symlink(app_.path() / "p00002"));
  EXPECT_TRUE(fs::exists(app_.path() / "p00002" / "chgroup.dat"));
  std::vector<std::string> inside;
  for (const auto& e : fs::directory_iterator(outside)) inside.push_back(e.path().filename());
  EXPECT_EQ(inside, std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(ReadFileOrDie(outside / "keep.txt"), "mine");
}

TEST_F(SetupProjectsTest, ANewProjectWhoseConfigCannotBeSavedIsNotLeftBehind) {
  // "config.dat" cannot be replaced (a folder with a file stands at its name): the project
  // would exist with nothing naming it, and "created" would be untrue.
  fs::remove(app_.path() / "config.dat");
  fs::create_directories(app_.path() / "config.dat");
  WriteFileOrDie(app_.path() / "config.dat" / "x", "x");
  fake_.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
      .ExpectInput("Enter the New Project Name", "Dose")
      .ExpectMessage("<Error Saving Config File>");
  EXPECT_EQ(NewProject(state_, fake_.host), ProjectOpResult::kFailed);
  ExpectScriptRan();
  EXPECT_FALSE(fs::exists(app_.path() / "p00002"));
  EXPECT_EQ(state_.ProjectPath, app_.path() / "p00001");
  EXPECT_EQ(state_.config.Actual_Project_Number, 1);
  EXPECT_EQ(state_.config.Last_Project, 1);
  EXPECT_EQ(state_.project.Name, "Demo");
}

TEST_F(SetupProjectsTest, DetectionThatCountsNothingIsRefusedOrMendedAtCreation) {
  // Method 3 with C.elegans' 1.8, and an interval longer than the bin: refused, nothing asked.
  state_.project.DSP_Method = 3;
  state_.project.Mn[kMn1][kSNRx10] = 18;
  state_.project.DSP_Interval = 32767;
  fake_.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
      .ExpectMessage(
          "The project cannot be created: SNR 1.8 with detection method 3. Enter a valid SNR: "
          "0.5 to 0.9.")
      .ExpectMessage(
          "The project cannot be created: detection interval 32767 samples, longer than the "
          "bin of 500 samples. Enter a detection interval from 1 to 500 samples.");
  EXPECT_EQ(NewProject(state_, fake_.host), ProjectOpResult::kFailed);
  ExpectScriptRan();
  EXPECT_FALSE(fs::exists(app_.path() / "p00002"));
  EXPECT_EQ(state_.config.Last_Project, 1);

  // Thresholds of 0 (the window does not edit them) take the default, said once.
  state_.project.Mn[kMn1][kSNRx10] = 8;
  state_.project.DSP_Interval = 30;
  for (size_t c = 0; c < kChannelCount; ++c) state_.project.ChannelThreshold[c] = 0;
  fake_.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
      .ExpectMessage(
          "Error [\\p00002\\threshld.dat] threshold 0 on 384 channels (A threshold must lie "
          "above 0 percent) => Loading default value 3...")
      .ExpectInput("Enter the New Project Name", "Flies");
  ASSERT_EQ(NewProject(state_, fake_.host), ProjectOpResult::kDone);
  ExpectScriptRan();
  EXPECT_NE(ReadFileOrDie(app_.path() / "p00002" / "threshld.dat").find("\r\n383,3\r\n"),
            std::string::npos);
}

TEST_F(SetupProjectsTest, ProjectListSkipsOddFoldersAndShowsDamagedSetups) {
  fs::create_directories(app_.path() / "p0000x");
  WriteFileOrDie(app_.path() / "p0000x" / "setup.dat", ReadFileOrDie(app_.path() / "setup.dat"));
  fs::create_directories(app_.path() / "p99999");
  WriteFileOrDie(app_.path() / "p99999" / "setup.dat", ReadFileOrDie(app_.path() / "setup.dat"));
  fs::create_directories(app_.path() / "p00004");
  WriteFileOrDie(app_.path() / "p00004" / "setup.dat", "\"Project Setup\"\r\n4,\"x\"\r\n");
  fs::create_directories(app_.path() / "p00006");  // no setup.dat: not listed

  std::vector<ProjectListEntry> list = ProjectList(app_.path(), fake_.host);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].text, "p00001_Demo");
  EXPECT_EQ(list[1].text, "p00004_SETUP NOT FOUND!!");
  EXPECT_EQ(list[1].number, 4);

  fake_.dialogs.Lenient();
  LoadListedProject(state_, fake_.host, 4);
  EXPECT_EQ(state_.ProjectPath, app_.path() / "p00004");
  AppConfig saved;
  LoadConfig(app_.path(), saved, fake_.host);
  EXPECT_EQ(saved.Actual_Project_Number, 4);
  EXPECT_EQ(saved.Last_Project, 4);           // a loaded number is never handed out again
  EXPECT_EQ(state_.project.Name, "Default");  // the damaged setup took the defaults

  LoadListedProject(state_, fake_.host, 0);
  EXPECT_EQ(state_.ProjectPath, app_.path());
}

TEST_F(SetupProjectsTest, RenameRefusesTheDefaultProjectAndKeepsEmptyAnswersOut) {
  fake_.dialogs.ExpectInput("Rename Project: Entre New Name", "")
      .ExpectInput("Rename Project: Entre New Name", "Run \"7\"");
  EXPECT_FALSE(RenameProject(state_, fake_.host));
  EXPECT_EQ(state_.project.Name, "Demo");
  EXPECT_TRUE(RenameProject(state_, fake_.host));
  EXPECT_EQ(state_.project.Name, "Run '7'");
  state_.config.Actual_Project_Number = 0;
  fake_.dialogs.ExpectMessage(
      "Not possible to rename the Default project. Save it with another Name");
  EXPECT_FALSE(RenameProject(state_, fake_.host));
  ExpectScriptRan();
}

TEST_F(SetupProjectsTest, PlateChangeAsksClearsAndKeepsThePreviousFormatWhenUnreadable) {
  fake_.dialogs.ExpectMessage("Selection Error");
  EXPECT_EQ(ChoosePlateFormat(state_, fake_.host, "w12"), PlateChoiceResult::kNoFile);
  fake_.dialogs.ExpectQuestion("Load New Plate configuration?", Answer::kNo);
  EXPECT_EQ(ChoosePlateFormat(state_, fake_.host, "w384"), PlateChoiceResult::kDeclined);
  EXPECT_EQ(MainGroupSelectorItems(state_.project, state_.wellMap).size(), 4u);  // the demo's groups are untouched

  fake_.dialogs.ExpectQuestion("Load New Plate configuration?", Answer::kYes)
      .ExpectMessage(PlateFormatInformation("w96flat"));
  EXPECT_EQ(ChoosePlateFormat(state_, fake_.host, "w96flat"), PlateChoiceResult::kLoaded);
  EXPECT_EQ(state_.project.Plate_format, "w96flat");
  EXPECT_NE(fake_.dialogs.shown().back().text.find("DISCONTINUED"), std::string::npos);

  WriteFileOrDie(app_.path() / "w24.dat", "\"broken\"\r\n");
  const int16_t rows = state_.geometry.rows;
  fake_.dialogs.ExpectQuestion("Load New Plate configuration?", Answer::kYes)
      .ExpectMessage(PlateFormatInformation("w24"))
      .ExpectMessage("");
  EXPECT_EQ(ChoosePlateFormat(state_, fake_.host, "w24"), PlateChoiceResult::kUnreadable);
  ExpectScriptRan();
  EXPECT_NE(fake_.dialogs.Messages().back().find("stays w96flat"), std::string::npos);
  EXPECT_EQ(state_.project.Plate_format, "w96flat");
  EXPECT_EQ(state_.geometry.rows, rows);
  EXPECT_EQ(MainGroupSelectorItems(state_.project, state_.wellMap), std::vector<std::string>{"000_Free"});
}

}  // namespace
}  // namespace movexa
