// Activity series of reports: the records of an acquisition's "counts.bin" as loaded (16-bit
// counts) and as resampled into report bins (64-bit sums), and the pure readers that take them
// from the file's bytes with the one day-wrap rule.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/counts_record.h"
#include "base/constants.h"

namespace movexa {

// One time, kChannelCount counts and one temperature per record, record-major.
template <class Count>
struct Series {
  std::vector<int64_t> times;        // minutes since the start, day-wrap adjusted
  std::vector<Count> counts;         // kChannelCount per record
  std::vector<int32_t> temperature;  // tenths of a degree

  size_t size() const { return times.size(); }
  const Count* Record(size_t k) const { return counts.data() + k * kChannelCount; }
  Count* Record(size_t k) { return counts.data() + k * kChannelCount; }
  void Resize(size_t records) {
    times.assign(records, 0);
    counts.assign(records * kChannelCount, 0);
    temperature.assign(records, 0);
  }
};
using LoadedCounts = Series<int16_t>;
using BinnedCounts = Series<int64_t>;

enum class CountsFault { kNone, kNotWholeRecords };

// Records in the bytes, or a fault when the length is not a multiple of 774 bytes.
struct CountsShape {
  CountsFault fault = CountsFault::kNone;
  size_t records = 0;
};
CountsShape ShapeOfCounts(std::string_view bytes);

// A "counts.bin" as every reader takes it: its whole 774-byte records. Bytes past the last whole
// record (a record torn by a power cut during an append) are left out and counted, so the bins
// recorded before the cut can still be reported.
struct CountsFile {
  std::string bytes;      // the whole records
  size_t tornBytes = 0;   // length of the torn last record that was left out
};
// Reads `path` (a regular file within the activity file's size bound); nullopt and `error`
// when it cannot be read.
std::optional<CountsFile> ReadCountsFile(const std::filesystem::path& path, std::string& error);
// "<path>: a torn last record of N bytes was ignored", the note shown when tornBytes > 0.
std::string TornTailNote(const std::filesystem::path& path, size_t tornBytes);

// The largest day-wrap adjusted time of all records (0 for an empty file).
int64_t LastAdjustedTime(std::string_view bytes);

// The report loader: a first pass finds the last record whose adjusted time is at least the
// largest adjusted time before it; records 0 up to that one are loaded. Trailing records that
// step back (a second run appended to the same folder) are left out.
LoadedCounts LoadCountsForReport(std::string_view bytes);

// Every record up to the end of the file (circadian exports, re-analysis).
LoadedCounts LoadAllCounts(std::string_view bytes);

// Stored (raw) time of record `record`; the bytes must hold it.
int32_t StoredTimeOf(std::string_view bytes, size_t record);

// Largest stored (raw) time of the records; 0 for none.
int64_t LargestRawTime(std::string_view bytes);

}  // namespace movexa
