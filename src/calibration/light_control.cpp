// Light and temperature control rules and the checks of their boxes.
#include "calibration/light_control.h"

#include <optional>

#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_records.h"

namespace movexa {

namespace {

constexpr double kMsPerMinute = 60000.0;

BoxCheck Accept(double v, int16_t stored, std::string_view pattern) {
  return {true, FormatNumber(v, pattern), stored, {}};
}

BoxCheck Reject(std::string_view message, std::string text, int16_t value) {
  return {false, std::move(text), value, std::string(message)};
}

// The typed number when it lies in [low, high].
std::optional<double> NumberIn(std::string_view text, double low, double high) {
  auto v = ParseOperatorNumber(text);
  if (!v || *v < low || *v > high) return std::nullopt;
  return v;
}

}  // namespace

LightSchedule LightScheduleFromMn(const MnTable& mn) {
  const auto& row = mn[kMn2];
  LightSchedule s;
  s.onHour = row[kTime_ON];
  s.offHour = row[kTime_OFF];
  s.pulseTimes = row[kPulseTimes];
  s.pulseOnMinutes = row[kPulseOnX10] / 10.0;
  s.pulseOffMinutes = row[kPulseOffX10] / 10.0;
  return s;
}

LightBoxTexts LightBoxesShown(const MnTable& mn) {
  const auto& row = mn[kMn2];
  LightBoxTexts t;
  t.onHour = FormatNumber(row[kTime_ON], "00");
  t.offHour = FormatNumber(row[kTime_OFF], "00");
  t.pulseTimes = FormatNumber(row[kPulseTimes], "0");
  t.pulseOn = FormatNumber(row[kPulseOnX10] / 10.0, "0.0");
  t.pulseOff = FormatNumber(row[kPulseOffX10] / 10.0, "0.0");
  t.hourBoxesEnabled = HourBoxesEnabled(row[kPulseTimes]);
  return t;
}

uint8_t OutputsByte(const OutputState& s) {
  return static_cast<uint8_t>(4 * s.lightOn + 2 * s.heatMode + 1 * s.temperatureControlOn);
}

bool LightOnForHour(int onHour, int offHour, int hour) {
  if (offHour > onHour) return onHour <= hour && hour < offHour;
  if (offHour == onHour) return false;
  return !(offHour <= hour && hour < onHour);
}

OutputDecision LightAtRunStart(const OutputState& s, const LightSchedule& schedule, int hour) {
  OutputDecision d{s, false};
  if (s.lightCycleEnabled && schedule.pulseTimes == 0) {
    d.state.lightOn = LightOnForHour(schedule.onHour, schedule.offHour, hour);
    d.apply = true;
  }
  return d;
}

OutputDecision PulseStep(const OutputState& s, const LightSchedule& schedule, int64_t elapsedMs) {
  OutputDecision d{s, false};
  if (schedule.pulseTimes >= 1 && s.lightCycleEnabled) {
    double elapsed = static_cast<double>(elapsedMs) / kMsPerMinute;
    double period = schedule.pulseOnMinutes + schedule.pulseOffMinutes;
    if (elapsed < period * schedule.pulseTimes) {  // so the period is above 0 here
      double phase = elapsed - static_cast<double>(Int(elapsed / period)) * period;
      d.state.lightOn = phase < schedule.pulseOnMinutes;
    }
    d.apply = true;
  }
  if (d.state.changePending) {
    d.state.changePending = false;
    d.apply = true;
  }
  return d;
}

OutputState ApplyThermostat(const OutputState& s, double temperature, double setPoint) {
  OutputState out = s;
  bool inBand = temperature > kThermostatLowestDegrees && temperature < kThermostatHighestDegrees;
  if (!inBand || !s.thermostatEnabled) {
    out.heatMode = false;
    out.temperatureControlOn = false;
  } else if (temperature > setPoint - 0.5 && temperature < setPoint + 0.5) {
    out.temperatureControlOn = false;
  } else if (temperature >= setPoint + 0.5) {
    out.heatMode = false;
    out.temperatureControlOn = temperature >= setPoint + 0.6;
  } else {
    out.heatMode = true;
    out.temperatureControlOn = temperature <= setPoint - 0.6;
  }
  return out;
}

OutputDecision BinCloseOutputs(const OutputState& s, const LightSchedule& schedule, int hour,
                               double temperature, double setPoint) {
  OutputDecision d{ApplyThermostat(s, temperature, setPoint), true};
  if (d.state.lightCycleEnabled) {
    if (hour == schedule.onHour) d.state.lightOn = true;
    if (hour == schedule.offHour) d.state.lightOn = false;
  }
  return d;
}

OutputDecision OutputsAtStop(const OutputState& s) {
  OutputDecision d{s, true};
  d.state.temperatureControlOn = false;
  d.state.lightOn = false;
  return d;
}

OutputDecision ManualOutputChange(const OutputState& s, ManualOutput button, bool runActive) {
  OutputDecision d{s, false};
  switch (button) {
    case ManualOutput::kLight:
      d.state.lightOn = !s.lightOn;
      break;
    case ManualOutput::kTemperatureControl:
      d.state.temperatureControlOn = !s.temperatureControlOn;
      break;
    case ManualOutput::kHeatMode:
      d.state.heatMode = !s.heatMode;
      d.state.temperatureControlOn = false;
      break;
  }
  if (runActive) {
    d.state.changePending = true;
  } else {
    d.apply = true;
  }
  return d;
}

OutputState OutputsAtStartup(MnTable& mn) {
  auto& row = mn[kMn2];
  row[kLightEnable] = 0;
  if (row[kTime_ON] == 0 && row[kTime_OFF] == 0) {
    row[kTime_ON] = 9;
    row[kTime_OFF] = 21;
  }
  return OutputState{};
}

BoxCheck CheckHourBox(std::string_view text, bool onHourBox) {
  if (auto v = NumberIn(text, 0, 23)) return Accept(*v, static_cast<int16_t>(RoundHalfEven(*v)), "00");
  return onHourBox ? Reject(kInvalidHourText, "9", 9) : Reject(kInvalidHourText, "21", 21);
}

BoxCheck CheckPulseTimesBox(std::string_view text) {
  if (auto v = NumberIn(text, 0, 99)) return Accept(*v, static_cast<int16_t>(RoundHalfEven(*v)), "0");
  return Reject(kInvalidPulseTimesText, "0", 0);
}

BoxCheck CheckPulseMinutesBox(std::string_view text) {
  if (auto v = NumberIn(text, 0, 1440)) {
    return Accept(*v, static_cast<int16_t>(RoundHalfEven(*v * 10)), "0.0");
  }
  return Reject(kInvalidPulseMinutesText, "0", 0);
}

BoxCheck CheckTemperatureBox(std::string_view text) {
  if (auto v = NumberIn(text, 5, 50)) {
    return Accept(*v, static_cast<int16_t>(RoundHalfEven(*v * 10)), "0.0");
  }
  return Reject(kInvalidTemperatureText, "20", 200);
}

}  // namespace movexa
