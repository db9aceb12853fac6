// Little-endian encoding of "counts.bin" records and the day-wrap rule.
#include "acquisition/counts_record.h"

namespace movexa {

namespace {
void PutLe(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
uint32_t GetLe(std::string_view b, size_t o, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[o + static_cast<size_t>(i)]);
  return v;
}
}  // namespace

void EncodeCountsRecord(const CountsRecord& r, std::string& out) {
  out.reserve(out.size() + kCountsRecordBytes);
  PutLe(out, static_cast<uint32_t>(r.minutes), 4);
  for (int16_t v : r.values) PutLe(out, static_cast<uint16_t>(v), 2);
}

bool DecodeCountsRecord(std::string_view bytes, size_t offset, CountsRecord& r) {
  if (offset > bytes.size() || bytes.size() - offset < static_cast<size_t>(kCountsRecordBytes)) {
    return false;
  }
  r.minutes = static_cast<int32_t>(GetLe(bytes, offset, 4));
  for (int c = 0; c < kChannelSlots; ++c) {
    r.values[static_cast<size_t>(c)] =
        static_cast<int16_t>(GetLe(bytes, offset + 4 + 2 * static_cast<size_t>(c), 2));
  }
  return true;
}

int64_t DayWrap::Adjust(int32_t storedMinutes) {
  int64_t adjusted = storedMinutes + 1440LL * days_;
  if (!first_ && adjusted < previous_ - 1000) {
    ++days_;
    adjusted += 1440;
  }
  first_ = false;
  previous_ = adjusted;
  return adjusted;
}

}  // namespace movexa
