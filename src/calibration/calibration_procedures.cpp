// The calibration procedures against the instrument: complete readings, self-calibration,
// software calibration, automatic zero, and their run-start and button entries.
#include "calibration/calibration_procedures.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "acquisition/snr_setting.h"
#include "base/file_io.h"
#include "calibration/calibration_math.h"
#include "calibration/calibration_texts.h"

namespace movexa {

namespace t = calibration_texts;

namespace {

constexpr int kSelfCalibrationTargetLevel = 110;
constexpr int kSelfCalibrationMaxTimeouts = 10;
constexpr int kSelfCalibrationFinal = kSelfCalibrationDone + 1;  // 191: progress complete
constexpr int kSelfCalibrationTimeoutPauseMs = 1;
constexpr int kLastRegister = kCalibrationRegisters - 1;  // 254
// Unanswered registers in a row after which the read-back is abandoned.
constexpr int kReadBackGiveUpRegisters = 5;
constexpr int kWritesBetweenEvents = 21;
constexpr int kCalibrationBlockBytes = 96;
constexpr int kAutoZeroBlockBytes = 48;
constexpr int kDiscardSettleMs = 50;
constexpr int kAutoZeroSamplesBoth = 30;
constexpr int kAutoZeroSamples = 100;
constexpr int kAutoZeroEventEvery = 10;
constexpr int kStreamTriples = kSignalPositions / 3;  // 64: block offsets run below this
constexpr double kChannelScale = 383;
constexpr int kLightYellowRed = 255, kLightYellowGreen = 255, kLightYellowBlue = 192;
constexpr double kFallbackSnr = 1.8;

void Status(CalibrationContext& ctx, std::string_view text) {
  ctx.link.host.status.SetStatus(t::kPanelStatus, text);
}

std::string WithNumber(std::string_view head, int64_t number, std::string_view tail = {}) {
  std::string s(head);
  s += std::to_string(number);
  s += tail;
  return s;
}

bool Active(const CalibrationContext& ctx) { return ctx.acquisitionActive && ctx.acquisitionActive(); }

bool Offline(const CalibrationContext& ctx) { return ctx.link.connection.offline; }

// Signals per block reply of `blockBytes`, or 0 for a size that does not cover whole triples of
// the stream (48 and 96 are the sizes in use).
int SignalsPerBlock(int blockBytes) {
  if (blockBytes <= 0 || blockBytes % 6 != 0 || blockBytes > 2 * kSignalPositions) return 0;
  return blockBytes / 2;
}

// The complete reading of every channel into `row` (385 values).
ChannelReading ReadAllInto(DeviceLink& link, int16_t* row, int blockBytes) {
  const int signals = SignalsPerBlock(blockBytes);
  ChannelReading reading;
  if (signals == 0) {
    reading.rejectedBlocks = 1;
    reading.lastRejected = true;
    return reading;
  }
  // The blocks are kept aside until the series is known to have stayed in step: a series that
  // ended out of step leaves the row unchanged and counts every block as rejected.
  constexpr int kMostBlocks = 8;
  std::array<SignalTable, kMostBlocks> tables;
  std::array<bool, kMostBlocks> good{};
  int blocks = 0;
  for (int offset = 0; offset < kStreamTriples && blocks < kMostBlocks; offset += signals / 3) {
    if (!link.connection.offline) {
      good[static_cast<size_t>(blocks)] = ExchangeSignalBlock(link, offset, blockBytes).good;
      tables[static_cast<size_t>(blocks)] = link.signals;
    }
    ++blocks;
  }
  const bool inStep = link.connection.offline || BlockSeriesEndedInStep(link);
  for (int b = 0; b < blocks; ++b) {
    const bool ok = inStep && good[static_cast<size_t>(b)];
    if (ok) RegroupBlock(tables[static_cast<size_t>(b)], b * (signals / 3), signals, row);
    reading.lastRejected = !ok;
    if (!ok) ++reading.rejectedBlocks;
  }
  return reading;
}

// Block requests whose replies are read and thrown away (the instrument settles after a
// change of settings), for the offsets of `blockBytes` blocks.
void DiscardBlocks(DeviceLink& link, int blockBytes) {
  const int signals = SignalsPerBlock(blockBytes);
  if (signals == 0) return;
  for (int offset = 0; offset < kStreamTriples; offset += signals / 3) {
    ExchangeSignalBlock(link, offset, blockBytes);
  }
  BlockSeriesEndedInStep(link);
}

// Rows for a procedure's complete readings: those of the run buffer when it holds `rows` of
// them, otherwise a buffer of its own that starts from the run buffer's rows as they are (the
// rest 0). A run buffer that is smaller than the procedure needs is never resized: the sampling
// loop sized it for its bins.
class ReadingRows {
 public:
  ReadingRows(RunBuffers& buffers, int rows) : rows_(rows) {
    const size_t need = static_cast<size_t>(rows) * kChannelSlots;
    if (buffers.raw.size() >= need) {
      data_ = buffers.raw.data();
      return;
    }
    own_.assign(need, 0);
    std::copy(buffers.raw.begin(), buffers.raw.end(), own_.begin());
    data_ = own_.data();
  }
  int16_t* Row(int row) { return data_ + static_cast<size_t>(row) * kChannelSlots; }
  RawBlockView View() const { return {data_, rows_}; }

 private:
  int rows_;
  int16_t* data_ = nullptr;
  std::vector<int16_t> own_;
};

// Writes layout A of the table; tells the operator when the file could not be written.
bool SaveTable(CalibrationContext& ctx) {
  std::string error;
  if (SaveCalibrationTable(ctx.appFolder, ctx.table, &error)) {
    ctx.tableFileWritten = true;
    return true;
  }
  ctx.link.host.dialogs.Problem(std::string(t::kSaveErrorHead) + error,
                                Dialogs::Severity::kCritical);
  return false;
}

int SettingOf(const CalibrationTable& table, int channel) {
  return EncodeCalibrationRegister(table.PowerTable[channel], table.GainTable[channel]);
}

}  // namespace

ChannelReading ReadAllChannels(CalibrationContext& ctx, int row, int blockBytes) {
  const size_t end = (static_cast<size_t>(row) + 1) * kChannelSlots;
  if (row < 0 || ctx.buffers.raw.size() < end) return ChannelReading{1, true};
  return ReadAllInto(ctx.link, ctx.buffers.RawRow(row), blockBytes);
}

ChannelReading ReadAllChannelsInto(DeviceLink& link, int16_t* row, int blockBytes) {
  return ReadAllInto(link, row, blockBytes);
}

void RunSelfCalibration(DeviceLink& link, int target, const std::function<void(int)>& onByte) {
  if (link.connection.offline) return;
  Pacer& pacer = link.host.pacer;
  DeviceSend(link, kCodeSelfCalibration, target, kModeCommand);
  int timeouts = 0;
  std::string got;
  while (timeouts < kSelfCalibrationMaxTimeouts) {
    if (link.ports.CommRead(link.connection.port, got, 1) < 1) {
      ++timeouts;
      pacer.PauseMs(kSelfCalibrationTimeoutPauseMs);
      continue;
    }
    const int b = static_cast<uint8_t>(got[0]);
    if (onByte) onByte(b);
    if (timeouts == 0) pacer.PumpEvents();
    if (b >= kSelfCalibrationFinal) break;
  }
}

void DeviceSelfCalibration(CalibrationContext& ctx, const std::filesystem::path& targetFolder) {
  // Without the instrument there is nothing to follow or read back, and a register file of
  // unreadable values would only replace the table that is there.
  if (Offline(ctx)) return;
  DeviceLink& link = ctx.link;
  RunSelfCalibration(link, kSelfCalibrationTargetLevel, [&](int b) {
    Status(ctx, WithNumber(t::kSelfCalibratingHead, b * 100 / kSelfCalibrationFinal, t::kPercentTail));
    ctx.panel.DrawProgress(2.0 * b);
  });

  std::array<int, kCalibrationRegisters> values{};
  int unansweredInARow = 0;
  for (int r = 0; r < kCalibrationRegisters; ++r) {
    Status(ctx, WithNumber(t::kSavingValuesHead, r * 100 / kLastRegister, t::kPercentTail));
    values[static_cast<size_t>(r)] = ReadRegisterRetry(link, r);
    unansweredInARow = values[static_cast<size_t>(r)] < 0 ? unansweredInARow + 1 : 0;
    // An instrument that has stopped answering would cost three read time-outs per register,
    // about half an hour for the whole read-back, and would leave a file of unreadable values
    // in place of a good table. Give up instead, keeping "calvalue.dat" and the table as they
    // are; a register missed here and there is still marked unreadable as usual.
    if (unansweredInARow >= kReadBackGiveUpRegisters) {
      link.host.dialogs.Problem(t::kReadBackAbandoned);
      return;
    }
  }
  const std::string text = FormatCalibrationRegisters(values);
  std::string error;
  if (!WriteFileAtomic(ctx.appFolder / kCalibrationFileName, text, &error)) {
    link.host.dialogs.Problem(std::string(t::kSaveErrorHead) + error, Dialogs::Severity::kCritical);
  }
  // The table stays indexed by channel: register r sets channel 2r; unreadable registers leave
  // their channels as they were.
  ApplyRegisterReadback(values, ctx.table);
  // The acquisition keeps the read-back with its files; this copy is a convenience, so its
  // failure is ignored. The same bytes are written rather than copied, so the acquisition
  // still gets them when the application folder's file could not be written.
  if (!targetFolder.empty()) WriteFileAtomic(targetFolder / kCalibrationFileName, text);
}

bool SoftwareCalibration(CalibrationContext& ctx) {
  DeviceLink& link = ctx.link;
  Host& host = link.host;
  if (Offline(ctx)) {
    host.dialogs.Problem(t::kOfflineRefusal);
    return false;
  }
  if (IsFile(ctx.appFolder / kCalibrationFileName)) {
    Status(ctx, t::kWritingCalibration);
    // A register file (from the self-calibration) is taken by channel: register r -> channel 2r.
    CalibrationLoad load = LoadCalibrationTable(ctx.appFolder, ctx.table);
    if (load.outOfRange > 0) {
      host.dialogs.Problem(std::string(kCalibrationFileName) + ": " + load.problem);
    }
  } else {
    Status(ctx, t::kWritingFirstTimeCalibration);
    std::string error;
    if (ResetCalibrationTable(ctx.appFolder, ctx.table, &error)) {
      ctx.tableFileWritten = true;
    } else {
      host.dialogs.Problem(std::string(t::kSaveErrorHead) + error, Dialogs::Severity::kCritical);
    }
  }
  std::array<ChannelCalibration, kChannelSlots> states{};
  PrepareSoftwareCalibration(ctx.wellMap, ctx.table, states);
  ctx.panel.SetProgressScale(kChannelScale);

  // Every beam's register gets the table's setting first.
  int writes = 0;
  for (int d = 0; d < kChannelCount && Active(ctx); d += 2) {
    Status(ctx, WithNumber(t::kWritingChannelHead, d));
    ctx.panel.DrawProgress(d);
    if (WriteRegisterVerified(link, ChannelRegister(d), SettingOf(ctx.table, d)) != 1) {
      host.dialogs.Problem(t::kCommunicationError);
      return false;
    }
    ++ctx.registersWritten;
    if (++writes % kWritesBetweenEvents == 0) host.pacer.PumpEvents();
  }

  ReadingRows rows(ctx.buffers, 1);
  int16_t* levels = rows.Row(0);
  int rewritten = kChannelCount - 1;
  bool allDone = false;
  while (!allDone && Active(ctx)) {
    Status(ctx, t::kAcquiring);
    DiscardBlocks(link, kCalibrationBlockBytes);
    host.pacer.PauseMs(kDiscardSettleMs);
    ReadAllInto(link, levels, kCalibrationBlockBytes);
    Status(ctx, WithNumber(t::kCalibratingRoundHead, rewritten, t::kCalibratingRoundTail));
    ctx.panel.DrawProgress(kChannelScale - rewritten);
    allDone = true;
    rewritten = 0;
    for (int c = 0; c < kChannelCount; c += 2) {
      if (states[c].done) continue;
      const int level = levels[c];
      if (level < kCalibrationLow || level > kCalibrationHigh) allDone = false;
      if (!SoftwareCalibrationStep(states[c], ctx.table.PowerTable[c], ctx.table.GainTable[c],
                                   level)) {
        continue;
      }
      ++rewritten;
      if (WriteRegisterVerified(link, ChannelRegister(c), SettingOf(ctx.table, c)) != 1) {
        if (ctx.stopAcquisition) ctx.stopAcquisition();
        host.pacer.PumpEvents();
        return false;
      }
      ++ctx.registersWritten;
    }
    host.pacer.PumpEvents();
  }

  Status(ctx, t::kCalibrationOk);
  return SaveTable(ctx);
}

bool AutoZero(CalibrationContext& ctx, double snr, bool autoCalibrationAndZero) {
  DeviceLink& link = ctx.link;
  Status(ctx, t::kAutoZeroStart);
  ctx.panel.ClearProgress();
  const int samples = autoCalibrationAndZero ? kAutoZeroSamplesBoth : kAutoZeroSamples;
  ctx.panel.SetProgressScale(samples);
  ReadingRows rows(ctx.buffers, samples);
  if (!Offline(ctx)) DiscardBlocks(link, kAutoZeroBlockBytes);
  for (int s = 0; s < samples; ++s) {
    ReadAllInto(link, rows.Row(s), kAutoZeroBlockBytes);
    Status(ctx, WithNumber(t::kAutoZeroSampleHead, s, t::kAutoZeroSampleTail));
    ctx.panel.DrawProgress(s);
    if (s % kAutoZeroEventEvery == 0) {
      link.host.pacer.PumpEvents();
      if (!Active(ctx)) return false;
    }
  }
  for (int c = 0; c < kChannelCount; ++c) {
    ctx.project.ChannelThreshold[c] = AutoZeroThreshold(rows.View(), c, samples, snr);
  }
  return true;
}

bool RunStartCalibration(CalibrationContext& ctx, const std::filesystem::path& acquisitionFolder,
                         bool autoCalibration, bool autoZero, std::string_view snrText) {
  if (Offline(ctx)) return true;
  if (autoCalibration) {
    ctx.panel.ShowPanel(t::kAutoCalibrationCaption);
    ctx.panel.SetProgressScale(kChannelScale);
    ctx.panel.SetProgressBackground(kLightYellowRed, kLightYellowGreen, kLightYellowBlue);
    ctx.panel.ClearProgress();
    DeviceSelfCalibration(ctx, acquisitionFolder);
    ctx.panel.HidePanel();
  }
  bool completed = true;
  if (autoZero) {
    ctx.panel.ShowPanel(t::kAutoCalibrationCaption);
    ctx.panel.ClearProgress();
    completed = AutoZero(ctx, RunStartSnr(snrText), autoCalibration && autoZero);
    ctx.panel.HidePanel();
  }
  return completed;
}

bool FastCalibration(CalibrationContext& ctx) {
  ctx.panel.ShowPanel({});
  const bool ok = SoftwareCalibration(ctx);
  ctx.panel.HidePanel();
  return ok;
}

bool FastZero(CalibrationContext& ctx, std::string_view snrText, bool autoCalibrationAndZero) {
  ctx.panel.ShowPanel({});
  const bool ok =
      AutoZero(ctx, SnrFromBoxText(snrText).value_or(kFallbackSnr), autoCalibrationAndZero);
  ctx.panel.HidePanel();
  return ok;
}

}  // namespace movexa
