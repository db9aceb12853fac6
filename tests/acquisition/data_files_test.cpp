// Bin-close writer: byte layouts of "counts.bin" and the raw files, the block numbering, and
// the recovery of bins that a failing disk could not take.
#include "acquisition/data_files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <vector>

#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "base/host_fakes.h"
#include "support/test_support.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;

// Inputs of bin `i`: counts and raw samples that differ from bin to bin.
struct BinInputs {
  std::array<int16_t, kChannelSlots> counts{};
  std::vector<int16_t> raw;
};

BinInputs MakeBin(int i, int rtBuffer) {
  BinInputs b;
  for (int c = 0; c < kChannelCount; ++c) b.counts[c] = static_cast<int16_t>(i * 3 + c % 7);
  b.counts[kChannelCount] = 999;  // replaced by the temperature
  b.raw.assign(static_cast<size_t>(kChannelSlots) * (rtBuffer + 1), 0);
  for (int s = 0; s < rtBuffer; ++s) {
    for (int c = 0; c < kChannelCount; ++c) {
      b.raw[c + kChannelSlots * static_cast<size_t>(s)] = static_cast<int16_t>(1000 + 10 * i + (c + s) % 9);
    }
  }
  return b;
}

BinWriteResult Close(FakeHost& h, BinFileState& st, const fs::path& folder, int i, int rt,
                     bool saveReal = true) {
  BinInputs b = MakeBin(i, rt);
  return AppendBinFiles(h.host, st, folder, saveReal, 2 * i, b.counts, 24.0 + i * 0.1, b.raw);
}

// Writes bins 0..n-1 into a healthy folder: what every recovered folder must equal.
void Reference(const fs::path& folder, int n, int rt, bool saveReal = true) {
  FakeHost h;
  BinFileState st;
  for (int i = 0; i < n; ++i) ASSERT_TRUE(Close(h, st, folder, i, rt, saveReal).upToDate);
}

void ExpectSameFiles(const fs::path& a, const fs::path& b) {
  for (const auto& entry : fs::directory_iterator(a)) {
    auto name = entry.path().filename();
    EXPECT_EQ(test::ReadFileOrDie(entry.path()), test::ReadFileOrDie(b / name)) << name;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(a), {}), std::distance(fs::directory_iterator(b), {}));
}

TEST(BinFiles, TwelveBinsFillElevenBlocksPerRawFileAlignedWithCounts) {
  test::TempDir dir;
  FakeHost h;
  BinFileState st;
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(Close(h, st, dir.path(), i, 500).upToDate);
  EXPECT_EQ(FileLength(dir / "0.bin"), 11 * kDefaultRawBlockBytes);
  EXPECT_EQ(FileLength(dir / "1.bin"), kDefaultRawBlockBytes);
  EXPECT_EQ(FileLength(dir / "counts.bin"), 12 * 774);
  EXPECT_EQ(st.fileNumber, 1);
  EXPECT_EQ(st.blockInFile, 1);

  std::string counts = test::ReadFileOrDie(dir / "counts.bin");
  std::string raw0 = test::ReadFileOrDie(dir / "0.bin");
  std::string raw1 = test::ReadFileOrDie(dir / "1.bin");
  for (int i = 0; i < 12; ++i) {
    size_t rec = 774 * static_cast<size_t>(i);
    EXPECT_EQ(test::GetI32(counts, rec), 2 * i);
    EXPECT_EQ(test::GetI16(counts, rec + 4 + 2 * 10), i * 3 + 10 % 7);
    // Raw block i is block i mod 11 of file i div 11: value (c, s) at 2 x (c + 385 s).
    const std::string& file = i < 11 ? raw0 : raw1;
    size_t block = static_cast<size_t>(kDefaultRawBlockBytes) * (i % 11);
    EXPECT_EQ(test::GetI16(file, block + 2 * (7 + 385 * 3)), 1000 + 10 * i + (7 + 3) % 9);
    EXPECT_EQ(test::GetI16(file, block + 2 * (384 + 385 * 3)), 0);   // channel column 384
    EXPECT_EQ(test::GetI16(file, block + 2 * (5 + 385 * 500)), 0);   // row RT_Buffer
  }
}

TEST(BinFiles, TemperatureIsStoredTimesTenHalvesToEven) {
  test::TempDir dir;
  FakeHost h;
  BinFileState st;
  std::array<int16_t, kChannelSlots> counts{};
  std::vector<int16_t> raw(kChannelSlots * 3, 0);
  for (double t : {24.25, 24.75, -3.05, 5000.0}) {
    AppendBinFiles(h.host, st, dir.path(), false, 0, counts, t, raw);
  }
  std::string bytes = test::ReadFileOrDie(dir / "counts.bin");
  EXPECT_EQ(test::GetI16(bytes, 772), 242);
  EXPECT_EQ(test::GetI16(bytes, 774 + 772), 248);
  EXPECT_EQ(test::GetI16(bytes, 2 * 774 + 772), -30);    // -30.5 -> -30
  EXPECT_EQ(test::GetI16(bytes, 3 * 774 + 772), 32767);  // saturated, never wrapped
}

TEST(BinFiles, WithoutRealTimeSavingOnlyCountsAreWrittenAndNumberingAdvances) {
  test::TempDir dir;
  FakeHost h;
  BinFileState st;
  for (int i = 0; i < 12; ++i) Close(h, st, dir.path(), i, 20, false);
  EXPECT_EQ(FileLength(dir / "counts.bin"), 12 * 774);
  EXPECT_FALSE(IsFile(dir / "0.bin"));
  EXPECT_EQ(st.fileNumber, 1);
  EXPECT_EQ(st.blockInFile, 1);
}

TEST(BinFiles, SecondRunInTheSameFolderAppends) {
  test::TempDir dir;
  FakeHost h;
  BinFileState st;
  Close(h, st, dir.path(), 0, 20);
  st.Reset();
  Close(h, st, dir.path(), 1, 20);
  EXPECT_EQ(FileLength(dir / "counts.bin"), 2 * 774);
  EXPECT_EQ(FileLength(dir / "0.bin"), 2 * RawBlockBytes(20));
}

TEST(BinFiles, BinsHeldByAFailingDiskAreWrittenInOrderOnceItRecovers) {
  test::TempDir ref, dir;
  const int rt = 20;
  Reference(ref.path(), 8, rt);
  FakeHost h;
  BinFileState st;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Close(h, st, dir.path(), i, rt).upToDate);
  // "counts.bin" becomes unwritable: the records of bins 3, 4 and 5 wait; their raw blocks go
  // out, never held back by the records.
  std::string saved = test::ReadFileOrDie(dir / "counts.bin");
  fs::remove(dir / "counts.bin");
  fs::create_directory(dir / "counts.bin");
  for (int i = 3; i < 6; ++i) {
    BinWriteResult r = Close(h, st, dir.path(), i, rt);
    EXPECT_FALSE(r.upToDate);
    EXPECT_EQ(r.waitingBins, i - 2);
    EXPECT_NE(r.error.find("counts.bin"), std::string::npos);
  }
  ASSERT_EQ(h.status.lines().size(), 1u);  // told once for the whole episode
  EXPECT_EQ(h.status.lines()[0].where, "Frm_Main.lblstatus");
  EXPECT_NE(h.status.lines()[0].text.find("1 bin(s) waiting"), std::string::npos);
  EXPECT_EQ(FileLength(dir / "0.bin"), 6 * RawBlockBytes(rt));
  // The disk recovers: the waiting bins go first, then bin 6.
  fs::remove(dir / "counts.bin");
  test::WriteFileOrDie(dir / "counts.bin", saved);
  BinWriteResult r = Close(h, st, dir.path(), 6, rt);
  EXPECT_TRUE(r.upToDate);
  EXPECT_EQ(r.waitingBins, 0);
  EXPECT_EQ(st.waitingRawBytes, 0);
  ASSERT_EQ(h.status.lines().size(), 2u);
  EXPECT_EQ(h.status.lines()[1].text, "Data files written again: 3 waiting bin(s) saved");
  Close(h, st, dir.path(), 7, rt);
  ExpectSameFiles(ref.path(), dir.path());
}

// A file-size limit on the raw file: the block that runs out of room part-way is cut back, the
// later blocks of that file are given up at once (it can never grow), the counts records are
// never held back, and the next raw file starts afresh. The writer that kept every later bin
// waiting in memory behind the raw block lost them when the run ended.
TEST(BinFiles, RawFileAtTheSizeLimitIsCutBackAndNeverHoldsBackTheCounts) {
  test::TempDir ref, dir;
  const int rt = 20;
  const int64_t block = RawBlockBytes(rt);
  Reference(ref.path(), 14, rt);
  FakeHost h;
  BinFileState st;
  ASSERT_TRUE(Close(h, st, dir.path(), 0, rt).upToDate);
  // Files may grow only to 2.5 blocks: bin 1 fits, bin 2's block runs out of room part-way.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit lim = old;
  lim.rlim_cur = static_cast<rlim_t>(block * 5 / 2);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  std::vector<bool> upToDate;
  for (int i = 1; i < 14; ++i) upToDate.push_back(Close(h, st, dir.path(), i, rt).upToDate);
  const int64_t raw0 = FileLength(dir / "0.bin");
  const int64_t raw1 = FileLength(dir / "1.bin");
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  for (size_t i = 0; i < upToDate.size(); ++i) EXPECT_TRUE(upToDate[i]) << i + 1;
  EXPECT_TRUE(st.waiting.empty());
  EXPECT_EQ(raw0, 2 * block);  // no half block left behind
  EXPECT_EQ(raw1, 2 * block);  // blocks 11 and 12; block 13 meets the limit again
  EXPECT_EQ(st.rawBlocksOverLimit, 9 + 1);
  EXPECT_EQ(test::ReadFileOrDie(dir / "counts.bin"), test::ReadFileOrDie(ref / "counts.bin"));
  EXPECT_EQ(test::ReadFileOrDie(dir / "0.bin"), test::ReadFileOrDie(ref / "0.bin").substr(0, 2 * block));
  // Said once per file, with the limit as the cause.
  ASSERT_EQ(h.status.lines().size(), 2u);
  EXPECT_EQ(h.status.lines()[0].text.rfind("0.bin has reached the file-size limit of this "
                                           "program (ulimit -f), not a full disk",
                                           0),
            0u);
  EXPECT_EQ(h.status.lines()[1].text.rfind("1.bin has reached", 0), 0u);
  EXPECT_EQ(FileSizeLimitSummary(st),
            "The file-size limit of this program (ulimit -f) kept out of the acquisition files: "
            "10 raw block(s) and 0 counts record(s). Every other closed bin is on disk.");
}

// "counts.bin" itself at the limit: its later records are given up and counted, never kept
// waiting for a disk that cannot take them.
TEST(BinFiles, CountsFileAtTheSizeLimitGivesUpItsLaterRecords) {
  test::TempDir dir;
  FakeHost h;
  BinFileState st;
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit lim = old;
  lim.rlim_cur = 3 * 774 + 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  bool allUpToDate = true;
  for (int i = 0; i < 6; ++i) allUpToDate = Close(h, st, dir.path(), i, 20, false).upToDate && allUpToDate;
  const int64_t counts = FileLength(dir / "counts.bin");
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(allUpToDate);
  EXPECT_TRUE(st.waiting.empty());
  EXPECT_EQ(counts, 3 * 774);
  EXPECT_EQ(st.countsOverLimit, 3);
  EXPECT_NE(h.status.Last(kDataFileStatusWhere).find("counts.bin has reached the file-size limit"),
            std::string::npos);
  EXPECT_NE(FileSizeLimitSummary(st).find("0 raw block(s) and 3 counts record(s)"), std::string::npos);
}

// A file-size limit met with the system's default reaction (the program ended by SIGXFSZ) in a
// child process: the writer survives, the raw file holds whole blocks only, the counts record
// is written all the same and the operator is told that the limit is the cause.
TEST(BinFiles, AFileSizeLimitTakesTheRefusedWritePathInsteadOfEndingTheProgram) {
  test::TempDir dir;
  const int rt = 20;
  const int64_t block = RawBlockBytes(rt);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_DFL);
    struct rlimit lim {};
    getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = static_cast<rlim_t>(block * 3 / 2);
    setrlimit(RLIMIT_FSIZE, &lim);
    FakeHost h;
    BinFileState st;
    bool first = Close(h, st, dir.path(), 0, rt).upToDate;
    bool second = Close(h, st, dir.path(), 1, rt).upToDate;
    bool told = h.status.Last(kDataFileStatusWhere).find("file-size limit") != std::string::npos;
    _exit(first && second && st.waiting.empty() && st.rawBlocksOverLimit == 1 && told ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(FileLength(dir / "0.bin"), block);
  EXPECT_EQ(FileLength(dir / "counts.bin"), 2 * 774);
}

TEST(BinFiles, RawBlocksBeyondTheMemoryLimitBecomeZerosButCountsAreKept) {
  test::TempDir dir;
  const int rt = 20;
  const int64_t block = RawBlockBytes(rt);
  FakeHost h;
  BinFileState st;
  st.waitingRawLimitBytes = block;  // room for one waiting raw block
  ASSERT_TRUE(Close(h, st, dir.path(), 0, rt).upToDate);
  std::string firstBlock = test::ReadFileOrDie(dir / "0.bin");
  fs::remove(dir / "0.bin");
  fs::create_directory(dir / "0.bin");
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(Close(h, st, dir.path(), i, rt).upToDate);
  // The records did not wait for the raw blocks.
  EXPECT_EQ(FileLength(dir / "counts.bin"), 4 * 774);
  EXPECT_EQ(st.droppedRawBlocks, 2);
  EXPECT_EQ(st.waitingRawBytes, block);
  ASSERT_EQ(h.status.lines().size(), 2u);
  EXPECT_NE(h.status.lines()[1].text.find("written as zeros"), std::string::npos);
  // Recovery: block 1 as taken, blocks 2 and 3 as zeros, block 4 as taken; counts complete.
  fs::remove(dir / "0.bin");
  test::WriteFileOrDie(dir / "0.bin", firstBlock);
  EXPECT_TRUE(Close(h, st, dir.path(), 4, rt).upToDate);
  EXPECT_NE(h.status.lines().back().text.find("raw signals of 2 bin(s) were written as zeros"),
            std::string::npos);
  std::string raw = test::ReadFileOrDie(dir / "0.bin");
  ASSERT_EQ(static_cast<int64_t>(raw.size()), 5 * block);
  auto blockOf = [&](int i) { return raw.substr(static_cast<size_t>(block * i), static_cast<size_t>(block)); };
  test::TempDir ref;
  Reference(ref.path(), 5, rt);
  std::string refRaw = test::ReadFileOrDie(ref / "0.bin");
  EXPECT_EQ(blockOf(1), refRaw.substr(static_cast<size_t>(block), static_cast<size_t>(block)));
  EXPECT_EQ(blockOf(2), std::string(static_cast<size_t>(block), '\0'));
  EXPECT_EQ(blockOf(3), std::string(static_cast<size_t>(block), '\0'));
  EXPECT_EQ(blockOf(4), refRaw.substr(static_cast<size_t>(block * 4), static_cast<size_t>(block)));
  EXPECT_EQ(test::ReadFileOrDie(dir / "counts.bin"), test::ReadFileOrDie(ref / "counts.bin"));
}

TEST(BinFiles, WaitingBinsCanBeWrittenWithoutClosingANewBin) {
  test::TempDir dir;
  FakeHost h;
  BinFileState st;
  fs::create_directory(dir / "counts.bin");
  EXPECT_FALSE(Close(h, st, dir.path(), 0, 20).upToDate);
  EXPECT_FALSE(WriteWaitingBins(h.host, st, dir.path()).upToDate);
  fs::remove(dir / "counts.bin");
  BinWriteResult r = WriteWaitingBins(h.host, st, dir.path());
  EXPECT_TRUE(r.upToDate);
  EXPECT_EQ(FileLength(dir / "counts.bin"), 774);
  EXPECT_EQ(h.status.lines().size(), 2u);
}

}  // namespace
}  // namespace movexa
