// Fuzz target: the report configuration "repoconf.dat", read, checked and written again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reports/report_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  movexa::ParsedReportConfig parsed = movexa::ParseReportConfig(text);
  if (parsed.ok) {
    movexa::ValidateReportConfig(parsed.config);
    (void)movexa::FormatReportConfig(parsed.config, parsed.userDefined);
  }
  return 0;
}
