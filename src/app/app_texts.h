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
// "config.dat" is there but is no file: `kind` says what it is ("a named pipe (FIFO)").
inline std::string ConfigNotAFile(std::string_view path, std::string_view kind) {
  return "Config file " + std::string(path) + " is " + std::string(kind) +
         ", not a file: Check correct software installation";
}
// What the operator can do about a missing "config.dat" (or a missing application folder).
inline std::string ConfigNotFoundAdvice(std::string_view appDir, bool folderMissing) {
  const std::string head =
      folderMissing ? "The application folder " + std::string(appDir) +
                          " does not exist and no installation data was found to lay it out."
                    : "The application folder " + std::string(appDir) + " has no config.dat.";
  return head +
         " To lay out the missing files from the installation data (existing files and "
         "projects are kept), run: movexa-cli init --app-dir \"" +
         std::string(appDir) +
         "\" (add --data DIR when Movexa is not installed). To use another folder, start "
         "Movexa with --app-dir DIR.";
}
// The first start on an account: the application folder laid out from the installation data.
inline std::string FirstStartLaidOut(std::string_view appDir, std::string_view dataDir) {
  return "Welcome to Movexa. Your application folder was laid out in " + std::string(appDir) +
         " from the installation data (" + std::string(dataDir) +
         "): the configuration, the plate formats, the Default project and the Demo project. "
         "Your projects and their acquisitions are kept there.";
}
inline std::string FirstStartFailed(std::string_view appDir, std::string_view why) {
  return "The application folder " + std::string(appDir) +
         " could not be laid out from the installation data: " + std::string(why);
}
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

// The instrument's port and the connection state of the main window's status bar.
inline constexpr std::string_view kChooseAPort =
    "Choose a serial port and a COM number from 1 to 16.";
inline std::string PortMappingNotSaved(int port, std::string_view device, std::string_view why) {
  return "COM" + std::to_string(port) + " could not be mapped to " + std::string(device) + ": " +
         std::string(why);
}
inline std::string ComNumberSetByEnvironment(int port, std::string_view variable,
                                             std::string_view device) {
  return "COM" + std::to_string(port) + " is set by " + std::string(variable) + " to " +
         std::string(device) + ": choose another COM number for this port.";
}
inline std::string InstrumentPortChosen(int port, std::string_view device) {
  return "COM" + std::to_string(port) + " (" + std::string(device) +
         ") is the instrument's port now, saved in config.dat. Connect to use it.";
}
inline std::string ConnectedState(int port, std::string_view device, int serialNumber) {
  return "Connected: COM" + std::to_string(port) +
         (device.empty() ? std::string() : " (" + std::string(device) + ")") + ", serial number " +
         std::to_string(serialNumber);
}
inline std::string SimulatedState(int port) {
  return "Simulated instrument (no hardware) on COM" + std::to_string(port);
}
inline std::string PortChosenState(int port) {
  return "Not connected: COM" + std::to_string(port) + " chosen, press Connect";
}
inline constexpr std::string_view kOfflineState =
    "Offline: no instrument found (choose its port, then Connect)";
inline constexpr std::string_view kNotConnectedState = "Not connected";
inline std::string ConnectToChosenPort(int port) {
  return "The instrument's port is COM" + std::to_string(port) +
         " now: press Connect to connect to it, then Play.";
}

// The help document when it cannot be shown.
inline std::string HelpDocumentNotOpened(std::string_view path) {
  return "The help document is " + std::string(path) +
         ". No program to open PDF documents was found on this computer: open it with a PDF "
         "reader (or install one, for example evince or okular).";
}
inline std::string HelpDocumentMissing(std::string_view path) {
  return "The help document was not found. It belongs in " + std::string(path) +
         "; run movexa-cli init to copy it there from the installation data.";
}

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
