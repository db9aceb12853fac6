// The report window's raw data panel ("Raw data processing:"), its circadian export and the
// automatic report at the end of a run.
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "reports/circadian.h"
#include "reports/raw_reanalysis.h"
#include "reports/report_texts.h"
#include "ui/reports/frm_report.h"

namespace movexa::ui {

namespace rt = report_text;

void Frm_Report::BuildRawFrame() {
  Frame_run_ = new QGroupBox(tr("Raw data processing:"), this);
  Frame_run_->setObjectName("Frame_run");
  auto* grid = new QGridLayout(Frame_run_);

  Cmb_organism_ = new QComboBox(Frame_run_);
  Cmb_organism_->setObjectName("Cmb_organism");
  for (auto entry : rt::kOrganismList) Cmb_organism_->addItem(Qs(entry));
  Cmb_dspmethod_ = new QComboBox(Frame_run_);
  Cmb_dspmethod_->setObjectName("Cmb_dspmethod");
  for (auto entry : rt::kMethodList) Cmb_dspmethod_->addItem(Qs(entry));
  Cmb_dspmethod_->setCurrentIndex(1);
  frmtxt_threshold_ = new QLineEdit(Frame_run_);
  frmtxt_threshold_->setObjectName("frmtxt_threshold");
  frmtxt_threshold_->setMinimumWidth(60);
  frmtxt_threshold_->setMaximumWidth(80);
  frmtxt_datalapse_ = new QLineEdit(QStringLiteral("1"), Frame_run_);
  frmtxt_datalapse_->setObjectName("frmtxt_datalapse");
  frmtxt_datalapse_->setMinimumWidth(60);
  frmtxt_datalapse_->setMaximumWidth(80);
  Chk_replacedata_ = new QCheckBox(tr("Replace old data"), Frame_run_);
  Chk_replacedata_->setObjectName("Chk_replacedata");
  Chk_replacedata_->setToolTip(
      tr("Write the new counts into counts.bin and the method and threshold "
         "into setup.dat (every record is re-analysed)"));
  Chk_rawexport_ = new QCheckBox(tr("Export Raw"), Frame_run_);
  Chk_rawexport_->setObjectName("Chk_rawexport");
  cmd_runframe_ = new QPushButton(tr("RUN"), Frame_run_);
  cmd_runframe_->setObjectName("cmd_runframe");
  cmd_stopframe_ = new QPushButton(tr("STOP"), Frame_run_);
  cmd_stopframe_->setObjectName("cmd_stopframe");
  cmd_stopframe_->setEnabled(false);
  frmlbl_status_ = new QLabel(tr("Block 0/0"), Frame_run_);
  frmlbl_status_->setObjectName("frmlbl_status");
  frmlbl_status_->setMinimumWidth(120);

  auto label = [&](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, Frame_run_);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label(tr("Organism:"), Cmb_organism_), 0, 0);
  grid->addWidget(Cmb_organism_, 0, 1);
  grid->addWidget(label(tr("Method:"), Cmb_dspmethod_), 1, 0);
  grid->addWidget(Cmb_dspmethod_, 1, 1);
  grid->addWidget(label(tr("Threshold [SNR]:"), frmtxt_threshold_), 0, 2);
  grid->addWidget(frmtxt_threshold_, 0, 3);
  grid->addWidget(label(tr("Data lapse [h]:"), frmtxt_datalapse_), 1, 2);
  grid->addWidget(frmtxt_datalapse_, 1, 3);
  grid->addWidget(Chk_replacedata_, 0, 4);
  grid->addWidget(Chk_rawexport_, 1, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(frmlbl_status_);
  buttons->addStretch();
  buttons->addWidget(cmd_stopframe_);
  buttons->addWidget(cmd_runframe_);
  grid->addLayout(buttons, 2, 0, 1, 5);
  grid->setColumnStretch(1, 1);

  connect(Cmb_organism_, &QComboBox::activated, this, &Frm_Report::OrganismChosen);
  connect(frmtxt_threshold_, &QLineEdit::editingFinished, this, &Frm_Report::ThresholdEdited);
  connect(Chk_rawexport_, &QCheckBox::toggled, this, &Frm_Report::ExportRawToggled);
  connect(Chk_replacedata_, &QCheckBox::toggled, this, &Frm_Report::ReplaceToggled);
  connect(cmd_runframe_, &QPushButton::clicked, this, &Frm_Report::RunFrame);
  connect(cmd_stopframe_, &QPushButton::clicked, this, &Frm_Report::StopFrame);
}

void Frm_Report::AnalyzeRawData() {
  if (busy_) return;
  if (!RawDataPresent(std::filesystem::path(Std(Txt_inputfile_->text())))) {
    ctx_.host.dialogs.Problem(rt::kRealTimeDataNotFound);
    return;
  }
  Frame_run_->setVisible(true);
  adjustSize();
}

void Frm_Report::OrganismChosen(int index) {
  const ReportOrganismDefaults d = DefaultsForOrganism(index);
  Cmb_dspmethod_->setCurrentIndex(d.method);
  frmtxt_threshold_->setText(Qs(d.thresholdText));
}

void Frm_Report::ThresholdEdited() {
  frmtxt_threshold_->setText(
      Qs(CheckThresholdText(Cmb_organism_->currentIndex(), Std(frmtxt_threshold_->text()))));
}

void Frm_Report::ExportRawToggled(bool checked) {
  if (!checked) return;
  ReportRequest r = RequestFromControls();
  CheckExportRaw(r);
  Chk_replacedata_->setChecked(r.replaceData);
  frmtxt_datalapse_->setText(Qs(r.dataLapseText));
}

void Frm_Report::ReplaceToggled(bool checked) {
  frmtxt_datalapse_->setEnabled(!checked);
}

void Frm_Report::RunFrame() {
  if (busy_) return;
  ThresholdEdited();
  const ReportRequest request = RequestFromControls();
  SetBusy(true, true);
  ReanalysisOutcome outcome = RunRawReanalysis(request, stopRequested_, host_);
  SetBusy(false);
  frmtxt_datalapse_->setText(Qs(outcome.dataLapseShown));
  lastFileType_ = request.layout.fileType;
  ShowOutcome(outcome.report);
}

void Frm_Report::StopFrame() {
  stopRequested_ = true;
}

void Frm_Report::CircadianExport() {
  if (busy_) return;
  CircadianRequest request;
  request.acquisitionFolder = std::filesystem::path(Std(Txt_inputfile_->text()));
  request.appFolder = ctx_.state.appDir;
  request.binText = options_.BinText();
  SetBusy(true);
  const CircadianOutcome outcome = ExportCircadian(request, host_);
  SetBusy(false);
  if (!outcome.binShown.empty()) options_.Cmb_binsize->setCurrentText(Qs(outcome.binShown));
  QString result;
  if (outcome.status == ReportStatus::kWritten) {
    result = tr("%1 files written in %2")
                 .arg(outcome.filesWritten)
                 .arg(Qs(request.acquisitionFolder.string()));
  } else if (outcome.status == ReportStatus::kFailed) {
    result = tr("No files written");
  }
  for (const QString& note : notes_) result += "\n" + note;
  lblresult_->setText(result);
}

ReportOutcome Frm_Report::RunAutomaticReport(const std::filesystem::path& acquisitionFolder) {
  OpenFor(acquisitionFolder, {}, "Report", WindowId::kMain);
  chk_autoreport_->setChecked(true);
  Frame_report_->setEnabled(false);
  const ReportRequest request = RequestFromControls();
  lastFileType_ = request.layout.fileType;
  SetBusy(true, true);
  ReportOutcome outcome =
      GenerateAutomaticReport(request, ctx_.state.reportConfig.rawexport == 1, stopRequested_,
                              host_, [this](const ReportRequest& raw) {
                                Frame_run_->setVisible(true);
                                Chk_rawexport_->setChecked(raw.exportRaw);
                                Chk_replacedata_->setChecked(raw.replaceData);
                                frmtxt_datalapse_->setText(Qs(raw.dataLapseText));
                              });
  chk_autoreport_->setChecked(false);
  SetBusy(false);
  ShowOutcome(outcome);
  hide();
  return outcome;
}

}  // namespace movexa::ui
