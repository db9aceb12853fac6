// The gain-curve test of the calibration window.
#include "calibration/gain_curve.h"

#include <cmath>
#include <system_error>

#include "base/file_io.h"
#include "base/number_format.h"
#include "calibration/auto_gain.h"
#include "calibration/calibration_texts.h"
#include "calibration/maintenance_texts.h"

namespace movexa {

namespace t = maintenance_texts;

namespace {

constexpr std::string_view kEol = "\r\n";
// The value of a channel without a beam: no reading, and never a level a beam could have.
constexpr std::string_view kNoBeam = " -1";

std::string SettingText(int power, int gain) {
  return "Gain=" + std::to_string(gain) + ";Pinhole=" + std::to_string(power);
}

}  // namespace

CurveBlock FormatCurveBlock(int power, int gain, const CurveReadings& readings) {
  CurveBlock out;
  out.bk = "p=" + std::to_string(power) + ",g=" + std::to_string(gain) + std::string(kEol);
  for (int j = 0; j < kCurveReadings; ++j) {
    out.bk += "[" + std::to_string(j) + "]";
    for (int c = 0; c < kChannelCount; ++c) {
      out.bk += ChannelHasBeam(c) ? " " + std::to_string(readings[j][c]) : std::string(kNoBeam);
    }
    out.bk += kEol;
  }
  const std::string head = "[p" + std::to_string(power) + ",g" + std::to_string(gain) + "]";
  out.mean = head;
  out.desv = head;
  for (int c = 0; c < kChannelCount; ++c) {
    if (!ChannelHasBeam(c)) {
      out.mean += kNoBeam;
      out.desv += kNoBeam;
      continue;
    }
    double sum = 0;
    for (const auto& r : readings) sum += r[c];
    const double mean = sum / kCurveReadings;
    double deviation = 0;
    for (const auto& r : readings) deviation += std::fabs(r[c] - mean);
    deviation /= kCurveReadings;
    out.mean += " " + FormatNumber(mean, "0");
    out.desv += " " + FormatNumber(deviation, "0");
  }
  out.mean += kEol;
  out.desv += kEol;
  return out;
}

GainCurveResult RunGainCurve(CalibrationWindow& window, const std::filesystem::path& appFolder,
                             const std::function<bool()>& stopRequested) {
  DeviceLink& link = window.link();
  Host& host = link.host;
  GainCurveResult result;
  if (link.connection.offline) {
    host.dialogs.Problem(calibration_texts::kOfflineRefusal);
    return result;
  }
  window.GoOffline();
  window.ClearCancel();
  const std::filesystem::path bk = appFolder / t::kBkFile;
  const std::filesystem::path mean = appFolder / t::kMeanFile;
  const std::filesystem::path desv = appFolder / t::kDesvFile;
  for (const auto& p : {bk, mean, desv}) {
    std::error_code ec;
    std::filesystem::remove(p, ec);
  }
  host.status.SetStatus(kCurveSettingBox, SettingText(0, 0));
  auto append = [&](const std::filesystem::path& p, const std::string& text) {
    std::string error;
    if (AppendToFile(p, text, &error)) return true;
    host.dialogs.Problem(
        std::string(t::kCurveWriteErrorHead) + p.filename().string() + ": " + error,
        Dialogs::Severity::kCritical);
    return false;
  };
  auto end = [&](GainCurveResult& r) {
    host.status.SetStatus(kCalibrationStatus, {});
    return r;
  };
  auto cancelled = [&] { return window.cancelRequested() || (stopRequested && stopRequested()); };
  // One sample; false (the operator told) when a block of it did not arrive whole.
  auto sample = [&](int p, int g) {
    const int64_t rejectedBefore = window.rejectedBlocks();
    window.TakeSample(nullptr, nullptr);
    if (window.rejectedBlocks() == rejectedBefore) return true;
    result.rejectedBlocks += static_cast<int>(window.rejectedBlocks() - rejectedBefore);
    host.dialogs.Problem(std::string(t::kCurveNoReadingHead) + SettingText(p, g) +
                         std::string(t::kCurveStoppedTail));
    return false;
  };

  CurveReadings readings{};
  for (int p = 0; p < kCurveSteps; ++p) {
    for (int g = 0; g < kCurveSteps; ++g) {
      const bool applied = ApplyTestSetting(link, g * 32 + p) >= 0;
      host.status.SetStatus(kCurveSettingBox, SettingText(p, g));
      host.pacer.PumpEvents();
      if (cancelled()) {
        result.cancelled = true;
        return end(result);
      }
      if (!applied) {
        ++result.settingFailures;
        result.instrumentLost = true;
        host.dialogs.Problem(std::string(t::kCurveNoSettingHead) + SettingText(p, g) +
                             std::string(t::kCurveStoppedTail));
        return end(result);
      }
      for (int i = 0; i < kCurveDiscarded; ++i) {
        if (!sample(p, g)) {
          result.instrumentLost = true;
          return end(result);
        }
        if (cancelled()) {
          result.cancelled = true;
          return end(result);
        }
      }
      std::string dots;
      for (int j = 0; j < kCurveReadings; ++j) {
        dots += ".";
        host.status.SetStatus(kCalibrationStatus, std::string(t::kReadingHead) + dots);
        const int before = window.currentRow();
        if (!sample(p, g)) {
          result.instrumentLost = true;
          return end(result);
        }
        const int16_t* row = window.Row(before);
        std::copy(row, row + kChannelCount, readings[j].begin());
        if (cancelled()) {
          result.cancelled = true;
          return end(result);
        }
      }
      const CurveBlock block = FormatCurveBlock(p, g, readings);
      if (!append(bk, block.bk) || !append(mean, block.mean) || !append(desv, block.desv)) {
        return end(result);
      }
      ++result.pairs;
    }
  }
  result.completed = true;
  return end(result);
}

}  // namespace movexa
