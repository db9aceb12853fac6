// The report settings window: bound to LoadReportConfig, ApplyReportSettings and
// BackToDefaultReportConfig.
#include "ui/reports/frm_reportset.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include "reports/report_config.h"

namespace movexa::ui {

namespace {
constexpr std::array<std::string_view, 4> kLayoutCaptions = {"Rows", "List", "WArray", "CHArray"};
}  // namespace

Frm_Reportset::Frm_Reportset(UiContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  setObjectName("Frm_Reportset");
  setWindowTitle(tr("User Defined Report"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(options_.Build(this, kLayoutCaptions));

  auto* checks = new QHBoxLayout;
  Chk_rawexport_ = new QCheckBox(tr("Export Raw"), this);
  Chk_rawexport_->setObjectName("Chk_rawexport");
  Chk_rawexport_->setToolTip(tr("Export the raw activity marks when raw data is re-analysed"));
  Chk_autofile_ = new QCheckBox(tr("Auto-Generate after measurement"), this);
  Chk_autofile_->setObjectName("Chk_autofile");
  checks->addWidget(Chk_rawexport_);
  checks->addWidget(Chk_autofile_);
  checks->addStretch();
  layout->addLayout(checks);

  auto* buttons = new QHBoxLayout;
  Cmd_cancel_ = new QPushButton(tr("Back to Default"), this);
  Cmd_cancel_->setObjectName("Cmd_cancel");
  Cmd_generate_ = new QPushButton(tr("Apply"), this);
  Cmd_generate_->setObjectName("Cmd_generate");
  Cmd_generate_->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(Cmd_cancel_);
  buttons->addWidget(Cmd_generate_);
  layout->addLayout(buttons);

  connect(Cmd_generate_, &QPushButton::clicked, this, &Frm_Reportset::Apply);
  connect(Cmd_cancel_, &QPushButton::clicked, this, &Frm_Reportset::BackToDefault);
}

void Frm_Reportset::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) Reload();
}

void Frm_Reportset::Reload() {
  ReportConfig& config = ctx_.state.reportConfig;
  LoadReportConfig(config, 1, ctx_.state.appDir, ctx_.host);
  options_.FillBins(config.Bin);
  options_.ShowConfig(config);
  if (config.rawexport != 1) config.rawexport = 0;
  Chk_rawexport_->setChecked(config.rawexport == 1);
}

void Frm_Reportset::ChooseFromMenu(bool checked) {
  ChooseUserDefinedBin(ctx_.state.reportConfig, checked, ctx_.state.appDir, ctx_.host);
  if (ctx_.nav.IsRegistered(WindowId::kReportSet)) {
    ctx_.nav.Show(WindowId::kReportSet);
  } else {
    show();
  }
}

void Frm_Reportset::Apply() {
  ReportConfig& config = ctx_.state.reportConfig;
  ReportSettingsChoice choice;
  choice.binText = options_.BinText();
  choice.filetype = static_cast<int16_t>(options_.FileType());
  choice.spacer = Std(options_.txt_customspacer->text());
  choice.outFormat = static_cast<int16_t>(options_.Layout());
  choice.stdError = options_.Chk_statistic[2]->isChecked();
  choice.stdDev = options_.Chk_statistic[3]->isChecked();
  choice.n = options_.Chk_statistic[4]->isChecked();
  choice.rawExport = Chk_rawexport_->isChecked();
  if (!ApplyReportSettings(config, choice, ctx_.state.appDir, ctx_.host)) {
    // Refused (the bin is not a number): the previous bin stays in force and in the box.
    options_.Cmb_binsize->setCurrentText(QString::number(config.Bin));
    return;
  }
  ctx_.state.main.userDefinedBin = true;
  emit UserDefinedBinChanged(true);
  ReturnToMain();
}

void Frm_Reportset::BackToDefault() {
  ctx_.state.main.userDefinedBin = false;
  emit UserDefinedBinChanged(false);
  BackToDefaultReportConfig(ctx_.state.reportConfig, ctx_.state.appDir, ctx_.host);
  ReturnToMain();
}

void Frm_Reportset::ReturnToMain() {
  hide();
  if (ctx_.nav.IsRegistered(WindowId::kMain)) ctx_.nav.Show(WindowId::kMain);
}

}  // namespace movexa::ui
