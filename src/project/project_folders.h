// Small operations on project and acquisition folders: the project folder name, line
// counting, checked copies, the newest acquisition folder, project descriptions for the
// project lists, and the renames of a sub-project or a project.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/host.h"

namespace movexa {

namespace fs = std::filesystem;

// "p" and the project number with five digits: p00001, p00123.
std::string ProjectFolderName(int projectNumber);
// The project's folder inside the application folder.
fs::path ProjectFolder(const fs::path& appDir, int projectNumber);

// Lines of a text file (a last line without line end counts); 0 when it cannot be read.
int16_t CountLines(const fs::path& path);

// Copies one file over another: 1 on success, -1 on any failure (shows nothing). The
// destination is replaced in one step, so a failed copy leaves it as it was.
int16_t CopyFileChecked(const fs::path& source, const fs::path& destination);

// Name of the newest acquisition folder in `folder`: sub-folders named "yyyymmdd_hhmm" (13
// characters, "_" ninth, digits elsewhere), compared by date and time; empty when none (or the
// folder cannot be listed).
std::string FindLatestAcquisition(const fs::path& folder);

// "<Project> p" + five-digit stored project number + ": " + name, for the project lists.
// Recovers a "setup.dat" of fewer than 6 lines from "setup.bak" or from the newest acquisition
// (with a message), answers "<Project> p: SETUP NOT FOUND!!" when nothing can be read and
// "ERROR on SETUP.DAT FILE!!!" when line 2 cannot be read.
std::string DescribeProject(const fs::path& folder, Host& host);

// The sub-project (experiment) name in "subproj.dat" of an acquisition folder: its first field,
// also when a second field after it is damaged; empty when the file is missing or its first
// field cannot be read. The browser and the reports both take the name from here.
std::string ReadSubprojectName(const fs::path& folder);

// Replaces the sub-project name of an acquisition: "subproj.dat" is copied to "subproj.bak",
// then rewritten with the new name (the quote rule applied) and the old second field when the
// file had one. Returns the name as stored, `newName` unchanged when there is no "subproj.dat",
// or empty on failure (the file is then as it was; a failed backup copy shows "error").
std::string RenameSubproject(const fs::path& folder, std::string_view newName, Host& host);

// Replaces the project name in "setup.dat" of `folder`: the file is copied to "setup.bak",
// then rewritten with every line byte for byte except the name field of line 2, which becomes
// the new name in quotes (the quote rule applied). Fields of line 2 are split at commas outside
// quotes, so a name holding a comma is replaced whole. Returns the name as stored, `newName`
// unchanged when there is no "setup.dat", or empty on failure ("setup.dat" then unchanged).
std::string RenameProjectInSetup(const fs::path& folder, std::string_view newName, Host& host);

// Splits one line into its raw fields at the commas outside double quotes; each field keeps
// its bytes (quotes and blanks included). A trailing comma yields an empty last field.
std::vector<std::string> SplitRawFields(std::string_view line);

}  // namespace movexa
