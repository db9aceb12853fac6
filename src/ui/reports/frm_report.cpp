// The report window: its report frame, opening state, "Generate...", closing, and the offer to
// open the written report.
#include "ui/reports/frm_report.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "reports/raw_reanalysis.h"
#include "reports/report_config.h"
#include "reports/report_texts.h"
#include "ui/reports/report_window_status.h"

namespace movexa::ui {

namespace rt = report_text;

namespace {
constexpr std::array<std::string_view, 4> kLayoutCaptions = {"Rows", "List", "W.Array", "CH.Array"};
constexpr const char* kNoBasal = "-";
}  // namespace

Frm_Report::Frm_Report(UiContext& ctx, QWidget* parent)
    : QWidget(parent),
      ctx_(ctx),
      status_(std::make_unique<ReportWindowStatus>(this, ctx.host.status)),
      host_{ctx.host.dialogs, ctx.host.clock,  ctx.host.pacer,
            ctx.host.shell,   ctx.host.system, *status_} {
  setObjectName("Frm_Report");
  setWindowTitle(tr("Report Output"));
  auto* layout = new QVBoxLayout(this);
  auto* menu = new QMenuBar(this);
  mnrecalculate_ = menu->addAction(tr("Analyze Raw Data"));
  mnrecalculate_->setObjectName("mnrecalculate");
  mncircadian_ = menu->addAction(tr("1 file/well Report"));
  mncircadian_->setObjectName("mncircadian");
  layout->setMenuBar(menu);

  auto* inputRow = new QHBoxLayout;
  auto* inputLabel = new QLabel(tr("Acquisition:"), this);
  Txt_inputfile_ = new QLineEdit(this);
  Txt_inputfile_->setObjectName("Txt_inputfile");
  Txt_inputfile_->setMinimumWidth(420);
  inputLabel->setBuddy(Txt_inputfile_);
  inputRow->addWidget(inputLabel);
  inputRow->addWidget(Txt_inputfile_, 1);
  layout->addLayout(inputRow);

  BuildReportFrame();
  layout->addWidget(Frame_report_);
  BuildRawFrame();
  layout->addWidget(Frame_run_);
  BuildResultRow();
  layout->addStretch();

  connect(mnrecalculate_, &QAction::triggered, this, &Frm_Report::AnalyzeRawData);
  connect(mncircadian_, &QAction::triggered, this, &Frm_Report::CircadianExport);
  LoadConfiguration();
  opened_ = true;
}

Frm_Report::~Frm_Report() = default;

void Frm_Report::BuildReportFrame() {
  Frame_report_ = new QGroupBox(tr("Report"), this);
  Frame_report_->setObjectName("Frame_report");
  auto* layout = new QVBoxLayout(Frame_report_);
  layout->addWidget(options_.Build(Frame_report_, kLayoutCaptions));

  auto* row = new QHBoxLayout;
  auto* basalLabel = new QLabel(tr("Basal acquisition:"), Frame_report_);
  cmbbasal_ = new QComboBox(Frame_report_);
  cmbbasal_->setObjectName("cmbbasal");
  cmbbasal_->setMinimumContentsLength(16);
  cmbbasal_->setToolTip(tr("Report as % of the activity of this acquisition (\"-\" for none)"));
  basalLabel->setBuddy(cmbbasal_);
  chk_autoreport_ = new QCheckBox(tr("Autoreport"), Frame_report_);
  chk_autoreport_->setObjectName("chk_autoreport");
  chk_autoreport_->setEnabled(false);  // set by the main window at the end of a run
  Cmd_cancel_ = new QPushButton(tr("Cancel"), Frame_report_);
  Cmd_cancel_->setObjectName("Cmd_cancel");
  Cmd_generate_ = new QPushButton(tr("Generate..."), Frame_report_);
  Cmd_generate_->setObjectName("Cmd_generate");
  Cmd_generate_->setDefault(true);
  row->addWidget(basalLabel);
  row->addWidget(cmbbasal_);
  row->addSpacing(12);
  row->addWidget(chk_autoreport_);
  row->addStretch();
  row->addWidget(Cmd_cancel_);
  row->addWidget(Cmd_generate_);
  layout->addLayout(row);

  for (size_t i = 0; i < options_.Option_report.size(); ++i) {
    connect(options_.Option_report[i], &QRadioButton::clicked, this,
            [this, i] { FileTypeChosen(static_cast<int>(i)); });
  }
  connect(Cmd_generate_, &QPushButton::clicked, this, &Frm_Report::Generate);
  connect(Cmd_cancel_, &QPushButton::clicked, this, &Frm_Report::Cancel);
}

void Frm_Report::BuildResultRow() {
  auto* layout = qobject_cast<QVBoxLayout*>(this->layout());
  auto* progressRow = new QHBoxLayout;
  lblprogress_ = new QLabel(this);
  lblprogress_->setObjectName("lblprogress");
  lblprogress_->setMinimumWidth(220);
  pbprogress_ = new QProgressBar(this);
  pbprogress_->setObjectName("pbprogress");
  pbprogress_->setVisible(false);
  progressRow->addWidget(lblprogress_);
  progressRow->addWidget(pbprogress_, 1);
  layout->addLayout(progressRow);

  auto* resultRow = new QHBoxLayout;
  lblresult_ = new QLabel(this);
  lblresult_->setObjectName("lblresult");
  lblresult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblresult_->setWordWrap(true);
  cmd_openreport_ = new QPushButton(tr("Open report"), this);
  cmd_openreport_->setObjectName("cmd_openreport");
  cmd_showfolder_ = new QPushButton(tr("Show folder"), this);
  cmd_showfolder_->setObjectName("cmd_showfolder");
  cmd_openreport_->setEnabled(false);
  cmd_showfolder_->setEnabled(false);
  resultRow->addWidget(lblresult_, 1);
  resultRow->addWidget(cmd_openreport_);
  resultRow->addWidget(cmd_showfolder_);
  layout->addLayout(resultRow);
  connect(cmd_openreport_, &QPushButton::clicked, this, &Frm_Report::OpenReport);
  connect(cmd_showfolder_, &QPushButton::clicked, this, &Frm_Report::ShowFolder);
}

void Frm_Report::LoadConfiguration() {
  ReportConfig& config = ctx_.state.reportConfig;
  LoadReportConfig(config, ctx_.state.main.userDefinedBin ? 1 : 0, ctx_.state.appDir, ctx_.host);
  const ReportRequest r = RequestFromConfig(config, {}, ctx_.state.appDir);
  options_.FillBins(config.Bin);
  options_.ShowConfig(config);
  Cmb_organism_->setCurrentIndex(r.organism);
  Cmb_dspmethod_->setCurrentIndex(r.method);
  frmtxt_threshold_->setText(Qs(r.thresholdText));
  Chk_rawexport_->setChecked(r.exportRaw);
  Frame_run_->setVisible(false);
}

void Frm_Report::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!opened_ && !event->spontaneous()) {
    LoadConfiguration();
    opened_ = true;
  }
}

void Frm_Report::OpenFor(const std::filesystem::path& acquisitionFolder,
                         const std::vector<std::string>& basalCandidates, const std::string& title,
                         WindowId returnTo, const std::vector<std::string>& basalLabels) {
  returnTo_ = returnTo;
  LoadConfiguration();
  opened_ = true;
  Txt_inputfile_->setText(Qs(acquisitionFolder.string()));
  Frame_report_->setTitle(Qs(title));
  cmbbasal_->clear();
  cmbbasal_->addItem(kNoBasal, QString(kNoBasal));
  for (size_t i = 0; i < basalCandidates.size(); ++i) {
    const std::string& label = i < basalLabels.size() ? basalLabels[i] : basalCandidates[i];
    cmbbasal_->addItem(Qs(label), Qs(basalCandidates[i]));
  }
  cmbbasal_->setCurrentIndex(0);
  lblresult_->clear();
  notes_.clear();
  cmd_openreport_->setEnabled(false);
  cmd_showfolder_->setEnabled(false);
  PlaceOver(returnTo);
  if (ctx_.nav.IsRegistered(WindowId::kReport)) {
    ctx_.nav.Show(WindowId::kReport, false);
  } else {
    show();
    raise();
  }
}

void Frm_Report::PlaceOver(WindowId opener) {
  QWidget* owner = ctx_.nav.IsRegistered(opener) ? ctx_.nav.Get(opener) : nullptr;
  adjustSize();
  QScreen* screen = owner ? owner->screen() : this->screen();
  if (owner && owner != this) {
    // Stays above the window that opened it and goes with it.
    owner->winId();
    winId();
    if (windowHandle() && owner->windowHandle())
      windowHandle()->setTransientParent(owner->windowHandle());
  }
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  QSize size = frameGeometry().size().boundedTo(area.size());
  QPoint centre = owner && owner != this && owner->isVisible() ? owner->frameGeometry().center()
                                                               : area.center();
  QRect placed(QPoint(0, 0), size);
  placed.moveCenter(centre);
  placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() - size.width() + 1));
  placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() - size.height() + 1));
  move(placed.topLeft());
}

void Frm_Report::OpenFor(const ReportHandOff& handOff) {
  std::vector<std::string> candidates;
  for (const auto& name : handOff.basalList) {
    if (name != kNoBasal) candidates.push_back(name);
  }
  std::vector<std::string> labels;
  for (size_t i = 0; i < handOff.basalList.size(); ++i) {
    if (handOff.basalList[i] == kNoBasal) continue;
    labels.push_back(i < handOff.basalLabels.size() ? handOff.basalLabels[i]
                                                    : handOff.basalList[i]);
  }
  OpenFor(handOff.acquisitionFolder, candidates, handOff.title, WindowId::kOffline, labels);
  int organism = handOff.organism;
  int method = handOff.method;
  if (organism < 0 || organism >= Cmb_organism_->count()) organism = 0;
  if (method < 0 || method >= Cmb_dspmethod_->count()) method = 1;
  Cmb_organism_->setCurrentIndex(organism);
  Cmb_dspmethod_->setCurrentIndex(method);
  frmtxt_threshold_->setText(Qs(handOff.thresholdText));
  if (handOff.basalSelected > 0 && handOff.basalSelected < cmbbasal_->count()) {
    cmbbasal_->setCurrentIndex(handOff.basalSelected);
  }
}

void Frm_Report::SetDetection(int organism, int method, int snrX10) {
  if (organism < 0 || organism >= Cmb_organism_->count()) organism = 0;
  if (method < 0 || method >= Cmb_dspmethod_->count()) method = 1;
  Cmb_organism_->setCurrentIndex(organism);
  Cmb_dspmethod_->setCurrentIndex(method);
  frmtxt_threshold_->setText(Qs(ThresholdTextFromSetup(organism, snrX10)));
}

bool Frm_Report::ShowMyReport(const std::string& dataIntervalText,
                              const std::filesystem::path& lastRunFolder) {
  if (lastRunFolder.empty()) {
    options_.Cmb_binsize->setCurrentText(Qs(dataIntervalText));
    return false;
  }
  if (!ActivityFilePresent(lastRunFolder)) {
    options_.Cmb_binsize->setCurrentText(Qs(dataIntervalText));
    ctx_.host.dialogs.Problem(rt::kActivityFileNotFound);
    return false;
  }
  OpenFor(lastRunFolder, {}, "Report", WindowId::kMain);
  options_.Cmb_binsize->setCurrentText(Qs(dataIntervalText));
  return true;
}

ReportRequest Frm_Report::RequestFromControls() const {
  ReportRequest r;
  r.acquisitionFolder = std::filesystem::path(Std(Txt_inputfile_->text()));
  r.appFolder = ctx_.state.appDir;
  r.binText = options_.BinText();
  r.layout = options_.Choices();
  // The entry's folder name (its text shows the date and experiment name).
  const QVariant basal = cmbbasal_->currentData();
  r.basalName = Std(basal.isValid() ? basal.toString() : cmbbasal_->currentText());
  r.autoreport = chk_autoreport_->isChecked();
  r.method = Cmb_dspmethod_->currentIndex();
  r.organism = Cmb_organism_->currentIndex();
  r.thresholdText = Std(frmtxt_threshold_->text());
  r.dataLapseText = Std(frmtxt_datalapse_->text());
  r.replaceData = Chk_replacedata_->isChecked();
  r.exportRaw = Chk_rawexport_->isChecked();
  return r;
}

void Frm_Report::FileTypeChosen(int index) {
  options_.txt_customspacer->setText(Qs(SeparatorForFileType(index, ctx_.host)));
}

void Frm_Report::Generate() {
  if (busy_) return;
  const ReportRequest request = RequestFromControls();
  SetBusy(true);
  ReportOutcome outcome = GenerateReport(request, host_);
  SetBusy(false);
  lastFileType_ = request.layout.fileType;
  ShowOutcome(outcome);
}

void Frm_Report::Cancel() {
  close();
}

void Frm_Report::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // A re-analysis ends at its next block; a report being written finishes first.
    stopRequested_ = true;
    event->ignore();
    return;
  }
  Frame_report_->setTitle(tr("Report"));
  ctx_.state.main.dataInterval = std::to_string(ctx_.state.reportConfig.Bin);
  cmbbasal_->clear();
  opened_ = false;
  event->accept();
  QWidget::closeEvent(event);
  emit Closed();
  if (returnTo_ != WindowId::kReport && ctx_.nav.IsRegistered(returnTo_)) ctx_.nav.Show(returnTo_);
}

void Frm_Report::ShowProgress(const QString& text, int done, int total) {
  lblprogress_->setText(text);
  pbprogress_->setVisible(true);
  if (total > 0) {
    pbprogress_->setRange(0, total);
    pbprogress_->setValue(done);
  } else {
    pbprogress_->setRange(0, 0);  // a stage without a count: a busy bar
  }
}

void Frm_Report::ShowBlock(const QString& text, int done, int total) {
  frmlbl_status_->setText(text);
  if (total > 0) ShowProgress(text, done, total);
}

void Frm_Report::SetBusy(bool busy, bool reanalysis) {
  busy_ = busy;
  Frame_report_->setEnabled(!busy && !chk_autoreport_->isChecked());
  Txt_inputfile_->setEnabled(!busy);
  mnrecalculate_->setEnabled(!busy);
  mncircadian_->setEnabled(!busy);
  for (QWidget* w : Frame_run_->findChildren<QWidget*>()) w->setEnabled(!busy);
  if (!busy && Chk_replacedata_->isChecked()) frmtxt_datalapse_->setEnabled(false);
  cmd_stopframe_->setEnabled(busy && reanalysis);
  frmlbl_status_->setEnabled(true);
  if (busy) {
    lblresult_->clear();
    notes_.clear();
    cmd_openreport_->setEnabled(false);
    cmd_showfolder_->setEnabled(false);
    setCursor(Qt::BusyCursor);
  } else {
    pbprogress_->setVisible(false);
    lblprogress_->clear();
    unsetCursor();
  }
}

void Frm_Report::ShowNote(const QString& text) {
  frmlbl_status_->setText(text);
  if (!notes_.contains(text)) notes_.append(text);
}

void Frm_Report::ShowOutcome(const ReportOutcome& outcome) {
  lastOutcome_ = outcome;
  if (!outcome.binShown.empty()) options_.Cmb_binsize->setCurrentText(Qs(outcome.binShown));
  const bool written = outcome.status == ReportStatus::kWritten;
  QString result;
  if (written) {
    result = tr("Report written: %1").arg(Qs(outcome.reportPath.string()));
  } else if (outcome.status == ReportStatus::kStopped) {
    result = tr("Stopped: no file was changed");
  } else {
    result = tr("No report written");
  }
  for (const QString& note : notes_) result += "\n" + note;
  lblresult_->setText(result);
  cmd_openreport_->setEnabled(written);
  cmd_showfolder_->setEnabled(written);
}

void Frm_Report::OpenReport() {
  if (lastOutcome_.reportPath.empty()) return;
  if (lastFileType_ == 0) {
    ctx_.host.shell.OpenDocument(lastOutcome_.reportPath);
  } else {
    ctx_.host.shell.OpenTextFile(lastOutcome_.reportPath);
  }
}

void Frm_Report::ShowFolder() {
  if (!lastOutcome_.reportPath.empty()) ctx_.host.shell.ShowInFileManager(lastOutcome_.reportPath);
}

}  // namespace movexa::ui
