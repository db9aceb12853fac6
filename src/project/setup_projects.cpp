// Project operations of the setup window.
#include "project/setup_projects.h"

#include <algorithm>
#include <system_error>

#include "app/config.h"
#include "base/file_io.h"
#include "project/detection_check.h"
#include "project/group_editing.h"
#include "project/plate_format.h"
#include "project/project_folders.h"
#include "project/project_store.h"
#include "project/project_texts.h"
#include "project/setup_fields.h"
#include "project/setup_texts.h"

namespace movexa {

namespace texts = setup_texts;
using Answer = Dialogs::Answer;
using Buttons = Dialogs::Buttons;

namespace {

constexpr int kLastProjectWrap = 31999;

// The number of a project folder name: "p" and exactly five digits, within 16 bits.
std::optional<int16_t> ProjectNumberOfFolder(std::string_view name) {
  if (name.size() != 6 || name[0] != 'p') return std::nullopt;
  int v = 0;
  for (char c : name.substr(1)) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v > 32767) return std::nullopt;
  return static_cast<int16_t>(v);
}

// The name typed for a new project: the quote rule and the length cut, with a message when cut;
// an empty answer names the project after its folder.
std::string NewProjectName(std::string_view answer, std::string_view folder, Host& host) {
  bool shortened = false;
  std::string name = TypedName(answer, &shortened);
  if (shortened) host.dialogs.Problem(texts::NameShortened(kMaxNameChars));
  if (name.empty()) name = std::string(folder);
  return name;
}

// What a new project changes in the program's state, to put back when it cannot be made.
struct CurrentProject {
  std::filesystem::path projectPath;
  AppConfig config;
  std::string name;
  std::string numProj;
  void Restore(AppState& state) const {
    state.ProjectPath = projectPath;
    state.config = config;
    state.project.Name = name;
    state.project.Num_proj = numProj;
  }
};

// A new project is not made with detection settings that would count nothing: an SNR outside
// its method's range or an interval longer than the bin is refused (the operator changes it
// in the window); thresholds of 0 or below, which the window does not edit, are replaced by
// the default with the load's message, naming the new project's threshold file.
bool DetectionFitForNewProject(ProjectSettings& p, int newNumber, Host& host) {
  bool fit = true;
  const std::vector<DetectionProblem> problems = CheckDetectionSettings(p);
  for (const auto& problem : problems) {
    if (problem.issue == DetectionIssue::kThresholds) continue;
    host.dialogs.Problem(texts::DetectionRefused(problem.what, problem.range));
    fit = false;
  }
  if (!fit) return false;
  for (const auto& problem : problems) {
    host.dialogs.Problem(project_texts::DetectionDefault(newNumber, problem.file, problem.what,
                                                         problem.range, problem.used));
    ApplyDetectionDefault(p, problem.issue);
  }
  return true;
}

}  // namespace

int16_t NextProjectNumber(int lastProject) {
  if (lastProject > kLastProjectWrap) lastProject = 0;
  return static_cast<int16_t>(lastProject + 1);
}

ProjectOpResult SaveCurrentProject(AppState& state, Host& host) {
  SaveResult r = SaveProject(state.ProjectPath, state.config.Actual_Project_Number, state.project);
  if (r.ok) return ProjectOpResult::kDone;
  host.dialogs.Problem(texts::SaveFailed(state.ProjectPath.string(), r.error),
                       Dialogs::Severity::kCritical);
  return ProjectOpResult::kFailed;
}

ProjectOpResult SaveUnderNewNumber(AppState& state, Host& host, std::string_view what) {
  AppConfig& config = state.config;
  if (!DetectionFitForNewProject(state.project, NextProjectNumber(config.Last_Project), host)) {
    return ProjectOpResult::kFailed;
  }
  std::string answer = host.dialogs.Input(texts::kNewNamePrompt, texts::NewNameTitle(what), "");
  const CurrentProject before{state.ProjectPath, config, state.project.Name,
                              state.project.Num_proj};
  config.Last_Project = NextProjectNumber(config.Last_Project);
  const std::string folderName = ProjectFolderName(config.Last_Project);
  const std::filesystem::path folder = state.appDir / folderName;
  // What stands at the folder's name, never following a link: a link planted there is
  // replaced, not written through.
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(folder, ec);
  const bool isLink = std::filesystem::is_symlink(status);
  const bool isFolder = std::filesystem::is_directory(status);
  if (std::filesystem::exists(status) && !isLink && !isFolder) {
    host.dialogs.Problem(texts::FolderNotCreated(folder.string()), Dialogs::Severity::kCritical);
    return ProjectOpResult::kFailed;
  }
  if ((isLink || isFolder) &&
      host.dialogs.Ask(texts::OverwriteQuestion(folderName), Buttons::kYesNo) != Answer::kYes) {
    return ProjectOpResult::kCancelled;
  }
  const std::filesystem::path linkTarget =
      isLink ? std::filesystem::read_symlink(folder, ec) : std::filesystem::path();
  state.ProjectPath = folder;
  config.Actual_Project_Number = config.Last_Project;
  state.project.Name = NewProjectName(answer, folderName, host);
  state.project.Num_proj = std::to_string(config.Actual_Project_Number);
  // A new folder is built beside and renamed into place whole; an existing one gets its five
  // files replaced in one step. Either way the project is whole or absent.
  SaveResult saved =
      isFolder ? SaveProject(folder, config.Actual_Project_Number, state.project)
               : SaveNewProjectFolder(folder, config.Actual_Project_Number, state.project, isLink);
  if (!saved.ok) {
    host.dialogs.Problem(texts::SaveFailed(folder.string(), saved.error),
                         Dialogs::Severity::kCritical);
    before.Restore(state);
    return ProjectOpResult::kFailed;
  }
  if (!SaveConfig(state.appDir, config, host)) {
    // "config.dat" still names the previous project: a folder made here goes again (a
    // replaced link comes back), so that no project is left that nothing points to.
    if (!isFolder) {
      std::filesystem::remove_all(folder, ec);
      if (isLink) std::filesystem::create_symlink(linkTarget, folder, ec);
    }
    before.Restore(state);
    return ProjectOpResult::kFailed;
  }
  return ProjectOpResult::kDone;
}

ProjectOpResult NewProject(AppState& state, Host& host) {
  if (host.dialogs.Ask(texts::kCreateQuestion, Buttons::kOkCancel) != Answer::kOk) {
    return ProjectOpResult::kCancelled;
  }
  // The title names the number the project will get (after the wrap above 31999).
  return SaveUnderNewNumber(state, host,
                            std::to_string(NextProjectNumber(state.config.Last_Project)));
}

ProjectOpResult SaveProjectQuestion(AppState& state, Host& host) {
  const std::string box = ProjectBoxText(state);
  switch (host.dialogs.Ask(texts::UpdateQuestion(box), Buttons::kYesNoCancel)) {
    case Answer::kYes:
      return SaveCurrentProject(state, host);
    case Answer::kNo:
      return SaveUnderNewNumber(state, host, box);
    default:
      return ProjectOpResult::kCancelled;
  }
}

bool LoadQuestion(AppState& state, Host& host) {
  switch (host.dialogs.Ask(texts::kSaveBeforeLoad, Buttons::kYesNoCancel)) {
    case Answer::kYes:
      // A failed save is reported; the list is still offered (the operator may load anyway).
      SaveCurrentProject(state, host);
      return true;
    case Answer::kNo:
      return true;
    default:
      return false;
  }
}

std::vector<ProjectListEntry> ProjectList(const std::filesystem::path& appDir, Host& host) {
  std::vector<std::string> names = ListSubfolders(appDir);
  std::sort(names.begin(), names.end());
  std::vector<ProjectListEntry> list;
  for (const auto& name : names) {
    auto number = ProjectNumberOfFolder(name);
    if (!number) continue;
    const std::filesystem::path folder = appDir / name;
    if (!IsFile(folder / "setup.dat")) continue;
    std::string described = DescribeProject(folder, host);
    auto colon = described.find(": ");
    std::string text = colon == std::string::npos ? described : described.substr(colon + 2);
    list.push_back({name, *number, name + "_" + text});
  }
  return list;
}

void LoadListedProject(AppState& state, Host& host, int16_t number) {
  state.ProjectPath = number < 1 ? state.appDir : ProjectFolder(state.appDir, number);
  state.config.Actual_Project_Number = number < 1 ? int16_t{0} : number;
  ClampConfig(state.config);
  SaveConfig(state.appDir, state.config, host);
  LoadProject(state.config.Actual_Project_Number, ProjectLocation{state.appDir, state.ProjectPath},
              state.project, state.geometry, state.wellMap, host);
}

bool RenameProject(AppState& state, Host& host) {
  if (state.config.Actual_Project_Number == 0) {
    host.dialogs.Problem(texts::kRenameDefault);
    return false;
  }
  std::string answer = host.dialogs.Input(texts::kRenamePrompt, "", state.project.Name);
  if (answer.empty()) return false;
  bool shortened = false;
  std::string name = TypedName(answer, &shortened);
  if (shortened) host.dialogs.Problem(texts::NameShortened(kMaxNameChars));
  if (name.empty()) return false;
  state.project.Name = name;
  return true;
}

PlateChoiceResult ChoosePlateFormat(AppState& state, Host& host, std::string_view name) {
  if (!IsPlateFormatName(name) || !IsFile(state.appDir / (std::string(name) + ".dat"))) {
    host.dialogs.Problem(texts::kSelectionError);
    return PlateChoiceResult::kNoFile;
  }
  if (host.dialogs.Ask(texts::kLoadNewPlate, Buttons::kYesNo) != Answer::kYes) {
    return PlateChoiceResult::kDeclined;
  }
  ClearGroups(state.project);
  std::string info = PlateFormatInformation(name);
  if (!info.empty()) host.dialogs.Message(info);
  PlateLoadResult r = LoadPlateFormatStrict(state.appDir, name, state.geometry, state.wellMap);
  if (!r.ok) {
    // The strict loader left the map as it was: the previous format stays in force.
    host.dialogs.Problem(texts::PlateUnreadable(name, r.error, state.project.Plate_format));
    return PlateChoiceResult::kUnreadable;
  }
  state.project.Plate_format = std::string(name);
  return PlateChoiceResult::kLoaded;
}

}  // namespace movexa
