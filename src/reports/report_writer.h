// The report file: its name ("report" with ".csv" or ".txt", "report_1", ... when that cannot
// be opened for writing), its header lines and its blocks of group, sample, temperature, well
// and channel values in the layouts Rows, List, W.Array and CH.Array.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "reports/acquisition_tables.h"
#include "reports/report_tables.h"

namespace movexa {

enum ReportLayoutIndex { kLayoutRows = 0, kLayoutList = 1, kLayoutWellArray = 2, kLayoutChannelArray = 3 };

struct ReportLayout {
  int fileType = 0;  // 0 ".csv", 1 ".txt"
  std::string separator = ",";
  int layout = kLayoutRows;
  bool stdError = true;   // statistics box 2
  bool stdDev = false;    // statistics box 3
  bool wellCount = true;  // statistics box 4 ("N")
};

struct ReportHeader {
  std::string date;        // present date and time, general date format
  std::string file;        // acquisition path
  std::string subproject;  // experiment name
  std::string setting;     // "SETTING:" text
  bool basal = false;
  std::string basalName;
};

// The whole report text (a ".csv" report starts with the UTF-8 byte-order mark).
std::string FormatReport(const ReportHeader& header, const ReportLayout& layout,
                         const ReportTables& tables, const ReportProjectTables& project,
                         int64_t binMinutes, int64_t lastTime);

// ".csv" for file type 0, ".txt" otherwise.
std::string ReportExtension(int fileType);

// A name the experiment's copy of the report can safely carry: blanks become "_", and
// characters a file name cannot hold become "_" as well.
std::string ExperimentFileName(const std::string& subprojectName);

struct WrittenReport {
  bool ok = false;
  std::filesystem::path path;  // the report written
  std::filesystem::path copy;  // the copy named after the experiment (empty when none)
  std::string error;
  std::string copyError;       // why the experiment's copy could not be written (else empty)
};

// Writes `content` as "report<ext>" in `folder`, or "report_1<ext>", "report_2<ext>", ... when
// a name cannot be opened for writing; then copies it to the experiment's name when
// `subprojectName` is not empty (a failed copy is not an error of the report; `copyError` says
// why it is missing, for instance a name too long for the file system).
WrittenReport WriteReportFile(const std::filesystem::path& folder, const std::string& content,
                              int fileType, const std::string& subprojectName);

}  // namespace movexa
