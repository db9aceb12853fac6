// LiveDisplayFeed: the sampling loop's refresh points delivered to a LiveDisplay. Kept apart
// from live_display.h so that a window can include the display without the observer's
// instrument headers.
#pragma once

#include <cstdint>
#include <string_view>

#include "acquisition/live_display.h"
#include "acquisition/live_display_observer.h"

namespace movexa {

// Forwards the refresh points of the live display to a LiveDisplay. The main
// window's observer can derive from it, call the base and then refresh its labels (lblcanal,
// txtzoom, lbl_temperature); the other window steps keep their no-op defaults.
class LiveDisplayFeed : public LiveDisplayObserver {
 public:
  explicit LiveDisplayFeed(LiveDisplay& display) : display_(display) {}
  void PrepareLiveDisplay() override { display_.PrepareLiveDisplay(); }
  void PrepareRealTimePlot(int right) override { display_.PrepareRealTimePlot(right); }
  void DrawTraceStep() override { display_.DrawTraceStep(); }
  void RedrawTrace() override { display_.RedrawTrace(); }
  void RedrawActivity() override { display_.RedrawActivity(); }
  void ShowTemperature(std::string_view text, int64_t samplesTaken) override {
    display_.ShowTemperature(text, samplesTaken);
  }
  void DrawRunProgress(int32_t elapsedMinutes, int aqLapse) override {
    display_.DrawRunProgress(elapsedMinutes, aqLapse);
  }
  LiveDisplay& display() { return display_; }

 private:
  LiveDisplay& display_;
};

}  // namespace movexa
