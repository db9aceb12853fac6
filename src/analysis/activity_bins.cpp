// Record-to-bin rules and the bin-time check.
#include "analysis/activity_bins.h"

#include <algorithm>
#include <cmath>

#include "acquisition/counts_record.h"
#include "base/number_format.h"

namespace movexa {

namespace {

constexpr size_t kLongestSlopeWindow = 60;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  const size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
  double upper = v[mid];
  if (v.size() % 2 == 1) return upper;
  double lower = *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid));
  return (lower + upper) / 2;
}

std::string Minutes(double m) {
  return FormatNumber(m, m < 10 ? "0.00" : "0.0");
}

}  // namespace

BinLayout ChooseBinLayout(const std::vector<int64_t>& closeMinutes) {
  BinLayout layout;
  const size_t n = closeMinutes.size();
  if (n < 2) return layout;
  const size_t w = std::clamp<size_t>(n / 8, 1, std::min(kLongestSlopeWindow, n - 1));
  std::vector<double> slopes;
  slopes.reserve(n - w);
  for (size_t k = 0; k + w < n; ++k) {
    slopes.push_back(static_cast<double>(closeMinutes[k + w] - closeMinutes[k]) /
                     static_cast<double>(w));
  }
  layout.recordMinutes = std::max(0.0, Median(std::move(slopes)));
  if (layout.recordMinutes < 1) return layout;
  layout.severalPerBin = false;
  layout.binMinutes = std::max<int64_t>(1, std::llround(layout.recordMinutes));
  return layout;
}

int64_t BinOfRecord(int64_t closeMinute, const BinLayout& layout, double closeFraction) {
  if (layout.severalPerBin) return closeMinute / layout.binMinutes;
  const double start = static_cast<double>(closeMinute) + closeFraction - layout.recordMinutes;
  return std::max<int64_t>(0, std::llround(start / static_cast<double>(layout.binMinutes)));
}

double ChooseCloseFraction(const std::vector<int64_t>& closeMinutes, int64_t startMinute,
                           const BinLayout& layout) {
  if (layout.severalPerBin || closeMinutes.empty()) return 0.5;
  double best = 0.5;
  int64_t bestCost = -1;
  for (int k = 0; k < 8; ++k) {
    const double fraction = (2 * k + 1) / 16.0;
    int64_t cost = 0;
    int64_t previous = 0;
    for (size_t i = 0; i < closeMinutes.size(); ++i) {
      const int64_t b = BinOfRecord(closeMinutes[i], layout, fraction);
      if (i == 0) {
        cost += std::llabs(b - startMinute / layout.binMinutes);
      } else if (b <= previous) {
        cost += previous - b + 1;  // doubled
      } else {
        cost += b - previous - 1;  // skipped
      }
      previous = std::max(previous, b);
    }
    // Ties go to the fraction nearest the middle of the minute.
    if (bestCost < 0 || cost < bestCost ||
        (cost == bestCost && std::abs(fraction - 0.5) < std::abs(best - 0.5))) {
      bestCost = cost;
      best = fraction;
    }
  }
  return best;
}

std::string BinRuleText(const BinLayout& layout) {
  if (layout.severalPerBin) {
    return "1-min bins; a bin holds every record that closed within that minute of the run "
           "(records of about " +
           Minutes(layout.recordMinutes * 60) +
           " s); records are never split "
           "and a minute in which no record closed is missing";
  }
  return std::to_string(layout.binMinutes) + "-min bins, one record each (records of about " +
         Minutes(layout.recordMinutes) +
         " min); a record closed in minute t fills the bin nearest "
         "its estimated start t + f - " +
         Minutes(layout.recordMinutes) +
         " min, f being the part of "
         "the closing minute taken as elapsed, chosen per acquisition so that the fewest bins are "
         "doubled or skipped; records are never split and a bin no record fills is missing";
}

std::vector<int64_t> AdjustRecordTimes(const std::vector<int32_t>& storedMinutes,
                                       const std::vector<char>& marks) {
  const size_t n = storedMinutes.size();
  std::vector<char> bad(n, 0);
  bool timeSeen = false;
  for (size_t k = 0; k < n; ++k) {
    bad[k] = storedMinutes[k] < 0 || marks[k] == kRecordNegative ||
             (marks[k] == kRecordBlank && timeSeen);
    if (!bad[k] && storedMinutes[k] > 0) timeSeen = true;
  }
  // Corrupt times: far above both sound neighbours.
  constexpr int64_t kFar = 1000;
  std::vector<char> spike(n, 0);
  size_t previous = n;  // the last sound record before k (n: none)
  for (size_t k = 0; k < n; ++k) {
    if (bad[k]) continue;
    size_t next = k + 1;
    while (next < n && bad[next]) ++next;
    const int64_t t = storedMinutes[k];
    const bool aboveBefore = previous < n && t - storedMinutes[previous] > kFar;
    const bool aboveAfter = next < n && t - storedMinutes[next] > kFar;
    spike[k] = aboveBefore && aboveAfter;
    previous = k;
  }
  std::vector<int64_t> out(n, kDamagedRecord);
  DayWrap wrap;
  for (size_t k = 0; k < n; ++k) {
    if (!bad[k] && !spike[k]) out[k] = wrap.Adjust(storedMinutes[k]);
  }
  return out;
}

BinAssignment AssignBins(const std::vector<int64_t>& binOfRecord, bool severalPerBin,
                         int64_t binMinutes) {
  BinAssignment out;
  BinQuality& q = out.quality;
  q.records = static_cast<int64_t>(binOfRecord.size());
  out.slot.assign(binOfRecord.size(), kLeftOut);
  for (size_t k = 0; k < binOfRecord.size(); ++k) {
    const int64_t b = binOfRecord[k];
    if (b == kDamagedRecord || b < 0) {
      ++q.damaged;
      continue;
    }
    if (!out.bins.empty()) {
      const int64_t latest = out.bins.back();
      if (b < latest || (b == latest && !severalPerBin)) {
        ++q.duplicates;
        continue;
      }
    }
    if (out.bins.empty() || b > out.bins.back()) {
      out.bins.push_back(b);
      out.recordsPerBin.push_back(0);
    }
    out.slot[k] = static_cast<int64_t>(out.bins.size()) - 1;
    ++out.recordsPerBin.back();
  }

  // A partial last bin: the run ended early in its closing minute.
  if (severalPerBin && out.bins.size() >= 2) {
    std::vector<double> counts(out.recordsPerBin.begin(), out.recordsPerBin.end());
    const double typical = Median(counts);
    const int64_t last = out.recordsPerBin.back();
    if (2.0 * static_cast<double>(last) <= typical) {
      const int64_t lastSlot = static_cast<int64_t>(out.bins.size()) - 1;
      for (auto& s : out.slot) {
        if (s == lastSlot) s = kLeftOut;
      }
      q.partialLeftOut = last;
      out.bins.pop_back();
      out.recordsPerBin.pop_back();
    }
  }

  for (size_t i = 0; i < out.bins.size(); ++i) {
    q.recordsUsed += out.recordsPerBin[i];
    if (i == 0) {
      q.minRecordsPerBin = q.maxRecordsPerBin = out.recordsPerBin[i];
      continue;
    }
    q.minRecordsPerBin = std::min(q.minRecordsPerBin, out.recordsPerBin[i]);
    q.maxRecordsPerBin = std::max(q.maxRecordsPerBin, out.recordsPerBin[i]);
    const int64_t step = out.bins[i] - out.bins[i - 1];
    q.missingBins += step - 1;
    q.largestGapMinutes = std::max(q.largestGapMinutes, step * binMinutes);
  }
  if (out.bins.size() == 1) q.largestGapMinutes = 0;
  q.irregular = q.duplicates > 0 || q.missingBins > 0;
  return out;
}

}  // namespace movexa
