// The arithmetic of the live display: means, scale, slots, cells, levels, zoom and captions.
#include "acquisition/live_display_values.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/rounding.h"
#include "project/plate_format.h"

namespace movexa {

namespace {

constexpr double kScaleStep = 0.5;
constexpr int64_t kBarPlotRaiseAbove = 250;
constexpr int kFewBars = 6;
constexpr double kFewBarsWidth = 50.0;
constexpr double kBarPlotWidth = 300.0;
constexpr double kSlotOffsetShare = 0.35;
constexpr double kAutoScaleAxis = 250.0;  // the value the axis top shows is scale x 250
constexpr double kGroupViewMaxWellWidth = 25.0;
constexpr double kGroupViewWellsSpan = 260.0;
constexpr double kGroupViewFirstWellX = 40.0;
constexpr double kGroupViewRightEdge = 300.0;

bool HasWell(const WellMap& wells, int channel) {
  return wells.channelWell[channel] >= 0;
}

}  // namespace

void LiveActivity(const RunBuffers& buffers, ChannelActivity& out) {
  for (int c = 0; c < kChannelSlots; ++c) out[c] = buffers.channels[c].totalCount;
}

void ComputeGroupViewMeans(std::span<const int16_t> activity, const WellMap& wells,
                           std::span<const int16_t> wellList, GroupViewMeans& out) {
  out.wellMeans.clear();
  int64_t groupTotal = 0;
  int groupChannels = 0;
  for (int16_t well : wellList) {
    int64_t sum = 0;
    int count = 0;
    for (int beam = 0; beam <= wells.highestBeam; ++beam) {
      const int c = wells.FindChannel(well, beam);
      if (c < 0 || static_cast<size_t>(c) >= activity.size()) continue;
      sum += activity[c];
      ++count;
    }
    out.wellMeans.push_back(count > 0 ? RoundHalfEvenDiv(sum, count) : 0);
    groupTotal += sum;
    groupChannels += count;
  }
  out.groupMean = groupChannels > 0 ? RoundHalfEvenDiv(groupTotal, groupChannels) : 0;
  out.channels = groupChannels;
}

double GroupViewWellWidth(size_t wells) {
  if (wells == 0) return kGroupViewMaxWellWidth;
  const double n = static_cast<double>(wells);
  const double w = static_cast<double>(std::min<int64_t>(
      static_cast<int64_t>(kGroupViewMaxWellWidth), RoundHalfEven(kGroupViewWellsSpan / n)));
  return kGroupViewFirstWellX + n * w > kGroupViewRightEdge ? kGroupViewWellsSpan / n : w;
}

double UsableScale(double scale) {
  return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

double RaiseScaleForGroupMean(double scale, int64_t groupMean) {
  scale = UsableScale(scale);
  while (static_cast<double>(groupMean) / scale > kActivityFullScale) scale += kScaleStep;
  return scale;
}

int64_t AutoScaleTop(int64_t largest) {
  constexpr std::array<int64_t, 6> kSteps = {1, 2, 4, 5, 6, 8};
  for (int64_t decade = 1; decade <= INT64_MAX / 10; decade *= 10) {
    for (int64_t m : kSteps) {
      const int64_t top = m * decade;
      if (top < 2 || top % 2 != 0) continue;
      if (top >= largest) return top;
    }
  }
  return largest;
}

double AutoActivityScale(int64_t largest) {
  return static_cast<double>(AutoScaleTop(largest)) / kAutoScaleAxis;
}

int64_t LargestGroupViewValue(const GroupViewMeans& means) {
  int64_t largest = means.groupMean;
  for (int64_t m : means.wellMeans) largest = std::max(largest, m);
  return largest;
}

int64_t GroupActivity::Mean() const {
  return count > 0 ? RoundHalfEvenDiv(sum, count) : 0;
}

void GroupsInUse(std::span<const int16_t> activity, const ProjectSettings& project,
                 const WellMap& wells, std::vector<GroupActivity>& out) {
  out.clear();
  std::array<int64_t, kChannelCount> sums{};
  std::array<int, kChannelCount> counts{};
  const int channels = std::min<int>(kChannelCount, static_cast<int>(activity.size()));
  for (int c = 0; c < channels; ++c) {
    const int g = project.channelGroup[c];
    // A channel the plate does not use reads nothing: it would only dilute its group's mean.
    if (g < 0 || g >= kChannelCount || !HasWell(wells, c)) continue;
    sums[g] += activity[c];
    ++counts[g];
  }
  for (int g = 0; g < kChannelCount; ++g) {
    if (counts[g] >= 1) out.push_back({static_cast<int16_t>(g), sums[g], counts[g]});
  }
}

int BarPlotPageCount(int groupsInUse) {
  if (groupsInUse <= kBarsPerPage) return 1;
  return (groupsInUse + kBarsPerPage - 1) / kBarsPerPage;
}

bool PageButtonsShown(int groupsInUse) {
  return groupsInUse > kBarsPerPage;
}

int BarsLaidOut(int groupsInUse) {
  return std::min(groupsInUse, kBarsPerPage);
}

BarSlots BarPlotSlots(int bars) {
  BarSlots slots;
  slots.width = bars < kFewBars ? kFewBarsWidth : kBarPlotWidth / (bars + 1);
  slots.offset = RoundHalfEven(kSlotOffsetShare * slots.width);
  return slots;
}

double RaiseScaleAfterBarPlot(double scale, int64_t largestMeanDrawn) {
  scale = UsableScale(scale);
  if (static_cast<double>(largestMeanDrawn) / scale > kBarPlotRaiseAbove) scale += kScaleStep;
  return scale;
}

HeatMapLayout ComputeHeatMapLayout(const PlateGeometry& geometry) {
  HeatMapLayout l;
  l.cellWidth = RoundHalfEven(geometry.columnPitch * 100);
  l.cellHeight = RoundHalfEven(geometry.rowPitch * 100);
  l.offsetX = RoundHalfEven(geometry.columnOffset * 100);
  l.offsetY = RoundHalfEven(geometry.rowOffset * 100);
  l.x1 = static_cast<double>(l.offsetX) - 150;
  l.y1 = static_cast<double>(l.offsetY) - 200;
  l.x2 = 2410;
  l.y2 = 1610;
  return l;
}

void HeatMapWellSums(std::span<const int16_t> activity, const WellMap& wells,
                     const PlateGeometry& geometry, std::vector<int64_t>& out) {
  const int plateWells = std::max(0, int{geometry.rows}) * std::max(0, int{geometry.columns});
  out.assign(static_cast<size_t>(plateWells), 0);
  const int channels = std::min<int>(kChannelCount, static_cast<int>(activity.size()));
  for (int c = 0; c < channels; ++c) {
    const int w = wells.channelWell[c];
    if (w >= 0 && w < plateWells) out[w] += activity[c];
  }
}

int64_t HeatMapMaximum(std::span<const int64_t> wellSums, bool autoScale) {
  int64_t maximum = autoScale ? 1 : kActivityFullScale;
  for (int64_t s : wellSums) maximum = std::max(maximum, s);
  return maximum;
}

int HeatLevel(int64_t wellSum, int64_t maximum) {
  if (maximum <= 0) return 0;
  const int64_t level = RoundHalfEvenDiv(wellSum * kActivityFullScale, maximum);
  return static_cast<int>(std::clamp<int64_t>(level, 0, kActivityFullScale));
}

int TracePlotValue(int level, int zoom, int baseline) {
  if (zoom < 1) return level;
  return std::max(kLowestPlotted, (level - baseline) * zoom + kZoomLevel);
}

bool EnvelopeVisible(int zoom, int previousEnvelope) {
  return zoom < 1 && previousEnvelope >= kLowestPlotted;
}

int16_t ZoomBaseline(const RunBuffers& buffers, int channel, int position) {
  if (buffers.rows() < 2 || channel < 0 || channel >= kChannelSlots) return 0;
  const int last = std::min(position - 1, buffers.rows() - 1);
  int16_t baseline = buffers.Raw(channel, 1);
  for (int row = 2; row <= last; ++row) baseline = std::max(baseline, buffers.Raw(channel, row));
  return baseline;
}

std::string SampleCounterText(int64_t samplesTaken) {
  return std::to_string(samplesTaken) + "#";
}

std::string TemperatureCaption(std::string_view temperatureText) {
  std::string caption = "T=";
  caption += temperatureText;
  caption += "*C";
  return caption;
}

int GroupNumberOfLabel(std::string_view label) {
  if (label.size() < 3) return -1;
  int number = 0;
  for (char ch : label.substr(0, 3)) {
    if (ch < '0' || ch > '9') return -1;
    number = number * 10 + (ch - '0');
  }
  return number;
}

std::vector<std::string> MainGroupSelectorItems(const ProjectSettings& project,
                                                const WellMap& wells) {
  std::array<bool, kChannelCount> used{};
  for (int c = 0; c < kChannelCount; ++c) {
    const int g = project.channelGroup[c];
    if (g >= 0 && g < kChannelCount && HasWell(wells, c)) used[g] = true;
  }
  std::vector<std::string> items;
  for (int g = 0; g < kChannelCount; ++g) {
    if (used[g]) items.push_back(GroupLabel(g, project.groupNames[g]));
  }
  if (items.empty()) items.push_back(GroupLabel(0, project.groupNames[0]));
  return items;
}

std::vector<int16_t> GroupWells(const ProjectSettings& project, const WellMap& wells, int group) {
  std::vector<int16_t> list;
  if (group < 0) return list;
  for (int w = 0; w <= wells.highestWell; ++w) {
    const int c = wells.FindChannel(w, 0);
    if (c >= 0 && project.channelGroup[c] == group) list.push_back(static_cast<int16_t>(w));
  }
  return list;
}

std::vector<std::string> GroupWellListItems(const ProjectSettings& project, const WellMap& wells,
                                            const PlateGeometry& geometry, int group) {
  std::vector<std::string> items;
  for (int c = 0; c < kChannelCount; ++c) {
    if (project.channelGroup[c] == group && project.channelEnabled[c] && HasWell(wells, c)) {
      items.push_back(ChannelLabel(wells, geometry, c));
    }
  }
  return items;
}

bool ParseWellListEntry(std::string_view entry, WellPosition& out) {
  if (entry.size() < 4) return false;
  const char letter = entry[0];
  if (letter < 'A' || letter > 'Z') return false;
  const size_t dot = entry.find('.');
  if (dot == std::string_view::npos || dot < 2 || dot + 1 >= entry.size()) return false;
  auto number = [](std::string_view digits, int& value) {
    if (digits.empty() || digits.size() > 4) return false;
    value = 0;
    for (char ch : digits) {
      if (ch < '0' || ch > '9') return false;
      value = value * 10 + (ch - '0');
    }
    return true;
  };
  WellPosition p;
  p.rowLetter = letter;
  if (!number(entry.substr(1, dot - 1), p.column) || !number(entry.substr(dot + 1), p.beam)) {
    return false;
  }
  out = p;
  return true;
}

int ChannelAtPosition(const PlateGeometry& geometry, const WellMap& wells, const WellPosition& p) {
  const int row = p.rowLetter - 'A';
  if (row < 0 || row >= geometry.rows || p.column < 1 || p.column > geometry.columns) return -1;
  const int well = (p.column - 1) * geometry.rows + row;
  if (well > wells.highestWell || p.beam < 0 || p.beam > wells.highestBeam) return -1;
  return wells.FindChannel(well, p.beam);
}

}  // namespace movexa
