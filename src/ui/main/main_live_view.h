// The main window's live display: the activity picture (Picact) with its view buttons, group
// selector, page buttons and "Auto scale" choice, the signal trace (Picreal) with zoom and the row,
// column and beam pickers, the group's well list with its beam buttons, the temperature caption,
// the sample counter and the run progress bar (picturetime). The display's state and drawing are
// the core's LiveDisplay; this widget forwards the engine's refresh points and the operator's
// choices to it, then shows the display's state in its controls.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "acquisition/live_display.h"
#include "ui/common/picture_box.h"
#include "ui/common/ui_context.h"

namespace movexa::ui {

class MainLiveView : public QWidget {
  Q_OBJECT

 public:
  explicit MainLiveView(UiContext& ctx, QWidget* parent = nullptr);
  ~MainLiveView() override;

  // Selectors and pictures for the current project (start-up, and activation while stopped
  // when the project, its plate or its groups changed).
  void ResetForProject();
  // Refresh points of the engine.
  void PrepareForRun();
  void PrepareRealTimePlot(int right);
  void DrawTraceStep();
  void RedrawTrace();
  void RedrawActivity();
  void ShowTemperature(std::string_view text, int64_t samplesTaken);
  void DrawRunProgress(int32_t elapsedMinutes, int aqLapse);
  // "Read Blank" clears the progress bar.
  void ClearRunProgress();

  LiveDisplay& display() { return *display_; }
  PictureBox* trace() { return trace_; }
  PictureBox* activity() { return activity_; }
  PictureBox* progress() { return progress_; }
  QLabel* temperatureLabel() { return temperature_; }

 private:
  QWidget* BuildActivityBar();
  QWidget* BuildTraceBar();
  // The controls show the display's state (no handler runs while they are filled).
  void ShowState();
  void ShowTraceCaptions();
  void Pick(bool (LiveDisplay::*pick)(std::string_view, std::string_view, std::string_view));

  UiContext& ctx_;
  PictureBox* activity_;
  PictureBox* trace_;
  PictureBox* progress_;
  std::unique_ptr<LiveDisplay> display_;
  bool filling_ = false;
  std::string projectKey_;  // the project the selectors were filled for

  QPushButton* barPlot_;
  QPushButton* heatMap_;
  QComboBox* groups_;
  QPushButton* pageDown_;
  QPushButton* pageUp_;
  QCheckBox* autoScale_;
  QComboBox* row_;
  QComboBox* column_;
  QLineEdit* beam_;
  QLabel* channel_;
  QPushButton* zoomMinus_;
  QLineEdit* zoom_;
  QPushButton* zoomPlus_;
  QListWidget* wells_;
  QPushButton* beamMinus_;
  QLineEdit* beamList_;
  QPushButton* beamPlus_;
  QLabel* temperature_;
  QLabel* samples_;
};

}  // namespace movexa::ui
