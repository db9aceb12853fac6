// The rhythm analyses of a 30-day acquisition of 384 wells in 1-minute bins (43,200 bins a
// well) next to a plain read of its "counts.bin" in the same run: loading the run, each
// periodogram of every well on one thread and on every core, and the actogram files. Each
// figure is also printed as a ratio to the read.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "acquisition/counts_record.h"
#include "analysis/activity_table.h"
#include "analysis/rhythm_files.h"
#include "base/file_io.h"
#include "base/text_records.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

constexpr int kDays = 30;
constexpr int kRecords = kDays * 1440;  // one record a minute

std::map<std::string, double> secondsPerRun;  // filled by each benchmark, read by main

// An application folder with the installation data and one acquisition on the 384-well plate:
// well w free-runs with a period of 23 + (w mod 7) / 2 hours, active in the first half of it.
struct Workspace {
  Workspace() {
    root = fs::temp_directory_path() / ("movexa_rhythm_bench_" + std::to_string(::getpid()));
    app = root / "app";
    fs::create_directories(app);
    for (const auto& e : fs::directory_iterator(MOVEXA_SOURCE_DIR "/data")) {
      if (e.is_regular_file()) fs::copy_file(e.path(), app / e.path().filename());
    }
    folder = app / "p00001" / "20261207_0900";
    fs::create_directories(folder);
    std::string setup = *ReadWholeFile(app / "setup.dat");
    setup.replace(setup.find("\"w96f\""), 6, "\"w384\"");
    WriteWholeFile(folder / "setup.dat", setup);
    RecordWriter groups, chgroup;
    groups.Header("groups");
    chgroup.Header("chgroup");
    for (int c = 0; c < kChannelCount; ++c) {
      groups.Int(c).Text("Group" + std::to_string(c)).EndLine();
      chgroup.Int(c).Int(c / 96).EndLine();
    }
    WriteWholeFile(folder / "groups.dat", groups.str());
    WriteWholeFile(folder / "chgroup.dat", chgroup.str());
    WriteWholeFile(folder / "subproj.dat", "\"bench\"\r\n");
    std::string bytes;
    bytes.reserve(static_cast<size_t>(kRecords) * kCountsRecordBytes);
    CountsRecord r;
    uint32_t noise = 12345;
    for (int k = 0; k < kRecords; ++k) {
      r.minutes = k + 1;
      for (int c = 0; c < kChannelCount; ++c) {
        const double period = (23.0 + (c % 7) / 2.0) * 60.0;
        const bool active = std::fmod(k, period) < period / 2;
        noise = noise * 1664525u + 1013904223u;
        r.values[c] = static_cast<int16_t>((active ? 6 : 0) + (noise >> 29));
      }
      r.values[kChannelCount] = 250;
      EncodeCountsRecord(r, bytes);
    }
    WriteWholeFile(folder / "counts.bin", bytes);
    out = root / "out";
    fs::create_directories(out);
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  fs::path root, app, folder, out;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

const ActivityTable& Table() {
  static ActivityTable table = [] {
    ActivityLoadOptions o;
    o.appFolder = Space().app;
    ActivityLoad load = LoadActivityTable({Space().folder}, o);
    if (!load.ok) std::fprintf(stderr, "load failed: %s\n", load.error.c_str());
    return load.table;
  }();
  return table;
}

template <class Work>
void Timed(benchmark::State& state, const std::string& name, Work work) {
  const auto start = std::chrono::steady_clock::now();
  int64_t runs = 0;
  for (auto _ : state) {
    work();
    ++runs;
  }
  secondsPerRun[name] =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

void BM_ReadCounts(benchmark::State& state) {
  Space();
  Timed(state, "read counts.bin", [] {
    benchmark::DoNotOptimize(
        ReadWholeFile(Space().folder / "counts.bin", nullptr, INT64_MAX)->size());
  });
}

void BM_LoadTable(benchmark::State& state) {
  Space();
  Timed(state, "load", [] {
    ActivityLoadOptions o;
    o.appFolder = Space().app;
    benchmark::DoNotOptimize(LoadActivityTable({Space().folder}, o).table.BinCount());
  });
}

void Periodograms(benchmark::State& state, PeriodogramMethod method, int threads,
                  const std::string& name) {
  const ActivityTable& table = Table();
  PeriodogramOptions o;
  o.method = method;
  WorkerPool pool(threads);
  Timed(state, name, [&] {
    RhythmAnalysis a = AnalysePeriodograms(table, o, pool);
    if (a.plan.status != PeriodogramStatus::kAnalysed) state.SkipWithError(a.plan.note.c_str());
    benchmark::DoNotOptimize(a.wells.size());
  });
}

void BM_Chi2OneThread(benchmark::State& s) {
  Periodograms(s, PeriodogramMethod::kChiSquare, 1, "chi2, 1 thread");
}
void BM_Chi2(benchmark::State& s) {
  Periodograms(s, PeriodogramMethod::kChiSquare, 0, "chi2");
}
void BM_AcfOneThread(benchmark::State& s) {
  Periodograms(s, PeriodogramMethod::kAutocorrelation, 1, "acf, 1 thread");
}
void BM_Acf(benchmark::State& s) {
  Periodograms(s, PeriodogramMethod::kAutocorrelation, 0, "acf");
}
void BM_LombScargle(benchmark::State& s) {
  Periodograms(s, PeriodogramMethod::kLombScargle, 0, "ls");
}

void BM_PeriodogramFiles(benchmark::State& state) {
  const ActivityTable& table = Table();
  WorkerPool pool;
  Timed(state, "chi2 files", [&] {
    RhythmFiles f = WritePeriodogramFiles(table, {}, Space().out, pool);
    if (!f.ok) state.SkipWithError(f.error.c_str());
  });
}

void BM_ActogramFiles(benchmark::State& state) {
  const ActivityTable& table = Table();
  WorkerPool pool;
  Timed(state, "actogram files", [&] {
    RhythmFiles f = WriteActogramFiles(table, 24.0, Space().out, pool);
    if (!f.ok) state.SkipWithError(f.error.c_str());
  });
}

BENCHMARK(BM_ReadCounts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadTable)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Chi2OneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Chi2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_AcfOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Acf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_LombScargle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PeriodogramFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ActogramFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void PrintRatio(const char* what, const std::string& figure, const std::string& baseline) {
  if (!secondsPerRun.count(figure) || !secondsPerRun.count(baseline)) return;
  const double f = secondsPerRun[figure], b = secondsPerRun[baseline];
  std::printf("%-44s %9.1f ms  = %7.1f x %s (%.1f ms)\n", what, f * 1e3, f / b, baseline.c_str(),
              b * 1e3);
}

}  // namespace
}  // namespace movexa

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  using movexa::PrintRatio;
  std::printf("\n30 days, 384 wells, 1-minute bins (43,200 bins a well), periods 16-32 h (961):\n");
  PrintRatio("load the run", "load", "read counts.bin");
  PrintRatio("chi-square, all data, 1 thread", "chi2, 1 thread", "read counts.bin");
  PrintRatio("chi-square, all data, every core", "chi2", "read counts.bin");
  PrintRatio("autocorrelation, 1 thread", "acf, 1 thread", "read counts.bin");
  PrintRatio("autocorrelation, every core", "acf", "read counts.bin");
  PrintRatio("Lomb-Scargle, every core", "ls", "read counts.bin");
  PrintRatio("chi-square files (values, peaks, groups)", "chi2 files", "read counts.bin");
  PrintRatio("actogram files (wells and groups)", "actogram files", "read counts.bin");
  return 0;
}
