// Bin-close writer of "counts.bin" and the numbered raw files, with the waiting-bin recovery.
#include "acquisition/data_files.h"

#include <bit>
#include <cmath>
#include <string_view>

#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "base/rounding.h"

namespace movexa {

namespace {

constexpr std::string_view kCountsFileName = "counts.bin";
constexpr size_t kPathReserve = 4096;  // the longest path of most file systems

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
bool AppendRawBlock(const char* path, std::span<const int16_t> block, std::string& error) {
  if constexpr (std::endian::native == std::endian::little) {
    std::string_view bytes(reinterpret_cast<const char*>(block.data()), block.size_bytes());
    return AppendToFile(path, bytes, &error);
  } else {
    return AppendToFile(path, RawBytes(block), &error);
  }
}

bool AppendRaw(const std::filesystem::path& folder, const WaitingBin& bin, std::string& error) {
  auto path = folder / RawFileName(bin.fileNumber);
  if (bin.rawDropped) {
    return AppendToFile(path, std::string(static_cast<size_t>(bin.rawBytes), '\0'), &error);
  }
  return AppendToFile(path, bin.raw, &error);
}

// The path of `name` in `folder`, built in the state's reused text (no allocation once it has
// grown to the longest path of the run).
const char* PathIn(BinFileState& state, const std::filesystem::path& folder, std::string_view name) {
  state.pathText.assign(folder.native());
  if (!state.pathText.empty() && state.pathText.back() != '/') state.pathText.push_back('/');
  state.pathText.append(name);
  return state.pathText.c_str();
}

// Writes one bin (the raw block unless already written, then the counts record); false at the
// first failure, the bin then recording how far it got.
bool WriteBin(const std::filesystem::path& folder, WaitingBin& bin, std::string& error) {
  if (bin.hasRaw && !bin.rawWritten) {
    if (!AppendRaw(folder, bin, error)) return false;
    bin.rawWritten = true;
  }
  return AppendToFile(folder / kCountsFileName, bin.counts, &error);
}

void ForgetRaw(BinFileState& state, WaitingBin& bin) {
  state.waitingRawBytes -= static_cast<int64_t>(bin.raw.size());
  std::string().swap(bin.raw);
}

// Writes waiting bins in order until one fails; true when none is left.
bool DrainWaiting(BinFileState& state, const std::filesystem::path& folder, std::string& error) {
  while (!state.waiting.empty()) {
    WaitingBin& bin = state.waiting.front();
    bool ok = WriteBin(folder, bin, error);
    if (bin.rawWritten) ForgetRaw(state, bin);
    if (!ok) return false;
    state.waiting.pop_front();
  }
  return true;
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
  bool upToDate = DrainWaiting(state, folder, error);
  bool rawWritten = false;
  if (upToDate) {
    // Nothing waits: write straight from the run buffer, copying only if the write fails.
    if (saveReal) {
      rawWritten = AppendRawBlock(PathIn(state, folder, RawFileName(fileNumber)), rawBlock, error);
    }
    upToDate = (!saveReal || rawWritten) &&
               AppendToFile(PathIn(state, folder, kCountsFileName), state.countsBytes, &error);
  }
  if (!upToDate) {
    WaitingBin bin;
    bin.fileNumber = fileNumber;
    bin.hasRaw = saveReal;
    bin.rawWritten = rawWritten;
    bin.rawBytes = static_cast<int64_t>(rawBlock.size_bytes());
    bin.counts = state.countsBytes;
    if (saveReal && !bin.rawWritten) {
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
  std::string error;
  size_t waitingBefore = state.waiting.size();
  bool upToDate = DrainWaiting(state, folder, error);
  return Conclude(host, state, upToDate, waitingBefore, error);
}

}  // namespace movexa
