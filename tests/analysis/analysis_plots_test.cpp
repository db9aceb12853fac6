// The analysis plots on the recording canvas, checked as a reader of the figure would: the SEM
// band spans mean - SEM .. mean + SEM at a bin and breaks where a bin was not measured, dark
// phases are shaded where the schedule says, each group has its legend entry, an actogram's
// right half of row r repeats the left half of row r + 1, a periodogram's dashed line lies on
// the computed significance threshold with the peaks marked, sleep bars end at the group mean
// with one-SEM error bars and the animals' points; and the choice of series, the default bins,
// the stop, the table's file.
#include "analysis/analysis_plots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "analysis_fixture.h"
#include "base/recording_canvas.h"

namespace movexa {
namespace {

using Op = RecordingCanvas::Op;
using Call = RecordingCanvas::Call;
using test::HandTable;

std::vector<int64_t> Minutes(int64_t count, int64_t step = 1) {
  std::vector<int64_t> out;
  for (int64_t i = 0; i < count; ++i) out.push_back(i * step);
  return out;
}

PlotData Compute(const ActivityTable& table, const PlotRequest& request) {
  WorkerPool pool(1);
  PlotData data = ComputePlot(table, request, pool);
  EXPECT_TRUE(data.ok) << data.error;
  return data;
}

std::vector<Call> Bands(const RecordingCanvas& c, Rgb colour, double opacity) {
  return c.Where([&](const Call& k) {
    return k.op == Op::kFilledPolygon && k.colour == colour && k.opacity == opacity;
  });
}

bool Drawn(const RecordingCanvas& c, const std::string& text) {
  const auto texts = c.Texts();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(ActivityPlot, TheBandSpansMeanPlusMinusSemOfTheAnimalsAndBreaksAtAnUnmeasuredBin) {
  // Minutes 0..9 without minute 7; three wells of one group, plotted in 2-minute bins.
  const std::vector<int64_t> starts = {0, 1, 2, 3, 4, 5, 6, 8, 9};
  const ActivityTable table = HandTable(
      {{1, 2, 3, 4, 5, 6, 7, 9, 10}, {0, 0, 1, 1, 2, 2, 3, 4, 4}, {5, 5, 5, 5, 5, 5, 5, 5, 5}},
      starts);
  PlotRequest request;
  request.binMinutes = 2;
  const PlotData data = Compute(table, request);
  RecordingCanvas c(800, 400);
  DrawPlot(c, data);

  // Bin 1 (minutes 2-3) sums 7, 2 and 10: mean 19/3, SD^2 = 49/3, SEM = 7/3; drawn at its
  // middle, minute 3 = 0.05 h. Bin 3 lacks minute 7: no value, so two bands (and the
  // legend's swatch).
  const auto bands = Bands(c, SeriesColour(0), kBandOpacity);
  ASSERT_EQ(bands.size(), 3u);
  const auto& first = bands[0].points;
  ASSERT_EQ(first.size(), 6u);  // bins 0-2, upper edge forward, lower edge back
  EXPECT_DOUBLE_EQ(first[1].x, 0.05);
  EXPECT_NEAR(first[1].y, 19.0 / 3 + 7.0 / 3, 1e-12);
  EXPECT_DOUBLE_EQ(first[4].x, 0.05);
  EXPECT_NEAR(first[4].y, 19.0 / 3 - 7.0 / 3, 1e-12);
  EXPECT_DOUBLE_EQ(bands[1].points[0].x, 9.0 / 60 - (bands[1].points[1].x - 9.0 / 60));
  // The table says the same, and leaves the unmeasured bin empty.
  ASSERT_EQ(data.table.rows.size(), 5u);
  EXPECT_EQ(data.table.rows[1][4], "6.3333");
  EXPECT_EQ(data.table.rows[1][6], "2.3333");
  EXPECT_EQ(data.table.rows[3][4], "");
  EXPECT_EQ(data.table.rows[3][7], "0");
  EXPECT_EQ(data.request.binMinutes, 2);
}

TEST(ActivityPlot, DarkPhasesAreShadedWhereTheScheduleSaysAndEachGroupHasItsLegendEntry) {
  // Two days of hourly bins from 09:00, lights 09:00-21:00; wells in two groups.
  std::vector<std::vector<int32_t>> values(4, std::vector<int32_t>(48));
  for (size_t w = 0; w < 4; ++w)
    for (size_t i = 0; i < 48; ++i) values[w][i] = static_cast<int32_t>((i % 24 < 12 ? 40 : 5) + w);
  ActivityTable table = HandTable(values, Minutes(48, 60), 60, 2);
  const PlotData data = Compute(table, {});
  EXPECT_EQ(data.request.binMinutes, 60);
  RecordingCanvas c(1000, 500);
  DrawPlot(c, data);
  const auto shades = Bands(c, kDarkPhaseShade, kDarkPhaseOpacity);
  ASSERT_EQ(shades.size(), 3u);  // two dark phases and the legend's swatch
  EXPECT_DOUBLE_EQ(shades[0].points[0].x, 12);
  EXPECT_DOUBLE_EQ(shades[0].points[1].x, 24);
  EXPECT_DOUBLE_EQ(shades[1].points[0].x, 36);
  EXPECT_DOUBLE_EQ(shades[1].points[1].x, 48);
  for (const char* text : {"000_G0 (n = 2)", "001_G1 (n = 2)", "Lights off",
                           "Activity (counts / h)", "Time since the run start (h)"})
    EXPECT_TRUE(Drawn(c, text)) << text;
  EXPECT_EQ(Bands(c, SeriesColour(0), kBandOpacity).size(), 2u);  // the band and its swatch
  EXPECT_EQ(Bands(c, SeriesColour(1), kBandOpacity).size(), 2u);

  // Constant darkness shades the whole run; constant light nothing, and needs no key.
  table.light.kind = LightKind::kConstantDark;
  RecordingCanvas dark(1000, 500);
  DrawPlot(dark, Compute(table, {}));
  const auto all = Bands(dark, kDarkPhaseShade, kDarkPhaseOpacity);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_DOUBLE_EQ(all[0].points[0].x, 0);
  EXPECT_DOUBLE_EQ(all[0].points[1].x, 48);
  table.light.kind = LightKind::kConstantLight;
  RecordingCanvas light(1000, 500);
  DrawPlot(light, Compute(table, {}));
  EXPECT_TRUE(Bands(light, kDarkPhaseShade, kDarkPhaseOpacity).empty());
  EXPECT_FALSE(Drawn(light, "Lights off"));
}

TEST(ActivityPlot, DarkSpansFollowASchedulePastMidnight) {
  ActivityTable table = HandTable({{0}}, {0});
  table.light.onMinute = 21 * 60;  // lights on 21:00, off 09:00; the run starts at 09:00
  table.light.offMinute = 9 * 60;
  table.zt0Minute = -12 * 60;
  const auto spans = DarkSpans(table, 0, 48 * 60);
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_DOUBLE_EQ(spans[0].from, 0);
  EXPECT_DOUBLE_EQ(spans[0].to, 12);
  EXPECT_DOUBLE_EQ(spans[1].from, 24);
  EXPECT_DOUBLE_EQ(spans[1].to, 36);
  EXPECT_TRUE(DarkSpans(table, 100, 100).empty());
}

TEST(ActivityPlot, DefaultBinDrawsTheRunInAtMost150RoundBins) {
  auto bin = [](int64_t binCount, int64_t binMinutes) {
    return DefaultActivityBinMinutes(
        HandTable({std::vector<int32_t>(static_cast<size_t>(binCount))},
                  Minutes(binCount, binMinutes), binMinutes));
  };
  EXPECT_EQ(bin(3, 1), 1);            // a 3-minute demo run
  EXPECT_EQ(bin(3 * 1440, 1), 30);    // three days
  EXPECT_EQ(bin(5 * 1440, 1), 60);    // five days
  EXPECT_EQ(bin(30 * 1440, 1), 360);  // a month
  EXPECT_EQ(bin(100, 7) % 7, 0);      // records of 7 minutes: whole records only
  EXPECT_EQ(bin(100 * 1440 / 7, 7) % 7, 0);
}

TEST(ActivityPlot, ABinThatSplitsTheRunsBinsIsRefused) {
  const ActivityTable table = HandTable({{1, 2, 3}}, Minutes(3, 5), 5);
  PlotRequest request;
  request.binMinutes = 7;
  WorkerPool pool(1);
  const PlotData data = ComputePlot(table, request, pool);
  EXPECT_FALSE(data.ok);
  EXPECT_NE(data.error.find("whole number of the run's 5-min bins"), std::string::npos);
}

TEST(ProfilePlot, TheBandIsTheSemOverAnimalsOfTheirAverageDays) {
  // Four 6-hour bins a day, two animals, two days: group mean [1.5 1.5 2 2], SEM [.5 .5 0 0].
  const ActivityTable table =
      HandTable({{1, 2, 3, 4, 3, 2, 1, 0}, {0, 0, 4, 4, 2, 2, 0, 0}}, Minutes(8, 360), 360);
  PlotRequest request;
  request.kind = PlotKind::kProfile;
  request.binMinutes = 360;
  RecordingCanvas c(800, 400);
  DrawPlot(c, Compute(table, request));
  const auto bands = Bands(c, SeriesColour(0), kBandOpacity);
  ASSERT_GE(bands.size(), 1u);
  const auto& band = bands[0].points;
  ASSERT_EQ(band.size(), 8u);
  EXPECT_EQ(band[0], (CanvasPoint{3, 2.0}));
  EXPECT_EQ(band[7], (CanvasPoint{3, 1.0}));
  EXPECT_EQ(band[2], (CanvasPoint{15, 2.0}));
  EXPECT_EQ(band[5], (CanvasPoint{15, 2.0}));
  // Lights 09:00-21:00 from ZT0: the dark half of the day is shaded.
  const auto shades = Bands(c, kDarkPhaseShade, kDarkPhaseOpacity);
  ASSERT_GE(shades.size(), 1u);
  EXPECT_DOUBLE_EQ(shades[0].points[0].x, 12);
  EXPECT_DOUBLE_EQ(shades[0].points[1].x, 24);
  EXPECT_TRUE(Drawn(c, "Zeitgeber time (h after lights on)"));
}

TEST(ActogramPlot, TheRightHalfOfEachRowIsTheLeftHalfOfTheNextAndHeightsAreNormalised) {
  std::vector<std::vector<int32_t>> values(2, std::vector<int32_t>(72));
  for (size_t w = 0; w < 2; ++w)
    for (size_t i = 0; i < 72; ++i) values[w][i] = static_cast<int32_t>((i * 7 + w * 3) % 11);
  const ActivityTable table = HandTable(values, Minutes(72, 60), 60);
  PlotRequest request;
  request.kind = PlotKind::kActogram;
  request.binMinutes = 60;
  const PlotData data = Compute(table, request);
  ASSERT_EQ(data.panels.size(), 1u);
  EXPECT_EQ(data.panels[0].actogram.Rows(), 3);
  RecordingCanvas c(800, 600);
  DrawPlot(c, data);
  // One outline per row half (every hour measured); the last row has no right half.
  std::map<double, std::vector<Call>> rows;
  for (const Call& k : Bands(c, SeriesColour(0), 1.0)) rows[k.points.front().y].push_back(k);
  ASSERT_EQ(rows.size(), 3u);
  std::vector<std::vector<Call>> ordered;
  for (auto& [base, halves] : rows) {
    std::sort(halves.begin(), halves.end(),
              [](const Call& a, const Call& b) { return a.points[0].x < b.points[0].x; });
    ordered.push_back(halves);
  }
  ASSERT_EQ(ordered[0].size(), 2u);
  ASSERT_EQ(ordered[1].size(), 2u);
  ASSERT_EQ(ordered[2].size(), 1u);
  const double rowHeight = rows.begin()->first - std::next(rows.begin())->first;
  ASSERT_GT(std::fabs(rowHeight), 10);
  // Heights above each row's base, and positions from each half's start.
  auto profile = [](const Call& k) {
    std::vector<CanvasPoint> out;
    for (const CanvasPoint& p : k.points)
      out.push_back({p.x - k.points.front().x, k.points.front().y - p.y});
    return out;
  };
  double tallest = 0;
  for (size_t r = 0; r + 1 < ordered.size(); ++r) {
    const auto right = profile(ordered[r][1]), nextLeft = profile(ordered[r + 1][0]);
    ASSERT_EQ(right.size(), nextLeft.size());
    for (size_t i = 0; i < right.size(); ++i) {
      EXPECT_NEAR(right[i].x, nextLeft[i].x, 1e-9) << "row " << r << " point " << i;
      EXPECT_NEAR(right[i].y, nextLeft[i].y, 1e-9) << "row " << r << " point " << i;
      tallest = std::max(tallest, right[i].y);
    }
  }
  // The largest mean (10, at several hours) reaches nine tenths of a row.
  EXPECT_NEAR(tallest, 0.9 * std::fabs(rowHeight), 1e-9);
  // Lights 09:00-21:00 from ZT0: two dark phases in each full row, one in the last.
  const auto shades = Bands(c, kDarkPhaseShade, kDarkPhaseOpacity);
  EXPECT_EQ(shades.size(), 5u);
  // The table holds the double-plotted values: row 1's right half is day 2.
  ASSERT_EQ(data.table.rows.size(), 3u);
  EXPECT_EQ(data.table.rows[0][3 + 24], data.table.rows[1][3]);
  EXPECT_EQ(data.table.rows[2][3 + 24], "");
}

std::vector<std::vector<int32_t>> DailyWaves(int wells, int days, int binMinutes) {
  const int perDay = 1440 / binMinutes;
  std::vector<std::vector<int32_t>> values(static_cast<size_t>(wells));
  for (int w = 0; w < wells; ++w) {
    for (int i = 0; i < days * perDay; ++i) {
      const bool active = i % perDay < perDay / 2;
      values[static_cast<size_t>(w)].push_back((active ? 20 + 3 * w : 2) + (i * 7 + w) % 5);
    }
  }
  return values;
}

TEST(PeriodogramPlot, TheDashedLineLiesOnTheComputedThresholdAndThePeaksAreMarked) {
  const ActivityTable table = HandTable(DailyWaves(3, 4, 30), Minutes(4 * 48, 30), 30);
  PlotRequest request;
  request.kind = PlotKind::kPeriodogram;
  const PlotData data = Compute(table, request);
  const PeriodogramPlan plan = PlanPeriodogram(request.periodogram, table.binStart, 30);
  ASSERT_EQ(plan.status, PeriodogramStatus::kAnalysed);
  RecordingCanvas c(1000, 500);
  DrawPlot(c, data);
  const auto lines = c.Where([](const Call& k) {
    return k.op == Op::kPolyline && k.lineStyle == LineStyle::kDashed && k.points.size() > 2;
  });
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].points.size(), plan.Periods());
  for (size_t i = 0; i < plan.Periods(); ++i) {
    EXPECT_DOUBLE_EQ(lines[0].points[i].x, plan.PeriodHours(i));
    EXPECT_DOUBLE_EQ(lines[0].points[i].y, plan.threshold[i]);
  }
  // The group's mean periodogram peaks at 24 h, above the line: a dot there and its period.
  ASSERT_EQ(data.curves.size(), 1u);
  ASSERT_FALSE(data.curves[0].peaks.empty());
  const size_t peak = data.curves[0].peaks[0];
  EXPECT_DOUBLE_EQ(data.x[peak], 24);
  const auto dots = c.Where([&](const Call& k) {
    return k.op == Op::kFilledCircle && k.x1 == 24 && k.y1 == data.curves[0].mean[peak];
  });
  EXPECT_EQ(dots.size(), 2u);  // a black ring and the group's colour
  EXPECT_TRUE(Drawn(c, "24 h"));
  ASSERT_EQ(data.summary.size(), 1u);
  EXPECT_NE(data.summary[0].find("3 rhythmic of 3"), std::string::npos) << data.summary[0];

  // One well: its own periodogram and peaks.
  request.byWell = true;
  request.names = {"B1"};
  const PlotData well = Compute(table, request);
  const Periodogram own = ComputePeriodogram(
      plan, std::vector<double>(table.WellSeries(1), table.WellSeries(1) + table.BinCount()));
  EXPECT_EQ(well.curves[0].mean, own.values);
  ASSERT_FALSE(own.peaks.empty());
  EXPECT_DOUBLE_EQ(well.x[well.curves[0].peaks[0]], own.peaks[0].periodHours);
}

TEST(PeriodogramPlot, ARunTooShortForAPeriodIsDrawnWithTheReasonNotAsZeros) {
  const ActivityTable table = HandTable(DailyWaves(2, 1, 30), Minutes(48, 30), 30);
  PlotRequest request;
  request.kind = PlotKind::kPeriodogram;
  const PlotData data = Compute(table, request);
  EXPECT_TRUE(data.curves.empty());
  ASSERT_EQ(data.note.rfind("No periodogram: ", 0), 0u) << data.note;
  RecordingCanvas c(800, 400);
  DrawPlot(c, data);
  EXPECT_TRUE(Drawn(c, data.note));
  EXPECT_TRUE(
      c.Where([](const Call& k) { return k.op == Op::kPolyline && k.points.size() > 2; }).empty());
}

TEST(SleepPlot, BarsEndAtTheGroupMeanWithOneSemErrorBarsAndTheAnimals) {
  // Fly preset, one window of 20 minutes: 13 and 10 asleep minutes.
  const ActivityTable table =
      HandTable({{3, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
                 {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
                Minutes(20));
  PlotRequest request;
  request.kind = PlotKind::kSleep;
  const PlotData data = Compute(table, request);
  RecordingCanvas c(600, 400);
  DrawPlot(c, data);
  const auto bars = Bands(c, SeriesColour(0), kBarOpacity);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_DOUBLE_EQ(bars[0].points[2].y, 11.5);
  // SD = sqrt(4.5), SEM = 1.5: the error bar runs from 10 to 13.
  const auto whisker = c.Where(
      [](const Call& k) { return k.op == Op::kLine && k.x1 == 0 && k.x2 == 0 && k.y1 != k.y2; });
  ASSERT_EQ(whisker.size(), 1u);
  EXPECT_DOUBLE_EQ(whisker[0].y1, 10);
  EXPECT_DOUBLE_EQ(whisker[0].y2, 13);
  std::vector<double> points;
  for (const Call& k : c.Of(Op::kFilledCircle)) points.push_back(k.y1);
  std::sort(points.begin(), points.end());
  EXPECT_EQ(points, (std::vector<double>{10, 13}));
  EXPECT_TRUE(Drawn(c, "Sleep (min)"));
  EXPECT_TRUE(Drawn(c, "000_G0 (n = 2)"));
  // Table: the summary row, then each animal.
  ASSERT_EQ(data.table.rows.size(), 3u);
  EXPECT_EQ(data.table.rows[0][3], "11.5");
  EXPECT_EQ(data.table.rows[0][5], "1.5");
  EXPECT_EQ(data.table.rows[1][1], "A1");
  EXPECT_EQ(data.table.rows[1][2], "13");
}

TEST(SleepPlot, UnknownWindowsMeasuresAndBinsLongerThanTheRuleAreRefusedWithTheChoices) {
  const ActivityTable table = HandTable({{0, 1, 0}}, Minutes(3));
  WorkerPool pool(1);
  PlotRequest request;
  request.kind = PlotKind::kSleep;
  request.sleepWindow = "day 9 dark";
  PlotData data = ComputePlot(table, request, pool);
  EXPECT_FALSE(data.ok);
  EXPECT_NE(data.error.find("whole run"), std::string::npos) << data.error;
  request.sleepWindow = "whole run";
  request.sleepPreset = SleepPreset::kFish;
  request.sleepMeasure = "brief_awakenings";
  data = ComputePlot(table, request, pool);
  EXPECT_FALSE(data.ok);
  EXPECT_NE(data.error.find("sleep_min"), std::string::npos) << data.error;
  const ActivityTable coarse = HandTable({{0, 1, 0}}, Minutes(3, 10), 10);
  request.sleepPreset = SleepPreset::kFly;
  request.sleepMeasure = "sleep_min";
  data = ComputePlot(coarse, request, pool);
  EXPECT_FALSE(data.ok);
  EXPECT_FALSE(data.error.empty());
}

TEST(PlotSeriesChoice, GroupsByLabelNameOrNumberWellsByLabelOrRectangle) {
  std::vector<std::vector<int32_t>> values(10, std::vector<int32_t>{1});
  const ActivityTable table = HandTable(values, {0}, 1, 2);
  for (const char* name : {"001_G1", "G1", "1"}) {
    const SeriesChoice c = ChooseSeries(table, false, {name}, 8);
    ASSERT_TRUE(c.ok) << name;
    ASSERT_EQ(c.series.size(), 1u);
    EXPECT_EQ(c.series[0].label, "001_G1");
    EXPECT_EQ(c.series[0].wells.size(), 5u);
  }
  SeriesChoice c = ChooseSeries(table, false, {}, 8);
  ASSERT_EQ(c.series.size(), 2u);
  EXPECT_EQ(c.series[1].colour, SeriesColour(1));
  c = ChooseSeries(table, false, {"G9"}, 8);
  EXPECT_FALSE(c.ok);
  EXPECT_NE(c.error.find("000_G0, 001_G1"), std::string::npos) << c.error;
  // A rectangle of an 8-row plate: A1, B1 (column 1) and A2, B2 (column 2); B1 named twice.
  c = ChooseSeries(table, true, {"a1-B2", "B1"}, 8);
  ASSERT_TRUE(c.ok) << c.error;
  std::vector<std::string> labels;
  for (const auto& s : c.series) labels.push_back(s.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"A1", "B1", "A2", "B2"}));
  EXPECT_EQ(c.series[0].legend, "A1 (000_G0)");
  EXPECT_FALSE(ChooseSeries(table, true, {"Z99"}, 8).ok);
  EXPECT_FALSE(ChooseSeries(table, true, {}, 8).ok);
  c = ChooseSeries(table, true, {"A1-H1", "A2"}, 8);  // nine wells
  EXPECT_FALSE(c.ok);
  EXPECT_NE(c.error.find("at most 8"), std::string::npos) << c.error;
}

TEST(PlotComputation, AStopRequestEndsItWithoutAPicture) {
  const ActivityTable table = HandTable(DailyWaves(3, 4, 30), Minutes(4 * 48, 30), 30);
  WorkerPool pool(2);
  for (PlotKind kind : kPlotKinds) {
    PlotRequest request;
    request.kind = kind;
    PlotControl control;
    control.stopRequested = [] { return true; };
    const PlotData data = ComputePlot(table, request, pool, control);
    EXPECT_TRUE(data.stopped) << PlotKindName(kind);
    EXPECT_FALSE(data.ok) << PlotKindName(kind);
  }
}

TEST(PlotTable, TheFileHasTheHeaderBlockAColumnLineAndNoNan) {
  const ActivityTable table = HandTable({{1, 2, 3, 4, 5, 6, 7, 9, 10}, {0, 0, 1, 1, 2, 2, 3, 4, 4}},
                                        {0, 1, 2, 3, 4, 5, 6, 8, 9});
  PlotRequest request;
  request.binMinutes = 2;
  const PlotData data = Compute(table, request);
  const std::string csv = PlotCsv(table, data);
  EXPECT_EQ(csv.rfind("# Movexa activity over the run", 0), 0u) << csv.substr(0, 80);
  EXPECT_NE(csv.find("\r\nseries,bin_start_min,datetime,t_h,mean,sd,sem,n\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\n000_G0,6,2026-12-07 09:06:00,0.1167,,,,0\r\n"), std::string::npos) << csv;
  for (const char* bad : {"nan", "inf"}) EXPECT_EQ(csv.find(bad), std::string::npos);
}

TEST(PlotKinds, NamesRoundTrip) {
  for (PlotKind kind : kPlotKinds) {
    EXPECT_EQ(PlotKindOf(PlotKindName(kind)), kind);
    EXPECT_STRNE(PlotKindCaption(kind), "");
  }
  EXPECT_FALSE(PlotKindOf("histogram"));
}

}  // namespace
}  // namespace movexa
