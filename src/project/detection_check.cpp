// Detection settings that count nothing: the checks and the values that replace them.
#include "project/detection_check.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/number_format.h"
#include "base/text_records.h"
#include "project/project_texts.h"
#include "project/setup_texts.h"

namespace movexa {

namespace {

constexpr int kThresholdMethod = 3;
constexpr int16_t kDefaultInterval = 30;

const std::array<OrganismDefaults, 4> kOrganismDefaults = {{
    {1, "1.8", 18},
    {1, "2.8", 28},
    {2, "1.8", 18},
    {3, "0.8", 8},
}};

std::string OneDecimal(double v) {
  return FormatNumber(v, "0.0");
}

bool ThresholdCountsNothing(double percent) {
  return !(percent > 0) || !std::isfinite(percent);
}

}  // namespace

SnrRange SnrRangeOfMethod(int method) {
  if (method == kThresholdMethod) return {0.5, 1.0, false, setup_texts::kSnrRangeDrosophila};
  return {1.4, 5.0, true, setup_texts::kSnrRangeOthers};
}

const OrganismDefaults* FindOrganismDefaults(int code) {
  if (code < 0 || code >= static_cast<int>(kOrganismDefaults.size())) return nullptr;
  return &kOrganismDefaults[static_cast<size_t>(code)];
}

int16_t DefaultSnrX10(int method, int organism) {
  const SnrRange range = SnrRangeOfMethod(method);
  if (const OrganismDefaults* d = FindOrganismDefaults(organism)) {
    if (range.Contains(d->snrX10 / 10.0)) return d->snrX10;
  }
  return method == kThresholdMethod ? 8 : 18;
}

int16_t DefaultIntervalFor(int rtBuffer) {
  return static_cast<int16_t>(std::clamp<int>(rtBuffer, 1, kDefaultInterval));
}

std::vector<DetectionProblem> CheckDetectionSettings(const ProjectSettings& p) {
  std::vector<DetectionProblem> out;
  const int16_t snrX10 = p.Mn[kMn1][kSNRx10];
  const SnrRange range = SnrRangeOfMethod(p.DSP_Method);
  if (snrX10 != 0 && !range.Contains(snrX10 / 10.0)) {
    out.push_back({DetectionIssue::kSnr, std::string(project_texts::kSetupFile),
                   "SNR " + OneDecimal(snrX10 / 10.0) + " with detection method " +
                       std::to_string(p.DSP_Method),
                   std::string(range.message),
                   OneDecimal(DefaultSnrX10(p.DSP_Method, p.Mn[kMn1][kOrganism]) / 10.0)});
  }
  if (p.DSP_Interval > p.RT_Buffer) {
    out.push_back(
        {DetectionIssue::kInterval, std::string(project_texts::kSetupFile),
         "detection interval " + std::to_string(p.DSP_Interval) +
             " samples, longer than the bin of " + std::to_string(p.RT_Buffer) + " samples",
         setup_texts::IntervalRange(p.RT_Buffer), std::to_string(DefaultIntervalFor(p.RT_Buffer))});
  }
  int bad = 0;
  bool same = true;
  double first = 0;
  for (size_t c = 0; c < kChannelCount; ++c) {
    const double t = p.ChannelThreshold[c];
    if (!ThresholdCountsNothing(t)) continue;
    if (bad++ == 0) first = t;
    same = same && (t == first || (std::isnan(t) && std::isnan(first)));
  }
  if (bad > 0) {
    const std::string channels = std::to_string(bad) + (bad == 1 ? " channel" : " channels");
    out.push_back({DetectionIssue::kThresholds, std::string(project_texts::kThresholdFile),
                   (same && std::isfinite(first) ? "threshold " + ShortestDecimal(first)
                                                 : std::string("threshold of 0 or below")) +
                       " on " + channels,
                   std::string(setup_texts::kThresholdRange),
                   ShortestDecimal(kDefaultThresholdPercent)});
  }
  return out;
}

void ApplyDetectionDefault(ProjectSettings& p, DetectionIssue issue) {
  switch (issue) {
    case DetectionIssue::kSnr:
      p.Mn[kMn1][kSNRx10] = DefaultSnrX10(p.DSP_Method, p.Mn[kMn1][kOrganism]);
      break;
    case DetectionIssue::kInterval:
      p.DSP_Interval = DefaultIntervalFor(p.RT_Buffer);
      break;
    case DetectionIssue::kThresholds:
      for (size_t c = 0; c < kChannelCount; ++c) {
        if (ThresholdCountsNothing(p.ChannelThreshold[c]))
          p.ChannelThreshold[c] = kDefaultThresholdPercent;
      }
      break;
  }
}

}  // namespace movexa
