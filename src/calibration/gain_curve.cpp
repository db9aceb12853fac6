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

std::string SettingText(int power, int gain) {
  return "Gain=" + std::to_string(gain) + ";Pinhole=" + std::to_string(power);
}

}  // namespace

CurveBlock FormatCurveBlock(int power, int gain, const CurveReadings& readings) {
  CurveBlock out;
  out.bk = "p=" + std::to_string(power) + ",g=" + std::to_string(gain) + std::string(kEol);
  for (int j = 0; j < kCurveReadings; ++j) {
    out.bk += "[" + std::to_string(j) + "]";
    for (int c = 0; c < kChannelCount; ++c) out.bk += " " + std::to_string(readings[j][c]);
    out.bk += kEol;
  }
  const std::string head = "[p" + std::to_string(power) + ",g" + std::to_string(gain) + "]";
  out.mean = head;
  out.desv = head;
  for (int c = 0; c < kChannelCount; ++c) {
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

GainCurveResult RunGainCurve(CalibrationWindow& window, const std::filesystem::path& appFolder) {
  DeviceLink& link = window.link();
  Host& host = link.host;
  GainCurveResult result;
  if (link.connection.offline) {
    host.dialogs.Warning(calibration_texts::kOfflineRefusal);
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
    host.dialogs.Critical(std::string(t::kCurveWriteErrorHead) + p.filename().string() + ": " +
                          error);
    return false;
  };

  const int64_t rejectedBefore = window.rejectedBlocks();
  CurveReadings readings{};
  for (int p = 0; p < kCurveSteps; ++p) {
    for (int g = 0; g < kCurveSteps; ++g) {
      if (ApplyTestSetting(link, g * 32 + p) < 0) ++result.settingFailures;
      host.status.SetStatus(kCurveSettingBox, SettingText(p, g));
      host.pacer.PumpEvents();
      if (window.cancelRequested()) {
        result.cancelled = true;
        host.status.SetStatus(kCalibrationStatus, {});
        return result;
      }
      for (int i = 0; i < kCurveDiscarded; ++i) window.TakeSample(nullptr, nullptr);
      std::string dots;
      for (int j = 0; j < kCurveReadings; ++j) {
        dots += ".";
        host.status.SetStatus(kCalibrationStatus, std::string(t::kReadingHead) + dots);
        const int before = window.currentRow();
        window.TakeSample(nullptr, nullptr);
        const int16_t* row = window.Row(before);
        std::copy(row, row + kChannelCount, readings[j].begin());
      }
      const CurveBlock block = FormatCurveBlock(p, g, readings);
      if (!append(bk, block.bk) || !append(mean, block.mean) || !append(desv, block.desv)) {
        host.status.SetStatus(kCalibrationStatus, {});
        return result;
      }
      ++result.pairs;
      result.rejectedBlocks = static_cast<int>(window.rejectedBlocks() - rejectedBefore);
    }
  }
  host.status.SetStatus(kCalibrationStatus, {});
  result.completed = true;
  return result;
}

}  // namespace movexa
