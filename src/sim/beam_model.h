// The simulated instrument's physics: beam levels that follow each beam's power/gain setting
// along the calibration ladder, beam noise, organisms that cross beams and make dips, the true
// number of crossings per channel and minute, and the temperature with its response to the
// heating/cooling outputs. Deterministic for a given seed and sequence of times.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/constants.h"
#include "base/instrument_protocol.h"
#include "sim/sim_config.h"

namespace movexa::sim {

// A small deterministic generator (splitmix64), the same on every platform.
class SimRandom {
 public:
  explicit SimRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  double Uniform();                   // [0, 1)
  double Exponential(double mean);    // mean > 0
  double Gaussian();                  // mean 0, deviation 1

 private:
  uint64_t state_;
};

// Crossings per channel per minute since the simulator started: minute -> channel -> count.
using GroundTruth = std::map<int64_t, std::array<int32_t, kChannelCount>>;

class BeamModel {
 public:
  // Full-scale level of a beam and the dark level of a beam whose emitter is off.
  static constexpr int kFullScale = 2259;
  static constexpr int kDarkLevel = 12;

  BeamModel(const SimConfig& config, int64_t originUs);

  // Moves the organisms and the temperature forward to `nowUs` (never backwards).
  void AdvanceTo(int64_t nowUs);
  // Noise-free level of stream position `position` with setting byte `setting`
  // (gain x 32 + power) and no organism in the way.
  double SettledLevel(int position, int setting) const;
  // One sample of stream position `position` at the present time, 0..4095.
  int Sample(int position, int setting);
  // The ladder setting (power 1..7, gain 0..7) whose level comes closest to `targetLevel`.
  int ConvergedSetting(int position, double targetLevel) const;
  // Scales the lit level of the beam on even channel `channel` by `factor` > 0: below 1 a dirty
  // or blocked well whose beam may never reach the calibration window, above 1 a beam too
  // bright for its receiver. 1 for every beam at the start; other channels are ignored.
  // A factor of 0 is a dead beam (emitter or receiver broken: it reads 0 whatever its setting).
  void SetBeamFactor(int channel, double factor);
  // The instrument's door: while it is open, room light reaches every receiver and adds
  // kDoorLight counts to every beam's sample (the device test asks the operator to open and
  // close it to see the readings change).
  static constexpr int kDoorLight = 700;
  void SetDoorOpen(bool open) { doorOpen_ = open; }
  bool doorOpen() const { return doorOpen_; }

  // Present temperature in degrees Celsius; `outputs` is the outputs byte in force.
  double TemperatureC() const { return temperatureC_; }
  void SetOutputs(int outputs) { outputs_ = outputs; }

  const GroundTruth& truth() const { return truth_; }
  // Crossings recorded so far on `channel`.
  int64_t CrossingsOn(int channel) const;
  // Ground truth as text: a header line, then "minute,channel,crossings" for every non-zero count.
  std::string TruthText() const;

 private:
  struct Process {
    std::vector<int> channels;
    double meanGapUs;
    double depth;      // fraction 0..1
    int64_t durationUs;
    int64_t nextStartUs;
    SimRandom random;
  };
  struct Dip {
    int64_t startUs = -1;
    int64_t endUs = -1;
    double depth = 0;
  };
  void StartCrossing(Process& p);

  const SimConfig& config_;
  int64_t originUs_;
  int64_t nowUs_;
  std::array<double, kSignalPositions> base_{};
  std::array<double, kSignalPositions> step_{};
  std::array<double, kSignalPositions> factor_{};
  std::array<Dip, kSignalPositions> dips_{};
  std::vector<Process> processes_;
  SimRandom noise_;
  GroundTruth truth_;
  double temperatureC_;
  double heatOffsetC_ = 0.0;
  int outputs_ = 0;
  bool doorOpen_ = false;
};

// Stream position of even channel `channel`, or -1 for a channel without a beam.
int ChannelPosition(int channel);

}  // namespace movexa::sim
