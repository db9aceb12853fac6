// Analysis_Module: recounts the activity events of one channel over a whole bin of raw samples
// with detection methods 0..3 and leaves the detection envelope in the shared table.
//
// Ends of the buffer: the peak/valley rule judges a sample against both neighbours, so it only
// runs on samples that have both inside the buffer. The noise estimates start their track at
// the sample before their range (as the auto-zero calibration does); the peak track behind the
// mean peak starts at sample 0 and runs over samples 1..499, row 500 (the always-zero padding
// row of a bin block) serving only as the right neighbour of sample 499.
#include "acquisition/analysis_module.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "acquisition/peak_valley.h"
#include "base/file_io.h"
#include "base/rounding.h"

namespace movexa {

namespace {

constexpr int kCountedSamples = kAnalysisSamples - 1;  // samples 0..499 are counted
constexpr int kLastRow = kAnalysisSamples - 1;         // row 500
constexpr int kPeakWindow = 30;                        // mean-peak window, samples
constexpr int kBinaryWindow = 30;                      // method 0: one event per window
constexpr int kRunLength = 10;                         // method 2: run length L
constexpr int kMotilityWindow = 5 * kRunLength;        // method 2: minimum window, 50 samples
constexpr int kSmoothWindow = 10;                      // method 2: smoothing of d(k)
constexpr int kMotilityBackwardFrom = 449;  // 50-sample windows end at k from here on
constexpr int kSmoothForwardLast = 488;     // 10-sample windows start at k up to here
constexpr int kMinAmplitude = 5;
constexpr int32_t kRunMinStart = 9999;

struct Noise {
  int64_t spread;  // D: mean peak - valley, rounded
  int64_t level;   // X: mean signal, rounded
};

// Peak/valley noise estimate over samples first..last (each with both neighbours inside the
// signal), the track starting at the sample before `first`.
Noise EstimateNoise(const int32_t* x, int first, int last) {
  PeakValley track;
  track.Reset(x[first - 1]);
  int64_t sumSpread = 0;
  int64_t sumLevel = 0;
  for (int k = first; k <= last; ++k) {
    track.Step(x[k - 1], x[k], x[k + 1]);
    sumSpread += track.Spread();
    sumLevel += x[k];
  }
  int64_t n = last - first + 1;
  return {RoundHalfEvenDiv(sumSpread, n), RoundHalfEvenDiv(sumLevel, n)};
}

// RoundHalfEven saturated to 16 bits, inlined for the envelope recursion (a serial chain of
// 500 roundings per call): floor by truncation, which is exact for the magnitudes an envelope
// reaches; anything larger or not a number goes through RoundHalfEven itself.
inline int16_t ToEnvelope(double v) {
  if (!(v > -1e9 && v < 1e9)) return SaturateInt16(RoundHalfEven(v));
  auto t = static_cast<int64_t>(v);
  int64_t floorValue = t - (v < static_cast<double>(t) ? 1 : 0);
  double diff = v - static_cast<double>(floorValue);
  int64_t r = floorValue + (diff > 0.5 || (diff == 0.5 && (floorValue & 1) != 0) ? 1 : 0);
  return SaturateInt16(r);
}

// Prefix sums: sums[i] = v[0] + ... + v[i - 1], so the sum of v[a..b] is sums[b + 1] - sums[a].
// `sums` holds kAnalysisSamples entries, so at most kAnalysisSamples - 1 values are summed.
template <typename T>
void PrefixSums(const T* v, int count, int64_t* sums) {
  sums[0] = 0;
  for (int i = 0; i < count; ++i) sums[i + 1] = sums[i] + v[i];
}

// Mean peak P(k) for k = 0..499 (forward over k+1..k+30 up to k = 29, backward over k-30..k-1
// from k = 30), rounded; left in `meanPeak`.
void MeanPeak(AnalysisScratch& s, int32_t* meanPeak) {
  int64_t* sums = s.sums1.data();
  PrefixSums(s.peak.data(), kCountedSamples, sums);
  for (int k = 0; k < kCountedSamples; ++k) {
    int first = k < kPeakWindow ? k + 1 : k - kPeakWindow;
    int64_t sum = sums[first + kPeakWindow] - sums[first];
    meanPeak[k] = static_cast<int32_t>(RoundHalfEvenDiv(sum, kPeakWindow));
  }
}

// Envelope of methods 0 and 1 (threshold T in percent) or 3 (factor SNR on the mean peak).
void SmoothedEnvelope(AnalysisScratch& s, int method, double threshold, double snr) {
  int32_t* meanPeak = s.meanPeak.data();
  MeanPeak(s, meanPeak);
  auto& e = s.envelope;
  for (int k = 0; k < 4; ++k) {
    double p = meanPeak[k];
    e[k] = method == 3 ? ToEnvelope(p * snr) : ToEnvelope((100.0 - 1.75 * threshold) / 100.0 * p);
  }
  // E(k) = (E(k-1) + E(k-2) + E(k-3) + base(k)) / 4, the last three values kept in registers.
  int32_t e1 = e[3], e2 = e[2], e3 = e[1];
  for (int k = 4; k < kCountedSamples; ++k) {
    double p = meanPeak[k];
    double base = method == 3 ? p * snr : (100.0 - threshold) * p / 100.0;
    int16_t next = ToEnvelope((static_cast<double>(e1) + e2 + e3 + base) / 4.0);
    e[k] = next;
    e3 = e2;
    e2 = e1;
    e1 = next;
  }
}

// Method 0: any dip below the envelope raises a flag; at samples 30, 60, ... a raised flag
// counts one event (marked at that sample) and is lowered.
int CountBinary(AnalysisScratch& s, int lastCounted) {
  int events = 0;
  bool dip = false;
  for (int k = 0; k <= lastCounted; ++k) {
    if (s.signal[k] < s.envelope[k]) dip = true;
    if (k > 0 && k % kBinaryWindow == 0 && dip) {
      ++events;
      s.marks[k] = '1';
      dip = false;
    }
  }
  return events;
}

// Methods 1 and 3: the mean of two successive samples falling below the envelope opens a dip
// and counts it once; the dip closes when that mean rises above the envelope.
int CountDips(AnalysisScratch& s, int lastCounted) {
  int events = 0;
  bool open = false;
  for (int k = 1; k <= lastCounted; ++k) {
    double m = (static_cast<double>(s.signal[k - 1]) + s.signal[k]) / 2.0;
    if (m < s.envelope[k] && !open) {
      ++events;
      s.marks[k] = '1';
      open = true;
    } else if (m > s.envelope[k]) {
      open = false;
    }
  }
  return events;
}

// Window start of the 50-sample windows of method 2: forward from k while k < 449, backward
// (ending at k) from there.
int MotilityWindowStart(int k) {
  return k < kMotilityBackwardFrom ? k : k - (kMotilityWindow - 1);
}

// Method 2 (motility). Kept in whole numbers so that equal smoothed values compare equal:
// 50 x M(k) = SR(k) (the sum of R over the window), 50 x d(k) = 50 x(k) - SR(k), and
// 500 x s(k) = the sum of 50 x d over the 10-sample window.
int CountMotility(AnalysisScratch& s, double amplitude, int lastCounted) {
  const int32_t* x = s.signal.data();
  // W(a) = min(9999, x[a..a+49]) for window starts a = 0..450, by the van Herk method:
  // blocks of 50 aligned at 0; a window spans the suffix of one block and the prefix of the next.
  int64_t* suffixMin = s.sums1.data();
  int64_t* prefixMin = s.sums2.data();
  for (int i = 0; i < kCountedSamples; ++i) {
    prefixMin[i] = (i % kMotilityWindow == 0) ? x[i] : std::min<int64_t>(prefixMin[i - 1], x[i]);
  }
  for (int i = kCountedSamples - 1; i >= 0; --i) {
    bool blockEnd = (i % kMotilityWindow == kMotilityWindow - 1) || i == kCountedSamples - 1;
    suffixMin[i] = blockEnd ? x[i] : std::min<int64_t>(suffixMin[i + 1], x[i]);
  }
  // R(k), k = 0..499, into `peak` (free for reuse here).
  int32_t* runMin = s.peak.data();
  for (int k = 0; k < kCountedSamples; ++k) {
    int a = MotilityWindowStart(k);
    int64_t m = std::min(suffixMin[a], prefixMin[a + kMotilityWindow - 1]);
    runMin[k] = static_cast<int32_t>(std::min<int64_t>(kRunMinStart, m));
  }
  // d50(k) = 50 x(k) - SR(k).
  int64_t* sumsR = s.sums1.data();
  PrefixSums(runMin, kCountedSamples, sumsR);
  int64_t* d50 = s.sums2.data();
  for (int k = 0; k < kCountedSamples; ++k) {
    int a = MotilityWindowStart(k);
    d50[k] = int64_t{kMotilityWindow} * x[k] - (sumsR[a + kMotilityWindow] - sumsR[a]);
  }
  // s500(k): forward over k..k+9 up to k = 488, backward over k-9..k after.
  int64_t* sumsD = s.sums1.data();
  PrefixSums(d50, kCountedSamples, sumsD);
  int64_t* s500 = s.sums3.data();
  for (int k = 0; k < kCountedSamples; ++k) {
    int a = k <= kSmoothForwardLast ? k : k - (kSmoothWindow - 1);
    s500[k] = sumsD[a + kSmoothWindow] - sumsD[a];
  }
  constexpr double kScale = double{kMotilityWindow} * kSmoothWindow;  // 500
  for (int k = 0; k < kCountedSamples; ++k) {
    s.envelope[k] = ToEnvelope(static_cast<double>(s500[k]) / kScale - amplitude);
  }
  // Runs of the smoothed signal: a change of direction starts a new run (length 0, reference
  // = s(k) rounded); a step in the same direction lengthens it; an unchanged value changes
  // nothing. A run whose length reaches L with more than A between its reference and s(k)
  // counts one event; the length reaches L only once per run, so a run counts at most once.
  int events = 0;
  int direction = -1;  // the direction starts as falling
  int runLength = 0;
  int64_t reference = RoundHalfEvenDiv(s500[0], kMotilityWindow * kSmoothWindow);
  for (int k = 1; k <= lastCounted; ++k) {
    int step = s500[k] > s500[k - 1] ? 1 : (s500[k] < s500[k - 1] ? -1 : 0);
    if (step == 0) continue;
    double sk = static_cast<double>(s500[k]) / kScale;
    if (step != direction) {
      direction = step;
      runLength = 0;
      reference = RoundHalfEvenDiv(s500[k], kMotilityWindow * kSmoothWindow);
    } else {
      ++runLength;
    }
    if (runLength == kRunLength && std::abs(static_cast<double>(reference) - sk) > amplitude) {
      ++events;
      s.marks[k] = '1';
    }
  }
  return events;
}

void ExportMarks(const std::filesystem::path& folder, int channel, int32_t tag,
                 AnalysisScratch& s) {
  std::string& line = s.exportLine;
  line.clear();
  line += std::to_string(tag);
  line += ' ';
  line.append(s.marks.data(), kCountedSamples);
  line += "\r\n";
  std::string error;
  if (!AppendToFile(folder / ("ch" + std::to_string(channel) + ".raw"), line, &error)) {
    s.exportError = error;
    ++s.exportFailures;
  }
}

}  // namespace

int16_t AnalyzeBin(const RawBlockView& raw, int channel, double snr, int method, bool exportMarks,
                   const std::filesystem::path& exportFolder, int32_t exportTag,
                   AnalysisScratch& scratch) {
  AnalysisScratch& s = scratch;
  s.marks.fill('0');
  s.envelope.fill(0);
  s.threshold = 0;
  s.amplitudeLimit = 0;
  bool usable = raw.data != nullptr && raw.samples >= 3 && channel >= 0 &&
                channel < kChannelSlots && method >= 0 && method <= 3;
  int events = 0;
  if (usable) {
    // The signal, rows 0..500; a shorter bin repeats its last sample (its padding row dropped).
    int rows = std::min(raw.samples, kAnalysisSamples);
    int lastCounted = rows >= kAnalysisSamples ? kCountedSamples - 1 : rows - 2;
    for (int k = 0; k < kAnalysisSamples; ++k) {
      s.signal[k] = raw.At(channel, k <= lastCounted || rows >= kAnalysisSamples ? k : lastCounted);
    }
    const int32_t* x = s.signal.data();

    // Noise over samples 2..499 gives the threshold T (percent) and the amplitude limit A.
    Noise noise = EstimateNoise(x, 2, kLastRow - 1);
    double t = (noise.level > 0 && noise.spread < noise.level)
                   ? (1.0 - static_cast<double>(noise.level - noise.spread) /
                                static_cast<double>(noise.level)) * 100.0 * snr
                   : snr;
    t = std::max(t + 1.0, 1.8);
    double amplitude = static_cast<double>(std::max<int64_t>(noise.spread, kMinAmplitude));
    s.threshold = t;
    s.amplitudeLimit = amplitude;

    if (method == 2) {
      events = CountMotility(s, amplitude, lastCounted);
    } else {
      // Peak track: starts at sample 0, samples 1..499 judged against both neighbours.
      PeakValley track;
      track.Reset(x[0]);
      s.peak[0] = x[0];
      for (int k = 1; k < kLastRow; ++k) {
        track.Step(x[k - 1], x[k], x[k + 1]);
        s.peak[k] = track.peak;
      }
      s.peak[kLastRow] = track.peak;
      SmoothedEnvelope(s, method, t, snr);
      events = method == 0 ? CountBinary(s, lastCounted) : CountDips(s, lastCounted);
    }
    s.envelope[kLastRow] = s.envelope[kLastRow - 1];
  }
  if (exportMarks) ExportMarks(exportFolder, channel, exportTag, s);
  return static_cast<int16_t>(events);
}

}  // namespace movexa
