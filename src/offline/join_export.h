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
  std::vector<std::string> unreadable;  // sources that contributed no records
  std::string error;
};

// The joined folder's "subproj.dat" name: "Data Block: " and each source line followed by
// " + ".
std::string JoinSubprojectName(const std::vector<JoinSource>& sources);

// Joins `sources` (list order, at least two) of `projectFolder`: each record's time is raised
// by the minutes from the earliest start (read from the folder names) to the source's start,
// rounded half to even; the counts are copied unchanged. The new folder never is an existing
// one (the first free minute from `now` on, as for a recorded run); "counts.bin" is built whole and put in place in one step, after "subproj.dat".
JoinResult JoinAcquisitions(const fs::path& projectFolder, const std::vector<JoinSource>& sources,
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
