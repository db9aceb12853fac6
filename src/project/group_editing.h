// Group editing of the current project: the group selector, the assigned and free channel
// lists, assigning and freeing wells, the plate picture's mouse semantics (left assigns, right
// frees; a click leaves wells of other groups alone, a drag takes them over), renaming and
// clearing groups, the arrangement sets and the automatic arrangement into rectangular blocks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

// Group numbers run 0..383.
inline constexpr int kGroupCount = 384;

// The group selector: labels "NNN_name", the group number of each, and the entry selected.
struct GroupSelector {
  std::vector<std::string> labels;
  std::vector<int16_t> groups;
  int selected = 0;
};

// Rebuilds the group selector: every used group and every number up to the highest used one,
// then one unused number after it (group 0 when none is used). A used group still named "Free"
// is renamed "Group<g>" (its entry keeps showing the old name until the next refill). Selects
// `selectGroup`, else the first entry.
GroupSelector FillGroupSelector(ProjectSettings& p, int selectGroup);
// The group number of a label: its first three characters; nullopt when they are no number.
std::optional<int16_t> GroupOfLabel(std::string_view label);

// Channel labels of the channels in `group` (or free, for -1) that are enabled and mapped to a
// well, in channel order.
std::vector<std::string> ChannelList(const ProjectSettings& p, const WellMap& map,
                                     const PlateGeometry& g, int group);
inline std::vector<std::string> FreeList(const ProjectSettings& p, const WellMap& map,
                                         const PlateGeometry& g) {
  return ChannelList(p, map, g, kFreeGroup);
}

// The well of a channel label ("B3.1" -> column 2 x rows + row 1); nullopt when the label is
// not one of a well of this plate.
std::optional<int> WellOfChannelLabel(std::string_view label, const PlateGeometry& g);
// Every channel of `well` through the well map (disabled channels included) takes `group`
// (-1 frees). Returns the number of channels changed hands.
int SetWellGroup(ProjectSettings& p, const WellMap& map, int well, int group);
// The list actions: the well of `label` assigned to `group`, or freed. False when the label
// names no well of the plate (nothing changes).
bool AssignWell(ProjectSettings& p, const WellMap& map, const PlateGeometry& g,
                std::string_view label, int group);
bool FreeWell(ProjectSettings& p, const WellMap& map, const PlateGeometry& g,
              std::string_view label);
// The list entry to select after a list shrank or grew: the same position, or the last entry.
int KeepSelection(int previous, int count);

// "CLEAR LIST": every channel free, every group name 0..383 "Free".
void ClearGroups(ProjectSettings& p);

// Asks the new name of `group` ("Enter New Group (NNN) Name", proposing its name). An empty
// answer changes nothing. The quote rule and the length cut apply. True when renamed.
bool RenameGroup(ProjectSettings& p, Host& host, int group);

// Arrangement sets "rrxcc [RowsxColumn]": every column divisor c (outer) and row divisor r
// (inner) of the plate from 1 to 16.
std::vector<std::string> ArrangementSets(const PlateGeometry& g);
// The set preselected in the set list: the third when there are at least three, else the first.
int PreselectedSet(size_t count);

// Arranges the plate into blocks of r rows x c columns ("rrxcc..."): clears all groups, then
// block n is group n ("Group<n>"), started at the first free well (column by column) not covered
// by an earlier block. Only enabled free channels are assigned; a block never reaches past the
// bottom row or the last column of the plate. False when the set text holds no r and c of 1..16.
bool AutoArrange(ProjectSettings& p, const WellMap& map, const PlateGeometry& g,
                 std::string_view set);

// The plate picture's editing state.
enum class PlateButton { kLeft, kRight, kOther };
struct PlateEditState {
  bool plateDrawn = false;  // mouse editing only once the plate has been drawn
  bool dragging = false;
  bool moved = false;  // the pointer moved while the button was held: the release is a drag
  PlateButton button = PlateButton::kLeft;
  int startRow = 0, startColumn = 0;
  int endRow = 0, endColumn = 0;
  int captionWell = -1;  // the well index the channel caption shows
};

// Mouse down at picture coordinates (x, y): the well under the pointer; left assigns its
// enabled free channels to `group`, right frees its enabled channels. Starts the drag. True
// when the window refreshes (false for other buttons or before the plate is drawn).
bool PlateMouseDown(PlateEditState& st, ProjectSettings& p, const WellMap& map,
                    const PlateGeometry& g, PlateButton button, double x, double y, int group);
// Mouse move: updates the drag rectangle's end cell; true when a drag is in progress.
bool PlateMouseMove(PlateEditState& st, const PlateGeometry& g, double x, double y);
// Mouse up: after a drag, every enabled channel of every well of the rectangle takes `group`
// (left, whatever group it had) or is freed (right). Ends the drag; true when the window
// refreshes.
bool PlateMouseUp(PlateEditState& st, ProjectSettings& p, const WellMap& map,
                  const PlateGeometry& g, double x, double y, int group);

}  // namespace movexa
