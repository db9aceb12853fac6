// The report window over the small fixed acquisition: reports in every layout equal to those of
// movexa-cli with the same options, the offer to open the report and show its folder, the basal
// report with each zero-basal answer, and the raw data panel with STOP.
#include "ui/reports/frm_report.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <cstdlib>

#include "acquisition/counts_record.h"
#include "offline/report_handoff.h"
#include "report_window_rig.h"
#include "ui/support/ui_test_support.h"

namespace movexa::ui {
namespace {

using test::Control;
using test::ReadFileOrDie;

std::string RunCli(const std::string& arguments, const std::filesystem::path& log) {
  const std::string cli = std::string(MOVEXA_BINARY_DIR) + "/src/cli/movexa-cli";
  const std::string command = cli + " " + arguments + " >'" + log.string() + "' 2>&1 </dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::string() : ReadFileOrDie(log);
}

// Clicks where an operator clicks: on a box's or option's indicator, on a button's middle.
void Click(QWidget* w) {
  const bool indicator = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
  QTest::mouseClick(w, Qt::LeftButton, {},
                    indicator ? QPoint(6, w->height() / 2) : w->rect().center());
}

TEST(ReportWindow, EveryLayoutEqualsTheCommandLineReportAndTheReportIsOffered) {
  test::ReportWindowRig rig;
  Frm_Report w(rig.ctx);
  w.OpenFor(rig.acq.folder, {});
  EXPECT_EQ(Control<QLineEdit>(&w, "Txt_inputfile")->text().toStdString(), rig.acq.folder.string());
  EXPECT_EQ(Control<QComboBox>(&w, "Cmb_binsize")->currentText(), "30");

  struct Case {
    int fileType, layout;
    const char* bin;
    const char* separator;  // typed over the one the file type puts in the box
    std::vector<int> statistics;
    std::string flags;
  };
  const std::vector<Case> cases = {
      {0, 0, "30", nullptr, {2, 4}, "--file-type csv --layout rows --statistics error,n"},
      {1,
       1,
       "15",
       nullptr,
       {2, 3, 4},
       "--file-type txt --separator ' ' --layout list --statistics error,dev,n --bin 15"},
      {0, 2, "30", ";", {}, "--file-type csv --separator ';' --layout warray --statistics none"},
      {1,
       3,
       "60",
       "\t",
       {3},
       "--file-type txt --separator '\t' --layout charray --statistics dev --bin 60"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    Click(Control<QRadioButton>(&w, ("Option_report_" + std::to_string(c.fileType)).c_str()));
    EXPECT_EQ(Control<QLineEdit>(&w, "txt_customspacer")->text(), c.fileType == 0 ? "," : " ");
    if (c.separator) Control<QLineEdit>(&w, "txt_customspacer")->setText(c.separator);
    Click(Control<QRadioButton>(&w, ("Option_output_" + std::to_string(c.layout)).c_str()));
    for (int box : {2, 3, 4}) {
      const bool wanted =
          std::find(c.statistics.begin(), c.statistics.end(), box) != c.statistics.end();
      Control<QCheckBox>(&w, ("Chk_statistic_" + std::to_string(box)).c_str())->setChecked(wanted);
    }
    Control<QComboBox>(&w, "Cmb_binsize")->setCurrentText(c.bin);
    Click(Control<QPushButton>(&w, "Cmd_generate"));
    ASSERT_EQ(w.lastOutcome().status, ReportStatus::kWritten) << w.lastOutcome().message;
    const auto report = w.lastOutcome().reportPath;
    EXPECT_EQ(report.filename(), c.fileType == 0 ? "report.csv" : "report.txt");
    const std::string fromWindow = ReadFileOrDie(report);
    std::filesystem::remove(report);
    const std::string failure = RunCli("report --app-dir '" + rig.acq.app.string() + "' " +
                                           c.flags + " '" + rig.acq.folder.string() + "'",
                                       rig.dir / "cli.log");
    ASSERT_EQ(failure, "");
    EXPECT_EQ(test::Normalised(fromWindow, rig.acq.folder),
              test::Normalised(ReadFileOrDie(report), rig.acq.folder));
    std::filesystem::remove(report);
  }
  // The report was opened as its type asks, and can be opened again and shown in its folder.
  const auto& calls = rig.fake.shell.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].verb, "open");
  EXPECT_EQ(calls[1].verb, "text");
  Click(Control<QPushButton>(&w, "cmd_showfolder"));
  Click(Control<QPushButton>(&w, "cmd_openreport"));
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[4].verb, "show");
  EXPECT_EQ(calls[5].verb, "text");
  EXPECT_EQ(calls[5].target, (rig.acq.folder / "report.txt").string());

  // Closing hands the configured bin to the main window's data interval and clears the basal list.
  rig.state.main.dataInterval = "15";
  Click(Control<QPushButton>(&w, "Cmd_cancel"));
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(rig.state.main.dataInterval, "30");
  EXPECT_EQ(Control<QComboBox>(&w, "cmbbasal")->count(), 0);
  // "Show my report" without counts.bin in the last run's folder.
  rig.fake.dialogs.ExpectMessage("Activity file not Found");
  EXPECT_FALSE(w.ShowMyReport("60", rig.dir / "nowhere"));
  EXPECT_EQ(rig.Problem(), "");
}

TEST(ReportWindow, BasalReportWithEachZeroBasalAnswer) {
  test::ReportWindowRig rig;
  std::vector<int32_t> times;
  for (int t = 0; t < 36; ++t) times.push_back(t);
  // The basal acquisition: well A1 (channels 0 and 1) without activity.
  test::MakeAcquisition(rig.dir.path(), "20240319_0900", test::Records(times, [](int c, int) {
                          return c < 2 ? int16_t{0} : int16_t{2};
                        }));
  test::WriteFileOrDie(rig.acq.folder.parent_path() / "20240319_0900" / "subproj.dat",
                       "\"untreated\"\r\n");
  Frm_Report w(rig.ctx);
  // As the acquisition browser hands it over: the project's other acquisitions (never the
  // reported one itself), shown with their experiment names.
  w.OpenFor(MakeReportHandOff(rig.acq.folder, rig.acq.app, "Report"));
  auto* basal = Control<QComboBox>(&w, "cmbbasal");
  ASSERT_EQ(basal->count(), 2);
  EXPECT_EQ(basal->currentText(), "-");
  EXPECT_EQ(basal->itemText(1), "2024.0319  ACQ09:00 \"untreated\"");
  basal->setCurrentIndex(1);

  const std::string proceed = "You have 1 BASAL WELLS with 0 activity. Proceed anyway??";
  std::vector<std::string> reports;
  for (auto answer : {Dialogs::Answer::kYes, Dialogs::Answer::kNo, Dialogs::Answer::kCancel}) {
    rig.fake.dialogs.ExpectMessage("");  // the groups in use
    rig.fake.dialogs.ExpectQuestion(proceed, Dialogs::Answer::kYes);
    rig.fake.dialogs.ExpectQuestion("", answer);
    if (answer == Dialogs::Answer::kCancel) rig.fake.dialogs.ExpectMessage("");
    Click(Control<QPushButton>(&w, "Cmd_generate"));
    ASSERT_EQ(w.lastOutcome().status, ReportStatus::kWritten) << rig.Problem();
    EXPECT_TRUE(w.lastOutcome().basal);
    reports.push_back(test::Normalised(ReadFileOrDie(w.lastOutcome().reportPath), rig.acq.folder));
    EXPECT_NE(reports.back().find("\"***DATA AS % OF BASAL ACTIVITY***\""), std::string::npos);
    EXPECT_NE(reports.back().find("\"TIME0(BASAL MEASSURE):\",\"20240319_0900\""),
              std::string::npos);
  }
  EXPECT_EQ(rig.fake.dialogs.Messages().back().substr(0, 27), "ERROR in 2 BASAL channels.\r");
  // Largest activity as basal, the plate's basal average, or the well discarded: three reports.
  EXPECT_NE(reports[0], reports[1]);
  EXPECT_NE(reports[1], reports[2]);
  EXPECT_NE(reports[0].find("A1,\"000_Control\""), std::string::npos);
  EXPECT_NE(reports[2].find("A1,\"999_Free\""), std::string::npos);

  EXPECT_EQ(rig.Problem(), "");
}

// Raw files of `records` blocks of a steady signal, 11 blocks to a file.
void WriteRaw(const std::filesystem::path& folder, int records) {
  std::string block;
  for (int64_t i = 0; i < kDefaultRawBlockBytes / 2; ++i)
    block += std::string("\xD0\x07", 2);  // 2000
  for (int r = 0; r < records; ++r) {
    const auto file = folder / (std::to_string(r / kBlocksPerRawFile) + ".bin");
    const std::string before = r % kBlocksPerRawFile == 0 ? std::string() : ReadFileOrDie(file);
    test::WriteFileOrDie(file, before + block);
  }
}

TEST(ReportWindow, RawPanelStopLeavesCountsAndSetupUntouchedThenRunsToItsReport) {
  test::ReportWindowRig rig(test::RegularRecords(12));
  Frm_Report w(rig.ctx);
  w.OpenFor(rig.acq.folder, {});
  auto* panel = Control<QWidget>(&w, "Frame_run");
  auto* analyze = Control<QAction>(&w, "mnrecalculate");
  rig.fake.dialogs.ExpectMessage("Real Time Data Not Found");
  analyze->trigger();
  EXPECT_TRUE(panel->isHidden());
  WriteRaw(rig.acq.folder, 12);
  analyze->trigger();
  EXPECT_FALSE(panel->isHidden());
  EXPECT_LE(w.minimumSizeHint().height(), 700);  // fits 1024 x 700 with the panel open
  EXPECT_LE(w.minimumSizeHint().width(), 1024);

  // The organism sets method and threshold; a threshold outside its range is reset.
  auto* organism = Control<QComboBox>(&w, "Cmb_organism");
  auto* threshold = Control<QLineEdit>(&w, "frmtxt_threshold");
  organism->setCurrentIndex(3);
  emit organism->activated(3);
  EXPECT_EQ(Control<QComboBox>(&w, "Cmb_dspmethod")->currentIndex(), 3);
  EXPECT_EQ(threshold->text(), "0.8");
  organism->setCurrentIndex(0);
  emit organism->activated(0);
  threshold->setText("2,5");
  emit threshold->editingFinished();
  EXPECT_EQ(threshold->text(), "2.5");

  auto* replace = Control<QCheckBox>(&w, "Chk_replacedata");
  auto* lapse = Control<QLineEdit>(&w, "frmtxt_datalapse");
  Click(replace);
  EXPECT_FALSE(lapse->isEnabled());
  const std::string counts = ReadFileOrDie(rig.acq.folder / "counts.bin");
  const std::string setup = ReadFileOrDie(rig.acq.folder / "setup.dat");
  auto* stop = Control<QPushButton>(&w, "cmd_stopframe");
  rig.fake.pacer.OnPump([&] { Click(stop); });
  rig.fake.dialogs.ExpectQuestion("", Dialogs::Answer::kYes);  // replace the counts?
  Click(Control<QPushButton>(&w, "cmd_runframe"));
  EXPECT_EQ(w.lastOutcome().status, ReportStatus::kStopped);
  EXPECT_EQ(Control<QLabel>(&w, "frmlbl_status")->text(), "Block 1/12");
  EXPECT_EQ(ReadFileOrDie(rig.acq.folder / "counts.bin"), counts);
  EXPECT_EQ(ReadFileOrDie(rig.acq.folder / "setup.dat"), setup);
  EXPECT_FALSE(std::filesystem::exists(rig.acq.folder / "setup.bak"));
  EXPECT_FALSE(std::filesystem::exists(rig.acq.folder / "report.csv"));
  EXPECT_FALSE(stop->isEnabled());

  // "Export Raw" clears "Replace old data" and asks for 533 hours; the run then completes.
  rig.fake.pacer.OnPump({});
  Click(Control<QCheckBox>(&w, "Chk_rawexport"));
  EXPECT_FALSE(replace->isChecked());
  EXPECT_EQ(lapse->text(), "533");
  EXPECT_TRUE(lapse->isEnabled());
  Click(Control<QPushButton>(&w, "cmd_runframe"));
  ASSERT_EQ(w.lastOutcome().status, ReportStatus::kWritten) << w.lastOutcome().message;
  EXPECT_EQ(Control<QLabel>(&w, "frmlbl_status")->text(), "Block 12/12");
  EXPECT_NE(ReadFileOrDie(w.lastOutcome().reportPath).find("[SNR=2.5]"), std::string::npos);
  EXPECT_EQ(ReadFileOrDie(rig.acq.folder / "counts.bin"), counts);

  // "1 file/well Report" without the time field: one file per channel and "time.txt".
  rig.fake.dialogs.ExpectQuestion("Do you like to Export 384 text files?", Dialogs::Answer::kYes)
      .ExpectQuestion("Include time field?", Dialogs::Answer::kNo);
  Control<QAction>(&w, "mncircadian")->trigger();
  EXPECT_EQ(ReadFileOrDie(rig.acq.folder / "time.txt"), "660\r\n");  // one bin of the 11 minutes
  EXPECT_EQ(Control<QComboBox>(&w, "Cmb_binsize")->currentText(), "11");
  EXPECT_EQ(rig.Problem(), "");
}

TEST(ReportWindow, StaysOverItsOpenerOnScreenTakesTypedBinsAndSaysWhatWentWrong) {
  test::ReportWindowRig rig;
  QWidget* opener = nullptr;
  rig.nav.Register(WindowId::kOffline, [&] {
    opener = new QWidget;
    opener->resize(900, 600);
    return opener;
  });
  rig.nav.Show(WindowId::kOffline);
  Frm_Report w(rig.ctx);
  w.OpenFor(rig.acq.folder, {}, "Report", WindowId::kOffline);
  test::ProcessEvents();
  // Transient for the window that opened it, and whole on the screen.
  ASSERT_NE(w.windowHandle(), nullptr);
  EXPECT_EQ(w.windowHandle()->transientParent(), opener->windowHandle());
  const QRect screen = w.screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(w.frameGeometry()))
      << w.frameGeometry().x() << "," << w.frameGeometry().y();
  EXPECT_LE(w.frameGeometry().width(), 1024);
  EXPECT_LE(w.frameGeometry().height(), 700);

  // A typed bin of 2 is a bin of 2 (once 240 when the box lost focus).
  QApplication::setActiveWindow(&w);
  auto* bins = Control<QComboBox>(&w, "Cmb_binsize");
  bins->setFocus();
  bins->lineEdit()->selectAll();
  QTest::keyClicks(bins, "2");
  Control<QLineEdit>(&w, "txt_customspacer")->setFocus();
  EXPECT_EQ(bins->currentText().toStdString(), "2");
  Click(Control<QPushButton>(&w, "Cmd_generate"));
  ASSERT_EQ(w.lastOutcome().status, ReportStatus::kWritten) << w.lastOutcome().message;
  EXPECT_EQ(w.lastOutcome().binMinutes, 2);

  // A torn last record is said under the result, not only in the hidden raw panel.
  const std::string counts = ReadFileOrDie(rig.acq.folder / "counts.bin");
  test::WriteFileOrDie(rig.acq.folder / "counts.bin", counts + "xyz");
  Click(Control<QPushButton>(&w, "Cmd_generate"));
  EXPECT_NE(Control<QLabel>(&w, "lblresult")->text().indexOf("a torn last record of 3 bytes"), -1)
      << Control<QLabel>(&w, "lblresult")->text().toStdString();

  // A failure says why and what to do, as a problem (warning icon).
  test::WriteFileOrDie(rig.acq.folder / "counts.bin", counts.substr(0, 774));
  rig.fake.dialogs.ExpectMessage("");
  Click(Control<QPushButton>(&w, "Cmd_generate"));
  ASSERT_FALSE(rig.fake.dialogs.shown().empty());
  const auto& said = rig.fake.dialogs.shown().back();
  EXPECT_EQ(said.severity, Dialogs::Severity::kWarning);
  EXPECT_EQ(said.text.rfind("Resampling ERROR\r\ncounts.bin holds 1 bin of the run", 0), 0u)
      << said.text;
  EXPECT_EQ(rig.Problem(), "");
}

}  // namespace
}  // namespace movexa::ui
