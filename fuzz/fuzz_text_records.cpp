// Fuzz target: the text record syntax every project file is read with (fields, quotes, line
// ends, typed reads) and the number parsers behind it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text_records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  movexa::RecordReader reader(text);
  // The first byte picks the sequence of typed reads, so every kind meets every field.
  const unsigned pattern = size > 0 ? data[0] : 0;
  for (int i = 0; i < 4096 && !reader.AtEnd(); ++i) {
    std::string s;
    int16_t i16 = 0;
    int32_t i32 = 0;
    double d = 0;
    switch ((pattern >> (i % 4 * 2)) & 3) {
      case 0: reader.ReadText(s); break;
      case 1: reader.ReadInt16(i16); break;
      case 2: reader.ReadInt32(i32); break;
      default: reader.ReadReal(d); break;
    }
    (void)reader.ErrorText();
  }
  for (const std::string& line : movexa::SplitLines(text)) {
    (void)movexa::ParseInteger(line, INT64_MIN, INT64_MAX);
    (void)movexa::ParseOperatorNumber(line);
    if (auto v = movexa::ParseReal(line)) (void)movexa::ShortestDecimal(*v);
    (void)movexa::StorableText(line);
  }
  (void)movexa::CountLinesIn(text);
  return 0;
}
