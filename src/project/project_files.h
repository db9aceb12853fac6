// Pure readers and writers of the project files: "setup.dat", "status.dat", "threshld.dat",
// "groups.dat", "chgroup.dat" and "subproj.dat". Readers take the file's text and return the
// values plus what went wrong; writers return the exact bytes of the file. No file access here:
// the project store (project_store.h) owns the messages and the recovery paths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "project/project_settings.h"

namespace movexa {

// Outcome of reading "setup.dat" into a record. The record is filled block by block as the
// file is read; `stage` is the failure stage reached (1 before line 2, 2 before line 4, 3 before
// line 6, 4 before line 8, 5 + r after the tool row Mn<r>, 11 when everything was read).
struct SetupReadResult {
  int stage = 1;
  bool failed = false;
  std::string error;  // what went wrong, for logs and tests; empty when not failed
  int lines = 0;      // lines of the file
};

// Reads a whole "setup.dat" text into `settings`. A file of 6..19 lines loads lines 1..6 only
// and leaves the tool flags and the Mn table as they were. A file of 5 lines or fewer is a
// failure at stage 1 (a truncated setup must be recovered, not silently ignored). Numbers must
// fit 16 bits; RT_Buffer and DSP_Interval must be at least 1 (they size buffers and windows).
SetupReadResult ReadSetupText(std::string_view text, ProjectSettings& settings);

// Applies the defaults of every block of "setup.dat" from the failing stage on (stage < 2:
// name, working folder and plate format; < 3: line 4; < 4: line 6; < 5: tool flags;
// < 6 .. < 11: Mn1 .. Mn6). Blocks before the failing one keep their values.
void ApplySetupDefaults(int stage, std::string_view workingFolder, ProjectSettings& settings);

// The stored project number of line 2 read as a number: leading blanks and a sign, then
// digits; text that is no number reads as 0.
int64_t StoredProjectNumber(std::string_view numProj);

// The exact bytes of "setup.dat" for `settings`, with `projectNumber` written as Num_proj.
std::string FormatSetup(const ProjectSettings& settings, int projectNumber);

// Values of the per-channel files in record order (the first field of each record, the
// channel or group number, is read and ignored). At most 385 records are read.
template <typename T>
struct ChannelFileRead {
  std::vector<T> values;
  std::string error;  // empty when the file was read to its end
  bool ok() const { return error.empty(); }
};

ChannelFileRead<int16_t> ParseChannelStatus(std::string_view text);
ChannelFileRead<double> ParseThresholds(std::string_view text);
ChannelFileRead<std::string> ParseGroupNames(std::string_view text);
// Group numbers must be -1 (free) or 0..383: any other number fails the file.
ChannelFileRead<int16_t> ParseChannelGroups(std::string_view text);

// Exact bytes of the per-channel files (entries 0..383).
std::string FormatChannelStatus(const ProjectSettings& settings);
std::string FormatThresholds(const ProjectSettings& settings);  // rounded to 3 decimals
std::string FormatGroupNames(const ProjectSettings& settings);
std::string FormatChannelGroups(const ProjectSettings& settings);

// A threshold as stored: rounded to three decimals, halves to even.
double RoundThreshold(double percent);

// "subproj.dat": the sub-project (experiment) name and the optional second field.
struct SubprojectRead {
  std::string name;
  bool hasSecond = false;
  std::string second;
  std::string error;
  bool ok() const { return error.empty(); }
};
SubprojectRead ParseSubproject(std::string_view text);
// One line with the quoted name, and a second line with the quoted second field when given.
std::string FormatSubproject(std::string_view name, const std::string* second);

}  // namespace movexa
