// The offline window driven as an operator drives it: expand a project, open an acquisition,
// page, analyse, export; search; rename and archive; the group edition panel; join.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "../../offline/offline_fixture.h"
#include "main/program_rig.h"
#include "support/ui_test_support.h"
#include "ui/common/picture_box.h"
#include "ui/offline/frm_offline.h"
#include "ui/reports/frm_report.h"

namespace movexa::test {
namespace {

struct WindowRig {
  WindowRig() {
    state.appDir = fixture.app();
    fixture.host.dialogs.Lenient();
  }
  ui::Frm_offline* Open() {
    window = std::make_unique<ui::Frm_offline>(ctx);
    window->show();
    ProcessEvents();
    list = Control<QListWidget>(window.get(), "Listpj");
    return window.get();
  }
  QStringList Lines() const {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
  void Enter(int row) {
    list->setCurrentRow(row);
    QTest::keyClick(list, Qt::Key_Return);
  }
  OfflineFixture fixture;
  AppState state;
  ui::Navigator nav;
  ui::UiContext ctx{state, fixture.host.host, nav, nullptr};
  std::unique_ptr<ui::Frm_offline> window;
  QListWidget* list = nullptr;
};

TEST(OfflineWindow, ExpandOpenPageAnalyseAndExport) {
  WindowRig rig;
  fs::path acq = rig.fixture.AddAcquisition("20240319_1230", "dose", 60);
  for (int f = 0; f < 6; ++f) rig.fixture.WriteRawFile(acq, f, f < 5 ? 11 : 2);
  rig.Open();
  EXPECT_EQ(rig.window->windowTitle().toStdString(),
            "<Movexa> Acquisition Software  --------> Report analysis");
  // Fits a 1024 x 700 screen.
  EXPECT_LE(rig.window->minimumSizeHint().width(), 1024);
  EXPECT_LE(rig.window->minimumSizeHint().height(), 700);
  EXPECT_LE(rig.window->width(), 1024);
  EXPECT_LE(rig.window->height(), 700);
  ASSERT_EQ(rig.Lines().size(), 1);
  EXPECT_EQ(Control<QComboBox>(rig.window.get(), "cmb_modeanalisis")->count(), 4);
  rig.Enter(0);
  ASSERT_EQ(rig.Lines().size(), 2);
  rig.Enter(1);
  EXPECT_EQ(rig.window->view().folder, acq);
  EXPECT_EQ(Control<QLineEdit>(rig.window.get(), "Txtpage")->text(), "1/2");
  EXPECT_EQ(Control<QPushButton>(rig.window.get(), "cmdchannels")->text(), "[Channel Signal]");
  QImage signal = rig.window->picture()->image().copy();

  auto* scroll = Control<QScrollBar>(rig.window.get(), "scrollpage");
  EXPECT_EQ(scroll->maximum(), 2);
  scroll->setValue(2);
  EXPECT_EQ(rig.window->view().page, 2);
  EXPECT_EQ(rig.window->view().LoadedPositions(), 7);  // the run's blocks 50..56
  EXPECT_EQ(Control<QLineEdit>(rig.window.get(), "Txtpage")->text(), "2/2");

  auto* snr = Control<QLineEdit>(rig.window.get(), "frmtxt_threshold");
  Control<QComboBox>(rig.window.get(), "cmb_modeanalisis")->setCurrentIndex(3);
  EXPECT_EQ(snr->text(), "0.8");  // 1.8 is above what the Drosophila method takes
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_analyze"), Qt::LeftButton);
  EXPECT_NE(rig.window->picture()->image(), signal);

  // The exports ask for a file name (proposing the usual one) instead of overwriting it.
  auto& dialogs = rig.fixture.host.dialogs;
  QAction* bmp = rig.window->findChild<QAction*>("bmpexporta");
  ASSERT_NE(bmp, nullptr);
  const fs::path picture = rig.fixture.app() / "dose page 2";  // no extension: a bitmap
  dialogs.ExpectSaveFile("Export the picture", picture.string());
  bmp->trigger();
  EXPECT_EQ(dialogs.shown().back().title, (rig.fixture.app() / "image1.bmp").string());
  EXPECT_EQ(ReadFileOrDie(picture.string() + ".bmp").substr(0, 2), "BM");
  EXPECT_FALSE(fs::exists(rig.fixture.app() / "image1.bmp"));
  dialogs.ExpectSaveFile("Export the raw samples as text", "");  // Cancel
  rig.window->findChild<QAction*>("asciiexporta")->trigger();
  EXPECT_FALSE(fs::exists(rig.fixture.app() / "datafile.txt"));
  dialogs.ExpectSaveFile("Export the raw samples as text",
                         (rig.fixture.app() / "datafile.txt").string());
  rig.window->findChild<QAction*>("asciiexporta")->trigger();
  EXPECT_NE(ReadFileOrDie(rig.fixture.app() / "datafile.txt").find("Page[2/2] [#25k-50k]"),
            std::string::npos);
  const auto& calls = rig.fixture.host.shell.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].target, (rig.fixture.app() / "datafile.txt").string());
  EXPECT_TRUE(dialogs.Problems().empty()) << dialogs.Problems()[0];

  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_leegroups"), Qt::LeftButton);
  EXPECT_EQ(Control<QPushButton>(rig.window.get(), "Cmd_leegroups")->text(), "[Group Activity]");
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_report"), Qt::LeftButton);
  ASSERT_TRUE(rig.window->lastHandOff().has_value());
  EXPECT_EQ(rig.window->lastHandOff()->acquisitionFolder, acq);
  // The only acquisition of the project is no basal of its own.
  EXPECT_EQ(rig.window->lastHandOff()->basalList, (std::vector<std::string>{"-"}));
}

TEST(OfflineWindow, ReportActsOnTheSelectedLineAndProjectLinesLeaveTheViewer) {
  WindowRig rig;
  fs::path a = rig.fixture.AddAcquisition("20240319_1000", "a", 60);
  fs::path b = rig.fixture.AddAcquisition("20240319_1230", "b", 2);
  for (int f = 0; f < 6; ++f) rig.fixture.WriteRawFile(a, f, f < 5 ? 11 : 2);
  rig.Open();
  rig.Enter(0);
  ASSERT_EQ(rig.Lines().size(), 3);  // newest first: b, then a
  rig.Enter(2);
  ASSERT_EQ(rig.window->view().folder, a);
  // b highlighted, a still shown: Report takes b (once a, overwriting a's report).
  rig.list->setCurrentRow(1);
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_report"), Qt::LeftButton);
  ASSERT_TRUE(rig.window->lastHandOff().has_value());
  EXPECT_EQ(rig.window->lastHandOff()->acquisitionFolder, b);
  EXPECT_EQ(rig.window->lastHandOff()->basalList, (std::vector<std::string>{"-", "20240319_1000"}));
  // Two lines highlighted: which one is meant is asked for.
  rig.list->item(2)->setSelected(true);
  rig.fixture.host.dialogs.ExpectMessage(
      "Several lines are selected: select the one acquisition to report.");
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_report"), Qt::LeftButton);
  EXPECT_EQ(rig.window->lastHandOff()->acquisitionFolder, b);

  // The project line collapses the project and leaves the viewer: the page scroll bar no
  // longer reloads a's pages.
  rig.Enter(0);
  EXPECT_FALSE(rig.window->view().viewerMode());
  auto* scroll = Control<QScrollBar>(rig.window.get(), "scrollpage");
  scroll->setValue(2);
  EXPECT_FALSE(rig.window->view().viewerMode());
  EXPECT_EQ(rig.window->view().LoadedPositions(), 0);
  EXPECT_FALSE(Control<QPushButton>(rig.window.get(), "cmdchannels")->isEnabled());
  // Report on the project line: no activity file there.
  rig.list->setCurrentRow(0);
  rig.fixture.host.dialogs.ExpectMessage("Activity file not Found");
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_report"), Qt::LeftButton);
  EXPECT_TRUE(rig.fixture.host.dialogs.Problems().empty())
      << rig.fixture.host.dialogs.Problems()[0];
}

TEST(OfflineWindow, GroupActivityOfDamagedGroupsIsToldAndRecordedCountsCanBeRestored) {
  WindowRig rig;
  fs::path a = rig.fixture.AddAcquisition("20240319_1000", "a", 4);
  const std::string recorded = ReadFileOrDie(a / "counts.bin");
  test::WriteFileOrDie(a / "counts.bin", recorded + "torn");
  rig.Open();
  rig.Enter(0);
  rig.Enter(1);
  auto* groups = Control<QPushButton>(rig.window.get(), "Cmd_leegroups");
  QTest::mouseClick(groups, Qt::LeftButton);
  // The torn tail is said in the description.
  EXPECT_NE(Control<QPlainTextEdit>(rig.window.get(), "txt_description")
                ->toPlainText()
                .indexOf("a torn last record of 4 bytes"),
            -1);

  // Damaged group files: said with the file, nothing drawn with stand-in groups.
  test::WriteFileOrDie(a / "chgroup.dat", "\"header\"\r\n1,abc\r\n");
  rig.Enter(1);
  rig.fixture.host.dialogs.ExpectMessage("");
  QTest::mouseClick(groups, Qt::LeftButton);
  ASSERT_FALSE(rig.fixture.host.dialogs.shown().empty());
  const auto& said = rig.fixture.host.dialogs.shown().back();
  EXPECT_EQ(said.severity, Dialogs::Severity::kWarning);
  EXPECT_EQ(said.text.rfind((a / "chgroup.dat").string(), 0), 0u) << said.text;

  // "Restore recorded counts..." after a re-analysis replaced them.
  test::WriteFileOrDie(a / "counts_recorded.bak", recorded);
  test::WriteFileOrDie(a / "counts.bin", test::CountsBytes({0, 30}, 9));
  rig.list->setCurrentRow(1);
  rig.fixture.host.dialogs.ExpectQuestion("", Dialogs::Answer::kYes).ExpectMessage("");
  rig.window->RestoreRecorded();
  EXPECT_TRUE(ReadFileOrDie(a / "counts.bin") == recorded);
  EXPECT_FALSE(fs::exists(a / "counts_recorded.bak"));
  rig.fixture.host.dialogs.ExpectMessage(
      "This acquisition keeps no recorded counts: its counts.bin was never replaced.");
  rig.window->RestoreRecorded();
  EXPECT_TRUE(rig.fixture.host.dialogs.Problems().empty())
      << rig.fixture.host.dialogs.Problems()[0];
}

TEST(OfflineWindow, SearchRenameArchiveThroughScriptedDialogs) {
  WindowRig rig;
  rig.fixture.AddProject(2, "Heat shock");
  rig.fixture.AddAcquisition("20240319_1230", "larvae", 1);
  fs::path other = rig.fixture.AddAcquisition("20240319_1300", "adults", 1);
  rig.Open();
  ASSERT_EQ(rig.Lines().size(), 2);
  auto* search = Control<QLineEdit>(rig.window.get(), "txt_search");
  search->setText("larvae");
  QTest::keyClick(search, Qt::Key_Return);
  ASSERT_EQ(rig.Lines().size(), 3);  // the Demo project, opened on its acquisitions
  EXPECT_TRUE(rig.Lines()[0].contains("p00001_Demo"));
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "cmd_hide"), Qt::LeftButton);
  EXPECT_EQ(rig.Lines().size(), 2);
  EXPECT_TRUE(search->text().isEmpty());

  rig.Enter(1);  // Demo: newest first, so 13:00 then 12:30
  ASSERT_EQ(rig.Lines().size(), 4);
  // A project path holds no activity file.
  rig.fixture.host.dialogs.ExpectMessage("Activity file not Found");
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_report"), Qt::LeftButton);
  rig.list->setCurrentRow(2);
  rig.fixture.host.dialogs.ExpectInput("Enter Name of acquisition", "grown adults");
  rig.window->RenameLine();
  EXPECT_EQ(rig.list->currentItem()->text().toStdString(),
            "  > 2024.0319\t ACQ13:00 \"grown adults\"");
  rig.fixture.host.dialogs.ExpectQuestion("Remove folder from the list?", Dialogs::Answer::kYes)
      .ExpectQuestion("Files are going to be archived!", Dialogs::Answer::kOk);
  rig.window->ArchiveLine();
  EXPECT_FALSE(fs::exists(other));
  EXPECT_EQ(rig.Lines().size(), 3);
  EXPECT_TRUE(rig.fixture.host.dialogs.Problems().empty());
}

TEST(OfflineWindow, GroupEditionSavesIntoTheAcquisitionAndJoinMakesANewOne) {
  WindowRig rig;
  fs::path a = rig.fixture.AddAcquisition("20240319_1000", "a", 2);
  rig.fixture.AddAcquisition("20240319_1230", "b", 2);
  rig.Open();
  rig.Enter(0);
  rig.list->setCurrentRow(1);
  rig.fixture.host.dialogs.ExpectMessage("Only possible for SubProjects");
  rig.list->setCurrentRow(0);
  rig.window->PlateConfig();
  rig.list->setCurrentRow(2);
  rig.window->PlateConfig();
  auto* sets = Control<QComboBox>(rig.window.get(), "Combo_sets");
  sets->setCurrentIndex(sets->findText("02x03 [RowsxColumn]"));
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "cmd_go"), Qt::LeftButton);
  EXPECT_EQ(Control<QComboBox>(rig.window.get(), "combogrup2")->count(), 17);
  rig.fixture.host.dialogs.ExpectQuestion("Do you like to Save Changes?", Dialogs::Answer::kYes)
      .ExpectMessage("New Groups applied and saved");
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "cmd_exitgroups"), Qt::LeftButton);
  EXPECT_TRUE(fs::exists(a / "chgroup.bak"));
  EXPECT_EQ(rig.window->view().snap.settings.channelGroup[0], 0);

  rig.list->setCurrentRow(1);
  rig.list->item(1)->setSelected(true);
  rig.list->item(2)->setSelected(true);
  rig.fixture.host.dialogs.ExpectQuestion("", Dialogs::Answer::kOk);
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_join"), Qt::LeftButton);
  EXPECT_EQ(rig.Lines().size(), 4);
  EXPECT_TRUE(rig.fixture.host.dialogs.Problems().empty());
}

}  // namespace
}  // namespace movexa::test

namespace movexa::test {
namespace {

TEST(OfflineWindow, ReachedFromTheStartMenuAndReturnsToIt) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  rig.program.startMenu()->RunOption(3);
  auto* offline = rig.program.nav().As<ui::Frm_offline>(ui::WindowId::kOffline);
  ASSERT_NE(offline, nullptr);
  EXPECT_TRUE(offline->isVisible());
  EXPECT_FALSE(rig.program.startMenu()->isVisible());
  EXPECT_EQ(Control<QListWidget>(offline, "Listpj")->count(), 1);  // the demo project

  // "Report" opens the report window on the acquisition, with the project's other acquisitions
  // as basal candidates; closing it returns to the offline window.
  const fs::path acq = rig.state.appDir / "p00001" / "20240319_1230";
  fs::create_directories(acq);
  WriteFileOrDie(acq / "counts.bin", CountsBytes({0, 30}, 5));
  ASSERT_TRUE(offline->OpenAcquisitionFolder(acq));
  QTest::mouseClick(Control<QPushButton>(offline, "Cmd_report"), Qt::LeftButton);
  auto* report = rig.program.nav().Get(ui::WindowId::kReport);
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->isVisible());
  EXPECT_EQ(Control<QLineEdit>(report, "Txt_inputfile")->text().toStdString(), acq.string());
  EXPECT_EQ(Control<QComboBox>(report, "cmbbasal")->count(), 1);  // "-": no other acquisition
  report->close();
  ProcessEvents();
  EXPECT_TRUE(offline->isVisible());

  offline->close();
  ProcessEvents();
  EXPECT_TRUE(rig.program.startMenu()->isVisible());
}

TEST(OfflineWindow, AJoinOfThreeAcquisitionsIsReportedFromTheOfflineWindow) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  rig.fake.dialogs.Lenient(Dialogs::Answer::kOk);
  // The main window's data interval, chosen before: the report window's closing sets it.
  auto* minutes = Control<QComboBox>(rig.program.mainWindow(), "combo_minutes");
  minutes->setCurrentText("120");
  const fs::path project = rig.state.appDir / "p00001";
  const std::vector<std::pair<std::string, std::vector<int32_t>>> parts = {
      {"20240319_0800", {0, 30, 60, 90}},
      {"20240319_1000", {0, 30, 60, 90, 120}},
      {"20240319_1300", {0, 30, 60}}};
  for (const auto& [name, times] : parts) {
    fs::create_directories(project / name);
    for (const char* file :
         {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"})
      fs::copy_file(project / file, project / name / file);
    WriteFileOrDie(project / name / "counts.bin", CountsBytes(times, 4));
  }
  rig.program.startMenu()->RunOption(3);
  auto* offline = rig.program.nav().As<ui::Frm_offline>(ui::WindowId::kOffline);
  ASSERT_NE(offline, nullptr);
  auto* list = Control<QListWidget>(offline, "Listpj");
  offline->ActivateLine(0);
  ASSERT_EQ(list->count(), 4);
  // All three highlighted, newest first as listed: joined oldest first all the same.
  list->setCurrentRow(1);
  for (int row = 1; row <= 3; ++row) list->item(row)->setSelected(true);
  QTest::mouseClick(Control<QPushButton>(offline, "Cmd_join"), Qt::LeftButton);
  ASSERT_EQ(list->count(), 5);
  const std::string joinedLine = list->item(1)->text().toStdString();
  EXPECT_NE(joinedLine.find("Data Block:"), std::string::npos) << joinedLine;

  // The joined acquisition alone highlighted, then "Report" and "Generate...".
  list->setCurrentRow(1);
  QTest::mouseClick(Control<QPushButton>(offline, "Cmd_report"), Qt::LeftButton);
  auto* report = rig.program.nav().As<ui::Frm_Report>(ui::WindowId::kReport);
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(report->isVisible());
  const fs::path joined =
      fs::path(Control<QLineEdit>(report, "Txt_inputfile")->text().toStdString());
  EXPECT_EQ(joined.parent_path(), project);
  EXPECT_EQ(Control<QComboBox>(report, "cmbbasal")->count(), 4);  // "-" and the three parts
  Control<QComboBox>(report, "Cmb_binsize")->setCurrentText("60");
  QTest::mouseClick(Control<QPushButton>(report, "Cmd_generate"), Qt::LeftButton);
  ASSERT_EQ(report->lastOutcome().status, ReportStatus::kWritten)
      << report->lastOutcome().message << " " << report->lastOutcome().detail;
  const std::string written = ReadFileOrDie(report->lastOutcome().reportPath);
  // Six hours of bins (08:00 to 14:00) from one forward time axis.
  EXPECT_NE(written.find(",60,120,180,240,300,360\r\n"), std::string::npos)
      << written.substr(0, 600);

  report->close();
  ProcessEvents();
  EXPECT_EQ(minutes->currentText(), "30");  // the report bin, as when the main window opened it
}

}  // namespace
}  // namespace movexa::test
