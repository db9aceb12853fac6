// The files a recorded run appends to at every bin close: the raw block to "<n>.bin" (when
// real-time saving is on), then the 774-byte record to "counts.bin", then the block counter
// (eleven blocks per raw file, advancing also without real-time saving so that raw block i
// stays beside counts record i).
//
// No closed bin is ever lost to a failing disk: a bin that cannot be written waits in memory,
// in order, and is written as soon as the disk allows. Counts records and raw blocks wait
// apart: a raw block that cannot be written never holds back the small counts record. Counts
// records are always kept; raw blocks are kept up to a memory limit, beyond which a waiting
// bin's raw block is written as zeros so that the numbering stays aligned. A file that has
// reached the process's file-size limit (EFBIG) can never grow: its later blocks (or records)
// are given up and counted at once rather than kept waiting for ever, and the operator is told
// that the limit is the cause. The operator is told through the status line (never a modal
// message, which would stop the sampling).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <span>
#include <string>

#include "base/constants.h"
#include "base/host.h"

namespace movexa {

inline constexpr int64_t kDefaultWaitingRawLimitBytes = 256LL * 1024 * 1024;
inline constexpr std::string_view kDataFileStatusWhere = "Frm_Main.lblstatus";

// One closed bin that has not fully reached the disk.
struct WaitingBin {
  int fileNumber = 0;       // raw file the block belongs to
  bool hasRaw = false;      // real-time saving was on for this bin
  bool rawWritten = false;  // the raw block is already in its file
  bool rawDropped = false;  // the block was not kept (memory limit): zeros are written instead
  bool rawOverLimit = false;     // its file reached the file-size limit: given up
  bool countsWritten = false;    // the record is already in "counts.bin"
  bool countsOverLimit = false;  // "counts.bin" reached the file-size limit: given up
  int64_t rawBytes = 0;     // size of the raw block
  std::string raw;          // the block's bytes while kept
  std::string counts;       // the 774-byte record
  bool RawDone() const { return !hasRaw || rawWritten || rawOverLimit; }
  bool CountsDone() const { return countsWritten || countsOverLimit; }
};

// Writer state of one run: the raw-file numbering and the bins waiting for the disk.
struct BinFileState {
  int fileNumber = 0;   // raw file of the next bin
  int blockInFile = 0;  // block of the next bin within that file, 0..10
  std::deque<WaitingBin> waiting;
  int64_t waitingRawBytes = 0;
  int64_t waitingRawLimitBytes = kDefaultWaitingRawLimitBytes;
  bool failing = false;          // a failure episode is in progress (the operator was told)
  bool droppingReported = false; // the operator was told that raw blocks are being dropped
  int64_t droppedRawBlocks = 0;  // raw blocks of the run written as zeros
  std::string lastError;         // the file system's words of the latest failure
  // The file-size limit: the raw file that reached it (its later blocks are given up; -1:
  // none), whether "counts.bin" reached it, and what the run could not store because of it.
  int rawFileAtLimit = -1;
  bool countsAtLimit = false;
  int64_t rawBlocksOverLimit = 0;
  int64_t countsOverLimit = 0;
  // Working storage of a bin close, kept from bin to bin so that a bin written straight to the
  // disk allocates nothing: the encoded record and the path of the file being appended to.
  std::string countsBytes;
  std::string pathText;

  // Back to the start of a run (file 0, block 0, nothing waiting), with the working texts sized.
  void Reset();
};

struct BinWriteResult {
  bool upToDate = false;  // this bin and every earlier one are on disk (or given up at the limit)
  int waitingBins = 0;
  std::string error;      // the latest failure, when not up to date
};

// What the file-size limit kept out of the files of the run, for the operator at its end; empty
// when nothing.
std::string FileSizeLimitSummary(const BinFileState& state);

// Bin close of a recorded run: element 384 of the record is round(temperature x 10) (halves to
// even, saturated to 16 bits), or kNoTemperature when `temperature` is NaN (no reading arrived
// during the run); `rawBlock` is the whole raw buffer (385 x (RT_Buffer + 1)
// values, channel fastest), written only when `saveReal`. Earlier waiting bins are written
// first, in order. Each append opens, writes and closes its file; a failed append leaves the
// file as it was.
BinWriteResult AppendBinFiles(Host& host, BinFileState& state, const std::filesystem::path& folder,
                              bool saveReal, int32_t elapsedMinutes,
                              const std::array<int16_t, kChannelSlots>& binCounts,
                              double temperature, std::span<const int16_t> rawBlock);

// Writes the waiting bins without closing a new one (at Stop, or when the operator asks).
BinWriteResult WriteWaitingBins(Host& host, BinFileState& state,
                                const std::filesystem::path& folder);

// Name of raw file `fileNumber`: "<n>.bin".
std::string RawFileName(int fileNumber);

}  // namespace movexa
