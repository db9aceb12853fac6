// Loading and saving the current project, with the recovery paths of "setup.dat".
#include "project/project_store.h"

#include "base/file_io.h"
#include "project/detection_check.h"
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

// The text of one project file as read, or nullopt when it could not be read.
using FileText = std::optional<std::string>;

FileText ReadProjectFile(const ProjectLocation& at, std::string_view file) {
  return ReadWholeFile(at.projectPath / file);
}

void LoadSetupOnce(int16_t n, const ProjectLocation& at, const FileText& text, ProjectSettings& s,
                   Host& host, bool mayRecover) {
  SetupReadResult r;
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
      host.dialogs.Problem(warning);
    }
    return;
  }
  std::string source;
  if (mayRecover && n > 0 && r.stage < 11 && RecoverSetup(n, at, source)) {
    host.dialogs.Problem(texts::SetupRecovered(n, r.stage, source));
    host.dialogs.Problem(texts::kRecheckSetup);
    LoadSetupOnce(n, at, ReadProjectFile(at, texts::kSetupFile), s, host, false);
    return;
  }
  host.dialogs.Problem(texts::SetupDefaults(n, r.stage));
  host.dialogs.Problem(texts::kRecheckSetup);
  ApplySetupDefaults(r.stage, DefaultWorkingFolder(at.appDir, n), s);
}

// Reads one per-channel file into `values`; false when it cannot be read or parsed.
template <typename T, typename Parse>
bool ReadChannelFile(const FileText& text, Parse parse, std::vector<T>& values) {
  if (!text) return false;
  ChannelFileRead<T> read = parse(*text);
  if (!read.ok()) return false;
  values = std::move(read.values);
  return true;
}

void LoadChannelStatusFrom(int16_t n, const FileText& text, ProjectSettings& s, Host& host) {
  std::vector<int16_t> values;
  if (!ReadChannelFile(text, ParseChannelStatus, values)) {
    host.dialogs.Problem(texts::StatusDefaults(n));
    values.clear();
  }
  // Channels the file has no record for stay enabled.
  for (size_t c = 0; c < kChannelCount; ++c)
    s.channelEnabled[c] = c >= values.size() || values[c] != 0;
}

void LoadThresholdsFrom(int16_t n, const FileText& text, ProjectSettings& s, Host& host) {
  std::vector<double> values;
  if (!ReadChannelFile(text, ParseThresholds, values)) {
    host.dialogs.Problem(texts::ThresholdDefaults(n));
    for (size_t c = 0; c < kChannelCount; ++c) s.ChannelThreshold[c] = 3.0;
    return;
  }
  for (size_t c = 0; c < values.size(); ++c) s.ChannelThreshold[c] = values[c];
}

void LoadGroupNamesFrom(int16_t n, const FileText& text, ProjectSettings& s, Host& host) {
  std::vector<std::string> values;
  if (!ReadChannelFile(text, ParseGroupNames, values)) {
    host.dialogs.Problem(texts::GroupsDefaults(n));
    for (size_t g = 0; g < kChannelCount; ++g)
      s.groupNames[g] = DefaultGroupName(static_cast<int>(g));
    return;
  }
  for (size_t g = 0; g < values.size(); ++g) s.groupNames[g] = std::move(values[g]);
}

void LoadChannelGroupsFrom(int16_t n, const FileText& text, ProjectSettings& s, Host& host) {
  std::vector<int16_t> values;
  if (!ReadChannelFile(text, ParseChannelGroups, values)) {
    host.dialogs.Problem(texts::ChannelGroupsDefaults(n));
    for (size_t c = 0; c < kChannelCount; ++c) {
      s.channelGroup[c] = DefaultChannelGroup(static_cast<int>(c));
    }
    return;
  }
  for (size_t c = 0; c < values.size(); ++c) s.channelGroup[c] = values[c];
}

// Detection settings that would count nothing are replaced, each with its message.
void MendDetectionSettings(int16_t n, ProjectSettings& s, Host& host) {
  const std::vector<DetectionProblem> problems = CheckDetectionSettings(s);
  for (const auto& p : problems) {
    host.dialogs.Problem(texts::DetectionDefault(n, p.file, p.what, p.range, p.used));
    ApplyDetectionDefault(s, p.issue);
  }
  if (!problems.empty()) host.dialogs.Problem(texts::kRecheckSetup);
}

}  // namespace

std::string DefaultWorkingFolder(const fs::path& appDir, int n) {
  return (appDir / ProjectFolderName(n)).string() + std::string(1, fs::path::preferred_separator);
}

void LoadSetup(int16_t n, const ProjectLocation& at, ProjectSettings& settings, Host& host) {
  LoadSetupOnce(n, at, ReadProjectFile(at, texts::kSetupFile), settings, host, true);
}

void LoadChannelStatus(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  LoadChannelStatusFrom(n, ReadProjectFile(at, texts::kStatusFile), s, host);
}

void LoadThresholds(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  LoadThresholdsFrom(n, ReadProjectFile(at, texts::kThresholdFile), s, host);
}

void LoadGroupNames(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  LoadGroupNamesFrom(n, ReadProjectFile(at, texts::kGroupsFile), s, host);
}

void LoadChannelGroups(int16_t n, const ProjectLocation& at, ProjectSettings& s, Host& host) {
  LoadChannelGroupsFrom(n, ReadProjectFile(at, texts::kChannelGroupsFile), s, host);
}

void LoadProject(int16_t n, const ProjectLocation& at, ProjectSettings& settings,
                 PlateGeometry& geometry, WellMap& map, Host& host) {
  // The five files are read in one hold of the folder, after a save a kill interrupted is
  // finished: a save running at the same time is seen whole or not at all.
  FileText setup, status, thresholds, groups, channelGroups;
  {
    FolderLock lock(at.projectPath);
    if (lock.held()) FinishPendingSave(at.projectPath);
    setup = ReadProjectFile(at, texts::kSetupFile);
    status = ReadProjectFile(at, texts::kStatusFile);
    thresholds = ReadProjectFile(at, texts::kThresholdFile);
    groups = ReadProjectFile(at, texts::kGroupsFile);
    channelGroups = ReadProjectFile(at, texts::kChannelGroupsFile);
  }
  LoadSetupOnce(n, at, setup, settings, host, true);
  LoadChannelStatusFrom(n, status, settings, host);
  LoadThresholdsFrom(n, thresholds, settings, host);
  LoadGroupNamesFrom(n, groups, settings, host);
  LoadChannelGroupsFrom(n, channelGroups, settings, host);
  LoadPlateFormat(at.appDir, settings, geometry, map, host);
  MendDetectionSettings(n, settings, host);
}

std::vector<FileContent> ProjectFileContents(const ProjectSettings& settings, int projectNumber,
                                             const std::optional<std::string>& currentSetup) {
  std::vector<FileContent> files;
  if (currentSetup) files.push_back({std::string(texts::kSetupBackup), *currentSetup});
  files.push_back({std::string(texts::kSetupFile), FormatSetup(settings, projectNumber)});
  files.push_back({std::string(texts::kStatusFile), FormatChannelStatus(settings)});
  files.push_back({std::string(texts::kThresholdFile), FormatThresholds(settings)});
  files.push_back({std::string(texts::kGroupsFile), FormatGroupNames(settings)});
  files.push_back({std::string(texts::kChannelGroupsFile), FormatChannelGroups(settings)});
  return files;
}

SaveResult SaveProject(const fs::path& projectPath, int projectNumber,
                       const ProjectSettings& settings, const SaveStepObserver& step) {
  SaveResult result;
  // "setup.bak" takes the setup being replaced, in the same step as the new files.
  const FileText current = ReadWholeFile(projectPath / texts::kSetupFile);
  result.ok = ReplaceFilesTogether(
      projectPath, ProjectFileContents(settings, projectNumber, current), &result.error, step);
  return result;
}

SaveResult SaveNewProjectFolder(const fs::path& folder, int projectNumber,
                                const ProjectSettings& settings, bool replaceLink,
                                const SaveStepObserver& step) {
  SaveResult result;
  result.ok = CreateFolderWhole(folder, ProjectFileContents(settings, projectNumber, std::nullopt),
                                replaceLink, &result.error, step);
  return result;
}

}  // namespace movexa
