// Joining acquisitions of one project into a new acquisition on one time axis, and the ASCII
// export of the raw samples of the well shown in the signal view.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "base/host.h"
#include "offline/signal_view.h"

namespace movexa {

namespace fs = std::filesystem;

// One acquisition to join: its list line and folder name.
struct JoinSource {
  std::string line;
  std::string folderName;
};

struct JoinResult {
  bool ok = false;
  fs::path folder;       // the joined acquisition
  size_t records = 0;
  std::vector<std::string> notes;  // said to the operator: torn last records left out
  std::string projectFilesFrom;    // the part whose project files the join carries
  std::string error;
};

// The joined folder's "subproj.dat" name: "Data Block: " and each source line followed by
// " + ".
std::string JoinSubprojectName(const std::vector<JoinSource>& sources);

// Joins `sources` (at least two acquisitions of `projectFolder`, given in any order) into a new
// acquisition of that project. The parts are taken in the order of their start times (read
// from the folder names), so the joined time runs forward: each record's time is raised by the
// minutes from the earliest start to its part's start, rounded half to even; the counts are
// copied unchanged. "subproj.dat" names the parts in that order.
//
// The joined acquisition is reportable as its parts are: it carries the project files (setup,
// channel status, thresholds, groups and channel groups, each ".dat" or else its ".bak") of
// the earliest part that holds a setup, and so that part's project name, plate format and
// groups. Refused before any folder is made: fewer than two parts, the same acquisition
// twice, a start time that cannot be read from a name, a part whose "counts.bin" cannot be
// read or holds no whole record, parts recorded on different plate formats, and no part with
// a readable setup. A torn last record of a part is left out and said in `notes`.
//
// The new folder never is an existing one (the first free minute from `now` on, as for a
// recorded run); its files are written whole, "counts.bin" last, and a failure part-way
// removes the folder again.
JoinResult JoinAcquisitions(const fs::path& projectFolder, std::vector<JoinSource> sources,
                            const CivilTime& now);

struct ExportResult {
  bool ok = false;
  fs::path file;
  std::string error;
};

// Writes the raw samples of the selected well over the loaded page to `file` (normally
// "datafile.txt" of the application folder): the project description and the acquisition path
// in quotes, a blank line, "Well: " label " Page[" page text "] [#" first "k-" last "k]" (the
// page's sample range in thousands), a blank line, the header of beam labels, then one line per
// sample of each loaded block position, each channel's value followed by a space. The text is
// written beside the file and renamed over it, so a failed export never leaves a partial file
// under the export's name.
ExportResult ExportAscii(const fs::path& file, const SignalView& view,
                         std::string_view projectDescription);

}  // namespace movexa
