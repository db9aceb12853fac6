// Live envelopes, event rules, auto-zero and blank thresholds over the run buffers, and the SNR
// box rules.
#include "acquisition/live_detection.h"

#include <gtest/gtest.h>

#include "acquisition/snr_setting.h"

namespace movexa {
namespace {

constexpr int kCh = 5;

class LiveDetection : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(buffers.Allocate(500)); }
  RunBuffers buffers;
};

TEST_F(LiveDetection, AveragedEnvelopeUsesWindowMaximumAndThreeRecentEnvelopes) {
  // Threshold 10, window maximum 2000, previous three envelopes 1800: (1800 + 5400) / 4.
  for (int s = 70; s < 100; ++s) buffers.Raw(kCh, s) = 1500;
  buffers.Raw(kCh, 70) = 2000;   // oldest position of the 30-sample window
  buffers.Raw(kCh, 69) = 4000;   // just outside it
  buffers.Raw(kCh, 100) = 3000;  // the current sample is not part of the window
  for (int s = 97; s < 100; ++s) buffers.Filtered(kCh, s) = 1800;
  buffers.Filtered(kCh, 96) = 30000;  // only the three most recent envelopes count
  UpdateEnvelope(buffers, {1, 30}, kCh, 100, 10.0);
  EXPECT_EQ(buffers.Filtered(kCh, 100), 1800);
  // Method 0 uses the same rule.
  UpdateEnvelope(buffers, {0, 30}, kCh, 100, 10.0);
  EXPECT_EQ(buffers.Filtered(kCh, 100), 1800);
}

TEST_F(LiveDetection, MotilityEnvelopeLooksTenSamplesBack) {
  for (int s = 90; s < 100; ++s) buffers.Raw(kCh, s) = 900;
  buffers.Raw(kCh, 90) = 1000;
  buffers.Raw(kCh, 89) = 5000;
  UpdateEnvelope(buffers, {2, 30}, kCh, 100, 3.0);
  EXPECT_EQ(buffers.Filtered(kCh, 100), 970);
  // Method 3 computes no live envelope.
  buffers.Filtered(kCh, 100) = 123;
  UpdateEnvelope(buffers, {3, 30}, kCh, 100, 3.0);
  EXPECT_EQ(buffers.Filtered(kCh, 100), 123);
}

TEST_F(LiveDetection, EnvelopeRoundsHalvesToEven) {
  // (100 - 3) x 1010 / 100 = 979.7 -> 980; (100 - 50) x 1001 / 100 = 500.5 -> 500.
  buffers.Raw(kCh, 95) = 1010;
  UpdateEnvelope(buffers, {2, 30}, kCh, 100, 3.0);
  EXPECT_EQ(buffers.Filtered(kCh, 100), 980);
  buffers.Raw(kCh, 95) = 1001;
  UpdateEnvelope(buffers, {2, 30}, kCh, 100, 50.0);
  EXPECT_EQ(buffers.Filtered(kCh, 100), 500);
}

TEST_F(LiveDetection, WindowPositionsWrapToBufferEndMinusOne) {
  EXPECT_EQ(LiveWindowPosition(100, 30, 500), 70);
  EXPECT_EQ(LiveWindowPosition(1, 1, 500), 499);  // position 0 becomes RT_Buffer - 1
  EXPECT_EQ(LiveWindowPosition(0, 1, 500), 498);
  EXPECT_EQ(LiveWindowPosition(0, 30, 500), 469);
  EXPECT_EQ(LiveWindowPosition(3, 3, 500), 499);
  // A window longer than the bin still lands inside the buffer.
  EXPECT_EQ(LiveWindowPosition(0, 30, 10), 6);

  // At sample 0 of a bin the window covers rows 469..498: row 499 is not part of it.
  buffers.Raw(kCh, 499) = 4000;
  buffers.Raw(kCh, 498) = 1000;
  UpdateEnvelope(buffers, {2, 30}, kCh, 0, 0.0);  // window of 10: rows 489..498
  EXPECT_EQ(buffers.Filtered(kCh, 0), 1000);
}

// Feeds `levels` against a fixed envelope of 1000, starting at sample 0.
void Feed(RunBuffers& b, const LiveDetectionSettings& settings, const std::vector<int>& levels) {
  for (size_t i = 0; i < levels.size(); ++i) {
    int s = static_cast<int>(i % static_cast<size_t>(b.rtBuffer));
    b.Raw(kCh, s) = static_cast<int16_t>(levels[i]);
    b.Filtered(kCh, s) = 1000;
    DetectSample(b, settings, kCh, s);
  }
}

std::vector<int> Dips(int count, int width, int gap) {
  std::vector<int> v;
  for (int d = 0; d < count; ++d) {
    v.insert(v.end(), static_cast<size_t>(gap), 1100);
    v.insert(v.end(), static_cast<size_t>(width), 900);
  }
  v.push_back(1100);
  return v;
}

TEST_F(LiveDetection, LongDipCountsOnceWithMethodsOneAndTwo) {
  for (int method : {1, 2}) {
    buffers.Clear();
    Feed(buffers, {method, 30}, Dips(1, 40, 5));
    const ChannelRunState& st = buffers.channels[kCh];
    EXPECT_EQ(st.binCount, 1) << "method " << method;
    EXPECT_EQ(st.totalCount, 1);
    EXPECT_FALSE(st.inEvent);
    EXPECT_EQ(st.windowFlag, 0);
  }
  buffers.Clear();
  Feed(buffers, {1, 30}, Dips(3, 2, 3));
  EXPECT_EQ(buffers.channels[kCh].binCount, 3);
  // A signal equal to its envelope is not a dip.
  buffers.Clear();
  Feed(buffers, {1, 30}, {1000, 1000, 1000});
  EXPECT_EQ(buffers.channels[kCh].binCount, 0);
}

TEST_F(LiveDetection, BinaryMethodCountsOneEventPerWindowAtItsEnd) {
  LiveDetectionSettings binary{0, 30};
  Feed(buffers, binary, Dips(3, 2, 3));  // three dips inside one window
  ChannelRunState& st = buffers.channels[kCh];
  EXPECT_EQ(st.binCount, 0);  // nothing until the window ends
  EXPECT_EQ(st.windowFlag, 1);
  EndDetectionWindow(st, 0);
  EXPECT_EQ(st.binCount, 1);
  EXPECT_EQ(st.totalCount, 1);
  EndDetectionWindow(st, 0);  // a window without a new dip counts nothing
  EXPECT_EQ(st.binCount, 1);
  // A dip still open when the window ends does not raise the flag again.
  buffers.Clear();
  Feed(buffers, binary, {1100, 900, 900});
  EndDetectionWindow(buffers.channels[kCh], 0);
  Feed(buffers, binary, {900, 900, 1100});
  EndDetectionWindow(buffers.channels[kCh], 0);
  EXPECT_EQ(buffers.channels[kCh].binCount, 1);
  // Other methods count at the dip, never at the window end.
  ChannelRunState other;
  other.windowFlag = 1;
  EndDetectionWindow(other, 1);
  EXPECT_EQ(other.binCount, 0);
}

TEST_F(LiveDetection, TotalsStopAtTenThousandWhileBinCountsGoOn) {
  ChannelRunState& st = buffers.channels[kCh];
  st.totalCount = 9999;
  Feed(buffers, {1, 30}, Dips(3, 2, 2));
  EXPECT_EQ(st.totalCount, 10000);
  EXPECT_EQ(st.binCount, 3);
  RaiseTotal(st, 50);
  EXPECT_EQ(st.totalCount, 10000);
  st.totalCount = 9990;
  RaiseTotal(st, 50);
  EXPECT_EQ(st.totalCount, 10000);
}

TEST_F(LiveDetection, AutoZeroThresholdFromMeanSpreadAndLevel) {
  struct Case {
    int spread, level;
    double expected;
  };
  // D = 50, X = 1000, SNR 1.8: 0.05 x 180 + 1 = 10. D = 5, X = 2000: 1.45, raised to 1.8.
  // X below 1 or D >= X: SNR x 100 + 1.
  for (Case c : {Case{50, 1000, 10.0}, Case{5, 2000, 1.8}, Case{0, 0, 181.0}, Case{30, 20, 181.0}}) {
    ChannelRunState& st = buffers.channels[kCh];
    st.zeroSamples = 400;
    st.zeroSpreadSum = c.spread * 400;
    st.zeroSignalSum = c.level * 400;
    double threshold = 3.0;
    AutoZeroOutcome out = AutoZeroBinClose(buffers, kCh, 1.8, threshold, false, true);
    EXPECT_TRUE(out.thresholdChanged);
    EXPECT_NEAR(threshold, c.expected, 1e-9) << c.spread << "/" << c.level;
    EXPECT_EQ(st.zeroSamples, 0);
    EXPECT_EQ(st.zeroSpreadSum, 0);
  }
}

TEST_F(LiveDetection, AutoZeroMeansRoundHalvesToEven) {
  // Spread sum 2 x 2.5 -> D = 2; level sum 2 x 100.5 -> X = 100: (2 / 100) x 180 + 1 = 4.6.
  ChannelRunState& st = buffers.channels[kCh];
  st.zeroSamples = 2;
  st.zeroSpreadSum = 5;
  st.zeroSignalSum = 201;
  double threshold = 0;
  AutoZeroBinClose(buffers, kCh, 1.8, threshold, false, true);
  EXPECT_NEAR(threshold, 4.6, 1e-9);
}

TEST_F(LiveDetection, AutoZeroAccumulatesJudgedSamplesAndRecountsTheBin) {
  ChannelRunState& st = buffers.channels[kCh];
  // Alternating 2000 / 2010: from the third sample on, each judged sample is a peak or a
  // valley, the spread is 10 and the accumulated level alternates.
  for (int s = 0; s < 500; ++s) {
    int16_t v = s % 2 ? 2010 : 2000;
    buffers.Raw(kCh, s) = v;
    AutoZeroSample(st, v);
  }
  EXPECT_EQ(st.zeroSamples, 498);
  EXPECT_EQ(st.zeroSpreadSum, 4980);
  EXPECT_EQ(st.zeroSignalSum, 249 * 2010 + 249 * 2000);
  // Two dips in the bin: the recount (method 1 over the raw buffer) sets the bin count.
  for (int s : {100, 101, 102, 103, 300, 301, 302, 303}) buffers.Raw(kCh, s) = 1500;
  st.binCount = 77;
  st.totalCount = 5;
  double threshold = 3;
  AutoZeroOutcome out = AutoZeroBinClose(buffers, kCh, 1.8, threshold, true, true);
  EXPECT_NEAR(threshold, 10.0 / 2005.0 * 180.0 + 1.0, 1e-9);
  EXPECT_TRUE(out.wantsCalibration);  // mean level 2005 > 1944 while auto-calibrating
  EXPECT_EQ(st.binCount, 2);
  EXPECT_EQ(st.totalCount, 7);
  // The track carries over: the next bin accumulates from its first sample on.
  AutoZeroSample(st, 2000);
  EXPECT_EQ(st.zeroSamples, 1);
}

TEST_F(LiveDetection, AutoZeroAsksForCalibrationOnlyWhileAutoCalibratingARecording) {
  ChannelRunState& st = buffers.channels[kCh];
  double threshold = 0;
  for (bool autoCal : {false, true}) {
    for (bool recording : {false, true}) {
      st.zeroSamples = 1;
      st.zeroSignalSum = 1945;
      EXPECT_EQ(AutoZeroBinClose(buffers, kCh, 1.8, threshold, autoCal, recording).wantsCalibration,
                autoCal && recording);
    }
  }
  st.zeroSamples = 1;
  st.zeroSignalSum = 1944;
  EXPECT_FALSE(AutoZeroBinClose(buffers, kCh, 1.8, threshold, true, true).wantsCalibration);
  // A bin without accumulated samples keeps the threshold.
  threshold = 7.5;
  EXPECT_FALSE(AutoZeroBinClose(buffers, kCh, 1.8, threshold, true, true).thresholdChanged);
  EXPECT_EQ(threshold, 7.5);
}

TEST_F(LiveDetection, BlankThresholdFromExtremes) {
  EXPECT_EQ(BlankThreshold(2000, 2000, 3.0), 1.0);   // no spread: threshold 1
  EXPECT_EQ(BlankThreshold(1800, 2000, 3.0), 12.0);  // Int(0.1 x 115) + 1
  EXPECT_EQ(BlankThreshold(10000, 20000, 3.0), 3.0);  // minimum never set
  EXPECT_EQ(BlankThreshold(0, 0, 3.0), 3.0);          // no positive maximum

  ChannelRunState st;
  st.binCount = 9;
  StartBlank(st);
  EXPECT_EQ(st.binCount, 0);
  double threshold = 3.0;
  int16_t envelope = -1;
  BlankUpdate(st, 2000, threshold, envelope);
  EXPECT_EQ(threshold, 1.0);
  EXPECT_EQ(envelope, 1980);
  BlankUpdate(st, 1800, threshold, envelope);
  EXPECT_EQ(threshold, 12.0);
  EXPECT_EQ(envelope, 1584);  // 0.88 x 1800
  EXPECT_EQ(st.blankMinimum, 1800);
  EXPECT_EQ(st.blankMaximum, 2000);
  // A zero level keeps the maximum from being usable until a positive one arrives.
  ChannelRunState dark;
  StartBlank(dark);
  threshold = 3.0;
  envelope = 55;
  BlankUpdate(dark, 0, threshold, envelope);
  EXPECT_EQ(threshold, 3.0);
  EXPECT_EQ(envelope, 55);
}

TEST(SnrBox, LeavingTheBoxAcceptsAboveOneUpToFive) {
  SnrBoxCheck c = CheckSnrBoxText("2.5");
  EXPECT_TRUE(c.valid);
  EXPECT_EQ(c.snrX10, 25);
  EXPECT_EQ(c.text, "2.5");
  EXPECT_EQ(c.organism, kOrganismCustomized);
  EXPECT_EQ(CheckSnrBoxText("5").text, "5.0");
  EXPECT_EQ(CheckSnrBoxText("1.25").snrX10, 12);  // halves to even
  // The value is read up to the comma: "2,5" is 2; "1,5" is 1 and rejected.
  EXPECT_EQ(CheckSnrBoxText("2,5").text, "2.0");
  EXPECT_EQ(CheckSnrBoxText("2,5").snrX10, 20);
  for (const char* bad : {"0.9", "1", "1,5", "5.01", "abc", "", "-3"}) {
    SnrBoxCheck r = CheckSnrBoxText(bad);
    EXPECT_FALSE(r.valid) << bad;
    EXPECT_EQ(r.message, "Invalid value: 1.1 to 5.0");
    EXPECT_EQ(r.text, "1.8");
    EXPECT_EQ(r.snrX10, 18);
    EXPECT_EQ(r.organism, kOrganismCustomized);
  }
}

TEST(SnrBox, OrganismPresetsAndTheOnePointFourFloor) {
  SnrBoxState s;
  SnrBoxState elegans = ApplyOrganismPreset(s, kOrganismCElegans);
  EXPECT_EQ(elegans.text, "1.8");
  EXPECT_EQ(elegans.factor, 1.8);
  EXPECT_FALSE(elegans.boxVisible);
  EXPECT_EQ(elegans.label, ">>>>");
  SnrBoxState fish = ApplyOrganismPreset(s, kOrganismZebrafish);
  EXPECT_EQ(fish.text, "2.8");
  EXPECT_EQ(fish.factor, 2.8);
  // Customized reads the box (a comma as decimal point) and shows it.
  fish.text = "3,5";
  SnrBoxState custom = ApplyOrganismPreset(fish, kOrganismCustomized);
  EXPECT_EQ(custom.factor, 3.5);
  EXPECT_TRUE(custom.boxVisible);
  EXPECT_EQ(custom.label, "> Zero SNR:");
  EXPECT_EQ(custom.organism, kOrganismCustomized);
  custom.text = "1,4";
  EXPECT_EQ(ApplyOrganismPreset(custom, kOrganismCustomized).factor, 1.8);
  EXPECT_EQ(ApplyOrganismPreset(custom, kOrganismCustomized).text, "1.8");
  // Drosophila keeps what is there, but the floor still applies.
  SnrBoxState dros = custom;
  dros.factor = 2.2;
  EXPECT_EQ(ApplyOrganismPreset(dros, kOrganismDrosophila).factor, 2.2);
  dros.factor = 1.3;
  EXPECT_EQ(ApplyOrganismPreset(dros, kOrganismDrosophila).factor, 1.8);
}

TEST(SnrBox, RunStartFactorBelowOnePointThreeBecomesOnePointEight) {
  EXPECT_EQ(RunStartSnr("1,25"), 1.8);
  EXPECT_EQ(RunStartSnr("1,35"), 1.35);
  EXPECT_EQ(RunStartSnr("1.3"), 1.3);
  EXPECT_EQ(RunStartSnr("none"), 1.8);
  EXPECT_EQ(SnrFromBoxText("0,5").value_or(-1), 0.5);
  EXPECT_FALSE(SnrFromBoxText("x"));
}

}  // namespace
}  // namespace movexa
