// The analysis window: controls to a PlotJob, the job polled on Timer_plot, the plot drawn and
// its numbers shown, exports.
#include "ui/analysis/frm_analysis.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTextDocument>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <utility>

#include "analysis/analysis_csv.h"
#include "analysis/analysis_windows.h"
#include "base/cairo_canvas.h"
#include "ui/analysis/plot_table_model.h"
#include "ui/common/picture_box.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace fs = std::filesystem;

namespace {

constexpr int kPollMs = 100;
// The periodogram methods in the order of cmb_method.
const PeriodogramOptions kMethods[] = {
    {PeriodogramMethod::kChiSquare, ChiSquareVariant::kAllData},
    {PeriodogramMethod::kChiSquare, ChiSquareVariant::kClassic},
    {PeriodogramMethod::kLombScargle},
    {PeriodogramMethod::kAutocorrelation},
};
const char* kMethodNames[] = {"Chi-square (all data)", "Chi-square (classic)", "Lomb-Scargle",
                              "Autocorrelation"};
enum LightChoice { kRecorded, kDaily, kAlwaysLight, kAlwaysDark };

// Adds captioned rows to `form`; `shown` collects captions and fields, shown together with
// the plot that uses them.
void AddRows(QFormLayout* form, std::initializer_list<std::pair<const char*, QWidget*>> rows,
             std::vector<QWidget*>& shown) {
  for (const auto& [caption, field] : rows) {
    auto* label = new QLabel(QObject::tr(caption), field->parentWidget());
    label->setBuddy(field);
    form->addRow(label, field);
    shown.push_back(label);
    shown.push_back(field);
  }
}

}  // namespace

Frm_analysis::Frm_analysis(UiContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  setObjectName("Frm_analysis");
  setWindowTitle(tr("Analysis"));
  BuildControls();
  Timer_plot_ = new QTimer(this);
  Timer_plot_->setObjectName("Timer_plot");
  Timer_plot_->setSingleShot(true);
  Timer_plot_->setInterval(kPollMs);
  connect(Timer_plot_, &QTimer::timeout, this, &Frm_analysis::Poll);
  resize(1180, 780);
}

Frm_analysis::~Frm_analysis() = default;

void Frm_analysis::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  lblrun_ = Named(new QLabel(this), "lblrun");
  lblrun_->setWordWrap(true);
  lblrun_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  outer->addWidget(lblrun_);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  outer->addWidget(splitter, 1);

  auto* scroll = new QScrollArea(splitter);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(BuildOptions());
  scroll->setMinimumWidth(300);

  auto* right = new QSplitter(Qt::Vertical, splitter);
  Picplot_ = Named(new PictureBox(right), "Picplot");
  Picplot_->setMinimumSize(480, 300);
  connect(Picplot_, &PictureBox::Resized, this, &Frm_analysis::Redraw);
  auto* numbers = new QWidget(right);
  auto* n = new QVBoxLayout(numbers);
  n->setContentsMargins(0, 4, 0, 0);
  // The stated results, one a line (a group's peak periods, notes): a read-only text that
  // grows to a few lines and scrolls beyond, so none is cut off.
  txtsummary_ = Named(new QPlainTextEdit(numbers), "txtsummary");
  txtsummary_->setReadOnly(true);
  txtsummary_->setFrameShape(QFrame::NoFrame);
  txtsummary_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  txtsummary_->setVisible(false);
  n->addWidget(txtsummary_);
  grdtable_ = Named(new QTableView(numbers), "grdtable");
  model_ = new PlotTableModel(grdtable_);
  grdtable_->setModel(model_);
  grdtable_->verticalHeader()->setDefaultSectionSize(grdtable_->fontMetrics().height() + 6);
  grdtable_->setAlternatingRowColors(true);
  n->addWidget(grdtable_, 1);
  right->setStretchFactor(0, 3);
  right->setStretchFactor(1, 2);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({320, 860});
}

QWidget* Frm_analysis::BuildOptions() {
  auto* panel = new QWidget;
  auto* l = new QVBoxLayout(panel);

  auto* plotBox = new QGroupBox(tr("Plot"), panel);
  auto* pf = new QFormLayout(plotBox);
  cmb_plot_ = Named(new QComboBox(plotBox), "cmb_plot");
  for (PlotKind kind : kPlotKinds) cmb_plot_->addItem(tr(PlotKindCaption(kind)));
  pf->addRow(cmb_plot_);
  txt_bin_ = Named(new QSpinBox(plotBox), "txt_bin");
  txt_bin_->setRange(0, 1440);
  txt_bin_->setSpecialValueText(tr("auto"));
  txt_bin_->setSuffix(tr(" min"));
  txt_bin_->setToolTip(
      tr("Bin of the activity, the day profile and the actogram (a whole "
         "number of the run's bins)"));
  AddRows(pf, {{"Bin:", txt_bin_}}, binRow_);
  txt_period_ = Named(new QDoubleSpinBox(plotBox), "txt_period");
  txt_period_->setRange(1, 1000);
  txt_period_->setDecimals(2);
  txt_period_->setValue(24);
  txt_period_->setSuffix(tr(" h"));
  AddRows(pf, {{"Row length:", txt_period_}}, periodRow_);
  cmb_method_ = Named(new QComboBox(plotBox), "cmb_method");
  for (const char* m : kMethodNames) cmb_method_->addItem(tr(m));
  txt_periodfrom_ = Named(new QDoubleSpinBox(plotBox), "txt_periodfrom");
  txt_periodto_ = Named(new QDoubleSpinBox(plotBox), "txt_periodto");
  for (auto* box : {txt_periodfrom_, txt_periodto_}) {
    box->setRange(0.5, 1000);
    box->setDecimals(1);
    box->setSuffix(tr(" h"));
  }
  txt_periodfrom_->setValue(16);
  txt_periodto_->setValue(32);
  txt_alpha_ = Named(new QDoubleSpinBox(plotBox), "txt_alpha");
  txt_alpha_->setRange(0.0001, 0.5);
  txt_alpha_->setDecimals(4);
  txt_alpha_->setSingleStep(0.01);
  txt_alpha_->setValue(0.01);
  AddRows(pf,
          {{"Method:", cmb_method_},
           {"Periods from:", txt_periodfrom_},
           {"to:", txt_periodto_},
           {"Alpha:", txt_alpha_}},
          periodogramRows_);
  cmb_preset_ = Named(new QComboBox(plotBox), "cmb_preset");
  cmb_preset_->addItem(tr("Fly (5-minute rule)"));
  cmb_preset_->addItem(tr("Fish (1-minute rule)"));
  cmb_measure_ = Named(new QComboBox(plotBox), "cmb_measure");
  for (const SleepMeasure& m : SleepMeasures()) cmb_measure_->addItem(Q(m.name));
  cmb_window_ = Named(new QComboBox(plotBox), "cmb_window");
  cmb_window_->addItem(tr("whole run"));
  AddRows(pf, {{"Rule:", cmb_preset_}, {"Measure:", cmb_measure_}, {"Window:", cmb_window_}},
          sleepRows_);
  l->addWidget(plotBox);

  auto* seriesBox = new QGroupBox(tr("Series"), panel);
  auto* sl = new QVBoxLayout(seriesBox);
  auto* choice = new QHBoxLayout;
  opt_groups_ = Named(new QRadioButton(tr("Groups"), seriesBox), "opt_groups");
  opt_wells_ = Named(new QRadioButton(tr("Wells"), seriesBox), "opt_wells");
  opt_groups_->setChecked(true);
  choice->addWidget(opt_groups_);
  choice->addWidget(opt_wells_);
  choice->addStretch();
  sl->addLayout(choice);
  lstseries_ = Named(new QListWidget(seriesBox), "lstseries");
  lstseries_->setMinimumHeight(140);
  sl->addWidget(lstseries_, 1);
  l->addWidget(seriesBox, 1);

  auto* lightBox = new QGroupBox(tr("Light schedule"), panel);
  auto* lf = new QFormLayout(lightBox);
  cmb_light_ = Named(new QComboBox(lightBox), "cmb_light");
  cmb_light_->addItem(tr("As recorded (the acquisition's light hours)"));
  cmb_light_->addItem(tr("Daily: lights on and off at"));
  cmb_light_->addItem(tr("Constant light"));
  cmb_light_->addItem(tr("Constant darkness"));
  lf->addRow(cmb_light_);
  txt_lightson_ = Named(new QTimeEdit(QTime(8, 0), lightBox), "txt_lightson");
  txt_lightsoff_ = Named(new QTimeEdit(QTime(20, 0), lightBox), "txt_lightsoff");
  for (auto* t : {txt_lightson_, txt_lightsoff_}) t->setDisplayFormat("HH:mm");
  lf->addRow(tr("Lights on:"), txt_lightson_);
  lf->addRow(tr("Lights off:"), txt_lightsoff_);
  l->addWidget(lightBox);

  auto* runRow = new QHBoxLayout;
  CmdDraw_ = Named(new QPushButton(tr("Draw"), panel), "CmdDraw");
  CmdDraw_->setDefault(true);
  CmdStop_ = Named(new QPushButton(tr("Stop"), panel), "CmdStop");
  CmdStop_->setEnabled(false);
  CmdExport_ = Named(new QPushButton(tr("Export"), panel), "CmdExport");
  auto* exportMenu = new QMenu(CmdExport_);
  const std::pair<const char*, std::pair<const char*, const char*>> exports[] = {
      {"mnexportpng", {"Picture as PNG...", "png"}},
      {"mnexportsvg", {"Picture as SVG...", "svg"}},
      {"mnexportpdf", {"Picture as PDF...", "pdf"}},
      {"mnexportcsv", {"Numbers as CSV...", "csv"}}};
  for (const auto& [name, item] : exports) {
    QAction* a = exportMenu->addAction(tr(item.first));
    a->setObjectName(name);
    const QString suffix = item.second;
    connect(a, &QAction::triggered, this,
            [this, suffix] { ExportChosen(suffix.toUpper() + " (*." + suffix + ")", suffix); });
  }
  CmdExport_->setMenu(exportMenu);
  CmdExport_->setEnabled(false);
  runRow->addWidget(CmdDraw_);
  runRow->addWidget(CmdStop_);
  runRow->addWidget(CmdExport_);
  l->addLayout(runRow);
  pbprogress_ = Named(new QProgressBar(panel), "pbprogress");
  pbprogress_->setTextVisible(false);
  pbprogress_->setMaximumHeight(12);
  pbprogress_->setVisible(false);
  l->addWidget(pbprogress_);
  lblprogress_ = Named(new QLabel(panel), "lblprogress");
  lblprogress_->setWordWrap(true);
  l->addWidget(lblprogress_);

  connect(cmb_plot_, &QComboBox::currentIndexChanged, this, &Frm_analysis::KindChosen);
  connect(opt_wells_, &QRadioButton::toggled, this, &Frm_analysis::SeriesKindChosen);
  connect(cmb_light_, &QComboBox::currentIndexChanged, this, &Frm_analysis::LightChosen);
  connect(CmdDraw_, &QPushButton::clicked, this, &Frm_analysis::Draw);
  connect(CmdStop_, &QPushButton::clicked, this, &Frm_analysis::Stop);
  KindChosen();
  LightChosen();
  return panel;
}

void Frm_analysis::OpenFor(const std::vector<fs::path>& acquisitions, WindowId returnTo) {
  returnTo_ = returnTo;
  acquisitions_ = acquisitions;
  std::string names;
  for (const auto& a : acquisitions) names += (names.empty() ? "" : " + ") + a.filename().string();
  setWindowTitle(tr("Analysis - %1").arg(Q(names)));
  lblrun_->setText(Q(names));
  data_ = {};
  table_.reset();
  lstseries_->clear();
  opt_groups_->setChecked(true);
  if (ctx_.nav.IsRegistered(WindowId::kAnalysis)) {
    ctx_.nav.Show(WindowId::kAnalysis);
  } else {
    show();
  }
  raise();
  Draw();
}

void Frm_analysis::KindChosen() {
  const PlotKind kind = kPlotKinds[std::max(0, cmb_plot_->currentIndex())];
  auto show = [](const std::vector<QWidget*>& row, bool on) {
    for (QWidget* w : row) w->setVisible(on);
  };
  show(binRow_,
       kind == PlotKind::kActivity || kind == PlotKind::kProfile || kind == PlotKind::kActogram);
  show(periodRow_, kind == PlotKind::kActogram);
  show(periodogramRows_, kind == PlotKind::kPeriodogram);
  show(sleepRows_, kind == PlotKind::kSleep);
  if (!acquisitions_.empty() && !filling_) Draw();
}

void Frm_analysis::SeriesKindChosen() {
  if (filling_) return;
  FillSeries();
}

void Frm_analysis::LightChosen() {
  const bool daily = cmb_light_->currentIndex() == kDaily;
  txt_lightson_->setEnabled(daily);
  txt_lightsoff_->setEnabled(daily);
}

// The list of the run's groups or wells, checked as the shown plot used them.
void Frm_analysis::FillSeries() {
  lstseries_->clear();
  if (!table_) return;
  const bool wells = opt_wells_->isChecked();
  const bool shownWells = data_.request.byWell;
  const auto& used = data_.request.names;
  auto add = [&](const std::string& text, const std::string& key, bool checked) {
    auto* item = new QListWidgetItem(Q(text), lstseries_);
    item->setData(Qt::UserRole, Q(key));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  };
  auto usedHas = [&](const std::string& key) {
    return std::find(used.begin(), used.end(), key) != used.end();
  };
  if (wells) {
    for (const AnalysisWell& w : table_->wells)
      add(w.label + "  (" + w.groupLabel + ")", w.label, shownWells && usedHas(w.label));
  } else {
    for (const AnalysisGroup& g : table_->groups)
      add(g.label + "  (n = " + std::to_string(g.wells.size()) + ")", g.label,
          !shownWells && usedHas(g.label));
  }
}

void Frm_analysis::FillSleepWindows() {
  const QString current = cmb_window_->currentText();
  cmb_window_->clear();
  for (const AnalysisWindow& w : PhaseWindows(*table_)) cmb_window_->addItem(Q(w.label));
  const int again = cmb_window_->findText(current);
  cmb_window_->setCurrentIndex(std::max(0, again));
}

PlotJob Frm_analysis::JobFromControls() const {
  PlotJob job;
  job.acquisitions = acquisitions_;
  job.appFolder = ctx_.state.appDir;
  switch (cmb_light_->currentIndex()) {
    case kDaily: {
      LightRegime light;
      light.onMinute = txt_lightson_->time().hour() * 60 + txt_lightson_->time().minute();
      light.offMinute = txt_lightsoff_->time().hour() * 60 + txt_lightsoff_->time().minute();
      light.origin = "the schedule given in the analysis window";
      if (light.onMinute == light.offMinute) light.kind = LightKind::kConstantDark;
      job.light = light;
      break;
    }
    case kAlwaysLight:
    case kAlwaysDark: {
      LightRegime light;
      light.kind = cmb_light_->currentIndex() == kAlwaysLight ? LightKind::kConstantLight
                                                              : LightKind::kConstantDark;
      light.origin = "the schedule given in the analysis window";
      job.light = light;
      break;
    }
    default:
      break;
  }
  PlotRequest& r = job.request;
  r.kind = kPlotKinds[std::max(0, cmb_plot_->currentIndex())];
  r.byWell = opt_wells_->isChecked();
  for (int i = 0; i < lstseries_->count(); ++i) {
    const QListWidgetItem* item = lstseries_->item(i);
    if (item->checkState() == Qt::Checked)
      r.names.push_back(S(item->data(Qt::UserRole).toString()));
  }
  // Before the run is read the list is empty: the first groups are drawn.
  job.firstGroupsWhenNoneNamed = lstseries_->count() == 0;
  r.binMinutes = txt_bin_->value();
  r.actogramPeriodHours = txt_period_->value();
  r.periodogram = kMethods[std::max(0, cmb_method_->currentIndex())];
  r.periodogram.minPeriodHours = txt_periodfrom_->value();
  r.periodogram.maxPeriodHours = std::max(txt_periodfrom_->value(), txt_periodto_->value());
  r.periodogram.alpha = txt_alpha_->value();
  r.sleepPreset = cmb_preset_->currentIndex() == 1 ? SleepPreset::kFish : SleepPreset::kFly;
  r.sleepMeasure = S(cmb_measure_->currentText());
  r.sleepWindow = S(cmb_window_->currentText());
  return job;
}

void Frm_analysis::Draw() {
  if (acquisitions_.empty()) return;
  session_.Start(JobFromControls());
  CmdStop_->setEnabled(true);
  pbprogress_->setVisible(true);
  pbprogress_->setRange(0, 0);
  lblprogress_->setText(tr("Computing..."));
  Timer_plot_->start();
}

void Frm_analysis::Stop() {
  session_.Stop();
  lblprogress_->setText(tr("Stopping..."));
}

void Frm_analysis::Poll() {
  if (session_.Running()) {
    const PlotProgress p = session_.Progress();
    if (p.total > 0) {
      pbprogress_->setRange(0, static_cast<int>(p.total));
      pbprogress_->setValue(static_cast<int>(p.done));
      lblprogress_->setText(
          Q(p.step + ": " + std::to_string(p.done) + " of " + std::to_string(p.total) + " wells"));
    } else {
      pbprogress_->setRange(0, 0);
      lblprogress_->setText(Q(p.step));
    }
    Timer_plot_->start();
    return;
  }
  if (auto outcome = session_.TakeOutcome()) Show(std::move(*outcome));
}

void Frm_analysis::Show(PlotOutcome outcome) {
  CmdStop_->setEnabled(false);
  pbprogress_->setVisible(false);
  if (outcome.stopped) {
    lblprogress_->setText(tr("Stopped: the plot shown is the last one computed."));
    return;
  }
  if (!outcome.error.empty()) {
    lblprogress_->setText(Q(outcome.error));
    ctx_.host.dialogs.Problem(outcome.error);
    return;
  }
  const bool newRun = outcome.table != table_;
  table_ = outcome.table;
  data_ = std::move(outcome.data);
  if (newRun && table_) {
    std::string run = table_->acquisitions.front().filename().string();
    for (size_t i = 1; i < table_->acquisitions.size(); ++i)
      run += " + " + table_->acquisitions[i].filename().string();
    lblrun_->setText(Q(run + ": " + std::to_string(table_->wells.size()) + " wells, " +
                       std::to_string(table_->BinCount()) + " bins of " +
                       std::to_string(table_->binMinutes) + " min; " + table_->light.Text() +
                       ", from " + table_->light.origin));
    filling_ = true;
    FillSleepWindows();
    if (table_->light.kind == LightKind::kDaily && cmb_light_->currentIndex() == kRecorded) {
      txt_lightson_->setTime(QTime(table_->light.onMinute / 60, table_->light.onMinute % 60));
      txt_lightsoff_->setTime(QTime(table_->light.offMinute / 60, table_->light.offMinute % 60));
    }
    filling_ = false;
  }
  if (data_.ok) {
    filling_ = true;
    opt_wells_->setChecked(data_.request.byWell);
    opt_groups_->setChecked(!data_.request.byWell);
    filling_ = false;
    FillSeries();
  }
  std::string summary;
  for (const std::string& line : data_.summary) summary += line + "\n";
  if (!data_.note.empty()) summary += data_.note + "\n";
  if (!data_.ok) summary += data_.error + "\n";
  if (table_) {
    for (const std::string& note : table_->notes) summary += "Note: " + note + "\n";
  }
  if (!summary.empty()) summary.pop_back();
  txtsummary_->setPlainText(Q(summary));
  txtsummary_->setVisible(!summary.empty());
  const int lines =
      std::clamp(static_cast<int>(std::count(summary.begin(), summary.end(), '\n')) + 1, 1, 5);
  txtsummary_->setFixedHeight(lines * txtsummary_->fontMetrics().lineSpacing() +
                              static_cast<int>(2 * txtsummary_->document()->documentMargin()) +
                              2 * txtsummary_->frameWidth() + 8);
  lblprogress_->setText(data_.ok ? tr("Drawn.") : Q(data_.error));
  model_->SetTable(data_.table);
  // Columns as wide as their numbers (Qt measures the first thousand rows only).
  grdtable_->resizeColumnsToContents();
  CmdExport_->setEnabled(data_.ok);
  Redraw();
}

void Frm_analysis::Redraw() {
  if (!table_) {
    Picplot_->SetBackColor(colors::kWhite);
    Picplot_->Clear();
    Picplot_->update();
    return;
  }
  DrawPlot(*Picplot_, data_);
  Picplot_->update();
}

bool Frm_analysis::Export(const fs::path& file) {
  std::string error;
  if (!data_.ok || !table_) {
    ctx_.host.dialogs.Problem("There is no plot to export yet: draw one first.");
    return false;
  }
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  bool ok = false;
  if (ext == ".csv") {
    ok = WriteOutputFile(file, PlotCsv(*table_, data_), error);
  } else if (PictureFormatOf(file)) {
    CairoCanvas canvas(std::max(1, Picplot_->WidthPx()), std::max(1, Picplot_->HeightPx()));
    DrawPlot(canvas, data_);
    ok = canvas.Save(file, &error);
  } else {
    error = file.string() + ": the file name ends in none of .png, .svg, .pdf or .csv.";
  }
  if (!ok) {
    ctx_.host.dialogs.Problem("The export failed: " + error);
    return false;
  }
  lblprogress_->setText(tr("Saved %1").arg(Q(file.string())));
  return true;
}

void Frm_analysis::ExportChosen(const QString& filter, const QString& suffix) {
  // A Save As box proposing a name in the application folder, so nothing is overwritten unseen.
  const std::string proposal =
      "analysis_" + std::string(PlotKindName(data_.request.kind)) + "." + S(suffix);
  fs::path file = ctx_.host.dialogs.SaveFileName(S(tr("Export the analysis")),
                                                 ctx_.state.appDir / proposal, S(filter));
  if (file.empty()) return;
  if (file.extension().empty()) file += "." + S(suffix);
  Export(file);
}

void Frm_analysis::closeEvent(QCloseEvent* event) {
  session_.Stop();
  Timer_plot_->stop();
  session_.Wait();
  session_.TakeOutcome();
  CmdStop_->setEnabled(false);
  pbprogress_->setVisible(false);
  event->accept();
  QWidget::closeEvent(event);
  if (returnTo_ != WindowId::kAnalysis && ctx_.nav.IsRegistered(returnTo_))
    ctx_.nav.Show(returnTo_);
}

void RegisterAnalysisWindow(UiContext& ctx) {
  ctx.nav.Register(WindowId::kAnalysis, [&ctx] { return new Frm_analysis(ctx); });
}

bool OpenAnalysisWindow(UiContext& ctx, const std::vector<fs::path>& acquisitions,
                        WindowId returnTo) {
  auto* window = ctx.nav.As<Frm_analysis>(WindowId::kAnalysis);
  if (!window) return false;
  window->OpenFor(acquisitions, returnTo);
  return true;
}

}  // namespace movexa::ui
