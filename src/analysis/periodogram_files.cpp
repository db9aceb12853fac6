// Periodogram files of a run: every well's periodogram against its significance line, the
// peak table, and the group summary of peak periods.
#include <cstdio>

#include "analysis/analysis_csv.h"
#include "analysis/rhythm_files.h"
#include "analysis/rhythm_text.h"

namespace movexa {

namespace {

std::string StatusText(PeriodogramStatus s) {
  switch (s) {
    case PeriodogramStatus::kAnalysed:
      return "analysed";
    case PeriodogramStatus::kNoVariation:
      return "no variation";
    case PeriodogramStatus::kRefused:
      return "refused";
  }
  return {};
}

std::string ValueName(const PeriodogramOptions& o) {
  switch (o.method) {
    case PeriodogramMethod::kChiSquare:
      return "Qp";
    case PeriodogramMethod::kLombScargle:
      return "normalised power";
    case PeriodogramMethod::kAutocorrelation:
      return "r_k";
  }
  return {};
}

std::string ProbabilityMeaning(const PeriodogramOptions& o) {
  switch (o.method) {
    case PeriodogramMethod::kChiSquare:
      return std::string("p: upper-tail probability of Qp for chi-square with df = ") +
             (o.variant == ChiSquareVariant::kAllData ? "P" : "P - 1") +
             " at that period (compare with the level of the line, not with alpha)";
    case PeriodogramMethod::kLombScargle:
      return "p: Baluev false-alarm probability of the peak's power over the range";
    case PeriodogramMethod::kAutocorrelation:
      return "p: one-sided normal probability of r_k sqrt(N)";
  }
  return {};
}

std::vector<std::string> HeaderLines(const RhythmAnalysis& a) {
  const PeriodogramPlan& plan = a.plan;
  const PeriodogramOptions& o = plan.options;
  std::vector<std::string> lines = {"method: " + MethodText(o)};
  std::string range = "periods: " + HoursText(o.minPeriodHours) + " to " +
                      HoursText(o.maxPeriodHours) + " h in steps of one bin (" +
                      std::to_string(plan.binMinutes) + " min)";
  if (plan.status == PeriodogramStatus::kAnalysed) {
    range += ": " + std::to_string(plan.Periods()) + " periods, " + HoursText(plan.PeriodHours(0)) +
             " to " + HoursText(plan.PeriodHours(plan.Periods() - 1)) + " h";
  }
  lines.push_back(range);
  lines.push_back("alpha: " + ProbabilityText(o.alpha));
  lines.push_back("significance line: " + SignificanceText(plan));
  lines.push_back(
      "peaks: for each run of periods above the line, its interior local maximum highest "
      "above the line (a plateau counts once, at its middle; a maximum at either end of the "
      "range is no peak); highest above the line first, up to 3; rhythmic = yes when a peak "
      "lies above the line, the peak period is the first");
  lines.push_back(ProbabilityMeaning(o));
  lines.push_back(
      "no variation: every bin of the well holds one value (all zero included): values 0, "
      "not rhythmic");
  lines.push_back("nothing is filled in: bins that were not measured are not analysed");
  if (!plan.note.empty()) {
    lines.push_back((plan.status == PeriodogramStatus::kAnalysed ? "bins: " : "no periodogram: ") +
                    plan.note);
  }
  return lines;
}

std::string Lead(const ActivityTable& table, size_t w) {
  return CsvCell(table.wells[w].label) + "," + CsvCell(table.wells[w].groupLabel) + ",";
}

std::string Title(const RhythmAnalysis& a, const char* what) {
  return std::string("Movexa periodogram (") + PeriodogramStem(a.plan.options).substr(12) +
         "): " + what;
}

std::string Optional(const std::optional<double>& v) {
  return v ? Decimal(*v) : std::string();
}

std::vector<const Periodogram*> GroupMembers(const ActivityTable& table, const RhythmAnalysis& a,
                                             size_t g) {
  std::vector<const Periodogram*> members;
  for (size_t w : table.groups[g].wells) members.push_back(&a.wells[w]);
  return members;
}

}  // namespace

std::string PeriodogramStem(const PeriodogramOptions& o) {
  switch (o.method) {
    case PeriodogramMethod::kChiSquare:
      return o.variant == ChiSquareVariant::kAllData ? "periodogram_chi2"
                                                     : "periodogram_chi2_classic";
    case PeriodogramMethod::kLombScargle:
      return "periodogram_ls";
    case PeriodogramMethod::kAutocorrelation:
      return "periodogram_acf";
  }
  return "periodogram";
}

RhythmAnalysis AnalysePeriodograms(const ActivityTable& table, const PeriodogramOptions& options,
                                   WorkerPool& pool, const RhythmProgress& progress) {
  RhythmAnalysis a;
  a.plan = PlanPeriodogram(options, table.binStart, table.binMinutes);
  const std::string step = PeriodogramStem(options).substr(12) + " periodogram";
  a.wells = ComputePeriodograms(
      a.plan, table.wells.size(),
      [&](size_t well, std::vector<double>& values) { WellValues(table, well, values); }, pool,
      progress ? BatchProgress([&](size_t done, size_t total) { progress(step, done, total); })
               : BatchProgress());
  return a;
}

std::string PeriodogramValuesCsv(const ActivityTable& table, const RhythmAnalysis& a) {
  std::vector<std::string> lines = HeaderLines(a);
  lines.push_back("value: " + ValueName(a.plan.options) +
                  " at the period; threshold: the significance "
                  "line there; above_line: 1 when the value exceeds it");
  std::string out = HeaderBlock(table, Title(a, "values per well"), lines);
  out += "well,group,period_h,period_bins,value,threshold,above_line\r\n";
  for (size_t w = 0; w < a.wells.size(); ++w) {
    const Periodogram& p = a.wells[w];
    const std::string lead = Lead(table, w);
    for (size_t i = 0; i < p.values.size(); ++i) {
      out += lead;
      AppendDecimal(out, a.plan.PeriodHours(i));
      out += "," + std::to_string(a.plan.periodBins[i]) + ",";
      AppendDecimal(out, p.values[i]);
      out += ',';
      AppendDecimal(out, a.plan.threshold[i]);
      out += p.values[i] > a.plan.threshold[i] ? ",1\r\n" : ",0\r\n";
    }
  }
  return out;
}

std::string PeriodogramPeaksCsv(const ActivityTable& table, const RhythmAnalysis& a) {
  std::vector<std::string> lines = HeaderLines(a);
  lines.push_back(
      "one row per well: status (analysed, no variation, refused), rhythmic, then up to 3 "
      "peaks (period in hours, " +
      ValueName(a.plan.options) +
      ", the line there, p); "
      "note: the stated result");
  std::string out = HeaderBlock(table, Title(a, "peaks per well"), lines);
  out += "well,group,status,rhythmic";
  for (int k = 1; k <= static_cast<int>(kMaxPeaks); ++k) {
    const std::string n = std::to_string(k);
    out += ",peak" + n + "_h,peak" + n + "_value,peak" + n + "_threshold,peak" + n + "_p";
  }
  out += ",note\r\n";
  for (size_t w = 0; w < a.wells.size(); ++w) {
    const Periodogram& p = a.wells[w];
    out += Lead(table, w) + StatusText(p.status) + "," + (p.Rhythmic() ? "yes" : "no");
    for (size_t k = 0; k < kMaxPeaks; ++k) {
      if (k < p.peaks.size()) {
        const PeriodogramPeak& peak = p.peaks[k];
        out += "," + Decimal(peak.periodHours) + "," + Decimal(peak.value) + "," +
               Decimal(peak.threshold) + "," + ProbabilityText(peak.probability);
      } else {
        out += ",,,,";
      }
    }
    out += "," + CsvCell(p.note) + "\r\n";
  }
  return out;
}

std::string PeriodogramGroupsCsv(const ActivityTable& table, const RhythmAnalysis& a) {
  std::vector<std::string> lines = HeaderLines(a);
  lines.push_back(
      "per group: n wells, how many are rhythmic, and the mean, median and SEM = SD / "
      "sqrt(n) (SD with n - 1) of the peak period over the rhythmic wells; the figures are "
      "empty without a rhythmic well, the SEM with fewer than two; free wells belong to no "
      "group");
  std::string out = HeaderBlock(table, Title(a, "peak periods per group"), lines);
  out += "group,n,rhythmic,rhythmic_of_n,mean_period_h,median_period_h,sem_period_h\r\n";
  for (size_t g = 0; g < table.groups.size(); ++g) {
    const PeakPeriodSummary s = SummarisePeakPeriods(GroupMembers(table, a, g));
    out += CsvCell(table.groups[g].label) + "," + std::to_string(s.animals) + "," +
           std::to_string(s.rhythmic) + "," + std::to_string(s.rhythmic) + " of " +
           std::to_string(s.animals) + "," + Optional(s.meanHours) + "," + Optional(s.medianHours) +
           "," + Optional(s.semHours) + "\r\n";
  }
  return out;
}

RhythmFiles WritePeriodogramFiles(const ActivityTable& table, const PeriodogramOptions& options,
                                  const std::filesystem::path& outFolder, WorkerPool& pool,
                                  const RhythmProgress& progress) {
  RhythmFiles result;
  const RhythmAnalysis a = AnalysePeriodograms(table, options, pool, progress);
  const std::string stem = PeriodogramStem(options);
  const std::pair<std::string, std::string> files[] = {
      {stem + ".csv", PeriodogramValuesCsv(table, a)},
      {stem + "_peaks.csv", PeriodogramPeaksCsv(table, a)},
      {stem + "_groups.csv", PeriodogramGroupsCsv(table, a)},
  };
  for (const auto& [name, content] : files) {
    if (!WriteOutputFile(outFolder / name, content, result.error)) return result;
    result.written.push_back(outFolder / name);
  }
  if (a.plan.status != PeriodogramStatus::kAnalysed) {
    const bool said = a.plan.note.find("no period can be estimated") != std::string::npos;
    result.lines.push_back(std::string(said ? "" : "no period can be estimated, ") +
                           "every well is not rhythmic: " + a.plan.note);
  } else if (!a.plan.note.empty()) {
    result.lines.push_back("bins: " + a.plan.note);
  }
  for (size_t g = 0; g < table.groups.size(); ++g) {
    const PeakPeriodSummary s = SummarisePeakPeriods(GroupMembers(table, a, g));
    std::string line = table.groups[g].label + ": " + std::to_string(s.rhythmic) + " rhythmic of " +
                       std::to_string(s.animals);
    if (s.meanHours) {
      line += ", peak period mean " + Decimal(*s.meanHours) + " h, median " +
              Decimal(*s.medianHours) + " h";
      if (s.semHours) line += ", SEM " + Decimal(*s.semHours) + " h";
    }
    result.lines.push_back(line);
  }
  result.ok = true;
  return result;
}

}  // namespace movexa
