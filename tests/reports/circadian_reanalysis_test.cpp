// Circadian exports and raw data re-analysis over the small fixed acquisition with raw blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "acquisition/analysis_module.h"
#include "acquisition/recorder_lock.h"
#include "base/text_records.h"
#include "report_fixture.h"
#include "reports/circadian.h"
#include "reports/raw_reanalysis.h"
#include "reports/recorded_counts.h"
#include "reports/report_texts.h"

namespace movexa {
namespace {

using test::Acquisition;
using test::ReadFileOrDie;
using test::TempDir;
namespace rt = report_text;

// The raw block of record `i`: baseline 2000 with 5-sample dips to 1500 whose spacing depends
// on the channel and the record, so that every block counts differently.
std::vector<int16_t> RawBlock(int i) {
  std::vector<int16_t> block(static_cast<size_t>(kChannelSlots) * kDefaultRawBlockSamples, 0);
  for (int c = 0; c < kChannelCount; ++c) {
    const int spacing = 20 + ((c + i) % 7) * 10;
    for (int s = 0; s < kDefaultRawBlockSamples - 1; ++s) {
      block[c + static_cast<size_t>(kChannelSlots) * s] = (s % spacing) < 5 && s > 10 ? 1500 : 2000;
    }
  }
  return block;
}

void WriteRaw(const std::filesystem::path& folder, int records) {
  for (int i = 0; i < records; ++i) {
    auto block = RawBlock(i);
    std::string bytes(reinterpret_cast<const char*>(block.data()), block.size() * 2);
    std::string name = std::to_string(i / kBlocksPerRawFile) + ".bin";
    std::string old = std::filesystem::exists(folder / name) ? ReadFileOrDie(folder / name) : std::string();
    test::WriteFileOrDie(folder / name, old + bytes);
  }
}

int16_t Expected(int record, int channel, double snr, int method) {
  static AnalysisScratch scratch;
  auto block = RawBlock(record);
  return AnalyzeBin({block.data(), kDefaultRawBlockSamples}, channel, snr, method, false, {}, 0, scratch);
}

TEST(CircadianExport, PerChannelFilesAndTimeFileOfANinetyMinuteAcquisition) {
  TempDir dir;
  Acquisition acq = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(91));
  FakeHost fake;
  fake.dialogs.ExpectQuestion(std::string(rt::kExport384Files), Dialogs::Answer::kYes)
      .ExpectQuestion(std::string(rt::kIncludeTimeField), Dialogs::Answer::kNo);
  CircadianOutcome out = ExportCircadian({acq.folder, acq.app, "30", {}}, fake.host);
  ASSERT_EQ(out.status, ReportStatus::kWritten) << out.message << out.detail;
  EXPECT_TRUE(fake.dialogs.Problems().empty());
  EXPECT_EQ(out.filesWritten, 385);
  EXPECT_EQ(ReadFileOrDie(acq.folder / "time.txt"), "1800 3600 5400\r\n");
  // Records at minutes 0..30 fall in bin 1 (minute 0 included), 31..60 in bin 2, 61..90 in 3.
  int64_t first = 0, second = 0, third = 0;
  for (int k = 0; k <= 90; ++k) (k <= 30 ? first : k <= 60 ? second : third) += test::FixtureCount(4, k);
  EXPECT_EQ(ReadFileOrDie(acq.folder / "ch000004.txt"),
            std::to_string(first) + " " + std::to_string(second) + " " + std::to_string(third) + "\r\n");
  EXPECT_EQ(ReadFileOrDie(acq.folder / "ch000012.txt"), "0 0 0\r\n");
  EXPECT_EQ(fake.shell.calls().at(0).verb, "show");
  // Each file written is counted on the progress line, with window events let through.
  EXPECT_EQ(fake.status.Last(rt::kProgressLabel), "File 385/385");
  EXPECT_GE(fake.pacer.pumps(), 385);
}

TEST(CircadianExport, PerWellFilesCountFromTheFolderStartStamp) {
  TempDir dir;
  Acquisition acq = test::MakeAcquisition(dir.path(), "20240319_2350", test::RegularRecords(21));
  FakeHost fake;
  // A 20-minute acquisition with bin 60 is exported with bin 21 (T + 1) in one bin.
  CircadianOutcome out = ExportCircadian({acq.folder, acq.app, "60", true}, fake.host);
  ASSERT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_EQ(out.binShown, "21");
  EXPECT_TRUE(fake.dialogs.shown().empty());
  const std::string a1 = ReadFileOrDie(acq.folder / "000_A1.txt");
  EXPECT_EQ(a1.substr(0, 17), "20/03/2024 00:11 ");
  EXPECT_EQ(std::count(a1.begin(), a1.end(), '\n'), 1);
  // Wells without a beam-0 channel (A3 = well 4, B3 = well 5) get no file.
  EXPECT_TRUE(std::filesystem::exists(acq.folder / "003_B2.txt"));
  EXPECT_FALSE(std::filesystem::exists(acq.folder / "004_A3.txt"));
  EXPECT_FALSE(std::filesystem::exists(acq.folder / "005_B3.txt"));
  EXPECT_EQ(ChooseCircadianBin("1", 500).minutes, 2);
  EXPECT_EQ(ChooseCircadianBin("60", 50).minutes, 45);
}

TEST(CircadianExport, FailuresShowTheirMessages) {
  TempDir dir;
  Acquisition acq = test::MakeAcquisition(dir.path(), "x", test::RegularRecords(21));
  FakeHost declined;
  declined.dialogs.ExpectQuestion("", Dialogs::Answer::kNo);
  EXPECT_EQ(ExportCircadian({acq.folder, acq.app, "30", {}}, declined.host).status, ReportStatus::kDeclined);
  const std::string counts = ReadFileOrDie(acq.folder / "counts.bin");
  // A torn last record is left out and said so; the whole records are exported.
  test::WriteFileOrDie(acq.folder / "counts.bin", counts + "x");
  FakeHost torn;
  EXPECT_EQ(ExportCircadian({acq.folder, acq.app, "30", false}, torn.host).status, ReportStatus::kWritten);
  EXPECT_NE(torn.status.Last(rt::kStatusLabel).find("a torn last record of 1 bytes was ignored"), std::string::npos);
  // Nothing but a torn record.
  test::WriteFileOrDie(acq.folder / "counts.bin", "x");
  FakeHost fake;
  EXPECT_EQ(ExportCircadian({acq.folder, acq.app, "30", false}, fake.host).status, ReportStatus::kFailed);
  EXPECT_EQ(fake.dialogs.Messages(),
            std::vector<std::string>{std::string(rt::kReportError) + "\r\n" +
                                     std::string(rt::kNoWholeRecord) + ".\r\n" +
                                     std::string(rt::kNextNoRecord)});
  std::filesystem::remove(acq.folder / "counts.bin");
  FakeHost missing;
  ExportCircadian({acq.folder, acq.app, "30", false}, missing.host);
  EXPECT_EQ(missing.dialogs.Messages(), std::vector<std::string>{std::string(rt::kActivityFileNotFound)});
}

TEST(CircadianExport, DamagedTimesEndInReportErrorAndWriteNothing) {
  TempDir dir;
  Acquisition acq = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(3));
  // Every time -1 (once a division by zero), one huge time (once an allocation of gigabytes),
  // one far time (once 195 MB of files), negative times (once stamps before the start).
  const std::vector<std::vector<int32_t>> damaged = {
      {-1, -1, -1}, {0, 1, 2147483647}, {0, 1, 3000000}, {-100, -50}};
  for (const auto& times : damaged) {
    test::WriteCounts(acq.folder, test::Records(times, test::FixtureCount));
    for (bool perWell : {true, false}) {
      FakeHost fake;
      CircadianOutcome out = ExportCircadian({acq.folder, acq.app, "30", perWell}, fake.host);
      EXPECT_EQ(out.status, ReportStatus::kFailed) << times.back();
      ASSERT_EQ(fake.dialogs.Messages().size(), 1u);
      EXPECT_EQ(fake.dialogs.Messages()[0].rfind(std::string(rt::kReportError) + "\r\n", 0), 0u);
      const std::string said = fake.dialogs.Messages()[0];
      EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;  // why, what to do
      EXPECT_EQ(out.filesWritten, 0);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(acq.folder / "time.txt"));
  EXPECT_FALSE(std::filesystem::exists(acq.folder / "000_A1.txt"));
}

struct RawFixture {
  TempDir dir;
  Acquisition acq;
  explicit RawFixture(int records = 40) {
    acq = test::MakeAcquisition(dir.path(), "20240319_1405", test::RegularRecords(records));
    WriteRaw(acq.folder, records);
  }
  ReportRequest Request() const {
    ReportRequest r = test::BasicRequest(acq);
    r.method = 2;
    r.organism = 2;
    r.thresholdText = "2.5";
    r.dataLapseText = "0,5";  // half an hour
    return r;
  }
};

TEST(RawReanalysis, DataLapseLimitsTheRecordsAndTheCountsFileStaysUntouched) {
  RawFixture f;
  const std::string counts = ReadFileOrDie(f.acq.folder / "counts.bin");
  const std::string setup = ReadFileOrDie(f.acq.folder / "setup.dat");
  FakeHost fake;
  bool stop = false;
  ReanalysisOutcome out = RunRawReanalysis(f.Request(), stop, fake.host);
  ASSERT_EQ(out.report.status, ReportStatus::kWritten) << out.report.message << out.report.detail;
  // Records up to the first one at or past 30 minutes: 0..30.
  EXPECT_EQ(out.recordsProcessed, 31);
  EXPECT_EQ(fake.status.lines().front().text, "Block 0/31");
  EXPECT_EQ(fake.status.Last(rt::kStatusLabel), "Block 31/31");
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "counts.bin"), counts);
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "setup.dat"), setup);
  const std::string report = ReadFileOrDie(out.report.reportPath);
  EXPECT_NE(report.find("\"SETTING:\",\"2_uOrganism (Motility Index) Echinococcus [SNR=2.5]\""), std::string::npos);
  // Only channels with a well are listed.
  EXPECT_EQ(report.find(" CH7,"), std::string::npos);  // channel 7 has no well
}

TEST(RawReanalysis, CountsARecorderStillWritesAreNeitherReplacedNorRestored) {
  RawFixture f;
  const std::string recorded = ReadFileOrDie(f.acq.folder / "counts.bin");
  test::WriteFileOrDie(f.acq.folder / kRecordedCountsBackup, recorded.substr(0, kCountsRecordBytes));
  RecorderLock recorder;
  std::string error;
  ASSERT_TRUE(recorder.Acquire(f.acq.app, error)) << error;
  ASSERT_TRUE(recorder.Describe(f.acq.folder, "night run"));
  const std::string refusal = "The acquisition \"night run\" (" + f.acq.folder.string() +
                              ") is being recorded now: its counts cannot be replaced or "
                              "restored until its run is stopped.";
  ReportRequest r = f.Request();
  r.replaceData = true;
  bool stop = false;
  FakeHost fake;  // refused before the question
  ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
  EXPECT_NE(out.report.status, ReportStatus::kWritten);
  EXPECT_NE(out.report.message.find(refusal), std::string::npos) << out.report.message;
  EXPECT_FALSE(RestoreRecordedCounts(f.acq.folder, error));
  EXPECT_EQ(error, refusal);
  EXPECT_TRUE(ReadFileOrDie(f.acq.folder / "counts.bin") == recorded);
  // Once the run has ended the kept copy comes back.
  recorder.Release();
  EXPECT_TRUE(RestoreRecordedCounts(f.acq.folder, error)) << error;
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "counts.bin").size(), kCountsRecordBytes);
}

TEST(RawReanalysis, ReplaceAsksFirstAndKeepsTheRecordedCountsForTheBrowserToRestore) {
  RawFixture f;
  const std::string setup = ReadFileOrDie(f.acq.folder / "setup.dat");
  const std::string recorded = ReadFileOrDie(f.acq.folder / "counts.bin");
  ReportRequest r = f.Request();
  r.replaceData = true;
  bool stop = false;
  // Declined: nothing changes, nothing is kept aside, no report.
  {
    FakeHost fake;
    fake.dialogs.ExpectQuestion("", Dialogs::Answer::kNo);
    ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
    EXPECT_EQ(out.report.status, ReportStatus::kDeclined);
    EXPECT_TRUE(fake.dialogs.Problems().empty());
    const std::string asked = fake.dialogs.shown().at(0).text;
    EXPECT_NE(asked.find((f.acq.folder / "counts.bin").string()), std::string::npos) << asked;
    EXPECT_NE(asked.find(rt::kReplaceKeepsRecorded), std::string::npos) << asked;
    EXPECT_TRUE(ReadFileOrDie(f.acq.folder / "counts.bin") == recorded);
    EXPECT_FALSE(HasRecordedCounts(f.acq.folder));
    EXPECT_EQ(out.recordsProcessed, 0);
  }
  FakeHost fake;
  fake.dialogs.ExpectQuestion("", Dialogs::Answer::kYes);
  ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
  ASSERT_EQ(out.report.status, ReportStatus::kWritten) << out.report.message << out.report.detail;
  EXPECT_TRUE(fake.dialogs.Problems().empty());
  EXPECT_TRUE(out.countsReplaced);
  EXPECT_TRUE(out.setupUpdated);
  const std::string counts = ReadFileOrDie(f.acq.folder / "counts.bin");
  ASSERT_EQ(counts.size(), 40u * kCountsRecordBytes);
  for (int i : {0, 17, 39}) {
    CountsRecord rec;
    DecodeCountsRecord(counts, static_cast<size_t>(i) * kCountsRecordBytes, rec);
    EXPECT_EQ(rec.minutes, i);
    EXPECT_EQ(rec.values[4], Expected(i, 4, 2.5, 2)) << "record " << i;
    EXPECT_EQ(rec.values[9], 0);   // A3 has no beam-0 channel
    EXPECT_EQ(rec.values[7], 0);   // no well
    EXPECT_EQ(rec.values[kChannelCount], 245 + i % 3);  // temperature kept
  }
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "setup.bak"), setup);
  auto lines = SplitLines(ReadFileOrDie(f.acq.folder / "setup.dat"));
  EXPECT_EQ(lines[3], "1,30,99,500,2,30");
  EXPECT_EQ(lines[9], "2,1,1,25,0,0");
  EXPECT_EQ(lines[1], SplitLines(setup)[1]);
  EXPECT_NE(ReadFileOrDie(out.report.reportPath).find("\"SETTING:\",\"Mode2 Echinococcus[snr=2.5]\""), std::string::npos);
  // The recorded files are kept aside (once the recorded counts were gone for good).
  EXPECT_TRUE(ReadFileOrDie(f.acq.folder / kRecordedCountsBackup) == recorded);
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / kRecordedSetupBackup), setup);

  // A second replacement with another threshold keeps the recorded copies, not the first
  // re-analysis's counts.
  r.thresholdText = "3.5";
  FakeHost again;
  again.dialogs.ExpectQuestion("", Dialogs::Answer::kYes);
  ASSERT_EQ(RunRawReanalysis(r, stop, again.host).report.status, ReportStatus::kWritten);
  EXPECT_NE(again.dialogs.shown().at(0).text.find(rt::kReplaceKeptAlready), std::string::npos);
  EXPECT_TRUE(ReadFileOrDie(f.acq.folder / kRecordedCountsBackup) == recorded);

  // Restoring puts the recorded counts and setup back and drops the copies.
  std::string error;
  ASSERT_TRUE(RestoreRecordedCounts(f.acq.folder, error)) << error;
  EXPECT_TRUE(ReadFileOrDie(f.acq.folder / "counts.bin") == recorded);
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "setup.dat"), setup);
  EXPECT_FALSE(HasRecordedCounts(f.acq.folder));
  EXPECT_FALSE(std::filesystem::exists(f.acq.folder / kRecordedSetupBackup));
  EXPECT_FALSE(RestoreRecordedCounts(f.acq.folder, error));

  // movexa-cli's --replace is the operator's answer: no question.
  FakeHost batch;
  r.replaceConfirmed = true;
  EXPECT_EQ(RunRawReanalysis(r, stop, batch.host).report.status, ReportStatus::kWritten);
  EXPECT_TRUE(batch.dialogs.shown().empty());
}

TEST(RecordedCounts, ACopyThatCannotBeWrittenStopsTheReplacement) {
  RawFixture f(12);
  const std::string recorded = ReadFileOrDie(f.acq.folder / "counts.bin");
  // A folder in the copy's place: the recorded counts cannot be kept, so they stay in place.
  std::filesystem::create_directory(f.acq.folder / kRecordedSetupBackup);
  ReportRequest r = f.Request();
  r.replaceData = true;
  r.replaceConfirmed = true;
  FakeHost fake;
  bool stop = false;
  ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
  EXPECT_EQ(out.report.status, ReportStatus::kFailed);
  EXPECT_FALSE(out.countsReplaced);
  EXPECT_TRUE(ReadFileOrDie(f.acq.folder / "counts.bin") == recorded);
  ASSERT_EQ(fake.dialogs.Messages().size(), 1u);
  EXPECT_NE(fake.dialogs.Messages()[0].find(rt::kRecordedNotKept), std::string::npos);
}

TEST(RawReanalysis, StopLeavesEveryFileUntouched) {
  RawFixture f;
  const auto before = ReadFileOrDie(f.acq.folder / "counts.bin") + ReadFileOrDie(f.acq.folder / "setup.dat");
  FakeHost fake;
  bool stop = false;
  int pumps = 0;
  fake.pacer.OnPump([&] { if (++pumps == 5) stop = true; });
  ReportRequest r = f.Request();
  r.replaceData = true;
  r.exportRaw = true;
  fake.dialogs.ExpectQuestion("", Dialogs::Answer::kYes);
  ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
  EXPECT_EQ(out.report.status, ReportStatus::kStopped);
  EXPECT_EQ(pumps, 5);
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "counts.bin") + ReadFileOrDie(f.acq.folder / "setup.dat"), before);
  for (const auto& e : std::filesystem::directory_iterator(f.acq.folder)) {
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name.find("report") == std::string::npos &&
                name.find(".raw") == std::string::npos && name != "setup.bak" && name[0] != '.' &&
                name.find("recorded") == std::string::npos)
        << name;
  }
  EXPECT_EQ(fake.dialogs.shown().size(), 1u);  // the question before replacing
}

TEST(RawReanalysis, ExportRawAppendsMarkFilesOnlyWhenTheRunCompletes) {
  RawFixture f(12);
  FakeHost fake;
  bool stop = false;
  ReportRequest r = f.Request();
  CheckExportRaw(r);
  EXPECT_EQ(r.dataLapseText, "533");
  ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
  ASSERT_EQ(out.report.status, ReportStatus::kWritten);
  const std::string marks = ReadFileOrDie(f.acq.folder / "ch4.raw");
  EXPECT_EQ(std::count(marks.begin(), marks.end(), '\n'), 12);
  EXPECT_FALSE(std::filesystem::exists(f.acq.folder / "ch7.raw"));
  EXPECT_FALSE(std::filesystem::exists(f.acq.folder / ".reanalysis-marks"));
}

TEST(RawReanalysis, ShortOrMissingRawFileStopsBeforeChangingAnything) {
  RawFixture f(15);
  const std::string counts = ReadFileOrDie(f.acq.folder / "counts.bin");
  const std::string raw1 = ReadFileOrDie(f.acq.folder / "1.bin");
  test::WriteFileOrDie(f.acq.folder / "1.bin", raw1.substr(0, raw1.size() - 100));
  FakeHost fake;
  bool stop = false;
  ReportRequest r = f.Request();
  r.replaceData = true;
  ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
  EXPECT_EQ(out.report.status, ReportStatus::kFailed);
  EXPECT_EQ(fake.dialogs.Messages(),
            std::vector<std::string>{"Raw data block 15 not found in " + (f.acq.folder / "1.bin").string() +
                                     " -> Analysis stopped: counts.bin and setup.dat were not changed"});
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "counts.bin"), counts);
  EXPECT_FALSE(std::filesystem::exists(f.acq.folder / "setup.bak"));
  std::filesystem::remove(f.acq.folder / "0.bin");
  FakeHost missing;
  RunRawReanalysis(r, stop, missing.host);
  EXPECT_EQ(missing.dialogs.Messages().at(0).substr(0, 18), "Raw data block 1 n");
}

TEST(RawReanalysis, RawBlocksOfAnotherBinLengthAreRefusedNotMisread) {
  RawFixture f(12);
  // The same raw files, but the acquisition says its bins held 600 samples: its blocks would
  // be 462770 bytes, and reading them as 385770-byte blocks would count the wrong samples.
  std::string setup = ReadFileOrDie(f.acq.folder / "setup.dat");
  const size_t at = setup.find("1,30,99,500,");
  ASSERT_NE(at, std::string::npos);
  setup.replace(at, 12, "1,30,99,600,");
  test::WriteFileOrDie(f.acq.folder / "setup.dat", setup);
  const std::string counts = ReadFileOrDie(f.acq.folder / "counts.bin");
  FakeHost fake;
  bool stop = false;
  ReportRequest r = f.Request();
  r.replaceData = true;
  ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host);
  EXPECT_EQ(out.report.status, ReportStatus::kFailed);
  ASSERT_EQ(fake.dialogs.Messages().size(), 1u);
  EXPECT_EQ(fake.dialogs.Messages()[0].substr(0, 27), "Raw data recorded with 600 ");
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "counts.bin"), counts);
  EXPECT_EQ(ReadFileOrDie(f.acq.folder / "setup.dat"), setup);
}

TEST(RawReanalysis, LapseBelowFiveMinutesIsRaisedToFive) {
  ReportRequest r;
  std::string shown;
  r.dataLapseText = "0.01";
  EXPECT_EQ(DataLapseMinutes(r, &shown), 5);
  EXPECT_EQ(shown, "0.08");
  r.dataLapseText = "2";
  EXPECT_EQ(DataLapseMinutes(r, &shown), 120);
  EXPECT_EQ(shown, "2");
}

TEST(RawReanalysis, SetupUpdateKeepsEveryOtherLine) {
  const std::string setup = test::SetupText("mini");
  const std::string updated = UpdatedSetupText(setup, 3, 3, 8);
  auto a = SplitLines(setup), b = SplitLines(updated);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    if (i == 3) EXPECT_EQ(b[i], "1,30,99,500,3,30");
    else if (i == 9) EXPECT_EQ(b[i], "3,1,1,8,0,0");
    else EXPECT_EQ(a[i], b[i]);
  }
  EXPECT_EQ(UpdatedSetupText("\"header\"\r\n1,2\r\n", 1, 1, 1), "");
}

TEST(AutomaticReport, ReportThenRawExportThenTheClosingMessage) {
  RawFixture f(12);
  FakeHost fake;
  bool stop = false;
  ReportRequest r = f.Request();
  r.autoreport = false;
  ReportOutcome out = GenerateAutomaticReport(r, true, stop, fake.host);
  EXPECT_EQ(out.status, ReportStatus::kWritten);
  EXPECT_EQ(fake.dialogs.Messages(), std::vector<std::string>{std::string(rt::kReportAutoGenerated)});
  EXPECT_EQ(fake.pacer.pausedMs(), 3000);
  EXPECT_TRUE(fake.shell.calls().empty());
  EXPECT_TRUE(std::filesystem::exists(f.acq.folder / "ch4.raw"));
}

// Every file of the acquisition folder by name, with the temporary root taken out.
std::map<std::string, std::string> FolderFiles(const std::filesystem::path& folder, const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    std::string content = ReadFileOrDie(e.path());
    for (size_t at; (at = content.find(root)) != std::string::npos;) content.replace(at, root.size(), "<root>");
    files[std::filesystem::relative(e.path(), folder).string()] = content;
  }
  return files;
}

TEST(RawReanalysis, ThreadsShareTheChannelsAndChangeNoByteOfTheResults) {
  // Replacing the counts (counts.bin, setup.dat, the report) and exporting the marks (one file
  // per channel, appended record by record): one thread against two.
  for (bool exportRaw : {false, true}) {
    std::map<std::string, std::string> single;
    for (int threads : {1, 2}) {
      RawFixture f(13);  // two raw files
      FakeHost fake;
      bool stop = false;
      ReportRequest r = f.Request();
      r.replaceData = !exportRaw;
      if (exportRaw) CheckExportRaw(r);
      else fake.dialogs.ExpectQuestion("", Dialogs::Answer::kYes);  // replace the recorded counts
      ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host, threads);
      ASSERT_EQ(out.report.status, ReportStatus::kWritten) << out.report.message;
      EXPECT_EQ(fake.status.Last(rt::kStatusLabel), "Block 13/13");
      auto files = FolderFiles(f.acq.folder, f.dir.path().string());
      EXPECT_EQ(files.count("ch4.raw"), exportRaw ? 1u : 0u);
      if (threads == 1) {
        single = std::move(files);
        continue;
      }
      ASSERT_EQ(files.size(), single.size()) << threads;
      for (const auto& [name, content] : single) {
        EXPECT_TRUE(files[name] == content) << name << " differs with " << threads << " threads";
      }
    }
  }
}

}  // namespace
}  // namespace movexa
