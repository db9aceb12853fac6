// The device test: verdicts, grid drawing and the step machine of Timer_test.
#include "calibration/device_test.h"

#include <algorithm>

#include "base/date_time.h"
#include "base/file_io.h"
#include "base/rounding.h"
#include "calibration/calibration_procedures.h"
#include "calibration/calibration_table.h"
#include "calibration/maintenance_texts.h"
#include "device/connection.h"

namespace movexa {

namespace t = maintenance_texts;

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr int kBlockBytes = 96;
constexpr int kGridColumns = 24;
constexpr int kGridRows = 16;
constexpr int kCell = 100;
constexpr int kRegisterRows = 8;
constexpr int kVerdictPauseMs = 500;
constexpr Rgb kRed = colors::kRed;
constexpr Rgb kBlue = colors::kBlue;
constexpr int kAbortStep = 121;

bool IsOn(int level) { return level >= kDeviceTestOnLevel; }
bool IsOff(int level) { return level <= kDeviceTestOffLevel; }

std::string FailureEntry(int channel, int level) {
  return "CH" + std::to_string(channel) + "[" + std::to_string(LevelPercent(level)) + "%], ";
}

// The all-on or all-off verdict over every beam.
TestVerdict AllVerdict(const ChannelLevels& levels, bool on) {
  TestVerdict v;
  std::string failures;
  int beams = 0;
  for (int c = 0; c < kChannelCount; ++c) {
    if (!ChannelHasBeam(c)) continue;
    ++beams;
    if (on ? IsOn(levels[c]) : IsOff(levels[c])) {
      ++(on ? v.onPassed : v.offPassed);
    } else {
      failures += FailureEntry(c, levels[c]);
    }
  }
  const int passed = on ? v.onPassed : v.offPassed;
  v.pass = passed == beams;
  v.reportLines.emplace_back();
  if (v.pass) {
    v.status = on ? t::kAllOnPassStatus : t::kAllOffPassStatus;
    v.reportLines.emplace_back(on ? t::kAllOnPassLine : t::kAllOffPassLine);
    v.reportLines.push_back(std::string(on ? t::kAllOnCountHead : t::kAllOffCountHead) +
                            std::to_string(passed));
  } else {
    v.status = on ? t::kAllOnCheckStatus : t::kAllOffCheckStatus;
    v.reportLines.emplace_back(on ? t::kAllOnCheckLine : t::kAllOffCheckLine);
    v.reportLines.push_back(std::string(on ? t::kAllOnCountHead : t::kAllOffCountHead) +
                            std::to_string(passed));
    v.reportLines.push_back(std::string(on ? t::kAllOnFailHead : t::kAllOffFailHead) + failures);
  }
  return v;
}

// A column or row verdict: `lit` tells which beams should be on; every other beam should be off.
template <class Lit>
TestVerdict LineVerdict(const ChannelLevels& levels, const std::string& name, Lit lit) {
  TestVerdict v;
  std::string onFailures, offFailures;
  int onBeams = 0, offBeams = 0;
  for (int c = 0; c < kChannelCount; ++c) {
    if (!ChannelHasBeam(c)) continue;
    if (lit(c)) {
      ++onBeams;
      if (IsOn(levels[c])) {
        ++v.onPassed;
      } else {
        onFailures += FailureEntry(c, levels[c]);
      }
    } else {
      ++offBeams;
      if (IsOff(levels[c])) {
        ++v.offPassed;
      } else {
        offFailures += FailureEntry(c, levels[c]);
      }
    }
  }
  v.pass = v.onPassed == onBeams && v.offPassed == offBeams;
  if (v.pass) {
    v.status = name + ": PASS!";
    v.reportLines.push_back(v.status);
  } else {
    v.status = name + ": CHECK!";
    v.reportLines.push_back(name + ": NONPASS " + std::to_string(v.onPassed) +
                            "CH > 80% (NONOK:" + onFailures + "); " + std::to_string(v.offPassed) +
                            "CH < 20% (NONOK:" + offFailures + ")");
  }
  return v;
}

std::vector<int> RegisterRange(int first, int count) {
  std::vector<int> regs;
  for (int r = first; r < first + count; ++r) regs.push_back(r);
  return regs;
}
// Column c of registers: 8c .. 8c + 7.
std::vector<int> RegisterColumn(int c) { return RegisterRange(8 * c, kRegisterRows); }
// Register row k: k + 8j for j = 0 .. 23.
std::vector<int> RegisterRow(int k) {
  std::vector<int> regs;
  for (int j = 0; j < kGridColumns; ++j) regs.push_back(k + 8 * j);
  return regs;
}

}  // namespace

int LevelPercent(int level) {
  return static_cast<int>(Int(static_cast<double>(level) / kDeviceTestFullScale * 100.0));
}

TestVerdict AllOnVerdict(const ChannelLevels& levels) { return AllVerdict(levels, true); }
TestVerdict AllOffVerdict(const ChannelLevels& levels) { return AllVerdict(levels, false); }

TestVerdict ColumnVerdict(const ChannelLevels& levels, int column) {
  return LineVerdict(levels, "Col[" + std::to_string(column + 1) + "]",
                     [column](int c) { return ChannelRegister(c) / kRegisterRows == column; });
}

TestVerdict RowVerdict(const ChannelLevels& levels, int registerRow) {
  const char letter = static_cast<char>('A' + 2 * registerRow);
  return LineVerdict(levels, std::string("Row[") + letter + "]", [registerRow](int c) {
    return ChannelRegister(c) % kRegisterRows == registerRow;
  });
}

void DrawDeviceTestGrid(Canvas& canvas) {
  canvas.SetScale(-75, -75, 2400, 1600);
  for (int i = 0; i < kGridColumns; ++i) canvas.Text(kCell * i + 25, -75, std::to_string(i + 1), kRed);
  for (int j = 0; j < kGridRows / 2; ++j) {
    canvas.Text(-50, 2 * kCell * j, std::string(1, static_cast<char>('A' + j)), kRed);
  }
  for (int r = 0; r < kGridRows; ++r) {
    for (int c = 0; c < kGridColumns; ++c) {
      canvas.Box(kCell * c, kCell * r, kCell * c + kCell, kCell * r + kCell, kRed);
      canvas.Circle(kCell * c + 50, kCell * r + 50, 5, kBlue);
    }
  }
}

void DrawDeviceTestLevels(Canvas& canvas, const ChannelLevels& levels) {
  for (int r = 0; r < kGridRows; ++r) {
    for (int c = 0; c < kGridColumns; ++c) {
      const int level = levels[static_cast<size_t>(16 * c + r)];
      const auto v = static_cast<uint8_t>(std::clamp<int64_t>(RoundHalfEven(level / 8.0), 0, 255));
      canvas.FilledBox(kCell * c, kCell * r, kCell * c + kCell, kCell * r + kCell, Rgb{v, v, v});
    }
  }
  for (int r = 0; r < kGridRows; ++r) {
    for (int c = 0; c < kGridColumns; ++c) {
      canvas.Box(kCell * c, kCell * r, kCell * c + kCell, kCell * r + kCell, kRed);
      canvas.Circle(kCell * c + 50, kCell * r + 50, 5, kBlue);
    }
  }
}

void DeviceTest::Status(std::string_view text) {
  ctx_.link.host.status.SetStatus(t::kTestStatus, text);
}

void DeviceTest::Append(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += kEol;
  }
  std::string error;
  if (!AppendToFile(reportPath_, text, &error)) {
    ctx_.link.host.dialogs.Critical("Error writing " + reportPath_.filename().string() + " => " +
                                    error);
  }
}

void DeviceTest::Verdict(TestVerdict v) {
  Status(v.status);
  Append(v.reportLines);
  verdicts_.push_back(std::move(v));
}

bool DeviceTest::Start() {
  Host& host = ctx_.link.host;
  if (ctx_.acquisitionActive && ctx_.acquisitionActive()) {
    host.dialogs.Warning(t::kStopBeforeTesting);
    return false;
  }
  if (host.dialogs.Ask(t::kDeviceTestQuestion, Dialogs::Buttons::kOkCancel) != Dialogs::Answer::kOk) {
    running_ = false;
    step_ = 0;
    if (ctx_.restorePicture) ctx_.restorePicture();
    return false;
  }
  if (ctx_.picture) DrawDeviceTestGrid(*ctx_.picture);
  step_ = 0;
  running_ = true;
  comError_ = false;
  verdicts_.clear();
  host.status.SetStatus(t::kTestHint, t::kDoorHint);
  const int probed = ProbeInstrument(ctx_.link, ctx_.link.connection.port);
  serial_ = probed >= 0 ? probed : ctx_.link.connection.serialNumber;
  Status("SN" + std::to_string(serial_));
  reportPath_ = ctx_.appFolder / ("testdev" + std::to_string(serial_) + ".txt");
  const std::string first = "Serial:SN" + std::to_string(serial_) + " " +
                            FormatDateTime(host.clock.Now(), "yyyy-mm-dd_hh:mm") + std::string(kEol);
  std::string error;
  if (!WriteWholeFile(reportPath_, first, &error)) {
    host.dialogs.Critical("Error writing " + reportPath_.filename().string() + " => " + error);
  }
  return true;
}

bool DeviceTest::Write(int reg, int power, int gain) {
  // Only the beam registers are the test's to set; the next registers are the instrument's own.
  if (reg < 0 || reg >= kBeamRegisters) return true;
  return WriteRegisterVerified(ctx_.link, reg, EncodeCalibrationRegister(power, gain)) == 1;
}

bool DeviceTest::WriteRegisters(const std::vector<int>& regs, int power, int gain) {
  for (int r : regs) {
    if (!Write(r, power, gain)) return false;
  }
  return true;
}

void DeviceTest::Stop() { running_ = false; }

void DeviceTest::Finish() {
  running_ = false;
  if (ctx_.restoreCaption) ctx_.restoreCaption();
  ctx_.link.host.status.SetStatus(t::kTestHint, {});
  if (ctx_.restorePicture) ctx_.restorePicture();
}

bool DeviceTest::Tick() {
  if (!running_) return false;
  Host& host = ctx_.link.host;
  ReadAllChannelsInto(ctx_.link, levels_.data(), kBlockBytes);
  host.pacer.PauseMs(kDeviceTestTickMs);
  const ChannelReading second = ReadAllChannelsInto(ctx_.link, levels_.data(), kBlockBytes);
  // A block of the second pass that did not arrive whole would leave its beams judged on stale
  // levels: the verdicts stop here rather than pass or fail beams that were not read.
  if (!second.Complete()) {
    comError_ = true;
    host.dialogs.Warning(t::kComError);
    Stop();
    return false;
  }
  if (ctx_.picture) DrawDeviceTestLevels(*ctx_.picture, levels_);
  if (ctx_.progress) ctx_.progress->FilledBox(0, 0, step_ * 0.83, 100, kBlue);

  if (!Action()) {
    // A failed write (the write routine has shown its message) ends the test.
    running_ = false;
    step_ = kAbortStep;
  }
  if (!running_ && step_ != kAbortStep) return false;  // No at step 3
  ++step_;
  if (step_ > kDeviceTestLastStep) {
    Finish();
    return false;
  }
  return true;
}

bool DeviceTest::Action() {
  Host& host = ctx_.link.host;
  const int s = step_;
  if (s == 1) {
    host.dialogs.Message(t::kTurningOn);
    return WriteRegisters(RegisterRange(0, 4), 7, 7);
  }
  if (s == 2) {
    host.dialogs.Message(t::kTurningOff);
    return WriteRegisters(RegisterRange(0, 4), 0, 0);
  }
  if (s == 3) {
    if (host.dialogs.Ask(t::kOkToProceed, Dialogs::Buttons::kYesNo) == Dialogs::Answer::kNo) Stop();
    return true;
  }
  if (s >= 4 && s <= 19) {
    Status(t::kOnAll);
    return WriteRegisters(RegisterRow(s - 4), 7, 7);
  }
  if (s == 20) {
    Verdict(AllOnVerdict(levels_));
    host.pacer.PauseMs(kVerdictPauseMs);
    return true;
  }
  if (s >= 21 && s <= 36) {
    Status(t::kOffAll);
    return WriteRegisters(RegisterRow(s - 21), 0, 0);
  }
  if (s == 37) {
    Verdict(AllOffVerdict(levels_));
    host.pacer.PauseMs(kVerdictPauseMs);
    return true;
  }
  if (s == 38) {
    Status(t::kOneColumn);
    Append({"", std::string(t::kColumnsHeading)});
    return WriteRegisters(RegisterColumn(0), 7, 7);
  }
  if (s >= 39 && s <= 61) {
    Status(t::kOneColumn);
    Verdict(ColumnVerdict(levels_, s - 39));
    return WriteRegisters(RegisterColumn(s - 39), 0, 0) && WriteRegisters(RegisterColumn(s - 38), 7, 7);
  }
  if (s == 62) {
    Verdict(ColumnVerdict(levels_, 23));
    return WriteRegisters(RegisterColumn(23), 0, 0);
  }
  if (s == 63) {
    Status(t::kOneRow);
    Append({"", std::string(t::kRowsHeading)});
    return WriteRegisters(RegisterRow(0), 7, 7);
  }
  if (s >= 64 && s <= 79) {
    const int row = s - 64;
    Status(t::kOneRow);
    // Register rows 0..7 are lit one after the other; later steps keep row 7 lit and were
    // already judged with it.
    if (row < kRegisterRows) Verdict(RowVerdict(levels_, row));
    if (s < 71) return WriteRegisters(RegisterRow(row), 0, 0) && WriteRegisters(RegisterRow(row + 1), 7, 7);
    if (s == 79) return WriteRegisters(RegisterRow(7), 0, 0);
    return true;
  }
  if (s >= 80 && s <= 95) {
    Status(t::kGainPowerTwo);
    for (int j = 0; j < 12; ++j) {
      if (!Write(s - 80 + 8 * j, 2, 2) || !Write(271 - s - 8 * j, 2, 2)) return false;
    }
    return true;
  }
  if (s == 96) {
    std::vector<std::string> lines{"", std::string(t::kValuesHeading)};
    for (int c = 0; c < kChannelCount; ++c) {
      if (!ChannelHasBeam(c)) continue;
      lines.push_back("CH[" + std::to_string(c) + "] " + std::to_string(LevelPercent(levels_[c])) + "%");
    }
    Append(lines);
    return true;
  }
  if (s == 100) host.shell.OpenTextFile(reportPath_);
  return true;
}

}  // namespace movexa
