// Report generation end to end over the small fixed acquisition: golden files for every
// layout and file type, messages of malformed inputs, file naming and the experiment's copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "report_fixture.h"
#include "reports/report_generation.h"
#include "reports/report_texts.h"

namespace movexa {
namespace {

using test::Acquisition;
using test::BasicRequest;
using test::MakeAcquisition;
using test::ReadFileOrDie;
using test::RegularRecords;
using test::TempDir;
namespace rt = report_text;

// Compares with tests/data/reports/<name>; MOVEXA_UPDATE_GOLDEN=1 rewrites the golden file.
void ExpectGolden(const std::string& name, const std::string& content, const std::filesystem::path& acq) {
  const auto golden = test::GoldenDir() / "reports" / name;
  const std::string actual = test::Normalised(content, acq);
  if (std::getenv("MOVEXA_UPDATE_GOLDEN")) test::WriteFileOrDie(golden, actual);
  EXPECT_EQ(actual, ReadFileOrDie(golden)) << "golden " << name;
}

TEST(ReportGolden, EveryLayoutAndFileTypeMatchesItsGoldenFile) {
  TempDir dir;
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", RegularRecords(101));
  const char* layouts[] = {"rows", "list", "warray", "charray"};
  for (int fileType = 0; fileType <= 1; ++fileType) {
    for (int layout = 0; layout <= 3; ++layout) {
      FakeHost fake;
      ReportRequest r = BasicRequest(acq);
      r.layout.fileType = fileType;
      r.layout.separator = fileType == 0 ? "," : " ";
      r.layout.layout = layout;
      r.layout.stdDev = true;
      ReportOutcome out = GenerateReport(r, fake.host);
      ASSERT_EQ(out.status, ReportStatus::kWritten) << out.message << " " << out.detail;
      EXPECT_TRUE(fake.dialogs.Messages().empty());
      const std::string ext = fileType == 0 ? ".csv" : ".txt";
      EXPECT_EQ(out.reportPath, acq.folder / ("report" + ext));
      EXPECT_EQ(out.copyPath, acq.folder / ("drug_A" + ext));
      EXPECT_EQ(ReadFileOrDie(out.copyPath), ReadFileOrDie(out.reportPath));
      ExpectGolden(std::string("mini_") + layouts[layout] + ext, ReadFileOrDie(out.reportPath), acq.folder);
    }
  }
}


ReportOutcome Generate(const ReportRequest& r, FakeHost& fake) { return GenerateReport(r, fake.host); }

TEST(ReportGenerationFailures, MalformedInputsSayWhyAndWhatToDoAndWriteNothing) {
  TempDir dir;
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", RegularRecords(61));
  // `head` is the system's own message; `why` (when given) the line that follows it, and a
  // third line then says what to do next. Failures are shown as problems (a warning icon).
  auto expectMessage = [&](const std::string& head, const std::string& why = {}) {
    FakeHost fake;
    ReportOutcome out = Generate(BasicRequest(acq), fake);
    EXPECT_EQ(out.status, ReportStatus::kFailed);
    ASSERT_EQ(fake.dialogs.shown().size(), 1u);
    const auto& shown = fake.dialogs.shown()[0];
    EXPECT_EQ(shown.severity, Dialogs::Severity::kWarning) << shown.text;
    if (why.empty()) {
      EXPECT_EQ(shown.text, head);
    } else {
      const std::string text = shown.text;
      EXPECT_EQ(text.substr(0, head.size() + 2), head + "\r\n") << text;
      EXPECT_NE(text.find(why), std::string::npos) << text;
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    }
    EXPECT_FALSE(std::filesystem::exists(acq.folder / "report.csv"));
  };
  const std::string resampling(rt::kResamplingError);
  const std::string reportError(rt::kReportError);
  // A counts.bin that is not a regular file (here a folder) is no activity file.
  std::filesystem::remove(acq.folder / "counts.bin");
  std::filesystem::create_directory(acq.folder / "counts.bin");
  expectMessage(std::string(rt::kActivityFileNotFound));
  std::filesystem::remove(acq.folder / "counts.bin");
  // A single record: no interval to check.
  test::WriteCounts(acq.folder, RegularRecords(1));
  expectMessage(resampling, "counts.bin holds 1 bin of the run: a report needs at least two.");
  // Every record at minute 0: a run stopped within its first minute.
  test::WriteCounts(acq.folder, test::Records({0, 0, 0}, test::FixtureCount));
  expectMessage(resampling, "The run is shorter than one minute");
  // An empty counts.bin.
  test::WriteCounts(acq.folder, {});
  expectMessage(resampling, "counts.bin holds no whole bin of the run.");
  test::WriteCounts(acq.folder, RegularRecords(61));
  // A bin text that is not a number.
  {
    FakeHost fake;
    ReportRequest r = BasicRequest(acq, "thirty");
    EXPECT_EQ(Generate(r, fake).status, ReportStatus::kFailed);
    EXPECT_EQ(fake.dialogs.Messages(),
              std::vector<std::string>{reportError +
                                       "\r\nThe bin \"thirty\" is not a number of minutes."
                                       "\r\nType the bin size in minutes (for example 30)."});
  }
  // The plate-format file missing (neither ".dat" nor ".bak").
  std::filesystem::rename(acq.app / "mini.dat", acq.app / "mini.old");
  expectMessage("Multiwell Configuration File mini.dat or .bak not found");
  // ... but a ".bak" is taken when the ".dat" is missing.
  std::filesystem::rename(acq.app / "mini.old", acq.app / "mini.bak");
  {
    FakeHost fake;
    EXPECT_EQ(Generate(BasicRequest(acq), fake).status, ReportStatus::kWritten);
    std::filesystem::remove(acq.folder / "report.csv");
  }
  // A plate file with a garbled channel record.
  test::WriteFileOrDie(acq.app / "mini.bak", test::MiniPlateText().substr(0, 200) + "\"x\",abc,0\r\n");
  expectMessage(reportError,
                "The plate format file cannot be read: " + (acq.app / "mini.bak").string());
  std::filesystem::rename(acq.app / "mini.bak", acq.app / "mini.dat");
  test::WriteFileOrDie(acq.app / "mini.dat", test::MiniPlateText());
  // Damaged groups.
  const std::string groups = ReadFileOrDie(acq.folder / "chgroup.dat");
  test::WriteFileOrDie(acq.folder / "chgroup.dat", "\"header\"\r\n1,abc\r\n");
  expectMessage(reportError, "The acquisition's groups cannot be read: " +
                                 (acq.folder / "chgroup.dat").string());
  test::WriteFileOrDie(acq.folder / "chgroup.dat", groups);
  // A missing setup file (a join made before joins carried their project files).
  std::filesystem::remove(acq.folder / "setup.dat");
  expectMessage(reportError, "The acquisition's settings cannot be read: " +
                                 (acq.folder / "setup.dat").string());
  // No counts.bin at all.
  std::filesystem::remove(acq.folder / "counts.bin");
  expectMessage(std::string(rt::kActivityFileNotFound));
}

TEST(ReportGeneration, TornLastRecordIsIgnoredAndSaidSo) {
  TempDir dir;
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", RegularRecords(61));
  FakeHost whole;
  ASSERT_EQ(Generate(BasicRequest(acq), whole).status, ReportStatus::kWritten);
  const std::string expected = test::Normalised(ReadFileOrDie(acq.folder / "report.csv"), acq.folder);
  // A power cut during the append of record 61 left 500 of its 774 bytes.
  const std::string counts = ReadFileOrDie(acq.folder / "counts.bin");
  test::WriteFileOrDie(acq.folder / "counts.bin", counts + counts.substr(0, 500));
  FakeHost torn;
  ASSERT_EQ(Generate(BasicRequest(acq), torn).status, ReportStatus::kWritten);
  EXPECT_EQ(test::Normalised(ReadFileOrDie(acq.folder / "report.csv"), acq.folder), expected);
  EXPECT_NE(torn.status.Last(rt::kStatusLabel).find("a torn last record of 500 bytes was ignored"),
            std::string::npos);
  // The basal read of a sibling folder follows the same rule.
  Acquisition basal = MakeAcquisition(dir.path(), "20240319_0900", RegularRecords(61));
  const std::string basalCounts = ReadFileOrDie(basal.folder / "counts.bin");
  test::WriteFileOrDie(basal.folder / "counts.bin", basalCounts + basalCounts.substr(0, 7));
  ReportRequest r = BasicRequest(acq);
  r.basalName = "20240319_0900";
  r.basalAnswers.useProposedMinutes = true;
  r.basalAnswers.zeroBasalMode = ZeroBasalMode::kMaxActivity;
  FakeHost withBasal;
  EXPECT_EQ(Generate(r, withBasal).status, ReportStatus::kWritten) << withBasal.dialogs.Messages().size();
  EXPECT_NE(withBasal.status.Last(rt::kStatusLabel).find("of 7 bytes was ignored"), std::string::npos);
}

TEST(ReportGeneration, UnopenableReportNameMovesOnToNumberedNames) {
  TempDir dir;
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", RegularRecords(61), "drug A");
  // A folder where the report would go cannot be opened as a file.
  std::filesystem::create_directories(acq.folder / "report.txt");
  std::filesystem::create_directories(acq.folder / "report_1.txt");
  FakeHost fake;
  ReportRequest r = BasicRequest(acq);
  r.layout.fileType = 1;
  r.autoreport = false;
  ReportOutcome out = Generate(r, fake);
  ASSERT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_EQ(out.reportPath, acq.folder / "report_2.txt");
  EXPECT_EQ(out.copyPath, acq.folder / "drug_A.txt");
  ASSERT_EQ(fake.shell.calls().size(), 1u);
  EXPECT_EQ(fake.shell.calls()[0].verb, "text");
  EXPECT_EQ(fake.shell.calls()[0].target, out.reportPath.string());
}

TEST(ReportGeneration, ExperimentNameBecomesASafeFileName) {
  EXPECT_EQ(ExperimentFileName("drug A"), "drug_A");
  EXPECT_EQ(ExperimentFileName("../etc/x: y?"), ".._etc_x__y_");
  EXPECT_EQ(ExperimentFileName(".."), "_");
  EXPECT_EQ(ExperimentFileName("line\nbreak"), "line_break");
}

TEST(ReportGeneration, ACopyNameTooLongIsSaidNotSkippedSilently) {
  TempDir dir;
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", RegularRecords(61), std::string(5000, 'n'));
  FakeHost fake;
  ReportOutcome out = Generate(BasicRequest(acq), fake);
  ASSERT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_TRUE(out.copyPath.empty());
  EXPECT_FALSE(out.copyError.empty());
  EXPECT_EQ(fake.status.Last(rt::kStatusLabel).rfind(rt::kCopyNotWritten, 0), 0u) << fake.status.Last(rt::kStatusLabel);
}

TEST(ReportGeneration, ShortAcquisitionIsReportedWithItsOwnLength) {
  TempDir dir;
  // 50 minutes with bin 60: reported with bin 45 in one bin.
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", RegularRecords(51));
  FakeHost fake;
  ReportRequest r = BasicRequest(acq, "60");
  r.autoreport = false;
  ReportOutcome out = Generate(r, fake);
  ASSERT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_EQ(out.binShown, "45");
  const std::string report = ReadFileOrDie(out.reportPath);
  EXPECT_NE(report.find("Group/Time[m],45\r\n"), std::string::npos);
  EXPECT_EQ(fake.shell.calls().at(0).verb, "open");
}

TEST(ReportGeneration, DayWrappedAcquisitionIsReportedOverBothDays) {
  TempDir dir;
  // A 25-hour run whose stored minutes went back to 0 after 1439: 0..1439, then 0..60.
  std::vector<int32_t> times;
  for (int t = 0; t < 1440; ++t) times.push_back(t);
  for (int t = 0; t <= 60; ++t) times.push_back(t);
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_2300", test::Records(times, [](int, int) { return int16_t{1}; }));
  FakeHost fake;
  ReportOutcome out = Generate(BasicRequest(acq), fake);
  ASSERT_EQ(out.status, ReportStatus::kWritten) << out.message;
  const std::string report = ReadFileOrDie(out.reportPath);
  // Adjusted times run to 1500: fifty 30-minute bins, the last ones holding the second day.
  EXPECT_NE(report.find(",1470,1500\r\n"), std::string::npos);
  const size_t well = report.find("\r\nB2,");
  ASSERT_NE(well, std::string::npos);
  const std::string line = report.substr(well + 2, report.find("\r\n", well + 2) - well - 2);
  EXPECT_EQ(line.substr(line.size() - 6), ",30,30");
}

TEST(ReportGeneration, TemperaturesOutsideOneToFiftyDegreesAreLeftOut) {
  TempDir dir;
  auto records = RegularRecords(61);
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", records);
  ReportProjectTables project = LoadAcquisitionTables(acq.folder, acq.app).tables;
  BinnedCounts bins;
  bins.Resize(3);
  bins.times = {30, 30, 30};
  bins.temperature = {9, 501, 250};
  ReportTables t = ComputeReportTables(bins, 30, 1, project);
  EXPECT_EQ(t.temperature[1], 250);
  bins.temperature = {9, 501, 0};
  EXPECT_EQ(ComputeReportTables(bins, 30, 1, project).temperature[1], 0);
}

TEST(ReportGeneration, BinsWithoutAValidTemperatureShowItMissingNotZero) {
  TempDir dir;
  auto records = RegularRecords(61);
  for (size_t k = 0; k < records.size(); ++k) records[k].values[kChannelCount] = k < 31 ? kNoTemperature : 0;
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", records);
  ReportRequest r = BasicRequest(acq);
  r.layout.layout = 1;  // List: one line per bin
  FakeHost fake;
  ASSERT_EQ(Generate(r, fake).status, ReportStatus::kWritten);
  const std::string report = ReadFileOrDie(acq.folder / "report.csv");
  EXPECT_NE(report.find("\r\n30,?\r\n60,?\r\n"), std::string::npos) << report;
  EXPECT_EQ(report.find(",0.0\r\n30"), std::string::npos);
}

TEST(ReportTablesArithmetic, GroupStatisticsRoundEachStep) {
  TempDir dir;
  Acquisition acq = MakeAcquisition(dir.path(), "20240319_1405", RegularRecords(2));
  ReportProjectTables project = LoadAcquisitionTables(acq.folder, acq.app).tables;
  BinnedCounts bins;
  bins.Resize(1);
  bins.times = {30};
  // A1 beams 10 and 13 -> round(11.5) = 12; B1 beams 1 and 2 -> round(1.5) = 2.
  int64_t* c = bins.Record(0);
  c[0] = 10, c[1] = 13, c[2] = 1, c[3] = 2, c[4] = 7, c[5] = 8;
  ReportTables t = ComputeReportTables(bins, 30, 1, project);
  EXPECT_EQ(t.WellValue(1, 0), 12);
  EXPECT_EQ(t.WellValue(1, 1), 2);
  EXPECT_EQ(t.Mean(0, 1), 7);        // (12 + 2) / 2
  EXPECT_EQ(t.Deviation(0, 1), 7);   // sqrt((25 + 25) / 1) = 7.07
  EXPECT_EQ(t.groupSize[1], 1);      // A2 only: A3 has no beam-0 channel
  EXPECT_EQ(t.Deviation(1, 1), 0);   // one well: no deviation
  EXPECT_EQ(t.groupCount, 3);
  EXPECT_EQ(t.groupSize[2], 0);
}

}  // namespace
}  // namespace movexa

namespace movexa {
namespace {

TEST(ReportGeneration, StagesAreShownWithWindowEventsBetweenThem) {
  test::TempDir dir;
  auto acq = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(91));
  FakeHost fake;
  ASSERT_EQ(GenerateReport(test::BasicRequest(acq), fake.host).status, ReportStatus::kWritten);
  std::vector<std::string> stages;
  for (const auto& line : fake.status.lines()) {
    if (line.where == report_text::kProgressLabel) stages.push_back(line.text);
  }
  EXPECT_EQ(stages, (std::vector<std::string>{"Reading counts.bin...", "Resampling...",
                                              "Computing report tables...", "Writing report..."}));
  EXPECT_EQ(fake.pacer.pumps(), 4);
}

TEST(ReportWindowRules, SetupThresholdOfTheBrowserIsNormalisedPerOrganism) {
  EXPECT_EQ(ThresholdTextFromSetup(0, 13), "1.8");
  EXPECT_EQ(ThresholdTextFromSetup(1, 14), "1.4");
  EXPECT_EQ(ThresholdTextFromSetup(3, 4), "0.8");
  EXPECT_EQ(ThresholdTextFromSetup(3, 10), "1.0");
  EXPECT_EQ(ThresholdTextFromSetup(3, 11), "0.8");
}

}  // namespace
}  // namespace movexa
