// The analysis window's job thread: read the run when needed, compute the plot, report.
#include "analysis/plot_session.h"

#include <algorithm>

#include "base/worker_pool.h"

namespace movexa {

namespace {

bool SameLight(const std::optional<LightRegime>& a, const std::optional<LightRegime>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return a->kind == b->kind && a->onMinute == b->onMinute && a->offMinute == b->offMinute;
}

}  // namespace

PlotSession::~PlotSession() {
  Stop();
  Wait();
}

void PlotSession::Start(PlotJob job) {
  Stop();
  Wait();
  std::shared_ptr<const ActivityTable> loaded;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    outcome_.reset();
    if (table_ && tableFolders_ == job.acquisitions && SameLight(tableLight_, job.light))
      loaded = table_;
    progress_ = {true, loaded ? "computing" : "reading the run", 0, 0};
  }
  stop_ = false;
  running_ = true;
  thread_ =
      std::thread([this, job = std::move(job), loaded]() mutable { Run(std::move(job), loaded); });
}

void PlotSession::Stop() {
  if (running_) stop_ = true;
}

bool PlotSession::Running() const {
  return running_;
}

PlotProgress PlotSession::Progress() const {
  std::lock_guard<std::mutex> lock(mutex_);
  PlotProgress p = progress_;
  p.running = running_;
  return p;
}

std::optional<PlotOutcome> PlotSession::TakeOutcome() {
  if (running_) return std::nullopt;
  std::lock_guard<std::mutex> lock(mutex_);
  std::optional<PlotOutcome> out = std::move(outcome_);
  outcome_.reset();
  return out;
}

void PlotSession::Wait() {
  if (thread_.joinable()) thread_.join();
}

std::shared_ptr<const ActivityTable> PlotSession::table() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return table_;
}

void PlotSession::SetStep(const std::string& step, size_t done, size_t total) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.step = step;
  progress_.done = done;
  progress_.total = total;
}

void PlotSession::Run(PlotJob job, std::shared_ptr<const ActivityTable> loaded) {
  PlotOutcome outcome;
  auto stopRequested = [this] { return stop_.load(); };
  if (!loaded) {
    ActivityLoadOptions options;
    options.appFolder = job.appFolder;
    options.light = job.light;
    options.progress = [this](const std::string& text) { SetStep(text, 0, 0); };
    options.stopRequested = stopRequested;
    ActivityLoad load = LoadActivityTable(job.acquisitions, options);
    if (load.ok) {
      loaded = std::make_shared<const ActivityTable>(std::move(load.table));
      std::lock_guard<std::mutex> lock(mutex_);
      table_ = loaded;
      tableFolders_ = job.acquisitions;
      tableLight_ = job.light;
    } else {
      outcome.stopped = stop_;
      outcome.error = load.error;
    }
  }
  if (loaded && !stop_) {
    PlotRequest request = job.request;
    if (job.firstGroupsWhenNoneNamed && !request.byWell && request.names.empty()) {
      const size_t most = std::min(MostSeries(request.kind), loaded->groups.size());
      for (size_t g = 0; g < most; ++g) request.names.push_back(loaded->groups[g].label);
    }
    SetStep("computing", 0, 0);
    WorkerPool pool;
    PlotControl control;
    control.progress = [this](const std::string& step, size_t done, size_t total) {
      SetStep(step, done, total);
    };
    control.stopRequested = stopRequested;
    outcome.data = ComputePlot(*loaded, request, pool, control);
    outcome.stopped = outcome.data.stopped;
    outcome.table = loaded;
  } else if (loaded) {
    outcome.stopped = true;
    outcome.table = loaded;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    outcome_ = std::move(outcome);
    progress_.step = outcome_->stopped ? "stopped" : "done";
  }
  running_ = false;
}

}  // namespace movexa
