// Byte layouts of an acquisition's binary files and the day-wrap rule of their readers.
//
// "counts.bin": 774-byte little-endian records: int32 elapsed minutes, then 385 int16 values
// (channels 0..383, then the temperature x 10). Raw files "0.bin", "1.bin", ...: one block per
// bin of 385 channels x (RT_Buffer + 1) samples of int16, channel varying fastest; eleven blocks
// per file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/constants.h"

namespace movexa {

inline constexpr int kCountsRecordBytes = 774;
inline constexpr int kBlocksPerRawFile = 11;
inline constexpr int kDefaultRtBuffer = 500;
inline constexpr int kDefaultRawBlockSamples = kDefaultRtBuffer + 1;  // 501 rows
inline constexpr int64_t kDefaultRawBlockBytes = 2LL * kChannelSlots * kDefaultRawBlockSamples;  // 385770
// Largest "counts.bin" the readers take: a million bins, years of recording at the shortest
// bins; anything larger is not an activity file.
inline constexpr int64_t kCountsFileMaxBytes = int64_t{kCountsRecordBytes} * 1'000'000;

// Element 384 of a record closed while no temperature reading had arrived during the run (an
// instrument that never answered the temperature query). Readers show such a bin's temperature
// as missing; any stored value outside 1.0 .. 50.0 degrees (10 .. 500) is no valid reading.
inline constexpr int16_t kNoTemperature = -32768;

struct CountsRecord {
  int32_t minutes = 0;
  std::array<int16_t, kChannelSlots> values{};  // [384] = temperature x 10
};

// Appends the 774 bytes of `r` to `out`.
void EncodeCountsRecord(const CountsRecord& r, std::string& out);
// Decodes the record at byte offset `offset` of `bytes`; false when fewer than 774 bytes remain.
bool DecodeCountsRecord(std::string_view bytes, size_t offset, CountsRecord& r);

// Size in bytes of one raw block for a buffer of `rtBuffer` samples.
inline int64_t RawBlockBytes(int rtBuffer) { return 2LL * kChannelSlots * (rtBuffer + 1); }

// Where raw block `recordIndex` of a run lives: file number, block within the file.
struct RawBlockLocation {
  int fileNumber;
  int blockInFile;
};
inline RawBlockLocation LocateRawBlock(int64_t recordIndex) {
  return {static_cast<int>(recordIndex / kBlocksPerRawFile),
          static_cast<int>(recordIndex % kBlocksPerRawFile)};
}

// The day-wrap rule, one rule for every reader of "counts.bin": a record starts a new day when
// its time plus the days already found is more than 1000 minutes below the previous record's
// adjusted time; each new day adds 1440 minutes.
class DayWrap {
 public:
  // Adjusted time of the next record, given its stored time.
  int64_t Adjust(int32_t storedMinutes);
  int days() const { return days_; }

 private:
  int days_ = 0;
  bool first_ = true;
  int64_t previous_ = 0;
};

}  // namespace movexa
