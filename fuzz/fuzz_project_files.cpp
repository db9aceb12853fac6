// Fuzz target: the project files ("setup.dat", "status.dat", "threshld.dat", "groups.dat",
// "chgroup.dat", "subproj.dat") as the project store and the reports read them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "project/project_files.h"
#include "project/project_settings.h"
#include "reports/acquisition_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  movexa::ProjectSettings settings;
  auto setup = movexa::ReadSetupText(text, settings);
  movexa::ApplySetupDefaults(setup.stage, "fuzz", settings);
  (void)movexa::FormatSetup(settings, 1);
  (void)movexa::ParseChannelStatus(text);
  (void)movexa::ParseThresholds(text);
  (void)movexa::ParseGroupNames(text);
  (void)movexa::ParseChannelGroups(text);
  (void)movexa::ParseSubproject(text);
  if (auto acquisition = movexa::ParseAcquisitionSetup(text); acquisition.ok) {
    (void)movexa::SettingText(acquisition.value);
  }
  (void)movexa::ParseAcquisitionGroupNames(text);
  (void)movexa::ParseAcquisitionChannelGroups(text);
  return 0;
}
