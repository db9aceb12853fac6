// Acquisition browser: line texts and their read-back, listing rules, order, search, renames,
// archiving and the watched folders.
#include <gtest/gtest.h>

#include "acquisition/recorder_lock.h"
#include "offline/acquisition_browser.h"
#include "offline/report_handoff.h"
#include "offline_fixture.h"

namespace movexa {
namespace {

using test::OfflineFixture;

TEST(AcquisitionBrowser, LinesListOnlyAcquisitionsWithCountsAndReadBackTheirFolders) {
  OfflineFixture f;
  f.AddProject(2, "Empty one");
  f.AddAcquisition("20240319_1230", "dose A", 3);
  f.AddAcquisition("20240318_0905", "", 2);
  f.AddAcquisition("20240320_0800", "no counts", -1);       // never listed, never basal
  f.AddAcquisition("20240320_0800_2", "same minute", 1);    // suffix of a second run
  f.AddAcquisition("20240101_0000removed202401011200", "old", 1);  // archived
  AcquisitionBrowser b(f.app());
  b.Open(f.host.host);
  ASSERT_EQ(b.LineTexts(), (std::vector<std::string>{"+         \tp00002_Empty one",
                                                     "+ 2024.0318\tp00001_Demo"}));
  b.ToggleExpanded(1, f.host.host);
  std::vector<std::string> expected = {"+         \tp00002_Empty one", "+ 2024.0318\tp00001_Demo",
                                       "  > 2024.0320\t ACQ08:00_2 \"same minute\"",
                                       "  > 2024.0319\t ACQ12:30 \"dose A\"",
                                       "  > 2024.0318\t ACQ09:05 \"\""};
  EXPECT_EQ(b.LineTexts(), expected);
  EXPECT_EQ(FolderNameFromLine(expected[2]), "20240320_0800_2");
  EXPECT_EQ(FolderNameFromLine(expected[3]), "20240319_1230");
  EXPECT_EQ(FolderNameFromLine(expected[1]), std::nullopt);
  EXPECT_EQ(ProjectIdFromLine(expected[1]), "p00001");
  EXPECT_EQ(b.AcquisitionFolderOf(4), f.project() / "20240318_0905");
  EXPECT_FALSE(IsAcquisitionFolderName("20240101_0000removed"));
  EXPECT_FALSE(IsAcquisitionFolderName("20241301_0000"));

  // Oldest first on an acquisition line lists only that project's acquisitions.
  b.FlipOrder(3, f.host.host);
  EXPECT_EQ(b.OrderLabel(), "v");
  EXPECT_EQ(b.LineTexts().front(), expected[4]);
  EXPECT_EQ(b.lines().size(), 3u);

  ReportHandOff r = MakeReportHandOff(f.project() / "20240319_1230", f.app(), "Report");
  ASSERT_TRUE(r.ok);
  // The project's other acquisitions, never the reported one itself, shown as the browser
  // shows them.
  EXPECT_EQ(r.basalList, (std::vector<std::string>{"-", "20240320_0800_2", "20240318_0905"}));
  EXPECT_EQ(r.basalLabels, (std::vector<std::string>{"-", "2024.0320  ACQ08:00_2 \"same minute\"",
                                                     "2024.0318  ACQ09:05 \"\""}));
  EXPECT_EQ(MakeReportHandOff(f.project(), f.app(), "Report").message, "Activity file not Found");
}

TEST(AcquisitionBrowser, SearchTermsNarrowAndQuotedPhrasesStayWhole) {
  EXPECT_EQ(SplitSearchTerms("larvae \"heat shock\"  x"),
            (std::vector<std::string>{"larvae", "heat shock", "x"}));
  EXPECT_EQ(SplitSearchTerms("a b c d e f g h i j k"),
            (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j k"}));
  OfflineFixture f;
  f.AddProject(2, "Heat shock");
  f.AddAcquisition("20240319_1230", "larvae dose", 1);
  f.AddAcquisition("20240319_1230", "larvae control", 1, 2);
  AcquisitionBrowser b(f.app());
  b.Open(f.host.host);
  b.Search("LARVAE dose", f.host.host);
  EXPECT_EQ(b.LineTexts(), (std::vector<std::string>{"+ 2024.0319\tp00001_Demo",
                                                     "  > 2024.0319\t ACQ12:30 \"larvae dose\""}));
  b.Search("\"heat shock\"", f.host.host);
  ASSERT_EQ(b.lines().size(), 1u);
  EXPECT_EQ(b.lines()[0].projectId, "p00002");
  b.Search("demo heat", f.host.host);
  EXPECT_TRUE(b.lines().empty());
  b.Search("", f.host.host);
  EXPECT_EQ(b.lines().size(), 2u);
  EXPECT_FALSE(b.searching());
}

TEST(AcquisitionBrowser, ArchiveRenamesWithDateSuffixAndNeverReplaces) {
  EXPECT_EQ(ArchivePath("/a/p00001/20240319_1230", CivilTime{2024, 3, 19, 14, 5, 9, 0}),
            fs::path("/a/p00001/20240319_1230removed202403191409"));
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "x", 1);
  AcquisitionBrowser b(f.app());
  b.Open(f.host.host);
  b.ToggleExpanded(0, f.host.host);
  f.host.clock.Set(CivilTime{2024, 3, 19, 14, 5, 9, 0});
  // An entry of the archive name exists already: refused, nothing moved or replaced.
  fs::create_directories(ArchivePath(acq, f.host.clock.Now()));
  f.host.dialogs.ExpectQuestion("Remove folder from the list?", Dialogs::Answer::kYes)
      .ExpectQuestion("Files are going to be archived!", Dialogs::Answer::kOk)
      .ExpectMessage("Error");
  EXPECT_FALSE(b.Archive(1, f.host.host));
  EXPECT_TRUE(fs::exists(acq / "counts.bin"));
  fs::remove(ArchivePath(acq, f.host.clock.Now()));
  f.host.dialogs.ExpectQuestion("Remove folder from the list?", Dialogs::Answer::kYes)
      .ExpectQuestion("Files are going to be archived!", Dialogs::Answer::kOk);
  EXPECT_TRUE(b.Archive(1, f.host.host));
  EXPECT_TRUE(fs::exists(ArchivePath(acq, f.host.clock.Now()) / "counts.bin"));
  EXPECT_EQ(b.lines().size(), 1u);
  f.host.dialogs.ExpectMessage("Remove function only available for subprojects");
  EXPECT_FALSE(b.Archive(0, f.host.host));
  EXPECT_TRUE(f.host.dialogs.Problems().empty()) << f.host.dialogs.Problems().front();
}

// The acquisition a recorder writes into is never moved or renamed: Delete (archive) and Rename
// refuse it with a message that names it, before any question, and nothing changes; once the
// recorder lets go both work. The archive used to move the folder from under the recorder,
// which then lost its later bins.
TEST(AcquisitionBrowser, TheAcquisitionBeingRecordedIsNeitherArchivedNorRenamed) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "night run", 1);
  fs::path other = f.AddAcquisition("20240318_0900", "earlier", 1);
  RecorderLock recorder;
  std::string error;
  ASSERT_TRUE(recorder.Acquire(f.app(), error)) << error;
  ASSERT_TRUE(recorder.Describe(acq, "night run"));
  AcquisitionBrowser b(f.app());
  b.Open(f.host.host);
  b.ToggleExpanded(0, f.host.host);
  const int line = b.Find("  > 2024.0319\t ACQ12:30 \"night run\"");
  ASSERT_GE(line, 0);
  const std::string refusal =
      "The acquisition \"night run\" (" + acq.string() +
      ") is being recorded now: it cannot be archived, deleted or renamed until its run is "
      "stopped.";
  f.host.dialogs.ExpectMessage(refusal).ExpectMessage(refusal);
  EXPECT_FALSE(b.Archive(line, f.host.host));
  EXPECT_FALSE(b.Rename(line, f.host.host));
  EXPECT_TRUE(fs::exists(acq / "counts.bin"));
  EXPECT_FALSE(fs::exists(acq / "subproj.bak"));
  // The core operation refuses it too, whoever calls it.
  std::string why;
  EXPECT_FALSE(ArchiveAcquisition(acq, f.host.clock.Now(), &why));
  EXPECT_EQ(why, refusal);
  // Another acquisition of the project is not held.
  EXPECT_FALSE(RecordingInto(other).has_value());
  EXPECT_TRUE(ArchiveAcquisition(other, f.host.clock.Now()));
  // A recorder that holds the lock without naming its folder may be writing into any.
  fs::path third = f.AddAcquisition("20240317_0800", "third", 1);
  ASSERT_TRUE(recorder.Describe("", ""));
  EXPECT_TRUE(RecordingInto(third).has_value());
  recorder.Release();
  EXPECT_FALSE(FindActiveRecording(f.app()).has_value());
  EXPECT_FALSE(RecordingInto(third).has_value());
  f.host.dialogs.ExpectQuestion("Remove folder from the list?", Dialogs::Answer::kYes)
      .ExpectQuestion("Files are going to be archived!", Dialogs::Answer::kOk);
  EXPECT_TRUE(b.Archive(b.Find("  > 2024.0319\t ACQ12:30 \"night run\""), f.host.host));
  EXPECT_TRUE(f.host.dialogs.Problems().empty()) << f.host.dialogs.Problems().front();
}

TEST(AcquisitionBrowser, RenameGoesThroughTheProjectStoreWithBackup) {
  OfflineFixture f;
  fs::path acq = f.AddAcquisition("20240319_1230", "old name", 1);
  AcquisitionBrowser b(f.app());
  b.Open(f.host.host);
  b.ToggleExpanded(0, f.host.host);
  f.host.dialogs.ExpectInput("Enter Name of acquisition", "new name");
  ASSERT_TRUE(b.Rename(1, f.host.host));
  EXPECT_EQ(b.lines()[1].text, "  > 2024.0319\t ACQ12:30 \"new name\"");
  EXPECT_TRUE(fs::exists(acq / "subproj.bak"));
  f.host.dialogs.ExpectInput("Enter Name of project", "Renamed");
  ASSERT_TRUE(b.Rename(0, f.host.host));
  EXPECT_EQ(b.lines()[0].text, "+ 2024.0319\tp00001_Renamed");
}

TEST(AcquisitionBrowser, FoldviewKeepsOnlyExistingFolders) {
  OfflineFixture f;
  fs::create_directories(f.app() / "w1");
  test::WriteFileOrDie(f.app() / "foldview.dat", (f.app() / "w1").string() + "\r\n" +
                                                     (f.app() / "missing").string() + "\r\n" +
                                                     f.app().string() + "\r\n");
  auto captions = ReadFoldview(f.app());
  EXPECT_EQ(captions[0], (f.app() / "w1").string());
  EXPECT_EQ(captions[1], "_folder2");
  EXPECT_EQ(captions[2], f.app().string());
  EXPECT_EQ(captions[3], "_folder4");
  EXPECT_EQ(captions[4], "_folder5");
  AcquisitionBrowser b(f.app());
  b.Open(f.host.host);
  f.host.dialogs.ExpectInput("Write folder to watch:", (f.app() / "nowhere").string());
  EXPECT_FALSE(b.SetWatchedFolder(3, f.host.host));
  f.host.dialogs.ExpectInput("Write folder to watch:", (f.app() / "p00001").string());
  EXPECT_TRUE(b.SetWatchedFolder(3, f.host.host));
  EXPECT_EQ(ReadFoldview(f.app())[3], (f.app() / "p00001").string());
  EXPECT_EQ(ReadFoldview(f.app())[0], (f.app() / "w1").string());
}

}  // namespace
}  // namespace movexa
