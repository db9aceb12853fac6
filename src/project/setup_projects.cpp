// Project operations of the setup window.
#include "project/setup_projects.h"

#include <algorithm>
#include <system_error>

#include "app/config.h"
#include "base/file_io.h"
#include "project/group_editing.h"
#include "project/plate_format.h"
#include "project/project_folders.h"
#include "project/project_store.h"
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
  if (shortened) host.dialogs.Warning(texts::NameShortened(kMaxNameChars));
  if (name.empty()) name = std::string(folder);
  return name;
}

}  // namespace

int16_t NextProjectNumber(int lastProject) {
  if (lastProject > kLastProjectWrap) lastProject = 0;
  return static_cast<int16_t>(lastProject + 1);
}

ProjectOpResult SaveCurrentProject(AppState& state, Host& host) {
  SaveResult r = SaveProject(state.ProjectPath, state.config.Actual_Project_Number, state.project);
  if (r.ok) return ProjectOpResult::kDone;
  host.dialogs.Critical(texts::SaveFailed(state.ProjectPath.string(), r.error));
  return ProjectOpResult::kFailed;
}

ProjectOpResult SaveUnderNewNumber(AppState& state, Host& host, std::string_view what) {
  std::string answer = host.dialogs.Input(texts::kNewNamePrompt, texts::NewNameTitle(what), "");
  AppConfig& config = state.config;
  config.Last_Project = NextProjectNumber(config.Last_Project);
  const std::string folderName = ProjectFolderName(config.Last_Project);
  const std::filesystem::path folder = state.appDir / folderName;
  if (IsDirectory(folder)) {
    if (host.dialogs.Ask(texts::OverwriteQuestion(folderName), Buttons::kYesNo) != Answer::kYes) {
      return ProjectOpResult::kCancelled;
    }
  } else {
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    if (ec || !IsDirectory(folder)) {
      host.dialogs.Critical(texts::FolderNotCreated(folder.string()));
      return ProjectOpResult::kFailed;
    }
  }
  state.ProjectPath = folder;
  config.Actual_Project_Number = config.Last_Project;
  state.project.Name = NewProjectName(answer, folderName, host);
  state.project.Num_proj = std::to_string(config.Actual_Project_Number);
  ProjectOpResult saved = SaveCurrentProject(state, host);
  SaveConfig(state.appDir, config, host);
  return saved;
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
    host.dialogs.Warning(texts::kRenameDefault);
    return false;
  }
  std::string answer = host.dialogs.Input(texts::kRenamePrompt, "", state.project.Name);
  if (answer.empty()) return false;
  bool shortened = false;
  std::string name = TypedName(answer, &shortened);
  if (shortened) host.dialogs.Warning(texts::NameShortened(kMaxNameChars));
  if (name.empty()) return false;
  state.project.Name = name;
  return true;
}

PlateChoiceResult ChoosePlateFormat(AppState& state, Host& host, std::string_view name) {
  if (!IsPlateFormatName(name) || !IsFile(state.appDir / (std::string(name) + ".dat"))) {
    host.dialogs.Warning(texts::kSelectionError);
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
    host.dialogs.Warning(texts::PlateUnreadable(name, r.error, state.project.Plate_format));
    return PlateChoiceResult::kUnreadable;
  }
  state.project.Plate_format = std::string(name);
  return PlateChoiceResult::kLoaded;
}

}  // namespace movexa
