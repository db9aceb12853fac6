// The analysis window driven as an operator drives it, offscreen, on a generated two-day run:
// opened from the offline window on the selected acquisition and from the report window, the
// plots switched, the picture and the numbers exported through the Save As box, a computation
// stopped part-way.
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cstdlib>

#include "analysis_fixture.h"
#include "app/app_state.h"
#include "base/host_fakes.h"
#include "support/ui_test_support.h"
#include "ui/analysis/frm_analysis.h"
#include "ui/common/picture_box.h"
#include "ui/common/qt_text.h"
#include "ui/offline/frm_offline.h"
#include "ui/reports/frm_report.h"

namespace movexa::test {
namespace {

// The window saved under the build folder's screens/ for a human look.
void SaveForALook(QWidget* window, const std::string& name) {
  if (const char* build = std::getenv("MOVEXA_BINARY_DIR")) {
    const std::filesystem::path dir = std::filesystem::path(build) / "screens";
    std::filesystem::create_directories(dir);
    window->grab().save(QString::fromStdString((dir / name).string()));
  }
}

struct AnalysisRig {
  AnalysisRig() : run(dir.path()), folder(WriteDayNightRun(run, 2, 2)) {
    state.appDir = run.app;
    fake.dialogs.Lenient();
    ui::RegisterAnalysisWindow(ctx);
  }
  ui::Frm_analysis* Analysis() { return nav.As<ui::Frm_analysis>(ui::WindowId::kAnalysis); }
  // Lets the window poll its computation until it has drawn.
  bool AwaitDrawn() {
    ui::Frm_analysis* w = Analysis();
    return QTest::qWaitFor(
        [w] { return !w->Busy() && !Control<QPushButton>(w, "CmdStop")->isEnabled(); }, 60000);
  }

  TempDir dir;
  PlateRun run;
  std::filesystem::path folder;
  FakeHost fake;
  AppState state;
  ui::Navigator nav;
  ui::UiContext ctx{state, fake.host, nav};
};

TEST(AnalysisWindow, FromTheOfflineWindowEachPlotIsDrawnWithItsNumbersAndExported) {
  AnalysisRig rig;
  ui::Frm_offline offline(rig.ctx);
  offline.show();
  auto* list = Control<QListWidget>(&offline, "Listpj");
  list->setCurrentRow(0);
  QTest::keyClick(list, Qt::Key_Return);  // the project opens onto its acquisition
  ASSERT_EQ(list->count(), 2);
  list->setCurrentRow(1);
  QTest::mouseClick(Control<QPushButton>(&offline, "cmdanalysis"), Qt::LeftButton);
  ui::Frm_analysis* w = rig.Analysis();
  ASSERT_TRUE(w->isVisible());
  ASSERT_TRUE(rig.AwaitDrawn());
  ASSERT_TRUE(w->data().ok) << w->data().error;
  EXPECT_EQ(w->data().request.kind, PlotKind::kActivity);
  EXPECT_EQ(w->data().series.size(), 2u);
  auto* table = Control<QTableView>(w, "grdtable");
  EXPECT_GT(table->model()->rowCount(), 40);
  auto* series = Control<QListWidget>(w, "lstseries");
  ASSERT_EQ(series->count(), 2);
  EXPECT_EQ(series->item(0)->checkState(), Qt::Checked);
  const QImage activity = w->picture()->image().copy();

  // Each kind of plot in turn, drawn into the same picture box with its own numbers (periods
  // up to a day: two days hold two cycles of each).
  Control<QDoubleSpinBox>(w, "txt_periodto")->setValue(24);
  auto* kinds = Control<QComboBox>(w, "cmb_plot");
  for (PlotKind kind :
       {PlotKind::kActogram, PlotKind::kPeriodogram, PlotKind::kSleep, PlotKind::kProfile}) {
    SCOPED_TRACE(PlotKindName(kind));
    kinds->setCurrentIndex(static_cast<int>(kind));
    ASSERT_TRUE(rig.AwaitDrawn());
    ASSERT_TRUE(w->data().ok) << w->data().error;
    EXPECT_EQ(w->data().request.kind, kind);
    EXPECT_GT(table->model()->rowCount(), 0);
    EXPECT_NE(w->picture()->image(), activity);
    if (kind == PlotKind::kPeriodogram) {  // each group's peak periods stated, none cut off
      const QString stated = Control<QPlainTextEdit>(w, "txtsummary")->toPlainText();
      EXPECT_TRUE(stated.contains("001_Day: ") && stated.contains("002_Night: ")) << ui::S(stated);
    }
    SaveForALook(w, std::string("analysis_") + PlotKindName(kind) + ".png");
  }
  // One group left out: the next plot shows only the other.
  series->item(0)->setCheckState(Qt::Unchecked);
  QTest::mouseClick(Control<QPushButton>(w, "CmdDraw"), Qt::LeftButton);
  ASSERT_TRUE(rig.AwaitDrawn());
  ASSERT_EQ(w->data().series.size(), 1u);
  EXPECT_EQ(w->data().series[0].label, "002_Night");

  // The Save As box proposes a name in the application folder; the files decode.
  auto& dialogs = rig.fake.dialogs;
  const std::filesystem::path png = rig.dir.path() / "profile";  // no extension: PNG added
  dialogs.ExpectSaveFile("Export the analysis", png.string());
  w->findChild<QAction*>("mnexportpng")->trigger();
  EXPECT_EQ(dialogs.shown().back().title, (rig.run.app / "analysis_profile.png").string());
  QImage decoded;
  ASSERT_TRUE(decoded.load(QString::fromStdString(png.string() + ".png"), "PNG"));
  EXPECT_EQ(decoded.size(), w->picture()->image().size());
  const std::filesystem::path csv = rig.dir.path() / "profile.csv";
  dialogs.ExpectSaveFile("Export the analysis", csv.string());
  w->findChild<QAction*>("mnexportcsv")->trigger();
  const std::string text = ReadFileOrDie(csv);
  EXPECT_EQ(text.substr(0, 1), "#");
  EXPECT_EQ(text.find("nan"), std::string::npos);
  dialogs.ExpectSaveFile("Export the analysis", "");  // Cancel writes nothing
  w->findChild<QAction*>("mnexportsvg")->trigger();
  EXPECT_TRUE(dialogs.Problems().empty()) << dialogs.Problems()[0];
}

TEST(AnalysisWindow, AStoppedComputationKeepsThePlotShownAndTheReportWindowOpensIt) {
  AnalysisRig rig;
  ui::Frm_Report report(rig.ctx);
  Control<QLineEdit>(&report, "Txt_inputfile")
      ->setText(QString::fromStdString(rig.folder.string()));
  report.findChild<QAction*>("mnanalysis")->trigger();
  ui::Frm_analysis* w = rig.Analysis();
  ASSERT_TRUE(rig.AwaitDrawn());
  ASSERT_TRUE(w->data().ok) << w->data().error;
  const QImage shown = w->picture()->image().copy();

  // Another light schedule has the run read again: stopped while it reads, the plot shown stays.
  Control<QComboBox>(w, "cmb_light")->setCurrentIndex(3);  // constant darkness
  QTest::mouseClick(Control<QPushButton>(w, "CmdDraw"), Qt::LeftButton);
  EXPECT_TRUE(Control<QPushButton>(w, "CmdStop")->isEnabled());
  QTest::mouseClick(Control<QPushButton>(w, "CmdStop"), Qt::LeftButton);
  EXPECT_TRUE(rig.AwaitDrawn());
  EXPECT_EQ(w->data().request.kind, PlotKind::kActivity);
  EXPECT_EQ(w->picture()->image(), shown);
  EXPECT_TRUE(Control<QLabel>(w, "lblprogress")->text().startsWith("Stopped"));

  // Drawn again, it runs to its end with the schedule chosen.
  QTest::mouseClick(Control<QPushButton>(w, "CmdDraw"), Qt::LeftButton);
  ASSERT_TRUE(rig.AwaitDrawn());
  ASSERT_TRUE(w->data().ok) << w->data().error;
  EXPECT_NE(w->picture()->image(), shown);
  EXPECT_EQ(Control<QLabel>(w, "lblprogress")->text(), "Drawn.");
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty()) << rig.fake.dialogs.Problems()[0];
}

}  // namespace
}  // namespace movexa::test
