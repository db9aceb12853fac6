// The offline window driven as an operator drives it: expand a project, open an acquisition,
// page, analyse, export; search; rename and archive; the group edition panel; join.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "../../offline/offline_fixture.h"
#include "support/ui_test_support.h"
#include "ui/common/picture_box.h"
#include "ui/offline/frm_offline.h"
#include "main/program_rig.h"

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
  EXPECT_EQ(rig.window->view().LoadedPositions(), 2);
  EXPECT_EQ(Control<QLineEdit>(rig.window.get(), "Txtpage")->text(), "2/2");

  auto* snr = Control<QLineEdit>(rig.window.get(), "frmtxt_threshold");
  Control<QComboBox>(rig.window.get(), "cmb_modeanalisis")->setCurrentIndex(3);
  EXPECT_EQ(snr->text(), "0.8");  // 1.8 is above what the Drosophila method takes
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_analyze"), Qt::LeftButton);
  EXPECT_NE(rig.window->picture()->image(), signal);

  QAction* bmp = rig.window->findChild<QAction*>("bmpexporta");
  ASSERT_NE(bmp, nullptr);
  bmp->trigger();
  EXPECT_EQ(ReadFileOrDie(rig.fixture.app() / "image1.bmp").substr(0, 2), "BM");
  rig.window->findChild<QAction*>("asciiexporta")->trigger();
  EXPECT_TRUE(fs::exists(rig.fixture.app() / "datafile.txt"));
  const auto& calls = rig.fixture.host.shell.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].target, (rig.fixture.app() / "datafile.txt").string());

  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_leegroups"), Qt::LeftButton);
  EXPECT_EQ(Control<QPushButton>(rig.window.get(), "Cmd_leegroups")->text(), "[Group Activity]");
  QTest::mouseClick(Control<QPushButton>(rig.window.get(), "Cmd_report"), Qt::LeftButton);
  ASSERT_TRUE(rig.window->lastHandOff().has_value());
  EXPECT_EQ(rig.window->lastHandOff()->basalList,
            (std::vector<std::string>{"-", "20240319_1230"}));
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

  // "Report" opens the report window on the acquisition, with the project's acquisitions as
  // basal candidates; closing it returns to the offline window.
  const fs::path acq = rig.state.appDir / "p00001" / "20240319_1230";
  fs::create_directories(acq);
  WriteFileOrDie(acq / "counts.bin", CountsBytes({0, 30}, 5));
  ASSERT_TRUE(offline->OpenAcquisitionFolder(acq));
  QTest::mouseClick(Control<QPushButton>(offline, "Cmd_report"), Qt::LeftButton);
  auto* report = rig.program.nav().Get(ui::WindowId::kReport);
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->isVisible());
  EXPECT_EQ(Control<QLineEdit>(report, "Txt_inputfile")->text().toStdString(), acq.string());
  EXPECT_EQ(Control<QComboBox>(report, "cmbbasal")->count(), 2);
  report->close();
  ProcessEvents();
  EXPECT_TRUE(offline->isVisible());

  offline->close();
  ProcessEvents();
  EXPECT_TRUE(rig.program.startMenu()->isVisible());
}

}  // namespace
}  // namespace movexa::test
