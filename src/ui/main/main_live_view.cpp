// The main window's live display.
#include "ui/main/main_live_view.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace {

namespace lt = live_display_text;

QPushButton* SmallButton(QWidget* parent, const char* name, std::string_view text) {
  auto* b = new QPushButton(Q(text), parent);
  b->setObjectName(name);
  b->setMaximumWidth(36);
  return b;
}

void FillCombo(QComboBox* combo, const std::vector<std::string>& items) {
  combo->clear();
  for (const auto& item : items) combo->addItem(Q(item));
}

}  // namespace

MainLiveView::MainLiveView(UiContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  activity_ = new PictureBox(this);
  activity_->setObjectName("Picact");
  activity_->setMinimumSize(420, 250);
  trace_ = new PictureBox(this);
  trace_->setObjectName("Picreal");
  trace_->setMinimumSize(420, 230);
  progress_ = new PictureBox(this);
  progress_->setObjectName("picturetime");
  progress_->setFixedHeight(14);
  display_ = std::make_unique<LiveDisplay>(ctx_.state, *activity_, *trace_, *progress_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(BuildActivityBar());
  layout->addWidget(activity_, 1);
  layout->addWidget(BuildTraceBar());
  auto* traceRow = new QHBoxLayout;
  traceRow->addWidget(trace_, 1);
  auto* listColumn = new QVBoxLayout;
  wells_ = new QListWidget(this);
  wells_->setObjectName("lstgrup");
  wells_->setMaximumWidth(110);
  wells_->setToolTip("Wells of the group (double-click to show one)");
  auto* beamButtons = new QHBoxLayout;
  beamMinus_ = SmallButton(this, "cmdbeam_minus", lt::kBeamMinusButton);
  beamList_ = new QLineEdit(this);
  beamList_->setObjectName("txtbeam");
  beamList_->setReadOnly(true);
  beamList_->setMaximumWidth(56);
  beamPlus_ = SmallButton(this, "cmdbeam_plus", lt::kBeamPlusButton);
  beamButtons->addWidget(beamMinus_);
  beamButtons->addWidget(beamList_);
  beamButtons->addWidget(beamPlus_);
  listColumn->addWidget(wells_, 1);
  listColumn->addLayout(beamButtons);
  traceRow->addLayout(listColumn);
  layout->addLayout(traceRow, 1);
  auto* captions = new QHBoxLayout;
  temperature_ = new QLabel(Q(lt::kInitialTemperatureCaption), this);
  temperature_->setObjectName("lbl_temperature");
  samples_ = new QLabel(this);
  samples_->setObjectName("lblsamples");
  samples_->setToolTip("Samples taken");
  captions->addWidget(temperature_);
  captions->addStretch();
  captions->addWidget(samples_);
  layout->addLayout(captions);
  layout->addWidget(progress_);

  for (PictureBox* p : {activity_, trace_, progress_}) {
    connect(p, &PictureBox::Resized, this, [this] {
      display_->Layout();
      activity_->update();
      trace_->update();
      progress_->update();
    });
  }
  connect(barPlot_, &QPushButton::clicked, this, [this] {
    display_->SelectBarPlot();
    ShowState();
  });
  connect(heatMap_, &QPushButton::clicked, this, [this] {
    display_->SelectHeatMap();
    ShowState();
  });
  connect(groups_, &QComboBox::activated, this, [this](int) {
    display_->SelectGroup(S(groups_->currentText()));
    ShowState();
  });
  connect(pageUp_, &QPushButton::clicked, this, [this] {
    display_->PageUp();
    ShowState();
  });
  connect(pageDown_, &QPushButton::clicked, this, [this] {
    display_->PageDown();
    ShowState();
  });
  connect(autoScale_, &QCheckBox::toggled, this, [this](bool on) {
    display_->SetAutoScale(on);
    activity_->update();
  });
  connect(zoomPlus_, &QPushButton::clicked, this, [this] {
    display_->ZoomPlus();
    ShowState();
  });
  connect(zoomMinus_, &QPushButton::clicked, this, [this] {
    display_->ZoomMinus();
    ShowState();
  });
  connect(row_, &QComboBox::activated, this, [this](int) { Pick(&LiveDisplay::PickRow); });
  connect(column_, &QComboBox::activated, this, [this](int) { Pick(&LiveDisplay::PickColumn); });
  connect(beam_, &QLineEdit::editingFinished, this, [this] { Pick(&LiveDisplay::LeaveBeamBox); });
  connect(wells_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    display_->DoubleClickWellList(wells_->row(item));
    ShowState();
  });
  connect(beamPlus_, &QPushButton::clicked, this, [this] {
    display_->BeamPlus();
    ShowState();
  });
  connect(beamMinus_, &QPushButton::clicked, this, [this] {
    display_->BeamMinus();
    ShowState();
  });
}

MainLiveView::~MainLiveView() = default;

QWidget* MainLiveView::BuildActivityBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  auto* caption = new QLabel("Activity:", bar);
  groups_ = new QComboBox(bar);
  groups_->setObjectName("combogrup");
  groups_->setMinimumWidth(150);
  barPlot_ = new QPushButton(Q(lt::kBarPlotButton), bar);
  barPlot_->setObjectName("Cmd_barplot");
  heatMap_ = new QPushButton(Q(lt::kHeatMapButton), bar);
  heatMap_->setObjectName("Cmd_gridplot");
  pageDown_ = SmallButton(bar, "cmd_pgdown", lt::kPageDownButton);
  pageUp_ = SmallButton(bar, "cmd_pgup", lt::kPageUpButton);
  autoScale_ = new QCheckBox(Q(lt::kAutoScaleChoice), bar);
  autoScale_->setObjectName("chk_autoscale");
  autoScale_->setToolTip("Scale the activity to the largest value shown");
  row->addWidget(caption);
  row->addWidget(groups_);
  row->addWidget(barPlot_);
  row->addWidget(heatMap_);
  row->addWidget(pageDown_);
  row->addWidget(pageUp_);
  row->addStretch();
  row->addWidget(autoScale_);
  pageDown_->hide();
  pageUp_->hide();
  return bar;
}

QWidget* MainLiveView::BuildTraceBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row_ = new QComboBox(bar);
  row_->setObjectName("Combofila");
  column_ = new QComboBox(bar);
  column_->setObjectName("Combocol");
  beam_ = new QLineEdit("0", bar);
  beam_->setObjectName("txtsub");
  beam_->setMaximumWidth(40);
  channel_ = new QLabel("0", bar);
  channel_->setObjectName("lblcanal");
  channel_->setMinimumWidth(34);
  zoomMinus_ = SmallButton(bar, "Cmdzoom_minus", "-");
  zoom_ = new QLineEdit("0", bar);
  zoom_->setObjectName("txtzoom");
  zoom_->setReadOnly(true);
  zoom_->setMaximumWidth(36);
  zoomPlus_ = SmallButton(bar, "Cmdzoom_plus", "+");
  row->addWidget(new QLabel("Signal of row", bar));
  row->addWidget(row_);
  row->addWidget(new QLabel("column", bar));
  row->addWidget(column_);
  row->addWidget(new QLabel("beam", bar));
  row->addWidget(beam_);
  row->addWidget(new QLabel("channel", bar));
  row->addWidget(channel_);
  row->addStretch();
  row->addWidget(new QLabel("Zoom", bar));
  row->addWidget(zoomMinus_);
  row->addWidget(zoom_);
  row->addWidget(zoomPlus_);
  return bar;
}

void MainLiveView::ShowState() {
  const LiveDisplay& d = *display_;
  filling_ = true;
  if (row_->count() != static_cast<int>(d.rowItems().size())) FillCombo(row_, d.rowItems());
  if (column_->count() != static_cast<int>(d.columnItems().size()))
    FillCombo(column_, d.columnItems());
  row_->setCurrentText(Q(d.rowText()));
  column_->setCurrentText(Q(d.columnText()));
  beam_->setText(Q(d.beamText()));
  FillCombo(groups_, d.groupItems());
  groups_->setCurrentIndex(d.groupIndex());
  groups_->setToolTip(Q(d.groupToolTip()));
  pageDown_->setVisible(d.pageButtonsVisible());
  pageUp_->setVisible(d.pageButtonsVisible());
  wells_->clear();
  for (const auto& item : d.wellListItems()) wells_->addItem(Q(item));
  wells_->setCurrentRow(d.wellListIndex());
  beamList_->setText(Q(d.beamListText()));
  filling_ = false;
  ShowTraceCaptions();
  activity_->update();
  trace_->update();
}

void MainLiveView::ShowTraceCaptions() {
  channel_->setText(Q(display_->channelCaption()));
  zoom_->setText(Q(display_->zoomText()));
}

void MainLiveView::Pick(bool (LiveDisplay::*pick)(std::string_view, std::string_view,
                                                  std::string_view)) {
  if (filling_) return;
  (display_.get()->*pick)(S(row_->currentText()), S(column_->currentText()), S(beam_->text()));
  ShowState();
}

void MainLiveView::ResetForProject() {
  const ProjectSettings& p = ctx_.state.project;
  // The selectors are refilled only when the project, its plate or its groups changed, so a
  // visit to another window keeps the operator's choices.
  std::string key = std::to_string(ctx_.state.config.Actual_Project_Number) + "|" + p.Plate_format +
                    "|" + std::to_string(p.RT_Buffer);
  for (const auto& name : p.groupNames) key += "|" + name;
  for (int16_t g : p.channelGroup) key += "," + std::to_string(g);
  if (key == projectKey_) return;
  projectKey_ = std::move(key);
  display_->LoadProject();
  ShowState();
}

void MainLiveView::PrepareForRun() {
  display_->PrepareLiveDisplay();
  ShowState();
  progress_->update();
}

void MainLiveView::PrepareRealTimePlot(int right) {
  display_->PrepareRealTimePlot(right);
  trace_->update();
}

void MainLiveView::DrawTraceStep() {
  display_->DrawTraceStep();
  trace_->update();
}

void MainLiveView::RedrawTrace() {
  display_->RedrawTrace();
  zoom_->setText(Q(display_->zoomText()));
  trace_->update();
}

void MainLiveView::RedrawActivity() {
  display_->RedrawActivity();
  activity_->update();
}

void MainLiveView::ShowTemperature(std::string_view text, int64_t samplesTaken) {
  display_->ShowTemperature(text, samplesTaken);
  temperature_->setText(Q(display_->temperatureCaption()));
  samples_->setText(Q(display_->sampleCounterText()));
}

void MainLiveView::DrawRunProgress(int32_t elapsedMinutes, int aqLapse) {
  display_->DrawRunProgress(elapsedMinutes, aqLapse);
  progress_->update();
}

void MainLiveView::ClearRunProgress() {
  display_->ClearRunProgress();
  progress_->update();
}

}  // namespace movexa::ui
