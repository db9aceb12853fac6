// Joins on one time axis into a fresh folder, the ASCII export, and the acquisition's own
// group edition with its save.
#include <gtest/gtest.h>

#include "offline/group_edition.h"
#include "offline/join_export.h"
#include "offline_fixture.h"
#include "project/project_files.h"

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

  std::vector<JoinSource> sources = {{"  > 2024.0319\t ACQ12:30 \"second\"", "20240319_1230"},
                                     {"  > 2024.0319\t ACQ10:00 \"first\"", "20240319_1000"}};
  JoinResult r = JoinAcquisitions(f.project(), sources, now);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.folder, f.project() / "20240320_0916");
  EXPECT_EQ(test::ReadFileOrDie(taken / "counts.bin"), takenCounts);
  std::string joined = test::ReadFileOrDie(r.folder / "counts.bin");
  ASSERT_EQ(joined.size(), 5u * 774);
  EXPECT_EQ(test::GetI32(joined, 0), 150);
  EXPECT_EQ(test::GetI32(joined, 2 * 774), 210);
  EXPECT_EQ(test::GetI16(joined, 2 * 774 + 4), 7);
  EXPECT_EQ(test::GetI32(joined, 3 * 774), 0);
  EXPECT_EQ(test::GetI32(joined, 4 * 774), 30);
  EXPECT_EQ(test::GetI16(joined, 4 * 774 + 4 + 2 * 383), 5);
  SubprojectRead sub = ParseSubproject(test::ReadFileOrDie(r.folder / "subproj.dat"));
  // The quote rule stores the names' quotes as apostrophes and the Tab as a blank.
  EXPECT_EQ(sub.name, "Data Block:   > 2024.0319  ACQ12:30 'second' +   > 2024.0319  ACQ10:00 'first' + ");
  EXPECT_EQ(sub.second, "Joint Files");
}

TEST(Join, TakesMultiDayAcquisitionsWholeAndRefusesAnUnreadableOne) {
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
  EXPECT_TRUE(r.unreadable.empty());

  // A part that cannot be read ends the join before any folder is made.
  fs::remove(b / "counts.bin");
  fs::create_directory(b / "counts.bin");
  const auto before = std::distance(fs::directory_iterator(f.project()), fs::directory_iterator());
  JoinResult refused = JoinAcquisitions(f.project(), sources, now);
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.error.find("counts.bin"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(f.project()), fs::directory_iterator()), before);
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
                      "\"\r\n\r\nWell: A1 Page[1/1] [#0k-27.5k]\r\n\r\nA1.0 ";
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
