// The main window's live display.
#include "ui/main/main_live_view.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/main/qt_text.h"

namespace movexa::ui {

MainLiveView::MainLiveView(UiContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  activity_ = new PictureBox(this);
  activity_->setObjectName("Picact");
  activity_->setMinimumSize(360, 240);
  trace_ = new PictureBox(this);
  trace_->setObjectName("Picreal");
  trace_->setMinimumSize(360, 220);
  progress_ = new PictureBox(this);
  progress_->setObjectName("picturetime");
  progress_->setFixedHeight(14);
  progress_->SetScale(0, 100, 100, 0);
  auto* captions = new QHBoxLayout;
  temperature_ = new QLabel("T = __ \u00B0C ", this);
  temperature_->setObjectName("lbl_temperature");
  samples_ = new QLabel(this);
  samples_->setObjectName("lblsamples");
  captions->addWidget(temperature_);
  captions->addStretch();
  captions->addWidget(samples_);
  layout->addWidget(activity_, 1);
  layout->addWidget(trace_, 1);
  layout->addLayout(captions);
  layout->addWidget(progress_);
}

void MainLiveView::ResetForProject() {}

void MainLiveView::PrepareForRun() {
  progress_->Clear();
  progress_->update();
}

void MainLiveView::PrepareRealTimePlot(int widthSamples) {
  trace_->SetScale(0, 2300, widthSamples, 0);
  trace_->Clear();
  trace_->update();
}

void MainLiveView::DrawTraceStep() {}

void MainLiveView::RedrawTrace() {}

void MainLiveView::RedrawActivity() {}

void MainLiveView::ShowTemperature(std::string_view text, int64_t samplesTaken) {
  temperature_->setText("T=" + Q(text) + "*C");
  samples_->setText(QString::number(samplesTaken) + "#");
}

void MainLiveView::DrawRunProgress(int32_t elapsedMinutes, int aqLapse) {
  if (aqLapse <= 0) return;
  progress_->FilledBox(0, 0, static_cast<double>(elapsedMinutes) / aqLapse * 100.0, 100,
                       colors::kBlue);
  progress_->update();
}

}  // namespace movexa::ui
