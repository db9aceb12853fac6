// The main window's calibration controls and the procedures' progress panel.
#include "ui/main/main_tools_panel.h"

#include <QAction>
#include <QFormLayout>
#include <QGridLayout>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "acquisition/detection_texts.h"
#include "calibration/calibration_procedures.h"
#include "calibration/tool_settings.h"
#include "project/project_settings.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

MainToolsPanel::MainToolsPanel(UiContext& ctx, AcquisitionEngine& engine, QWidget* parent)
    : QWidget(parent), ctx_(ctx), engine_(engine) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  frame_ = new QGroupBox("Calibration", this);
  frame_->setObjectName("frm_mn1");
  auto* grid = new QGridLayout(frame_);
  autoCal_ = new QCheckBox("Auto   Calibration", frame_);
  autoCal_->setObjectName("mnCalibra");
  autoZero_ = new QCheckBox("Auto   Zero", frame_);
  autoZero_->setObjectName("mnZero");
  fastCal_ = new QPushButton("Fast CALIB", frame_);
  fastCal_->setObjectName("cmd_calibra");
  fastZero_ = new QPushButton("Fast ZERO", frame_);
  fastZero_->setObjectName("Cmd_autozero");
  blank_ = new QPushButton("Read Blank", frame_);
  blank_->setObjectName("cmd_blank");
  snrLabel_ = new QLabel(Q(kSnrLabelBoxShown), frame_);
  snrLabel_->setObjectName("lbl_umbral");
  snrLabel_->setCursor(Qt::PointingHandCursor);
  snrLabel_->installEventFilter(this);
  snr_ = new QLineEdit(Q(kInitialSnrText), frame_);
  snr_->setObjectName("txt_snr_umbral");
  snr_->setMaximumWidth(70);
  organism_ = new QComboBox(frame_);
  organism_->setObjectName("Cmb_organism");
  for (const OrganismEntry& e : kOrganismEntries)
    organism_->addItem(Q(e.name), static_cast<int>(e.code));
  SelectOrganismCode(kOrganismCustomized);
  grid->addWidget(autoCal_, 0, 0);
  grid->addWidget(fastCal_, 0, 1);
  grid->addWidget(autoZero_, 1, 0);
  grid->addWidget(fastZero_, 1, 1);
  grid->addWidget(blank_, 2, 1);
  grid->addWidget(new QLabel("Organism:", frame_), 3, 0);
  grid->addWidget(organism_, 3, 1);
  grid->addWidget(snrLabel_, 4, 0);
  grid->addWidget(snr_, 4, 1);
  layout->addWidget(frame_);

  progress_ = new QGroupBox(this);
  progress_->setObjectName("frm_autotext");
  auto* pl = new QVBoxLayout(progress_);
  caption_ = new QLabel(progress_);
  caption_->setObjectName("lbl_autotext");
  QFont bold = caption_->font();
  bold.setBold(true);
  caption_->setFont(bold);
  channel_ = new QLabel("starting....", progress_);
  channel_->setObjectName("lbl_autochannel");
  picture_ = new PictureBox(progress_);
  picture_->setObjectName("picturecal");
  picture_->setFixedHeight(18);
  picture_->SetScale(0, 10, progressMax_, 0);
  pl->addWidget(caption_);
  pl->addWidget(channel_);
  pl->addWidget(picture_);
  progress_->hide();
  layout->addWidget(progress_);

  // Calibration mode starts off, as start-up leaves it.
  blank_->hide();
  autoCal_->setEnabled(false);
  autoZero_->setEnabled(false);

  connect(autoCal_, &QCheckBox::toggled, this, &MainToolsPanel::OnAutoCalibration);
  connect(autoZero_, &QCheckBox::toggled, this, &MainToolsPanel::OnAutoZero);
  connect(snr_, &QLineEdit::editingFinished, this, &MainToolsPanel::OnSnrLeft);
  connect(organism_, &QComboBox::currentIndexChanged, this, &MainToolsPanel::OnOrganism);
  connect(fastCal_, &QPushButton::clicked, this, &MainToolsPanel::FastCalib);
  connect(fastZero_, &QPushButton::clicked, this, &MainToolsPanel::FastZeroClicked);
  connect(blank_, &QPushButton::clicked, this, &MainToolsPanel::ReadBlankClicked);
  RunChanged();
}

void MainToolsPanel::ShowStartupValues() {
  const MainControls& m = ctx_.state.main;
  filling_ = true;
  if (m.calibrationFrameVisible) frame_->setVisible(*m.calibrationFrameVisible);
  const int previous = CurrentOrganismCode();
  organism_->clear();
  // Every entry stores its organism code (the size classes 7, 8 and 9 follow the organisms).
  for (const auto& item : m.organismItems) {
    int code = -1;
    for (const OrganismEntry& e : kOrganismEntries) {
      if (e.name == item) code = e.code;
    }
    organism_->addItem(Q(item), code);
  }
  SelectOrganismCode(previous);
  if (!m.organismText.empty()) {
    const int i = organism_->findText(Q(m.organismText), Qt::MatchFixedString);
    if (i >= 0) organism_->setCurrentIndex(i);
  }
  snr_->setText(Q(m.snrText));
  // The organism decides whether the SNR box is shown; the stored factor stays as it is.
  const int organism = CurrentOrganismCode();
  if (organism == kOrganismCElegans || organism == kOrganismZebrafish) {
    snr_->hide();
    snrLabel_->setText(Q(kSnrLabelBoxHidden));
  } else if (organism == kOrganismCustomized) {
    snr_->show();
    snrLabel_->setText(Q(kSnrLabelBoxShown));
  }
  autoCal_->setChecked(m.autoCalibration);
  autoZero_->setChecked(m.autoZero);
  fastCal_->setVisible(!m.autoCalibration);
  fastZero_->setVisible(!m.autoZero);
  filling_ = false;
  // Calibration mode starts off: "Read Blank" hidden, the boxes fixed, "OFF" ticked.
  blank_->hide();
  autoCal_->setEnabled(false);
  autoZero_->setEnabled(false);
  ShowManualCalibrationEntries(false);
  RunChanged();
}

void MainToolsPanel::RunChanged() {
  const AcquisitionRun& run = ctx_.state.run;
  const bool active = run.runState != RunState::kStopped;
  const bool busy = engine_.fastProcedureRunning() || (instrumentBusy && instrumentBusy());
  const CalibrationButtons buttons = CalibrationButtonsEnabled(run, busy);
  fastCal_->setEnabled(buttons.fastCalibration);
  fastZero_->setEnabled(buttons.fastZero);
  blank_->setEnabled(buttons.readBlank);
  organism_->setEnabled(!active);
  snr_->setReadOnly(active);
}

void MainToolsPanel::SetManualCalibrationEntries(QAction* onEntry, QAction* offEntry) {
  manualOn_ = onEntry;
  manualOff_ = offEntry;
  ShowManualCalibrationEntries(!blank_->isHidden());
}

void MainToolsPanel::ShowManualCalibrationEntries(bool on) {
  if (manualOn_) manualOn_->setChecked(on);
  if (manualOff_) manualOff_->setChecked(!on);
}

void MainToolsPanel::ManualCalibration(bool on) {
  const ManualCalibrationControls c = ApplyManualCalibration(on, ctx_.state.project, ctx_.state.main);
  blank_->setVisible(c.readBlankVisible);
  autoCal_->setEnabled(c.checkBoxesEnabled);
  autoZero_->setEnabled(c.checkBoxesEnabled);
  if (!on) {
    // The calibration frame is shown, as the setup window's "Calibration Control" box does,
    // and both automatic options are on with their usual effects.
    frame_->show();
    const QSignalBlocker a(autoCal_), b(autoZero_);
    autoCal_->setChecked(ctx_.state.main.autoCalibration);
    autoZero_->setChecked(ctx_.state.main.autoZero);
    fastCal_->setVisible(!ctx_.state.main.autoCalibration);
    fastZero_->setVisible(!ctx_.state.main.autoZero);
  }
  ShowManualCalibrationEntries(c.on);
}

void MainToolsPanel::OnAutoCalibration(bool checked) {
  if (filling_) return;
  SetAutoCalibration(ctx_.state.project, ctx_.state.main, checked);
  fastCal_->setVisible(!checked);
}

void MainToolsPanel::OnAutoZero(bool checked) {
  if (filling_) return;
  SetAutoZero(ctx_.state.project, ctx_.state.main, checked);
  fastZero_->setVisible(!checked);
}

SnrBoxState MainToolsPanel::CurrentSnr() const {
  SnrBoxState s;
  s.text = S(snr_->text());
  s.factor = ctx_.state.main.snr;
  s.boxVisible = !snr_->isHidden();
  s.label = S(snrLabel_->text());
  s.organism = CurrentOrganismCode();
  return s;
}

int MainToolsPanel::CurrentOrganismCode() const {
  const QVariant code = organism_->currentData();
  return code.isValid() ? code.toInt() : -1;
}

void MainToolsPanel::SelectOrganismCode(int code) {
  const int i = organism_->findData(code);
  if (i >= 0) organism_->setCurrentIndex(i);
}

void MainToolsPanel::ShowSnr(const SnrBoxState& snr) {
  snr_->setText(Q(snr.text));
  snr_->setVisible(snr.boxVisible);
  snrLabel_->setText(Q(snr.label));
  ctx_.state.main.snrText = snr.text;
  ctx_.state.main.snr = snr.factor;
}

void MainToolsPanel::OnSnrLeft() {
  if (filling_ || snr_->isReadOnly()) return;
  const SnrBoxCheck check = LeaveSnrBox(ctx_.state.project, S(snr_->text()), ctx_.host.dialogs);
  snr_->setText(Q(check.text));
  ctx_.state.main.snrText = check.text;
  ctx_.state.main.snr = check.factor;
  if (CurrentOrganismCode() == check.organism) {
    OnOrganism(organism_->currentIndex());
  } else {
    SelectOrganismCode(check.organism);
  }
}

void MainToolsPanel::OnOrganism(int index) {
  if (filling_ || index < 0) return;
  const int code = organism_->itemData(index).toInt();
  SnrBoxState current = CurrentSnr();
  current.organism = code;
  ShowSnr(ChooseOrganism(ctx_.state.project, current, code));
}

bool MainToolsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == snrLabel_ && event->type() == QEvent::MouseButtonRelease) {
    // The label shows or hides the SNR box.
    const bool show = snr_->isHidden();
    snr_->setVisible(show);
    snrLabel_->setText(Q(show ? kSnrLabelBoxShown : kSnrLabelBoxHidden));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainToolsPanel::FastCalib() {
  // The buttons wait while the procedure runs (outside a run it holds the instrument).
  fastCal_->setEnabled(false);
  fastZero_->setEnabled(false);
  blank_->setEnabled(false);
  engine_.RunFastProcedure([](CalibrationContext& c) { return FastCalibration(c); });
  if (onRunChanged) onRunChanged();
  RunChanged();
}

void MainToolsPanel::FastZeroClicked() {
  fastCal_->setEnabled(false);
  fastZero_->setEnabled(false);
  blank_->setEnabled(false);
  const MainControls& m = ctx_.state.main;
  const std::string snr = S(snr_->text());
  const bool both = m.autoCalibration && m.autoZero;
  engine_.RunFastProcedure([&](CalibrationContext& c) { return FastZero(c, snr, both); });
  if (onRunChanged) onRunChanged();
  RunChanged();
}

void MainToolsPanel::ReadBlankClicked() {
  engine_.ReadBlank();
  if (onRunChanged) onRunChanged();
}

void MainToolsPanel::ShowProgressPanel(std::string_view caption) {
  if (!caption.empty()) caption_->setText(Q(caption));
  progress_->show();
  progress_->repaint();
}

void MainToolsPanel::HideProgressPanel() {
  progress_->hide();
}

void MainToolsPanel::SetProgressText(const QString& text) {
  channel_->setText(text);
  channel_->repaint();
}

void MainToolsPanel::SetProgressScale(double scaleMax) {
  progressMax_ = scaleMax > 0 ? scaleMax : 1;
  picture_->SetScale(0, 10, progressMax_, 0);
}

void MainToolsPanel::SetProgressBackground(int red, int green, int blue) {
  progressBack_ =
      Rgb{static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue)};
  picture_->SetBackColor(progressBack_);
}

void MainToolsPanel::ClearProgress() {
  picture_->Clear();
  picture_->update();
}

void MainToolsPanel::DrawProgress(double x) {
  picture_->FilledBox(0, 0, x, 10, colors::kBlue);
  picture_->repaint();
}

}  // namespace movexa::ui
