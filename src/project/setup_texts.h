// The texts of the project setup window and of group editing: caption, list entries, questions
// and messages, copied character for character; each text lives here only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace movexa::setup_texts {

inline constexpr std::string_view kCaption = "<Movexa> Acquisition Software  --------> Setup";

// Selector entries; the index is the stored value.
inline constexpr std::array<std::string_view, 6> kModes = {
    "0_Offline", "1_Default", "2_Fast(0.31)", "3_Fast(32.63)", "4_Fast(64.95)", "5_Fast(96.127)"};
inline constexpr std::array<std::string_view, 4> kAlgorithms = {
    "0_Threshold+Binary (Old Method.w/filters)", "1_Threshold Avrg (Default.Agar&Liquid)",
    "2_Motility Index(ameboid movement)", "3_Drosophila (Threshold)"};
inline constexpr std::array<std::string_view, 4> kOrganisms = {"C.elegans", "Zebrafish",
                                                               "Echinococcus", "Drosophila"};
inline constexpr std::array<std::string_view, 2> kNoYes = {"NO", "YES"};

// Captions of the buttons whose text changes or is checked by the tests.
inline constexpr std::string_view kAdvancedClosed = "[Advanced Tools]    ->";
inline constexpr std::string_view kAdvancedOpen = "[Advanced Tools]    <-";

// SNR box.
inline constexpr std::string_view kSnrRangeDrosophila = "Enter a valid SNR: 0.5 to 0.9";
inline constexpr std::string_view kSnrRangeOthers = "Enter a valid SNR: 1.4 to 5.0";

// Plate format choice.
inline constexpr std::string_view kSelectionError = "Selection Error";
inline constexpr std::string_view kLoadNewPlate = "Load New Plate configuration?";
inline std::string PlateUnreadable(std::string_view name, std::string_view why,
                                   std::string_view kept) {
  return "The plate file " + std::string(name) + ".dat cannot be read (" + std::string(why) +
         "). The group lists were cleared; the plate format stays " + std::string(kept) + ".";
}

// Projects.
inline constexpr std::string_view kCreateQuestion = "Do you like to Create a New Project?";
inline constexpr std::string_view kNewNamePrompt = "Enter the New Project Name";
inline std::string NewNameTitle(std::string_view what) {
  return "Saving <" + std::string(what) + "> with a new name";
}
// The folder name is followed directly by "already" (no closing parenthesis, no blank).
inline std::string OverwriteQuestion(std::string_view folderName) {
  return "The project number to generate (" + std::string(folderName) +
         "already exists. do you like to overwrite?";
}
inline std::string UpdateQuestion(std::string_view projectBox) {
  return "Do you like to Update <" + std::string(projectBox) + "> values?";
}
inline constexpr std::string_view kSaveBeforeLoad =
    "Do you like to save current values before new load?";
inline constexpr std::string_view kRenameDefault =
    "Not possible to rename the Default project. Save it with another Name";
inline constexpr std::string_view kRenamePrompt = "Rename Project: Entre New Name";
inline std::string SaveFailed(std::string_view folder, std::string_view why) {
  return "The project could not be saved in " + std::string(folder) + " (" + std::string(why) +
         ").";
}
inline std::string FolderNotCreated(std::string_view folder) {
  return "The project folder " + std::string(folder) + " could not be created.";
}
inline std::string NameShortened(size_t maxChars) {
  return "The name is too long: it was shortened to " + std::to_string(maxChars) + " characters.";
}

// Number boxes.
inline constexpr std::string_view kNotAWholeNumber = "Enter a whole number from -32768 to 32767.";
// The detection interval must fit the bin (`rtBuffer` samples).
inline std::string IntervalRange(int rtBuffer) {
  return "Enter a detection interval from 1 to " + std::to_string(rtBuffer) + " samples";
}
inline constexpr std::string_view kThresholdRange = "A threshold must lie above 0 percent";
// A new project whose detection would count nothing is not created.
inline std::string DetectionRefused(std::string_view what, std::string_view range) {
  return "The project cannot be created: " + std::string(what) + ". " + std::string(range) + ".";
}

// Main window's detection summary.
inline constexpr std::string_view kDetectionMode = "Detection Mode";

// Group editing.
inline constexpr std::string_view kClearQuestion = "Do you like to Clear Group lists?";
inline std::string RenameGroupPrompt(std::string_view threeDigits) {
  return "Enter New Group (" + std::string(threeDigits) + ") Name";
}
inline constexpr std::string_view kFreeName = "Free";
inline constexpr std::string_view kGroupNamePrefix = "Group";
inline constexpr std::string_view kSetSuffix = " [RowsxColumn]";
inline constexpr std::string_view kFreeChannels = "Free channels:";
inline constexpr std::string_view kAssignedChannels = "Assigned channels:";

}  // namespace movexa::setup_texts
