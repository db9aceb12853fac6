// Readers of "counts.bin" for reports; every one applies the same DayWrap rule.
#include "reports/counts_series.h"

#include <algorithm>
#include <limits>

#include "acquisition/counts_record.h"
#include "base/file_io.h"

namespace movexa {

CountsShape ShapeOfCounts(std::string_view bytes) {
  CountsShape s;
  s.records = bytes.size() / kCountsRecordBytes;
  if (bytes.size() % kCountsRecordBytes != 0) s.fault = CountsFault::kNotWholeRecords;
  return s;
}

std::optional<CountsFile> ReadCountsFile(const std::filesystem::path& path, std::string& error) {
  auto bytes = ReadWholeFile(path, &error, kCountsFileMaxBytes);
  if (!bytes) return std::nullopt;
  CountsFile file;
  file.tornBytes = bytes->size() % kCountsRecordBytes;
  bytes->resize(bytes->size() - file.tornBytes);
  file.bytes = std::move(*bytes);
  return file;
}

std::string TornTailNote(const std::filesystem::path& path, size_t tornBytes) {
  return path.string() + ": a torn last record of " + std::to_string(tornBytes) +
         " bytes was ignored";
}

int32_t StoredTimeOf(std::string_view bytes, size_t record) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + record * kCountsRecordBytes;
  uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  return static_cast<int32_t>(v);
}

namespace {

LoadedCounts LoadRecords(std::string_view bytes, size_t count) {
  LoadedCounts out;
  out.Resize(count);
  DayWrap wrap;
  CountsRecord r;
  for (size_t k = 0; k < count; ++k) {
    DecodeCountsRecord(bytes, k * kCountsRecordBytes, r);
    out.times[k] = wrap.Adjust(r.minutes);
    std::copy(r.values.begin(), r.values.begin() + kChannelCount, out.Record(k));
    out.temperature[k] = r.values[kChannelCount];
  }
  return out;
}

}  // namespace

int64_t LastAdjustedTime(std::string_view bytes) {
  const size_t n = bytes.size() / kCountsRecordBytes;
  DayWrap wrap;
  int64_t last = 0;
  for (size_t k = 0; k < n; ++k) {
    int64_t t = wrap.Adjust(StoredTimeOf(bytes, k));
    last = k == 0 ? t : std::max(last, t);
  }
  return last;
}

int64_t LargestRawTime(std::string_view bytes) {
  const size_t n = bytes.size() / kCountsRecordBytes;
  int64_t largest = 0;
  for (size_t k = 0; k < n; ++k) {
    int64_t t = StoredTimeOf(bytes, k);
    largest = k == 0 ? t : std::max(largest, t);
  }
  return largest;
}

LoadedCounts LoadCountsForReport(std::string_view bytes) {
  const size_t n = bytes.size() / kCountsRecordBytes;
  DayWrap wrap;
  int64_t largest = std::numeric_limits<int64_t>::min();
  size_t lastKept = 0;
  for (size_t k = 0; k < n; ++k) {
    int64_t t = wrap.Adjust(StoredTimeOf(bytes, k));
    if (t >= largest) lastKept = k;
    largest = std::max(largest, t);
  }
  return LoadRecords(bytes, n == 0 ? 0 : lastKept + 1);
}

LoadedCounts LoadAllCounts(std::string_view bytes) {
  return LoadRecords(bytes, bytes.size() / kCountsRecordBytes);
}

}  // namespace movexa
