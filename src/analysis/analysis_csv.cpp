// Header blocks, cells, numbers and streamed output files of the analyses.
#include "analysis/analysis_csv.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "base/file_io.h"
#include "base/number_format.h"

namespace movexa {

Summary Summarise(const std::vector<double>& values) {
  Summary s;
  s.n = static_cast<int64_t>(values.size());
  if (s.n == 0) return s;
  long double sum = 0;
  for (double v : values) sum += v;
  s.mean = static_cast<double>(sum / static_cast<long double>(s.n));
  if (s.n < 2) return s;
  long double ss = 0;
  for (double v : values) ss += (v - s.mean) * (v - s.mean);
  s.sd = std::sqrt(static_cast<double>(ss / static_cast<long double>(s.n - 1)));
  s.sem = s.sd / std::sqrt(static_cast<double>(s.n));
  return s;
}

std::string Decimal(double value) {
  if (!std::isfinite(value)) return {};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.4f", value);
  std::string text(buffer);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text;
}

std::string SummaryCells(const Summary& s) {
  const std::string mean = s.n > 0 ? Decimal(s.mean) : std::string();
  const std::string sd = s.n > 1 ? Decimal(s.sd) : std::string();
  const std::string sem = s.n > 1 ? Decimal(s.sem) : std::string();
  return mean + "," + sd + "," + sem + "," + std::to_string(s.n);
}

std::string GroupSummaryText(std::string_view unit, std::string_view over) {
  return "per " + std::string(unit) +
         ": mean, SD (n - 1), SEM = SD / sqrt(N) and N over the "
         "group's animals " +
         std::string(over) +
         "; SD and SEM are empty when N < 2, the mean "
         "when N = 0; free wells belong to no group";
}

std::string CsvCell(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string DateTimeText(const CivilTime& t) {
  return FormatDateTime(t, "yyyy-mm-dd hh:nn:ss");
}

std::string HeaderBlock(const ActivityTable& table, std::string_view title,
                        const std::vector<std::string>& extra) {
  std::string out;
  auto line = [&out](std::string_view text) {
    out += "# ";
    for (char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
    out += "\r\n";
  };
  line(title);
  for (const auto& source : table.sources) line("acquisition: " + source);
  line("run start: " + DateTimeText(table.start) + " (minute 0 of every time in this file)");
  line("plate: " + table.plateFormat + ", " + std::to_string(table.wells.size()) + " wells, " +
       std::to_string(table.groups.size()) + " groups (free wells belong to none)");
  line("bins: " + std::to_string(table.binMinutes) + " min; " + table.binRule);
  line("light schedule: " + table.light.Text() + ", from " + table.light.origin);
  if (table.light.kind == LightKind::kDaily) {
    line("ZT0: " + DateTimeText(WallClockAt(table, table.zt0Minute)) +
         " (the last lights-on at or before the run start)");
  }
  const BinQuality& q = table.quality;
  line("bin check: " + std::to_string(table.BinCount()) + " bins measured, " +
       std::to_string(q.missingBins) + " missing, " + std::to_string(q.duplicates) +
       " duplicated, largest step " + std::to_string(q.largestGapMinutes) + " min, " +
       (q.irregular ? "irregular" : "regular"));
  for (const auto& text : extra) line(text);
  for (const auto& note : table.notes) line("note: " + note);
  return out;
}

StreamedFile::StreamedFile(std::filesystem::path path) : path_(std::move(path)) {
  tmp_ = path_;
  tmp_ += ".tmp";
  ::unlink(tmp_.c_str());
  file_ = std::fopen(tmp_.c_str(), "wbx");
  if (!file_) error_ = tmp_.string() + ": " + std::strerror(errno);
}

StreamedFile::~StreamedFile() {
  if (file_) {
    std::fclose(file_);
    ::unlink(tmp_.c_str());
  }
}

void StreamedFile::Write(std::string_view text) {
  if (!file_ || !error_.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
    error_ = tmp_.string() + ": " + std::strerror(errno);
  }
}

bool StreamedFile::Commit(std::string& error) {
  if (file_) {
    if (std::fflush(file_) != 0 && error_.empty())
      error_ = tmp_.string() + ": " + std::strerror(errno);
    if (std::fclose(file_) != 0 && error_.empty())
      error_ = tmp_.string() + ": " + std::strerror(errno);
    file_ = nullptr;
  }
  if (error_.empty() && std::rename(tmp_.c_str(), path_.c_str()) != 0) {
    error_ = path_.string() + ": " + std::strerror(errno);
  }
  if (!error_.empty()) {
    ::unlink(tmp_.c_str());
    error = error_;
    return false;
  }
  return true;
}

bool WriteOutputFile(const std::filesystem::path& path, std::string_view content,
                     std::string& error) {
  StreamedFile file(path);
  file.Write(content);
  return file.Commit(error);
}

}  // namespace movexa
