// The offline window's heavy steps next to plain baselines measured in the same run: listing
// an application folder of 200 projects and 5,000 acquisitions (collapsed, every project
// expanded, and a search); loading one page of five raw files next to a plain read of the same
// bytes; the group-activity series of a 30-day "counts.bin" (one record a minute) next to a
// plain read of the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "base/host_fakes.h"
#include "offline/acquisition_browser.h"
#include "offline/signal_view.h"
#include "project/plate_format.h"
#include "project/project_files.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

fs::path Root() {
  static fs::path root = [] {
    fs::path r = fs::temp_directory_path() / ("movexa_offline_bench_" + std::to_string(::getpid()));
    fs::create_directories(r);
    return r;
  }();
  return root;
}

// 200 projects of 25 acquisitions each, every one with its "counts.bin" and "subproj.dat".
fs::path AppFolder() {
  static fs::path app = [] {
    fs::path a = Root() / "app";
    for (int p = 1; p <= 200; ++p) {
      fs::path project = a / ("p" + std::string(5 - std::to_string(p).size(), '0') + std::to_string(p));
      fs::create_directories(project);
      ProjectSettings s;
      s.Name = "Project " + std::to_string(p);
      WriteWholeFile(project / "setup.dat", FormatSetup(s, p));
      for (int k = 0; k < 25; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "2024%02d%02d_%02d%02d", 1 + k % 12, 1 + k, k % 24, p % 60);
        fs::create_directories(project / name);
        WriteWholeFile(project / name / "counts.bin", std::string(774, '\0'));
        WriteWholeFile(project / name / "subproj.dat", FormatSubproject("run " + std::to_string(k), nullptr));
      }
    }
    return a;
  }();
  return app;
}

fs::path PageFolder() {
  static fs::path folder = [] {
    fs::path f = Root() / "page" / "p00001" / "20240319_1230";
    fs::create_directories(f);
    std::string block(static_cast<size_t>(kDefaultRawBlockBytes) * kBlocksPerRawFile, '\x07');
    for (int i = 0; i < 5; ++i) WriteWholeFile(f / (std::to_string(i) + ".bin"), block);
    return f;
  }();
  return folder;
}

fs::path CountsFile() {
  static fs::path file = [] {
    fs::path f = Root() / "counts30days.bin";
    std::string bytes;
    bytes.reserve(43200u * kCountsRecordBytes);
    CountsRecord r;
    for (int i = 0; i < 43200; ++i) {
      r.minutes = i % 1440;  // stored per day, unwrapped by the reader
      for (int c = 0; c < kChannelCount; ++c) r.values[static_cast<size_t>(c)] = static_cast<int16_t>((i + c) % 13);
      EncodeCountsRecord(r, bytes);
    }
    WriteWholeFile(f, bytes);
    return f;
  }();
  return file;
}

template <class Body>
void Time(benchmark::State& state, Body body) {
  for (auto _ : state) body();
}

void BM_ListCollapsed(benchmark::State& state) {
  FakeHost h;
  h.dialogs.Lenient();
  AcquisitionBrowser b(AppFolder());
  Time(state, [&] {
    b.Open(h.host);
    benchmark::DoNotOptimize(b.lines().size());
  });
}

void BM_ListExpanded(benchmark::State& state) {
  FakeHost h;
  h.dialogs.Lenient();
  AcquisitionBrowser b(AppFolder());
  b.Open(h.host);
  std::vector<std::string> ids;
  for (auto& l : b.lines()) ids.push_back(l.projectId);
  for (auto& id : ids) b.SetExpanded(id, true, h.host);
  Time(state, [&] {
    b.Build(h.host);
    benchmark::DoNotOptimize(b.lines().size());
  });
  state.counters["lines"] = static_cast<double>(b.lines().size());
}

void BM_Search(benchmark::State& state) {
  FakeHost h;
  h.dialogs.Lenient();
  AcquisitionBrowser b(AppFolder());
  b.Open(h.host);
  Time(state, [&] {
    b.Search("\"project 1\" \"run 2\"", h.host);
    benchmark::DoNotOptimize(b.lines().size());
  });
}

void BM_LoadPage(benchmark::State& state) {
  SignalView view;
  view.folder = PageFolder();
  view.rawFileCount = 5;
  view.rawBlockCount = CountRawBlocks(view.folder);
  view.pageCount = 1;
  for (auto _ : state) {
    LoadPage(view, 1);
    benchmark::DoNotOptimize(view.blocks.data());
  }
}

void BM_ReadPageBytes(benchmark::State& state) {
  std::vector<char> buffer(static_cast<size_t>(kDefaultRawBlockBytes) * kBlocksPerRawFile);
  for (auto _ : state) {
    for (int i = 0; i < 5; ++i) {
      std::FILE* f = std::fopen((PageFolder() / (std::to_string(i) + ".bin")).c_str(), "rb");
      size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
      std::fclose(f);
      benchmark::DoNotOptimize(n);
    }
  }
}

void BM_GroupActivity30Days(benchmark::State& state) {
  PlateGeometry g;
  WellMap map;
  InstallBuiltInPlateFormat("w96f", g, map);
  ProjectSettings s;
  for (auto _ : state) {
    auto bytes = ReadWholeFile(CountsFile(), nullptr, kCountsFileMaxBytes);
    if (!bytes) return state.SkipWithError("counts.bin cannot be read");
    GroupActivityTrace a = GroupActivitySeries(*bytes, s, map, 1);
    benchmark::DoNotOptimize(a.groupValues.data());
  }
}

void BM_ReadCounts30Days(benchmark::State& state) {
  for (auto _ : state) {
    auto bytes = ReadWholeFile(CountsFile(), nullptr, kCountsFileMaxBytes);
    if (!bytes) return state.SkipWithError("counts.bin cannot be read");
    benchmark::DoNotOptimize(bytes->data());
  }
}

}  // namespace
}  // namespace movexa

BENCHMARK(movexa::BM_ListCollapsed)->Unit(benchmark::kMillisecond);
BENCHMARK(movexa::BM_ListExpanded)->Unit(benchmark::kMillisecond);
BENCHMARK(movexa::BM_Search)->Unit(benchmark::kMillisecond);
BENCHMARK(movexa::BM_ReadPageBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(movexa::BM_LoadPage)->Unit(benchmark::kMillisecond);
BENCHMARK(movexa::BM_ReadCounts30Days)->Unit(benchmark::kMillisecond);
BENCHMARK(movexa::BM_GroupActivity30Days)->Unit(benchmark::kMillisecond);

// Prints each benchmark's time and the two ratios to their plain reads.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) seconds_[r.benchmark_name()] = r.GetAdjustedRealTime() / 1e3;
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto ratio = [&](const char* what, const char* a, const char* b) {
      if (seconds_.count(a) && seconds_.count(b) && seconds_[b] > 0)
        std::printf("%-42s %8.1f ms vs %8.1f ms  ratio %.2f\n", what, seconds_[a] * 1e3,
                    seconds_[b] * 1e3, seconds_[a] / seconds_[b]);
    };
    std::printf("\n");
    ratio("page load (5 raw files, 21 MB) / plain read", "movexa::BM_LoadPage",
          "movexa::BM_ReadPageBytes");
    ratio("group activity 30 days / plain read", "movexa::BM_GroupActivity30Days",
          "movexa::BM_ReadCounts30Days");
    for (const char* list : {"movexa::BM_ListCollapsed", "movexa::BM_ListExpanded", "movexa::BM_Search"})
      if (seconds_.count(list)) std::printf("%-42s %8.1f ms\n", list, seconds_[list] * 1e3);
  }

 private:
  std::map<std::string, double> seconds_;
};

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(movexa::Root(), ec);
  return 0;
}
