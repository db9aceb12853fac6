// The texts the project store and the plate-format loaders show or write: messages, header
// lines of the project files and plate-format descriptions. Each text lives here only.
#pragma once

#include <string>
#include <string_view>

#include "base/number_format.h"

namespace movexa::project_texts {

// Header lines of the project files (one quoted text field each).
inline constexpr std::string_view kSetupHeaders[10] = {
    "Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>",
    "<Aq_mode>,<Aq_lapse>,<Sample_Rate>,<RT_Buffer>,<DSP_Method>,<DSP_Interval>",
    "<Binary_Acq>,<Threshold_Counter>,<Cal_value>,<Cal_mode>,<Save_counts>,<Save_real>",
    "Tools: <Menu1:Cal>, <Menu2:Light>, <Menu3:Temp>, <Menu4>, <Menu5>, <Menu6>",
    "Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,",
    "Mn2: <Enable>, <Time_ON>, <v3:Time_OFF>,,,",
    "Mn3: <v1:Enable>, <v2:Tempx10>,,,,",
    "Mn4: ,,,,,",
    "Mn5: ,,,,,",
    "Mn6: ,,,,,",
};
inline constexpr std::string_view kStatusHeader = "<Channel>, <Enabled>";
inline constexpr std::string_view kThresholdHeader = "<Channel>, <Threshold>";
inline constexpr std::string_view kGroupsHeader = "<Group_Number>, <Group_Name>";
inline constexpr std::string_view kChannelGroupsHeader = "<Channel>, <Group: -1=Free>";

// File names.
inline constexpr std::string_view kSetupFile = "setup.dat";
inline constexpr std::string_view kSetupBackup = "setup.bak";
inline constexpr std::string_view kStatusFile = "status.dat";
inline constexpr std::string_view kThresholdFile = "threshld.dat";
inline constexpr std::string_view kGroupsFile = "groups.dat";
inline constexpr std::string_view kChannelGroupsFile = "chgroup.dat";
inline constexpr std::string_view kSubprojectFile = "subproj.dat";
inline constexpr std::string_view kSubprojectBackup = "subproj.bak";

// Loader messages; `n` is the project number being loaded, written with five digits.
inline std::string FileError(int n, std::string_view file) {
  return "Error [\\p" + ZeroPad(n, 5) + "\\" + std::string(file) + "]";
}
inline std::string SetupRecovered(int n, int stage, std::string_view source) {
  return FileError(n, kSetupFile) + " ID#" + std::to_string(stage) + " => Loading values from: p" +
         ZeroPad(n, 5) + "\\" + std::string(source);
}
inline std::string SetupDefaults(int n, int stage) {
  return FileError(n, kSetupFile) + " ID#" + std::to_string(stage) +
         " => Loading default values...";
}
inline constexpr std::string_view kRecheckSetup =
    "Warning!! PLEASE Re-Check setup values before RUN";
// The project number inside "setup.dat" differs from its folder. The text writes "p00" and the
// bare number, whatever its digits.
inline std::string ProjectIdMismatch(int n) {
  return "Warning: Project ID# <> Folder Name [p00" + std::to_string(n) + "]";
}
inline std::string StatusDefaults(int n) {
  return FileError(n, kStatusFile) + " => Loading default values...";
}
inline std::string ThresholdDefaults(int n) {
  return FileError(n, kThresholdFile) + " => Loading default values...";
}
inline std::string GroupsDefaults(int n) {
  return FileError(n, kGroupsFile) + " => Loading default groups...";
}
inline std::string ChannelGroupsDefaults(int n) {
  return FileError(n, kChannelGroupsFile) + " => Loading default groups...";
}

// A loaded value that would count nothing, replaced by the value `used`.
inline std::string DetectionDefault(int n, std::string_view file, std::string_view what,
                                    std::string_view range, std::string_view used) {
  return FileError(n, file) + " " + std::string(what) + " (" + std::string(range) +
         ") => Loading default value " + std::string(used) + "...";
}

// Project descriptions for the project lists.
inline constexpr std::string_view kDescribePrefix = "<Project> p";
inline constexpr std::string_view kSetupNotFound = "<Project> p: SETUP NOT FOUND!!";
inline constexpr std::string_view kSetupFileError = "ERROR on SETUP.DAT FILE!!!";
inline constexpr std::string_view kRecoveredFromBackup =
    "Error reading Setup.dat -> recovered from Setup.bak";
inline constexpr std::string_view kRecoveredFromPrefix =
    "Error reading Setup.dat -> recovered from ";
// Shown when the backup copy before a rename fails.
inline constexpr std::string_view kRenameCopyError = "error";

// Plate formats.
inline std::string PlateFallback(std::string_view plateFormat, int stage) {
  return "Error [\\" + std::string(plateFormat) + ".dat] ID#" + std::to_string(stage) +
         " => Loading plate format from default: 384,96f or 96u...";
}
inline constexpr std::string_view kPlateGeometryHeading =
    "Rows Row_pitch Row_offset Columns Column_pitch Column_offset";
inline constexpr std::string_view kPlateRecordHeading = "Channel_label Well Beam";
inline constexpr std::string_view kDiscontinuedNote = "NOTE: DISCONTINUED. Contact provider";

// Status line of the start menu.
inline constexpr std::string_view kStartMenuStatus = "Frm_Init.status";

}  // namespace movexa::project_texts
