// Cost of one live-display refresh of each view for 384 channels (a 384-well plate in 13
// groups, 500-sample bins): group view, bar plot, heat map, trace step (with the sample
// counter) and full trace redraw, drawn on the recording canvas and, when the windows are
// built, on a QImage through ui::PictureBox. The summary prints each figure as a share of the
// 10 ms sampling tick and as a ratio to a baseline measured in the same run (clearing the same
// picture once).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "acquisition/live_display.h"
#include "app/app_state.h"
#include "base/recording_canvas.h"
#include "project/plate_format.h"

#ifdef MOVEXA_BENCH_GUI
#include <QApplication>

#include "ui/common/picture_box.h"
#endif

namespace movexa {
namespace {

constexpr double kTickBudgetNs = 10e6;

// The run of a 384-well plate half-way through a bin: noisy levels with dips, envelopes, live
// totals of a few hundred events per channel.
struct Scene {
  Scene() {
    InstallBuiltInPlateFormat("w384", state.geometry, state.wellMap);
    state.project.RT_Buffer = 500;
    RunBuffers& b = state.run.buffers;
    b.Allocate(500);
    for (int s = 0; s < b.rtBuffer; ++s) {
      for (int c = 0; c < kChannelCount; ++c) {
        const int noise = ((s * 7919 + c * 104729) % 23) - 11;
        const bool dip = (s + c) % 37 < 4;
        b.Raw(c, s) = static_cast<int16_t>(2000 + noise - (dip ? 500 : 0));
        b.Filtered(c, s) = 1940;
      }
    }
    for (int c = 0; c < kChannelCount; ++c) {
      b.channels[c].totalCount = static_cast<int16_t>((c * 37) % 400);
    }
    state.run.counters.sampleIndex = 250;
  }
  AppState state;
};

Scene& SharedScene() {
  static Scene scene;
  return scene;
}

// The three pictures of the main window on one kind of canvas.
struct Pictures {
  virtual ~Pictures() = default;
  virtual Canvas& act() = 0;
  virtual Canvas& real() = 0;
  virtual Canvas& time() = 0;
  virtual void AfterRefresh() {}
};

struct RecordingPictures : Pictures {
  Canvas& act() override { return act_; }
  Canvas& real() override { return real_; }
  Canvas& time() override { return time_; }
  // The recording canvas keeps every call: forget them between refreshes.
  void AfterRefresh() override {
    act_.Reset();
    real_.Reset();
    time_.Reset();
  }
  RecordingCanvas act_{420, 320}, real_{640, 240}, time_{300, 16};
};

#ifdef MOVEXA_BENCH_GUI
struct ImagePictures : Pictures {
  ImagePictures() {
    act_.resize(420, 320);
    real_.resize(640, 240);
    time_.resize(300, 16);
  }
  Canvas& act() override { return act_; }
  Canvas& real() override { return real_; }
  Canvas& time() override { return time_; }
  ui::PictureBox act_, real_, time_;
};
#endif

std::unique_ptr<Pictures> MakePictures(int kind) {
#ifdef MOVEXA_BENCH_GUI
  if (kind == 1) return std::make_unique<ImagePictures>();
#endif
  (void)kind;
  return std::make_unique<RecordingPictures>();
}

enum Refresh { kBaseline, kGroupView, kBarPlot, kHeatMap, kTraceStep, kTraceRedraw };
const char* const kRefreshNames[] = {"baseline (clear)", "group view", "bar plot",
                                     "heat map",         "trace step", "full trace redraw"};

void BM_Refresh(benchmark::State& state) {
  const auto refresh = static_cast<Refresh>(state.range(0));
  Scene& scene = SharedScene();
  std::unique_ptr<Pictures> pictures = MakePictures(static_cast<int>(state.range(1)));
  LiveDisplay display(scene.state, pictures->act(), pictures->real(), pictures->time());
  display.LoadProject();
  display.PrepareRealTimePlot(scene.state.project.RT_Buffer + kTraceMargin);
  if (refresh == kGroupView) display.SelectGroup("001_Group1");
  if (refresh == kBarPlot) display.SelectBarPlot();
  if (refresh == kHeatMap) display.SelectHeatMap();
  pictures->AfterRefresh();
  int64_t n = 0;
  for (auto _ : state) {
    switch (refresh) {
      case kBaseline:
        pictures->act().Clear();
        break;
      case kGroupView:
      case kBarPlot:
      case kHeatMap:
        display.RedrawActivity();
        break;
      case kTraceStep:
        display.DrawTraceStep();
        display.ShowTemperature("25.0", ++n);
        break;
      case kTraceRedraw:
        display.RedrawTrace();
        break;
    }
    pictures->AfterRefresh();
  }
}

void Arguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"view", "image"});
  for (int image = 0; image <= 1; ++image) {
#ifndef MOVEXA_BENCH_GUI
    if (image == 1) continue;
#endif
    for (int view = kBaseline; view <= kTraceRedraw; ++view) b->Args({view, image});
  }
}
BENCHMARK(BM_Refresh)->Apply(Arguments)->Unit(benchmark::kMicrosecond);

// Console output plus the time per iteration of every run, for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
        nsPerIteration[r.benchmark_name()] = r.GetAdjustedRealTime() * NsPerUnit(r.time_unit);
        cpuNsPerIteration[r.benchmark_name()] = r.GetAdjustedCPUTime() * NsPerUnit(r.time_unit);
      }
    }
  }
  std::map<std::string, double> nsPerIteration;
  std::map<std::string, double> cpuNsPerIteration;

 private:
  static double NsPerUnit(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond:
        return 1e9;
      case benchmark::kMillisecond:
        return 1e6;
      case benchmark::kMicrosecond:
        return 1e3;
      default:
        return 1;
    }
  }
};

// Wall time is what the tick waits for; on a machine shared with other work it includes time
// spent waiting for a processor, so the processor time is printed beside it.
void PrintSummary(const std::map<std::string, double>& wall,
                  const std::map<std::string, double>& cpu) {
  std::printf(
      "\nLive display refresh, 384 channels: share of the 10 ms tick, and ratio to "
      "clearing the same picture once\n");
  std::printf("%-10s %-18s %10s %10s %11s %12s %12s\n", "canvas", "refresh", "wall us", "cpu us",
              "x baseline", "% tick wall", "% tick cpu");
  for (int image = 0; image <= 1; ++image) {
    const std::string suffix = "/image:" + std::to_string(image);
    auto at = [&](const std::map<std::string, double>& ns, int view) {
      auto it = ns.find("BM_Refresh/view:" + std::to_string(view) + suffix);
      return it == ns.end() ? -1.0 : it->second;
    };
    const double base = at(cpu, kBaseline);
    if (base < 0) continue;
    const char* canvas = image ? "QImage" : "recording";
    for (int view = kGroupView; view <= kTraceRedraw; ++view) {
      const double w = at(wall, view), c = at(cpu, view);
      if (c < 0) continue;
      std::printf("%-10s %-18s %10.1f %10.1f %11.1f %11.2f%% %11.2f%%\n", canvas,
                  kRefreshNames[view], w / 1e3, c / 1e3, base > 0 ? c / base : 0.0,
                  100.0 * w / kTickBudgetNs, 100.0 * c / kTickBudgetNs);
    }
    std::printf("%-10s %-18s %10.1f %10.1f\n", canvas, kRefreshNames[0], at(wall, kBaseline) / 1e3,
                base / 1e3);
  }
}

}  // namespace
}  // namespace movexa

int main(int argc, char** argv) {
#ifdef MOVEXA_BENCH_GUI
  // The pictures are widgets that are never shown: no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  movexa::SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  movexa::PrintSummary(reporter.nsPerIteration, reporter.cpuNsPerIteration);
  benchmark::Shutdown();
  return 0;
}
