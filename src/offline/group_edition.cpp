// The acquisition's own group edition and its save.
#include "offline/group_edition.h"

#include <cmath>

#include "base/date_time.h"
#include "base/file_io.h"
#include "base/rounding.h"
#include "offline/offline_texts.h"
#include "project/plate_format.h"
#include "project/project_files.h"
#include "project/project_folders.h"
#include "project/project_texts.h"

namespace movexa {

namespace texts = offline_texts;
namespace ptexts = project_texts;

std::vector<std::string> GroupEdition::GroupEntries() {
  std::vector<bool> used(kChannelCount, false);
  int highest = -1;
  for (size_t c = 0; c < kChannelCount; ++c) {
    int g = settings_.channelGroup[c];
    if (g >= 0 && g < kChannelCount) {
      used[static_cast<size_t>(g)] = true;
      highest = std::max(highest, g);
    }
  }
  std::vector<std::string> out;
  for (int g = 0; g < kChannelCount && g <= highest + 1; ++g) {
    std::string& name = settings_.groupNames[static_cast<size_t>(g)];
    if (used[static_cast<size_t>(g)] && name == texts::kFreeName) name = "Group" + std::to_string(g);
    out.push_back(GroupLabel(g, name));
  }
  return out;
}

std::vector<std::string> GroupEdition::ChannelLabels(int group) const {
  std::vector<std::string> out;
  for (int c = 0; c < kChannelCount; ++c) {
    auto i = static_cast<size_t>(c);
    if (settings_.channelGroup[i] == group && settings_.channelEnabled[i] && map_.channelWell[i] >= 0)
      out.push_back(ChannelLabel(map_, geometry_, c));
  }
  return out;
}

void GroupEdition::Clear() {
  for (size_t c = 0; c < kChannelCount; ++c) settings_.channelGroup[c] = kFreeGroup;
  for (size_t g = 0; g < kChannelCount; ++g) settings_.groupNames[g] = std::string(texts::kFreeName);
}

void GroupEdition::AutoArrange(std::string_view set) {
  if (set.size() < 5) return;
  int rr = std::atoi(std::string(set.substr(0, 2)).c_str());
  int cc = std::atoi(std::string(set.substr(3, 2)).c_str());
  const int rows = geometry_.rows, columns = geometry_.columns;
  if (rr < 1 || cc < 1 || rows < 1 || columns < 1) return;
  Clear();
  int sets = rows * columns / (rr * cc);
  // Wells already taken by a block (also those whose channels are all disabled).
  std::vector<bool> taken(static_cast<size_t>(rows * columns), false);
  auto beam0Free = [&](int well) {
    int c = map_.FindChannel(well, 0);
    return c >= 0 && !taken[static_cast<size_t>(well)] &&
           settings_.channelGroup[static_cast<size_t>(c)] == kFreeGroup;
  };
  for (int s = 0; s < sets; ++s) {
    int start = -1;
    for (int w = 0; w < rows * columns && start < 0; ++w) {
      if (beam0Free(w)) start = w;
    }
    if (start < 0) break;
    int r0 = start % rows, c0 = start / rows;
    for (int dc = 0; dc < cc && c0 + dc < columns; ++dc) {
      for (int dr = 0; dr < rr && r0 + dr < rows; ++dr) {
        int well = (c0 + dc) * rows + r0 + dr;
        taken[static_cast<size_t>(well)] = true;
        for (int b = 0; b <= map_.highestBeam; ++b) {
          int c = map_.FindChannel(well, b);
          if (c < 0) continue;
          auto i = static_cast<size_t>(c);
          if (settings_.channelEnabled[i] && settings_.channelGroup[i] == kFreeGroup) {
            settings_.channelGroup[i] = static_cast<int16_t>(s);
          }
        }
      }
    }
    settings_.groupNames[static_cast<size_t>(s)] = "Group" + std::to_string(s);
  }
}

int GroupEdition::ClickWell(double x, double y, bool leftButton, int group) {
  const PlateGeometry& g = geometry_;
  if (g.columnPitch <= 0 || g.rowPitch <= 0) return -1;
  int64_t column = Int((x - 100 * g.columnOffset) / (100 * g.columnPitch));
  int64_t row = Int((y - 100 * g.rowOffset) / (100 * g.rowPitch));
  if (column < 0 || row < 0 || column >= g.columns || row >= g.rows) return -1;
  int well = static_cast<int>(column * g.rows + row);
  for (int b = 0; b <= map_.highestBeam; ++b) {
    int c = map_.FindChannel(well, b);
    if (c < 0) continue;
    auto i = static_cast<size_t>(c);
    if (!settings_.channelEnabled[i]) continue;
    if (leftButton && settings_.channelGroup[i] == kFreeGroup) {
      settings_.channelGroup[i] = static_cast<int16_t>(group);
    } else if (!leftButton) {
      settings_.channelGroup[i] = kFreeGroup;
    }
  }
  return well;
}

int GroupEdition::WellOfLabel(std::string_view label) const {
  size_t dot = label.find('.');
  if (label.size() < 2 || dot == std::string_view::npos || dot < 2) return -1;
  int column = std::atoi(std::string(label.substr(1, dot - 1)).c_str());
  int well = WellIndex(geometry_, label[0], column);
  return well >= 0 && well <= map_.highestWell ? well : -1;
}

bool GroupEdition::MoveWell(std::string_view channelLabel, int group) {
  int well = WellOfLabel(channelLabel);
  if (well < 0) return false;
  for (int b = 0; b <= map_.highestBeam; ++b) {
    int c = map_.FindChannel(well, b);
    if (c >= 0) settings_.channelGroup[static_cast<size_t>(c)] = static_cast<int16_t>(group);
  }
  return true;
}

void GroupEdition::RenameGroup(int group, std::string_view name) {
  if (group < 0 || group >= kChannelCount || name.empty()) return;
  settings_.groupNames[static_cast<size_t>(group)] = std::string(name);
}

bool SaveAcquisitionGroups(const fs::path& folder, const ProjectSettings& settings,
                           const CivilTime& now, std::string* error) {
  std::string stamp = FormatDateTime(now, "YYYMMDDhhmm");
  for (std::string_view file : {ptexts::kChannelGroupsFile, ptexts::kGroupsFile}) {
    fs::path source = folder / file;
    if (!IsFile(source)) continue;
    std::string stem = fs::path(file).stem().string();
    for (const fs::path& copy : {folder / (stem + ".bak"), folder / (stem + stamp + ".bak")}) {
      if (CopyFileChecked(source, copy) != 1) {
        if (error) *error = "backup " + copy.string();
        return false;
      }
    }
  }
  return WriteFileAtomic(folder / ptexts::kGroupsFile, FormatGroupNames(settings), error) &&
         WriteFileAtomic(folder / ptexts::kChannelGroupsFile, FormatChannelGroups(settings), error);
}

bool ExitGroupEdition(const fs::path& folder, const ProjectSettings& settings, Host& host) {
  if (host.dialogs.Ask(texts::kSaveQuestion, Dialogs::Buttons::kYesNo) != Dialogs::Answer::kYes) {
    host.dialogs.Message(texts::kGroupsRestored);
    return false;
  }
  host.pacer.PauseMs(200);
  if (!SaveAcquisitionGroups(folder, settings, host.clock.Now())) {
    host.dialogs.Problem(std::string(texts::kGroupsSaveError) + folder.string(),
                         Dialogs::Severity::kCritical);
    return false;
  }
  host.dialogs.Message(texts::kGroupsSaved);
  return true;
}

}  // namespace movexa
