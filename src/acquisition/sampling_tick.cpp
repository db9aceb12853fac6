// The sampling tick: re-synchronisation, block requests and regrouping, envelopes and live
// detection, the blank reading, the refresh points of the live display, the 25-sample light
// point, the bin close with temperature, outputs, auto-zero and files, and the end of the run.
// Nothing here allocates once the run has started.
#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <span>

#include "acquisition/acquisition_engine.h"
#include "acquisition/quick_report.h"
#include "acquisition/run_texts.h"
#include "acquisition/signal_block.h"
#include "base/number_format.h"
#include "reports/raw_reanalysis.h"
#include "reports/report_request.h"

namespace movexa {

namespace texts = run_texts;

namespace {

constexpr std::array<int, 4> kFourBlockOffsets = {0, 16, 32, 48};
constexpr std::array<int, 8> kEightBlockOffsets = {0, 8, 16, 24, 32, 40, 48, 56};
constexpr int kBlockSignals = kBlockConsumeBytes / 2;
constexpr int kResyncPauseMs = 50;
constexpr int64_t kSilentSamples = 2;  // samples without a good block before the operator is told
constexpr int64_t kMsPerMinute = 60000;
constexpr int64_t kSecondsPerDay = 86400;
constexpr std::string_view kUnknownTemperature = "__";
// Requests in a row without any reply after which the rest of a sample is not asked for.
constexpr int kSilentExchangesEndSeries = 2;
// The least time a run waits past its programmed end for the bin in progress to close.
constexpr int64_t kEndGraceMinMs = 30000;

std::span<const int> BlockOffsets(std::string_view plateFormat) {
  if (IsFourBlockFormat(plateFormat)) return kFourBlockOffsets;
  return kEightBlockOffsets;
}

// Copies `text` into a fixed buffer (cut to fit) so the display can be handed a view of it.
template <size_t N>
void Keep(std::array<char, N>& out, std::string_view text) {
  size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, out.data());
  out[n] = '\0';
}

}  // namespace

int32_t ElapsedMinutes(int64_t elapsedMs) {
  if (elapsedMs <= 0) return 0;
  return static_cast<int32_t>(
      std::min<int64_t>(elapsedMs / kMsPerMinute, std::numeric_limits<int32_t>::max()));
}

std::string_view FormatElapsed(int64_t elapsedMs, std::array<char, 32>& out) {
  const int64_t seconds = std::max<int64_t>(elapsedMs, 0) / 1000;
  const int64_t days = seconds / kSecondsPerDay;
  const int64_t ofDay = seconds % kSecondsPerDay;
  int n = std::snprintf(out.data(), out.size(), "%02d:%02d:%02d [%lldd]",
                        static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
                        static_cast<int>(ofDay % 60), static_cast<long long>(days));
  return {out.data(), static_cast<size_t>(std::clamp(n, 0, static_cast<int>(out.size()) - 1))};
}

int64_t AcquisitionEngine::ElapsedMs() {
  const RunContext& context = state_.run.context;
  if (context.timeCounterPaused) return context.pausedElapsedMs;
  return host_.clock.MonotonicMs() - context.startMs;
}

void AcquisitionEngine::SetTemperatureText() {
  const RunContext& context = state_.run.context;
  if (context.temperatureRead) {
    Keep(state_.run.temperatureText, FormatNumber(context.temperature, "0.0"));
  } else {
    Keep(state_.run.temperatureText, kUnknownTemperature);
  }
}

bool AcquisitionEngine::Tick() {
  AcquisitionRun& run = state_.run;
  if (run.inTick || !run.timerEnabled) return run.timerEnabled;
  run.inTick = true;
  try {
    if (run.runState == RunState::kRunning) SampleOnce();
    if (run.timerEnabled) EveryTick();
  } catch (...) {
    // An unexpected fault ends this tick only; the next tick starts afresh.
    ++run.counters.tickFaults;
  }
  run.inTick = false;
  return run.timerEnabled;
}

void AcquisitionEngine::Resynchronise() {
  int silent = 0;
  for (int offset : BlockOffsets(state_.project.Plate_format)) {
    // An instrument that does not answer at all is not asked again within the series.
    silent = ExchangeSignalBlock(link_, offset, kBlockConsumeBytes).silent ? silent + 1 : 0;
    if (silent >= kSilentExchangesEndSeries) break;
  }
  BlockSeriesEndedInStep(link_);
  host_.pacer.PauseMs(kResyncPauseMs);
}

void AcquisitionEngine::ReadSample(int row) {
  RunBuffers& buffers = state_.run.buffers;
  std::span<int16_t> sample(buffers.RawRow(row), kChannelSlots);
  const std::span<const int> offsets = BlockOffsets(state_.project.Plate_format);
  // The blocks are kept aside until the sample's series of replies is known to have stayed in
  // step: a reply longer than expected shifts every later block of the series, so then none of
  // them is taken.
  std::array<SignalTable, kEightBlockOffsets.size()> tables;
  std::array<bool, kEightBlockOffsets.size()> good{};
  int silent = 0;
  for (size_t b = 0; b < offsets.size(); ++b) {
    const BlockExchange exchange = ExchangeSignalBlock(link_, offsets[b], kBlockConsumeBytes);
    good[b] = exchange.good;
    tables[b] = state_.signals;
    // Two requests in a row without a byte within the port table's time-outs: the instrument
    // is mute and the rest of the sample is not asked for, so that it costs two time-outs a
    // sample, not one a block. A single lost reply leaves the others to be read.
    silent = exchange.silent ? silent + 1 : 0;
    if (silent >= kSilentExchangesEndSeries) break;
  }
  if (!BlockSeriesEndedInStep(link_)) good.fill(false);
  NoteBlocks(offsets.size(), static_cast<size_t>(std::count(good.begin(), good.end(), true)));
  for (size_t b = 0; b < offsets.size(); ++b) {
    if (good[b]) {
      StoreSignalBlock(sample, offsets[b],
                       std::span<const int32_t>(tables[b].data(), kBlockSignals));
      continue;
    }
    ++state_.run.counters.badBlocks;
    // A bad block repeats the previous sample of its channels; the first two rows of a bin
    // keep what they hold.
    if (row > 1) {
      std::span<const int16_t> previous(buffers.RawRow(row - 1), kChannelSlots);
      RepeatSignalBlock(sample, previous, offsets[b], kBlockSignals);
    }
  }
}

void AcquisitionEngine::NoteBlocks(size_t blocks, size_t goodBlocks) {
  SampleCounters& c = state_.run.counters;
  c.binBlocks += static_cast<int64_t>(blocks);
  c.binBadBlocks += static_cast<int64_t>(blocks - goodBlocks);
  if (goodBlocks > 0) {
    c.silentSamples = 0;
    if (c.instrumentSilent) {
      c.instrumentSilent = false;
      host_.status.SetStatus(texts::kStatusWhere, texts::InstrumentAnswersAgain(c.badBins));
    }
    return;
  }
  // Two samples in a row without a good block: the instrument is not answering. The operator
  // is told once; the run keeps sampling, since the instrument may come back.
  if (++c.silentSamples >= kSilentSamples && !c.instrumentSilent) {
    c.instrumentSilent = true;
    host_.status.SetStatus(texts::kStatusWhere, texts::InstrumentNotAnswering(c.silentSamples));
  }
}

void AcquisitionEngine::DetectAll(int row) {
  AcquisitionRun& run = state_.run;
  ProjectSettings& p = state_.project;
  SampleCounters& c = run.counters;
  RunBuffers& buffers = run.buffers;
  const int dsp = std::max<int>(p.DSP_Interval, 1);
  const LiveDetectionSettings settings{p.DSP_Method, dsp};
  const bool autoZero = state_.main.autoZero;

  // Envelope (or the blank reading) once a whole detection window has been sampled.
  if (c.ticks > dsp && (run.blankMode || !autoZero)) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
      if (run.blankMode) {
        BlankUpdate(buffers.channels[ch], buffers.Raw(ch, row), p.ChannelThreshold[ch],
                    buffers.Filtered(ch, row));
      } else {
        UpdateEnvelope(buffers, settings, ch, row, p.ChannelThreshold[ch]);
      }
    }
  }
  if (!run.context.recording) return;  // monitor mode and blank: nothing is counted
  if (2 * c.ticks > 3 * static_cast<int64_t>(dsp)) {
    for (int ch = 0; ch < kChannelCount; ++ch) DetectSample(buffers, settings, ch, row);
  }
  if (autoZero) {
    for (int ch = 0; ch < kChannelCount; ++ch)
      AutoZeroSample(buffers.channels[ch], buffers.Raw(ch, row));
  }
}

void AcquisitionEngine::SampleOnce() {
  AcquisitionRun& run = state_.run;
  SampleCounters& c = run.counters;
  const ProjectSettings& p = state_.project;
  const int dsp = std::max<int>(p.DSP_Interval, 1);
  const int row = c.sampleIndex;
  const bool online = !Offline();

  if (c.binJustClosed) {
    for (auto& channel : run.buffers.channels) channel.binCount = 0;
    c.binJustClosed = false;
  }
  if (online && (row < 2 || c.ticks <= 1)) Resynchronise();
  if (online) ReadSample(row);

  if (c.displayCounter >= dsp) {
    c.displayCounter = 0;
    display_.RedrawTrace();
  }
  if (run.blankMode && c.ticks > dsp && c.blankTicks > p.Threshold_Counter) {
    FinishBlank();
    return;
  }
  DetectAll(row);
  display_.DrawTraceStep();
  display_.ShowTemperature(run.temperatureText.data(), c.samplesTaken + 1);

  ++c.blankTicks;
  ++c.samplesTaken;
  if (++c.sampleIndex >= run.buffers.rtBuffer) {
    c.sampleIndex = 0;
    CloseBin();
  }

  if (++c.lightCounter >= kLightPointSamples) {
    c.lightCounter = 0;
    run.context.elapsedMinutes = ElapsedMinutes(ElapsedMs());
    display_.DrawRunProgress(run.context.elapsedMinutes, p.Aq_lapse);
    Apply(PulseStep(state_.outputs, LightScheduleFromMn(p.Mn), ElapsedMs()));
  }

  ++c.displayCounter;
  if (c.windowPosition >= dsp) {
    c.windowPosition = 0;
    c.windowPhase = !c.windowPhase;
    if (run.context.recording) {
      for (int ch = 0; ch < kChannelCount; ++ch)
        EndDetectionWindow(run.buffers.channels[ch], p.DSP_Method);
    }
    display_.RedrawActivity();
  } else {
    ++c.windowPosition;
  }
  ++c.ticks;
}

void AcquisitionEngine::FinishBlank() {
  AcquisitionRun& run = state_.run;
  ProjectSettings& p = state_.project;
  for (int ch = 0; ch < kChannelCount; ++ch) {
    const ChannelRunState& s = run.buffers.channels[ch];
    p.ChannelThreshold[ch] = BlankThreshold(s.blankMinimum, s.blankMaximum, p.ChannelThreshold[ch]);
  }
  run.blankMode = false;
  run.timerEnabled = false;
  // The blank's own run ends with it: buttons, outputs and port as after Stop, which hides the
  // blank label. The outcome is said afterwards in the status line, where it stays.
  CmdStop();
  host_.status.SetStatus(texts::kStatusWhere, texts::SettingChannelOk(0));
}

void AcquisitionEngine::CloseBin() {
  AcquisitionRun& run = state_.run;
  RunContext& context = run.context;
  ProjectSettings& p = state_.project;
  const WellMap& wells = state_.wellMap;
  context.elapsedMinutes = ElapsedMinutes(ElapsedMs());

  if (!Offline()) {
    // A temperature that does not arrive keeps the last one read (never a value made of -1).
    int raw = DeviceQuery(link_, kCodeTemperature, 0, kModeCommand);
    if (raw >= 0) {
      context.temperature = TemperatureDegrees(raw, state_.connection.factory);
      context.temperatureRead = true;
    }
  }
  SetTemperatureText();
  Apply(BinCloseOutputs(state_.outputs, LightScheduleFromMn(p.Mn), host_.clock.Now().hour,
                        context.temperature, context.temperatureSetPoint));

  const bool autoZero = state_.main.autoZero && context.recording;
  for (int ch = 0; ch < kChannelCount; ++ch) {
    const bool mapped = wells.channelWell[ch] >= 0;
    if (autoZero && mapped) {
      AutoZeroBinClose(run.buffers, ch, state_.main.snr, p.ChannelThreshold[ch],
                       state_.main.autoCalibration, context.recording);
    }
    run.binRecord[ch] = mapped ? run.buffers.channels[ch].binCount : int16_t{0};
  }
  run.binRecord[kChannelCount] = 0;
  if (context.recording) {
    // Without any reading during the run the record carries the missing-temperature marker,
    // never 0.0 degrees.
    AppendBinFiles(
        host_, run.files, context.folder, p.Save_real == 1, context.elapsedMinutes, run.binRecord,
        context.temperatureRead ? context.temperature : std::numeric_limits<double>::quiet_NaN(),
        std::span<const int16_t>(run.buffers.raw.data(), run.buffers.raw.size()));
  }
  ++run.counters.binsClosed;
  run.counters.binJustClosed = true;
  // A bin whose blocks were mostly bad holds repeated signals, not the activity.
  if (2 * run.counters.binBadBlocks > run.counters.binBlocks) ++run.counters.badBins;
  run.counters.binBlocks = 0;
  run.counters.binBadBlocks = 0;
}

void AcquisitionEngine::EveryTick() {
  AcquisitionRun& run = state_.run;
  RunContext& context = run.context;
  const int64_t elapsedMs = ElapsedMs();
  context.elapsedMinutes = ElapsedMinutes(elapsedMs);
  display_.ShowElapsed(FormatElapsed(elapsedMs, run.elapsedText));
  if (run.blankMode || context.elapsedMinutes < state_.project.Aq_lapse) return;
  // A running run ends at a bin boundary, so that its last bin is whole; a paused one at once.
  SampleCounters& c = run.counters;
  if (run.runState != RunState::kRunning || c.sampleIndex == 0) {
    FinishRun();
    return;
  }
  // Past its programmed end, the bin in progress is waited for only while it can close in
  // time: never when the instrument does not answer, at most twice the time its remaining
  // samples took so far in the run (and at least kEndGraceMinMs).
  if (context.endDeadlineMs < 0) {
    const int64_t samples = std::max<int64_t>(c.samplesTaken, 1);
    const int64_t remaining = run.buffers.rtBuffer - c.sampleIndex;
    context.endDeadlineMs =
        elapsedMs + std::max(kEndGraceMinMs, 2 * remaining * elapsedMs / samples);
  }
  if (c.instrumentSilent || elapsedMs >= context.endDeadlineMs) {
    context.lastBinDropped = true;
    host_.status.SetStatus(texts::kStatusWhere,
                           c.instrumentSilent
                               ? texts::RunEndWithoutAnswer(state_.project.Aq_lapse)
                               : texts::RunEndBinTooSlow(
                                     state_.project.Aq_lapse,
                                     (elapsedMs - int64_t{state_.project.Aq_lapse} * kMsPerMinute) /
                                         1000));
    FinishRun();
  }
}

void AcquisitionEngine::FinishRun() {
  AcquisitionRun& run = state_.run;
  RunContext& context = run.context;
  context.finished = true;
  run.timerEnabled = false;
  Apply(OutputsAtStop(state_.outputs));
  // Every closed bin reaches the files before a report reads them.
  if (!run.files.waiting.empty()) WriteWaitingBins(host_, run.files, run.lastRecordedFolder);

  if (context.recording && state_.main.userDefinedBin) {
    if (!display_.RunAutomaticReport(context.folder)) {
      ReportRequest request = RequestFromConfig(state_.reportConfig, context.folder, state_.appDir);
      request.autoreport = true;
      bool stopRequested = false;
      GenerateAutomaticReport(request, state_.reportConfig.rawexport == 1, stopRequested, host_);
    }
    display_.BringMainWindowToFront();
  } else {
    if (context.recording) {
      // The activity of the last closed bin (a paused run may end part-way through a bin).
      QuickReportInputs inputs{run.binRecord,
                               state_.project,
                               state_.wellMap,
                               state_.geometry.rows,
                               state_.config.Actual_Project_Number,
                               state_.ProjectPath};
      WriteQuickReport(host_, run.timerEnabled, inputs);
    }
    host_.dialogs.Message(texts::kAcquisitionFinished);
  }
  CmdStop();
}

}  // namespace movexa
