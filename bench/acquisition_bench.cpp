// Compute cost of the live detection per sampling tick (384 channels, no I/O) and of the bin
// analysis per channel, for each detection method. Besides Google Benchmark's own lines it
// prints each figure as a ratio to a baseline measured in the same run (reading the same
// samples without detecting anything) and, for the tick, as a share of the 10 ms tick budget.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "acquisition/analysis_module.h"
#include "acquisition/live_detection.h"

namespace movexa {
namespace {

constexpr double kTickBudgetNs = 10e6;

// A run buffer of one bin: a 2000-count baseline with noise and a dip every 37 samples,
// shifted per channel.
void FillBuffers(RunBuffers& b) {
  b.Allocate(500);
  for (int s = 0; s < b.rtBuffer; ++s) {
    for (int c = 0; c < kChannelCount; ++c) {
      int noise = ((s * 7919 + c * 104729) % 23) - 11;
      bool dip = (s + c) % 37 < 4;
      b.Raw(c, s) = static_cast<int16_t>(2000 + noise - (dip ? 500 : 0));
    }
  }
}

struct Fixture {
  Fixture() {
    FillBuffers(buffers);
    thresholds.fill(3.0);
  }
  RunBuffers buffers;
  std::array<double, kChannelSlots> thresholds{};
};

Fixture& Shared() {
  static Fixture f;
  return f;
}

// Baseline of the tick: read every channel's current sample once.
void BM_TickBaseline(benchmark::State& state) {
  Fixture& f = Shared();
  int s = 0;
  for (auto _ : state) {
    int32_t sum = 0;
    for (int c = 0; c < kChannelCount; ++c) sum += f.buffers.Raw(c, s);
    benchmark::DoNotOptimize(sum);
    s = (s + 1) % f.buffers.rtBuffer;
  }
}
BENCHMARK(BM_TickBaseline);

// The compute part of one tick: envelope and event rule for 384 channels at one sample.
void BM_TickCompute(benchmark::State& state) {
  Fixture& f = Shared();
  LiveDetectionSettings settings{static_cast<int>(state.range(0)), 30};
  int s = 0;
  int window = 0;
  for (auto _ : state) {
    for (int c = 0; c < kChannelCount; ++c) {
      UpdateEnvelope(f.buffers, settings, c, s, f.thresholds[c]);
      DetectSample(f.buffers, settings, c, s);
    }
    if (++window == settings.dspInterval) {
      window = 0;
      for (int c = 0; c < kChannelCount; ++c) EndDetectionWindow(f.buffers.channels[c], settings.method);
    }
    s = (s + 1) % f.buffers.rtBuffer;
  }
  benchmark::ClobberMemory();
}
BENCHMARK(BM_TickCompute)->DenseRange(0, 3)->ArgName("method");

// Baseline of the bin analysis: read one channel's 501 samples.
void BM_AnalyzeBaseline(benchmark::State& state) {
  Fixture& f = Shared();
  RawBlockView view = f.buffers.RawView();
  int c = 0;
  for (auto _ : state) {
    int32_t sum = 0;
    for (int k = 0; k < kAnalysisSamples; ++k) sum += view.At(c, k);
    benchmark::DoNotOptimize(sum);
    c = (c + 1) % kChannelCount;
  }
}
BENCHMARK(BM_AnalyzeBaseline);

void BM_AnalyzeBin(benchmark::State& state) {
  Fixture& f = Shared();
  RawBlockView view = f.buffers.RawView();
  int method = static_cast<int>(state.range(0));
  double snr = method == 3 ? 0.8 : 1.8;
  int c = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(AnalyzeBin(view, c, snr, method, false, {}, 0, f.buffers.analysis));
    c = (c + 1) % kChannelCount;
  }
}
BENCHMARK(BM_AnalyzeBin)->DenseRange(0, 3)->ArgName("method");

// Console output plus the time per iteration of every run, for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
        nsPerIteration[r.benchmark_name()] = r.GetAdjustedRealTime() * NsPerUnit(r.time_unit);
      }
    }
  }
  std::map<std::string, double> nsPerIteration;

 private:
  static double NsPerUnit(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      default: return 1;
    }
  }
};

void PrintSummary(const std::map<std::string, double>& ns) {
  auto at = [&](const std::string& name) {
    auto it = ns.find(name);
    return it == ns.end() ? 0.0 : it->second;
  };
  double tickBase = at("BM_TickBaseline");
  double binBase = at("BM_AnalyzeBaseline");
  std::printf("\nSummary (ratios to baselines measured in this run)\n");
  std::printf("%-28s %12s %14s %16s\n", "figure", "ns", "x baseline", "% of 10 ms tick");
  for (int m = 0; m <= 3; ++m) {
    double t = at("BM_TickCompute/method:" + std::to_string(m));
    std::printf("%-28s %12.0f %14.1f %15.3f%%\n", ("tick, 384 ch, method " + std::to_string(m)).c_str(),
                t, tickBase > 0 ? t / tickBase : 0.0, 100.0 * t / kTickBudgetNs);
  }
  for (int m = 0; m <= 3; ++m) {
    double t = at("BM_AnalyzeBin/method:" + std::to_string(m));
    std::printf("%-28s %12.0f %14.1f %16s\n", ("AnalyzeBin, 1 ch, method " + std::to_string(m)).c_str(),
                t, binBase > 0 ? t / binBase : 0.0, "");
  }
  std::printf("baselines: tick row read %.0f ns, one channel's bin read %.0f ns\n", tickBase, binBase);
}

}  // namespace
}  // namespace movexa

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  movexa::SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  movexa::PrintSummary(reporter.nsPerIteration);
  benchmark::Shutdown();
  return 0;
}
