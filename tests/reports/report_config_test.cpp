// "repoconf.dat": validation ranges, the quoted separator, defaults, and the settings window's
// "Apply" and "Back to Default".
#include <gtest/gtest.h>

#include "report_fixture.h"
#include "reports/report_config.h"
#include "reports/report_texts.h"

namespace movexa {
namespace {

using test::ReadFileOrDie;
using test::TempDir;
using test::WriteFileOrDie;
namespace rt = report_text;

const std::string kHeader = "\"" + std::string(rt::kConfigHeader) + "\"\r\n";

ReportConfig LoadWith(const std::string& values, TempDir& dir, FakeHost& fake, int16_t* flag = nullptr) {
  WriteFileOrDie(dir / "repoconf.dat", kHeader + values + "\r\n");
  ReportConfig c;
  int16_t f = LoadReportConfig(c, 1, dir.path(), fake.host);
  if (flag) *flag = f;
  return c;
}

TEST(ReportConfigFile, DefaultsUnderASemicolonSeparatorAreWrittenExactly) {
  TempDir dir;
  FakeHost fake;
  fake.system.listSeparator = ";";
  ReportConfig c;
  EXPECT_EQ(LoadReportConfig(c, 0, dir.path(), fake.host), 0);
  EXPECT_EQ(ReadFileOrDie(dir / "repoconf.dat"), kHeader + "0,30,0,\";\",1,0,1,0,0,1,18,0\r\n");
  EXPECT_EQ(c.spacer, ";");
}

TEST(ReportConfigFile, OutOfRangeFieldsAreReplacedOneByOne) {
  TempDir dir;
  FakeHost fake;
  int16_t flag = 0;
  ReportConfig c = LoadWith("1,1441,2,\"|\",2,3,-1,4,3,3,10,2", dir, fake, &flag);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(c.Bin, 30);
  EXPECT_EQ(c.filetype, 0);
  EXPECT_EQ(c.spacer, "|");
  EXPECT_EQ(c.stdError, 1);
  EXPECT_EQ(c.stdDev, 0);
  EXPECT_EQ(c.n, 1);
  EXPECT_EQ(c.out_format, 0);
  EXPECT_EQ(c.organism, 0);
  EXPECT_EQ(c.method, 1);
  EXPECT_EQ(c.threshold, 18);
  EXPECT_EQ(c.rawexport, 0);
  EXPECT_EQ(LoadWith("1,1,1,\",\",1,1,1,3,2,2,31,1", dir, fake).Bin, 30);
  EXPECT_EQ(LoadWith("1,1,1,\",\",1,1,1,3,2,2,31,1", dir, fake).threshold, 18);
  // The bounds themselves, and a bin that is not in the list, are kept.
  ReportConfig kept = LoadWith("1,2,1,\",\",0,1,0,3,2,2,11,1", dir, fake);
  EXPECT_EQ(kept.Bin, 2);
  EXPECT_EQ(kept.threshold, 11);
  EXPECT_EQ(kept.organism, 2);
  EXPECT_EQ(LoadWith("1,1440,1,\",\",0,1,0,3,2,2,30,1", dir, fake).Bin, 1440);
  EXPECT_EQ(LoadWith("1,7,1,\",\",0,1,0,3,2,2,30,1", dir, fake).Bin, 7);
  EXPECT_TRUE(fake.dialogs.Messages().empty());
}

TEST(ReportConfigFile, BlankTabAndEmptySeparatorsSurviveTheRoundTrip) {
  TempDir dir;
  for (std::string spacer : {" ", "\t", ""}) {
    FakeHost fake;
    ReportConfig c;
    c.spacer = spacer;
    ASSERT_TRUE(SaveReportConfig(c, 1, dir.path(), fake.host));
    ReportConfig back;
    EXPECT_EQ(LoadReportConfig(back, 1, dir.path(), fake.host), 1);
    EXPECT_EQ(back.spacer, spacer);
  }
  // A double quote cannot stand in the field: it is stored as an apostrophe.
  FakeHost fake;
  ReportConfig quoted;
  quoted.spacer = "\"";
  SaveReportConfig(quoted, 1, dir.path(), fake.host);
  ReportConfig back;
  LoadReportConfig(back, 1, dir.path(), fake.host);
  EXPECT_EQ(back.spacer, "'");
}

TEST(ReportConfigFile, MalformedFileFallsBackToDefaultsAndIsRewritten) {
  TempDir dir;
  for (std::string values : {"1,30,0", "1,30,zero,\",\",1,0,1,0,0,1,18,0", "1,99999,0,\",\",1,0,1,0,0,1,18,0"}) {
    FakeHost fake;
    int16_t flag = 5;
    ReportConfig c = LoadWith(values, dir, fake, &flag);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(fake.dialogs.Messages(), std::vector<std::string>{std::string(rt::kErrorLoadingConfig)});
    EXPECT_EQ(c, ReportConfig{});
    EXPECT_EQ(ReadFileOrDie(dir / "repoconf.dat"), kHeader + "0,30,0,\",\",1,0,1,0,0,1,18,0\r\n");
  }
}

TEST(ReportConfigFile, MissingFileIsCreatedWithTheRequestButReportsZero) {
  TempDir dir;
  FakeHost fake;
  ReportConfig c;
  EXPECT_EQ(LoadReportConfig(c, 1, dir.path(), fake.host), 0);
  EXPECT_EQ(ReadFileOrDie(dir / "repoconf.dat").substr(kHeader.size(), 2), "1,");
  EXPECT_EQ(LoadReportConfig(c, 1, dir.path(), fake.host), 1);
}

TEST(ReportConfigFile, UnwritableFileShowsTheWriteErrorAndKeepsTheRecord) {
  TempDir dir;
  std::filesystem::create_directories(dir / "repoconf.dat");  // cannot be written as a file
  FakeHost fake;
  ReportConfig c;
  c.Bin = 60;
  EXPECT_FALSE(SaveReportConfig(c, 1, dir.path(), fake.host));
  EXPECT_EQ(fake.dialogs.Messages(), std::vector<std::string>{std::string(rt::kErrorWritingConfig)});
  EXPECT_EQ(c.Bin, 60);
}

TEST(ReportSettingsWindow, ApplyStoresTheChoicesAndRefusesANonNumericBin) {
  TempDir dir;
  FakeHost fake;
  ReportConfig c;
  c.organism = 2;
  c.threshold = 25;
  ReportSettingsChoice choice{"45,4", 1, "\t", 2, false, true, false, true};
  ASSERT_TRUE(ApplyReportSettings(c, choice, dir.path(), fake.host));
  EXPECT_EQ(fake.dialogs.Messages().back(), rt::kUserConfigApplied);
  EXPECT_EQ(ReadFileOrDie(dir / "repoconf.dat"), kHeader + "1,45,1,\"\t\",0,1,0,2,2,1,25,1\r\n");
  choice.binText = "half an hour";
  EXPECT_FALSE(ApplyReportSettings(c, choice, dir.path(), fake.host));
  EXPECT_EQ(fake.dialogs.Messages().back(), std::string(rt::kBinNotANumber) + "half an hour");
  EXPECT_EQ(c.Bin, 45);
  // Bins the file cannot keep are refused rather than read back later as 30 minutes.
  for (const char* bin : {"1", "1441", "0,4"}) {
    choice.binText = bin;
    EXPECT_FALSE(ApplyReportSettings(c, choice, dir.path(), fake.host)) << bin;
    EXPECT_EQ(fake.dialogs.Messages().back(), std::string(rt::kBinOutOfRange) + bin);
  }
  choice.binText = "1440";
  EXPECT_TRUE(ApplyReportSettings(c, choice, dir.path(), fake.host));
  EXPECT_EQ(c.Bin, 1440);
  BackToDefaultReportConfig(c, dir.path(), fake.host);
  EXPECT_EQ(fake.dialogs.Messages().back(), rt::kDefaultConfigApplied);
  EXPECT_EQ(ReadFileOrDie(dir / "repoconf.dat"), kHeader + "0,30,0,\",\",1,0,1,0,0,1,18,0\r\n");
}

TEST(ReportSettingsWindow, SystemListSeparatorFallsBackToComma) {
  FakeHost fake;
  fake.system.listSeparator = "";
  EXPECT_EQ(SystemListSeparator(fake.host), ",");
  fake.system.listSeparator = ";";
  EXPECT_EQ(SystemListSeparator(fake.host), ";");
}

}  // namespace
}  // namespace movexa
