// The calibration window's model: positions, register reads and writes, online sampling,
// zoom, the output dots and the pictures.
#include "calibration/calibration_window.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "base/text_records.h"
#include "calibration/calibration_table.h"
#include "calibration/calibration_texts.h"
#include "calibration/maintenance_texts.h"

namespace movexa {

namespace t = maintenance_texts;

namespace {

constexpr int kUnverifiedWrites = 9;
constexpr int kReadAttempts = 3;
constexpr int kSampleBlockBytes = 48;
constexpr int kShownPowerLimit = 7;
constexpr int kThresholdScrollMax = 20;
constexpr double kCell = 100;
constexpr double kGridOrigin = 50;
constexpr Rgb kLightGrey{224, 224, 224};
constexpr int kBrightnessStep = 15;
constexpr int kDotSizeMax = 30;
constexpr double kZoomOffset = 1750;
constexpr double kZoomFloor = 6;
constexpr int kTraceRows = 599;
// A position without a beam: a pale cell crossed by a diagonal, apart from every grey a beam's
// level can give (a dark beam is black, a bright one white).
constexpr Rgb kNoBeamFill{214, 220, 232};
constexpr Rgb kNoBeamMark{150, 160, 185};

void DrawNoBeamCell(Canvas& canvas, double x, double y) {
  canvas.FilledBox(x + 1, y + 1, x + kCell - 1, y + kCell - 1, kNoBeamFill);
  canvas.Line(x + 1, y + kCell - 1, x + kCell - 1, y + 1, kNoBeamMark);
}

// The integer part of a box text ("12.7" gives 12); nullopt when it is no number.
std::optional<int64_t> IntegerPart(std::string_view text) {
  auto v = ParseOperatorNumber(text);
  if (!v || !std::isfinite(*v) || std::fabs(*v) > 1e9) return std::nullopt;
  return static_cast<int64_t>(std::trunc(*v));
}

}  // namespace

std::optional<GridCell> CellAt(double x, double y) {
  const int64_t column = Int((x - kGridOrigin) / kCell);
  const int64_t row = Int((y - kGridOrigin) / kCell);
  if (column < 0 || row < 0 || column >= kCalGridColumns || row >= kCalGridRows) return std::nullopt;
  return GridCell{static_cast<int>(row), static_cast<int>(column)};
}

int PositionRegister(int channel) {
  if (channel < 0 || channel >= kChannelCount || channel % 2 != 0) return -1;
  return ChannelRegister(channel);
}

std::optional<PowerGain> ShownSetting(int value) {
  if (value < 0) return std::nullopt;
  return PowerGain{static_cast<int16_t>(std::min(value % 32, kShownPowerLimit)),
                   static_cast<int16_t>(value / 32)};
}

int AutocalTarget(std::string_view text) {
  auto v = ParseOperatorNumber(text);
  if (!v || *v < kAutocalLowest || *v > kAutocalHighest || *v != std::floor(*v)) {
    return kAutocalDefaultTarget;
  }
  return static_cast<int>(*v);
}

int SetBoxValue(std::string_view text, int highest) {
  auto v = IntegerPart(text);
  if (!v || *v < 0 || *v > highest) return 0;
  return static_cast<int>(*v);
}

int BrightnessUp(int v) { return v < 255 ? std::min(255, v + kBrightnessStep) : v; }
int BrightnessDown(int v) { return v > 0 ? std::max(0, v - kBrightnessStep) : v; }
int DotSizeUp(int v) { return v < kDotSizeMax ? v + 1 : kDotSizeMax; }
int DotSizeDown(int v) { return v > 1 ? v - 1 : 1; }

void DrawCalibrationGrid(Canvas& canvas, std::optional<GridCell> selected) {
  canvas.SetScale(0, 0, 2500, 1700);
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  for (int c = 0; c < kCalGridColumns; ++c) {
    canvas.Text(kGridOrigin + kCell * c + 30, 5, std::to_string(c + 1), colors::kBlack);
  }
  for (int r = 0; r < kCalGridRows; ++r) {
    canvas.Text(10, kGridOrigin + kCell * r + 25, std::string(1, static_cast<char>('A' + r)),
                colors::kBlack);
    for (int c = 0; c < kCalGridColumns; ++c) {
      const double x = kGridOrigin + kCell * c, y = kGridOrigin + kCell * r;
      if (!ChannelHasBeam(GridCell{r, c}.Channel())) DrawNoBeamCell(canvas, x, y);
      canvas.Box(x, y, x + kCell, y + kCell, colors::kBlack);
    }
  }
  if (selected) {
    const double x = kGridOrigin + kCell * selected->column, y = kGridOrigin + kCell * selected->row;
    canvas.SetPenWidth(3);
    canvas.Box(x, y, x + kCell, y + kCell, colors::kRed);
    canvas.SetPenWidth(1);
  }
}

void DrawCrossHair(Canvas& canvas, GridCell cell) {
  const double x = kGridOrigin + kCell * cell.column, y = kGridOrigin + kCell * cell.row;
  const double bottom = kGridOrigin + kCell * kCalGridRows;   // 1650
  const double right = kGridOrigin + kCell * kCalGridColumns;  // 2450
  // Edge bands below and right of the grid: light grey over the column and the row under the
  // pointer, a red mark at its middle.
  canvas.FilledBox(kGridOrigin, bottom + 5, right, bottom + 45, colors::kWhite);
  canvas.FilledBox(right + 5, kGridOrigin, right + 45, bottom, colors::kWhite);
  canvas.FilledBox(x, bottom + 5, x + kCell, bottom + 45, kLightGrey);
  canvas.FilledBox(right + 5, y, right + 45, y + kCell, kLightGrey);
  canvas.Line(x + 50, bottom + 5, x + 50, bottom + 45, colors::kRed);
  canvas.Line(right + 5, y + 50, right + 45, y + 50, colors::kRed);
}

void DrawGridLevels(Canvas& canvas, const int16_t* row) {
  for (int r = 0; r < kCalGridRows; ++r) {
    for (int c = 0; c < kCalGridColumns; ++c) {
      const int channel = r + kCalGridRows * c;
      const double x = kGridOrigin + kCell * c, y = kGridOrigin + kCell * r;
      if (!ChannelHasBeam(channel)) {
        DrawNoBeamCell(canvas, x, y);
        continue;
      }
      const int level = row[channel];
      const auto v = static_cast<uint8_t>(std::clamp<int64_t>(RoundHalfEven(level / 8.0), 0, 255));
      canvas.FilledBox(x + 1, y + 1, x + kCell - 1, y + kCell - 1, Rgb{v, v, v});
    }
  }
}

CalibrationWindow::CalibrationWindow(DeviceLink& link, ProjectSettings& project)
    : link_(link),
      project_(project),
      rows_(static_cast<size_t>(kCalSampleRows) * kChannelSlots, 0),
      envelope_(static_cast<size_t>(kCalSampleRows) * kChannelSlots, 0) {}

int CalibrationWindow::Select(GridCell cell) {
  selected_ = cell;
  if (!online_) return -1;
  const int reg = PositionRegister(cell.Channel());
  int value = -1;
  for (int attempt = 0; attempt < kReadAttempts && value < 0 && reg >= 0; ++attempt) {
    value = DeviceQuery(link_, kCodeReadRegister, reg, kModeCommand);
  }
  lblout_ = reg < 0 ? std::string(t::kNoBeam) : std::to_string(value);
  if (auto shown = ShownSetting(value)) {
    power_ = shown->power;
    gain_ = shown->gain;
  }
  return value;
}

void CalibrationWindow::SetThreshold(int value) {
  project_.ChannelThreshold[static_cast<size_t>(channel())] = value;
}

int CalibrationWindow::ThresholdScrollMax() const {
  const double threshold = project_.ChannelThreshold[static_cast<size_t>(channel())];
  return threshold > kThresholdScrollMax ? static_cast<int>(RoundHalfEven(threshold))
                                         : kThresholdScrollMax;
}

void CalibrationWindow::SetPowerGain(int power, int gain) {
  power_ = power;
  gain_ = gain;
  const int reg = PositionRegister(channel());
  if (!online_ || reg < 0) return;
  const int value = EncodeCalibrationRegister(power, gain);
  for (int i = 0; i < kUnverifiedWrites; ++i) {
    lblout_ = std::to_string(DeviceQuery(link_, reg, value, kModeRegisterWrite));
  }
}

void CalibrationWindow::SetAll(int power, int gain) {
  if (!online_) return;
  const int value = EncodeCalibrationRegister(power, gain);
  for (int reg = 0; reg < kBeamRegisters; ++reg) {
    for (int i = 0; i < kUnverifiedWrites; ++i) {
      lblout_ = std::to_string(DeviceQuery(link_, reg, value, kModeRegisterWrite));
    }
  }
}

int CalibrationWindow::SetCalibration(int power, int gain, Canvas* progress) {
  if (progress) progress->SetScale(0, 0, 383, 10);
  const int value = EncodeCalibrationRegister(power, gain);
  int failed = 0;
  for (int reg = 0; reg < kBeamRegisters; ++reg) {
    if (WriteRegisterVerified(link_, reg, value) != 1) {
      link_.host.dialogs.Problem(calibration_texts::kCommunicationError);
      ++failed;
    }
    if (progress) progress->FilledBox(0, 0, reg, 10, colors::kBlue);
    link_.host.pacer.PumpEvents();
  }
  return failed;
}

void CalibrationWindow::Autocalibrate(int target, const std::function<void(int)>& onProgress) {
  RunSelfCalibration(link_, target, onProgress);
}

void CalibrationWindow::ToggleChannelLabel() {
  const bool enabled = channelLabel_ == t::kEnabled;
  const std::string question = std::string(enabled ? t::kDisableChannelHead : t::kEnableChannelHead) +
                               std::to_string(channel()) + "?";
  if (link_.host.dialogs.Ask(question, Dialogs::Buttons::kYesNoCancel) == Dialogs::Answer::kYes) {
    channelLabel_ = enabled ? t::kDisabled : t::kEnabled;
  }
}

void CalibrationWindow::GoOnline(int outputWidthPx, int outputHeightPx) {
  std::fill(rows_.begin(), rows_.end(), 0);
  std::fill(envelope_.begin(), envelope_.end(), 0);
  currentRow_ = 0;
  samplesTaken_ = 0;
  online_ = true;
  cancel_ = false;
  cellWidth_ = std::max<int>(1, static_cast<int>(RoundHalfEven(outputWidthPx / 24.0)));
  cellHeight_ = std::max<int>(1, static_cast<int>(RoundHalfEven(outputHeightPx / 16.0)));
  dotX_ = 0;
  dotY_ = 0;
}

void CalibrationWindow::GoOffline() {
  online_ = false;
  cancel_ = true;
}

void CalibrationWindow::OnlineStep(Canvas* output, Canvas* grid, Canvas* trace) {
  if (!online_) return;
  auto dots = [&](Rgb colour) {
    if (!output) return;
    output->SetPenWidth(dotSize);
    for (int row = 0; row <= kCalGridRows; ++row) {
      for (int column = 0; column <= kCalGridColumns; ++column) {
        output->Point(column * cellWidth_ + dotX_, row * cellHeight_ + dotY_, colour);
      }
    }
  };
  const auto grey = static_cast<uint8_t>(std::clamp(brightness, 0, 255));
  dots(Rgb{grey, grey, grey});
  TakeSample(grid, trace);
  dots(colors::kBlack);
  if (++dotX_ > cellWidth_) {
    dotX_ = 0;
    if (++dotY_ > cellHeight_) dotY_ = 0;
  }
}

bool CalibrationWindow::TakeSample(Canvas* grid, Canvas* trace) {
  if (link_.connection.offline) return false;
  rejectedBlocks_ += ReadAllChannelsInto(link_, MutableRow(currentRow_), kSampleBlockBytes).rejectedBlocks;
  ++samplesTaken_;
  if (samplesTaken_ > kCalEnvelopeSpan - 1) ComputeEnvelope();
  if (grid) DrawGridLevels(*grid, Row(currentRow_));
  currentRow_ = currentRow_ + 1 >= kCalCircularRows ? 0 : currentRow_ + 1;
  if (trace) DrawTrace(*trace);
  return true;
}

void CalibrationWindow::ComputeEnvelope() {
  int16_t* env = &envelope_[static_cast<size_t>(currentRow_) * kChannelSlots];
  for (int c = 0; c < kChannelCount; ++c) {
    int highest = 0;
    for (int back = 0; back < kCalEnvelopeSpan; ++back) {
      const int r = (currentRow_ - back + kCalCircularRows) % kCalCircularRows;
      highest = std::max<int>(highest, Row(r)[c]);
    }
    const double threshold = project_.ChannelThreshold[static_cast<size_t>(c)];
    env[c] = SaturateInt16(RoundHalfEven((100.0 - threshold) / 100.0 * highest));
  }
  // The 11th sample gives its envelope to the rows before it, which had none of their own.
  if (samplesTaken_ == kCalEnvelopeSpan) {
    for (int r = 0; r < kCalEnvelopeSpan; ++r) {
      if (r == currentRow_) continue;
      std::copy(env, env + kChannelSlots, &envelope_[static_cast<size_t>(r) * kChannelSlots]);
    }
  }
}

void CalibrationWindow::ZoomBaselines() {
  baseline_.fill(0);
  for (int r = 1; r <= currentRow_ - 1; ++r) {
    for (int c = 0; c < kChannelSlots; ++c) baseline_[c] = std::max(baseline_[c], Row(r)[c]);
  }
}

void CalibrationWindow::ZoomIn() {
  zoom_ = std::min(kCalMaxZoom, zoom_ + 1);
  ZoomBaselines();
}

void CalibrationWindow::ZoomOut() {
  zoom_ = std::max(0, zoom_ - 1);
  ZoomBaselines();
}

void CalibrationWindow::DrawTrace(Canvas& canvas) const {
  canvas.SetScale(-60, 2150, 620, -250);
  canvas.SetBackColor(colors::kWhite);
  canvas.Clear();
  canvas.Text(200, -65, t::kTime, colors::kBlack);
  const int c = channel();
  auto plotted = [&](int row) {
    const double level = Row(row)[c];
    if (zoom_ == 0) return level;
    return std::max(kZoomFloor, (level - baseline_[c]) * zoom_ + kZoomOffset);
  };
  const int p = currentRow_;
  for (int i = 1; i < kTraceRows; ++i) {
    if (std::abs(i - p) <= 1) continue;
    canvas.Line(i - 1, plotted(i - 1), i, plotted(i), colors::kRed);
    if (zoom_ == 0 && EnvelopeRow(i - 1)[c] >= kZoomFloor) {
      canvas.Line(i - 1, EnvelopeRow(i - 1)[c], i, EnvelopeRow(i)[c], colors::kBlue);
    }
  }
  canvas.FilledBox(p + 4, 21, p + 10, 2259, colors::kWhite);
}

}  // namespace movexa
