// The calibration window's model (`Frm_Calibration`), apart from any toolkit: the 16 x 24 grid
// of channel positions and the mouse-to-cell mapping, the register read of a picked position,
// the scroll-bar, "Set All" and "SET" writes, the instrument's own calibration with a chosen
// target ("Autocalibra"), the online sampling rows with their 11-row envelope and zoom, the
// output-dot pattern, and the pictures (grid, trace, output dots) drawn on Canvases.
//
// Positions and registers. Position (row r, column c) is channel r + 16c. Only even channels
// carry a beam, and register r sets the beam of channel 2r, as in the sampling loop's block
// layout; so picking, the scroll bars and the auto-gain procedure all use register channel / 2
// of an even channel, and an odd position (which has no beam) reads and writes nothing. "Set
// All" and "SET" cover the beam registers 0..191.
//
// Nothing here loops on its own: the window's timer calls OnlineStep() while online, and the
// long procedures (SET, the auto-gain procedure, the gain curve) let events run through the
// host's pacer between steps and end when the window goes offline.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/canvas.h"
#include "base/constants.h"
#include "calibration/calibration_procedures.h"
#include "device/com_module.h"

namespace movexa {

inline constexpr int kCalGridRows = 16;
inline constexpr int kCalGridColumns = 24;
inline constexpr int kCalSampleRows = 601;  // rows 0..600, written circularly at 0..599
inline constexpr int kCalCircularRows = 600;
inline constexpr int kCalEnvelopeSpan = 11;  // the current row and the 10 before it
inline constexpr int kAutocalDefaultTarget = 110;
inline constexpr int kAutocalLowest = 30;
inline constexpr int kAutocalHighest = 220;
inline constexpr int kCalMaxZoom = 10;

struct GridCell {
  int row = 0;     // 0..15 ("A".."P")
  int column = 0;  // 0..23
  int Channel() const { return row + kCalGridRows * column; }
};

// The cell under a mouse position of the grid or output picture: column Int((x - 50) / 100),
// row Int((y - 50) / 100); nothing outside the 16 x 24 cells.
std::optional<GridCell> CellAt(double x, double y);

// The register of the beam at `channel`, or -1 for a position without a beam (odd channel).
int PositionRegister(int channel);

// Power and gain shown for a register read: gain = value div 32, power = value mod 32 limited
// to 7. nullopt for a failed read (below 0).
std::optional<PowerGain> ShownSetting(int value);

// "Autocalibra" target from its box: a whole number 30..220, else 110.
int AutocalTarget(std::string_view text);

// "SET" box value: the integer part; below 0 or above `highest` it becomes 0.
int SetBoxValue(std::string_view text, int highest);

// Output dot buttons: brightness +/- 15 within 0..255 (while below 255 / above 0), dot size
// +/- 1 within 1..30.
int BrightnessUp(int v);
int BrightnessDown(int v);
int DotSizeUp(int v);
int DotSizeDown(int v);

// The well grid of `Picwell`: scale 0..2500 x 0..1700, cells of 100 from (50, 50), row letters
// and column numbers; `selected` (optional) drawn with a red outline.
void DrawCalibrationGrid(Canvas& canvas, std::optional<GridCell> selected);
// Cross-hair marks along the picture's edges for the cell under the pointer: light grey for
// the whole column and row band, red at the cell.
void DrawCrossHair(Canvas& canvas, GridCell cell);
// Levels as grey cells: v = round(level / 8), at most 255. Positions without a beam (the odd
// channels, which never carry a level) are drawn as no-beam cells, here and on the bare grid,
// never as dark beams.
void DrawGridLevels(Canvas& canvas, const int16_t* row);

class CalibrationWindow {
 public:
  CalibrationWindow(DeviceLink& link, ProjectSettings& project);

  // --- picking and the boxes --------------------------------------------------------------
  // Selects a position; online, reads its register (up to 3 times) and takes power and gain
  // from it. Returns the reply (-1 when none or no beam); `lblout` shows it, or "no beam".
  int Select(GridCell cell);
  std::optional<GridCell> selected() const { return selected_; }
  int channel() const { return selected_ ? selected_->Channel() : 0; }
  int power() const { return power_; }
  int gain() const { return gain_; }
  const std::string& lblout() const { return lblout_; }
  // Scroll_threshold: the channel's threshold becomes `value`.
  void SetThreshold(int value);
  // Scroll bar maximum and value for the selected channel's threshold.
  int ThresholdScrollMax() const;
  // scrollpower / scrollgain: the box values; online, the selected beam's register is written
  // nine times with gain x 32 + power (no verification).
  void SetPowerGain(int power, int gain);
  // "Set All" (online only): every beam register 0..191 written nine times.
  void SetAll(int power, int gain);
  // "SET": every beam register 0..191 written with verification; a failure shows the
  // communication message and the next register follows. `progress` (0..383 x 0..10) may be
  // null. Returns the number of registers that could not be set.
  int SetCalibration(int power, int gain, Canvas* progress);
  // "Autocalibra": the instrument's own calibration at `target` (already checked); `onProgress`
  // gets each progress byte (the button caption shows it). Offline nothing is sent.
  void Autocalibrate(int target, const std::function<void(int)>& onProgress);
  // Double-click on lblstatus: asks, and on Yes flips the label between ENABLED and DISABLED.
  void ToggleChannelLabel();
  const std::string& channelLabel() const { return channelLabel_; }

  // --- online sampling --------------------------------------------------------------------
  bool online() const { return online_; }
  // "ONLINE": clears the rows, marks online, sizes the dot pattern from the output picture.
  void GoOnline(int outputWidthPx, int outputHeightPx);
  // "OFFLINE": marks offline and cancels a running gain curve or auto-gain procedure.
  void GoOffline();
  // One turn of the online loop (the window timer's tick): the next dot position lit on the
  // output picture, one sample (grid and trace drawn when given), the dots drawn black again.
  // Nothing when offline.
  void OnlineStep(Canvas* output, Canvas* grid = nullptr, Canvas* trace = nullptr);
  // One sample into the current row: complete reading with 48-byte blocks, the envelope after
  // more than 10 samples, the grid levels and the trace; then the next row. False when the
  // system is offline (nothing read).
  bool TakeSample(Canvas* grid, Canvas* trace);
  const int16_t* Row(int row) const { return &rows_[static_cast<size_t>(row) * kChannelSlots]; }
  const int16_t* EnvelopeRow(int row) const {
    return &envelope_[static_cast<size_t>(row) * kChannelSlots];
  }
  int16_t* MutableRow(int row) { return &rows_[static_cast<size_t>(row) * kChannelSlots]; }
  int currentRow() const { return currentRow_; }
  int64_t samplesTaken() const { return samplesTaken_; }
  // Blocks of the samples that did not arrive whole, since the window was made.
  int64_t rejectedBlocks() const { return rejectedBlocks_; }
  // The row of the newest sample.
  int NewestRow() const { return (currentRow_ + kCalCircularRows - 1) % kCalCircularRows; }

  // Zoom "+" / "-": zoom within 0..10, baselines from rows 1 .. current row - 1.
  void ZoomIn();
  void ZoomOut();
  int zoom() const { return zoom_; }
  // The trace of the selected channel: scale x -60..620, y 2150..-250; signal in red, envelope
  // in blue (without zoom), zoomed levels (level - baseline) x zoom + 1750 but at least 6; the
  // positions next to the current row skipped; "Time" at (200, -65).
  void DrawTrace(Canvas& canvas) const;

  // Output dots.
  int brightness = 255;  // txt_brillo
  int dotSize = 1;       // txt_pixsize

  DeviceLink& link() { return link_; }
  // Set by GoOffline: procedures in progress end at their next step.
  bool cancelRequested() const { return cancel_; }
  void ClearCancel() { cancel_ = false; }

 private:
  void ComputeEnvelope();
  void ZoomBaselines();

  DeviceLink& link_;
  ProjectSettings& project_;
  std::optional<GridCell> selected_;
  int power_ = 0;
  int gain_ = 0;
  std::string lblout_ = "OUT";
  std::string channelLabel_ = "ENABLED";
  bool online_ = false;
  bool cancel_ = false;
  std::vector<int16_t> rows_;
  std::vector<int16_t> envelope_;
  int currentRow_ = 0;
  int64_t samplesTaken_ = 0;
  int64_t rejectedBlocks_ = 0;
  int zoom_ = 0;
  std::array<int16_t, kChannelSlots> baseline_{};
  // Online dot pattern.
  int cellWidth_ = 1;
  int cellHeight_ = 1;
  int dotX_ = 0;
  int dotY_ = 0;
};

}  // namespace movexa
