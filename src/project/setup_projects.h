// Project operations of the setup window over the program's state: New, Save, Save under a new
// number, the question before Load, the project list built from the p-folders and the load of
// a listed project, Rename, and the change of plate format. Questions and messages go through
// host.dialogs; "config.dat" is rewritten where the project number changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "base/host.h"

namespace movexa {

enum class ProjectOpResult {
  kCancelled,  // the operator stopped it (nothing saved)
  kDone,       // done; the window refills
  kFailed,     // a save or a folder could not be written (the operator was told)
};

// The number a new project gets after `lastProject`: one higher, restarting at 1 above 31999.
int16_t NextProjectNumber(int lastProject);

// "New...": asks to create, asks the name, then saves under the next number.
ProjectOpResult NewProject(AppState& state, Host& host);
// "Save...": asks to update the current project (Yes saves it, No saves under a new number).
ProjectOpResult SaveProjectQuestion(AppState& state, Host& host);
// Saves the current project (settings, tables and groups) as a new project: asks the name with
// the title "Saving <what> with a new name", raises Last_Project (wrapping above 31999), asks
// before overwriting an existing folder (No stops with Last_Project left raised), creates the
// folder, makes it the current project, saves it and rewrites "config.dat".
ProjectOpResult SaveUnderNewNumber(AppState& state, Host& host, std::string_view what);
// Saves the current project into ProjectPath; a failed write is reported (kFailed).
ProjectOpResult SaveCurrentProject(AppState& state, Host& host);

// "Load...": asks whether to save first. Returns true when the project list is to be shown.
bool LoadQuestion(AppState& state, Host& host);

// One entry of the project list.
struct ProjectListEntry {
  std::string folder;  // "p00003"
  int16_t number = 0;
  std::string text;  // folder + "_" + the project name (or "SETUP NOT FOUND!!")
};
// The project list: folders of the application folder named "p" and five digits whose number
// fits 16 bits and that hold "setup.dat", sorted by name. Damaged setups are recovered or
// described as DescribeProject does.
std::vector<ProjectListEntry> ProjectList(const std::filesystem::path& appDir, Host& host);
// Loads a listed project: it becomes the current project (its folder, or the application
// folder for a number below 1), "config.dat" is rewritten, the project is loaded.
void LoadListedProject(AppState& state, Host& host, int16_t number);

// Double-click on the project box: refuses the Default project; a non-empty answer becomes the
// project name in memory (the quote rule and the length cut applied). True when renamed.
bool RenameProject(AppState& state, Host& host);

// A plate format chosen in the list.
enum class PlateChoiceResult {
  kNoFile,      // "Selection Error": nothing changed
  kDeclined,    // "No" to the question: nothing changed
  kLoaded,      // groups cleared, format loaded: the window refills
  kUnreadable,  // groups cleared, the file could not be read: the previous format stays
};
PlateChoiceResult ChoosePlateFormat(AppState& state, Host& host, std::string_view name);

}  // namespace movexa
