// Plate-format files, built-in maps and labels of wells, channels and groups.
#include "project/plate_format.h"

#include "base/file_io.h"
#include "base/number_format.h"
#include "base/text_records.h"
#include "project/project_texts.h"

namespace movexa {

namespace {
constexpr int kPlateMaxRows = 16;     // beam rows of the grid
constexpr int kPlateMaxColumns = 24;  // beam columns of the grid
}  // namespace

namespace texts = project_texts;

namespace {

constexpr int kMaxIndex = kChannelCount - 1;  // 383: no well or beam index can exceed it

const std::array<KnownPlateFormat, 8> kKnownFormats = {{
    {"w384", "384 Well microplate [1microbeams/well]",
     "Use the standard microplate adapter (low frame) for 384-well plates", false, true, 1, 1},
    {"w96f", "96 Wells flat bottom [2microbeams/well]",
     "Use the standard microplate adapter (low frame) for 96-well flat bottom plates", false, true,
     2, 2},
    {"w24", "24 Wells flat bottom [4microbeams/well]",
     "Use the standard microplate adapter (high frame) for 24-well plates", false, false, 4, 4},
    {"w48", "48 Wells flat bottom [1-3microbeams/well]",
     "Use the standard microplate adapter (high frame) for 48-well plates", false, false, 1, 3},
    {"w6", "6 Wells flat bottom [30-32microbeams/well]",
     "Use the standard microplate adapter (high frame) for 6-well plates", false, false, 30, 32},
    {"w96u", "96 Wells U shape bottom [1microbeam/well]",
     "Use the standard microplate adapter (low frame) for 96-well U bottom plates", false, true, 1,
     1},
    {"w96flat", "96 Wells flat bottom [4microbeams/well]",
     "Use the 4-beam microplate adapter for 96-well flat bottom plates", true, false, 4, 4},
    {"w32_flytube", "32x20mm glasstube [3microbeams/well]",
     "Use the tube adapter for 32 glass tubes of 20 mm (two banks of 16 tubes)", false, false, 3,
     3},
}};

void SetGeometry(PlateGeometry& g, int16_t rows, double rowPitch, double rowOffset, int16_t columns,
                 double columnPitch, double columnOffset) {
  g.rows = rows;
  g.rowPitch = rowPitch;
  g.rowOffset = rowOffset;
  g.columns = columns;
  g.columnPitch = columnPitch;
  g.columnOffset = columnOffset;
}

}  // namespace

PlateFormatParse ParsePlateFormat(std::string_view text) {
  PlateFormatParse p;
  RecordReader in(text);
  p.stage = 1;
  PlateGeometry& g = p.geometry;
  if (!in.Skip(2) || !in.ReadInt16(g.rows) || !in.ReadReal(g.rowPitch) ||
      !in.ReadReal(g.rowOffset) || !in.ReadInt16(g.columns) || !in.ReadReal(g.columnPitch) ||
      !in.ReadReal(g.columnOffset) || !in.Skip(1)) {
    p.error = in.ErrorText();
    return p;
  }
  if (g.rows < 1 || g.columns < 1) {
    p.error = "the plate needs at least one row and one column";
    return p;
  }
  // Every well lies on the beam grid, so a plate has at most as many rows and columns as it.
  if (g.rows > kPlateMaxRows || g.columns > kPlateMaxColumns) {
    p.error = "a plate has at most " + std::to_string(kPlateMaxRows) + " rows and " +
              std::to_string(kPlateMaxColumns) + " columns (" + std::to_string(g.rows) + " x " +
              std::to_string(g.columns) + " read)";
    return p;
  }
  if (!(g.rowPitch > 0) || !(g.columnPitch > 0)) {
    p.error = "well pitches must be above 0";
    return p;
  }
  p.stage = 2;
  while (static_cast<int>(p.channels.size()) < kChannelSlots && !in.AtEnd()) {
    PlateChannelRecord r;
    if (!in.Skip(1) || !in.ReadInt16(r.well) || !in.ReadInt16(r.beam)) {
      p.error = in.ErrorText();
      return p;
    }
    const std::string where = "channel " + std::to_string(p.channels.size()) + ": ";
    if (r.well > kMaxIndex || r.beam > kMaxIndex) {
      p.error = where + "well or beam index above " + std::to_string(kMaxIndex);
      return p;
    }
    if (r.well >= 0 && r.beam < 0) {
      p.error = where + "negative beam index";
      return p;
    }
    p.channels.push_back(r);
  }
  p.stage = 3;
  return p;
}

std::string FormatPlateFormat(std::string_view title, const PlateGeometry& g,
                              const std::vector<PlateChannelRecord>& channels) {
  RecordWriter w;
  w.Header(title);
  w.Header(texts::kPlateGeometryHeading);
  w.Int(g.rows)
      .Real(g.rowPitch)
      .Real(g.rowOffset)
      .Int(g.columns)
      .Real(g.columnPitch)
      .Real(g.columnOffset)
      .EndLine();
  w.Header(texts::kPlateRecordHeading);
  for (const auto& r : channels) {
    std::string label = WellLabel(r.well, g.rows);
    w.Text(label.empty() ? "-" : label + "." + std::to_string(r.beam)).Int(r.well).Int(r.beam);
    w.EndLine();
  }
  return w.str();
}

void BuildWellTable(WellMap& map) {
  const size_t beams = static_cast<size_t>(map.highestBeam) + 1;
  map.table.assign((static_cast<size_t>(map.highestWell) + 1) * beams, 0);
  for (int c = 0; c < kChannelCount; ++c) {
    auto i = static_cast<size_t>(c);
    int well = map.channelWell[i];
    int beam = map.channelBeam[i];
    if (well < 0 || beam < 0 || well > map.highestWell || beam > map.highestBeam) continue;
    map.table[static_cast<size_t>(well) * beams + static_cast<size_t>(beam)] =
        static_cast<int16_t>(c);
  }
}

void InstallChannelRecords(const std::vector<PlateChannelRecord>& channels, WellMap& map) {
  map.channelWell.fill(-1);
  map.channelBeam.fill(0);
  map.highestWell = 0;
  map.highestBeam = 0;
  for (size_t c = 0; c < channels.size() && c < static_cast<size_t>(kChannelSlots); ++c) {
    map.channelWell[c] = channels[c].well;
    map.channelBeam[c] = channels[c].beam;
    if (channels[c].well > map.highestWell) map.highestWell = channels[c].well;
    if (channels[c].beam > map.highestBeam) map.highestBeam = channels[c].beam;
  }
  BuildWellTable(map);
}

bool InstallBuiltInPlateFormat(std::string_view name, PlateGeometry& geometry, WellMap& map) {
  WellMap m;  // every channel unused
  if (name == "w384") {
    SetGeometry(geometry, 16, 1.0, 0.0, 24, 1.0, 0.0);
    for (int c = 0; c < kChannelCount; ++c) {
      m.channelWell[static_cast<size_t>(c)] = static_cast<int16_t>(c);
    }
    m.highestWell = kMaxIndex;
    m.highestBeam = 0;
  } else if (name == "w96u" || name == "w96f") {
    const bool flat = name == "w96f";
    SetGeometry(geometry, 8, 2.0, -0.5, 12, 2.0, flat ? 0.0 : -0.5);
    for (int k = 0; k < kBeamColumns; k += 2) {
      for (int r = 0; r < kBeamRows; r += 2) {
        auto well = static_cast<int16_t>(8 * (k / 2) + r / 2);
        auto c = static_cast<size_t>(16 * k + r);
        m.channelWell[c] = well;
        if (flat) {
          m.channelWell[c + 16] = well;
          m.channelBeam[c + 16] = 1;
        }
      }
    }
    m.highestWell = 96;
    m.highestBeam = flat ? 1 : 0;
  } else {
    return false;
  }
  BuildWellTable(m);
  map = std::move(m);
  return true;
}

bool IsPlateFormatName(std::string_view name) {
  if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || c == ':' || c == '\0') return false;
  }
  return true;
}

PlateLoadResult LoadPlateFormatStrict(const std::filesystem::path& appDir, std::string_view name,
                                      PlateGeometry& geometry, WellMap& map) {
  PlateLoadResult result;
  result.stage = 0;
  if (!IsPlateFormatName(name)) {
    result.error = "not a plate format name: " + std::string(name);
    return result;
  }
  std::string why;
  auto text = ReadWholeFile(appDir / (std::string(name) + ".dat"), &why);
  if (!text) {
    result.error = why;
    return result;
  }
  PlateFormatParse parsed = ParsePlateFormat(*text);
  result.stage = parsed.stage;
  if (!parsed.ok()) {
    result.error = parsed.error;
    return result;
  }
  geometry = parsed.geometry;
  InstallChannelRecords(parsed.channels, map);
  result.ok = true;
  return result;
}

PlateLoadResult LoadPlateFormat(const std::filesystem::path& appDir, ProjectSettings& settings,
                                PlateGeometry& geometry, WellMap& map, Host& host) {
  PlateLoadResult result = LoadPlateFormatStrict(appDir, settings.Plate_format, geometry, map);
  if (result.ok) return result;
  host.dialogs.Problem(texts::PlateFallback(settings.Plate_format, result.stage));
  const std::string& f = settings.Plate_format;
  if (f != "w96f" && f != "w384" && f != "w96u") settings.Plate_format = "w96f";
  InstallBuiltInPlateFormat(settings.Plate_format, geometry, map);
  return result;
}

int16_t WellIndex(const PlateGeometry& geometry, char rowLetter, int columnNumber) {
  if (rowLetter >= 'a' && rowLetter <= 'z') rowLetter = static_cast<char>(rowLetter - 'a' + 'A');
  return static_cast<int16_t>((columnNumber - 1) * geometry.rows + (rowLetter - 'A'));
}

const std::array<KnownPlateFormat, 8>& KnownPlateFormats() {
  return kKnownFormats;
}

const KnownPlateFormat* FindKnownPlateFormat(std::string_view name) {
  for (const auto& f : kKnownFormats) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

std::string PlateFormatInformation(std::string_view name) {
  const KnownPlateFormat* f = FindKnownPlateFormat(name);
  if (!f) return {};
  std::string text = std::string(f->description) + "\n" + std::string(f->adapterHint);
  if (f->discontinued) text += "\n" + std::string(texts::kDiscontinuedNote);
  return text;
}

std::string WellLabel(int well, int rows) {
  if (well < 0) return {};
  if (rows < 1) rows = 1;
  // Row letters run "A", "B", ...; a plate with more rows than printable letters shows "?".
  int code = 'A' + well % rows;
  char letter = code <= '~' ? static_cast<char>(code) : '?';
  std::string label = std::to_string(well / rows + 1);
  label.insert(label.begin(), letter);
  return label;
}

std::string ChannelLabel(const WellMap& map, const PlateGeometry& geometry, int channel) {
  if (channel < 0 || channel >= kChannelSlots) return {};
  auto c = static_cast<size_t>(channel);
  std::string well = WellLabel(map.channelWell[c], geometry.rows);
  if (well.empty()) return {};
  return well + "." + std::to_string(map.channelBeam[c]);
}

std::string GroupLabel(int group, std::string_view name) {
  if (group < 0) return std::string(kFreeGroupLabel);
  return ZeroPad(group, 3) + "_" + std::string(name);
}

}  // namespace movexa
