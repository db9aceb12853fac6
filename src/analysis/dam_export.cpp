// DAM monitor files, metadata, the long table and the bin-time check.
#include "analysis/dam_export.h"

#include <array>
#include <system_error>

#include "analysis/analysis_csv.h"
#include "base/file_io.h"
#include "base/number_format.h"

namespace movexa {

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string RegionText(int position) {
  return ZeroPad(position % kDamAnimalsPerFile + 1, 2);
}

// Analysed well (index into table.wells) at each row-major position, -1 where none.
std::vector<int> WellAtPosition(const ActivityTable& table) {
  std::vector<int> at(static_cast<size_t>(MonitorFileCount(table)) * kDamAnimalsPerFile, -1);
  for (size_t w = 0; w < table.wells.size(); ++w) {
    const int p = RowMajorPosition(table.wells[w].well, table.plateRows, table.plateColumns);
    if (p >= 0 && static_cast<size_t>(p) < at.size())
      at[static_cast<size_t>(p)] = static_cast<int>(w);
  }
  return at;
}

std::string IdOf(const ActivityTable& table, int position) {
  return DateTimeText(DamStart(table)) + "|" + MonitorFileName(position) + "|" +
         RegionText(position);
}

std::string WellStatus(const ActivityTable& table, size_t w) {
  if (table.wells[w].group < 0) return "free";
  const int32_t* series = table.WellSeries(w);
  for (size_t i = 0; i < table.BinCount(); ++i) {
    if (series[i] != 0) return "ok";
  }
  return "no activity";
}

}  // namespace

int RowMajorPosition(int well, int rows, int columns) {
  if (well < 0 || rows < 1) return -1;
  return (well % rows) * columns + well / rows;
}

std::string MonitorFileName(int position) {
  return "Monitor" + ZeroPad(position / kDamAnimalsPerFile + 1, 2) + ".txt";
}

int MonitorFileCount(const ActivityTable& table) {
  int last = 0;
  for (const auto& well : table.wells) {
    last = std::max(last, RowMajorPosition(well.well, table.plateRows, table.plateColumns));
  }
  const int wells = std::max(last + 1, table.plateRows * table.plateColumns);
  return std::max(1, (wells + kDamAnimalsPerFile - 1) / kDamAnimalsPerFile);
}

std::string DamDate(const CivilTime& t) {
  const char* month =
      t.month >= 1 && t.month <= 12 ? kMonths[static_cast<size_t>(t.month - 1)] : "?";
  return std::to_string(t.day) + " " + month + " " + ZeroPad(t.year % 100, 2);
}

CivilTime DamStart(const ActivityTable& table) {
  return WallClockAt(table, table.light.kind == LightKind::kDaily ? table.zt0Minute : 0);
}

std::string MonitorFileText(const ActivityTable& table, int file) {
  const std::vector<int> at = WellAtPosition(table);
  std::string out;
  out.reserve(table.BinCount() * 120);
  for (size_t i = 0; i < table.BinCount(); ++i) {
    const CivilTime end = WallClockAt(table, table.binStart[i] + table.binMinutes);
    out += std::to_string(i + 1);
    out += '\t';
    out += DamDate(end);
    out += '\t';
    out += FormatDateTime(end, "hh:nn:ss");
    out += "\t1\t0\t0\t0\t0\t0\t";
    out += LightOnAtRunMinute(table, table.binStart[i]) ? '1' : '0';
    for (int k = 0; k < kDamAnimalsPerFile; ++k) {
      const int w = at[static_cast<size_t>(file * kDamAnimalsPerFile + k)];
      out += '\t';
      out += w < 0 ? std::string("0") : std::to_string(table.At(static_cast<size_t>(w), i));
    }
    out += "\r\n";
  }
  return out;
}

std::string MetadataCsv(const ActivityTable& table) {
  std::string out = HeaderBlock(
      table, "Movexa DAM export: metadata, one row per analysed well",
      {"start_datetime: ZT0 (the run start under a constant schedule); stop_datetime: the end of "
       "the last measured bin; region_id: the well's column in its monitor file (1..32, wells "
       "row-major A1, A2, ..., then B1)",
       "status: ok, free (the well is in no group), or no activity (not one count over the run)",
       "id in data.csv: start_datetime|file|region_id (two digits)"});
  out += "file,start_datetime,stop_datetime,region_id,well,group,plate,status\r\n";
  const std::string start = DateTimeText(DamStart(table));
  const std::string stop = DateTimeText(WallClockAt(table, table.endMinute));
  for (size_t w = 0; w < table.wells.size(); ++w) {
    const AnalysisWell& well = table.wells[w];
    const int p = RowMajorPosition(well.well, table.plateRows, table.plateColumns);
    out += MonitorFileName(p) + "," + start + "," + stop + "," +
           std::to_string(p % kDamAnimalsPerFile + 1) + "," + CsvCell(well.label) + "," +
           CsvCell(well.groupLabel) + "," + CsvCell(table.plateFormat) + "," +
           WellStatus(table, w) + "\r\n";
  }
  return out;
}

std::vector<std::string> AllZeroWells(const ActivityTable& table) {
  std::vector<std::string> out;
  for (size_t w = 0; w < table.wells.size(); ++w) {
    const int32_t* series = table.WellSeries(w);
    bool any = false;
    for (size_t i = 0; i < table.BinCount() && !any; ++i) any = series[i] != 0;
    if (!any) out.push_back(table.wells[w].label);
  }
  return out;
}

std::vector<std::string> QualityLines(const ActivityTable& table) {
  const BinQuality& q = table.quality;
  std::vector<std::string> out;
  out.push_back(std::to_string(table.BinCount()) + " bins of " + std::to_string(table.binMinutes) +
                " min measured (minute " + std::to_string(table.binStart.front()) + " to " +
                std::to_string(table.endMinute) + "), from " + std::to_string(q.recordsUsed) +
                " of " + std::to_string(q.records) + " records; " +
                std::to_string(q.minRecordsPerBin) + " to " + std::to_string(q.maxRecordsPerBin) +
                " records a bin");
  out.push_back("duplicated bin times: " + std::to_string(q.duplicates) +
                "; missing bins: " + std::to_string(q.missingBins) +
                "; largest gap: " + std::to_string(q.largestGapMinutes) + " min; bin length " +
                (q.irregular ? "irregular" : "regular"));
  if (q.damaged > 0) out.push_back("damaged records left out: " + std::to_string(q.damaged));
  if (q.partialLeftOut > 0) {
    out.push_back("records of a partial last bin left out: " + std::to_string(q.partialLeftOut));
  }
  const auto zero = AllZeroWells(table);
  if (!zero.empty()) {
    std::string list;
    for (const auto& label : zero) list += (list.empty() ? "" : " ") + label;
    out.push_back("wells without a count: " + list);
  }
  return out;
}

std::string QualityCsv(const ActivityTable& table) {
  const BinQuality& q = table.quality;
  std::string out = HeaderBlock(
      table, "Movexa bin-time check",
      {"every well shares the run's bins (a damaged record is left out for all wells), so the "
       "figures hold for each well; a missing bin is a missing line in the monitor files, never "
       "filled in",
       "largest gap: the largest step between the starts of consecutive measured bins; regular "
       "when every step is one bin and no bin time repeats"});
  out += "check,value\r\n";
  auto row = [&out](std::string_view check, const std::string& value) {
    out += std::string(check) + "," + CsvCell(value) + "\r\n";
  };
  row("bin length (min)", std::to_string(table.binMinutes));
  row("record length (min)", Decimal(q.recordMinutes));
  row("records read", std::to_string(q.records));
  row("records used", std::to_string(q.recordsUsed));
  row("records per bin (least)", std::to_string(q.minRecordsPerBin));
  row("records per bin (most)", std::to_string(q.maxRecordsPerBin));
  row("measured bins", std::to_string(table.BinCount()));
  row("first bin start (min)", std::to_string(table.binStart.front()));
  row("last bin end (min)", std::to_string(table.endMinute));
  row("duplicated bin times", std::to_string(q.duplicates));
  row("missing bins", std::to_string(q.missingBins));
  row("largest gap (min)", std::to_string(q.largestGapMinutes));
  row("bin length regular", q.irregular ? "no" : "yes");
  row("damaged records left out", std::to_string(q.damaged));
  row("partial last bin records left out", std::to_string(q.partialLeftOut));
  std::string zero;
  for (const auto& label : AllZeroWells(table)) zero += (zero.empty() ? "" : " ") + label;
  row("wells without a count", zero);
  return out;
}

DamExport ExportDam(const ActivityTable& table, const fs::path& folder,
                    const std::function<void(const std::string&)>& progress) {
  DamExport out;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!IsDirectory(folder)) {
    out.error = folder.string() + ": cannot create the folder (" + ec.message() + ")";
    return out;
  }
  auto write = [&](const std::string& name, const std::string& text) {
    if (!WriteOutputFile(folder / name, text, out.error)) return false;
    out.files.push_back(folder / name);
    return true;
  };
  for (int f = 0; f < MonitorFileCount(table); ++f) {
    if (!write(MonitorFileName(f * kDamAnimalsPerFile), MonitorFileText(table, f))) return out;
  }
  if (!write("metadata.csv", MetadataCsv(table))) return out;

  StreamedFile data(folder / "data.csv");
  data.Write(HeaderBlock(
      table, "Movexa DAM export: the long table, one row per well and measured bin",
      {"id: start_datetime|file|region_id of metadata.csv; t_s: the bin's start in seconds since "
       "the run start; datetime: the wall clock of that start; activity: the well's channels "
       "summed over the bin; light: 1 lights on at the bin's start, 0 off"}));
  data.Write("id,well,group,t_s,datetime,activity,light\r\n");
  std::vector<std::string> datetimes(table.BinCount());
  std::vector<char> light(table.BinCount());
  for (size_t i = 0; i < table.BinCount(); ++i) {
    datetimes[i] = DateTimeText(WallClockAt(table, table.binStart[i]));
    light[i] = LightOnAtRunMinute(table, table.binStart[i]) ? '1' : '0';
  }
  std::string chunk;
  for (size_t w = 0; w < table.wells.size(); ++w) {
    const AnalysisWell& well = table.wells[w];
    const std::string prefix =
        IdOf(table, RowMajorPosition(well.well, table.plateRows, table.plateColumns)) + "," +
        CsvCell(well.label) + "," + CsvCell(well.groupLabel) + ",";
    chunk.clear();
    for (size_t i = 0; i < table.BinCount(); ++i) {
      chunk += prefix;
      chunk += std::to_string(table.binStart[i] * 60);
      chunk += ',';
      chunk += datetimes[i];
      chunk += ',';
      chunk += std::to_string(table.At(w, i));
      chunk += ',';
      chunk += light[i];
      chunk += "\r\n";
    }
    data.Write(chunk);
    if (progress && table.BinCount() * table.wells.size() > 2'000'000) {
      progress("data.csv: well " + std::to_string(w + 1) + "/" +
               std::to_string(table.wells.size()));
    }
  }
  if (!data.Commit(out.error)) return out;
  out.files.push_back(folder / "data.csv");
  if (!write("quality.csv", QualityCsv(table))) return out;
  out.ok = true;
  return out;
}

}  // namespace movexa
