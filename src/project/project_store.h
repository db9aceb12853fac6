// The project store: loading the current project from its folder (with the backup and
// acquisition recovery of "setup.dat" and the default values of every file) and saving it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/host.h"
#include "project/project_commit.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

// Where the project files are: the application folder (plate formats, project folders used
// for recovery) and the folder the current project is read from and saved to (ProjectPath).
struct ProjectLocation {
  std::filesystem::path appDir;
  std::filesystem::path projectPath;
};

// The working folder recorded for project n when its setup had to be defaulted: the project's
// folder in the application folder, with a trailing separator.
std::string DefaultWorkingFolder(const std::filesystem::path& appDir, int n);

// Loads "setup.dat" of at.projectPath into `settings`. On a failure (missing, unreadable, 5
// lines or fewer, a bad value) of project n > 0 before the end, "setup.bak" of the project
// folder, or else the setup of its newest acquisition, is copied over "setup.dat" and read once
// more (at most once per load); otherwise, or when that fails too, the defaults of every block
// from the failing one on are applied. Messages as the operator sees them go to host.dialogs;
// a stored project number other than n also sets the start menu's status line.
void LoadSetup(int16_t n, const ProjectLocation& at, ProjectSettings& settings, Host& host);
// Per-channel files; each falls back to its defaults with its message on any failure.
void LoadChannelStatus(int16_t n, const ProjectLocation& at, ProjectSettings& settings, Host& host);
void LoadThresholds(int16_t n, const ProjectLocation& at, ProjectSettings& settings, Host& host);
void LoadGroupNames(int16_t n, const ProjectLocation& at, ProjectSettings& settings, Host& host);
void LoadChannelGroups(int16_t n, const ProjectLocation& at, ProjectSettings& settings, Host& host);

// Loads project n: setup, channel status, thresholds, group names, channel groups, then the
// plate format (with its fallback). A failed step never stops the later ones. A save of the
// folder a kill interrupted is finished first, and the five files are read in one hold of the
// folder. Last, detection settings that would count nothing (detection_check.h) are each
// replaced by the value that suits them, with a message naming the file, then "Warning!!
// PLEASE Re-Check setup values before RUN".
void LoadProject(int16_t n, const ProjectLocation& at, ProjectSettings& settings,
                 PlateGeometry& geometry, WellMap& map, Host& host);

struct SaveResult {
  bool ok = true;
  std::string error;  // the file and the system's reason when a write failed
};

// The files a save writes for `settings`, in this order: "setup.bak" (the text of the setup
// being replaced, when there is one), "setup.dat" with `projectNumber` as Num_proj,
// "status.dat", "threshld.dat", "groups.dat" and "chgroup.dat".
std::vector<FileContent> ProjectFileContents(const ProjectSettings& settings, int projectNumber,
                                             const std::optional<std::string>& currentSetup);

// Writes the project into `projectPath`: "setup.dat" goes to "setup.bak", and the five project
// files are replaced, all in one step (project_commit.h): after a failure, or a kill at any
// point and the next load, the folder holds either every old file or every new one. A failure
// is returned with the file and the reason. `step` observes the steps (tests).
SaveResult SaveProject(const std::filesystem::path& projectPath, int projectNumber,
                       const ProjectSettings& settings, const SaveStepObserver& step = {});

// Creates the folder of a new project whole with its five files (a failed or killed creation
// leaves no folder). With `replaceLink` a symbolic link at the folder's name is replaced, its
// target never written to.
SaveResult SaveNewProjectFolder(const std::filesystem::path& folder, int projectNumber,
                                const ProjectSettings& settings, bool replaceLink,
                                const SaveStepObserver& step = {});

}  // namespace movexa
