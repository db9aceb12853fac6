// The installation data of a fresh application folder, built from code so that data/ can be
// re-made and checked byte for byte: "config.dat", the Default project, the demo project
// p00001 and the eight plate-format files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "project/plate_format.h"
#include "project/project_settings.h"

namespace movexa::install_data {

// A plate format as designed on the 16 x 24 beam grid.
struct PlateDesign {
  std::string name;
  PlateGeometry geometry;
  std::vector<PlateChannelRecord> channels;  // channels 0..383
};

// The eight known formats: w384, w96f and w96u as the built-in maps; w24, w48, w6, w96flat and
// w32_flytube designed here.
std::vector<PlateDesign> PlateDesigns();
// Bytes of the design's "<name>.dat".
std::string PlateFile(const PlateDesign& design);

// The Default project (project 0, files in the application folder root) and the demo project
// (project 1, "Demo", a short run on w96f with four groups).
ProjectSettings DefaultProject();
ProjectSettings DemoProject();
inline constexpr int kDemoProjectNumber = 1;

// Writes the whole installation data into `dir` (created when missing). Returns the relative
// paths written, or throws std::runtime_error on a write failure.
std::vector<std::string> WriteInstallData(const std::filesystem::path& dir);

}  // namespace movexa::install_data
