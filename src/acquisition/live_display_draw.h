// The pictures of the live display, drawn on a Canvas: the activity picture (axes and value
// scale, group view, bar plot, heat map), the signal picture (background, full redraw, step,
// erase cursor, sample counter) and the run progress bar. Each function sets the coordinates
// it draws in where it starts a picture, draws in copy mode and leaves the rest of the picture
// as it was (drawing is persistent). Values come from live_display_values.h.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "acquisition/live_detection.h"
#include "acquisition/live_display_values.h"
#include "base/canvas.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

namespace live_display_colors {
inline constexpr Rgb kBarFill{200, 200, 200};
inline constexpr Rgb kBarPlotValue{125, 125, 125};
inline constexpr Rgb kGroupViewValue{128, 128, 128};
inline constexpr Rgb kTrace = colors::kRed;
inline constexpr Rgb kGrid = colors::kRed;
inline constexpr Rgb kProgress = colors::kBlue;
// The threshold line alternates with the detection windows: blue, then green.
inline Rgb Threshold(bool windowPhase) {
  return windowPhase ? colors::kGreen : colors::kBlue;
}
}  // namespace live_display_colors

// ---- Activity picture (Picact) ----

// Coordinates of the group view and the bar plot: x -30 .. 300, y 300 (top) .. -30.
void SetActivityCoordinates(Canvas& canvas);
// Axes and value scale: black axis boxes, the scale cleared, three ticks, and the values
// scale x 250 ("0"), scale x 250 / 2 ("0") and " 0" at x -15.
void DrawActivityAxes(Canvas& canvas, double scale);
// The two black axis boxes alone.
void DrawActivityAxisBoxes(Canvas& canvas);

// Group view of one group: the group bar with its mean and label "G" + number + "_" + name,
// then one white bar per listed well with its well name, then the axis boxes again.
struct GroupViewPicture {
  int group = 0;
  std::string_view groupName;
  const GroupViewMeans* means = nullptr;  // well means in the order of `wells`
  std::span<const int16_t> wells;
  int plateRows = 8;
  double scale = 1.0;
  // The group label and the well names (with the white boxes under them). They change only with
  // the group or its wells, after which the picture is cleared: a periodic redraw over a group
  // view already drawn may leave them out.
  bool labels = true;
};
void DrawGroupView(Canvas& canvas, const GroupViewPicture& picture);

// Bar plot of the groups in use on page `page` (12 per page when paged). Returns the largest
// mean drawn (the caller raises the scale from it for the next redraw). With `labels` false the
// group labels (and the white boxes under them) of a page already drawn are left as they are.
int64_t DrawBarPlot(Canvas& canvas, std::span<const GroupActivity> groups,
                    const ProjectSettings& project, int page, double scale, bool labels = true);

// Heat map: coordinates, red grid (the cell outlines), column numbers and row letters, one grey
// cell per well inset by a tenth of the cell, then the grid again. `wellSums` as
// HeatMapWellSums gives them. The labels lie outside the cells and never change: a periodic
// redraw over a heat map already drawn may leave them out (`labels` false). With `autoScale` the
// greys run up to the most active well shown (HeatMapMaximum).
void DrawHeatMap(Canvas& canvas, const PlateGeometry& geometry, std::span<const int64_t> wellSums,
                 bool labels = true, bool autoScale = false);

// ---- Signal picture (Picreal) ----

// What the trace of one channel is drawn from.
struct TraceSource {
  const RunBuffers* buffers = nullptr;  // raw levels and envelopes
  int channel = 0;
  int position = 0;  // current sample position p (the row just sampled)
  int zoom = 0;
  int baseline = kInitialZoomBaseline;
  bool windowPhase = false;
  int width = 500;  // RT_Buffer: the x axis runs 0 .. width + 20
};
// Coordinates x 0 .. width + 20, y 2300 (top) .. 0.
void SetTraceCoordinates(Canvas& canvas, int width);
// Background: cleared, the black axis box and the white ticks at 500, 1000, 1500, 2000.
void DrawTraceBackground(Canvas& canvas, int width);
// Full redraw: background, every segment but those within one sample of p, the erase cursor.
void RedrawTracePicture(Canvas& canvas, const TraceSource& trace);
// One step: the segments ending at p - 2 and p - 1 (wrapping to the end of the buffer at the
// start of a bin), a white box ahead of the trace, the axis box and the ticks.
void DrawTraceStepPicture(Canvas& canvas, const TraceSource& trace);
// Erase cursor of a full redraw: white (p + 4, 21)-(p + 10, 2259).
void DrawEraseCursor(Canvas& canvas, int position);
// Sample counter n + "#" near the bottom left of the signal picture, the earlier counter
// erased under it.
void DrawSampleCounter(Canvas& canvas, int64_t samplesTaken, int width);

// ---- Run progress (picturetime) ----

// Coordinates x 0 .. 100, y 0 .. 100, cleared.
void ClearRunProgressBar(Canvas& canvas);
// A blue box (0, 0)-(elapsed / Aq_lapse x 100, 100), at most the full bar (a lapse of 0 or
// less shows the full bar).
void DrawRunProgressBar(Canvas& canvas, int32_t elapsedMinutes, int aqLapse);

}  // namespace movexa
