// The texts the offline window and its operations show or write: captions, messages, list
// prefixes and file names of the acquisition browser, the signal viewer, the joins and the
// exports. Each text lives here only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace movexa::offline_texts {

inline constexpr std::string_view kCaption =
    "<Movexa> Acquisition Software  --------> Report analysis";

// Files.
inline constexpr std::string_view kFoldviewFile = "foldview.dat";
inline constexpr std::string_view kCountsFile = "counts.bin";
inline constexpr std::string_view kDataFile = "datafile.txt";
inline constexpr std::string_view kImageFile = "image1.bmp";
inline constexpr std::string_view kGroupsBackup = "groups.bak";
inline constexpr std::string_view kChannelGroupsBackup = "chgroup.bak";

// Browser.
inline constexpr std::array<std::string_view, 5> kFolderCaptions = {"_folder1", "_folder2",
                                                                    "_folder3", "_folder4",
                                                                    "_folder5"};
inline constexpr std::string_view kOrderNewestFirst = "^";
inline constexpr std::string_view kOrderOldestFirst = "v";
inline constexpr std::array<std::string_view, 4> kAnalysisModes = {"Mode:0", "Mode:1", "MotIndex",
                                                                   "Drosophila"};
inline constexpr std::string_view kInitialThreshold = "1.8";
inline constexpr std::string_view kNoDate = "        ";  // eight spaces: a project without acquisitions
inline constexpr std::string_view kFolderTitle = "Folder";
inline constexpr std::string_view kFolderPrompt = "Write folder to watch:";
inline constexpr std::string_view kRenameProjectPrompt = "Enter Name of project";
inline constexpr std::string_view kRenameAcquisitionPrompt = "Enter Name of acquisition";
inline constexpr std::string_view kErrorRenaming = "Error Renaming";
inline constexpr std::string_view kRemoveOnlySubprojects =
    "Remove function only available for subprojects";
inline constexpr std::string_view kRemoveQuestion = "Remove folder from the list?";
inline constexpr std::string_view kArchiveWarning = "Files are going to be archived!";
inline constexpr std::string_view kArchiveInfix = "removed";
inline constexpr std::string_view kError = "Error";
// An acquisition whose folder a recorder is writing into is never moved or renamed.
inline std::string AcquisitionBeingRecorded(std::string_view experimentName,
                                            std::string_view folder) {
  if (folder.empty()) {
    return "An acquisition is being recorded from this application folder and its folder is "
           "not named yet: no acquisition can be archived, deleted or renamed until its run is "
           "stopped.";
  }
  return "The acquisition \"" + std::string(experimentName) + "\" (" + std::string(folder) +
         ") is being recorded now: it cannot be archived, deleted or renamed until its run is "
         "stopped.";
}
inline constexpr std::string_view kPlateConfigOnlySubprojects = "Only possible for SubProjects";
inline constexpr std::string_view kActivityFileNotFound = "Activity file not Found";
inline constexpr std::string_view kRename = "Rename";
inline constexpr std::string_view kDelete = "Delete";
inline constexpr std::string_view kFindInFolder = "Find in Folder";
inline constexpr std::string_view kPlateConfig = "Plate Config";
inline constexpr std::string_view kRestoreRecorded = "Restore recorded counts...";
inline constexpr std::string_view kRestoreQuestion1 = "Put the counts as recorded back into ";
inline constexpr std::string_view kRestoreQuestion2 =
    "?\r\nThe re-analysed counts and the method and threshold of that re-analysis are replaced.";
inline constexpr std::string_view kRestored = "Recorded counts restored in ";
inline constexpr std::string_view kNothingToRestore =
    "This acquisition keeps no recorded counts: its counts.bin was never replaced.";
inline constexpr std::string_view kRestoreFailed = "Recorded counts not restored: ";
inline constexpr std::string_view kSelectOneToReport =
    "Several lines are selected: select the one acquisition to report.";
inline constexpr std::string_view kHideSubfolders = "> Hide subfolders";
inline constexpr std::string_view kApply = "Apply";
inline constexpr std::string_view kReport = "Report";

// Viewer.
inline constexpr std::string_view kChannelSignal = "Channel Signal";
inline constexpr std::string_view kChannelSignalOn = "[Channel Signal]";
inline constexpr std::string_view kGroupActivity = "Group Activity";
inline constexpr std::string_view kGroupActivityOn = "[Group Activity]";
inline constexpr std::string_view kAnalyze = "Analyze";
inline constexpr std::array<std::string_view, 4> kOrganismNames = {"C.elegans", "Zebrafish",
                                                                   "Echinococcus", "Drosophila"};
inline constexpr std::string_view kProjectHeading = "***** PROJECT ******";
inline constexpr std::string_view kConfigHeading = "***** CONFIG ******";
inline constexpr std::string_view kGroupsHeading = "Groups: ";
inline constexpr std::string_view kTimeAxis = "Time[min]";
inline constexpr std::string_view kAnalysisTimeAxis = "Time(min)";
inline constexpr std::string_view kSampleAxis = "[sample]";
inline constexpr std::string_view kScale = "Scale";
inline constexpr std::string_view kWell = "Well";
inline constexpr std::string_view kGroup = "Group";
inline constexpr std::string_view kOtherBinLength =
    "Raw blocks of another bin length than 500 samples are not shown";

// Group edition.
inline constexpr std::string_view kGo = "Go...";
inline constexpr std::string_view kClearList = "CLEAR LIST";
inline constexpr std::string_view kExitGroupEdition = "EXIT Group Edition";
inline constexpr std::string_view kAssignedChannels = "Assigned channels:";
inline constexpr std::string_view kFreeChannels = "Free channels:";
inline constexpr std::string_view kClearQuestion = "Do you like to Clear Group lists?";
inline constexpr std::string_view kSaveQuestion = "Do you like to Save Changes?";
inline constexpr std::string_view kGroupsSaved = "New Groups applied and saved";
inline constexpr std::string_view kGroupsSaveError = "Error updating group files at ";
inline constexpr std::string_view kGroupsRestored = "Original groups restored";
inline constexpr std::string_view kFreeName = "Free";

// Join and exports.
inline constexpr std::string_view kJoin = "Join...";
inline constexpr std::string_view kWrongSelection = "Wrong Selection!";
inline constexpr std::string_view kSelectMore = "Select more than one acquisition folder";
inline constexpr std::string_view kJoinQuestion = "Would you like to Join:";
inline constexpr std::string_view kDataBlock = "Data Block: ";
inline constexpr std::string_view kJointFiles = "Joint Files";
inline constexpr std::string_view kExportBmp = "Export to BMP...";
inline constexpr std::string_view kExportAscii = "Export to ASCII...";
inline constexpr std::string_view kExportBmpTitle = "Export the picture";
inline constexpr std::string_view kExportAsciiTitle = "Export the raw samples as text";
inline constexpr std::string_view kPictureFilter = "Pictures (*.bmp *.png);;All files (*)";
inline constexpr std::string_view kTextFilter = "Text files (*.txt);;All files (*)";
inline constexpr std::string_view kNotWritten = " could not be written";
inline constexpr std::string_view kNoRawSamples = "no raw samples loaded";
inline constexpr std::string_view kJoined = "Joined ";
inline constexpr std::string_view kGroupsNeeded =
    "The group activity needs the acquisition's own groups: save them again with Plate Config, "
    "or put groups.bak and chgroup.bak back in their place.";

}  // namespace movexa::offline_texts
