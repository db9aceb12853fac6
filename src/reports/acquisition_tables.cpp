// Readers of an acquisition's project files and of the multiwell configuration for reports.
#include "reports/acquisition_tables.h"

#include <algorithm>

#include "base/file_io.h"
#include "base/number_format.h"
#include "base/text_records.h"
#include "project/project_folders.h"
#include "reports/report_texts.h"

namespace movexa {

namespace rt = report_text;

namespace {

template <class T>
ReadResult<T> Failed(const RecordReader& r) {
  ReadResult<T> out;
  out.error = r.ErrorText();
  return out;
}

// A plate-format name is a plain file name in the application folder, never a path.
bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace

void ReportProjectTables::BuildWellTable() {
  largestWell = -1;
  largestPosition = -1;
  for (int c = 0; c < kChannelCount; ++c) {
    if (channelWell[c] >= 0) {
      largestWell = std::max<int>(largestWell, channelWell[c]);
      largestPosition = std::max<int>(largestPosition, channelPosition[c]);
    }
  }
  wellTable.assign(static_cast<size_t>(largestWell + 1) * (largestPosition + 1), -1);
  for (int c = 0; c < kChannelCount; ++c) {
    if (channelWell[c] >= 0) {
      wellTable[static_cast<size_t>(channelWell[c]) * (largestPosition + 1) +
                channelPosition[c]] = static_cast<int16_t>(c);
    }
  }
}

ReadResult<AcquisitionSetup> ParseAcquisitionSetup(std::string_view text) {
  RecordReader r(text);
  AcquisitionSetup s;
  std::string ignored;
  std::array<int16_t, 6> line4{};
  if (!(r.Skip() && r.ReadText(ignored) && r.ReadText(ignored) && r.ReadText(ignored) &&
        r.ReadText(s.plateFormat) && r.Skip())) {
    return Failed<AcquisitionSetup>(r);
  }
  for (auto& v : line4) {
    if (!r.ReadInt16(v)) return Failed<AcquisitionSetup>(r);
  }
  s.rtBuffer = line4[3];
  s.dspMethod = line4[4];
  // Lines 5..10 may be missing from a short setup: organism and SNR then stay unset (0).
  std::array<int16_t, 6> line10{};
  bool haveLine10 = r.Skip(1 + 6 + 1 + 6 + 1);
  for (auto& v : line10) {
    if (!haveLine10) break;
    haveLine10 = r.ReadInt16(v);
  }
  if (haveLine10) {
    s.organism = line10[0];
    s.snrX10 = line10[3];
  } else if (r.error() != RecordError::kEndOfFile) {
    return Failed<AcquisitionSetup>(r);
  }
  return {true, s, {}};
}

ReadResult<std::array<std::string, kChannelSlots>> ParseAcquisitionGroupNames(std::string_view text) {
  RecordReader r(text);
  ReadResult<std::array<std::string, kChannelSlots>> out;
  if (!r.Skip()) return Failed<std::array<std::string, kChannelSlots>>(r);
  for (int k = 0; k < kChannelSlots && !r.AtEnd(); ++k) {
    int16_t number = 0;
    if (!r.ReadInt16(number) || !r.ReadText(out.value[k])) {
      return Failed<std::array<std::string, kChannelSlots>>(r);
    }
  }
  out.ok = true;
  return out;
}

ReadResult<std::array<int16_t, kChannelCount>> ParseAcquisitionChannelGroups(std::string_view text) {
  RecordReader r(text);
  ReadResult<std::array<int16_t, kChannelCount>> out;
  out.value.fill(kFreeGroup);
  if (!r.Skip()) return Failed<std::array<int16_t, kChannelCount>>(r);
  for (int k = 0; k < kChannelSlots && !r.AtEnd(); ++k) {
    int16_t channel = 0;
    int16_t group = 0;
    if (!r.ReadInt16(channel) || !r.ReadInt16(group)) {
      return Failed<std::array<int16_t, kChannelCount>>(r);
    }
    // Only groups that can carry a name (0..384) are groups; anything else is free.
    if (k < kChannelCount) out.value[k] = (group >= 0 && group < kChannelSlots) ? group : kFreeGroup;
  }
  out.ok = true;
  return out;
}

ReadResult<MultiwellConfig> ParseMultiwellConfig(std::string_view text) {
  RecordReader r(text);
  MultiwellConfig m;
  m.channelWell.fill(-1);
  m.channelPosition.fill(0);
  int16_t rows = 0;
  int16_t columns = 0;
  double pitch = 0;
  if (!(r.Skip(2) && r.ReadInt16(rows) && r.ReadReal(pitch) && r.ReadReal(pitch) &&
        r.ReadInt16(columns) && r.ReadReal(pitch) && r.ReadReal(pitch) && r.Skip())) {
    return Failed<MultiwellConfig>(r);
  }
  if (rows < 1 || columns < 0) {
    return {false, {}, "the plate has " + std::to_string(rows) + " rows"};
  }
  m.rows = rows;
  m.columns = columns;
  for (int k = 0; k < kChannelSlots && !r.AtEnd(); ++k) {
    int16_t well = 0;
    int16_t beam = 0;
    if (!(r.Skip() && r.ReadInt16(well) && r.ReadInt16(beam))) return Failed<MultiwellConfig>(r);
    if (k >= kChannelCount) continue;
    if (well >= 0 && (well >= kChannelCount || beam < 0 || beam >= kChannelCount)) {
      return {false, {}, "channel " + std::to_string(k) + ": well " + std::to_string(well) +
                             ", beam " + std::to_string(beam) + " outside 0..383"};
    }
    m.channelWell[k] = well < 0 ? int16_t{-1} : well;
    m.channelPosition[k] = well < 0 ? int16_t{0} : beam;
  }
  return {true, m, {}};
}

std::string SettingText(const AcquisitionSetup& setup) {
  int snr = setup.snrX10;
  if (setup.organism < 3 && snr < 10) snr = 18;
  std::string organism;
  if (setup.organism >= 0 && setup.organism < static_cast<int>(rt::kSettingOrganism.size())) {
    organism = rt::kSettingOrganism[static_cast<size_t>(setup.organism)];
  }
  return "Mode" + std::to_string(setup.dspMethod) + " " + organism + "[snr=" +
         FormatNumber(snr / 10.0, "0.0") + "]";
}

char RowLetter(int row) {
  int code = 'A' + row;
  return (code >= 'A' && code <= '~') ? static_cast<char>(code) : '?';
}

std::string MultiwellNotFoundMessage(std::string_view plateFormat) {
  return std::string(rt::kMultiwellFilePrefix) + std::string(plateFormat) +
         std::string(rt::kMultiwellFileSuffix);
}

AcquisitionTables LoadAcquisitionTables(const std::filesystem::path& acquisitionFolder,
                                        const std::filesystem::path& appFolder) {
  AcquisitionTables out;
  auto fail = [&](TablesStatus status, const std::filesystem::path& file, std::string why) {
    out.status = status;
    out.detail = file.string() + ": " + why;
    return out;
  };
  std::string error;
  const auto setupPath = acquisitionFolder / "setup.dat";
  auto setupText = ReadWholeFile(setupPath, &error);
  if (!setupText) return fail(TablesStatus::kSetupUnreadable, setupPath, error);
  auto setup = ParseAcquisitionSetup(*setupText);
  if (!setup.ok) return fail(TablesStatus::kSetupUnreadable, setupPath, setup.error);
  out.setup = setup.value;

  const auto groupsPath = acquisitionFolder / "groups.dat";
  auto groupsText = ReadWholeFile(groupsPath, &error);
  if (!groupsText) return fail(TablesStatus::kGroupsUnreadable, groupsPath, error);
  auto names = ParseAcquisitionGroupNames(*groupsText);
  if (!names.ok) return fail(TablesStatus::kGroupsUnreadable, groupsPath, names.error);

  const auto chgroupPath = acquisitionFolder / "chgroup.dat";
  auto chgroupText = ReadWholeFile(chgroupPath, &error);
  if (!chgroupText) return fail(TablesStatus::kGroupsUnreadable, chgroupPath, error);
  auto groups = ParseAcquisitionChannelGroups(*chgroupText);
  if (!groups.ok) return fail(TablesStatus::kGroupsUnreadable, chgroupPath, groups.error);

  const std::string& plate = out.setup.plateFormat;
  std::filesystem::path platePath;
  if (IsPlainName(plate)) {
    platePath = appFolder / (plate + ".dat");
    if (!IsFile(platePath)) platePath = appFolder / (plate + ".bak");
  }
  if (platePath.empty() || !IsFile(platePath)) {
    return fail(TablesStatus::kPlateMissing, appFolder / (plate + ".dat"), "not found");
  }
  auto plateText = ReadWholeFile(platePath, &error);
  if (!plateText) return fail(TablesStatus::kPlateUnreadable, platePath, error);
  auto multiwell = ParseMultiwellConfig(*plateText);
  if (!multiwell.ok) return fail(TablesStatus::kPlateUnreadable, platePath, multiwell.error);

  ReportProjectTables& t = out.tables;
  t.rows = multiwell.value.rows;
  t.columns = multiwell.value.columns;
  t.channelWell = multiwell.value.channelWell;
  t.channelPosition = multiwell.value.channelPosition;
  t.channelGroup = groups.value;
  t.groupNames = names.value;
  t.BuildWellTable();

  out.subprojectName = ReadSubprojectName(acquisitionFolder);
  return out;
}

}  // namespace movexa
