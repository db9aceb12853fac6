// Text of the analysis outputs: the header block every CSV file starts with, CSV cells,
// numbers that are never NaN, the summary over animals (mean, SD, SEM, N), and a file that is
// streamed beside its final name and put in place whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/activity_table.h"

namespace movexa {

// Mean, sample standard deviation (n - 1), SEM = SD / sqrt(N) and N of some values.
struct Summary {
  int64_t n = 0;
  double mean = 0;
  double sd = 0;
  double sem = 0;
};
Summary Summarise(const std::vector<double>& values);

// A number with at most four decimals, trailing zeros removed ("0.8571", "2", "-0.5"); empty
// for a value that is not finite, so no file ever holds "nan" or "inf".
std::string Decimal(double value);
// The summary's cells "mean,sd,sem,n": mean empty when N = 0; SD and SEM empty when N < 2.
std::string SummaryCells(const Summary& s);

// The header line that says how the group summaries are made: "per <unit>: mean, SD (n - 1),
// SEM = SD / sqrt(N) and N over the group's animals <over>; ...".
std::string GroupSummaryText(std::string_view unit, std::string_view over);

// A CSV cell: quoted (quotes doubled) when it holds a comma, a quote or a line break.
std::string CsvCell(std::string_view text);

// "yyyy-mm-dd hh:mm:ss".
std::string DateTimeText(const CivilTime& t);

// The header block: "# " lines with the title, each acquisition, the bins and their rule, the
// light schedule and ZT0, the bin-time check, the `extra` lines (rule or method, windows,
// columns) and every note of the table. Ends with a line break.
std::string HeaderBlock(const ActivityTable& table, std::string_view title,
                        const std::vector<std::string>& extra);

// A file written through a temporary beside it ("<name>.tmp") and renamed over the name at
// Commit, so a failed or interrupted export never leaves a partial file under the real name.
class StreamedFile {
 public:
  explicit StreamedFile(std::filesystem::path path);
  ~StreamedFile();
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;

  void Write(std::string_view text);
  // Closes and renames; false with `error` when any write, the close or the rename failed.
  bool Commit(std::string& error);

 private:
  std::filesystem::path path_;
  std::filesystem::path tmp_;
  std::FILE* file_ = nullptr;
  std::string error_;
};

// Writes `content` whole through StreamedFile.
bool WriteOutputFile(const std::filesystem::path& path, std::string_view content,
                     std::string& error);

}  // namespace movexa
