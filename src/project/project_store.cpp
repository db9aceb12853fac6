// Loading and saving the current project, with the recovery paths of "setup.dat".
#include "project/project_store.h"

#include "base/file_io.h"
#include "project/plate_format.h"
#include "project/project_files.h"
#include "project/project_folders.h"
#include "project/project_texts.h"

namespace movexa {

namespace texts = project_texts;

namespace {

// Tries to put a readable "setup.dat" back for project n. Returns true with the source name
// (empty for "setup.bak", else the acquisition folder name) when a copy was made.
bool RecoverSetup(int16_t n, const ProjectLocation& at, std::string& source) {
  const fs::path folder = ProjectFolder(at.appDir, n);
  const fs::path backup = folder / texts::kSetupBackup;
  if (IsFile(backup)) {
    source.clear();
    return CopyFileChecked(backup, folder / texts::kSetupFile) == 1;
  }
  std::string latest = FindLatestAcquisition(folder);
  if (latest.empty()) return false;
  const fs::path acquired = folder / latest / texts::kSetupFile;
  if (!IsFile(acquired) || CountLines(acquired) <= 16) return false;
  source = latest;
  return CopyFileChecked(acquired, at.projectPath / texts::kSetupFile) == 1;
}

void LoadSetupOnce(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host,
                   bool mayRecover) {
  SetupReadResult r;
  auto text = ReadWholeFile(at.projectPath / texts::kSetupFile, &r.error);
  if (text) {
    r = ReadSetupText(*text, s);
  } else {
    r.failed = true;
    r.stage = 1;
  }
  if (!r.failed) {
    if (StoredProjectNumber(s.Num_proj) != n) {
      const std::string warning = texts::ProjectIdMismatch(n);
      host.status.SetStatus(texts::kStartMenuStatus, warning);
      host.dialogs.Warning(warning);
    }
    return;
  }
  std::string source;
  if (mayRecover && n > 0 && r.stage < 11 && RecoverSetup(n, at, source)) {
    host.dialogs.Warning(texts::SetupRecovered(n, r.stage, source));
    host.dialogs.Warning(texts::kRecheckSetup);
    LoadSetupOnce(n, at, s, host, false);
    return;
  }
  host.dialogs.Warning(texts::SetupDefaults(n, r.stage));
  host.dialogs.Warning(texts::kRecheckSetup);
  ApplySetupDefaults(r.stage, DefaultWorkingFolder(at.appDir, n), s);
}

// Reads one per-channel file into `values`; false when it cannot be read or parsed.
template <typename T, typename Parse>
bool ReadChannelFile(const ProjectLocation& at, std::string_view file, Parse parse,
                     std::vector<T>& values) {
  auto text = ReadWholeFile(at.projectPath / file);
  if (!text) return false;
  ChannelFileRead<T> read = parse(*text);
  if (!read.ok()) return false;
  values = std::move(read.values);
  return true;
}

}  // namespace

std::string DefaultWorkingFolder(const fs::path& appDir, int n) {
  return (appDir / ProjectFolderName(n)).string() + std::string(1, fs::path::preferred_separator);
}

void LoadSetup(int16_t n, const ProjectLocation& at, ProjectSettings& settings, Host& host) {
  LoadSetupOnce(n, at, settings, host, true);
}

void LoadChannelStatus(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  std::vector<int16_t> values;
  if (!ReadChannelFile(at, texts::kStatusFile, ParseChannelStatus, values)) {
    host.dialogs.Warning(texts::StatusDefaults(n));
    values.clear();
  }
  // Channels the file has no record for stay enabled.
  for (size_t c = 0; c < kChannelCount; ++c)
    s.channelEnabled[c] = c >= values.size() || values[c] != 0;
}

void LoadThresholds(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  std::vector<double> values;
  if (!ReadChannelFile(at, texts::kThresholdFile, ParseThresholds, values)) {
    host.dialogs.Warning(texts::ThresholdDefaults(n));
    for (size_t c = 0; c < kChannelCount; ++c) s.ChannelThreshold[c] = 3.0;
    return;
  }
  for (size_t c = 0; c < values.size(); ++c) s.ChannelThreshold[c] = values[c];
}

void LoadGroupNames(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  std::vector<std::string> values;
  if (!ReadChannelFile(at, texts::kGroupsFile, ParseGroupNames, values)) {
    host.dialogs.Warning(texts::GroupsDefaults(n));
    for (size_t g = 0; g < kChannelCount; ++g)
      s.groupNames[g] = DefaultGroupName(static_cast<int>(g));
    return;
  }
  for (size_t g = 0; g < values.size(); ++g) s.groupNames[g] = std::move(values[g]);
}

void LoadChannelGroups(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  std::vector<int16_t> values;
  if (!ReadChannelFile(at, texts::kChannelGroupsFile, ParseChannelGroups, values)) {
    host.dialogs.Warning(texts::ChannelGroupsDefaults(n));
    for (size_t c = 0; c < kChannelCount; ++c) {
      s.channelGroup[c] = DefaultChannelGroup(static_cast<int>(c));
    }
    return;
  }
  for (size_t c = 0; c < values.size(); ++c) s.channelGroup[c] = values[c];
}

void LoadProject(int16_t n, const ProjectLocation& at, ProjectSettings& settings,
                 PlateGeometry& geometry, WellMap& map, Host& host) {
  LoadSetup(n, at, settings, host);
  LoadChannelStatus(n, at, settings, host);
  LoadThresholds(n, at, settings, host);
  LoadGroupNames(n, at, settings, host);
  LoadChannelGroups(n, at, settings, host);
  LoadPlateFormat(at.appDir, settings, geometry, map, host);
}

SaveResult SaveProject(const fs::path& projectPath, int projectNumber,
                       const ProjectSettings& settings) {
  SaveResult result;
  const fs::path setup = projectPath / texts::kSetupFile;
  if (IsFile(setup)) CopyFileChecked(setup, projectPath / texts::kSetupBackup);
  const std::pair<std::string_view, std::string> files[] = {
      {texts::kSetupFile, FormatSetup(settings, projectNumber)},
      {texts::kStatusFile, FormatChannelStatus(settings)},
      {texts::kThresholdFile, FormatThresholds(settings)},
      {texts::kGroupsFile, FormatGroupNames(settings)},
      {texts::kChannelGroupsFile, FormatChannelGroups(settings)},
  };
  for (const auto& [name, bytes] : files) {
    std::string why;
    if (!WriteFileAtomic(projectPath / name, bytes, &why)) {
      result.ok = false;
      result.error = why;
      return result;
    }
  }
  return result;
}

}  // namespace movexa
