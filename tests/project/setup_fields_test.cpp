// Field rules of the setup window: the clamps of the number boxes, the SNR ranges per detection
// method with "," as decimal point, the organism defaults on choice and on fill, typed names, and
// the detection summary handed to the main window.
#include <gtest/gtest.h>

#include "base/host_fakes.h"
#include "project/setup_fields.h"

namespace movexa {
namespace {

TEST(SetupNumberBoxes, LapseAndBufferClampAndShowWhatTheyStore) {
  ProjectSettings p;
  struct Case {
    const char* text;
    int16_t stored;
    const char* shown;  // nullptr: the box keeps the typed text
  };
  for (const Case& c : {Case{"0", 2, "2"}, Case{"-5", 2, "2"}, Case{"40000", 32000, "32000"},
                        Case{"15", 15, nullptr}, Case{"2,5", 2, nullptr}, Case{"0,4", 2, "2"}}) {
    FieldEdit e = EditLapse(p, c.text);
    EXPECT_TRUE(e.stored) << c.text;
    EXPECT_EQ(p.Aq_lapse, c.stored) << c.text;
    EXPECT_EQ(e.show.has_value(), c.shown != nullptr) << c.text;
    if (c.shown && e.show) {
      EXPECT_EQ(*e.show, c.shown);
    }
  }
  // Half-typed or wrong text stores nothing; leaving the box says so and shows the value kept.
  EXPECT_FALSE(EditLapse(p, "-").stored);
  EXPECT_FALSE(EditLapse(p, "abc").stored);
  EXPECT_EQ(p.Aq_lapse, 2);
  FieldEdit left = LeaveNumberBox("abc", p.Aq_lapse);
  EXPECT_FALSE(left.message.empty());
  EXPECT_EQ(left.show, "2");
  EXPECT_TRUE(LeaveNumberBox("2", p.Aq_lapse).message.empty());

  for (const char* text : {"150", "20000"}) {
    FieldEdit e = LeaveBuffer(p, text);
    EXPECT_EQ(p.RT_Buffer, 200) << text;
    EXPECT_EQ(e.show, "200") << text;
  }
  LeaveBuffer(p, "1000");
  EXPECT_EQ(p.RT_Buffer, 1000);
  FieldEdit bad = LeaveBuffer(p, "many");
  EXPECT_FALSE(bad.stored);
  EXPECT_EQ(p.RT_Buffer, 1000);
  EXPECT_EQ(bad.show, "1000");
  EXPECT_FALSE(bad.message.empty());
}

TEST(SetupNumberBoxes, SampleRateAndIntervalStayWithinSixteenBitsAndIntervalAboveZero) {
  ProjectSettings p;
  EXPECT_TRUE(EditSampleRate(p, "-32768").stored);
  EXPECT_EQ(p.Sample_Rate, -32768);
  EXPECT_FALSE(EditSampleRate(p, "32768").stored);
  EXPECT_FALSE(EditSampleRate(p, "1e9").stored);
  EXPECT_EQ(p.Sample_Rate, -32768);
  EXPECT_TRUE(EditInterval(p, "45,5").stored);
  EXPECT_EQ(p.DSP_Interval, 46);  // halves to even
  // An interval of 0 would be saved into a setup the loader refuses.
  EXPECT_FALSE(EditInterval(p, "0").stored);
  EXPECT_EQ(p.DSP_Interval, 46);
  EXPECT_EQ(LeaveIntervalBox(p, "0").show, "46");
}

TEST(SetupNumberBoxes, AnIntervalLongerThanTheBinIsRefusedWithTheBinAsLimit) {
  // A detection window longer than the bin never completes inside one: nothing is counted.
  ProjectSettings p;
  p.RT_Buffer = 500;
  EXPECT_TRUE(EditInterval(p, "500").stored);
  EXPECT_FALSE(EditInterval(p, "501").stored);
  EXPECT_FALSE(EditInterval(p, "32767").stored);
  EXPECT_EQ(p.DSP_Interval, 500);
  FieldEdit left = LeaveIntervalBox(p, "32767");
  EXPECT_EQ(left.message, "Enter a detection interval from 1 to 500 samples");
  EXPECT_EQ(left.show, "500");
  EXPECT_TRUE(LeaveIntervalBox(p, "500").message.empty());
}

TEST(SetupSnr, RangesPerOrganismAcceptCommaAndFallBackToTheDefault) {
  ProjectSettings p;
  ChooseOrganism(p, 3);  // Drosophila
  EXPECT_EQ(p.DSP_Method, 3);
  EXPECT_TRUE(LeaveSnrBox(p, "0.6").stored);
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 6);
  FieldEdit refused = LeaveSnrBox(p, "1.0");
  EXPECT_EQ(refused.message, "Enter a valid SNR: 0.5 to 0.9");
  EXPECT_EQ(refused.show, "0.8");
  EXPECT_TRUE(refused.refocus);
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 8);

  ChooseOrganism(p, 0);  // C.elegans
  FieldEdit comma = LeaveSnrBox(p, "1,6");
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 16);
  EXPECT_EQ(comma.show, "1.6");
  EXPECT_EQ(LeaveSnrBox(p, "5.1").message, "Enter a valid SNR: 1.4 to 5.0");
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 18);
  EXPECT_EQ(LeaveSnrBox(p, "snr").message, "Enter a valid SNR: 1.4 to 5.0");

  // Zebrafish shows the SNR it stores and runs with, 2.8, on choice as on fill; a refused
  // entry brings the same 2.8 back.
  OrganismChoice z = ChooseOrganism(p, 1);
  EXPECT_EQ(z.snrText, "2.8");
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 28);
  FieldEdit zRefused = LeaveSnrBox(p, "9");
  EXPECT_EQ(zRefused.show, "2.8");
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 28);
  EXPECT_EQ(ChooseOrganism(p, 2).algorithm, 2);
}

TEST(SetupSnr, TheRangeFollowsTheDetectionMethodInUse) {
  // Method 3 draws its envelope at the mean peak times the SNR: above 1 every sample lies
  // below it and nothing is counted. The range goes with the method, whatever the organism.
  ProjectSettings p;
  ChooseOrganism(p, 0);  // C.elegans, method 1, SNR 1.8
  FieldEdit toThree = ChooseAlgorithm(p, 3);
  EXPECT_EQ(p.DSP_Method, 3);
  EXPECT_EQ(toThree.message, "Enter a valid SNR: 0.5 to 0.9");
  EXPECT_EQ(toThree.show, "0.8");
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 8);
  EXPECT_EQ(LeaveSnrBox(p, "1.8").message, "Enter a valid SNR: 0.5 to 0.9");
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 8);
  // Back to method 1: 0.8 does not suit it; C.elegans' own 1.8 comes back.
  FieldEdit toOne = ChooseAlgorithm(p, 1);
  EXPECT_EQ(toOne.show, "1.8");
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 18);
  // A change between methods of one range leaves the SNR and says nothing.
  LeaveSnrBox(p, "2.4");
  FieldEdit toTwo = ChooseAlgorithm(p, 2);
  EXPECT_TRUE(toTwo.message.empty());
  EXPECT_FALSE(toTwo.show);
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 24);
  // Drosophila with method 1: the other methods' range and their 1.8.
  ChooseOrganism(p, 3);
  ChooseAlgorithm(p, 1);
  EXPECT_EQ(p.Mn[kMn1][kSNRx10], 18);
  EXPECT_TRUE(LeaveSnrBox(p, "1.5").stored);
}

TEST(SetupFill, UnsetSnrTakesTheOrganismDefaultAndCalibrationToolsAreForcedOn) {
  FakeHost fake;
  AppState state;
  state.project.Mn[kMn1][kOrganism] = 1;
  state.project.Mn[kMn1][kSNRx10] = 0;
  state.project.Menu[kMenuCal] = 0;
  state.project.DSP_Method = 7;  // outside the list: the selector is left as it is
  SetupView v = FillSetup(state, fake.host);
  EXPECT_EQ(v.snr, "2.8");
  EXPECT_EQ(state.project.Mn[kMn1][kSNRx10], 28);
  EXPECT_EQ(v.algorithmIndex, -1);
  EXPECT_TRUE(v.tools[0]);
  EXPECT_EQ(state.project.Menu[kMenuCal], 1);
  EXPECT_EQ(state.main.calibrationFrameVisible, true);
  EXPECT_EQ(v.projectBox, "Default_1");
}

TEST(SetupHandOver, DetectionSummaryReachesTheMainWindow) {
  AppState state;
  state.project.DSP_Method = 3;
  state.project.Mn[kMn1][kOrganism] = 3;
  state.project.Mn[kMn1][kSNRx10] = 0;
  // "<<Back" leaves an unset SNR unset; "Continue to Run..." takes the organism's default.
  EXPECT_EQ(HandDetectionToMain(state, false), "Detection Mode3, Drosophila [snr 0.0]");
  EXPECT_EQ(HandDetectionToMain(state, true), "Detection Mode3, Drosophila [snr 0.8]");
  EXPECT_EQ(state.main.detectionSummary, "Detection Mode3, Drosophila [snr 0.8]");
  EXPECT_EQ(state.main.snrText, "0.8");
  EXPECT_EQ(state.main.organismText, "Drosophila");
}

TEST(SetupNames, TypedNamesNeverCarryAQuoteAndAreCutWholeCharacters) {
  EXPECT_EQ(TypedName("Dose \"high\""), "Dose 'high'");
  bool shortened = true;
  EXPECT_EQ(TypedName("Plate 7", &shortened), "Plate 7");
  EXPECT_FALSE(shortened);
  std::string longName;
  for (int i = 0; i < 100; ++i) longName += "\xC3\xA9";  // é, two bytes each
  std::string kept = TypedName(longName, &shortened);
  EXPECT_TRUE(shortened);
  EXPECT_EQ(kept.size(), 2 * kMaxNameChars);
}

}  // namespace
}  // namespace movexa
