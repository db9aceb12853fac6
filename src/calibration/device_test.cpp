// The device test: verdicts, grid drawing and the step machine of Timer_test.
#include "calibration/device_test.h"

#include <algorithm>
#include <array>

#include "acquisition/live_display_draw.h"
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
constexpr int kGridColumns = 24;
constexpr int kGridRows = 16;
constexpr int kCell = 100;
constexpr int kRegisterRows = 8;
constexpr int kVerdictPauseMs = 500;
constexpr Rgb kRed = colors::kRed;
constexpr Rgb kBlue = colors::kBlue;

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

// Appends the setting (power, gain) of `regs` to `out`; registers past the beams are left to
// the instrument.
template <class Regs>
void Set(std::vector<RegisterWrite>& out, const Regs& regs, int power, int gain) {
  for (int r : regs) {
    if (r >= 0 && r < kBeamRegisters) out.push_back({r, power, gain});
  }
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

void DrawDeviceTestProgress(Canvas& canvas, int step) {
  const double share = std::clamp(100.0 * step / kDeviceTestLastStep, 0.0, 100.0);
  canvas.SetScale(0, 0, 100, 100);
  canvas.FilledBox(0, 0, share, 100, kBlue);
}

StepAction PlanDeviceTestStep(int s, const ChannelLevels& levels) {
  StepAction a;
  if (s == 1 || s == 2) {
    a.message = s == 1 ? t::kTurningOn : t::kTurningOff;
    Set(a.writes, RegisterRange(0, 4), s == 1 ? 7 : 0, s == 1 ? 7 : 0);
  } else if (s == 3) {
    a.askToProceed = true;
  } else if (s >= 4 && s <= 19) {
    a.status = t::kOnAll;
    Set(a.writes, RegisterRow(s - 4), 7, 7);
  } else if (s == 20 || s == 37) {
    a.verdict = s == 20 ? AllOnVerdict(levels) : AllOffVerdict(levels);
    a.pauseMs = kVerdictPauseMs;
  } else if (s >= 21 && s <= 36) {
    a.status = t::kOffAll;
    Set(a.writes, RegisterRow(s - 21), 0, 0);
  } else if (s == 38) {
    a.status = t::kOneColumn;
    a.reportLines = {"", std::string(t::kColumnsHeading)};
    Set(a.writes, RegisterColumn(0), 7, 7);
  } else if (s >= 39 && s <= 61) {
    a.status = t::kOneColumn;
    a.verdict = ColumnVerdict(levels, s - 39);
    Set(a.writes, RegisterColumn(s - 39), 0, 0);
    Set(a.writes, RegisterColumn(s - 38), 7, 7);
  } else if (s == 62) {
    a.verdict = ColumnVerdict(levels, 23);
    Set(a.writes, RegisterColumn(23), 0, 0);
  } else if (s == 63) {
    a.status = t::kOneRow;
    a.reportLines = {"", std::string(t::kRowsHeading)};
    Set(a.writes, RegisterRow(0), 7, 7);
  } else if (s >= 64 && s <= 79) {
    const int row = s - 64;
    a.status = t::kOneRow;
    // Register rows 0..7 are lit one after the other; later steps keep row 7 lit and were
    // already judged with it.
    if (row < kRegisterRows) a.verdict = RowVerdict(levels, row);
    if (s < 71) {
      Set(a.writes, RegisterRow(row), 0, 0);
      Set(a.writes, RegisterRow(row + 1), 7, 7);
    } else if (s == 79) {
      Set(a.writes, RegisterRow(7), 0, 0);
    }
  } else if (s >= 80 && s <= 95) {
    a.status = t::kGainPowerTwo;
    for (int j = 0; j < 12; ++j) {
      Set(a.writes, std::array<int, 2>{s - 80 + 8 * j, 271 - s - 8 * j}, 2, 2);
    }
  } else if (s == 96) {
    a.reportLines = {"", std::string(t::kValuesHeading)};
    for (int c = 0; c < kChannelCount; ++c) {
      if (!ChannelHasBeam(c)) continue;
      a.reportLines.push_back("CH[" + std::to_string(c) + "] " +
                              std::to_string(LevelPercent(levels[c])) + "%");
    }
  } else if (s == 100) {
    a.openReport = true;
  }
  return a;
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
  if (AppendToFile(reportPath_, text, &error)) return;
  // Told once: a report that cannot be written fails the same way at every later line.
  if (reportWritten_) {
    ctx_.link.host.dialogs.Problem(
        "Error writing " + reportPath_.filename().string() + " => " + error,
        Dialogs::Severity::kCritical);
  }
  reportWritten_ = false;
}

bool DeviceTest::Start() {
  Host& host = ctx_.link.host;
  if (running_) return false;
  if (ctx_.acquisitionActive && ctx_.acquisitionActive()) {
    host.dialogs.Problem(t::kStopBeforeTesting);
    return false;
  }
  if (host.dialogs.Ask(t::kDeviceTestQuestion, Dialogs::Buttons::kOkCancel) !=
      Dialogs::Answer::kOk) {
    step_ = 0;
    if (ctx_.restorePicture) ctx_.restorePicture();
    return false;
  }
  if (ctx_.picture) DrawDeviceTestGrid(*ctx_.picture);
  if (ctx_.progress) ClearRunProgressBar(*ctx_.progress);
  step_ = 0;
  phase_ = Phase::kFirstPass;
  nextDelayMs_ = kDeviceTestTickMs;
  running_ = true;
  end_ = DeviceTestEnd::kNotEnded;
  reportWritten_ = true;
  verdicts_.clear();
  writes_.clear();
  host.status.SetStatus(t::kTestHint, t::kDoorHint);
  const int probed = ProbeInstrument(ctx_.link, ctx_.link.connection.port);
  serial_ = probed >= 0 ? probed : ctx_.link.connection.serialNumber;
  Status("SN" + std::to_string(serial_));
  reportPath_ = ctx_.appFolder / ("testdev" + std::to_string(serial_) + ".txt");
  const std::string first = "Serial:SN" + std::to_string(serial_) + " " +
                            FormatDateTime(host.clock.Now(), "yyyy-mm-dd_hh:mm") + std::string(kEol);
  std::string error;
  if (!WriteWholeFile(reportPath_, first, &error)) {
    host.dialogs.Problem("Error writing " + reportPath_.filename().string() + " => " + error,
                         Dialogs::Severity::kCritical);
    reportWritten_ = false;
  }
  return true;
}

bool DeviceTest::Tick() {
  if (!running_) return false;
  switch (phase_) {
    case Phase::kFirstPass:
      ReadAllChannelsInto(ctx_.link, levels_.data(), kDeviceTestBlockBytes);
      phase_ = Phase::kSecondPass;
      nextDelayMs_ = kDeviceTestTickMs;
      return true;
    case Phase::kSecondPass:
      return BeginStep();
    case Phase::kWrites:
      return WriteSome();
  }
  return false;
}

bool DeviceTest::BeginStep() {
  Host& host = ctx_.link.host;
  const ChannelReading second =
      ReadAllChannelsInto(ctx_.link, levels_.data(), kDeviceTestBlockBytes);
  // A block of the second pass that did not arrive whole would leave its beams judged on stale
  // levels: the verdicts stop here rather than pass or fail beams that were not read.
  if (!second.Complete()) {
    host.dialogs.Problem(t::kComError);
    return End(DeviceTestEnd::kComError);
  }
  if (ctx_.picture) DrawDeviceTestLevels(*ctx_.picture, levels_);
  if (ctx_.progress) DrawDeviceTestProgress(*ctx_.progress, step_);

  StepAction a = PlanDeviceTestStep(step_, levels_);
  if (!a.message.empty()) host.dialogs.Message(a.message);
  // The operator may have pressed Stop while a message or question was open.
  if (!running_) return false;
  if (a.askToProceed &&
      host.dialogs.Ask(t::kOkToProceed, Dialogs::Buttons::kYesNo) == Dialogs::Answer::kNo) {
    return End(DeviceTestEnd::kDeclined);
  }
  if (!running_) return false;
  if (!a.status.empty()) Status(a.status);
  if (a.verdict) {
    Status(a.verdict->status);
    Append(a.verdict->reportLines);
    verdicts_.push_back(std::move(*a.verdict));
  }
  if (!a.reportLines.empty()) Append(a.reportLines);
  if (a.openReport) host.shell.OpenTextFile(reportPath_);
  stepPauseMs_ = a.pauseMs;
  writes_ = std::move(a.writes);
  written_ = 0;
  phase_ = Phase::kWrites;
  return WriteSome();
}

bool DeviceTest::WriteSome() {
  // The verified writes pause between attempts and so let events run: Stop may end the test
  // in the middle of them.
  for (int n = 0; n < kDeviceTestWritesPerTurn && running_ && written_ < writes_.size(); ++n) {
    const RegisterWrite w = writes_[written_++];
    // A write the instrument did not confirm (the write routine has shown its message) leaves
    // the beams in an unknown state: the test cannot go on.
    if (WriteRegisterVerified(ctx_.link, w.reg, EncodeCalibrationRegister(w.power, w.gain)) != 1) {
      return running_ ? End(DeviceTestEnd::kComError) : false;
    }
  }
  if (!running_) return false;
  if (written_ < writes_.size()) {
    nextDelayMs_ = 0;  // the rest of the step's writes on the next turn, after pending events
    return true;
  }
  return EndStep();
}

bool DeviceTest::EndStep() {
  ++step_;
  if (step_ > kDeviceTestLastStep) return End(DeviceTestEnd::kCompleted);
  phase_ = Phase::kFirstPass;
  nextDelayMs_ = kDeviceTestTickMs + stepPauseMs_;
  stepPauseMs_ = 0;
  return true;
}

void DeviceTest::Stop() {
  if (running_) End(DeviceTestEnd::kStopped);
}

bool DeviceTest::End(DeviceTestEnd how) {
  running_ = false;
  end_ = how;
  writes_.clear();
  if (how == DeviceTestEnd::kComError || how == DeviceTestEnd::kStopped) {
    // The report says that it stops short, so that it is never read as a whole test.
    Append({"", std::string(how == DeviceTestEnd::kComError ? t::kTestComErrorHead
                                                            : t::kTestStoppedHead) +
                    std::to_string(step_) + std::string(t::kTestNotFinishedTail)});
  }
  if (ctx_.restoreCaption) ctx_.restoreCaption();
  ctx_.link.host.status.SetStatus(t::kTestHint, {});
  if (ctx_.restorePicture) ctx_.restorePicture();
  if (ctx_.progress) DrawDeviceTestProgress(*ctx_.progress, step_);
  return false;
}

DeviceTestSummary SummarizeDeviceTest(const DeviceTest& test) {
  DeviceTestSummary s;
  for (const TestVerdict& v : test.verdicts()) {
    if (!v.pass) ++s.verdictsChecked;
  }
  const std::string step = std::to_string(test.step());
  switch (test.end()) {
    case DeviceTestEnd::kNotEnded:
      s.text = test.running() ? std::string(t::kTestRunningHead) + step
                              : std::string(t::kTestNotStarted);
      break;
    case DeviceTestEnd::kCompleted: {
      const bool whole = static_cast<int>(test.verdicts().size()) == kDeviceTestVerdicts;
      s.passed = whole && s.verdictsChecked == 0;
      s.text = s.passed
                   ? std::string(t::kTestAllPassed)
                   : std::string(t::kTestNeedsRevisionHead) + std::to_string(s.verdictsChecked) +
                         " of " + std::to_string(test.verdicts().size()) +
                         std::string(t::kTestNeedsRevisionTail);
      break;
    }
    case DeviceTestEnd::kDeclined:
      s.text = t::kTestDeclined;
      break;
    case DeviceTestEnd::kStopped:
      s.text = std::string(t::kTestStoppedHead) + step + std::string(t::kTestNotFinishedTail);
      break;
    case DeviceTestEnd::kComError:
      s.text = std::string(t::kTestComErrorHead) + step + std::string(t::kTestNotFinishedTail);
      break;
  }
  if (!test.reportWritten()) {
    s.passed = false;
    s.text += t::kTestReportNotWritten;
  }
  return s;
}

}  // namespace movexa
