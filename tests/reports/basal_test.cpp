// Basal normalisation inside report generation: the basal minutes questions, the zero-basal
// modes with scripted answers, the cap, and the basal report's own lines.
#include <gtest/gtest.h>

#include "report_fixture.h"
#include "reports/report_generation.h"
#include "reports/report_texts.h"

namespace movexa {
namespace {

using test::Acquisition;
using test::ReadFileOrDie;
using test::TempDir;
namespace rt = report_text;

// A line of the report that starts with `start`, without its line end.
std::string LineStarting(const std::string& report, const std::string& start) {
  size_t at = report.find("\r\n" + start);
  if (at == std::string::npos) return {};
  at += 2;
  return report.substr(at, report.find("\r\n", at) - at);
}

struct BasalFixture {
  TempDir dir;
  Acquisition main;
  // Main acquisition 0..90 min with `mainCount` per record; basal 0..`basalMinutes` with 2 per
  // record on every channel but those listed in `silent`.
  BasalFixture(int basalMinutes, std::vector<int> silent, int16_t mainCount = 4) {
    main = test::MakeAcquisition(dir.path(), "20240319_1405",
                                 test::Records(Times(90), [mainCount](int, int) { return mainCount; }));
    Acquisition basal = test::MakeAcquisition(
        dir.path(), "20240319_0900", test::Records(Times(basalMinutes), [silent](int c, int) {
          return std::find(silent.begin(), silent.end(), c) == silent.end() ? int16_t{2} : int16_t{0};
        }));
  }
  static std::vector<int32_t> Times(int last) {
    std::vector<int32_t> t;
    for (int m = 0; m <= last; ++m) t.push_back(m);
    return t;
  }
  ReportRequest Request() const {
    ReportRequest r = test::BasicRequest(main);
    r.basalName = "20240319_0900";
    return r;
  }
  std::string UsingGroups() const {
    std::string p = main.folder.string();
    return std::string(rt::kBasalUsingGroups) + p.substr(p.size() - 20);
  }
};

TEST(BasalReport, ShortBasalUsesOneBinWithoutAskingAndWritesPercentages) {
  BasalFixture f(40, {});
  FakeHost fake;
  fake.dialogs.ExpectMessage(f.UsingGroups());
  ReportOutcome out = GenerateReport(f.Request(), fake.host);
  ASSERT_EQ(out.status, ReportStatus::kWritten) << out.message << out.detail;
  EXPECT_TRUE(fake.dialogs.Problems().empty()) << fake.dialogs.Problems().front();
  EXPECT_EQ(fake.dialogs.shown().at(0).title, rt::kBasalTitle);
  const std::string report = ReadFileOrDie(out.reportPath);
  EXPECT_NE(report.find("\"TIME0(BASAL MEASSURE):\",\"20240319_0900\"\r\n\r\n\"***DATA AS % OF BASAL ACTIVITY***\"\r\n"),
            std::string::npos);
  // 120 counts per bin against a basal of 60 per bin: 200 %; the time-0 column reads 100.
  EXPECT_EQ(LineStarting(report, "Group/Time[m]"), "Group/Time[m],0,30,60,90");
  EXPECT_EQ(LineStarting(report, "\"000_Control\""), "\"000_Control\",100,200,200,200");
  EXPECT_EQ(LineStarting(report, "A1,"), "A1,\"000_Control\",100,200,200,200");
  EXPECT_EQ(LineStarting(report, "#Samples"), "#Samples,30,30,30,30,");
  EXPECT_EQ(LineStarting(report, "Temp["), "Temp[\xC2\xB0" "C],?,24.7,24.7,24.7,");
  EXPECT_EQ(report.find("Channel Activity"), std::string::npos);
}

TEST(BasalReport, LongBasalAsksForMinutesUntilTheyLieInRange) {
  BasalFixture f(100, {});
  FakeHost fake;
  const std::string first =
      "Basal acquisition is 90min long, and BinSize=30min. \r\n\r\nHow many minutes do you want to use to "
      "calculate Basal Meassurement?";
  fake.dialogs.ExpectMessage(f.UsingGroups())
      .ExpectInput(first, "20")
      .ExpectInput("Enter a value between 30 and 90", "120")
      .ExpectInput(first, "")
      .ExpectInput("Enter a value between 30 and 90", "60");
  ReportOutcome out = GenerateReport(f.Request(), fake.host);
  ASSERT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_TRUE(fake.dialogs.Problems().empty()) << fake.dialogs.Problems().front();
  // 60 basal minutes hold two bins of 60 counts: scaled to one bin, 60 again.
  EXPECT_EQ(LineStarting(ReadFileOrDie(out.reportPath), "A2,"), "A2,\"001_Drug A\",100,200,200,200");
}

TEST(BasalReport, CancellingTheRangeQuestionEndsWithoutReport) {
  BasalFixture f(100, {});
  FakeHost fake;
  fake.dialogs.ExpectMessage(f.UsingGroups()).ExpectInput("", "7").ExpectInput("", "");
  EXPECT_EQ(GenerateReport(f.Request(), fake.host).status, ReportStatus::kDeclined);
  EXPECT_FALSE(std::filesystem::exists(f.main.folder / "report.csv"));
}

std::string ModeQuestion() {
  return "For ZERO Activity Basal Wells:\r\n[YES] to replace <BASAL Well> with <MAX Well Activity>\r\n"
         "[NO] to replace <BASAL Well> with <BASAL Microplate Average>\r\n[CANCEL] to DISCARD Well in "
         "Calculation\r\n\r\nTO BE APPLIED TO ALL 0 ACTIVITY BASAL WELLs";
}

std::string ZeroBasalReport(Dialogs::Answer mode, FakeHost& fake, BasalFixture& f) {
  fake.dialogs.ExpectMessage(f.UsingGroups())
      .ExpectQuestion("You have 1 BASAL WELLS with 0 activity. Proceed anyway??", Dialogs::Answer::kYes)
      .ExpectQuestion(ModeQuestion(), mode);
  if (mode == Dialogs::Answer::kCancel) {
    fake.dialogs.ExpectMessage("ERROR in 2 BASAL channels.\r\nChannels were discarded and transferred to Free Group");
  }
  ReportOutcome out = GenerateReport(f.Request(), fake.host);
  EXPECT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_TRUE(fake.dialogs.Problems().empty()) << fake.dialogs.Problems().front();
  return out.status == ReportStatus::kWritten ? ReadFileOrDie(out.reportPath) : std::string();
}

TEST(BasalReport, ZeroBasalWellTakesItsLargestBinInMaxMode) {
  BasalFixture f(40, {0, 1});
  FakeHost fake;
  EXPECT_EQ(LineStarting(ZeroBasalReport(Dialogs::Answer::kYes, fake, f), "A1,"), "A1,\"000_Control\",100,100,100,100");
}

TEST(BasalReport, ZeroBasalWellTakesThePlateAverageAsItStandsInAverageMode) {
  BasalFixture f(40, {0, 1});
  FakeHost fake;
  // ch0 gets round(300 / 7) = 43, then ch1 round((43 + 300) / 7) = 49: 279 % and 245 %.
  EXPECT_EQ(LineStarting(ZeroBasalReport(Dialogs::Answer::kNo, fake, f), "A1,"), "A1,\"000_Control\",100,262,262,262");
}

TEST(BasalReport, ZeroBasalWellIsDiscardedToTheFreeGroupInDiscardMode) {
  BasalFixture f(40, {0, 1});
  FakeHost fake;
  const std::string report = ZeroBasalReport(Dialogs::Answer::kCancel, fake, f);
  EXPECT_EQ(LineStarting(report, "A1,"), "A1,\"999_Free\",100,-999,-999,-999");
  EXPECT_EQ(LineStarting(report, "\"000_Control\""), "\"000_Control\",100,200,200,200");
}

TEST(BasalReport, DecliningZeroBasalWellsWritesNothing) {
  BasalFixture f(40, {0, 1});
  FakeHost fake;
  fake.dialogs.ExpectMessage(f.UsingGroups()).ExpectQuestion("", Dialogs::Answer::kNo);
  EXPECT_EQ(GenerateReport(f.Request(), fake.host).status, ReportStatus::kDeclined);
  EXPECT_EQ(fake.dialogs.shown().size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(f.main.folder / "report.csv"));
}

TEST(BasalReport, PercentagesAreCappedAt10000) {
  BasalFixture f(40, {}, 400);  // 12000 counts per bin against 60: 20000 %
  FakeHost fake;
  fake.dialogs.Lenient(Dialogs::Answer::kYes);
  ReportOutcome out = GenerateReport(f.Request(), fake.host);
  ASSERT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_EQ(LineStarting(ReadFileOrDie(out.reportPath), "B1,"), "B1,\"000_Control\",100,10000,10000,10000");
}

TEST(BasalReport, BasalWithoutAWholeBinIsAResamplingError) {
  BasalFixture f(20, {});  // 20 minutes cannot hold a 30-minute bin
  FakeHost fake;
  fake.dialogs.ExpectMessage(f.UsingGroups()).ExpectMessage("");
  EXPECT_EQ(GenerateReport(f.Request(), fake.host).status, ReportStatus::kFailed);
  EXPECT_TRUE(fake.dialogs.Problems().empty());
  // Which acquisition, why, and what to do.
  const std::string said = fake.dialogs.Messages().back();
  EXPECT_EQ(said.rfind(std::string(rt::kResamplingError) + "\r\nBasal acquisition ", 0), 0u)
      << said;
  EXPECT_NE(said.find("The run is shorter than one report bin of 30 min (20 min recorded)."),
            std::string::npos)
      << said;
  EXPECT_NE(said.find(rt::kNextBasal), std::string::npos) << said;
}

TEST(BasalReport, BatchAnswersSettleTheQuestions) {
  BasalFixture f(100, {0, 1});
  FakeHost fake;
  fake.dialogs.ExpectMessage(f.UsingGroups());
  ReportRequest r = f.Request();
  r.basalAnswers.basalMinutes = 30;
  r.basalAnswers.zeroBasalMode = ZeroBasalMode::kMaxActivity;
  EXPECT_EQ(GenerateReport(r, fake.host).status, ReportStatus::kWritten);
  EXPECT_TRUE(fake.dialogs.Problems().empty());
  r.basalAnswers.basalMinutes = 200;  // outside 30..90
  FakeHost refused;
  refused.dialogs.Lenient();
  EXPECT_EQ(GenerateReport(r, refused.host).status, ReportStatus::kFailed);
  EXPECT_EQ(refused.dialogs.Messages().back(), "Enter a value between 30 and 90");
}

}  // namespace
}  // namespace movexa
