// Group editing of the current project.
#include "project/group_editing.h"

#include <algorithm>
#include <array>

#include "base/number_format.h"
#include "base/text_records.h"
#include "project/plate_drawing.h"
#include "project/plate_format.h"
#include "project/setup_fields.h"
#include "project/setup_texts.h"

namespace movexa {

namespace texts = setup_texts;

namespace {

std::string GroupName(int n) {
  return std::string(texts::kGroupNamePrefix) + std::to_string(n);
}

std::array<bool, kGroupCount> UsedGroups(const ProjectSettings& p) {
  std::array<bool, kGroupCount> used{};
  for (size_t c = 0; c < kChannelCount; ++c) {
    int g = p.channelGroup[c];
    if (g >= 0 && g < kGroupCount) used[static_cast<size_t>(g)] = true;
  }
  return used;
}

// Every enabled channel of `well` (free ones only when `onlyFree`) takes `group`.
void SetEnabledChannels(ProjectSettings& p, const WellMap& map, int well, int group,
                        bool onlyFree) {
  for (int b = 0; b <= map.highestBeam; ++b) {
    int c = map.FindChannel(well, b);
    if (c < 0) continue;
    auto i = static_cast<size_t>(c);
    if (!p.channelEnabled[i]) continue;
    if (onlyFree && p.channelGroup[i] != kFreeGroup) continue;
    p.channelGroup[i] = static_cast<int16_t>(group);
  }
}

// The number in `text` when it is all digits (at least one).
std::optional<int> Digits(std::string_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return std::nullopt;
    v = v * 10 + (ch - '0');
  }
  return v;
}

bool IsFreeChannelOf(const ProjectSettings& p, const WellMap& map, int well) {
  int c = map.FindChannel(well, 0);
  return c >= 0 && p.channelGroup[static_cast<size_t>(c)] == kFreeGroup;
}

}  // namespace

GroupSelector FillGroupSelector(ProjectSettings& p, int selectGroup) {
  GroupSelector s;
  const auto used = UsedGroups(p);
  int highest = -1;
  for (int g = 0; g < kGroupCount; ++g) {
    if (used[static_cast<size_t>(g)]) highest = g;
  }
  for (int g = 0; g < kGroupCount; ++g) {
    auto i = static_cast<size_t>(g);
    if (used[i] || g <= highest) {
      s.labels.push_back(GroupLabel(g, p.groupNames[i]));
      s.groups.push_back(static_cast<int16_t>(g));
      if (used[i] && p.groupNames[i] == texts::kFreeName) p.groupNames[i] = GroupName(g);
    }
    if (g == highest + 1) {
      s.labels.push_back(GroupLabel(g, p.groupNames[i]));
      s.groups.push_back(static_cast<int16_t>(g));
    }
  }
  auto at = std::find(s.groups.begin(), s.groups.end(), selectGroup);
  s.selected = at == s.groups.end() ? 0 : static_cast<int>(at - s.groups.begin());
  return s;
}

std::optional<int16_t> GroupOfLabel(std::string_view label) {
  auto v = Digits(label.substr(0, 3));
  if (!v || label.size() < 3) return std::nullopt;
  return static_cast<int16_t>(*v);
}

std::vector<std::string> ChannelList(const ProjectSettings& p, const WellMap& map,
                                     const PlateGeometry& g, int group) {
  std::vector<std::string> labels;
  for (int c = 0; c < kChannelCount; ++c) {
    auto i = static_cast<size_t>(c);
    if (p.channelGroup[i] == group && p.channelEnabled[i] && map.channelWell[i] >= 0) {
      labels.push_back(ChannelLabel(map, g, c));
    }
  }
  return labels;
}

std::optional<int> WellOfChannelLabel(std::string_view label, const PlateGeometry& g) {
  if (label.size() < 2) return std::nullopt;
  int row = label[0] - 'A';
  auto dot = label.find('.');
  auto column = Digits(label.substr(1, dot == std::string_view::npos ? label.npos : dot - 1));
  if (!column || *column < 1 || row < 0 || row >= g.rows || *column > g.columns) {
    return std::nullopt;
  }
  return (*column - 1) * g.rows + row;
}

int SetWellGroup(ProjectSettings& p, const WellMap& map, int well, int group) {
  int changed = 0;
  for (int b = 0; b <= map.highestBeam; ++b) {
    int c = map.FindChannel(well, b);
    if (c < 0) continue;
    auto i = static_cast<size_t>(c);
    if (p.channelGroup[i] != group) ++changed;
    p.channelGroup[i] = static_cast<int16_t>(group);
  }
  return changed;
}

bool AssignWell(ProjectSettings& p, const WellMap& map, const PlateGeometry& g,
                std::string_view label, int group) {
  auto well = WellOfChannelLabel(label, g);
  if (!well || group < 0 || group >= kGroupCount) return false;
  SetWellGroup(p, map, *well, group);
  return true;
}

bool FreeWell(ProjectSettings& p, const WellMap& map, const PlateGeometry& g,
              std::string_view label) {
  auto well = WellOfChannelLabel(label, g);
  if (!well) return false;
  SetWellGroup(p, map, *well, kFreeGroup);
  return true;
}

int KeepSelection(int previous, int count) {
  if (count <= 0) return -1;
  return std::clamp(previous, 0, count - 1);
}

void ClearGroups(ProjectSettings& p) {
  for (size_t c = 0; c < kChannelCount; ++c) p.channelGroup[c] = kFreeGroup;
  for (size_t g = 0; g < kGroupCount; ++g) p.groupNames[g] = std::string(texts::kFreeName);
}

bool RenameGroup(ProjectSettings& p, Host& host, int group) {
  if (group < 0 || group >= kGroupCount) return false;
  auto i = static_cast<size_t>(group);
  std::string answer =
      host.dialogs.Input(texts::RenameGroupPrompt(ZeroPad(group, 3)), "", p.groupNames[i]);
  if (answer.empty()) return false;
  bool shortened = false;
  p.groupNames[i] = TypedName(answer, &shortened);
  if (shortened) host.dialogs.Problem(texts::NameShortened(kMaxNameChars));
  return true;
}

std::vector<std::string> ArrangementSets(const PlateGeometry& g) {
  std::vector<std::string> sets;
  for (int c = 1; c <= 16; ++c) {
    if (g.columns < 1 || g.columns % c != 0) continue;
    for (int r = 1; r <= 16; ++r) {
      if (g.rows < 1 || g.rows % r != 0) continue;
      sets.push_back(ZeroPad(r, 2) + "x" + ZeroPad(c, 2) + std::string(texts::kSetSuffix));
    }
  }
  return sets;
}

int PreselectedSet(size_t count) {
  return count >= 3 ? 2 : 0;
}

bool AutoArrange(ProjectSettings& p, const WellMap& map, const PlateGeometry& g,
                 std::string_view set) {
  if (set.size() < 5 || set[2] != 'x') return false;
  auto r = Digits(set.substr(0, 2));
  auto c = Digits(set.substr(3, 2));
  if (!r || !c || *r < 1 || *r > 16 || *c < 1 || *c > 16) return false;
  ClearGroups(p);
  if (g.rows < 1 || g.columns < 1) return true;
  const int rows = g.rows;
  const int wells = std::min<int>(rows * g.columns, map.highestWell + 1);
  const int blocks = map.highestWell / (*r * *c);
  // Wells covered by earlier blocks: a well whose beam-0 channel stayed free (disabled, say)
  // is never taken as the start of a later block.
  std::vector<bool> covered(static_cast<size_t>(std::max(wells, 1)), false);
  for (int n = 0; n <= blocks && n < kGroupCount; ++n) {
    int start = 0;
    for (int w = 0; w < wells; ++w) {
      if (!covered[static_cast<size_t>(w)] && IsFreeChannelOf(p, map, w)) {
        start = w;
        break;
      }
    }
    const int startRow = start % rows;
    const int startColumn = start / rows;
    for (int j = 1; j <= *r; ++j) {
      for (int k = 1; k <= *c; ++k) {
        if (map.highestWell < n * j * k) continue;
        // The block stays within the plate: never past the bottom row into the next column,
        // never past the last column.
        if (startRow + j - 1 >= rows || startColumn + k - 1 >= g.columns) continue;
        const int target = (k - 1) * rows + start + j - 1;
        if (target < wells) covered[static_cast<size_t>(target)] = true;
        SetEnabledChannels(p, map, target, n, true);
        p.groupNames[static_cast<size_t>(n)] = GroupName(n);
      }
    }
  }
  return true;
}

bool PlateMouseDown(PlateEditState& st, ProjectSettings& p, const WellMap& map,
                    const PlateGeometry& g, PlateButton button, double x, double y, int group) {
  if (!st.plateDrawn || button == PlateButton::kOther) return false;
  WellCell cell = HitTestWell(g, x, y);
  if (cell.inside) {
    st.captionWell = cell.Well(g);
    if (button == PlateButton::kLeft) {
      if (group >= 0 && group < kGroupCount)
        SetEnabledChannels(p, map, st.captionWell, group, true);
    } else {
      SetEnabledChannels(p, map, st.captionWell, kFreeGroup, false);
    }
  }
  cell = ClampCell(g, cell);
  st.button = button;
  st.startRow = st.endRow = cell.row;
  st.startColumn = st.endColumn = cell.column;
  st.dragging = true;
  st.moved = false;
  return true;
}

bool PlateMouseMove(PlateEditState& st, const PlateGeometry& g, double x, double y) {
  if (!st.dragging) return false;
  WellCell cell = ClampCell(g, HitTestWell(g, x, y));
  st.endRow = cell.row;
  st.endColumn = cell.column;
  st.moved = true;
  return true;
}

bool PlateMouseUp(PlateEditState& st, ProjectSettings& p, const WellMap& map,
                  const PlateGeometry& g, double x, double y, int group) {
  if (!st.dragging) return false;
  st.dragging = false;
  if (!st.moved) return true;  // a click: the mouse down did all of it
  WellCell cell = ClampCell(g, HitTestWell(g, x, y));
  st.endRow = cell.row;
  st.endColumn = cell.column;
  const int target = st.button == PlateButton::kLeft ? group : kFreeGroup;
  if (st.button == PlateButton::kLeft && (group < 0 || group >= kGroupCount)) return true;
  for (int row = std::min(st.startRow, st.endRow); row <= std::max(st.startRow, st.endRow); ++row) {
    for (int col = std::min(st.startColumn, st.endColumn);
         col <= std::max(st.startColumn, st.endColumn); ++col) {
      st.captionWell = col * g.rows + row;
      SetEnabledChannels(p, map, st.captionWell, target, false);
    }
  }
  return true;
}

}  // namespace movexa
