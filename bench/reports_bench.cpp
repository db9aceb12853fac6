// Report generation for a 7-day acquisition at one record per 25 s (about 24,000 records, bin
// 30) and for a 30-day one, next to the time to merely read and decode the same "counts.bin";
// raw data re-analysis throughput in MB of raw data per second, on one thread and on every
// core, next to the time to merely read the same raw files. Each figure is also printed as a ratio to its baseline from the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <map>
#include <string>

#include "acquisition/analysis_module.h"
#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "base/host_fakes.h"
#include "base/text_records.h"
#include "reports/counts_series.h"
#include "reports/raw_reanalysis.h"
#include "reports/report_generation.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

std::map<std::string, double> secondsPerRun;  // filled by each benchmark, read by main
constexpr int64_t kRawBytes = 22 * kDefaultRawBlockBytes;

// 96 wells with two beams (even beam rows, beam columns 2k and 2k+1), as the flat-bottom
// 96-well plate uses them.
std::string Plate96Text() {
  RecordWriter w;
  w.Header("96 wells").Header("flat bottom");
  w.Int(8).Real(2).Real(-0.5).Int(12).Real(2).Real(0).EndLine();
  w.Header("Channel, Well, Beam");
  for (int c = 0; c < kChannelCount; ++c) {
    const int row = c % 16, column = c / 16;
    const bool used = row % 2 == 0;
    w.Text("c").Int(used ? (column / 2) * 8 + row / 2 : -1).Int(column % 2).EndLine();
  }
  return w.str();
}

std::string Setup96Text() {
  RecordWriter w;
  w.Header("setup").Int(1).Text("Bench").Text("/").Text("w96f").EndLine();
  for (int line = 0; line < 8; ++line) {
    w.Header("values");
    // Line 4: RT_Buffer 500 (the bin length of the raw blocks) and DSP_Method 1.
    for (int v = 0; v < 6; ++v) w.Int(line == 0 && v == 3 ? 500 : (line == 0 && v == 4 ? 1 : 0));
    w.EndLine();
  }
  return w.str();
}

// An acquisition folder "<root>/p00001/<name>" of `records` records one every 25 s.
fs::path MakeAcquisition(const fs::path& root, const std::string& name, int64_t records) {
  const fs::path folder = root / "p00001" / name;
  fs::create_directories(folder);
  WriteWholeFile(root / "w96f.dat", Plate96Text());
  WriteWholeFile(folder / "setup.dat", Setup96Text());
  RecordWriter groups, chgroup;
  groups.Header("groups");
  chgroup.Header("chgroup");
  for (int c = 0; c < kChannelCount; ++c) {
    groups.Int(c).Text("Group" + std::to_string(c)).EndLine();
    chgroup.Int(c).Int((c / 16 + 1) / 2).EndLine();
  }
  WriteWholeFile(folder / "groups.dat", groups.str());
  WriteWholeFile(folder / "chgroup.dat", chgroup.str());
  std::string bytes;
  bytes.reserve(static_cast<size_t>(records) * kCountsRecordBytes);
  CountsRecord r;
  for (int64_t k = 0; k < records; ++k) {
    r.minutes = static_cast<int32_t>(k * 25 / 60);
    for (int c = 0; c < kChannelCount; ++c) r.values[c] = static_cast<int16_t>((c * 7 + k * 3) % 13);
    r.values[kChannelCount] = 245;
    EncodeCountsRecord(r, bytes);
  }
  WriteWholeFile(folder / "counts.bin", bytes);
  return folder;
}

struct Workspace {
  Workspace() {
    char pattern[] = "/tmp/movexa-bench-XXXXXX";
    root = ::mkdtemp(pattern);
    week = MakeAcquisition(root, "20240101_0000", 7LL * 24 * 60 * 60 / 25);
    month = MakeAcquisition(root, "20240201_0000", 30LL * 24 * 60 * 60 / 25);
    raw = MakeAcquisition(root, "20240301_0000", 22);
    std::string block(static_cast<size_t>(kDefaultRawBlockBytes), '\0');
    for (size_t i = 0; i + 1 < block.size(); i += 2) {
      const size_t sample = i / 2 / kChannelSlots;
      const int16_t v = static_cast<int16_t>(sample % 37 < 4 ? 1500 : 2000 + sample % 23);
      block[i] = static_cast<char>(v & 0xFF);
      block[i + 1] = static_cast<char>(v >> 8);
    }
    std::string file;
    for (int b = 0; b < kBlocksPerRawFile; ++b) file += block;
    WriteWholeFile(raw / "0.bin", file);
    WriteWholeFile(raw / "1.bin", file);
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  fs::path root, week, month, raw;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

ReportRequest Request(const fs::path& folder) {
  ReportRequest r;
  r.acquisitionFolder = folder;
  r.appFolder = Space().root;
  r.binText = "30";
  r.autoreport = true;
  return r;
}

template <class Work>
void Timed(benchmark::State& state, const std::string& name, Work work) {
  const auto start = std::chrono::steady_clock::now();
  int64_t runs = 0;
  for (auto _ : state) {
    work();
    ++runs;
  }
  secondsPerRun[name] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

void Report(benchmark::State& state, const fs::path& folder, const std::string& name) {
  Timed(state, name, [&] {
    FakeHost fake;
    ReportOutcome out = GenerateReport(Request(folder), fake.host);
    if (out.status != ReportStatus::kWritten) state.SkipWithError(out.message.c_str());
  });
}

void ReadCounts(benchmark::State& state, const fs::path& folder, const std::string& name) {
  Timed(state, name, [&] {
    auto bytes = ReadWholeFile(folder / "counts.bin", nullptr, kCountsFileMaxBytes);
    benchmark::DoNotOptimize(LoadAllCounts(*bytes).size());
  });
}

void BM_Report7Days(benchmark::State& s) { Report(s, Space().week, "report 7 days"); }
void BM_ReadCounts7Days(benchmark::State& s) { ReadCounts(s, Space().week, "read 7 days"); }
void BM_Report30Days(benchmark::State& s) { Report(s, Space().month, "report 30 days"); }
void BM_ReadCounts30Days(benchmark::State& s) { ReadCounts(s, Space().month, "read 30 days"); }

void Reanalysis(benchmark::State& state, int threads, const std::string& name) {
  ReportRequest r = Request(Space().raw);
  r.dataLapseText = "533";
  Timed(state, name, [&] {
    FakeHost fake;
    bool stop = false;
    ReanalysisOutcome out = RunRawReanalysis(r, stop, fake.host, threads);
    if (out.report.status != ReportStatus::kWritten) state.SkipWithError(out.report.message.c_str());
  });
  state.SetBytesProcessed(state.iterations() * kRawBytes);
}

// On one thread (as before the detection was shared out) and on every core.
void BM_Reanalysis1Thread(benchmark::State& s) { Reanalysis(s, 1, "reanalysis, 1 thread"); }
void BM_Reanalysis(benchmark::State& s) { Reanalysis(s, 0, "reanalysis"); }

void BM_ReadRaw(benchmark::State& state) {
  Timed(state, "read raw", [&] {
    for (const char* name : {"0.bin", "1.bin"})
      benchmark::DoNotOptimize(ReadWholeFile(Space().raw / name, nullptr, INT64_MAX)->size());
  });
  state.SetBytesProcessed(state.iterations() * kRawBytes);
}

// The detection alone over the same blocks held in memory, for the 192 channels the plate
// uses: what re-analysis cannot go below.
void BM_DetectionOnly(benchmark::State& state) {
  auto bytes = ReadWholeFile(Space().raw / "0.bin", nullptr, INT64_MAX);
  std::vector<int16_t> block(static_cast<size_t>(kDefaultRawBlockBytes / 2));
  auto scratch = std::make_unique<AnalysisScratch>();
  Timed(state, "detection only", [&] {
    for (int b = 0; b < 22; ++b) {
      std::memcpy(block.data(), bytes->data() + (b % kBlocksPerRawFile) * kDefaultRawBlockBytes,
                  static_cast<size_t>(kDefaultRawBlockBytes));
      for (int c = 0; c < kChannelCount; c += 2) {
        benchmark::DoNotOptimize(AnalyzeBin({block.data(), kDefaultRawBlockSamples}, c, 1.8, 1, false, {}, 0, *scratch));
      }
    }
  });
  state.SetBytesProcessed(state.iterations() * kRawBytes);
}

BENCHMARK(BM_ReadCounts7Days)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Report7Days)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCounts30Days)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Report30Days)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectionOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reanalysis1Thread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reanalysis)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatio(const char* what, const std::string& figure, const std::string& baseline) {
  if (!secondsPerRun.count(figure) || !secondsPerRun.count(baseline)) return;
  const double f = secondsPerRun[figure], b = secondsPerRun[baseline];
  std::printf("%-34s %9.1f ms  = %6.1f x %s (%.1f ms)\n", what, f * 1e3, f / b, baseline.c_str(), b * 1e3);
}

}  // namespace
}  // namespace movexa

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  using movexa::PrintRatio;
  std::printf("\n");
  PrintRatio("report, 7 days, bin 30", "report 7 days", "read 7 days");
  PrintRatio("report, 30 days, bin 30", "report 30 days", "read 30 days");
  PrintRatio("raw re-analysis, 1 thread", "reanalysis, 1 thread", "read raw");
  PrintRatio("raw re-analysis, every core", "reanalysis", "read raw");
  PrintRatio("raw re-analysis, every core", "reanalysis", "reanalysis, 1 thread");
  PrintRatio("raw re-analysis (22 blocks, 8.5 MB)", "reanalysis", "detection only");
  if (movexa::secondsPerRun.count("reanalysis")) {
    std::printf("raw re-analysis throughput: %.1f MB/s (reading alone: %.1f MB/s)\n",
                movexa::kRawBytes / 1e6 / movexa::secondsPerRun["reanalysis"],
                movexa::kRawBytes / 1e6 / movexa::secondsPerRun["read raw"]);
  }
  return 0;
}
