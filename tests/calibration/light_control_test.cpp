// Light and temperature rules: outputs byte, daily and pulse cycles, thermostat, manual
// changes, and the checks of the light and temperature boxes.
#include "calibration/light_control.h"

#include <gtest/gtest.h>

namespace movexa {
namespace {

constexpr int64_t kMinuteMs = 60000;

OutputState CycleOn() {
  OutputState s;
  s.lightCycleEnabled = true;
  return s;
}

TEST(LightControl, OutputsByteIsFourLightTwoHeatOneControl) {
  OutputState s;
  EXPECT_EQ(OutputsByte(s), 0);
  s.lightOn = true;
  s.temperatureControlOn = true;
  EXPECT_EQ(OutputsByte(s), 5);  // light on, cooling, control on
  s.heatMode = true;
  EXPECT_EQ(OutputsByte(s), 7);
  s.lightOn = false;
  EXPECT_EQ(OutputsByte(s), 3);
}

TEST(LightControl, RunStartLightFollowsTheDailyCycleAcrossMidnight) {
  LightSchedule night{22, 6, 0, 0, 0};
  EXPECT_TRUE(LightAtRunStart(CycleOn(), night, 23).state.lightOn);
  EXPECT_TRUE(LightAtRunStart(CycleOn(), night, 5).state.lightOn);
  EXPECT_FALSE(LightAtRunStart(CycleOn(), night, 6).state.lightOn);
  EXPECT_FALSE(LightAtRunStart(CycleOn(), night, 12).state.lightOn);
  LightSchedule day{9, 21, 0, 0, 0};
  EXPECT_TRUE(LightAtRunStart(CycleOn(), day, 9).state.lightOn);
  EXPECT_FALSE(LightAtRunStart(CycleOn(), day, 21).state.lightOn);
  EXPECT_FALSE(LightAtRunStart(CycleOn(), LightSchedule{8, 8, 0, 0, 0}, 8).state.lightOn);
  EXPECT_TRUE(LightAtRunStart(CycleOn(), day, 12).apply);
  // Without the cycle, or with a pulse cycle, the run start leaves the light alone.
  OutputState off;
  off.lightOn = true;
  OutputDecision d = LightAtRunStart(off, day, 3);
  EXPECT_FALSE(d.apply);
  EXPECT_TRUE(d.state.lightOn);
  EXPECT_FALSE(LightAtRunStart(CycleOn(), LightSchedule{9, 21, 2, 1, 1}, 3).apply);
}

TEST(LightControl, PulseCycleLightsTheFirstMinuteOfEachPeriodThenKeepsItsState) {
  LightSchedule pulse{9, 21, 3, 1.0, 9.0};
  auto lightAt = [&](double minutes, bool before) {
    OutputState s = CycleOn();
    s.lightOn = before;
    OutputDecision d = PulseStep(s, pulse, static_cast<int64_t>(minutes * kMinuteMs));
    EXPECT_TRUE(d.apply);
    return d.state.lightOn;
  };
  EXPECT_TRUE(lightAt(0, false));
  EXPECT_TRUE(lightAt(0.99, false));
  EXPECT_FALSE(lightAt(1.0, true));
  EXPECT_FALSE(lightAt(9.99, true));
  EXPECT_TRUE(lightAt(10.5, false));
  EXPECT_TRUE(lightAt(20.99, false));
  EXPECT_FALSE(lightAt(21, true));
  // From minute 30 on the cycle is over: the light stays as it is.
  EXPECT_TRUE(lightAt(30, true));
  EXPECT_FALSE(lightAt(30.5, false));
  // A period of zero minutes is over at once, without dividing by zero.
  OutputState s = CycleOn();
  EXPECT_TRUE(PulseStep(s, LightSchedule{9, 21, 2, 0, 0}, 5 * kMinuteMs).apply);
}

TEST(LightControl, PendingManualChangeIsSentAtTheNextPulsePoint) {
  OutputState s;
  EXPECT_FALSE(PulseStep(s, LightSchedule{}, 0).apply);
  s.changePending = true;
  OutputDecision d = PulseStep(s, LightSchedule{}, 0);
  EXPECT_TRUE(d.apply);
  EXPECT_FALSE(d.state.changePending);
}

TEST(LightControl, ThermostatKeepsHalfADegreeBandAndRunsFromSixTenths) {
  OutputState on;
  on.thermostatEnabled = true;
  OutputState s = ApplyThermostat(on, 25.55, 25.0);
  EXPECT_FALSE(s.heatMode);
  EXPECT_FALSE(s.temperatureControlOn);
  s = ApplyThermostat(on, 25.7, 25.0);
  EXPECT_FALSE(s.heatMode);
  EXPECT_TRUE(s.temperatureControlOn);
  s = ApplyThermostat(on, 24.3, 25.0);
  EXPECT_TRUE(s.heatMode);
  EXPECT_TRUE(s.temperatureControlOn);
  s = ApplyThermostat(on, 24.45, 25.0);
  EXPECT_TRUE(s.heatMode);
  EXPECT_FALSE(s.temperatureControlOn);
  // Inside the band the control stops and the mode stays.
  on.heatMode = true;
  on.temperatureControlOn = true;
  s = ApplyThermostat(on, 25.2, 25.0);
  EXPECT_TRUE(s.heatMode);
  EXPECT_FALSE(s.temperatureControlOn);
  // Outside 10 < T < 38, or with the thermostat off: cooling and control off.
  for (double t : {9.9, 10.0, 38.0}) {
    s = ApplyThermostat(on, t, 25.0);
    EXPECT_FALSE(s.heatMode) << t;
    EXPECT_FALSE(s.temperatureControlOn) << t;
  }
  on.thermostatEnabled = false;
  EXPECT_FALSE(ApplyThermostat(on, 20.0, 25.0).temperatureControlOn);
}

TEST(LightControl, BinCloseAppliesDailyCycleAtTheOnAndOffHoursOnly) {
  LightSchedule day{9, 21, 0, 0, 0};
  OutputState s = CycleOn();
  OutputDecision d = BinCloseOutputs(s, day, 9, 20.0, 25.0);
  EXPECT_TRUE(d.apply);
  EXPECT_TRUE(d.state.lightOn);
  EXPECT_TRUE(BinCloseOutputs(d.state, day, 15, 20.0, 25.0).state.lightOn);
  EXPECT_FALSE(BinCloseOutputs(d.state, day, 21, 20.0, 25.0).state.lightOn);
  // Equal hours: the ON rule and then the OFF rule leave the light off.
  EXPECT_FALSE(BinCloseOutputs(s, LightSchedule{8, 8, 0, 0, 0}, 8, 20.0, 25.0).state.lightOn);
  // Without the cycle the light is untouched; the outputs are still sent.
  OutputState manual;
  manual.lightOn = true;
  d = BinCloseOutputs(manual, day, 21, 20.0, 25.0);
  EXPECT_TRUE(d.state.lightOn);
  EXPECT_TRUE(d.apply);
}

TEST(LightControl, StopSwitchesLightAndTemperatureControlOff) {
  OutputState s = CycleOn();
  s.lightOn = s.temperatureControlOn = s.heatMode = true;
  OutputDecision d = OutputsAtStop(s);
  EXPECT_TRUE(d.apply);
  EXPECT_EQ(OutputsByte(d.state), 2);
  EXPECT_TRUE(d.state.lightCycleEnabled);
}

TEST(LightControl, ManualChangesWaitDuringARunAndApplyAtOnceOtherwise) {
  OutputState s;
  OutputDecision d = ManualOutputChange(s, ManualOutput::kLight, true);
  EXPECT_TRUE(d.state.lightOn);
  EXPECT_TRUE(d.state.changePending);
  EXPECT_FALSE(d.apply);
  d = ManualOutputChange(s, ManualOutput::kTemperatureControl, false);
  EXPECT_TRUE(d.state.temperatureControlOn);
  EXPECT_TRUE(d.apply);
  EXPECT_FALSE(d.state.changePending);
  d = ManualOutputChange(d.state, ManualOutput::kHeatMode, false);
  EXPECT_TRUE(d.state.heatMode);
  EXPECT_FALSE(d.state.temperatureControlOn);
}

TEST(LightControl, StartupClearsTheCycleAndRestoresDefaultHours) {
  MnTable mn = kDefaultMn;
  mn[kMn2][kLightEnable] = 1;
  mn[kMn2][kTime_ON] = 0;
  mn[kMn2][kTime_OFF] = 0;
  EXPECT_EQ(OutputsAtStartup(mn), OutputState{});
  EXPECT_EQ(mn[kMn2][kLightEnable], 0);
  EXPECT_EQ(mn[kMn2][kTime_ON], 9);
  EXPECT_EQ(mn[kMn2][kTime_OFF], 21);
  mn[kMn2][kTime_ON] = 7;
  mn[kMn2][kTime_OFF] = 0;
  OutputsAtStartup(mn);
  EXPECT_EQ(mn[kMn2][kTime_ON], 7);
  EXPECT_EQ(mn[kMn2][kTime_OFF], 0);
  mn[kMn2][kPulseTimes] = 3;
  mn[kMn2][kPulseOnX10] = 15;
  mn[kMn2][kPulseOffX10] = 90;
  LightSchedule sch = LightScheduleFromMn(mn);
  EXPECT_EQ(sch.pulseTimes, 3);
  EXPECT_DOUBLE_EQ(sch.pulseOnMinutes, 1.5);
  EXPECT_DOUBLE_EQ(sch.pulseOffMinutes, 9.0);
  // The panel shows exactly the program a run applies.
  LightBoxTexts shown = LightBoxesShown(mn);
  EXPECT_EQ(shown.onHour, "07");
  EXPECT_EQ(shown.offHour, "00");
  EXPECT_EQ(shown.pulseTimes, "3");
  EXPECT_EQ(shown.pulseOn, "1.5");
  EXPECT_EQ(shown.pulseOff, "9.0");
  EXPECT_FALSE(shown.hourBoxesEnabled);
  mn[kMn2][kPulseTimes] = 0;
  EXPECT_TRUE(LightBoxesShown(mn).hourBoxesEnabled);
}

TEST(LightControlBoxes, HourBoxesTakeZeroToTwentyThree) {
  BoxCheck c = CheckHourBox("7", true);
  EXPECT_TRUE(c.valid);
  EXPECT_EQ(c.text, "07");
  EXPECT_EQ(c.value, 7);
  EXPECT_EQ(CheckHourBox("23", false).value, 23);
  for (const char* bad : {"24", "-1", "", "abc"}) {
    BoxCheck on = CheckHourBox(bad, true);
    EXPECT_FALSE(on.valid) << bad;
    EXPECT_EQ(on.message, "Invalid value: 0 to 23");
    EXPECT_EQ(on.value, 9);
    EXPECT_EQ(on.text, "9");
    EXPECT_EQ(CheckHourBox(bad, false).value, 21);
  }
  EXPECT_FALSE(HourBoxesEnabled(2));
  EXPECT_TRUE(HourBoxesEnabled(0));
}

TEST(LightControlBoxes, PulseAndTemperatureBoxes) {
  EXPECT_EQ(CheckPulseTimesBox("99").value, 99);
  BoxCheck times = CheckPulseTimesBox("100");
  EXPECT_EQ(times.message, "Invalid value: 0-99");
  EXPECT_EQ(times.text, "0");
  EXPECT_FALSE(CheckPulseTimesBox("-2").valid);

  BoxCheck on = CheckPulseMinutesBox("2,5");
  EXPECT_EQ(on.value, 25);
  EXPECT_EQ(on.text, "2.5");
  EXPECT_EQ(CheckPulseMinutesBox("1440").value, 14400);
  BoxCheck tooLong = CheckPulseMinutesBox("1440.1");
  EXPECT_EQ(tooLong.message, "Invalid value: 0.0 to 1440.0");
  EXPECT_EQ(tooLong.text, "0");
  EXPECT_EQ(tooLong.value, 0);

  BoxCheck t = CheckTemperatureBox("25.5");
  EXPECT_EQ(t.value, 255);
  EXPECT_EQ(t.text, "25.5");
  EXPECT_EQ(CheckTemperatureBox("5").text, "5.0");
  for (const char* bad : {"4.9", "50.5", ""}) {
    BoxCheck r = CheckTemperatureBox(bad);
    EXPECT_EQ(r.message, "Invalid value: 5.0 to 50.0") << bad;
    EXPECT_EQ(r.text, "20");
    EXPECT_EQ(r.value, 200);
  }
}

}  // namespace
}  // namespace movexa
