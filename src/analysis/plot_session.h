// PlotSession: the analysis window's computations, on a thread of their own so that the window
// never waits: a job reads the run (again only when the folders or the light schedule changed)
// and computes one plot; the window polls its progress, can ask it to stop, and takes the
// result when it is done. Toolkit-free, so the core tests drive it as the window does.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/activity_table.h"
#include "analysis/analysis_plots.h"

namespace movexa {

struct PlotJob {
  std::vector<std::filesystem::path> acquisitions;
  std::filesystem::path appFolder;
  std::optional<LightRegime> light;  // none: the acquisition's light hours
  PlotRequest request;
  // With no series named: the first groups up to the most a plot shows (a run with many
  // groups still draws, the rest left to choose).
  bool firstGroupsWhenNoneNamed = true;
};

struct PlotOutcome {
  bool stopped = false;
  std::string error;  // the run could not be read (empty when the plot has its own error)
  std::shared_ptr<const ActivityTable> table;  // the run the plot was computed from
  PlotData data;
};

struct PlotProgress {
  bool running = false;
  std::string step;  // "reading 20261207_0900: 40 %", "chi-square (all data) periodogram"
  size_t done = 0;
  size_t total = 0;  // 0 when the step has no count
};

class PlotSession {
 public:
  PlotSession() = default;
  ~PlotSession();  // stops a running job and waits for it
  PlotSession(const PlotSession&) = delete;
  PlotSession& operator=(const PlotSession&) = delete;

  // Starts the job; one still running is stopped first and its result dropped.
  void Start(PlotJob job);
  // Asks the running job to stop; it ends at its next check with a stopped outcome.
  void Stop();
  bool Running() const;
  PlotProgress Progress() const;
  // The outcome of the last job once it has ended (once; nullopt before and after).
  std::optional<PlotOutcome> TakeOutcome();
  // Waits until the running job has ended (tests and the end of the window).
  void Wait();
  // The run last read (shared with the outcomes), or null.
  std::shared_ptr<const ActivityTable> table() const;

 private:
  void Run(PlotJob job, std::shared_ptr<const ActivityTable> loaded);
  void SetStep(const std::string& step, size_t done, size_t total);

  mutable std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  PlotProgress progress_;
  std::optional<PlotOutcome> outcome_;
  std::shared_ptr<const ActivityTable> table_;
  // What the loaded table was read from: its folders and light schedule.
  std::vector<std::filesystem::path> tableFolders_;
  std::optional<LightRegime> tableLight_;
};

}  // namespace movexa
