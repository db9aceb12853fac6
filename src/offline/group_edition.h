// The acquisition's own group edition: re-assigning the wells of one recorded acquisition to
// groups (automatic arrangement in equal blocks, wells picked on the plate picture, the
// "=>" and "<=" moves, renames, clearing) on a copy of its snapshot, and saving the result
// into the acquisition folder with backups of the files it replaces.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"
#include "project/group_editing.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

namespace fs = std::filesystem;

class GroupEdition {
 public:
  GroupEdition(ProjectSettings settings, PlateGeometry geometry, WellMap map)
      : settings_(std::move(settings)), geometry_(geometry), map_(std::move(map)) {}

  const ProjectSettings& settings() const { return settings_; }
  const PlateGeometry& geometry() const { return geometry_; }
  const WellMap& map() const { return map_; }

  // Group selector (combogrup2): the groups in use, every number below the highest, and one
  // unused number after it; a used group named "Free" is renamed "Group" + number.
  std::vector<std::string> GroupEntries();
  // Channel labels of `group` (-1: the free list), enabled and mapped channels only.
  std::vector<std::string> ChannelLabels(int group) const;

  // "Go...": all channels free and all names "Free"; then well count / (rows x columns) sets,
  // each starting at the first well (column-major) whose beam-0 channel is still free and
  // taking a block of rr rows by cc columns; every enabled free channel of those wells joins
  // group s ("Group" + s). `set` is an entry of ArrangementSets.
  void AutoArrange(std::string_view set);
  // A click on the plate picture at logical (x, y): the left button puts the well's enabled
  // free channels into `group`; the right button frees the well's enabled channels. The well
  // index, or -1 outside the plate.
  int ClickWell(double x, double y, bool leftButton, int group);
  // "<=" and "=>": every channel of the labelled well to `group` (or free with -1).
  bool MoveWell(std::string_view channelLabel, int group);
  void RenameGroup(int group, std::string_view name);
  void Clear();

 private:
  int WellOfLabel(std::string_view label) const;
  ProjectSettings settings_;
  PlateGeometry geometry_;
  WellMap map_;
};

// Saves the edited groups into `folder`: "chgroup.dat" is copied to "chgroup.bak" and to
// "chgroup" + time ("YYYMMDDhhmm") + ".bak", likewise "groups.dat"; then both files are
// replaced whole. A backup that fails stops the save before any file is replaced. False (and
// `error`) on failure.
bool SaveAcquisitionGroups(const fs::path& folder, const ProjectSettings& settings,
                           const CivilTime& now, std::string* error = nullptr);

// "EXIT Group Edition": asks to save; shows "New Groups applied and saved", the error text
// with the folder, or "Original groups restored". True when the files were written.
bool ExitGroupEdition(const fs::path& folder, const ProjectSettings& settings, Host& host);

}  // namespace movexa
