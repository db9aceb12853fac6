// The hand-off from the acquisition browser (and movexa-cli) to the report window: which
// acquisition to report, the title the window shows, the basal candidates of the same project
// and the detection setting to start from.
//
// How to use it: the offline window's "Report" (or a command) calls MakeReportHandOff with the
// acquisition folder chosen in the browser. When `ok` is false, `message` is what the operator
// is shown ("Activity file not Found") and no report window opens. Otherwise the report window
// takes `acquisitionFolder` as its input file and `title` as its caption, clears its basal list
// and fills it with `basalList` ("-" first, then the folder name of every other listed
// acquisition of the project, in the browser's order; the acquisition itself is no basal of
// its own), shown as `basalLabels` (the date, start and experiment name as the browser shows
// them), selects entry `basalSelected` (the "-"), and sets its
// organism list, method list and threshold box from `organism`, `method` and `thresholdText`
// (the acquisition's own setup, the threshold already normalised: organism 3 outside 0.5..1.0
// gives 0.8, organisms 0..2 below 1.4 give 1.8). A basal name is the whole folder name: the
// stamp "yyyymmdd_hhmm" and, for runs started in the same minute, its suffix.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace movexa {

struct ReportHandOff {
  bool ok = false;
  std::string message;  // shown when !ok
  std::filesystem::path acquisitionFolder;
  std::string title;
  std::vector<std::string> basalList;    // folder names, "-" first
  std::vector<std::string> basalLabels;  // what the list shows for each, "-" first
  int basalSelected = 0;
  int organism = 0;
  int method = 1;
  std::string thresholdText = "1.8";
};

// `order` is the browser's order (1 newest first, 0 oldest first) for the basal list.
// A basal list entry's text: `2024.0319 ACQ12:30 "larvae"` for folder 20240319_1230.
std::string BasalLabel(const std::filesystem::path& acquisitionFolder);

ReportHandOff MakeReportHandOff(const std::filesystem::path& acquisitionFolder,
                                const std::filesystem::path& appDir, const std::string& title,
                                int order = 1);

}  // namespace movexa
