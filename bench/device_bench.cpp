// Cost of the sampling path of the device link: parsing one 48-byte block and regrouping it into
// channels, and a complete sampling exchange (8 blocks) against the in-process simulator. The
// baseline is a plain copy of the 48 bytes into a channel row; every figure is also printed as a
// ratio to it. The simulated line time of a sampling exchange is reported as a counter.
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <map>

#include "base/host_fakes.h"
#include "device/com_module.h"
#include "device/loopback_link.h"
#include "sim/sim_instrument.h"

namespace movexa {
namespace {

std::string SampleBlock() {
  std::string bytes;
  for (int k = 0; k < 24; ++k) {
    SignalPair p = EncodeSignalPair(1800 + 7 * k);
    bytes.push_back(static_cast<char>(p.hi));
    bytes.push_back(static_cast<char>(p.lo));
  }
  return bytes;
}

void BM_CopyBlockBaseline(benchmark::State& state) {
  const std::string bytes = SampleBlock();
  std::array<int16_t, kChannelSlots> row{};
  for (auto _ : state) {
    std::memcpy(row.data() + 16, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(row);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyBlockBaseline);

void BM_ParseAndRegroupBlock(benchmark::State& state) {
  const std::string bytes = SampleBlock();
  SignalTable table{};
  std::array<int16_t, kChannelSlots> row{};
  for (auto _ : state) {
    bool good = ParseSignalBlock(bytes, 24, table);
    RegroupBlock(table, 8, 24, row.data());
    benchmark::DoNotOptimize(good);
    benchmark::DoNotOptimize(row);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ParseAndRegroupBlock);

// Eight direct block exchanges of 48 bytes and their regrouping: one sample of every beam.
void BM_SamplingExchange8Blocks(benchmark::State& state) {
  FakeHost fake;
  sim::SimConfig config;
  config.blockBytes = static_cast<int>(state.range(0));
  config.paced = true;  // replies take their real wire time (simulated, on the manual clock)
  sim::SimInstrument instrument(config, fake.clock);
  LoopbackOpener opener(fake.clock, fake.pacer);
  opener.Attach(4, instrument);
  CommPortTable ports(fake.pacer, opener);
  ConnectionState connection;
  connection.port = 4;
  SignalTable signals{};
  DeviceLink link{ports, connection, signals, fake.host};
  ports.CommOpen(4, "COM4", kInstrumentLineSettings);
  std::array<int16_t, kChannelSlots> row{};
  const int64_t startMs = fake.clock.MonotonicMs();
  int64_t bad = 0;
  for (auto _ : state) {
    for (int offset = 0; offset < 64; offset += 8) {
      BlockExchange b = ExchangeSignalBlock(link, offset, 48);
      if (b.good) {
        RegroupBlock(signals, offset, 24, row.data());
      } else {
        ++bad;
      }
    }
    benchmark::DoNotOptimize(row);
  }
  state.counters["line_ms_per_sample"] = benchmark::Counter(
      static_cast<double>(fake.clock.MonotonicMs() - startMs) /
      static_cast<double>(state.iterations()));
  state.counters["bad_blocks"] = static_cast<double>(bad);
}
BENCHMARK(BM_SamplingExchange8Blocks)->Arg(48)->Arg(192);

// Prints the usual table, then every benchmark's time as a ratio to the baseline's.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      if (r.run_type == Run::RT_Iteration) times_.emplace_back(r.benchmark_name(), r.GetAdjustedCPUTime());
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double baseline = 0;
    for (const auto& [name, t] : times_) {
      if (name.find("Baseline") != std::string::npos) baseline = t;
    }
    if (baseline <= 0) return;
    std::cout << "\nratio to BM_CopyBlockBaseline (copy of 48 bytes into a row):\n";
    for (const auto& [name, t] : times_) {
      std::cout << "  " << name << ": " << t / baseline << "x\n";
    }
  }

 private:
  std::vector<std::pair<std::string, double>> times_;
};

}  // namespace
}  // namespace movexa

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  movexa::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
