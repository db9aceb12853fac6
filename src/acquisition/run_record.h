// The record of the acquisition run a program owns: the run state shared by the whole system,
// the run context of the main window (experiment name, folder, start and paused time), the
// sampling counters, the run buffers and the data-file writer. The engine (acquisition_engine.h)
// changes it; windows, reports and the command line only read it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "acquisition/data_files.h"
#include "acquisition/live_detection.h"
#include "base/constants.h"
#include "base/date_time.h"

namespace movexa {

// `RunState`: 0 stopped, 1 running, 2 paused.
enum class RunState : int16_t { kStopped = 0, kRunning = 1, kPaused = 2 };

// `RunContext` of the main window.
struct RunContext {
  std::string experimentName;  // as entered; empty means monitor mode
  bool recording = false;      // activity is computed and files are written
  std::string folderName;      // "yyyymmdd_hhmm" of the start
  std::filesystem::path folder;  // the acquisition folder (project path / folderName)
  CivilTime startWall;           // wall moment the sampling timer was enabled
  // Monotonic milliseconds of the start, moved forward by the time of counted pauses; elapsed
  // run time is always now - startMs on the monotonic clock.
  int64_t startMs = 0;
  int64_t pausedElapsedMs = 0;   // elapsed time at the moment of a counted pause
  bool timeCounterPaused = false;
  int32_t elapsedMinutes = 0;    // whole minutes since the start (32-bit everywhere)
  bool finished = false;         // the programmed duration was reached
  // Past the programmed end: when the run ends whether or not its bin in progress has closed
  // (elapsed milliseconds; -1 until the end is reached), and whether it ended that way (the
  // partial bin dropped, as Stop drops it).
  int64_t endDeadlineMs = -1;
  bool lastBinDropped = false;
  double temperatureSetPoint = 20.0;  // degrees, from the temperature box at start
  double temperature = 0.0;           // the instrument's last temperature, degrees
  bool temperatureRead = false;       // a temperature reading has arrived during this run
  bool autorun = false;
};

// `SampleCounters` of the sampling loop.
struct SampleCounters {
  int sampleIndex = 0;        // row of the raw buffer, 0 .. RT_Buffer - 1
  int64_t ticks = 0;          // samples since the start of the run, restarted at resume
  int windowPosition = 0;     // 0 .. DSP_Interval
  bool windowPhase = false;   // toggles at every window end (threshold line blue/green)
  int displayCounter = 0;     // samples since the last full redraw of the live display
  int lightCounter = 0;       // samples since the last 25-sample light point
  int64_t blankTicks = 0;     // samples of the blank reading
  int64_t samplesTaken = 0;   // samples since Play (progress, never restarted)
  int64_t binsClosed = 0;     // bins closed since Play
  int64_t badBlocks = 0;      // block replies that were short or failed their parity
  int64_t binBlocks = 0;      // block requests of the bin in progress
  int64_t binBadBlocks = 0;   // of which bad
  int64_t badBins = 0;        // bins closed with most of their blocks bad
  int64_t silentSamples = 0;  // samples in a row without a single good block
  bool instrumentSilent = false;  // the operator was told that the instrument does not answer
  int64_t tickFaults = 0;     // ticks ended early by an unexpected fault
  bool binJustClosed = false; // bin counts return to 0 at the next sample
};

struct AcquisitionRun {
  RunState runState = RunState::kStopped;
  RunContext context;
  SampleCounters counters;
  RunBuffers buffers;
  BinFileState files;
  bool timerEnabled = false;  // `Timeradq`
  int timerIntervalMs = 10;
  bool blankMode = false;     // a blank reading is in progress
  bool inTick = false;        // a tick is running (ticks never re-enter)
  // Folder of the last recorded run ("Show my report"); empty before the first one.
  std::filesystem::path lastRecordedFolder;
  // The counts of the last closed bin (channels without a well 0; the temperature slot 0 here):
  // written to "counts.bin" and shown by the quick report at the end of the run.
  std::array<int16_t, kChannelSlots> binRecord{};
  // Texts the live display shows, kept here so that a tick formats without allocating.
  std::array<char, 32> elapsedText{};
  std::array<char, 16> temperatureText{};
};

}  // namespace movexa
