// Joins on one time axis into a fresh folder, the ASCII export, and the acquisition's own
// group edition with its save.
#include <gtest/gtest.h>

#include <algorithm>

#include "offline/group_edition.h"
#include "offline/join_export.h"
#include "offline_fixture.h"
#include "project/project_files.h"
#include "reports/circadian.h"
#include "reports/report_generation.h"

namespace movexa {
namespace {

using test::OfflineFixture;

TEST(Join, OffsetsFromTheEarliestStartAndNeverWritesIntoAnExistingFolder) {
  OfflineFixture f;
  fs::path a = f.AddAcquisition("20240319_1000", "first", 0);
  fs::path b = f.AddAcquisition("20240319_1230", "second", 0);
  test::WriteFileOrDie(a / "counts.bin", test::CountsBytes({0, 30}, 5));
  test::WriteFileOrDie(b / "counts.bin", test::CountsBytes({0, 30, 60}, 7) + "torn tail");
  CivilTime now{2024, 3, 20, 9, 15, 0, 0};
  // A run (or an earlier join) of the present minute owns its folder already.
  fs::path taken = f.AddAcquisition("20240320_0915", "running", 0);
  std::string takenCounts = test::CountsBytes({0, 1, 2, 3}, 9);
  test::WriteFileOrDie(taken / "counts.bin", takenCounts);

  // Given newest first, as the browser lists them: joined oldest first all the same.
  std::vector<JoinSource> sources = {{"  > 2024.0319\t ACQ12:30 \"second\"", "20240319_1230"},
                                     {"  > 2024.0319\t ACQ10:00 \"first\"", "20240319_1000"}};
  JoinResult r = JoinAcquisitions(f.project(), sources, now);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.folder, f.project() / "20240320_0916");
  EXPECT_EQ(test::ReadFileOrDie(taken / "counts.bin"), takenCounts);
  std::string joined = test::ReadFileOrDie(r.folder / "counts.bin");
  ASSERT_EQ(joined.size(), 5u * 774);
  EXPECT_EQ(test::GetI32(joined, 0), 0);
  EXPECT_EQ(test::GetI32(joined, 774), 30);
  EXPECT_EQ(test::GetI16(joined, 774 + 4 + 2 * 383), 5);
  EXPECT_EQ(test::GetI32(joined, 2 * 774), 150);
  EXPECT_EQ(test::GetI32(joined, 4 * 774), 210);
  EXPECT_EQ(test::GetI16(joined, 4 * 774 + 4), 7);
  SubprojectRead sub = ParseSubproject(test::ReadFileOrDie(r.folder / "subproj.dat"));
  // The quote rule stores the names' quotes as apostrophes and the Tab as a blank.
  EXPECT_EQ(sub.name,
            "Data Block:   > 2024.0319  ACQ10:00 'first' +   > 2024.0319  ACQ12:30 'second' + ");
  EXPECT_EQ(sub.second, "Joint Files");
  // The torn tail of the second part is left out and said.
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].find("a torn last record of 9 bytes was ignored"), std::string::npos);
}

TEST(Join, ThreePartsInAnyOrderGiveOneForwardTimeAxisAndAReportableAcquisition) {
  OfflineFixture f;
  fs::path a = f.AddAcquisition("20240319_0800", "morning", 0);
  fs::path b = f.AddAcquisition("20240319_1000", "noon", 0);
  fs::path c = f.AddAcquisition("20240319_1300", "afternoon", 0);
  test::WriteFileOrDie(a / "counts.bin", test::CountsBytes({0, 30, 60, 90}, 1));
  test::WriteFileOrDie(b / "counts.bin", test::CountsBytes({0, 30, 60, 90, 120}, 2));
  test::WriteFileOrDie(c / "counts.bin", test::CountsBytes({0, 30, 60}, 3));
  // The earliest part's project name and groups travel with the join.
  std::string setup = test::ReadFileOrDie(a / "setup.dat");
  setup.replace(setup.find("\"Demo\""), 6, "\"Morning set\"");
  test::WriteFileOrDie(a / "setup.dat", setup);
  const std::string groups = test::ReadFileOrDie(a / "chgroup.dat");
  test::WriteFileOrDie(b / "chgroup.dat", "damaged");

  const std::vector<JoinSource> parts = {
      {"m", "20240319_0800"}, {"n", "20240319_1000"}, {"a", "20240319_1300"}};
  const std::vector<int32_t> expectedTimes = {0,   30,  60,  90,        // 08:00
                                              120, 150, 180, 210, 240,  // 10:00
                                              300, 330, 360};           // 13:00
  std::vector<int> order = {0, 1, 2};
  int minute = 0;
  do {
    std::vector<JoinSource> given;
    for (int i : order) given.push_back(parts[static_cast<size_t>(i)]);
    JoinResult r = JoinAcquisitions(f.project(), given, CivilTime{2024, 3, 20, 9, minute++, 0, 0});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.projectFilesFrom, "20240319_0800");
    const std::string joined = test::ReadFileOrDie(r.folder / "counts.bin");
    ASSERT_EQ(joined.size(), expectedTimes.size() * 774);
    for (size_t k = 0; k < expectedTimes.size(); ++k) {
      EXPECT_EQ(test::GetI32(joined, k * 774), expectedTimes[k]) << k;
      EXPECT_EQ(test::GetI16(joined, k * 774 + 4), k < 4 ? 1 : k < 9 ? 2 : 3) << k;
    }
    EXPECT_EQ(ParseSubproject(test::ReadFileOrDie(r.folder / "subproj.dat")).name,
              "Data Block: m + n + a + ");
    EXPECT_EQ(test::ReadFileOrDie(r.folder / "setup.dat"), setup);
    EXPECT_EQ(test::ReadFileOrDie(r.folder / "chgroup.dat"), groups);
    for (const char* file : {"status.dat", "threshld.dat", "groups.dat"})
      EXPECT_EQ(test::ReadFileOrDie(r.folder / file), test::ReadFileOrDie(a / file)) << file;
  } while (std::next_permutation(order.begin(), order.end()));

  // The last join is reported as any recorded acquisition is: 360 minutes in bins of 60.
  const fs::path last = f.project() / "20240320_0905";
  ReportRequest request;
  request.acquisitionFolder = last;
  request.appFolder = f.app();
  request.binText = "60";
  request.autoreport = true;
  FakeHost host;
  ReportOutcome out = GenerateReport(request, host.host);
  ASSERT_EQ(out.status, ReportStatus::kWritten) << out.message << " " << out.detail;
  EXPECT_EQ(out.binMinutes, 60);
  const std::string report = test::ReadFileOrDie(out.reportPath);
  EXPECT_NE(report.find("Data Block: m + n + a + "), std::string::npos);
  // ... exported per well for circadian tools: 6 bins of 60 minutes ...
  CircadianOutcome circadian = ExportCircadian({last, f.app(), "60", true}, host.host);
  ASSERT_EQ(circadian.status, ReportStatus::kWritten) << circadian.message;
  const std::string a1 = test::ReadFileOrDie(last / "000_A1.txt");
  EXPECT_EQ(std::count(a1.begin(), a1.end(), '\n'), 6);
  // ... and drawn with the earliest part's own groups, not stand-ins.
  AcquisitionSnapshot snap = LoadAcquisitionSnapshot(last, f.app());
  EXPECT_TRUE(snap.problems.empty()) << snap.problems.front();
  EXPECT_EQ(snap.settings.Plate_format, "w96f");
}

TEST(Join, RefusedBeforeAnyFolderIsMade) {
  OfflineFixture f;
  fs::path a = f.AddAcquisition("20240319_1000", "four days", 0);
  fs::path b = f.AddAcquisition("20240323_1000", "after", 0);
  // 6,000 records (4.6 MB): more than any text file, a few days of 25-second bins.
  std::vector<int32_t> times(6000);
  for (size_t i = 0; i < times.size(); ++i) times[i] = static_cast<int32_t>(i);
  test::WriteFileOrDie(a / "counts.bin", test::CountsBytes(times, 3));
  test::WriteFileOrDie(b / "counts.bin", test::CountsBytes({0, 1}, 4));
  const CivilTime now{2024, 3, 24, 8, 0, 0, 0};
  std::vector<JoinSource> sources = {{"a", "20240319_1000"}, {"b", "20240323_1000"}};
  JoinResult r = JoinAcquisitions(f.project(), sources, now);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.records, 6002u);
  EXPECT_TRUE(r.notes.empty());
  // A join as a part: named by the moment of its join, its times would be shifted wrongly.
  const std::string joinedName = r.folder.filename().string();
  JoinResult again =
      JoinAcquisitions(f.project(), {{"joined", joinedName}, {"b", "20240323_1000"}}, now);
  EXPECT_FALSE(again.ok);
  EXPECT_NE(again.error.find(joinedName + " is itself a joined acquisition"), std::string::npos)
      << again.error;
  fs::remove_all(r.folder);

  const auto folders = [&] {
    return std::distance(fs::directory_iterator(f.project()), fs::directory_iterator());
  };
  const auto before = folders();
  auto refused = [&](const std::vector<JoinSource>& given, const std::string& why) {
    JoinResult out = JoinAcquisitions(f.project(), given, now);
    EXPECT_FALSE(out.ok) << why;
    EXPECT_NE(out.error.find(why), std::string::npos) << out.error;
    EXPECT_EQ(folders(), before) << why;
  };
  // The same acquisition twice (once every record came twice).
  refused({{"a", "20240319_1000"}, {"b", "20240323_1000"}, {"a again", "20240319_1000"}},
          "given twice");
  refused({{"a", "20240319_1000"}}, "fewer than two");
  // A part that cannot be read.
  fs::rename(b / "counts.bin", b / "counts.old");
  fs::create_directory(b / "counts.bin");
  refused(sources, "counts.bin");
  fs::remove(b / "counts.bin");
  // A part without one whole record: empty, or nothing but a torn record (once joined as if
  // whole with nothing from it).
  test::WriteFileOrDie(b / "counts.bin", "");
  refused(sources, "no whole 774-byte record");
  test::WriteFileOrDie(b / "counts.bin", std::string(500, '\1'));
  refused(sources, "no whole 774-byte record");
  fs::rename(b / "counts.old", b / "counts.bin");
  // Parts of different plates: the second part's channels would be read on the first's map.
  const std::string setupB = test::ReadFileOrDie(b / "setup.dat");
  std::string other = setupB;
  other.replace(other.find("\"w96f\""), 6, "\"w24\"");
  test::WriteFileOrDie(b / "setup.dat", other);
  refused(sources, "different plates");
  test::WriteFileOrDie(b / "setup.dat", setupB);
  // No part holds a setup to carry.
  for (const fs::path& part : {a, b}) {
    fs::remove(part / "setup.dat");
    fs::remove(part / "setup.bak");
  }
  refused(sources, "setup.dat");
}

TEST(AsciiExport, WritesTheWellsSamplesAndLeavesNoPartialFileOnFailure) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "dose", 3);
  f.WriteRawFile(acq, 0, 2);
  SignalView view;
  OpenAcquisitionView(view, acq, f.app(), "header");
  ExportResult r = ExportAscii(f.app() / "datafile.txt", view, "<Project> p00001: Demo");
  ASSERT_TRUE(r.ok) << r.error;
  std::string text = test::ReadFileOrDie(f.app() / "datafile.txt");
  std::vector<int> ch = view.WellChannels();
  std::string first = "\"<Project> p00001: Demo\"\r\n\"" + acq.string() +
                      "\"\r\n\r\nWell: A1 Page[1/1] [#0k-25k]\r\n\r\nA1.0 ";
  EXPECT_EQ(text.substr(0, first.size()), first);
  size_t dataStart = text.find("\r\n", first.size()) + 2;
  std::string line0 = std::to_string(test::SampleValue(ch[0], 0, 0)) + " ";
  EXPECT_EQ(text.substr(dataStart, line0.size()), line0);
  size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  EXPECT_EQ(lines, 6u + 2 * 500);

  ExportResult bad = ExportAscii(f.app() / "no such folder" / "datafile.txt", view, "x");
  EXPECT_FALSE(bad.ok);
  EXPECT_FALSE(bad.error.empty());
  EXPECT_FALSE(fs::exists(f.app() / "no such folder"));
}

TEST(GroupEdition, AutoArrangeClickAndSaveWithBackups) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "x", 1);
  AcquisitionSnapshot snap = LoadAcquisitionSnapshot(acq, f.app());
  snap.settings.channelEnabled.fill(true);
  std::vector<std::string> sets = ArrangementSets(snap.geometry);
  ASSERT_GE(sets.size(), 3u);
  EXPECT_EQ(sets[0], "01x01 [RowsxColumn]");
  EXPECT_NE(std::find(sets.begin(), sets.end(), "02x03 [RowsxColumn]"), sets.end());
  GroupEdition e(snap.settings, snap.geometry, snap.map);
  e.AutoArrange("02x03 [RowsxColumn]");
  // 16 groups of 6 wells: group 0 = A1-A3 and B1-B3, group 1 = C1-C3 and D1-D3.
  auto groupOf = [&](int well) {
    return e.settings().channelGroup[static_cast<size_t>(e.map().FindChannel(well, 0))];
  };
  EXPECT_EQ(groupOf(0), 0);
  EXPECT_EQ(groupOf(1), 0);
  EXPECT_EQ(groupOf(2 * 8 + 1), 0);
  EXPECT_EQ(groupOf(2), 1);
  EXPECT_EQ(groupOf(3 * 8), 4);
  EXPECT_EQ(groupOf(95), 15);
  EXPECT_EQ(e.settings().groupNames[15], "Group15");
  EXPECT_EQ(e.GroupEntries().size(), 17u);
  // Right button frees well B1, left button puts it into group 9.
  const PlateGeometry& g = e.geometry();
  double x = 100 * g.columnOffset + 100 * g.columnPitch * 0.5;
  double y = 100 * g.rowOffset + 100 * g.rowPitch * 1.5;
  EXPECT_EQ(e.ClickWell(x, y, false, 0), 1);
  EXPECT_EQ(groupOf(1), -1);
  EXPECT_EQ(e.ClickWell(x, y, true, 9), 1);
  EXPECT_EQ(groupOf(1), 9);
  EXPECT_TRUE(e.MoveWell("B1.0", -1));
  EXPECT_EQ(groupOf(1), -1);

  std::string oldGroups = test::ReadFileOrDie(acq / "chgroup.dat");
  f.host.clock.Set(CivilTime{2024, 3, 19, 14, 5, 0, 0});
  f.host.dialogs.ExpectQuestion("Do you like to Save Changes?", Dialogs::Answer::kYes)
      .ExpectMessage("New Groups applied and saved");
  ASSERT_TRUE(ExitGroupEdition(acq, e.settings(), f.host.host));
  EXPECT_EQ(test::ReadFileOrDie(acq / "chgroup.bak"), oldGroups);
  EXPECT_EQ(test::ReadFileOrDie(acq / ("chgroup" + FormatDateTime(f.host.clock.Now(), "YYYMMDDhhmm") + ".bak")),
            oldGroups);
  EXPECT_EQ(test::ReadFileOrDie(acq / "chgroup.dat"), FormatChannelGroups(e.settings()));
  EXPECT_EQ(LoadAcquisitionSnapshot(acq, f.app()).settings.channelGroup, e.settings().channelGroup);
  EXPECT_TRUE(f.host.dialogs.Problems().empty());
}

}  // namespace
}  // namespace movexa
