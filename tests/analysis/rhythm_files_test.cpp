// The actogram and periodogram files of a run built in memory: matrix rows, group means,
// heights, the peak table and group summary, stated results, and number cells that read back
// as Decimal writes them.
#include "analysis/rhythm_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analysis/analysis_csv.h"
#include "analysis/rhythm_text.h"
#include "analysis_fixture.h"

namespace movexa {
namespace {

using test::ReadFileOrDie;
using test::TempDir;

// A hand-made run (start 2026-12-07 09:00, lights on 09:00: ZT0 = minute 0, one group
// "000_G0" holding wells A1, B1, ...) with `series[w]` at `times`, evenly spaced by default.
ActivityTable MakeTable(const std::vector<std::vector<int32_t>>& series, int64_t bin,
                        std::vector<int64_t> times = {}) {
  if (times.empty()) {
    for (size_t i = 0; i < series.at(0).size(); ++i) times.push_back(static_cast<int64_t>(i) * bin);
  }
  return test::HandTable(series, times, bin);
}

// The data lines of a CSV (after the "# " header block and the column line).
std::vector<std::string> DataLines(const std::string& csv) {
  std::vector<std::string> lines;
  size_t at = 0;
  bool columns = false;
  while (at < csv.size()) {
    const size_t end = csv.find("\r\n", at);
    const std::string line = csv.substr(at, end - at);
    at = end + 2;
    if (line.rfind("# ", 0) == 0) continue;
    if (!columns) {
      columns = true;
      continue;
    }
    lines.push_back(line);
  }
  return lines;
}

TEST(ActogramFiles, WellAndGroupMatricesWithHeightsAndEmptyCells) {
  // The three days of 6-hour bins of the hand example, and a second well missing nothing but
  // counting twice as much; the run's bins lack nothing, so well B1 is the same example doubled.
  const std::vector<int32_t> a = {0, 2, 4, 8, 1, 3, 5, 7, 8, 0, 0, 0};
  std::vector<int32_t> b;
  for (int32_t v : a) b.push_back(2 * v);
  TempDir dir;
  WorkerPool pool(2);
  const RhythmFiles f = WriteActogramFiles(MakeTable({a, b}, 360), 24.0, dir.path(), pool);
  ASSERT_TRUE(f.ok) << f.error;
  ASSERT_EQ(f.written.size(), 4u);
  const std::string values = ReadFileOrDie(dir / "actogram_wells_values.csv");
  EXPECT_NE(values.find("# rows: 3 days as 3 rows; the right half of the last row is empty"),
            std::string::npos);
  EXPECT_NE(values.find("\r\nwell,group,row,row_start,0,360,720,1080,1440,1800,2160,2520\r\n"),
            std::string::npos);
  EXPECT_EQ(DataLines(values), (std::vector<std::string>{
                                   "A1,000_G0,1,2026-12-07 09:00:00,0,2,4,8,1,3,5,7",
                                   "A1,000_G0,2,2026-12-08 09:00:00,1,3,5,7,8,0,0,0",
                                   "A1,000_G0,3,2026-12-09 09:00:00,8,0,0,0,,,,",
                                   "B1,000_G0,1,2026-12-07 09:00:00,0,4,8,16,2,6,10,14",
                                   "B1,000_G0,2,2026-12-08 09:00:00,2,6,10,14,16,0,0,0",
                                   "B1,000_G0,3,2026-12-09 09:00:00,16,0,0,0,,,,",
                               }));
  // Heights are per well: the doubled well has the same heights.
  const auto heights = DataLines(ReadFileOrDie(dir / "actogram_wells_heights.csv"));
  EXPECT_EQ(heights[0], "A1,000_G0,1,2026-12-07 09:00:00,0,0.25,0.5,1,0.125,0.375,0.625,0.875");
  EXPECT_EQ(heights[3], "B1,000_G0,1,2026-12-07 09:00:00,0,0.25,0.5,1,0.125,0.375,0.625,0.875");
  // The group mean is 1.5 times the example.
  const auto group = DataLines(ReadFileOrDie(dir / "actogram_groups_values.csv"));
  EXPECT_EQ(group[0], "000_G0,2,1,2026-12-07 09:00:00,0,3,6,12,1.5,4.5,7.5,10.5");
  EXPECT_EQ(DataLines(ReadFileOrDie(dir / "actogram_groups_heights.csv"))[2],
            "000_G0,2,3,2026-12-09 09:00:00,1,0,0,0,,,,");
}

TEST(ActogramFiles, MissingBinsStayEmptyAndAModuloPeriodGetsItsOwnFiles) {
  // 1-hour bins over 50 hours with hours 5 and 6 missing; plotted on 25 hours.
  std::vector<int64_t> times;
  std::vector<int32_t> v;
  for (int64_t h = 0; h < 50; ++h) {
    if (h == 5 || h == 6) continue;
    times.push_back(h * 60);
    v.push_back(static_cast<int32_t>(h % 25 == 3 ? 9 : 1));
  }
  TempDir dir;
  WorkerPool pool(1);
  const RhythmFiles f = WriteActogramFiles(MakeTable({v}, 60, times), 25.0, dir.path(), pool);
  ASSERT_TRUE(f.ok) << f.error;
  const auto rows = DataLines(ReadFileOrDie(dir / "actogram_wells_values_25h.csv"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].rfind("A1,000_G0,1,2026-12-07 09:00:00,1,1,1,9,", 0), 0u) << rows[0];
  EXPECT_NE(rows[0].find(",9,1,,,1,"), std::string::npos) << rows[0];  // hours 3..7
  EXPECT_EQ(rows[1].rfind("A1,000_G0,2,2026-12-08 10:00:00,1", 0), 0u) << rows[1];
  EXPECT_NE(ReadFileOrDie(dir / "actogram_wells_values_25h.csv")
                .find("# period: 25 h (25 bins of 60 min)"),
            std::string::npos);
  // A period below one bin is refused and writes nothing.
  const RhythmFiles refused = WriteActogramFiles(MakeTable({v}, 60, times), 0.2, dir.path(), pool);
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.error.find("shorter than one bin"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "actogram_wells_values_0.2h.csv"));
}

TEST(PeriodogramFiles, PeakTableAndGroupSummaryWithStatedResultsForFlatWells) {
  // Ten days of 30-minute bins: A1 runs on 25 h, B1 on 23.5 h, C1 is all zero, D1 constant.
  std::mt19937 rng(5);
  auto rhythm = [&](double hours) {
    std::vector<int32_t> v;
    for (int k = 0; k < 480; ++k) {
      const bool active = std::fmod(k * 30.0, hours * 60) < hours * 30;
      v.push_back((active ? 12 : 2) + static_cast<int32_t>(rng() % 5));
    }
    return v;
  };
  const ActivityTable table = MakeTable(
      {rhythm(25), rhythm(23.5), std::vector<int32_t>(480, 0), std::vector<int32_t>(480, 7)}, 30);
  TempDir dir;
  WorkerPool pool(2);
  for (auto method : {PeriodogramMethod::kChiSquare, PeriodogramMethod::kLombScargle,
                      PeriodogramMethod::kAutocorrelation}) {
    PeriodogramOptions o;
    o.method = method;
    const RhythmFiles f = WritePeriodogramFiles(table, o, dir.path(), pool);
    ASSERT_TRUE(f.ok) << f.error;
    const std::string stem = PeriodogramStem(o);
    const std::string peaksCsv = ReadFileOrDie(dir / (stem + "_peaks.csv"));
    const auto peaks = DataLines(peaksCsv);
    ASSERT_EQ(peaks.size(), 4u);
    EXPECT_EQ(peaks[0].rfind("A1,000_G0,analysed,yes,25,", 0), 0u) << stem << ": " << peaks[0];
    EXPECT_EQ(peaks[1].rfind("B1,000_G0,analysed,yes,23.5,", 0), 0u) << stem << ": " << peaks[1];
    EXPECT_EQ(peaks[2].rfind("C1,000_G0,no variation,no,,,,,", 0), 0u) << stem;
    EXPECT_NE(peaks[2].find("every bin holds 0: no variation, no rhythm"), std::string::npos);
    EXPECT_NE(peaks[3].find("every bin holds 7"), std::string::npos);
    EXPECT_NE(peaksCsv.find("# method: " + MethodText(o)), std::string::npos);
    EXPECT_NE(peaksCsv.find("# significance line: "), std::string::npos);
    const auto groups = DataLines(ReadFileOrDie(dir / (stem + "_groups.csv")));
    EXPECT_EQ(groups, (std::vector<std::string>{"000_G0,4,2,2 of 4,24.25,24.25,0.75"})) << stem;
    EXPECT_EQ(f.lines.back(),
              "000_G0: 2 rhythmic of 4, peak period mean 24.25 h, median 24.25 h, SEM 0.75 h");
    // Every well has a value for every period (0 for the flat ones), never "nan".
    const std::string valuesCsv = ReadFileOrDie(dir / (stem + ".csv"));
    EXPECT_EQ(DataLines(valuesCsv).size(), 4u * 33);
    EXPECT_EQ(valuesCsv.find("nan"), std::string::npos);
    EXPECT_NE(valuesCsv.find("\r\nC1,000_G0,16,32,0,"), std::string::npos);
  }
}

TEST(PeriodogramFiles, OneDayOnlyStatesThatNoPeriodCanBeEstimated) {
  const ActivityTable table =
      MakeTable({std::vector<int32_t>(48, 3), std::vector<int32_t>(48, 0)}, 30);
  TempDir dir;
  WorkerPool pool(2);
  const RhythmFiles f = WritePeriodogramFiles(table, {}, dir.path(), pool);
  ASSERT_TRUE(f.ok) << f.error;
  EXPECT_NE(f.lines.front().find("no period can be estimated"), std::string::npos)
      << f.lines.front();
  const auto peaks = DataLines(ReadFileOrDie(dir / "periodogram_chi2_peaks.csv"));
  ASSERT_EQ(peaks.size(), 2u);
  EXPECT_EQ(peaks[0].rfind("A1,000_G0,refused,no,,,,,,", 0), 0u) << peaks[0];
  EXPECT_NE(peaks[0].find("fewer than two cycles of the longest period tested (32 h)"),
            std::string::npos);
  EXPECT_TRUE(DataLines(ReadFileOrDie(dir / "periodogram_chi2.csv")).empty());
  EXPECT_EQ(DataLines(ReadFileOrDie(dir / "periodogram_chi2_groups.csv")),
            (std::vector<std::string>{"000_G0,2,0,0 of 2,,,"}));
}

TEST(RhythmText, FastDecimalCellsReadAsDecimalWritesThem) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> any(-1000, 1000);
  std::vector<double> values = {0,       -0.0,     1,       -1,        0.5,  0.00005,
                                0.00015, -0.00004, 2.5e-7,  123456789, 1e15, 1.23456789e20,
                                0.125,   1.0 / 3,  2.0 / 3, 17.0 / 84};
  for (int i = 0; i < 2000; ++i) values.push_back(any(rng));
  for (int i = 0; i < 2000; ++i) values.push_back(std::round(any(rng) * 10000) / 10000 + 0.00005);
  for (double v : values) {
    std::string cell;
    AppendDecimal(cell, v);
    EXPECT_EQ(cell, Decimal(v)) << v;
  }
  std::string cell;
  AppendDecimal(cell, std::nan(""));
  AppendDecimal(cell, INFINITY);
  EXPECT_EQ(cell, "");
  EXPECT_EQ(ProbabilityText(1.23456e-45), "1.23e-45");
  EXPECT_EQ(ProbabilityText(std::nan("")), "");
}

}  // namespace
}  // namespace movexa
