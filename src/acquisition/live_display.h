// LiveDisplay: the state of the main window's live display and the operations its controls
// and the sampling loop call. It draws on three canvases: the activity picture (`Picact`),
// the signal picture (`Picreal`) and the run progress bar (`picturetime`). It reads the run's
// buffers, counters and texts from AppState::run (the one source of truth) and the well map,
// geometry and groups from AppState; it writes nothing into AppState.
//
// Binding: the main window owns one LiveDisplay over its PictureBoxes. Each control event
// calls the operation of the same name below, then refreshes its controls from the getters
// (pickers, captions, lists, page buttons, zoom box). The window's LiveDisplayObserver forwards
// the refresh points (PrepareLiveDisplay, PrepareRealTimePlot, RedrawActivity, RedrawTrace,
// DrawTraceStep, ShowTemperature, DrawRunProgress) here (LiveDisplayFeed in live_display_feed.h
// does it) and then refreshes the labels that may have changed (lblcanal, txtzoom,
// lbl_temperature). The window calls Layout() after a resize.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/live_display_draw.h"
#include "acquisition/live_display_values.h"
#include "base/canvas.h"

namespace movexa {

struct AppState;

class LiveDisplay {
 public:
  // All references must outlive the display.
  LiveDisplay(const AppState& state, Canvas& picact, Canvas& picreal, Canvas& picturetime);
  LiveDisplay(const LiveDisplay&) = delete;
  LiveDisplay& operator=(const LiveDisplay&) = delete;

  // ---- Project ----
  // A project (or plate format, or its groups) was loaded: fills the row and column pickers,
  // the group selector (groups in use) and selects its first entry as the group selector does
  // (view 0, first well of the list as the selected channel, pictures drawn). Call at start-up
  // and whenever the main window is shown after the project changed.
  void LoadProject();

  // ---- Activity picture controls ----
  // Any view: kGroup takes the group selector's text (first three characters = group number).
  void SelectView(ActivityView view, std::string_view groupLabel = {});
  // "Bar Plot" (Cmd_barplot): view 1, page 0, picture cleared, redrawn.
  void SelectBarPlot();
  // "Heatmap PLOT" (Cmd_gridplot): view 2, page buttons hidden, picture cleared, redrawn.
  void SelectHeatMap();
  // Group selector (combogrup) with the entry's text: group number from its first three
  // characters, the well list of that group refilled, the tooltip set, the picture cleared,
  // view 0, page buttons hidden, the axes drawn, the first entry of the well list selected as by
  // a double-click, the group view drawn. False (nothing changed) for a text without a number.
  bool SelectGroup(std::string_view label);
  // ">" (cmd_pgup) and "<" (cmd_pgdown): next / previous page when there is one; redraw.
  void PageUp();
  void PageDown();
  // "Auto scale": on, every redraw scales the view to the largest value it shows (group and
  // well means, the bars of the page, the most active well); off, the usual scale from 1.0 that
  // only rises. Either way the picture is cleared and redrawn.
  void SetAutoScale(bool on);

  // ---- Signal picture controls ----
  // "+" (Cmdzoom_plus) up to 10, "-" (Cmdzoom_minus) down to 0: every channel's baseline is
  // set from the buffer rows 1 .. p - 1 and the trace redrawn.
  void ZoomPlus();
  void ZoomMinus();

  // Channel selection. The texts are the controls' present texts: row picker (Combofila),
  // column picker (Combocol), beam box (txtsub). Each returns whether a channel was selected
  // (and the trace redrawn); afterwards the pickers show rowText(), columnText(), beamText().
  // Row picker: a well outside the plate resets the pickers to "A", "1" (the first well); a beam
  // above the highest beam index becomes "0".
  bool PickRow(std::string_view row, std::string_view column, std::string_view beam);
  // Column picker: a position outside the plate, or a beam the map does not have, is refused
  // (nothing changes; the pickers return to the selected channel's position).
  bool PickColumn(std::string_view row, std::string_view column, std::string_view beam);
  // Leaving the beam box: a beam above the highest is replaced by the highest; the channel of
  // the pickers' position is selected.
  bool LeaveBeamBox(std::string_view row, std::string_view column, std::string_view beam);
  // Double-click on entry `index` of the well list (lstgrup): the beam box, row and column
  // pickers take the entry's position (beam at most the highest) and its channel is selected.
  bool DoubleClickWellList(int index);
  // ">" (cmdbeam_plus) and "<" (cmdbeam_minus): the next / previous list entry (within the
  // list) becomes the selection, its text goes to txtbeam and it is selected as a double-click.
  bool BeamPlus();
  bool BeamMinus();
  // Selects a channel directly (0..383): lblcanal, the well position and the group wells
  // follow; the trace is redrawn. False for a channel outside 0..383.
  bool SelectChannel(int channel);

  // ---- Refresh points (LiveDisplayObserver) ----
  // Run start: activity scale 1.0, every zoom baseline 2259, the group wells of the selected
  // channel's group, the signal picture cleared with its background, run progress cleared.
  void PrepareLiveDisplay();
  // Run start: the signal picture's coordinates x 0 .. `right` (the engine passes RT_Buffer +
  // 20, the right edge of the picture) and its background.
  void PrepareRealTimePlot(int right);
  // After every analysis interval: the activity picture in the current view.
  void RedrawActivity();
  // Full redraw of the signal picture; while zoom >= 1 the pending zoom step runs instead
  // (zoom lowered by one and "+" applied, which recomputes the baselines).
  void RedrawTrace();
  // After every sample.
  void DrawTraceStep();
  // After every sample: temperature caption and sample counter (n = samples taken).
  void ShowTemperature(std::string_view temperatureText, int64_t samplesTaken);
  // Every 25 samples.
  void DrawRunProgress(int32_t elapsedMinutes, int aqLapse);
  // Run start and "Read Blank": the progress bar cleared.
  void ClearRunProgress();
  // After a resize: coordinates set again, the activity view and the signal background drawn.
  void Layout();

  // ---- State the window shows ----
  ActivityView view() const { return view_; }
  int page() const { return page_; }
  int pageCount() const { return pageCount_; }
  bool pageButtonsVisible() const { return pageButtonsVisible_; }
  double scale() const { return scale_; }
  bool autoScale() const { return autoScale_; }
  int zoom() const { return zoom_; }
  std::string zoomText() const { return std::to_string(zoom_); }  // txtzoom
  int16_t zoomBaseline(int channel) const;
  int selectedChannel() const { return channel_; }
  std::string channelCaption() const { return std::to_string(channel_); }  // lblcanal

  const std::vector<std::string>& rowItems() const { return rowItems_; }        // Combofila
  const std::vector<std::string>& columnItems() const { return columnItems_; }  // Combocol
  const std::string& rowText() const { return rowText_; }
  const std::string& columnText() const { return columnText_; }
  const std::string& beamText() const { return beamText_; }          // txtsub
  const std::string& beamListText() const { return beamListText_; }  // txtbeam
  // Position of the selected channel's well (recorded whenever the channel changes).
  char selectedRowLetter() const { return selectedRowLetter_; }
  int selectedColumn() const { return selectedColumn_; }

  const std::vector<std::string>& groupItems() const { return groupItems_; }  // combogrup
  int groupIndex() const { return groupIndex_; }  // selected entry, -1 when none
  const std::string& groupToolTip() const { return groupToolTip_; }
  int selectedGroup() const { return group_; }
  const std::vector<int16_t>& groupWells() const { return groupWells_; }
  const std::vector<std::string>& wellListItems() const { return wellListItems_; }  // lstgrup
  int wellListIndex() const { return wellListIndex_; }  // -1 when nothing is selected

  bool windowPhase() const;  // the run's window phase (threshold blue / green)
  std::string_view sampleCounterText() const { return sampleCounter_.data(); }
  std::string_view temperatureCaption() const { return temperatureCaption_.data(); }

 private:
  void ClearActivity();
  void DrawAxes();
  void SetGroupWells(std::vector<int16_t> wells);
  void DrawGroupViewNow();
  void DrawBarPlotNow();
  void DrawHeatMapNow();
  void DrawFullTrace();
  void ComputeBaselines();
  void ApplyZoom(int zoom);
  TraceSource Trace() const;
  int TraceWidth() const;
  bool SelectAt(const WellPosition& position);
  void ShowPosition(const WellPosition& position);
  bool SelectListEntry(int index);

  const AppState& state_;
  Canvas& picact_;
  Canvas& picreal_;
  Canvas& picturetime_;

  ActivityView view_ = ActivityView::kGroup;
  int page_ = 0;
  int pageCount_ = 0;
  bool pageButtonsVisible_ = false;
  double scale_ = 1.0;
  bool autoScale_ = false;
  int zoom_ = 0;
  std::array<int16_t, kChannelSlots> baselines_{};
  int channel_ = 0;
  int traceWidth_ = 0;  // 0 until a run or a project sets it

  std::vector<std::string> rowItems_;
  std::vector<std::string> columnItems_;
  std::string rowText_ = "A";
  std::string columnText_ = "1";
  std::string beamText_ = "0";
  std::string beamListText_;
  char selectedRowLetter_ = 'A';
  int selectedColumn_ = 1;

  std::vector<std::string> groupItems_;
  int groupIndex_ = -1;
  std::string groupToolTip_;
  int group_ = 0;
  std::vector<int16_t> groupWells_;
  std::vector<std::string> wellListItems_;
  int wellListIndex_ = -1;

  // The activity picture was cleared since its labels (group and well names, bar labels, heat
  // map rows and columns) were drawn: the next redraw draws them. Periodic redraws leave the
  // unchanged labels as they are.
  bool labelsPending_ = true;
  double axesScale_ = 0;                  // the scale the value scale shows
  bool groupViewStale_ = false;           // the group wells changed since the last draw
  std::vector<int16_t> barPageDrawn_;     // groups of the bar plot page being drawn
  std::vector<int16_t> barPageLabelled_;  // groups whose labels the picture shows
  int32_t lastElapsed_ = 0;               // the run progress shown, redrawn by Layout()
  int lastLapse_ = 0;
  bool progressShown_ = false;

  std::array<char, 24> sampleCounter_{};
  std::array<char, 40> temperatureCaption_{};

  // Working storage of the redraws, reused from one refresh to the next.
  ChannelActivity activity_{};
  GroupViewMeans groupMeans_;
  std::vector<GroupActivity> groupsInUse_;
  std::vector<int64_t> wellSums_;
};

}  // namespace movexa
