// AnalyzeBin over hand-built signals whose event counts and envelopes are worked out by hand.
#include "acquisition/analysis_module.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_support.h"

namespace movexa {
namespace {

constexpr int kChannel = 17;

// A raw block (385 channels x `rows` samples) holding `signal` on kChannel and noise-free
// garbage on its neighbours, which the analysis must not read.
class Block {
 public:
  explicit Block(const std::vector<int>& signal, int rows = kAnalysisSamples)
      : rows_(rows), data_(static_cast<size_t>(kChannelSlots) * rows, 777) {
    for (int k = 0; k < rows; ++k) {
      data_[kChannel + kChannelSlots * static_cast<size_t>(k)] =
          static_cast<int16_t>(k < static_cast<int>(signal.size()) ? signal[k] : 0);
    }
  }
  RawBlockView View() const { return {data_.data(), rows_}; }

 private:
  int rows_;
  std::vector<int16_t> data_;
};

// Baseline 2000 for samples 0..499, row 500 = 0 (the padding row of a bin block), with dips to
// 1500 of `width` samples starting at each of `starts`.
std::vector<int> DipTrain(const std::vector<int>& starts, int width) {
  std::vector<int> x(kAnalysisSamples, 2000);
  x[kAnalysisSamples - 1] = 0;
  for (int s : starts) {
    for (int k = s; k < s + width; ++k) x[k] = 1500;
  }
  return x;
}

std::vector<int> EveryNth(int first, int step, int count) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) v.push_back(first + i * step);
  return v;
}

std::vector<int> MarkedSamples(const AnalysisScratch& s) {
  std::vector<int> out;
  for (int k = 0; k < kAnalysisSamples - 1; ++k) {
    if (s.marks[k] == '1') out.push_back(k);
  }
  return out;
}

int16_t Analyze(const Block& b, int method, double snr, AnalysisScratch& s) {
  return AnalyzeBin(b.View(), kChannel, snr, method, false, {}, 0, s);
}

TEST(AnalyzeBin, CleanDipTrainCountsEachDipOnceWithEveryMethod) {
  // Ten flat-bottomed dips 45 samples apart: no strict peak or valley anywhere, so D = 0,
  // T = 1.8 and the mean peak stays at the 2000 baseline.
  Block b(DipTrain(EveryNth(40, 45, 10), 5));
  AnalysisScratch s;

  // Method 1: the envelope starts at (100 - 1.75 x 1.8) / 100 x 2000 = 1937 and rises toward
  // 0.982 x 2000; the mean of two samples first drops below it on the dip's first sample.
  EXPECT_EQ(Analyze(b, 1, 1.8, s), 10);
  EXPECT_DOUBLE_EQ(s.threshold, 1.8);
  EXPECT_EQ(s.envelope[0], 1937);
  EXPECT_EQ(MarkedSamples(s), EveryNth(40, 45, 10));

  // Method 3: envelope = 0.8 x 2000 = 1600; the first two-sample mean of a dip (1750) is above
  // it, the second (1500) below.
  EXPECT_EQ(Analyze(b, 3, 0.8, s), 10);
  EXPECT_EQ(s.envelope[0], 1600);
  EXPECT_EQ(s.envelope[250], 1600);
  EXPECT_EQ(MarkedSamples(s), EveryNth(41, 45, 10));

  // Method 0: each dip lies in its own 30-sample window and counts at that window's end.
  EXPECT_EQ(Analyze(b, 0, 1.8, s), 10);
  EXPECT_EQ(MarkedSamples(s), (std::vector<int>{60, 90, 150, 180, 240, 270, 330, 360, 420, 450}));
}

TEST(AnalyzeBin, BinaryMethodCountsAtMostOneEventPerThirtySamples) {
  AnalysisScratch s;
  // Three dips inside the window 31..60 count once.
  EXPECT_EQ(Analyze(Block(DipTrain({31, 36, 41}, 2)), 0, 1.8, s), 1);
  EXPECT_EQ(MarkedSamples(s), std::vector<int>{60});
  // A dip every 10 samples over the whole bin: one event per window end 30, 60, ..., 480; the
  // last 19 samples form no whole window.
  EXPECT_EQ(Analyze(Block(DipTrain(EveryNth(5, 10, 50), 2)), 0, 1.8, s), 16);
}

TEST(AnalyzeBin, DipLongerThanTheWindowCountsOnceExceptWithTheBinaryMethod) {
  Block b(DipTrain({100}, 70));  // samples 100..169
  AnalysisScratch s;
  EXPECT_EQ(Analyze(b, 1, 1.8, s), 1);
  EXPECT_EQ(Analyze(b, 3, 0.8, s), 1);
  // Method 0 counts the flag at 120, 150 and (raised again by samples 151..169) 180.
  EXPECT_EQ(Analyze(b, 0, 1.8, s), 3);
  EXPECT_EQ(MarkedSamples(s), (std::vector<int>{120, 150, 180}));
}

TEST(AnalyzeBin, FlatAndZeroSignalsCountNothingAndNeverDivideByZero) {
  AnalysisScratch s;
  Block flat(std::vector<int>(kAnalysisSamples, 2000));
  for (int method = 0; method <= 3; ++method) {
    // Method 3 takes a factor below 1 (its envelope is the mean peak times the factor).
    EXPECT_EQ(Analyze(flat, method, method == 3 ? 0.8 : 1.8, s), 0) << "method " << method;
  }
  EXPECT_DOUBLE_EQ(s.threshold, 1.8);
  EXPECT_DOUBLE_EQ(s.amplitudeLimit, 5);

  Block zero(std::vector<int>(kAnalysisSamples, 0));
  for (int method = 0; method <= 3; ++method) {
    EXPECT_EQ(Analyze(zero, method, 1.8, s), 0) << "method " << method;
    // Mean signal 0: the threshold is the SNR factor itself plus 1.
    EXPECT_DOUBLE_EQ(s.threshold, 2.8);
  }
  EXPECT_EQ(s.envelope[100], 0);
  // Method 2 leaves s(k) - A = 0 - 5 in the envelope table.
  Analyze(zero, 2, 1.8, s);
  EXPECT_EQ(s.envelope[100], -5);
}

TEST(AnalyzeBin, NoiseEstimateSetsThresholdAndAmplitudeLimit) {
  // 2010, 2000, 2010, ...: every sample is a strict peak or valley, so D = 10, X = 2005 and
  // T = (1 - 1995 / 2005) x 100 x 1.8 + 1; A = max(10, 5).
  std::vector<int> x(kAnalysisSamples);
  for (int k = 0; k < kAnalysisSamples; ++k) x[k] = k % 2 ? 2010 : 2000;
  AnalysisScratch s;
  EXPECT_EQ(Analyze(Block(x), 1, 1.8, s), 0);  // noise without dips counts nothing
  EXPECT_NEAR(s.threshold, 10.0 / 2005.0 * 180.0 + 1.0, 1e-12);
  EXPECT_DOUBLE_EQ(s.amplitudeLimit, 10);
}

TEST(AnalyzeBin, MotilityCountsOneSlowRiseAndIgnoresRisesBelowTheAmplitudeLimit) {
  // A step from 2000 to 2100 at sample 250. The 50-sample running minimum and its mean make
  // d(k) fall by 2 per sample over 201..249; the smoothed s(k) then falls from k = 192 on, its
  // run reaching length 10 at k = 201 with s = -11, more than A = 5 below the reference 0.
  // The following rise lasts only ten steps (241..250) and never reaches length 10.
  std::vector<int> x(kAnalysisSamples, 2000);
  for (int k = 250; k < kAnalysisSamples - 1; ++k) x[k] = 2100;
  x[kAnalysisSamples - 1] = 0;
  AnalysisScratch s;
  EXPECT_EQ(Analyze(Block(x), 2, 1.8, s), 1);
  EXPECT_EQ(MarkedSamples(s), std::vector<int>{201});
  EXPECT_DOUBLE_EQ(s.amplitudeLimit, 5);
  EXPECT_EQ(s.envelope[0], -5);
  EXPECT_EQ(s.envelope[201], -16);  // s(201) - A = -11 - 5

  // A step of 4: s(201) = -0.44, within A of the reference.
  for (int k = 250; k < kAnalysisSamples - 1; ++k) x[k] = 2004;
  EXPECT_EQ(Analyze(Block(x), 2, 1.8, s), 0);
}

TEST(AnalyzeBin, ShortBinIsAnalysedWithinItsOwnSamples) {
  // A bin of 100 samples (101 rows): dips at 40 and 85; nothing beyond row 100 is read (the
  // address sanitizer run checks it) and no mark falls past the bin.
  std::vector<int> x(101, 2000);
  for (int k : {40, 41, 42, 85, 86, 87}) x[k] = 1500;
  x[100] = 0;
  std::vector<int16_t> data(static_cast<size_t>(kChannelSlots) * 101, 2000);
  for (int k = 0; k < 101; ++k) data[kChannel + kChannelSlots * static_cast<size_t>(k)] = static_cast<int16_t>(x[k]);
  AnalysisScratch s;
  EXPECT_EQ(AnalyzeBin({data.data(), 101}, kChannel, 1.8, 1, false, {}, 0, s), 2);
  EXPECT_EQ(MarkedSamples(s), (std::vector<int>{40, 85}));
}

TEST(AnalyzeBin, InvalidArgumentsCountNothing) {
  Block b(DipTrain({40}, 5));
  AnalysisScratch s;
  EXPECT_EQ(AnalyzeBin(b.View(), kChannel, 1.8, 4, false, {}, 0, s), 0);
  EXPECT_EQ(AnalyzeBin(b.View(), kChannelSlots, 1.8, 1, false, {}, 0, s), 0);
  EXPECT_EQ(AnalyzeBin({nullptr, kAnalysisSamples}, kChannel, 1.8, 1, false, {}, 0, s), 0);
}

TEST(AnalyzeBin, ExportAppendsTagAndFiveHundredMarksPerCall) {
  test::TempDir dir;
  Block b(DipTrain({40, 85}, 5));
  AnalysisScratch s;
  EXPECT_EQ(AnalyzeBin(b.View(), kChannel, 1.8, 1, true, dir.path(), 1234, s), 2);
  EXPECT_EQ(AnalyzeBin(b.View(), kChannel, 1.8, 1, true, dir.path(), -7, s), 2);
  std::string marks(500, '0');
  marks[40] = marks[85] = '1';
  EXPECT_EQ(test::ReadFileOrDie(dir / "ch17.raw"),
            "1234 " + marks + "\r\n" + "-7 " + marks + "\r\n");
  EXPECT_TRUE(s.exportError.empty());
}

TEST(AnalyzeBin, FailedExportIsRecordedAndTheCountStillReturned) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "ch17.raw");  // a folder where the file should go
  Block b(DipTrain({40}, 5));
  AnalysisScratch s;
  EXPECT_EQ(AnalyzeBin(b.View(), kChannel, 1.8, 1, true, dir.path(), 1, s), 1);
  EXPECT_NE(s.exportError.find("ch17.raw"), std::string::npos);
  EXPECT_EQ(s.exportFailures, 1);
  // A later successful call leaves the failure visible until the caller clears it.
  EXPECT_EQ(AnalyzeBin(b.View(), kChannel, 1.8, 1, true, dir / "ch17.raw", 1, s), 1);
  EXPECT_EQ(s.exportFailures, 1);
  EXPECT_FALSE(s.exportError.empty());
}

}  // namespace
}  // namespace movexa
