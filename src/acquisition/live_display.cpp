// LiveDisplay: view, page, scale, zoom and channel selection of the main window's live display.
#include "acquisition/live_display.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/app_state.h"

namespace movexa {

namespace {

// The number a picker or box shows; -1 when the text is not a whole number 0..9999.
int PickerNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty() || text.size() > 4) return -1;
  int value = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return -1;
    value = value * 10 + (ch - '0');
  }
  return value;
}

char PickerLetter(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.empty()) return '\0';
  char ch = text.front();
  if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return ch;
}

}  // namespace

LiveDisplay::LiveDisplay(const AppState& state, Canvas& picact, Canvas& picreal,
                         Canvas& picturetime)
    : state_(state), picact_(picact), picreal_(picreal), picturetime_(picturetime) {
  baselines_.fill(kInitialZoomBaseline);
  std::snprintf(temperatureCaption_.data(), temperatureCaption_.size(), "%.*s",
                static_cast<int>(live_display_text::kInitialTemperatureCaption.size()),
                live_display_text::kInitialTemperatureCaption.data());
}

// ---- Project ----

void LiveDisplay::LoadProject() {
  const PlateGeometry& g = state_.geometry;
  rowItems_.clear();
  for (int r = 0; r < g.rows && r < 26; ++r) rowItems_.push_back(std::string(1, char('A' + r)));
  columnItems_.clear();
  for (int c = 1; c <= g.columns; ++c) columnItems_.push_back(std::to_string(c));
  groupItems_ = MainGroupSelectorItems(state_.project, state_.wellMap);
  traceWidth_ = state_.project.RT_Buffer;
  page_ = 0;
  SelectGroup(groupItems_.front());
}

// ---- Activity picture controls ----

void LiveDisplay::SelectView(ActivityView view, std::string_view groupLabel) {
  switch (view) {
    case ActivityView::kBarPlot:
      SelectBarPlot();
      break;
    case ActivityView::kHeatMap:
      SelectHeatMap();
      break;
    case ActivityView::kGroup:
      SelectGroup(groupLabel);
      break;
  }
}

void LiveDisplay::SelectBarPlot() {
  view_ = ActivityView::kBarPlot;
  page_ = 0;
  ClearActivity();
  RedrawActivity();
}

void LiveDisplay::SelectHeatMap() {
  view_ = ActivityView::kHeatMap;
  pageButtonsVisible_ = false;
  // The heat map leaves its margins alone: without clearing, the bar plot would show there.
  ClearActivity();
  RedrawActivity();
}

bool LiveDisplay::SelectGroup(std::string_view label) {
  const int group = GroupNumberOfLabel(label);
  if (group < 0) return false;
  group_ = group;
  groupIndex_ = -1;
  for (size_t i = 0; i < groupItems_.size(); ++i) {
    if (GroupNumberOfLabel(groupItems_[i]) == group) {
      groupIndex_ = static_cast<int>(i);
      break;
    }
  }
  groupToolTip_ = std::string(label);
  wellListItems_ = GroupWellListItems(state_.project, state_.wellMap, state_.geometry, group);
  wellListIndex_ = -1;
  // The group view shows the chosen group even when none of its channels can be listed.
  SetGroupWells(GroupWells(state_.project, state_.wellMap, group));

  SetActivityCoordinates(picact_);
  ClearActivity();
  view_ = ActivityView::kGroup;
  pageButtonsVisible_ = false;
  DrawActivityAxes(picact_, UsableScale(scale_));
  if (!wellListItems_.empty()) {
    wellListIndex_ = 0;
    SelectListEntry(0);
  }
  LiveActivity(state_.run.buffers, activity_);
  DrawGroupViewNow();
  return true;
}

void LiveDisplay::PageUp() {
  if (page_ + 1 < pageCount_) {
    ++page_;
    // Each bar clears only its own slot: a shorter page would keep the other page's bars.
    ClearActivity();
  }
  RedrawActivity();
}

void LiveDisplay::PageDown() {
  if (page_ > 0) {
    --page_;
    ClearActivity();
  }
  RedrawActivity();
}

void LiveDisplay::SetAutoScale(bool on) {
  autoScale_ = on;
  scale_ = 1.0;  // the usual scale starts afresh; the automatic one is computed by the redraw
  ClearActivity();
  RedrawActivity();
}

// ---- Signal picture controls ----

void LiveDisplay::ApplyZoom(int zoom) {
  zoom_ = std::clamp(zoom, 0, kMaxZoom);
  ComputeBaselines();
  DrawFullTrace();
}

void LiveDisplay::ZoomPlus() {
  ApplyZoom(zoom_ + 1);
}
void LiveDisplay::ZoomMinus() {
  ApplyZoom(zoom_ - 1);
}

void LiveDisplay::ComputeBaselines() {
  const RunBuffers& buffers = state_.run.buffers;
  if (buffers.rows() < 2 || buffers.raw.empty()) return;
  const int position = state_.run.counters.sampleIndex;
  for (int c = 0; c < kChannelSlots; ++c) baselines_[c] = ZoomBaseline(buffers, c, position);
}

int16_t LiveDisplay::zoomBaseline(int channel) const {
  if (channel < 0 || channel >= kChannelSlots) return 0;
  return baselines_[channel];
}

bool LiveDisplay::SelectChannel(int channel) {
  if (channel < 0 || channel >= kChannelCount) return false;
  channel_ = channel;
  const int well = state_.wellMap.channelWell[channel];
  const int rows = std::max<int>(1, state_.geometry.rows);
  if (well >= 0) {
    selectedRowLetter_ = static_cast<char>('A' + well % rows);
    selectedColumn_ = well / rows + 1;
  }
  const int group = state_.project.channelGroup[channel];
  if (group >= 0) SetGroupWells(GroupWells(state_.project, state_.wellMap, group));
  DrawFullTrace();
  return true;
}

bool LiveDisplay::SelectAt(const WellPosition& position) {
  const int channel = ChannelAtPosition(state_.geometry, state_.wellMap, position);
  if (channel < 0) {
    // Refused: the pickers return to the channel shown.
    const int well = state_.wellMap.channelWell[channel_];
    if (well >= 0) {
      const int rows = std::max<int>(1, state_.geometry.rows);
      ShowPosition({static_cast<char>('A' + well % rows), well / rows + 1,
                    state_.wellMap.channelBeam[channel_]});
    }
    return false;
  }
  ShowPosition(position);
  return SelectChannel(channel);
}

void LiveDisplay::ShowPosition(const WellPosition& p) {
  rowText_ = std::string(1, p.rowLetter);
  columnText_ = std::to_string(p.column);
  beamText_ = std::to_string(p.beam);
}

bool LiveDisplay::PickRow(std::string_view row, std::string_view column, std::string_view beam) {
  const PlateGeometry& g = state_.geometry;
  WellPosition p{PickerLetter(row), PickerNumber(column), std::max(0, PickerNumber(beam))};
  const int r = p.rowLetter - 'A';
  const bool outside = r < 0 || r >= g.rows || p.column < 1 || p.column > g.columns ||
                       (p.column - 1) * g.rows + r > state_.wellMap.highestWell;
  if (outside) {
    p.rowLetter = 'A';
    p.column = 1;
  }
  if (p.beam > state_.wellMap.highestBeam) p.beam = 0;
  return SelectAt(p);
}

bool LiveDisplay::PickColumn(std::string_view row, std::string_view column, std::string_view beam) {
  // The column picker checks neither the well nor the beam: a position the map does not have
  // is refused by SelectAt.
  const WellPosition p{PickerLetter(row), PickerNumber(column), PickerNumber(beam)};
  return SelectAt(p);
}

bool LiveDisplay::LeaveBeamBox(std::string_view row, std::string_view column,
                               std::string_view beam) {
  WellPosition p{PickerLetter(row), PickerNumber(column), PickerNumber(beam)};
  if (p.beam < 0) p.beam = 0;
  if (p.beam > state_.wellMap.highestBeam) p.beam = state_.wellMap.highestBeam;
  beamText_ = std::to_string(p.beam);
  return SelectAt(p);
}

bool LiveDisplay::SelectListEntry(int index) {
  if (index < 0 || index >= static_cast<int>(wellListItems_.size())) return false;
  WellPosition p;
  if (!ParseWellListEntry(wellListItems_[index], p)) return false;
  p.beam = std::min<int>(p.beam, state_.wellMap.highestBeam);
  return SelectAt(p);
}

bool LiveDisplay::DoubleClickWellList(int index) {
  if (index < 0 || index >= static_cast<int>(wellListItems_.size())) return false;
  wellListIndex_ = index;
  return SelectListEntry(index);
}

bool LiveDisplay::BeamPlus() {
  if (wellListItems_.empty()) return false;
  const int last = static_cast<int>(wellListItems_.size()) - 1;
  wellListIndex_ = std::min(wellListIndex_ + 1, last);
  beamListText_ = wellListItems_[wellListIndex_];
  return SelectListEntry(wellListIndex_);
}

bool LiveDisplay::BeamMinus() {
  if (wellListItems_.empty()) return false;
  wellListIndex_ = std::max(wellListIndex_ - 1, 0);
  beamListText_ = wellListItems_[wellListIndex_];
  return SelectListEntry(wellListIndex_);
}

// ---- Refresh points ----

void LiveDisplay::PrepareLiveDisplay() {
  scale_ = 1.0;
  baselines_.fill(kInitialZoomBaseline);
  const int group = state_.project.channelGroup[channel_];
  if (group >= 0) SetGroupWells(GroupWells(state_.project, state_.wellMap, group));
  if (traceWidth_ <= 0) traceWidth_ = state_.project.RT_Buffer;
  DrawTraceBackground(picreal_, TraceWidth());
  ClearRunProgress();
}

void LiveDisplay::PrepareRealTimePlot(int right) {
  traceWidth_ = std::max(1, right - kTraceMargin);
  DrawTraceBackground(picreal_, traceWidth_);
}

void LiveDisplay::RedrawActivity() {
  LiveActivity(state_.run.buffers, activity_);
  switch (view_) {
    case ActivityView::kGroup:
      SetActivityCoordinates(picact_);
      DrawGroupViewNow();
      break;
    case ActivityView::kBarPlot:
      DrawBarPlotNow();
      break;
    case ActivityView::kHeatMap:
      DrawHeatMapNow();
      break;
  }
}

void LiveDisplay::ClearActivity() {
  picact_.SetBackColor(colors::kWhite);
  picact_.Clear();
  labelsPending_ = true;
  groupViewStale_ = false;
}

void LiveDisplay::SetGroupWells(std::vector<int16_t> wells) {
  if (wells == groupWells_) return;
  groupWells_ = std::move(wells);
  // Another list: bars and names of the old wells must not stay beside the new ones.
  groupViewStale_ = true;
}

void LiveDisplay::DrawAxes() {
  // The value scale is drawn again only when it changed or the picture was cleared.
  if (labelsPending_ || scale_ != axesScale_) {
    DrawActivityAxes(picact_, scale_);
    axesScale_ = scale_;
  } else {
    DrawActivityAxisBoxes(picact_);
  }
}

void LiveDisplay::DrawGroupViewNow() {
  if (groupViewStale_) ClearActivity();
  ComputeGroupViewMeans(activity_, state_.wellMap, groupWells_, groupMeans_);
  scale_ = autoScale_ ? AutoActivityScale(LargestGroupViewValue(groupMeans_))
                      : RaiseScaleForGroupMean(scale_, groupMeans_.groupMean);
  SetActivityCoordinates(picact_);
  DrawAxes();
  GroupViewPicture picture;
  picture.group = group_;
  picture.groupName = group_ < kChannelSlots ? std::string_view(state_.project.groupNames[group_])
                                             : std::string_view();
  picture.means = &groupMeans_;
  picture.wells = groupWells_;
  picture.plateRows = std::max<int>(1, state_.geometry.rows);
  picture.scale = scale_;
  picture.labels = labelsPending_;
  DrawGroupView(picact_, picture);
  labelsPending_ = false;
}

void LiveDisplay::DrawBarPlotNow() {
  GroupsInUse(activity_, state_.project, state_.wellMap, groupsInUse_);
  const int groups = static_cast<int>(groupsInUse_.size());
  pageCount_ = BarPlotPageCount(groups);
  // Fewer groups than before (another project) never leave the plot on a page without bars.
  page_ = std::clamp(page_, 0, pageCount_ - 1);
  pageButtonsVisible_ = PageButtonsShown(groups);
  scale_ = UsableScale(scale_);
  // The labels of a page change only with its groups; another set of groups starts afresh.
  barPageDrawn_.clear();
  int64_t largestOnPage = 0;
  for (int k = page_ * kBarsPerPage; k < groups && k < (page_ + 1) * kBarsPerPage; ++k) {
    barPageDrawn_.push_back(groupsInUse_[k].group);
    largestOnPage = std::max(largestOnPage, groupsInUse_[k].Mean());
  }
  if (autoScale_) scale_ = AutoActivityScale(largestOnPage);
  if (barPageDrawn_ != barPageLabelled_ && !labelsPending_) ClearActivity();
  SetActivityCoordinates(picact_);
  DrawAxes();
  const int64_t largest =
      DrawBarPlot(picact_, groupsInUse_, state_.project, page_, scale_, labelsPending_);
  barPageLabelled_.swap(barPageDrawn_);
  labelsPending_ = false;
  if (!autoScale_) scale_ = RaiseScaleAfterBarPlot(scale_, largest);
}

void LiveDisplay::DrawHeatMapNow() {
  HeatMapWellSums(activity_, state_.wellMap, state_.geometry, wellSums_);
  // The labels only when the picture was cleared since they were drawn.
  DrawHeatMap(picact_, state_.geometry, wellSums_, labelsPending_, autoScale_);
  labelsPending_ = false;
}

int LiveDisplay::TraceWidth() const {
  return traceWidth_ > 0 ? traceWidth_ : std::max<int>(1, state_.project.RT_Buffer);
}

TraceSource LiveDisplay::Trace() const {
  TraceSource t;
  t.buffers = &state_.run.buffers;
  t.channel = channel_;
  t.position = state_.run.counters.sampleIndex;
  t.zoom = zoom_;
  t.baseline = baselines_[channel_];
  t.windowPhase = state_.run.counters.windowPhase;
  t.width = TraceWidth();
  return t;
}

void LiveDisplay::DrawFullTrace() {
  RedrawTracePicture(picreal_, Trace());
}

void LiveDisplay::RedrawTrace() {
  if (zoom_ >= 1) {
    // The pending zoom step: the same zoom again, with baselines from the latest samples.
    ApplyZoom(zoom_);
    return;
  }
  DrawFullTrace();
}

void LiveDisplay::DrawTraceStep() {
  DrawTraceStepPicture(picreal_, Trace());
}

void LiveDisplay::ShowTemperature(std::string_view text, int64_t samplesTaken) {
  std::snprintf(temperatureCaption_.data(), temperatureCaption_.size(), "T=%.*s*C",
                static_cast<int>(std::min<size_t>(text.size(), 30)), text.data());
  std::snprintf(sampleCounter_.data(), sampleCounter_.size(), "%lld#",
                static_cast<long long>(samplesTaken));
  DrawSampleCounter(picreal_, samplesTaken, TraceWidth());
}

void LiveDisplay::DrawRunProgress(int32_t elapsedMinutes, int aqLapse) {
  lastElapsed_ = elapsedMinutes;
  lastLapse_ = aqLapse;
  progressShown_ = true;
  DrawRunProgressBar(picturetime_, elapsedMinutes, aqLapse);
}

void LiveDisplay::ClearRunProgress() {
  progressShown_ = false;
  ClearRunProgressBar(picturetime_);
}

void LiveDisplay::Layout() {
  ClearActivity();
  RedrawActivity();
  DrawFullTrace();
  ClearRunProgressBar(picturetime_);
  if (progressShown_) DrawRunProgressBar(picturetime_, lastElapsed_, lastLapse_);
}

bool LiveDisplay::windowPhase() const {
  return state_.run.counters.windowPhase;
}

}  // namespace movexa
