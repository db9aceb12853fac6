// The analysis input: how records become bins (several a minute, one a bin with jittered or
// drifting stamps), the bin-time check, and a generated run loaded as wells, groups, light
// schedule and notes, alone, as several acquisitions or as a join, and with damaged files.
#include <gtest/gtest.h>

#include "analysis/activity_bins.h"
#include "analysis/analysis_windows.h"
#include "analysis_fixture.h"
#include "base/file_io.h"
#include "offline/join_export.h"

namespace movexa {
namespace {

using test::PlateRun;
using test::TempDir;

// Bins of one recording that starts at run minute 0.
std::vector<int64_t> BinsOf(const std::vector<int64_t>& times, const BinLayout& layout) {
  const double fraction = ChooseCloseFraction(times, 0, layout);
  std::vector<int64_t> out;
  for (int64_t t : times) out.push_back(BinOfRecord(t, layout, fraction));
  return out;
}

TEST(ActivityBins, SeveralRecordsAMinuteMakeOneMinuteBinsByClosingMinute) {
  // Records of 15 s: four close in each minute.
  std::vector<int64_t> times;
  for (int m = 0; m < 30; ++m) times.insert(times.end(), 4, m);
  const BinLayout layout = ChooseBinLayout(times);
  EXPECT_TRUE(layout.severalPerBin);
  EXPECT_EQ(layout.binMinutes, 1);
  EXPECT_NEAR(layout.recordMinutes, 0.25, 0.02);
  EXPECT_EQ(BinOfRecord(17, layout), 17);
  BinAssignment a = AssignBins(BinsOf(times, layout), true, 1);
  EXPECT_EQ(a.bins.size(), 30u);
  EXPECT_EQ(a.quality.duplicates, 0);
  EXPECT_EQ(a.quality.missingBins, 0);
  EXPECT_EQ(a.quality.minRecordsPerBin, 4);
  EXPECT_FALSE(a.quality.irregular);
}

TEST(ActivityBins, LongRecordsAreOneBinEachDespiteJitterAndDrift) {
  // 5-minute records whose closing minute jitters by one: still bins 0, 1, 2, ... in order.
  const std::vector<int64_t> jittered = {5, 10, 14, 19, 24, 30, 35, 39, 45, 50};
  BinLayout layout = ChooseBinLayout(jittered);
  EXPECT_FALSE(layout.severalPerBin);
  EXPECT_EQ(layout.binMinutes, 5);
  EXPECT_EQ(BinsOf(jittered, layout), (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

  // Records of a minute or a little more are stamped 1, 2, 3, ...; of a little less 0, 1, 2,
  // ...: either way the first covers minute 0 and no bin is doubled or skipped.
  std::vector<int64_t> minutes;
  for (int k = 1; k <= 100; ++k) minutes.push_back(k);
  layout = ChooseBinLayout(minutes);
  EXPECT_EQ(layout.binMinutes, 1);
  std::vector<int64_t> expected;
  for (int k = 0; k < 100; ++k) expected.push_back(k);
  EXPECT_EQ(BinsOf(minutes, layout), expected);
  for (auto& m : minutes) --m;
  EXPECT_EQ(BinsOf(minutes, ChooseBinLayout(minutes)), expected);

  // Records of 61.2 s drift: 100 records span 102 minutes, so two bins are honestly missing
  // and none is taken twice.
  std::vector<int64_t> drifting;
  for (int k = 1; k <= 100; ++k) drifting.push_back(static_cast<int64_t>(k * 1.02));
  layout = ChooseBinLayout(drifting);
  BinAssignment a = AssignBins(BinsOf(drifting, layout), layout.severalPerBin, layout.binMinutes);
  EXPECT_EQ(a.quality.duplicates, 0);
  EXPECT_EQ(a.quality.missingBins, 2);
  EXPECT_EQ(a.bins.front(), 0);
}

TEST(ActivityBins, CheckCountsDuplicatesMissingBinsAndTheLargestGap) {
  // 1-minute bins stamped 09:00, 09:01, 09:02, 09:02, 09:05, 10:10.
  BinAssignment a = AssignBins({0, 1, 2, 2, 5, 70}, false, 1);
  EXPECT_EQ(a.quality.duplicates, 1);
  EXPECT_TRUE(a.quality.irregular);
  EXPECT_EQ(a.quality.missingBins, 2 + 64);
  EXPECT_EQ(a.quality.largestGapMinutes, 65);
  EXPECT_EQ(a.bins, (std::vector<int64_t>{0, 1, 2, 5, 70}));
  EXPECT_EQ(a.slot[3], kLeftOut);  // the first reading of a bin is kept

  // With several records a bin, records of one minute are summed; a step back is a duplicate;
  // a damaged record counts apart; a last bin under half the usual records is left out.
  a = AssignBins({0, 0, 0, 1, 1, 1, 0, kDamagedRecord, 2, 2, 2, 3}, true, 1);
  EXPECT_EQ(a.quality.duplicates, 1);
  EXPECT_EQ(a.quality.damaged, 1);
  EXPECT_EQ(a.quality.partialLeftOut, 1);
  EXPECT_EQ(a.bins, (std::vector<int64_t>{0, 1, 2}));
  EXPECT_EQ(a.quality.recordsUsed, 9);
  EXPECT_EQ(a.slot[11], kLeftOut);
  // Two records a minute: the run's closing record alone in its minute is half a bin, left out.
  a = AssignBins({0, 0, 1, 1, 2}, true, 1);
  EXPECT_EQ(a.bins, (std::vector<int64_t>{0, 1}));
  EXPECT_EQ(a.quality.partialLeftOut, 1);
  // A single record leaves no step to measure.
  a = AssignBins({4}, true, 1);
  EXPECT_EQ(a.quality.largestGapMinutes, 0);
  EXPECT_EQ(a.bins.size(), 1u);
}

TEST(ActivityBins, DamagedRecordsNeverAddAFalseDay) {
  using V = std::vector<int64_t>;
  const std::vector<char> sound(6, kRecordSound);
  // A time stored modulo the day still wraps.
  EXPECT_EQ(AdjustRecordTimes({1438, 1439, 0, 1, 2, 3}, sound),
            (V{1438, 1439, 1440, 1441, 1442, 1443}));
  // A block zeroed after a crash, and a corrupt time, would each wrap every later record a day
  // on: both are damaged and the later records keep their times.
  std::vector<char> marks = sound;
  marks[2] = kRecordBlank;
  EXPECT_EQ(AdjustRecordTimes({1500, 1501, 0, 1503, 1504, 1505}, marks),
            (V{1500, 1501, kDamagedRecord, 1503, 1504, 1505}));
  EXPECT_EQ(AdjustRecordTimes({1500, 1501, 900000, 1503, 1504, 1505}, sound),
            (V{1500, 1501, kDamagedRecord, 1503, 1504, 1505}));
  // Blank records at the start are the run's first bins (nothing counted yet), and a negative
  // count or time is damaged wherever it is.
  marks = sound;
  marks[0] = marks[1] = kRecordBlank;
  marks[4] = kRecordNegative;
  EXPECT_EQ(AdjustRecordTimes({0, 0, 1, -5, 2, 3}, marks),
            (V{0, 0, 1, kDamagedRecord, kDamagedRecord, 3}));
}

TEST(ActivityTableLoad, WellsAreSummedOverBeamsAndRecordsOverTheirMinute) {
  TempDir dir;
  PlateRun run(dir.path());
  run.FreeAll();
  run.Assign(3, "Control", {"A1", "B1"});
  run.Assign(7, "Drug, high", {"A2"});
  // Four records a minute for 10 minutes; A1 counts 2 in the first record of each minute and
  // 1 on its second beam in every record; the run ends with one record of minute 10.
  std::vector<CountsRecord> records;
  const auto a1 = run.ChannelsOf(run.WellNumber("A1"));
  ASSERT_EQ(a1.size(), 2u);
  for (int m = 0; m <= 10; ++m) {
    for (int k = 0; k < (m < 10 ? 4 : 1); ++k) {
      CountsRecord r = run.Record(m, [&](int w) { return w == 0 && k == 0 ? 2 : 0; });
      r.values[static_cast<size_t>(a1[1])] = 1;
      records.push_back(r);
    }
  }
  const auto folder = run.Write("20261207_0900", records);
  ActivityLoad load = run.Load({folder});
  ASSERT_TRUE(load.ok) << load.error;
  const ActivityTable& t = load.table;
  EXPECT_EQ(t.start, (CivilTime{2026, 12, 7, 9, 0, 0, 0}));
  EXPECT_EQ(t.binMinutes, 1);
  ASSERT_EQ(t.BinCount(), 10u);  // minute 10 holds one record of the usual four: left out
  EXPECT_EQ(t.quality.partialLeftOut, 1);
  EXPECT_EQ(t.binStart[9], 9);
  EXPECT_EQ(t.endMinute, 10);
  ASSERT_EQ(t.wells.size(), 96u);
  EXPECT_EQ(t.wells[0].label, "A1");
  EXPECT_EQ(t.wells[1].label, "B1");
  EXPECT_EQ(t.wells[8].label, "A2");
  EXPECT_EQ(t.At(0, 0), 2 + 4);  // 2 on beam 0 plus 1 on beam 1 in each of the four records
  EXPECT_EQ(t.At(1, 0), 0);
  EXPECT_EQ(t.wells[0].groupLabel, "003_Control");
  EXPECT_EQ(t.wells[8].groupLabel, "007_Drug, high");
  EXPECT_EQ(t.wells[2].groupLabel, "999_Free");
  ASSERT_EQ(t.groups.size(), 2u);
  EXPECT_EQ(t.groups[0].wells, (std::vector<size_t>{0, 1}));
  EXPECT_EQ(t.groups[1].label, "007_Drug, high");
  EXPECT_NE(t.binRule.find("closed within that minute"), std::string::npos);
  // The default light hours of the snapshot, with the light control off, and ZT0 at the start.
  EXPECT_EQ(t.light.Text(), "lights on 09:00, off 21:00");
  EXPECT_NE(t.light.origin.find("the light control was off"), std::string::npos);
  EXPECT_EQ(t.zt0Minute, 0);
}

TEST(ActivityTableLoad, LightScheduleFromTheAcquisitionOrTheUser) {
  TempDir dir;
  PlateRun run(dir.path());
  run.Light(true, 22, 6);
  const auto folder =
      run.Write("20261207_1430", test::MinuteRecords(run, 5, 1, [](int, int) { return 1; }));
  ActivityLoad load = run.Load({folder});
  ASSERT_TRUE(load.ok) << load.error;
  EXPECT_EQ(load.table.light.Text(), "lights on 22:00, off 06:00");
  EXPECT_EQ(load.table.zt0Minute,
            -(14 * 60 + 30 + 2 * 60));  // lights went on at 22:00 the day before
  EXPECT_TRUE(LightOnAtRunMinute(load.table, -16 * 60 - 30 + 60));
  EXPECT_FALSE(LightOnAtRunMinute(load.table, 0));

  // Equal hours keep the lights off all day, as the light control does.
  run.Light(true, 8, 8);
  const auto dark =
      run.Write("20261208_1430", test::MinuteRecords(run, 5, 1, [](int, int) { return 1; }));
  load = run.Load({dark});
  ASSERT_TRUE(load.ok);
  EXPECT_EQ(load.table.light.kind, LightKind::kConstantDark);
  EXPECT_EQ(load.table.zt0Minute, 0);

  LightSchedule given;
  given.kind = LightKind::kConstantLight;
  given.origin = "the user";
  load = run.Load({dark}, given);
  ASSERT_TRUE(load.ok);
  EXPECT_EQ(load.table.light.Text(), "constant light (the lights never turn off)");
}

TEST(ActivityTableLoad, SeveralAcquisitionsAreOneRunPlacedByTheirStarts) {
  TempDir dir;
  PlateRun run(dir.path());
  const auto first =
      run.Write("20261207_0900", test::MinuteRecords(run, 60, 1, [](int w, int) { return w; }));
  // The second started 90 minutes later, with its own times from 0.
  std::vector<CountsRecord> later;
  for (int k = 1; k <= 30; ++k) later.push_back(run.Record(k, [](int) { return 5; }));
  const auto second = run.Write("20261207_1030", later);
  ActivityLoad load = run.Load({second, first});  // given in either order
  ASSERT_TRUE(load.ok) << load.error;
  const ActivityTable& t = load.table;
  EXPECT_EQ(t.acquisitions.front(), first);
  EXPECT_EQ(t.start.hour, 9);
  EXPECT_EQ(t.binMinutes, 1);
  EXPECT_EQ(t.BinCount(), 90u);
  EXPECT_EQ(t.binStart[60], 90);  // the second's first record, closed at its minute 1, is 90..91
  EXPECT_EQ(t.quality.missingBins, 30);
  EXPECT_EQ(t.quality.largestGapMinutes, 31);
  EXPECT_EQ(t.At(3, 59), 3);
  EXPECT_EQ(t.At(3, 60), 5);
  EXPECT_EQ(t.sources.size(), 2u);

  // The same folder twice, or another plate, is no run.
  load = run.Load({first, first});
  EXPECT_FALSE(load.ok);
  EXPECT_NE(load.error.find("given twice"), std::string::npos);
  PlateRun other(dir / "other", "w384");
  const auto big =
      other.Write("20261207_1200", test::MinuteRecords(other, 3, 1, [](int, int) { return 0; }));
  fs::create_directories(run.project / "20261207_1200");
  fs::copy(big, run.project / "20261207_1200",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  load = run.Load({first, run.project / "20261207_1200"});
  EXPECT_FALSE(load.ok);
  EXPECT_NE(load.error.find("cannot be taken as one run"), std::string::npos) << load.error;
}

TEST(ActivityTableLoad, AJoinedAcquisitionCountsFromItsEarliestPart) {
  TempDir dir;
  PlateRun run(dir.path());
  run.FreeAll();
  run.Assign(0, "Only", {"C4"});
  run.Write("20261207_0900", test::MinuteRecords(run, 20, 2, [](int, int) { return 1; }),
            "morning");
  run.Write("20261207_1000", test::MinuteRecords(run, 20, 2, [](int, int) { return 2; }), "later");
  JoinResult joined = JoinAcquisitions(run.project,
                                       {{"  > 2026.1207\t ACQ09:00 \"morning\"", "20261207_0900"},
                                        {"  > 2026.1207\t ACQ10:00 \"later\"", "20261207_1000"}},
                                       CivilTime{2026, 12, 9, 8, 15, 0, 0});
  ASSERT_TRUE(joined.ok) << joined.error;
  ActivityLoad load = run.Load({joined.folder});
  ASSERT_TRUE(load.ok) << load.error;
  const ActivityTable& t = load.table;
  EXPECT_EQ(t.start, (CivilTime{2026, 12, 7, 9, 0, 0, 0}));  // not the moment of the join
  EXPECT_EQ(t.BinCount(), 40u);
  EXPECT_EQ(t.binStart[20], 60);
  ASSERT_EQ(t.groups.size(), 1u);  // the plate and groups of the first part
  EXPECT_EQ(t.groups[0].label, "000_Only");
  EXPECT_NE(t.sources[0].find("joined acquisition"), std::string::npos);
  // The join carries its first part's project files, so nothing is borrowed and nothing said.
  for (const auto& n : t.notes) EXPECT_EQ(n.find("is a joined acquisition"), std::string::npos) << n;
}

TEST(ActivityTableLoad, DamagedFilesGiveAMessageOrANoteNeverAWrongNumber) {
  TempDir dir;
  PlateRun run(dir.path());
  // No counts.bin, an empty one, and one holding only a torn record.
  fs::create_directories(run.project / "20261207_0900");
  ActivityLoad load = run.Load({run.project / "20261207_0900"});
  EXPECT_FALSE(load.ok);
  EXPECT_NE(load.error.find("no counts.bin"), std::string::npos);
  const auto empty = run.Write("20261207_1000", {});
  load = run.Load({empty});
  EXPECT_FALSE(load.ok);
  EXPECT_NE(load.error.find("nothing was recorded"), std::string::npos) << load.error;
  test::WriteFileOrDie(empty / "counts.bin", std::string(100, '\0'));
  load = run.Load({empty});
  EXPECT_FALSE(load.ok);

  // A torn tail and a record with a negative count: both noted, the rest analysed.
  auto records = test::MinuteRecords(run, 6, 1, [](int, int) { return 3; });
  records[2].values[static_cast<size_t>(run.ChannelsOf(5)[0])] = -7;
  const auto torn = run.Write("20261207_1100", records);
  {
    std::string bytes = test::ReadFileOrDie(torn / "counts.bin");
    bytes += std::string(300, '\x01');
    test::WriteFileOrDie(torn / "counts.bin", bytes);
  }
  load = run.Load({torn});
  ASSERT_TRUE(load.ok) << load.error;
  EXPECT_EQ(load.table.quality.damaged, 1);
  EXPECT_EQ(load.table.BinCount(), 5u);
  EXPECT_EQ(load.table.quality.missingBins, 1);
  std::string notes;
  for (const auto& n : load.table.notes) notes += n + "\n";
  EXPECT_NE(notes.find("torn last record of 300 bytes"), std::string::npos) << notes;
  EXPECT_NE(notes.find("1 damaged record"), std::string::npos) << notes;

  // Acquisitions a year apart are no run (and a damaged time must not make one of millions of
  // empty windows).
  auto farApart = records;
  farApart[4].minutes = 600000;
  farApart[5].minutes = 600001;
  load = run.Load({run.Write("20261207_1200", farApart)});
  EXPECT_FALSE(load.ok);
  EXPECT_NE(load.error.find("not one run"), std::string::npos) << load.error;

  // A folder name that is no start time cannot give wall-clock times.
  fs::create_directories(run.project / "renamed");
  fs::copy(torn, run.project / "renamed", fs::copy_options::recursive);
  load = run.Load({run.project / "renamed"});
  EXPECT_FALSE(load.ok);
  EXPECT_NE(load.error.find("start time"), std::string::npos);
}

TEST(ActivityTableLoad, ChannelGroupsThatDisagreeOrLackANameAreNoted) {
  TempDir dir;
  PlateRun run(dir.path());
  run.FreeAll();
  run.Assign(2, "", {"A1"});
  run.settings.channelGroup[static_cast<size_t>(run.ChannelsOf(run.WellNumber("B1"))[1])] = 2;
  const auto folder =
      run.Write("20261207_0900", test::MinuteRecords(run, 3, 1, [](int, int) { return 0; }));
  ActivityLoad load = run.Load({folder});
  ASSERT_TRUE(load.ok) << load.error;
  std::string notes;
  for (const auto& n : load.table.notes) notes += n + "\n";
  EXPECT_NE(notes.find("Group 2 has no name"), std::string::npos) << notes;
  EXPECT_NE(notes.find("Well B1: its beams are also in 002_"), std::string::npos) << notes;
  EXPECT_EQ(load.table.wells[1].groupLabel, "999_Free");  // the group of its first beam
}

TEST(AnalysisWindows, PhasesAreCutToTheRunAndCountedFromZt0) {
  // Start 14:30, lights 09:00-21:00, 40 hours of bins.
  std::vector<int64_t> starts;
  for (int64_t m = 0; m < 40 * 60; ++m) starts.push_back(m);
  ActivityTable t = test::HandTable({std::vector<int32_t>(starts.size(), 0)}, starts);
  t.start = CivilTime{2026, 12, 7, 14, 30, 0, 0};
  t.zt0Minute = -330;
  const auto windows = PhaseWindows(t);
  ASSERT_EQ(windows.size(), 5u);
  EXPECT_EQ(windows[0].label, "whole run");
  EXPECT_EQ(windows[0].endMinute, 2400);
  EXPECT_EQ(windows[1].label, "day 1 light");
  EXPECT_EQ(windows[1].startMinute, 0);
  EXPECT_EQ(windows[1].endMinute, 390);
  EXPECT_TRUE(windows[1].partial);
  EXPECT_EQ(windows[2].label, "day 1 dark");
  EXPECT_EQ(windows[2].startMinute, 390);
  EXPECT_EQ(windows[2].endMinute, 1110);
  EXPECT_FALSE(windows[2].partial);
  EXPECT_EQ(windows[3].label, "day 2 light");
  EXPECT_EQ(windows[4].label, "day 2 dark");
  EXPECT_EQ(windows[4].startMinute, 1830);
  EXPECT_EQ(windows[4].endMinute, 2400);
  EXPECT_TRUE(windows[4].partial);

  // Constant light: whole days from the start, all light.
  t.light.kind = LightKind::kConstantLight;
  t.zt0Minute = 0;
  const auto days = PhaseWindows(t);
  ASSERT_EQ(days.size(), 3u);
  EXPECT_EQ(days[1].label, "day 1 light");
  EXPECT_EQ(days[1].endMinute, 1440);
  EXPECT_EQ(days[2].startMinute, 1440);
  EXPECT_EQ(LightMinutesPerDay(t.light), 1440);
}

}  // namespace
}  // namespace movexa
