// The auto-gain procedure of the calibration window and its block reader.
#include "calibration/auto_gain.h"

#include <algorithm>

#include "base/rounding.h"
#include "calibration/calibration_table.h"
#include "calibration/maintenance_texts.h"

namespace movexa {

namespace t = maintenance_texts;

namespace {

constexpr int kReaderOffsets[] = {0, 16, 32, 48};
constexpr int kReaderSignals = 96;
constexpr int kReaderAttempts = 3;
constexpr int kReaderRetryPauseMs = 200;
constexpr int kMeasurePauseMs = 100;
constexpr double kCountsPerPercent = 20.48;
constexpr int kStartPower = 3;
constexpr int kTopGain = 7;

class Procedure {
 public:
  Procedure(CalibrationWindow& w, LevelWindow limits) : w_(w), link_(w.link()), limits_(limits) {}

  AutoGainResult Run() {
    result_.ran = true;
    Status(t::kStarting);
    for (int c = 0; c < kChannelCount; c += 2) {
      result_.power[c] = kStartPower;
      result_.gain[c] = kTopGain;
      Write(c);
    }
    for (int c = 0; c < kChannelCount && ok_; c += 2) {
      link_.host.pacer.PumpEvents();
      if (w_.cancelRequested()) {
        result_.cancelled = true;
        break;
      }
      Status(std::string(t::kCalibratingChannelHead) + std::to_string(c));
      Channel(c);
    }
    result_.completed = ok_ && !result_.cancelled;
    Status({});
    for (int c = 0; c < kChannelCount; ++c) {
      if (failed_[c]) result_.unset.push_back(c);
    }
    if (!result_.unset.empty()) {
      std::string list;
      for (int c : result_.unset) list += (list.empty() ? "" : ", ") + std::to_string(c);
      link_.host.dialogs.Problem(std::string(t::kAutoGainUnsetHead) + list);
    }
    return result_;
  }

 private:
  void Status(std::string_view text) { link_.host.status.SetStatus(kCalibrationStatus, text); }

  void Write(int c) {
    const int value = EncodeCalibrationRegister(result_.power[c], result_.gain[c]);
    failed_[c] = WriteRegisterVerified(link_, ChannelRegister(c), value) != 1;
  }

  // Pause, then the block reader; false (and the procedure ends) when the reader failed.
  bool Measure(int c) {
    if (!ok_) return false;
    link_.host.pacer.PauseMs(kMeasurePauseMs);
    if (ReadWindowBlocks(link_, AutoGainBlockBase(c), w_.MutableRow(0)) != 0) {
      ok_ = false;
      result_.readerFailed = true;
    }
    return ok_;
  }
  int Level(int c) const { return w_.Row(0)[c]; }
  bool Set(int c, int power, int gain) {
    result_.power[c] = static_cast<int16_t>(power);
    result_.gain[c] = static_cast<int16_t>(gain);
    Write(c);
    return Measure(c);
  }

  void Channel(int c) {
    int16_t& power = result_.power[c];
    int16_t& gain = result_.gain[c];
    const int low = limits_.low, high = limits_.high;
    if (!Measure(c)) return;
    // Raise the power while the beam is too dim.
    while (Level(c) < low && power <= 6) {
      if (!Set(c, power + 1, kTopGain)) return;
    }
    // Lower: through gain 0 of each power, then down the gains of the power that fits.
    if (Level(c) > high) {
      if (!Set(c, power, 0)) return;
      for (;;) {
        if (Level(c) <= high || power <= 2) {
          if (!Set(c, power, kTopGain)) return;
          while (Level(c) > high && gain >= 1) {
            if (!Set(c, power, gain - 1)) return;
          }
          break;
        }
        if (!Set(c, power - 1, kTopGain)) return;
        if (Level(c) > high && !Set(c, power, 0)) return;
      }
    }
    // Second chance at power 2 for a beam left below the window at power 3, gain 0.
    if (Level(c) < low && gain == 0 && power == kStartPower) {
      const int remembered = Level(c);
      if (!Set(c, 2, kTopGain)) return;
      while (Level(c) > high && gain >= 1) {
        if (!Set(c, power, gain - 1)) return;
      }
      if (Level(c) < remembered) Set(c, kStartPower, 0);
    }
  }

  CalibrationWindow& w_;
  DeviceLink& link_;
  LevelWindow limits_;
  AutoGainResult result_;
  std::array<bool, kChannelSlots> failed_{};
  bool ok_ = true;
};

}  // namespace

LevelWindow AutoGainWindow(double targetPercent) {
  return {static_cast<int>(RoundHalfEven((targetPercent - 5) * kCountsPerPercent)),
          static_cast<int>(RoundHalfEven((targetPercent + 5) * kCountsPerPercent))};
}

int AutoGainBlockBase(int channel) {
  const int triple = (channel % 128) / 2;
  return 16 * (triple / 16);
}

int ReadWindowBlocks(DeviceLink& link, int wantedBase, int16_t* levels) {
  for (int offset : kReaderOffsets) {
    int status = -1;
    for (int attempt = 0; attempt < kReaderAttempts && status != 0; ++attempt) {
      status = DeviceReadBlock(link, kCodeBlock, offset, kModeCommand);
      if (status != 0) link.host.pacer.PauseMs(kReaderRetryPauseMs);
    }
    if (status != 0) {
      link.host.dialogs.Problem(std::string(t::kBlockReaderErrorHead) + std::to_string(offset) +
                                std::string(t::kBlockReaderErrorTail));
      return -1;
    }
    if (offset != wantedBase) continue;
    for (int k = 0; k < kReaderSignals; ++k) {
      const int position = BlockSignalPosition(offset, k);
      if (position >= kSignalPositions) break;  // past the last triple of the stream
      const int c = SignalPositionChannel(position);
      levels[c] = static_cast<int16_t>(std::clamp<int32_t>(link.signals[static_cast<size_t>(k)], 0, 32767));
    }
  }
  return 0;
}

AutoGainResult RunAutoGain(CalibrationWindow& window, double targetPercent, std::string_view mode) {
  window.GoOffline();
  window.ClearCancel();
  if (mode != t::kMaxGain) {
    window.link().host.status.SetStatus(kCalibrationStatus, {});
    return {};
  }
  return Procedure(window, AutoGainWindow(targetPercent)).Run();
}

}  // namespace movexa
