// The arithmetic of the live display, as plain functions over the run's per-channel activity,
// the well map and the project's groups: group-view well means and group mean, the activity
// scale and its raise, the groups in use of the bar plot with its pages and slots, the heat
// map's cells, sums and grey levels, the trace's plotted value under zoom, the zoom baseline,
// the captions (sample counter, temperature) and the selection of a channel from a well
// position. The live display (live_display.h) keeps the state; the pictures
// (live_display_draw.h) draw what these functions compute.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/live_detection.h"
#include "base/constants.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

// Activity picture views.
enum class ActivityView : int16_t { kGroup = 0, kBarPlot = 1, kHeatMap = 2 };

namespace live_display_text {
inline constexpr std::string_view kBarPlotButton = "Bar Plot";      // Cmd_barplot
inline constexpr std::string_view kHeatMapButton = "Heatmap PLOT";  // Cmd_gridplot
inline constexpr std::string_view kPageDownButton = "<";            // cmd_pgdown
inline constexpr std::string_view kPageUpButton = ">";              // cmd_pgup
inline constexpr std::string_view kAutoScaleChoice = "Auto scale";  // chk_autoscale
inline constexpr std::string_view kBeamMinusButton = "<";           // cmdbeam_minus
inline constexpr std::string_view kBeamPlusButton = ">";            // cmdbeam_plus
// lbl_temperature before any reading.
inline constexpr std::string_view kInitialTemperatureCaption = "T = __ °C ";
}  // namespace live_display_text

inline constexpr int kBarsPerPage = 12;
inline constexpr int kMaxZoom = 10;
inline constexpr int16_t kInitialZoomBaseline = 2259;  // every baseline at run start
inline constexpr int kZoomLevel = 1750;                // where the baseline plots under zoom
inline constexpr int kLowestPlotted = 6;               // plotted values and visible envelopes
inline constexpr int kActivityFullScale = 255;
inline constexpr int kTraceTop = 2300;   // signal picture: y 0 (bottom) .. 2300 (top)
inline constexpr int kTraceMargin = 20;  // signal picture: x 0 .. RT_Buffer + 20

// Per-channel activity shown live (channels 0..384): each channel's total count since the
// start of the run, the count the sampling loop keeps for the live display.
using ChannelActivity = std::array<int16_t, kChannelSlots>;
void LiveActivity(const RunBuffers& buffers, ChannelActivity& out);

// ---- Group view ----

// Means of the group view for the listed wells. Each well's mean is the sum of the activity of
// the channels naming it in the well and beam map (beams 0..highest beam; a channel counts
// only if its own well entry is that well) over their number, halves to even; a well without
// channels has mean 0. Every channel visited also counts for the group: groupMean = their
// total over their number, halves to even (0 when none).
struct GroupViewMeans {
  std::vector<int64_t> wellMeans;  // one per listed well, in list order
  int64_t groupMean = 0;
  int channels = 0;  // channels visited
};
void ComputeGroupViewMeans(std::span<const int16_t> activity, const WellMap& wells,
                           std::span<const int16_t> wellList, GroupViewMeans& out);

// Width of one well's slot in the group view for `wells` listed wells: min(25, round(260 /
// wells)); where rounding up would carry the last wells past the picture's right edge (x 300),
// 260 / wells unrounded, so every listed well is drawn.
double GroupViewWellWidth(size_t wells);

// The activity scale in force: a scale found 0 (or not positive, or not a number) is 1.0.
double UsableScale(double scale);
// Group view: while groupMean / scale > 255 the scale grows by 0.5.
double RaiseScaleForGroupMean(double scale, int64_t groupMean);

// ---- Auto scale ----

// With "Auto scale" the activity axis follows the largest value shown instead of starting at
// 250 counts: its top (scale x 250) is the smallest even number of the series 2, 4, 6, 8, 10,
// 20, 40, 50, 60, 80, 100, 200, ... that is not below `largest`, so the half-way tick is a whole
// number too and the largest bar stands at least about half the axis high.
int64_t AutoScaleTop(int64_t largest);
// The activity scale of that axis: top / 250.
double AutoActivityScale(int64_t largest);
// The largest of the group mean and the well means of a group view.
int64_t LargestGroupViewValue(const GroupViewMeans& means);

// ---- Bar plot ----

// One group in use: the activity summed over its channels (with a well) and their number.
struct GroupActivity {
  int16_t group = 0;
  int64_t sum = 0;
  int count = 0;
  int64_t Mean() const;  // round(sum / count), halves to even
};
// Groups with at least one channel (channels 0..383 with a group and a well), in increasing
// group number. `out` is reused (no allocation once it has grown).
void GroupsInUse(std::span<const int16_t> activity, const ProjectSettings& project,
                 const WellMap& wells, std::vector<GroupActivity>& out);

// Pages of the bar plot: ceil(groups / 12) when more than 12 groups are in use, else 1 (all
// drawn on one page, page buttons hidden).
int BarPlotPageCount(int groupsInUse);
bool PageButtonsShown(int groupsInUse);

// Slots of the bar plot for `bars` bars drawn on a page (12 whenever the plot is paged): width
// w = 50 below 6 bars, else 300 / (bars + 1); offset o = round(0.35 w). Slot s starts at
// x0 = s w + o.
struct BarSlots {
  double width = 50;
  int64_t offset = 18;
  double X0(int slot) const { return slot * width + static_cast<double>(offset); }
};
BarSlots BarPlotSlots(int bars);
// The number of bars the slots are laid out for: 12 on a paged plot, else the groups in use.
int BarsLaidOut(int groupsInUse);
// Bar plot: the scale grows by 0.5 (from the next redraw) when the largest mean drawn over the
// scale exceeds 250.
double RaiseScaleAfterBarPlot(double scale, int64_t largestMeanDrawn);

// ---- Heat map ----

// Cells, offsets and coordinates of the heat map from the plate geometry: CW = round(pc x 100),
// CH = round(pr x 100), OX = round(oc x 100), OY = round(or x 100) (halves to even); the
// picture spans x OX - 150 .. 2410 and y OY - 200 (top) .. 1610 (bottom).
struct HeatMapLayout {
  int64_t cellWidth = 100, cellHeight = 100, offsetX = 0, offsetY = 0;
  double x1 = -150, y1 = -200, x2 = 2410, y2 = 1610;
};
HeatMapLayout ComputeHeatMapLayout(const PlateGeometry& geometry);
// Sum of the activity of the channels of each well of the plate (rows x columns wells, well
// w = column x rows + row); channels whose well lies outside the plate are left out.
void HeatMapWellSums(std::span<const int16_t> activity, const WellMap& wells,
                     const PlateGeometry& geometry, std::vector<int64_t>& out);
// The largest well sum, at least 255; with `autoScale` at least 1, so the most active well is
// black however quiet the plate.
int64_t HeatMapMaximum(std::span<const int64_t> wellSums, bool autoScale = false);
// Grey level 0..255 of a well: round(sum / maximum x 255), halves to even; the cell is drawn
// in (255 - level) grey, so no activity is white and the most active well black.
int HeatLevel(int64_t wellSum, int64_t maximum);

// ---- Signal trace ----

// Plotted value of a level: the level itself without zoom; with zoom z >= 1,
// (level - baseline) x z + 1750, at least 6.
int TracePlotValue(int level, int zoom, int baseline);
// The envelope segment ending at sample i is drawn only without zoom and when the envelope of
// sample i - 1 is at least 6.
bool EnvelopeVisible(int zoom, int previousEnvelope);
// Zoom baseline of a channel: the largest level among buffer rows 1 .. position - 1 (row 1's
// level when there are no others); 0 for buffers not sized.
int16_t ZoomBaseline(const RunBuffers& buffers, int channel, int position);

// ---- Captions ----

// Sample counter of the signal picture: n + "#".
std::string SampleCounterText(int64_t samplesTaken);
// lbl_temperature: "T=" + text + "*C".
std::string TemperatureCaption(std::string_view temperatureText);
// Group number of a group selector entry: the number its first three characters form; -1
// when they are not a number.
int GroupNumberOfLabel(std::string_view label);
// Entries of the main window's group selector: the label of every group in use by a channel
// with a well, increasing; "000_" + group 0's name when none is.
std::vector<std::string> MainGroupSelectorItems(const ProjectSettings& project,
                                                const WellMap& wells);
// The wells of a group as the group view lists them: every well (increasing) whose beam-0
// channel belongs to `group`.
std::vector<int16_t> GroupWells(const ProjectSettings& project, const WellMap& wells, int group);
// The well list of a group (lstgrup): the channel label (B3.1) of every channel of `group`
// that is enabled and has a well, in channel order.
std::vector<std::string> GroupWellListItems(const ProjectSettings& project, const WellMap& wells,
                                            const PlateGeometry& geometry, int group);

// ---- Channel selection ----

// A well position as the row picker, column picker and beam box give it.
struct WellPosition {
  char rowLetter = 'A';
  int column = 1;
  int beam = 0;
};
// Parses a well list entry "B3.1" (row letter, column number, ".", beam); false when malformed.
bool ParseWellListEntry(std::string_view entry, WellPosition& out);
// The channel at a well position: well = (column - 1) x rows + (row letter - "A"), then the
// well and beam map. -1 when the row or column lies outside the plate, the well beyond the
// map, the beam outside 0..highest beam, or no channel names that well and beam.
int ChannelAtPosition(const PlateGeometry& geometry, const WellMap& wells, const WellPosition& p);

}  // namespace movexa
