// Loading and saving a project on disk: the recovery paths of "setup.dat", the messages the
// operator sees, the per-channel defaults, and the save with its backup.
#include <gtest/gtest.h>

#include "base/host_fakes.h"
#include "base/text_records.h"
#include "project/project_folders.h"
#include "project/project_store.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::GoldenDir;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;

const char* const kProjectFiles[] = {"setup.dat", "status.dat", "threshld.dat", "groups.dat",
                                     "chgroup.dat"};

class ProjectStoreTest : public ::testing::Test {
 protected:
  // Project n's folder with the golden project files in it.
  fs::path GoldenProject(int n) {
    fs::path folder = ProjectFolder(app_.path(), n);
    fs::create_directories(folder);
    for (const char* f : kProjectFiles) fs::copy_file(GoldenDir() / "project" / f, folder / f);
    return folder;
  }
  ProjectLocation At(int n) {
    return {app_.path(), n > 0 ? ProjectFolder(app_.path(), n) : app_.path()};
  }
  std::string Setup(int n) { return ReadFileOrDie(ProjectFolder(app_.path(), n) / "setup.dat"); }

  TempDir app_;
  FakeHost fake_;
  ProjectSettings settings_;
};

TEST_F(ProjectStoreTest, GoldenProjectLoadsAndSavesBackByteForByte) {
  fs::path folder = GoldenProject(7);
  test::LayOutAppFolder(app_.path());  // plate formats
  PlateGeometry geometry;
  WellMap map;
  LoadProject(7, At(7), settings_, geometry, map, fake_.host);
  EXPECT_TRUE(fake_.dialogs.Messages().empty());
  EXPECT_EQ(geometry.rows, 4);  // w24
  TempDir out;
  ASSERT_TRUE(SaveProject(out.path(), 7, settings_).ok);
  for (const char* f : kProjectFiles) {
    EXPECT_EQ(ReadFileOrDie(out / f), ReadFileOrDie(GoldenDir() / "project" / f)) << f;
  }
  EXPECT_FALSE(fs::exists(out / "setup.bak"));  // nothing to back up yet
}

TEST_F(ProjectStoreTest, ProjectNumberOtherThanTheFolderWarnsAndKeepsTheValues) {
  GoldenProject(5);  // the golden setup says project 7
  LoadSetup(5, At(5), settings_, fake_.host);
  EXPECT_EQ(fake_.dialogs.Messages(),
            std::vector<std::string>{"Warning: Project ID# <> Folder Name [p005]"});
  EXPECT_EQ(fake_.status.Last("Frm_Init.status"), "Warning: Project ID# <> Folder Name [p005]");
  EXPECT_EQ(settings_.Name, "Larvae, batch 2");
}

TEST_F(ProjectStoreTest, MissingSetupWithNoBackupTakesDefaultsWithStageOne) {
  fs::create_directories(ProjectFolder(app_.path(), 3));
  settings_.Name = "left over";
  settings_.Mn[kMn3][kTempx10] = 321;
  LoadSetup(3, At(3), settings_, fake_.host);
  EXPECT_EQ(
      fake_.dialogs.Messages(),
      (std::vector<std::string>{"Error [\\p00003\\setup.dat] ID#1 => Loading default values...",
                                "Warning!! PLEASE Re-Check setup values before RUN"}));
  EXPECT_EQ(settings_.Name, "Default");
  EXPECT_EQ(settings_.Plate_format, "96f");
  EXPECT_EQ(settings_.Working_folder, DefaultWorkingFolder(app_.path(), 3));
  EXPECT_EQ(settings_.Mn, kDefaultMn);
}

TEST_F(ProjectStoreTest, BadMn2RowKeepsEarlierBlocksAndNamesStageSix) {
  fs::path folder = GoldenProject(3);
  std::vector<std::string> lines = SplitLines(ReadFileOrDie(folder / "setup.dat"));
  lines[11] = "1,7,19,3,x,10";
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  WriteFileOrDie(folder / "setup.dat", text);
  LoadSetup(3, At(3), settings_, fake_.host);
  ASSERT_FALSE(fake_.dialogs.Messages().empty());
  EXPECT_EQ(fake_.dialogs.Messages()[0],
            "Error [\\p00003\\setup.dat] ID#6 => Loading default values...");
  EXPECT_EQ(settings_.Name, "Larvae, batch 2");
  EXPECT_EQ(settings_.RT_Buffer, 1000);
  EXPECT_EQ(settings_.Menu[5], 1);
  EXPECT_EQ(settings_.Mn[kMn1][kSNRx10], 28);
  EXPECT_EQ(settings_.Mn[kMn2], kDefaultMn[kMn2]);
  EXPECT_EQ(settings_.Mn[kMn6], kDefaultMn[kMn6]);
}

// Values the detection would trust: a threshold outside 0 .. <100 and a detection method other
// than 0..3 are refused at load with the store's messages and fallbacks.
TEST_F(ProjectStoreTest, ThresholdsAndDetectionMethodOutOfRangeTakeTheFallbacks) {
  fs::path folder = GoldenProject(3);
  for (const char* bad : {"1e300", "100", "32767", "-1e300", "-0.5"}) {
    WriteFileOrDie(folder / "threshld.dat", std::string("\"h\"\r\n0,2.5\r\n1,") + bad + "\r\n");
    FakeHost fake;
    settings_.ChannelThreshold.fill(9.0);
    LoadThresholds(3, At(3), settings_, fake.host);
    EXPECT_EQ(fake.dialogs.Messages(),
              (std::vector<std::string>{"Error [\\p00003\\threshld.dat] => Loading default values..."}))
        << bad;
    EXPECT_EQ(settings_.ChannelThreshold[1], 3.0) << bad;
  }
  WriteFileOrDie(folder / "threshld.dat", "\"h\"\r\n0,0\r\n1,99.5\r\n");
  LoadThresholds(3, At(3), settings_, fake_.host);
  EXPECT_TRUE(fake_.dialogs.Messages().empty());
  EXPECT_EQ(settings_.ChannelThreshold[1], 99.5);

  const std::vector<std::string> lines = SplitLines(ReadFileOrDie(folder / "setup.dat"));
  for (const char* method : {"-1", "4"}) {
    std::vector<std::string> edited = lines;
    std::vector<std::string> fields = {"1", "7", "19", "1000", method, "10"};
    edited[3] = fields[0];
    for (size_t i = 1; i < fields.size(); ++i) edited[3] += "," + fields[i];
    std::string text;
    for (const auto& l : edited) text += l + "\r\n";
    WriteFileOrDie(folder / "setup.dat", text);
    fs::remove(folder / "setup.bak");
    FakeHost fake;
    ProjectSettings s;
    s.DSP_Method = 2;
    LoadSetup(3, At(3), s, fake.host);
    ASSERT_FALSE(fake.dialogs.Messages().empty()) << method;
    EXPECT_EQ(fake.dialogs.Messages()[0],
              "Error [\\p00003\\setup.dat] ID#2 => Loading default values...")
        << method;
    EXPECT_EQ(s.DSP_Method, ProjectSettings{}.DSP_Method) << method;
  }
}

TEST_F(ProjectStoreTest, BrokenSetupIsRecoveredFromTheBackupAndReadAgain) {
  fs::path folder = GoldenProject(7);
  fs::copy_file(folder / "setup.dat", folder / "setup.bak");
  WriteFileOrDie(folder / "setup.dat", "\"truncated\"\r\n7,\"Larv");
  LoadSetup(7, At(7), settings_, fake_.host);
  EXPECT_EQ(
      fake_.dialogs.Messages(),
      (std::vector<std::string>{"Error [\\p00007\\setup.dat] ID#1 => Loading values from: p00007\\",
                                "Warning!! PLEASE Re-Check setup values before RUN"}));
  EXPECT_EQ(settings_.Name, "Larvae, batch 2");
  EXPECT_EQ(ReadFileOrDie(folder / "setup.dat"), ReadFileOrDie(folder / "setup.bak"));
}

TEST_F(ProjectStoreTest, EmptySetupIsRecoveredRatherThanIgnored) {
  fs::path folder = GoldenProject(7);
  fs::copy_file(folder / "setup.dat", folder / "setup.bak");
  WriteFileOrDie(folder / "setup.dat", "");
  settings_.Name = "previous project";
  LoadSetup(7, At(7), settings_, fake_.host);
  EXPECT_EQ(settings_.Name, "Larvae, batch 2");
  EXPECT_EQ(Setup(7), ReadFileOrDie(GoldenDir() / "project" / "setup.dat"));
}

TEST_F(ProjectStoreTest, RecoveryRunsOnceWhenTheBackupIsBrokenToo) {
  fs::path folder = GoldenProject(7);
  WriteFileOrDie(folder / "setup.bak", "garbage");
  WriteFileOrDie(folder / "setup.dat", "more garbage");
  LoadSetup(7, At(7), settings_, fake_.host);
  EXPECT_EQ(
      fake_.dialogs.Messages(),
      (std::vector<std::string>{"Error [\\p00007\\setup.dat] ID#1 => Loading values from: p00007\\",
                                "Warning!! PLEASE Re-Check setup values before RUN",
                                "Error [\\p00007\\setup.dat] ID#1 => Loading default values...",
                                "Warning!! PLEASE Re-Check setup values before RUN"}));
  EXPECT_EQ(settings_.Name, "Default");
  EXPECT_EQ(ReadFileOrDie(folder / "setup.bak"), "garbage");  // the backup is not changed
}

TEST_F(ProjectStoreTest, WithoutBackupTheNewestAcquisitionSetupIsUsed) {
  fs::path folder = GoldenProject(7);
  fs::create_directories(folder / "20231201_0900");
  fs::create_directories(folder / "20240319_1530");
  fs::copy_file(folder / "setup.dat", folder / "20240319_1530" / "setup.dat");
  WriteFileOrDie(folder / "20231201_0900" / "setup.dat", "\"old\"\r\n");
  WriteFileOrDie(folder / "setup.dat", "\"x\"\r\n7,\"bad");
  LoadSetup(7, At(7), settings_, fake_.host);
  ASSERT_FALSE(fake_.dialogs.Messages().empty());
  EXPECT_EQ(fake_.dialogs.Messages()[0],
            "Error [\\p00007\\setup.dat] ID#1 => Loading values from: p00007\\20240319_1530");
  EXPECT_EQ(settings_.Name, "Larvae, batch 2");
}

TEST_F(ProjectStoreTest, ShortAcquisitionSetupIsNotUsedForRecovery) {
  fs::path folder = GoldenProject(7);
  fs::create_directories(folder / "20240319_1530");
  std::vector<std::string> lines = SplitLines(ReadFileOrDie(folder / "setup.dat"));
  std::string sixteen;
  for (size_t i = 0; i < 16; ++i) sixteen += lines[i] + "\r\n";
  WriteFileOrDie(folder / "20240319_1530" / "setup.dat", sixteen);
  WriteFileOrDie(folder / "setup.dat", "");
  LoadSetup(7, At(7), settings_, fake_.host);
  EXPECT_EQ(fake_.dialogs.Messages()[0],
            "Error [\\p00007\\setup.dat] ID#1 => Loading default values...");
}

TEST_F(ProjectStoreTest, DefaultProjectIsNeverRecovered) {
  WriteFileOrDie(app_ / "setup.dat", "junk,junk\r\n");
  fs::create_directories(app_ / "p00000");
  WriteFileOrDie(app_ / "p00000" / "setup.bak",
                 ReadFileOrDie(GoldenDir() / "project" / "setup.dat"));
  LoadSetup(0, At(0), settings_, fake_.host);
  EXPECT_EQ(fake_.dialogs.Messages()[0],
            "Error [\\p00000\\setup.dat] ID#1 => Loading default values...");
  EXPECT_EQ(settings_.Name, "Default");
}

TEST_F(ProjectStoreTest, ChannelFilesFallBackToDefaultsWithTheirMessages) {
  fs::path folder = GoldenProject(3);
  WriteFileOrDie(folder / "status.dat", "");
  WriteFileOrDie(folder / "threshld.dat", "\"h\"\r\n0,2.5\r\n1,abc\r\n");
  fs::remove(folder / "groups.dat");
  WriteFileOrDie(folder / "chgroup.dat", "\"h\"\r\n0,70000\r\n");
  settings_.channelEnabled[4] = false;
  settings_.ChannelThreshold[0] = 9;
  settings_.groupNames[0] = "x";
  settings_.channelGroup[40] = 7;
  LoadChannelStatus(3, At(3), settings_, fake_.host);
  LoadThresholds(3, At(3), settings_, fake_.host);
  LoadGroupNames(3, At(3), settings_, fake_.host);
  LoadChannelGroups(3, At(3), settings_, fake_.host);
  EXPECT_EQ(
      fake_.dialogs.Messages(),
      (std::vector<std::string>{"Error [\\p00003\\status.dat] => Loading default values...",
                                "Error [\\p00003\\threshld.dat] => Loading default values...",
                                "Error [\\p00003\\groups.dat] => Loading default groups...",
                                "Error [\\p00003\\chgroup.dat] => Loading default groups..."}));
  EXPECT_TRUE(settings_.channelEnabled[4]);
  EXPECT_EQ(settings_.ChannelThreshold[0], 3.0);  // the record read before the failure is lost
  EXPECT_EQ(settings_.groupNames[0], "Group0");
  EXPECT_EQ(settings_.groupNames[12], "Free");
  EXPECT_EQ(settings_.channelGroup[40], 1);
  EXPECT_EQ(settings_.channelGroup[383], 12);
}

TEST_F(ProjectStoreTest, ShortChannelFilesReplaceOnlyTheFirstEntries) {
  fs::path folder = GoldenProject(3);
  std::string groups = "\"<Channel>, <Group: -1=Free>\"\r\n";
  for (int c = 0; c < 100; ++c) groups += std::to_string(c) + ",4\r\n";
  WriteFileOrDie(folder / "chgroup.dat", groups);
  WriteFileOrDie(folder / "status.dat", "\"h\"\r\n0,0\r\n1,0\r\n");
  settings_.channelGroup[100] = 9;
  settings_.channelGroup[384] = 2;
  settings_.channelEnabled[2] = false;
  LoadChannelGroups(3, At(3), settings_, fake_.host);
  LoadChannelStatus(3, At(3), settings_, fake_.host);
  EXPECT_TRUE(fake_.dialogs.Messages().empty());
  EXPECT_EQ(settings_.channelGroup[0], 4);
  EXPECT_EQ(settings_.channelGroup[99], 4);
  EXPECT_EQ(settings_.channelGroup[100], 9);
  EXPECT_EQ(settings_.channelGroup[384], 2);
  EXPECT_FALSE(settings_.channelEnabled[1]);
  EXPECT_TRUE(settings_.channelEnabled[2]);  // no record: enabled
}

TEST_F(ProjectStoreTest, SaveCopiesTheReplacedSetupToTheBackup) {
  fs::path folder = GoldenProject(7);
  const std::string before = Setup(7);
  settings_.Name = "renamed";
  ASSERT_TRUE(SaveProject(folder, 7, settings_).ok);
  EXPECT_EQ(ReadFileOrDie(folder / "setup.bak"), before);
  EXPECT_NE(Setup(7).find("7,\"renamed\""), std::string::npos);
  // A second save backs up the first one's file.
  const std::string first = Setup(7);
  settings_.Name = "again";
  ASSERT_TRUE(SaveProject(folder, 7, settings_).ok);
  EXPECT_EQ(ReadFileOrDie(folder / "setup.bak"), first);
  for (const auto& e : fs::directory_iterator(folder)) {
    EXPECT_NE(e.path().extension(), ".tmp") << "a temporary file was left behind";
  }
}

TEST_F(ProjectStoreTest, DetectionThatCountsNothingIsMendedAtLoadWithTheFilesNamed) {
  fs::path folder = GoldenProject(3);
  test::LayOutAppFolder(app_.path());
  std::vector<std::string> lines = SplitLines(ReadFileOrDie(folder / "setup.dat"));
  lines[3] = "2,1440,99,500,3,32767";  // method 3, an interval longer than the bin
  lines[9] = "0,0,1,18,0,0";           // C.elegans' SNR 1.8
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  WriteFileOrDie(folder / "setup.dat", text);
  std::string thresholds = "\"<Channel>, <Threshold>\"\r\n";
  for (int c = 0; c < 384; ++c) thresholds += std::to_string(c) + (c == 5 ? ",2.5\r\n" : ",0\r\n");
  WriteFileOrDie(folder / "threshld.dat", thresholds);
  PlateGeometry geometry;
  WellMap map;
  LoadProject(3, At(3), settings_, geometry, map, fake_.host);
  EXPECT_EQ(fake_.dialogs.Messages(),
            (std::vector<std::string>{
                "Warning: Project ID# <> Folder Name [p003]",
                "Error [\\p00003\\setup.dat] SNR 1.8 with detection method 3 (Enter a valid "
                "SNR: 0.5 to 0.9) => Loading default value 0.8...",
                "Error [\\p00003\\setup.dat] detection interval 32767 samples, longer than the "
                "bin of 500 samples (Enter a detection interval from 1 to 500 samples) => Loading "
                "default value 30...",
                "Error [\\p00003\\threshld.dat] threshold 0 on 383 channels (A threshold must "
                "lie above 0 percent) => Loading default value 3...",
                "Warning!! PLEASE Re-Check setup values before RUN"}));
  EXPECT_EQ(settings_.Mn[kMn1][kSNRx10], 8);
  EXPECT_EQ(settings_.DSP_Interval, 30);
  EXPECT_EQ(settings_.ChannelThreshold[0], 3.0);
  EXPECT_EQ(settings_.ChannelThreshold[5], 2.5);
  // A sound project loads without a word (an unset SNR of 0 stands for the organism's).
  fake_.dialogs.Lenient();
  ASSERT_TRUE(SaveProject(folder, 3, settings_).ok);
  FakeHost quiet;
  settings_.Mn[kMn1][kSNRx10] = 0;
  ASSERT_TRUE(SaveProject(folder, 3, settings_).ok);
  LoadProject(3, At(3), settings_, geometry, map, quiet.host);
  EXPECT_TRUE(quiet.dialogs.Messages().empty()) << quiet.dialogs.Messages()[0];
}

TEST_F(ProjectStoreTest, SaveIntoAMissingFolderReportsTheFailure) {
  SaveResult r = SaveProject(app_ / "no" / "such", 1, settings_);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find((app_ / "no" / "such").string()), std::string::npos) << r.error;
}

}  // namespace
}  // namespace movexa
