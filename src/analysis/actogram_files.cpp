// Actogram files of a run: every well's and every group mean's double-plotted matrix, as values
// and as heights, formatted over the worker pool a few wells at a time and written in order.
#include <algorithm>
#include <cmath>

#include "analysis/analysis_csv.h"
#include "analysis/rhythm_files.h"
#include "analysis/rhythm_text.h"

namespace movexa {

namespace {

// Wells formatted at once: enough to keep every core busy, few enough to bound the memory.
constexpr size_t kWellsPerChunk = 16;

struct MatrixText {
  std::string values;
  std::string heights;
};

int64_t FloorDivide(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// The rows of one actogram, each line starting with `lead` (the well and group cells).
void FormatMatrix(const ActivityTable& table, const Actogram& a, const std::string& lead,
                  MatrixText& out) {
  for (int64_t r = 0; r < a.Rows(); ++r) {
    const std::string start =
        DateTimeText(WallClockAt(table, a.originMinutes + r * a.PeriodMinutes()));
    const std::string rowLead = lead + std::to_string(r + 1) + "," + start;
    out.values += rowLead;
    out.heights += rowLead;
    for (int64_t c = 0; c < a.Columns(); ++c) {
      out.values += ',';
      out.heights += ',';
      if (const auto v = a.Value(r, c)) AppendDecimal(out.values, *v);
      if (const auto h = a.Height(r, c)) AppendDecimal(out.heights, *h);
    }
    out.values += "\r\n";
    out.heights += "\r\n";
  }
}

std::string ColumnLine(const std::string& first, const Actogram& a) {
  std::string line = first + ",row,row_start";
  for (int64_t c = 0; c < a.Columns(); ++c) line += "," + std::to_string(c * a.binMinutes);
  return line + "\r\n";
}

std::string Suffix(double periodHours) {
  return periodHours == 24.0 ? std::string() : "_" + HoursText(periodHours) + "h";
}

}  // namespace

void WellValues(const ActivityTable& table, size_t well, std::vector<double>& values) {
  const int32_t* series = table.WellSeries(well);
  values.assign(series, series + table.BinCount());
}

std::vector<double> GroupMeanValues(const ActivityTable& table, size_t group) {
  std::vector<double> mean(table.BinCount(), 0.0);
  const auto& wells = table.groups[group].wells;
  if (wells.empty()) return mean;
  for (size_t i = 0; i < mean.size(); ++i) {
    int64_t sum = 0;
    for (size_t w : wells) sum += table.At(w, i);
    mean[i] = static_cast<double>(sum) / static_cast<double>(wells.size());
  }
  return mean;
}

int64_t ActogramOriginMinute(const ActivityTable& table) {
  return FloorDivide(table.zt0Minute, table.binMinutes) * table.binMinutes;
}

RhythmFiles WriteActogramFiles(const ActivityTable& table, double periodHours,
                               const std::filesystem::path& outFolder, WorkerPool& pool,
                               const RhythmProgress& progress) {
  RhythmFiles result;
  const ActogramOptions options{periodHours, ActogramOriginMinute(table)};
  std::vector<double> probe(table.BinCount(), 0.0);
  const Actogram layout = BuildActogram({table.binStart, probe, table.binMinutes}, options);
  if (layout.status != ActogramStatus::kDrawn) {
    result.error = "no actogram: " + layout.note;
    return result;
  }
  const int64_t zt = options.originMinutes - table.zt0Minute;
  std::vector<std::string> lines = {
      "actogram: double-plotted; row r shows day r on the left half and day r + 1 on the right "
      "half, so the right half of a row is the left half of the next",
      "rows: " + layout.note,
      "period: " + HoursText(static_cast<double>(layout.PeriodMinutes()) / 60.0) + " h (" +
          std::to_string(layout.periodBins) + " bins of " + std::to_string(table.binMinutes) +
          " min" +
          (std::abs(periodHours * 60.0 - static_cast<double>(layout.PeriodMinutes())) > 1e-9
               ? "; " + HoursText(periodHours) + " h asked, taken as a whole number of bins)"
               : ")"),
      "first row starts at run minute " + std::to_string(options.originMinutes) + " (ZT " +
          std::to_string(zt) + " min: the bin start at or before ZT0); row_start is its wall clock",
      "columns: minutes from the row start; a cell is empty where no bin was measured (never "
      "filled in)"};
  const std::string suffix = Suffix(periodHours);
  const auto path = [&](const char* name) {
    return outFolder / (std::string(name) + suffix + ".csv");
  };
  StreamedFile wellValues(path("actogram_wells_values")),
      wellHeights(path("actogram_wells_heights"));
  StreamedFile groupValues(path("actogram_groups_values")),
      groupHeights(path("actogram_groups_heights"));
  const std::string valuesLine = "values: the well's activity in the bin (counts)";
  const std::string heightsLine =
      "heights: value / the largest value of the well's actogram (0 throughout when it is 0)";
  auto with = [&](std::string extra) {
    std::vector<std::string> all = lines;
    all.push_back(std::move(extra));
    return all;
  };
  wellValues.Write(HeaderBlock(table, "Movexa actogram per well: values", with(valuesLine)));
  wellHeights.Write(HeaderBlock(table, "Movexa actogram per well: heights", with(heightsLine)));
  wellValues.Write(ColumnLine("well,group", layout));
  wellHeights.Write(ColumnLine("well,group", layout));

  const size_t wells = table.wells.size();
  std::vector<MatrixText> texts(kWellsPerChunk);
  for (size_t first = 0; first < wells; first += kWellsPerChunk) {
    const size_t count = std::min(kWellsPerChunk, wells - first);
    std::vector<std::vector<double>> buffers(static_cast<size_t>(pool.Threads()));
    pool.ForEach(
        count,
        [&](size_t k, int worker) {
          const size_t w = first + k;
          auto& values = buffers[static_cast<size_t>(worker)];
          WellValues(table, w, values);
          texts[k] = {};
          const Actogram a = BuildActogram({table.binStart, values, table.binMinutes}, options);
          FormatMatrix(
              table, a,
              CsvCell(table.wells[w].label) + "," + CsvCell(table.wells[w].groupLabel) + ",",
              texts[k]);
        },
        [&](size_t done) {
          if (progress) progress("actogram", first + done, wells);
        });
    for (size_t k = 0; k < count; ++k) {
      wellValues.Write(texts[k].values);
      wellHeights.Write(texts[k].heights);
    }
  }

  const std::string groupValuesLine =
      "values: per bin, the mean over the group's wells (N = the wells of the group); free wells "
      "belong to no group";
  const std::string groupHeightsLine =
      "heights: mean / the largest mean of the group's actogram (0 throughout when it is 0)";
  groupValues.Write(
      HeaderBlock(table, "Movexa actogram per group: mean values", with(groupValuesLine)));
  groupHeights.Write(
      HeaderBlock(table, "Movexa actogram per group: heights", with(groupHeightsLine)));
  groupValues.Write(ColumnLine("group,n", layout));
  groupHeights.Write(ColumnLine("group,n", layout));
  for (size_t g = 0; g < table.groups.size(); ++g) {
    const std::vector<double> mean = GroupMeanValues(table, g);
    MatrixText text;
    const Actogram a = BuildActogram({table.binStart, mean, table.binMinutes}, options);
    FormatMatrix(
        table, a,
        CsvCell(table.groups[g].label) + "," + std::to_string(table.groups[g].wells.size()) + ",",
        text);
    groupValues.Write(text.values);
    groupHeights.Write(text.heights);
  }

  for (StreamedFile* file : {&wellValues, &wellHeights, &groupValues, &groupHeights}) {
    std::string error;
    if (!file->Commit(error) && result.error.empty()) result.error = error;
  }
  if (!result.error.empty()) return result;
  for (const char* name : {"actogram_wells_values", "actogram_wells_heights",
                           "actogram_groups_values", "actogram_groups_heights"}) {
    result.written.push_back(path(name));
  }
  result.lines.push_back("actogram: " + std::to_string(wells) + " wells, " +
                         std::to_string(table.groups.size()) + " groups; " + layout.note);
  result.ok = true;
  return result;
}

}  // namespace movexa
