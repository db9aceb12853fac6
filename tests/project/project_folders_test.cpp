// Folder operations of the project store: line counts, checked copies, the newest acquisition,
// project descriptions and the renames that must keep every other byte.
#include <gtest/gtest.h>

#include "base/host_fakes.h"
#include "base/text_records.h"
#include "project/project_folders.h"
#include "support/test_support.h"

namespace movexa {
namespace {

using test::GoldenDir;
using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;

std::string GoldenSetup() {
  return ReadFileOrDie(GoldenDir() / "project" / "setup.dat");
}

TEST(ProjectFolderName, FiveDigits) {
  EXPECT_EQ(ProjectFolderName(1), "p00001");
  EXPECT_EQ(ProjectFolderName(123), "p00123");
  EXPECT_EQ(ProjectFolderName(32767), "p32767");
}

TEST(CountLines, CountsLikeALineReader) {
  TempDir d;
  EXPECT_EQ(CountLines(d / "missing"), 0);
  WriteFileOrDie(d / "a", "");
  EXPECT_EQ(CountLines(d / "a"), 0);
  WriteFileOrDie(d / "a", "x\r\ny\r\n");
  EXPECT_EQ(CountLines(d / "a"), 2);
  WriteFileOrDie(d / "a", "x\ny\nlast");
  EXPECT_EQ(CountLines(d / "a"), 3);
}

TEST(CopyFileChecked, ReportsFailureWithoutTouchingTheDestination) {
  TempDir d;
  WriteFileOrDie(d / "dst", "keep");
  EXPECT_EQ(CopyFileChecked(d / "missing", d / "dst"), -1);
  EXPECT_EQ(ReadFileOrDie(d / "dst"), "keep");
  WriteFileOrDie(d / "src", "new");
  EXPECT_EQ(CopyFileChecked(d / "src", d / "dst"), 1);
  EXPECT_EQ(ReadFileOrDie(d / "dst"), "new");
  EXPECT_EQ(CopyFileChecked(d / "src", d / "no" / "dir" / "x"), -1);
}

TEST(FindLatestAcquisition, NewestByDateAndTimeAcrossYears) {
  TempDir d;
  for (const char* name : {"20231201_0900", "20240319_1530", "20240319_0930", "p00001",
                           "2024031x_1530", "20251231_2359.old", "20240319-1530"}) {
    fs::create_directories(d / name);
  }
  WriteFileOrDie(d / "20991231_2359", "a file, not a folder");
  EXPECT_EQ(FindLatestAcquisition(d.path()), "20240319_1530");
  EXPECT_EQ(FindLatestAcquisition(d / "missing"), "");
  TempDir empty;
  EXPECT_EQ(FindLatestAcquisition(empty.path()), "");
}

class DescribeProjectTest : public ::testing::Test {
 protected:
  TempDir folder_;
  FakeHost fake_;
};

TEST_F(DescribeProjectTest, NumberAndNameFromLineTwo) {
  WriteFileOrDie(folder_ / "setup.dat", GoldenSetup());
  EXPECT_EQ(DescribeProject(folder_.path(), fake_.host), "<Project> p00007: Larvae, batch 2");
  EXPECT_TRUE(fake_.dialogs.Messages().empty());
}

TEST_F(DescribeProjectTest, ShortSetupIsRecoveredFromTheBackup) {
  WriteFileOrDie(folder_ / "setup.dat", "\"x\"\r\n");
  WriteFileOrDie(folder_ / "setup.bak", GoldenSetup());
  EXPECT_EQ(DescribeProject(folder_.path(), fake_.host), "<Project> p00007: Larvae, batch 2");
  EXPECT_EQ(fake_.dialogs.Messages(),
            std::vector<std::string>{"Error reading Setup.dat -> recovered from Setup.bak"});
  EXPECT_EQ(ReadFileOrDie(folder_ / "setup.dat"), GoldenSetup());
}

TEST_F(DescribeProjectTest, WithoutBackupTheNewestAcquisitionIsUsed) {
  fs::create_directories(folder_ / "20240101_1000");
  WriteFileOrDie(folder_ / "20240101_1000" / "setup.dat", GoldenSetup());
  EXPECT_EQ(DescribeProject(folder_.path(), fake_.host), "<Project> p00007: Larvae, batch 2");
  ASSERT_EQ(fake_.dialogs.Messages().size(), 1u);
  EXPECT_EQ(fake_.dialogs.Messages()[0],
            "Error reading Setup.dat -> recovered from " + (folder_ / "20240101_1000").string());
}

TEST_F(DescribeProjectTest, NothingReadableGivesTheFixedTexts) {
  EXPECT_EQ(DescribeProject(folder_.path(), fake_.host), "<Project> p: SETUP NOT FOUND!!");
  std::vector<std::string> lines = SplitLines(GoldenSetup());
  lines[1] = "seven,\"x\",\"y\",\"z\"";
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  WriteFileOrDie(folder_ / "setup.dat", text);
  EXPECT_EQ(DescribeProject(folder_.path(), fake_.host), "ERROR on SETUP.DAT FILE!!!");
}

TEST(ReadSubprojectName, FirstFieldOrEmpty) {
  TempDir d;
  EXPECT_EQ(ReadSubprojectName(d.path()), "");
  WriteFileOrDie(d / "subproj.dat", "\"drug A\"\r\n");
  EXPECT_EQ(ReadSubprojectName(d.path()), "drug A");
  WriteFileOrDie(d / "subproj.dat", "\"unterminated\r\n");
  EXPECT_EQ(ReadSubprojectName(d.path()), "");
  // A damaged second field (a joined acquisition's) does not lose the name before it.
  WriteFileOrDie(d / "subproj.dat", "\"drug B\"\r\n\"Joint Fil\r\n");
  EXPECT_EQ(ReadSubprojectName(d.path()), "drug B");
}

TEST(RenameSubproject, SingleFieldFileIsRenamed) {
  TempDir d;
  FakeHost fake;
  WriteFileOrDie(d / "subproj.dat", "\"old name\"\r\n");
  EXPECT_EQ(RenameSubproject(d.path(), "new \"x\"", fake.host), "new 'x'");
  EXPECT_EQ(ReadFileOrDie(d / "subproj.dat"), "\"new 'x'\"\r\n");
  EXPECT_EQ(ReadFileOrDie(d / "subproj.bak"), "\"old name\"\r\n");
}

TEST(RenameSubproject, SecondFieldIsKept) {
  TempDir d;
  FakeHost fake;
  WriteFileOrDie(d / "subproj.dat", "\"Data Block: a + b + \"\r\n\"Joint Files\"\r\n");
  EXPECT_EQ(RenameSubproject(d.path(), "joined", fake.host), "joined");
  EXPECT_EQ(ReadFileOrDie(d / "subproj.dat"), "\"joined\"\r\n\"Joint Files\"\r\n");
}

TEST(RenameSubproject, MissingFileOrUnreadableContent) {
  TempDir d;
  FakeHost fake;
  EXPECT_EQ(RenameSubproject(d.path(), "n", fake.host), "n");
  EXPECT_FALSE(fs::exists(d / "subproj.dat"));
  WriteFileOrDie(d / "subproj.dat", "");
  EXPECT_EQ(RenameSubproject(d.path(), "n", fake.host), "");
  EXPECT_EQ(ReadFileOrDie(d / "subproj.dat"), "");
}

TEST(RenameProjectInSetup, KeepsEveryOtherFieldAndLineByteForByte) {
  TempDir d;
  FakeHost fake;
  std::string setup = GoldenSetup();
  WriteFileOrDie(d / "setup.dat", setup);
  EXPECT_EQ(RenameProjectInSetup(d.path(), "Adults", fake.host), "Adults");
  std::string expected = setup;
  expected.replace(expected.find("\"Larvae, batch 2\""), 17, "\"Adults\"");
  EXPECT_EQ(ReadFileOrDie(d / "setup.dat"), expected);
  EXPECT_EQ(ReadFileOrDie(d / "setup.bak"), setup);
}

TEST(RenameProjectInSetup, NewNameWithCommaAndQuote) {
  TempDir d;
  FakeHost fake;
  WriteFileOrDie(d / "setup.dat", "\"h\"\r\n3 , \"Old\" ,\"C:\\a,b\\\", \"w96f\"\r\nrest\r\n");
  EXPECT_EQ(RenameProjectInSetup(d.path(), "New, \"improved\"", fake.host), "New, 'improved'");
  EXPECT_EQ(ReadFileOrDie(d / "setup.dat"),
            "\"h\"\r\n3 ,\"New, 'improved'\",\"C:\\a,b\\\", \"w96f\"\r\nrest\r\n");
}

TEST(RenameProjectInSetup, FailuresLeaveSetupAsItWas) {
  TempDir d;
  FakeHost fake;
  EXPECT_EQ(RenameProjectInSetup(d.path(), "x", fake.host), "x");  // nothing to rename
  WriteFileOrDie(d / "setup.dat", "\"only a header\"\r\n");
  EXPECT_EQ(RenameProjectInSetup(d.path(), "x", fake.host), "");
  EXPECT_EQ(ReadFileOrDie(d / "setup.dat"), "\"only a header\"\r\n");
  WriteFileOrDie(d / "setup.dat", "\"h\"\r\n1,2,3,4,5,6,7,8,9,10,11,12\r\n");
  EXPECT_EQ(RenameProjectInSetup(d.path(), "x", fake.host), "");
  std::string many;
  for (int i = 0; i < 52; ++i) many += "\"line\"\r\n";
  WriteFileOrDie(d / "setup.dat", many);
  EXPECT_EQ(RenameProjectInSetup(d.path(), "x", fake.host), "");
  EXPECT_EQ(ReadFileOrDie(d / "setup.dat"), many);
}

TEST(SplitRawFields, CommasInsideQuotesDoNotSplit) {
  EXPECT_EQ(SplitRawFields("1,\"a,b\", c,"), (std::vector<std::string>{"1", "\"a,b\"", " c", ""}));
  EXPECT_EQ(SplitRawFields(""), std::vector<std::string>{""});
}

}  // namespace
}  // namespace movexa
