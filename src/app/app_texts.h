// The texts of start-up, configuration and shutdown: messages, status lines, list entries and
// the "config.dat" header. Each text lives here only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace movexa::app_texts {

inline constexpr std::string_view kConfigFile = "config.dat";
inline constexpr std::string_view kConfigHeader =
    "Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>";

inline constexpr std::string_view kConfigNotFound =
    "Config file not found: Check correct software installation";
inline constexpr std::string_view kConfigLoadError =
    "Error opening config File >>>> Loading DEFAULT configuration...";
inline constexpr std::string_view kConfigSaveError = "<Error Saving Config File>";
inline std::string InitError(int stage) {
  return "Error loading INIT parameters #ERROR:" + std::to_string(stage);
}
inline constexpr std::string_view kActivationError = "Error loading parameters";
// "Show my report" before any recorded run since the program started.
inline constexpr std::string_view kNoRunYet =
    "No run recorded yet: Play a run with an experiment name first, or report a recorded "
    "experiment from \"Analyze recorded experiments\" in the start menu.";

// The start menu's status line and its texts during start-up.
inline constexpr std::string_view kStartMenuStatus = "Frm_Init.status";
inline constexpr std::string_view kReadingConfiguration =
    "STARTING........... Reading Configuration...";
inline constexpr std::string_view kConfigurationOk = "STARTING........... Configuration OK...";
inline constexpr std::string_view kNotConnectedYet = "status = not connected yet";

// The argument that starts a run at once.
inline constexpr std::array<std::string_view, 3> kAutoRunArguments = {"/run", "/RUN", "/Run"};

// The organism selector's text for a stored organism code (the selector's entries are the
// detection settings' kOrganismNames).
// Codes not listed leave the text as it is.
struct OrganismCodeText {
  int code;
  std::string_view text;
};
inline constexpr std::array<OrganismCodeText, 6> kOrganismCodeTexts = {{
    {0, "C elegans(>L4)"},
    {1, "Zebrafish(larvae)"},
    {2, "Customized"},
    {7, "size <100um"},
    {8, "size 0.1-1mm"},
    {9, "size >1mm"},
}};

// Data-interval list of the main window (minutes).
inline constexpr std::array<std::string_view, 10> kDataIntervals = {
    "15", "30", "60", "120", "180", "240", "360", "480", "720", "1440"};

// Shutdown.
inline std::string ExitQuestion(int projectNumber, std::string_view name) {
  return "Update values to project " + std::to_string(projectNumber) + "_" + std::string(name) +
         " before Exit?";
}
inline std::string ExitSaveError(std::string_view why) {
  return "Error saving project files: " + std::string(why);
}

}  // namespace movexa::app_texts
