// Light and temperature control rules, apart from the instrument: the outputs record and its
// byte (4 x light + 2 x heating + 1 x temperature control, sent with code 0x10 by
// ApplyOutputs), the light at run start, the pulse cycle and pending manual changes every 25th
// sample, the thermostat and daily cycle at every bin close, everything off at Stop, and the
// checks of the light and temperature boxes. Each rule returns the new state and whether the
// outputs must be sent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "project/project_settings.h"

namespace movexa {

inline constexpr std::string_view kInvalidHourText = "Invalid value: 0 to 23";
inline constexpr std::string_view kInvalidPulseTimesText = "Invalid value: 0-99";
inline constexpr std::string_view kInvalidPulseMinutesText = "Invalid value: 0.0 to 1440.0";
inline constexpr std::string_view kInvalidTemperatureText = "Invalid value: 5.0 to 50.0";

inline constexpr double kThermostatLowestDegrees = 10.0;   // the thermostat acts strictly
inline constexpr double kThermostatHighestDegrees = 38.0;  // between these temperatures

// Output state of the main window; all false at start-up.
struct OutputState {
  bool lightOn = false;
  bool heatMode = false;  // true = heating, false = cooling
  bool temperatureControlOn = false;
  bool lightCycleEnabled = false;   // Chk_lenabled
  bool thermostatEnabled = false;   // Chk_tenabled
  bool changePending = false;       // a manual change made during a run, not yet sent

  friend bool operator==(const OutputState&, const OutputState&) = default;
};

// A rule's result: the new state and whether ApplyOutputs must send it.
struct OutputDecision {
  OutputState state;
  bool apply = false;
};

// The light settings of the project (tool table row Mn2), in hours and minutes.
struct LightSchedule {
  int onHour = 9;
  int offHour = 21;
  int pulseTimes = 0;
  double pulseOnMinutes = 0;
  double pulseOffMinutes = 0;
};

// The schedule stored in the tool table (Mn2: hours, pulse times, pulse minutes x 10).
LightSchedule LightScheduleFromMn(const MnTable& mn);

// The outputs byte: 4 x light + 2 x heat mode + 1 x temperature control.
uint8_t OutputsByte(const OutputState& s);

// Light for the present hour of the daily cycle: on from the ON hour up to (not including) the
// OFF hour, across midnight when OFF < ON; off all day when both are equal.
bool LightOnForHour(int onHour, int offHour, int hour);

// Run start: with the light cycle enabled and no pulse cycle, the light follows the present
// hour and the outputs are sent; otherwise nothing changes.
OutputDecision LightAtRunStart(const OutputState& s, const LightSchedule& schedule, int hour);

// Every 25th sample of a run, `elapsedMs` after its start: the pulse cycle (with the light
// cycle enabled and at least one pulse: on while the phase within the ON + OFF period is below
// the ON minutes; once times x period has passed the light keeps its state), then a pending
// manual change is cleared. Sent when either acted.
OutputDecision PulseStep(const OutputState& s, const LightSchedule& schedule, int64_t elapsedMs);

// Thermostat at a bin close, temperature and set point in degrees: outside 10 < T < 38 or when
// not enabled, cooling and control off; within half a degree of the set point control off;
// half a degree or more above, cooling, running from 0.6 above; half a degree or more below,
// heating, running from 0.6 below.
OutputState ApplyThermostat(const OutputState& s, double temperature, double setPoint);

// Bin close: the thermostat, then the daily cycle when enabled (light on at the ON hour, off at
// the OFF hour, checked in that order); always sent.
OutputDecision BinCloseOutputs(const OutputState& s, const LightSchedule& schedule, int hour,
                               double temperature, double setPoint);

// End of a run (Stop or programmed end): light and temperature control off; always sent.
OutputDecision OutputsAtStop(const OutputState& s);

enum class ManualOutput { kLight, kTemperatureControl, kHeatMode };

// The manual buttons: light toggles the light; temperature toggles the control; mode toggles
// heating/cooling and switches the control off. During a run the change waits for the next
// 25-sample point (change pending); otherwise it is sent at once.
OutputDecision ManualOutputChange(const OutputState& s, ManualOutput button, bool runActive);

// Start-up of the main window: everything off and the light cycle unticked (the stored light
// Enable cleared too); stored hours both 0 become 9 and 21.
OutputState OutputsAtStartup(MnTable& mn);

// Result of leaving one of the light or temperature boxes.
struct BoxCheck {
  bool valid = false;
  std::string text;       // what the box shows afterwards
  int16_t value = 0;      // what the tool table stores
  std::string message;    // shown when the entry is rejected
};

// Hour boxes (txt_lon / txt_loff): a number 0..23, shown "00"; else the message and 9 (ON box)
// or 21 (OFF box).
BoxCheck CheckHourBox(std::string_view text, bool onHourBox);
// Pulse times (txt_pulsetimes): a whole count 0..99, shown "0"; else the message and 0.
BoxCheck CheckPulseTimesBox(std::string_view text);
// Pulse ON / OFF minutes: 0..1440, stored x 10 and shown "0.0"; else the message, box "0".
BoxCheck CheckPulseMinutesBox(std::string_view text);
// Temperature set point (txttemp): 5..50 degrees, stored x 10 and shown "0.0"; else the
// message, box "20" and 200.
BoxCheck CheckTemperatureBox(std::string_view text);
// The hour boxes are usable only without a pulse cycle.
inline bool HourBoxesEnabled(int pulseTimes) { return pulseTimes == 0; }

// What the light panel shows for the project's stored light settings (Mn2), the ones a run
// applies: hours "00", pulse times "0", pulse ON / OFF minutes (stored x 10) "0.0", and the hour
// boxes usable only without a pulse cycle.
struct LightBoxTexts {
  std::string onHour;
  std::string offHour;
  std::string pulseTimes;
  std::string pulseOn;
  std::string pulseOff;
  bool hourBoxesEnabled = true;
};
LightBoxTexts LightBoxesShown(const MnTable& mn);

}  // namespace movexa
