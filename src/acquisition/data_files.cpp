// Bin-close writer of "counts.bin" and the numbered raw files, with the waiting-bin recovery.
#include "acquisition/data_files.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <string_view>

#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "base/rounding.h"

namespace movexa {

namespace {

constexpr std::string_view kCountsFileName = "counts.bin";
constexpr size_t kPathReserve = 4096;  // the longest path of most file systems

// A file-size limit (RLIMIT_FSIZE) would end the program with SIGXFSZ part-way through a raw
// block. With the signal ignored the write fails with EFBIG instead and takes the path of every
// write the system refuses: the partial block is cut back, the bin waits in memory and the
// operator is told. Checked before every bin's appends (a handler the program installed is
// left in place).
void KeepRunningPastFileSizeLimit() {
  struct sigaction current {};
  if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
    std::signal(SIGXFSZ, SIG_IGN);
  }
}

std::string WaitingText(const BinFileState& s) {
  return std::to_string(s.waiting.size()) + " bin(s) waiting in memory";
}

// The raw buffer's bytes, little-endian int16, channel fastest.
std::string RawBytes(std::span<const int16_t> block) {
  std::string out;
  out.reserve(block.size_bytes());
  for (int16_t v : block) {
    auto u = static_cast<uint16_t>(v);
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

// Appends the raw buffer to `path` straight from memory where the layouts agree.
bool AppendRawBlock(const char* path, std::span<const int16_t> block, std::string& error,
                    int& errorNumber) {
  if constexpr (std::endian::native == std::endian::little) {
    std::string_view bytes(reinterpret_cast<const char*>(block.data()), block.size_bytes());
    return AppendToFile(path, bytes, &error, &errorNumber);
  } else {
    return AppendToFile(path, RawBytes(block), &error, &errorNumber);
  }
}

bool AppendRaw(const std::filesystem::path& folder, const WaitingBin& bin, std::string& error,
               int& errorNumber) {
  auto path = folder / RawFileName(bin.fileNumber);
  if (bin.rawDropped) {
    return AppendToFile(path, std::string(static_cast<size_t>(bin.rawBytes), '\0'), &error,
                        &errorNumber);
  }
  return AppendToFile(path, bin.raw, &error, &errorNumber);
}

// The path of `name` in `folder`, built in the state's reused text (no allocation once it has
// grown to the longest path of the run).
const char* PathIn(BinFileState& state, const std::filesystem::path& folder, std::string_view name) {
  state.pathText.assign(folder.native());
  if (!state.pathText.empty() && state.pathText.back() != '/') state.pathText.push_back('/');
  state.pathText.append(name);
  return state.pathText.c_str();
}

void ForgetRaw(BinFileState& state, WaitingBin& bin) {
  state.waitingRawBytes -= static_cast<int64_t>(bin.raw.size());
  std::string().swap(bin.raw);
}

// A file has reached the file-size limit: said once per file, since it can never grow.
void TellFileSizeLimit(Host& host, std::string_view file, bool counts) {
  host.status.SetStatus(
      kDataFileStatusWhere,
      std::string(file) +
          " has reached the file-size limit of this program (ulimit -f), not a full disk: " +
          (counts ? "the activity counts of later bins cannot be stored. Stop the run and raise "
                    "the limit."
                  : "the raw signals of its later bins cannot be stored; the activity counts "
                    "(counts.bin) are still recorded."));
}

// What happened to one append of a raw block or a counts record.
enum class Append { kWritten, kOverLimit, kFailed };

Append RawAppend(Host& host, BinFileState& state, int fileNumber, bool written, int errorNumber) {
  if (written) return Append::kWritten;
  if (errorNumber != EFBIG) return Append::kFailed;
  state.rawFileAtLimit = fileNumber;
  TellFileSizeLimit(host, RawFileName(fileNumber), false);
  return Append::kOverLimit;
}

Append CountsAppend(Host& host, BinFileState& state, bool written, int errorNumber) {
  if (written) return Append::kWritten;
  if (errorNumber != EFBIG) return Append::kFailed;
  state.countsAtLimit = true;
  TellFileSizeLimit(host, kCountsFileName, true);
  return Append::kOverLimit;
}

void GiveUpRaw(BinFileState& state, WaitingBin& bin) {
  bin.rawOverLimit = true;
  ++state.rawBlocksOverLimit;
  ForgetRaw(state, bin);
}

// Writes what the waiting bins hold, in order: raw blocks in order until one fails (a file at
// the size limit gives up its blocks instead), counts records in order until one fails,
// independently of the raw blocks. True when nothing is left waiting.
bool DrainWaiting(Host& host, BinFileState& state, const std::filesystem::path& folder,
                  std::string& error) {
  bool rawBlocked = false, countsBlocked = false;
  for (WaitingBin& bin : state.waiting) {
    if (!bin.RawDone() && !rawBlocked) {
      int errorNumber = 0;
      if (bin.fileNumber == state.rawFileAtLimit) {
        GiveUpRaw(state, bin);
      } else {
        const bool ok = AppendRaw(folder, bin, error, errorNumber);
        switch (RawAppend(host, state, bin.fileNumber, ok, errorNumber)) {
          case Append::kWritten:
            bin.rawWritten = true;
            ForgetRaw(state, bin);
            break;
          case Append::kOverLimit:
            GiveUpRaw(state, bin);
            break;
          case Append::kFailed:
            rawBlocked = true;
            break;
        }
      }
    }
    if (!bin.CountsDone() && !countsBlocked) {
      int errorNumber = 0;
      const bool ok = !state.countsAtLimit &&
                      AppendToFile(folder / kCountsFileName, bin.counts, &error, &errorNumber);
      switch (state.countsAtLimit ? Append::kOverLimit
                                  : CountsAppend(host, state, ok, errorNumber)) {
        case Append::kWritten:
          bin.countsWritten = true;
          break;
        case Append::kOverLimit:
          bin.countsOverLimit = true;
          ++state.countsOverLimit;
          break;
        case Append::kFailed:
          countsBlocked = true;
          break;
      }
    }
  }
  std::erase_if(state.waiting, [](const WaitingBin& b) { return b.RawDone() && b.CountsDone(); });
  return state.waiting.empty();
}
// Tells the operator what changed: the start of a failure episode, raw blocks being dropped,
// or the end of the episode.
// `waitingBefore` is the number of bins that were waiting before this write.
BinWriteResult Conclude(Host& host, BinFileState& state, bool upToDate, size_t waitingBefore,
                        const std::string& error) {
  BinWriteResult result;
  result.upToDate = upToDate;
  result.waitingBins = static_cast<int>(state.waiting.size());
  if (!upToDate) {
    result.error = error;
    state.lastError = error;
    if (!state.failing) {
      state.failing = true;
      host.status.SetStatus(kDataFileStatusWhere,
                            "Data files cannot be written (" + error + "): " + WaitingText(state) +
                                ", to be written as soon as the disk allows");
    }
    if (state.droppedRawBlocks > 0 && !state.droppingReported) {
      state.droppingReported = true;
      host.status.SetStatus(kDataFileStatusWhere,
                            "Memory for waiting raw data is full: raw signals of later bins will "
                            "be written as zeros; activity counts are kept (" +
                                WaitingText(state) + ")");
    }
  } else if (state.failing) {
    state.failing = false;
    state.droppingReported = false;
    std::string text = "Data files written again: " + std::to_string(waitingBefore) +
                       " waiting bin(s) saved";
    if (state.droppedRawBlocks > 0) {
      text += "; raw signals of " + std::to_string(state.droppedRawBlocks) +
              " bin(s) were written as zeros";
    }
    host.status.SetStatus(kDataFileStatusWhere, text);
  }
  return result;
}

}  // namespace

void BinFileState::Reset() {
  int64_t limit = waitingRawLimitBytes;
  std::string counts = std::move(countsBytes);
  std::string path = std::move(pathText);
  *this = BinFileState{};
  waitingRawLimitBytes = limit;
  // The working texts are sized here, before the run, so that its bin closes allocate nothing.
  countsBytes = std::move(counts);
  countsBytes.clear();
  countsBytes.reserve(kCountsRecordBytes);
  pathText = std::move(path);
  pathText.clear();
  pathText.reserve(kPathReserve);
}

std::string RawFileName(int fileNumber) { return std::to_string(fileNumber) + ".bin"; }

BinWriteResult AppendBinFiles(Host& host, BinFileState& state, const std::filesystem::path& folder,
                              bool saveReal, int32_t elapsedMinutes,
                              const std::array<int16_t, kChannelSlots>& binCounts,
                              double temperature, std::span<const int16_t> rawBlock) {
  KeepRunningPastFileSizeLimit();
  CountsRecord record;
  record.minutes = elapsedMinutes;
  record.values = binCounts;
  record.values[kChannelCount] =
      std::isnan(temperature) ? kNoTemperature : SaturateInt16(RoundHalfEven(temperature * 10.0));
  state.countsBytes.clear();
  EncodeCountsRecord(record, state.countsBytes);

  std::string error;
  const int fileNumber = state.fileNumber;
  size_t waitingBefore = state.waiting.size();
  DrainWaiting(host, state, folder, error);
  // Nothing of its kind waits: this bin's raw block and record go straight from the run
  // buffer (copied only when they must wait); each waits only behind its own kind.
  const bool rawWaits = std::any_of(state.waiting.begin(), state.waiting.end(),
                                    [](const WaitingBin& b) { return !b.RawDone(); });
  const bool countsWait = std::any_of(state.waiting.begin(), state.waiting.end(),
                                      [](const WaitingBin& b) { return !b.CountsDone(); });
  Append raw = saveReal ? Append::kFailed : Append::kWritten;
  if (saveReal && fileNumber == state.rawFileAtLimit) {
    raw = Append::kOverLimit;
  } else if (saveReal && !rawWaits) {
    int errorNumber = 0;
    const bool ok = AppendRawBlock(PathIn(state, folder, RawFileName(fileNumber)), rawBlock, error,
                                   errorNumber);
    raw = RawAppend(host, state, fileNumber, ok, errorNumber);
  }
  Append counts = Append::kFailed;
  if (state.countsAtLimit) {
    counts = Append::kOverLimit;
  } else if (!countsWait) {
    int errorNumber = 0;
    const bool ok = AppendToFile(PathIn(state, folder, kCountsFileName), state.countsBytes,
                                 &error, &errorNumber);
    counts = CountsAppend(host, state, ok, errorNumber);
  }
  if (raw == Append::kOverLimit) ++state.rawBlocksOverLimit;
  if (counts == Append::kOverLimit) ++state.countsOverLimit;
  if (raw == Append::kFailed || counts == Append::kFailed) {
    WaitingBin bin;
    bin.fileNumber = fileNumber;
    bin.hasRaw = saveReal;
    bin.rawWritten = raw == Append::kWritten && saveReal;
    bin.rawOverLimit = raw == Append::kOverLimit;
    bin.countsWritten = counts == Append::kWritten;
    bin.countsOverLimit = counts == Append::kOverLimit;
    bin.rawBytes = static_cast<int64_t>(rawBlock.size_bytes());
    if (!bin.CountsDone()) bin.counts = state.countsBytes;
    if (!bin.RawDone()) {
      if (state.waitingRawBytes + bin.rawBytes <= state.waitingRawLimitBytes) {
        bin.raw = RawBytes(rawBlock);
        state.waitingRawBytes += bin.rawBytes;
      } else {
        bin.rawDropped = true;
        ++state.droppedRawBlocks;
      }
    }
    state.waiting.push_back(std::move(bin));
  }
  const bool upToDate = state.waiting.empty();

  // Block counter: after block 10 of a file the next bin starts a new file.
  if (state.blockInFile > 9) {
    state.blockInFile = 0;
    ++state.fileNumber;
  } else {
    ++state.blockInFile;
  }
  return Conclude(host, state, upToDate, waitingBefore, error);
}

BinWriteResult WriteWaitingBins(Host& host, BinFileState& state,
                                const std::filesystem::path& folder) {
  KeepRunningPastFileSizeLimit();
  std::string error;
  size_t waitingBefore = state.waiting.size();
  bool upToDate = DrainWaiting(host, state, folder, error);
  return Conclude(host, state, upToDate, waitingBefore, error);
}

std::string FileSizeLimitSummary(const BinFileState& state) {
  if (state.rawBlocksOverLimit == 0 && state.countsOverLimit == 0) return {};
  return "The file-size limit of this program (ulimit -f) kept out of the acquisition files: " +
         std::to_string(state.rawBlocksOverLimit) + " raw block(s) and " +
         std::to_string(state.countsOverLimit) +
         " counts record(s). Every other closed bin is on disk.";
}

}  // namespace movexa
