// The device test ("Test DEVICE"): with no plate in the slot it drives the beams to full and to
// zero emitter settings, lights one column and then one row of beams at a time, and ends on a
// middle setting, reading every channel after each step. It is a step machine: Start() asks the
// operator and prepares, then the caller's 100 ms timer (`Timer_test`) calls Tick() until it
// returns false. The readings are drawn as a grid of grey cells on the activity picture, and a
// plain-text report "testdev" + serial + ".txt" is written in the application folder.
//
// Which channels are judged. Only even channels carry a beam (register r sets the beam of
// channel 2r; odd channels have no signal and always read 0), so every verdict counts the beams
// alone: the all-on and all-off tests pass when all 192 beams pass, a column test expects on the
// 8 beams its registers 8n .. 8n + 7 lit and off the other 184, and a row test expects on the
// 24 beams of the register row k (registers k + 8j, the beams of grid row 2k) and off the other
// 168. Register rows 0..7 are tested at steps 64..71; steps 72..79 keep register row 7 lit and
// add no verdict of their own. Only the beam registers 0..191 are ever written.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/canvas.h"
#include "base/constants.h"
#include "device/com_module.h"

namespace movexa {

inline constexpr int kDeviceTestFullScale = 2259;
inline constexpr double kDeviceTestOnLevel = 0.8 * kDeviceTestFullScale;   // 1807.2
inline constexpr double kDeviceTestOffLevel = 0.5 * kDeviceTestFullScale;  // 1129.5
inline constexpr int kDeviceTestTickMs = 100;
inline constexpr int kDeviceTestLastStep = 110;

using ChannelLevels = std::array<int16_t, kChannelSlots>;

// Whether channel `channel` carries a beam signal (the even channels 0..382).
inline constexpr bool ChannelHasBeam(int channel) {
  return channel >= 0 && channel < kChannelCount && channel % 2 == 0;
}

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

// The test grid on the activity picture: scale, red column numbers and row letters, red cell
// outlines and blue circles.
void DrawDeviceTestGrid(Canvas& canvas);
// The levels as grey cells (round(level / 8), at most 255), then the grid outlines again.
void DrawDeviceTestLevels(Canvas& canvas, const ChannelLevels& levels);

// What the test works with. `acquisitionActive` tells whether a run is running or paused;
// `picture` and `progress` may be null (movexa-cli); `restorePicture` gives the activity
// picture back to the live display; `restoreCaption` puts back the temperature caption.
struct DeviceTestContext {
  DeviceLink& link;
  std::filesystem::path appFolder;
  std::function<bool()> acquisitionActive;
  Canvas* picture = nullptr;
  Canvas* progress = nullptr;
  std::function<void()> restorePicture;
  std::function<void()> restoreCaption;
};

class DeviceTest {
 public:
  explicit DeviceTest(DeviceTestContext ctx) : ctx_(std::move(ctx)) {}

  // "Test DEVICE": refuses during a run, asks the operator (Cancel restores the picture), then
  // draws the grid, shows the door hint, queries the serial number and writes the report's first
  // line. True when the test timer must start.
  bool Start();
  // One tick of `Timer_test`: the double reading, the drawing, the step's action. False when the
  // timer must stop (end of the test, "COM Error", a failed write, No at step 3).
  bool Tick();

  bool running() const { return running_; }
  int step() const { return step_; }
  int serialNumber() const { return serial_; }
  const ChannelLevels& levels() const { return levels_; }
  const std::filesystem::path& reportPath() const { return reportPath_; }
  // Verdicts given so far, in order (for movexa-cli's summary).
  const std::vector<TestVerdict>& verdicts() const { return verdicts_; }
  bool comError() const { return comError_; }

 private:
  void Status(std::string_view text);
  void Append(const std::vector<std::string>& lines);
  void Verdict(TestVerdict v);
  bool Write(int reg, int power, int gain);
  bool WriteRegisters(const std::vector<int>& regs, int power, int gain);
  bool Action();
  void Stop();
  void Finish();

  DeviceTestContext ctx_;
  bool running_ = false;
  bool comError_ = false;
  int step_ = 0;
  int serial_ = 0;
  ChannelLevels levels_{};
  std::filesystem::path reportPath_;
  std::vector<TestVerdict> verdicts_;
};

}  // namespace movexa
