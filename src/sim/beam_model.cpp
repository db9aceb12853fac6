// Beam levels, noise, organisms, ground truth and temperature of the simulated instrument.
#include "sim/beam_model.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "base/text_records.h"

namespace movexa::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kUsPerMinute = 60'000'000;
// Temperature: hourly drift, and a first-order response (10 minutes) to the outputs byte that
// settles 5 degrees above or below ambient while temperature control is on.
constexpr double kDriftPeriodUs = 3600e6;
constexpr double kHeatTimeConstantUs = 600e6;
constexpr double kHeatSwingC = 5.0;

}  // namespace

uint64_t SimRandom::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double SimRandom::Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

double SimRandom::Exponential(double mean) { return -mean * std::log(1.0 - Uniform()); }

double SimRandom::Gaussian() {
  double u1 = 1.0 - Uniform();
  double u2 = Uniform();
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

int ChannelPosition(int channel) {
  if (channel < 0 || channel >= kChannelCount || channel % 2 != 0) return -1;
  return 3 * ((channel % 128) / 2) + channel / 128;
}

BeamModel::BeamModel(const SimConfig& config, int64_t originUs)
    : config_(config),
      originUs_(originUs),
      nowUs_(originUs),
      noise_(config.seed * 0x2545F4914F6CDD1DULL + 7),
      temperatureC_(config.temperatureC) {
  // Per-beam spread: the level at the lowest ladder step (power 1, gain 0) lies between 480 and
  // 870 counts, and each step raises it by 3.5 to 4.5 %, so every beam has a setting inside
  // 80..90 % of full scale and one step never jumps across that window.
  SimRandom spread(config.seed);
  for (int p = 0; p < kSignalPositions; ++p) {
    base_[static_cast<size_t>(p)] = 480.0 + 390.0 * spread.Uniform();
    step_[static_cast<size_t>(p)] = 0.035 + 0.01 * spread.Uniform();
  }
  factor_.fill(1.0);
  for (const auto& [channel, factor] : config.beamFactors) SetBeamFactor(channel, factor);
  uint64_t index = 0;
  for (const auto& organism : config.organisms) {
    std::vector<std::vector<int>> groups;
    if (organism.kind == OrganismSpec::Kind::kWell) {
      groups.push_back(organism.channels);
    } else {
      for (int ch : organism.channels) groups.push_back({ch});
    }
    for (auto& g : groups) {
      Process p{std::move(g),
                organism.ratePerMinute > 0 ? kUsPerMinute / organism.ratePerMinute : -1.0,
                organism.depthPercent / 100.0,
                int64_t{organism.durationMs} * 1000,
                -1,
                SimRandom(config.seed ^ (0xA5A5A5A5ULL + 0x1000193ULL * ++index))};
      if (p.meanGapUs > 0) {
        p.nextStartUs = originUs + static_cast<int64_t>(p.random.Exponential(p.meanGapUs));
      }
      processes_.push_back(std::move(p));
    }
  }
}

void BeamModel::StartCrossing(Process& p) {
  const int64_t start = p.nextStartUs;
  size_t pick = p.channels.size() == 1
                    ? 0
                    : static_cast<size_t>(p.random.Uniform() * static_cast<double>(p.channels.size()));
  pick = std::min(pick, p.channels.size() - 1);
  const int channel = p.channels[pick];
  Dip& d = dips_[static_cast<size_t>(ChannelPosition(channel))];
  d.startUs = start;
  d.endUs = start + p.durationUs;
  d.depth = p.depth;
  truth_[(start - originUs_) / kUsPerMinute][static_cast<size_t>(channel)] += 1;
  // The next crossing starts at the earliest one dip length after this dip has ended, so two
  // crossings never merge into one dip.
  const int64_t gap = static_cast<int64_t>(p.random.Exponential(p.meanGapUs));
  p.nextStartUs = start + std::max(gap, 2 * p.durationUs);
}

void BeamModel::AdvanceTo(int64_t nowUs) {
  if (nowUs <= nowUs_) return;
  for (auto& p : processes_) {
    while (p.nextStartUs >= 0 && p.nextStartUs <= nowUs) StartCrossing(p);
  }
  const double dt = static_cast<double>(nowUs - nowUs_);
  double target = 0.0;
  if (outputs_ & 1) target = (outputs_ & 2) ? kHeatSwingC : -kHeatSwingC;
  heatOffsetC_ += (target - heatOffsetC_) * (1.0 - std::exp(-dt / kHeatTimeConstantUs));
  nowUs_ = nowUs;
  const double drift =
      config_.temperatureDriftC * std::sin(2.0 * kPi * static_cast<double>(nowUs_ - originUs_) /
                                           kDriftPeriodUs);
  temperatureC_ = config_.temperatureC + drift + heatOffsetC_;
}

double BeamModel::SettledLevel(int position, int setting) const {
  const int power = setting & 31;
  const int gain = (setting >> 5) & 7;
  if (power == 0) return kDarkLevel;
  const int ladder = (power - 1) * 8 + gain;
  const auto p = static_cast<size_t>(position);
  return std::min(4095.0, base_[p] * factor_[p] * std::pow(1.0 + step_[p], ladder));
}

void BeamModel::SetBeamFactor(int channel, double factor) {
  const int position = ChannelPosition(channel);
  if (position < 0 || !(factor >= 0)) return;
  factor_[static_cast<size_t>(position)] = factor;
}

int BeamModel::Sample(int position, int setting) {
  double level = SettledLevel(position, setting);
  const Dip& d = dips_[static_cast<size_t>(position)];
  if (nowUs_ >= d.startUs && nowUs_ < d.endUs) level *= 1.0 - d.depth;
  level *= 1.0 + config_.noisePercent / 100.0 * noise_.Gaussian();
  if (doorOpen_) level += kDoorLight;
  return static_cast<int>(std::clamp<int64_t>(RoundHalfEven(level), 0, 4095));
}

int BeamModel::ConvergedSetting(int position, double targetLevel) const {
  int best = 1;
  double bestError = 1e300;
  for (int power = 1; power <= 7; ++power) {
    for (int gain = 0; gain <= 7; ++gain) {
      const int setting = gain * 32 + power;
      const double error = std::fabs(SettledLevel(position, setting) - targetLevel);
      if (error < bestError) {
        bestError = error;
        best = setting;
      }
    }
  }
  return best;
}

int64_t BeamModel::CrossingsOn(int channel) const {
  int64_t n = 0;
  for (const auto& [minute, counts] : truth_) n += counts[static_cast<size_t>(channel)];
  return n;
}

std::string BeamModel::TruthText() const {
  RecordWriter w;
  w.Header("Crossings: <minute>, <channel>, <crossings>");
  for (const auto& [minute, counts] : truth_) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
      if (counts[static_cast<size_t>(ch)] != 0) {
        w.Int(minute).Int(ch).Int(counts[static_cast<size_t>(ch)]).EndLine();
      }
    }
  }
  return w.str();
}

}  // namespace movexa::sim
