// Fuzz target: the calibration table file "calvalue.dat" (channel layout, register layout,
// anything else).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "calibration/calibration_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  movexa::CalibrationTable table;
  (void)movexa::ParseCalibrationTable(text, table);
  (void)movexa::FormatCalibrationChannels(table);
  return 0;
}
