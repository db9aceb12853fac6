// Designs of the plate formats and the projects shipped in data/.
#include "install_data.h"

#include <stdexcept>

#include "app/app_config.h"
#include "app/config.h"
#include "base/file_io.h"
#include "project/project_files.h"
#include "project/project_folders.h"

namespace movexa::install_data {

namespace {

using Records = std::vector<PlateChannelRecord>;

Records Unused() {
  return Records(kChannelCount);
}

int Channel(int beamRow, int beamColumn) {
  return beamColumn * kBeamRows + beamRow;
}

void Set(Records& r, int channel, int well, int beam) {
  r[static_cast<size_t>(channel)] = {static_cast<int16_t>(well), static_cast<int16_t>(beam)};
}

PlateGeometry Geometry(int rows, double rowPitch, double rowOffset, int columns, double columnPitch,
                       double columnOffset) {
  PlateGeometry g;
  g.rows = static_cast<int16_t>(rows);
  g.rowPitch = rowPitch;
  g.rowOffset = rowOffset;
  g.columns = static_cast<int16_t>(columns);
  g.columnPitch = columnPitch;
  g.columnOffset = columnOffset;
  return g;
}

PlateDesign FromBuiltIn(const std::string& name) {
  PlateDesign d{name, {}, Unused()};
  WellMap map;
  InstallBuiltInPlateFormat(name, d.geometry, map);
  for (size_t c = 0; c < kChannelCount; ++c)
    d.channels[c] = {map.channelWell[c], map.channelBeam[c]};
  return d;
}

// 24 wells (4 x 6), each 4 x 4 beam cells; the 2 x 2 beams around the well's centre.
PlateDesign W24() {
  PlateDesign d{"w24", Geometry(4, 4, 0, 6, 4, 0), Unused()};
  for (int j = 0; j < 6; ++j) {
    for (int e = 0; e < 4; ++e) {
      int beam = 0;
      for (int k = 4 * j + 1; k <= 4 * j + 2; ++k) {
        for (int r = 4 * e + 1; r <= 4 * e + 2; ++r)
          Set(d.channels, Channel(r, k), 4 * j + e, beam++);
      }
    }
  }
  return d;
}

// 48 wells (6 x 8) on a 2.5-row by 2.875-column pitch, so the beam columns fall differently in
// each well: one beam row (the one nearest the well's centre) and the beam columns within 1.1
// cells of the centre, 2 or 3 beams per well.
PlateDesign W48() {
  PlateDesign d{"w48", Geometry(6, 2.5, 0.5, 8, 2.875, 0.5), Unused()};
  for (int j = 0; j < 8; ++j) {
    const double cx = 0.5 + 2.875 * j + 2.875 / 2;
    for (int e = 0; e < 6; ++e) {
      const double cy = 0.5 + 2.5 * e + 1.25;
      const int row = static_cast<int>(cy);  // the beam row whose centre (row + 0.5) is nearest
      int beam = 0;
      for (int k = 0; k < kBeamColumns; ++k) {
        double dx = k + 0.5 - cx;
        if (dx * dx <= 1.1 * 1.1) Set(d.channels, Channel(row, k), 6 * j + e, beam++);
      }
    }
  }
  return d;
}

// 6 wells (2 x 3), each 8 x 8 beam cells; the beams within 3 cells of the well's centre (32).
PlateDesign W6() {
  PlateDesign d{"w6", Geometry(2, 8, 0, 3, 8, 0), Unused()};
  for (int j = 0; j < 3; ++j) {
    for (int e = 0; e < 2; ++e) {
      int beam = 0;
      for (int k = 8 * j; k < 8 * j + 8; ++k) {
        for (int r = 8 * e; r < 8 * e + 8; ++r) {
          double dx = k + 0.5 - (8 * j + 4);
          double dy = r + 0.5 - (8 * e + 4);
          if (dx * dx + dy * dy <= 9.0) Set(d.channels, Channel(r, k), 2 * j + e, beam++);
        }
      }
    }
  }
  return d;
}

// 96 wells (8 x 12) of 2 x 2 beam cells, every beam used: 4 beams per well.
PlateDesign W96Flat() {
  PlateDesign d{"w96flat", Geometry(8, 2, 0, 12, 2, 0), Unused()};
  for (int k = 0; k < kBeamColumns; ++k) {
    for (int r = 0; r < kBeamRows; ++r)
      Set(d.channels, Channel(r, k), 8 * (k / 2) + r / 2, 2 * (k % 2) + r % 2);
  }
  return d;
}

// 32 glass tubes in two banks of 16, lying along the beam rows (one tube per beam row and bank,
// 12 beam columns long); three neighbouring beams cross the middle of each tube.
PlateDesign W32FlyTube() {
  PlateDesign d{"w32_flytube", Geometry(16, 1, 0, 2, 12, 0), Unused()};
  for (int j = 0; j < 2; ++j) {
    for (int e = 0; e < 16; ++e) {
      for (int b = 0; b < 3; ++b) Set(d.channels, Channel(e, 12 * j + 5 + b), 16 * j + e, b);
    }
  }
  return d;
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::string why;
  if (!WriteWholeFile(path, bytes, &why)) throw std::runtime_error(why);
}

// The project files as SaveProject writes them, without the "setup.bak" a save leaves.
void WriteProject(const std::filesystem::path& folder, int number, const ProjectSettings& p) {
  Write(folder / "setup.dat", FormatSetup(p, number));
  Write(folder / "status.dat", FormatChannelStatus(p));
  Write(folder / "threshld.dat", FormatThresholds(p));
  Write(folder / "groups.dat", FormatGroupNames(p));
  Write(folder / "chgroup.dat", FormatChannelGroups(p));
}

}  // namespace

std::vector<PlateDesign> PlateDesigns() {
  return {FromBuiltIn("w384"), FromBuiltIn("w96f"), W24(),       W48(), W6(),
          FromBuiltIn("w96u"), W96Flat(),           W32FlyTube()};
}

std::string PlateFile(const PlateDesign& design) {
  const KnownPlateFormat* known = FindKnownPlateFormat(design.name);
  std::string title = known ? std::string(known->description) : design.name;
  return FormatPlateFormat(title, design.geometry, design.channels);
}

ProjectSettings DefaultProject() {
  ProjectSettings p;
  p.Plate_format = "w96f";
  // One group per plate column: well column K holds beam columns 2K and 2K + 1.
  WellMap map;
  PlateGeometry g;
  InstallBuiltInPlateFormat("w96f", g, map);
  for (size_t c = 0; c < kChannelCount; ++c) {
    p.channelGroup[c] =
        map.channelWell[c] < 0 ? kFreeGroup : static_cast<int16_t>(map.channelWell[c] / 8);
  }
  return p;
}

ProjectSettings DemoProject() {
  ProjectSettings p = DefaultProject();
  p.Name = "Demo";
  p.Aq_lapse = 3;     // minutes
  p.RT_Buffer = 500;  // samples per bin (the length raw re-analysis reads): a bin every ~25 s
  p.Save_real = 1;
  p.Mn[kMn1][kEnab_Cal] = 0;
  p.Mn[kMn1][kEnab_Zero] = 0;
  p.Mn[kMn1][kSNRx10] = 18;
  // Four groups of three plate columns each.
  const char* names[] = {"Control", "Drug_1uM", "Drug_10uM", "Drug_100uM"};
  for (size_t g = 0; g < 4; ++g) p.groupNames[g] = names[g];
  for (size_t c = 0; c < kChannelCount; ++c) {
    if (p.channelGroup[c] >= 0) p.channelGroup[c] = static_cast<int16_t>(p.channelGroup[c] / 3);
  }
  return p;
}

std::vector<std::string> WriteInstallData(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir / ProjectFolderName(kDemoProjectNumber));
  std::vector<std::string> written;
  AppConfig config;
  config.Actual_Project_Number = kDemoProjectNumber;
  config.Last_Project = kDemoProjectNumber;
  Write(dir / "config.dat", FormatConfig(config));
  written.push_back("config.dat");
  for (const auto& design : PlateDesigns()) {
    Write(dir / (design.name + ".dat"), PlateFile(design));
    written.push_back(design.name + ".dat");
  }
  const char* projectFiles[] = {"setup.dat", "status.dat", "threshld.dat", "groups.dat",
                                "chgroup.dat"};
  WriteProject(dir, 0, DefaultProject());
  const std::string demo = ProjectFolderName(kDemoProjectNumber);
  WriteProject(dir / demo, kDemoProjectNumber, DemoProject());
  for (const char* f : projectFiles) written.push_back(f);
  for (const char* f : projectFiles) written.push_back(demo + "/" + f);
  return written;
}

}  // namespace movexa::install_data
