// Fuzz target: plate-format files, as the project store and the reports read them, and the
// well table built from an accepted one.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "project/plate_format.h"
#include "reports/acquisition_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)movexa::ParsePlateFormat(text);
  auto multiwell = movexa::ParseMultiwellConfig(text);
  if (multiwell.ok) {
    movexa::ReportProjectTables tables;
    tables.rows = multiwell.value.rows;
    tables.columns = multiwell.value.columns;
    tables.channelWell = multiwell.value.channelWell;
    tables.channelPosition = multiwell.value.channelPosition;
    tables.BuildWellTable();
    for (int w = -1; w <= tables.largestWell + 1; ++w) (void)tables.ChannelAt(w, 0);
  }
  return 0;
}
