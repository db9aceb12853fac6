// The main window's live display: the activity picture (Picact) with its view buttons, group
// selector and page buttons, the signal trace (Picreal) with zoom and the row, column and beam
// pickers, the group's well list, the temperature caption, the sample counter and the run
// progress bar (picturetime). The display's state and drawing are the core's; this widget
// forwards the engine's refresh points and the operator's choices to it.
#pragma once

#include <QLabel>
#include <QWidget>

#include "ui/common/picture_box.h"
#include "ui/common/ui_context.h"

namespace movexa::ui {

class MainLiveView : public QWidget {
  Q_OBJECT

 public:
  explicit MainLiveView(UiContext& ctx, QWidget* parent = nullptr);

  // Buffers and selectors for the current project (start-up and activation while stopped).
  void ResetForProject();
  // Run start: the channels of the selected group, scale 1.0, trace and progress cleared.
  void PrepareForRun();
  void PrepareRealTimePlot(int widthSamples);

  // Refresh points of the sampling loop.
  void DrawTraceStep();
  void RedrawTrace();
  void RedrawActivity();
  void ShowTemperature(std::string_view text, int64_t samplesTaken);
  void DrawRunProgress(int32_t elapsedMinutes, int aqLapse);

  PictureBox* trace() { return trace_; }
  PictureBox* activity() { return activity_; }
  PictureBox* progress() { return progress_; }

 private:
  UiContext& ctx_;
  PictureBox* activity_;
  PictureBox* trace_;
  PictureBox* progress_;
  QLabel* temperature_;
  QLabel* samples_;
};

}  // namespace movexa::ui
