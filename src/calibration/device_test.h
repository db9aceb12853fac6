// The device test ("Test DEVICE"): with no plate in the slot it drives the beams to full and to
// zero emitter settings, lights one column and then one row of beams at a time, and ends on a
// middle setting, reading every channel after each step. It is a step machine: Start() asks the
// operator and prepares, then the caller's single-shot timer (`Timer_test`) calls Tick() and is
// armed again after nextDelayMs() until Tick() returns false. Every turn does a bounded piece of
// work (one reading pass, or a few register writes), so the window stays responsive between
// turns and Stop() takes effect at once. The readings are drawn as a grid of grey cells on the
// activity picture, and a plain-text report "testdev" + serial + ".txt" is written in the
// application folder.
//
// Readings. Each step reads every channel twice, 100 ms apart, with the in-step block reader of
// acquisition (48-byte blocks at offsets 0, 8, ..., 56), so the test reads whatever the length
// of the instrument's block replies (48, 96, 192 bytes or more); the second pass is judged. A
// block that did not arrive whole ends the test on "COM Error": beams are never judged on stale
// levels.
//
// Which channels are judged. Only even channels carry a beam (register r sets the beam of
// channel 2r; odd channels have no signal and always read 0), so every verdict counts the beams
// alone: the all-on and all-off tests pass when all 192 beams pass, a column test expects on the
// 8 beams its registers 8n .. 8n + 7 lit and off the other 184, and a row test expects on the
// 24 beams of the register row k (registers k + 8j, the beams of grid row 2k) and off the other
// 168. Register rows 0..7 are tested at steps 64..71; steps 72..79 keep register row 7 lit and
// add no verdict of their own. Only the beam registers 0..191 are ever written.
//
// How a test ends. Only a test that ran through its last step with every verdict given and its
// report written has passed or failed on its verdicts; a test that lost the instrument (a
// reading or a register write that failed), was stopped, or whose report could not be written
// has no verdict to stand on and never counts as passed.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/canvas.h"
#include "base/constants.h"
#include "calibration/calibration_table.h"
#include "device/com_module.h"

namespace movexa {

inline constexpr int kDeviceTestFullScale = 2259;
inline constexpr double kDeviceTestOnLevel = 0.8 * kDeviceTestFullScale;   // 1807.2
inline constexpr double kDeviceTestOffLevel = 0.5 * kDeviceTestFullScale;  // 1129.5
inline constexpr int kDeviceTestTickMs = 100;
inline constexpr int kDeviceTestLastStep = 110;
// Verdicts of a whole test: all-on, all-off, 24 columns, 8 register rows.
inline constexpr int kDeviceTestVerdicts = 2 + 24 + 8;
// Block reply bytes the test reads per request (the acquisition's block size).
inline constexpr int kDeviceTestBlockBytes = 48;
// Register writes done in one turn of the timer.
inline constexpr int kDeviceTestWritesPerTurn = 8;

using ChannelLevels = std::array<int16_t, kChannelSlots>;

// Int(level / 2259 x 100).
int LevelPercent(int level);

// A verdict: whether it passed, the status text, and the report lines it appends.
struct TestVerdict {
  bool pass = false;
  int onPassed = 0;   // beams that passed the on check
  int offPassed = 0;  // beams that passed the off check
  std::string status;
  std::vector<std::string> reportLines;
};

TestVerdict AllOnVerdict(const ChannelLevels& levels);
TestVerdict AllOffVerdict(const ChannelLevels& levels);
// Column test of grid column `column` (0..23), lit by registers 8 column .. 8 column + 7.
TestVerdict ColumnVerdict(const ChannelLevels& levels, int column);
// Row test of register row `registerRow` (0..7): the beams of grid row 2 x registerRow, named
// by that row's letter.
TestVerdict RowVerdict(const ChannelLevels& levels, int registerRow);

// One register setting of a step (value gain x 32 + power).
struct RegisterWrite {
  int reg = 0;
  int power = 0;
  int gain = 0;
  bool operator==(const RegisterWrite&) const = default;
};

// What step `step` does once its reading (`levels`) is in, in this order: a message, the
// question whether to proceed, the status caption, a verdict (its status replaces the caption
// and its lines go to the report), further report lines, the register writes, and the report
// opened. `pauseMs` is an extra wait before the next step (the verdicts' 500 ms).
struct StepAction {
  std::string_view message;
  bool askToProceed = false;
  std::string_view status;
  std::optional<TestVerdict> verdict;
  std::vector<std::string> reportLines;
  std::vector<RegisterWrite> writes;
  bool openReport = false;
  int pauseMs = 0;
};
StepAction PlanDeviceTestStep(int step, const ChannelLevels& levels);

// The test grid on the activity picture: scale, red column numbers and row letters, red cell
// outlines and blue circles.
void DrawDeviceTestGrid(Canvas& canvas);
// The levels as grey cells (round(level / 8), at most 255), then the grid outlines again.
void DrawDeviceTestLevels(Canvas& canvas, const ChannelLevels& levels);
// The run progress bar for `step`: a blue box over step / 110 of the bar (the whole bar once
// the last step is done).
void DrawDeviceTestProgress(Canvas& canvas, int step);

// What the test works with. `acquisitionActive` tells whether a run (or another procedure on
// the instrument) is under way; `picture` and `progress` may be null (movexa-cli);
// `restorePicture` gives the activity picture back to the live display; `restoreCaption` puts
// back the temperature caption.
struct DeviceTestContext {
  DeviceLink& link;
  std::filesystem::path appFolder;
  std::function<bool()> acquisitionActive;
  Canvas* picture = nullptr;
  Canvas* progress = nullptr;
  std::function<void()> restorePicture;
  std::function<void()> restoreCaption;
};

// How a test ended.
enum class DeviceTestEnd {
  kNotEnded,   // not started, refused, cancelled at the first question, or still running
  kCompleted,  // every step done
  kDeclined,   // No at step 3
  kStopped,    // Stop (the main window's Play or Stop, Ctrl-C)
  kComError,   // a reading or a register write failed
};

class DeviceTest {
 public:
  explicit DeviceTest(DeviceTestContext ctx) : ctx_(std::move(ctx)) {}

  // "Test DEVICE": refuses during a run, asks the operator (Cancel restores the picture), then
  // draws the grid, shows the door hint, queries the serial number and writes the report's first
  // line. True when the test timer must start (after nextDelayMs()).
  bool Start();
  // One turn of `Timer_test`. False when the timer must stop (the test has ended).
  bool Tick();
  // When the timer must fire again, in milliseconds.
  int nextDelayMs() const { return nextDelayMs_; }
  // Ends a running test where it is: caption, hint and picture restored, the report told where
  // the test stopped. Nothing when no test runs.
  void Stop();

  bool running() const { return running_; }
  int step() const { return step_; }
  int serialNumber() const { return serial_; }
  const ChannelLevels& levels() const { return levels_; }
  const std::filesystem::path& reportPath() const { return reportPath_; }
  // Verdicts given so far, in order.
  const std::vector<TestVerdict>& verdicts() const { return verdicts_; }
  DeviceTestEnd end() const { return end_; }
  bool comError() const { return end_ == DeviceTestEnd::kComError; }
  // Every line meant for the report could be written.
  bool reportWritten() const { return reportWritten_; }

 private:
  enum class Phase { kFirstPass, kSecondPass, kWrites };
  void Status(std::string_view text);
  void Append(const std::vector<std::string>& lines);
  bool BeginStep();
  bool WriteSome();
  bool EndStep();
  bool End(DeviceTestEnd how);

  DeviceTestContext ctx_;
  bool running_ = false;
  DeviceTestEnd end_ = DeviceTestEnd::kNotEnded;
  bool reportWritten_ = true;
  Phase phase_ = Phase::kFirstPass;
  int step_ = 0;
  int serial_ = 0;
  int nextDelayMs_ = kDeviceTestTickMs;
  int stepPauseMs_ = 0;
  std::vector<RegisterWrite> writes_;
  size_t written_ = 0;
  ChannelLevels levels_{};
  std::filesystem::path reportPath_;
  std::vector<TestVerdict> verdicts_;
};

// What a test came to, for the window and movexa-cli: passed only when the test completed
// with every verdict PASS and its report written; `text` says what happened in one line.
struct DeviceTestSummary {
  bool passed = false;
  int verdictsChecked = 0;  // verdicts that did not pass
  std::string text;
};
DeviceTestSummary SummarizeDeviceTest(const DeviceTest& test);

}  // namespace movexa
