// The connection state shared by the whole system: the port in use, the instrument's serial
// number, offline and connected flags, the factory temperature calibration and the length of
// the instrument's block replies as learned at connect.
#pragma once

#include <cstdint>

namespace movexa {

inline constexpr double kDefaultTempSlope = 0.219;

// `FactoryTempCalibration`: the instrument's temperature is raw x slope + offset.
struct FactoryTempCalibration {
  bool valid = false;
  int16_t month = 0;  // 1..12
  int16_t year = 0;   // two digits, 0..99
  int16_t sign = 0;   // 1 = offset negative
  double offset = 0.0;              // degrees, -10..10
  double slope = kDefaultTempSlope;  // degrees per raw unit, 0.1..0.45
};

// Degrees Celsius of a raw temperature reading (reply to code 0x21).
inline double TemperatureDegrees(int raw, const FactoryTempCalibration& f) {
  return raw * f.slope + f.offset;
}

struct ConnectionState {
  int16_t port = 0;          // COM number in use; 0 when none was found
  int16_t serialNumber = 0;  // from the probe; 0 when none
  bool offline = false;      // no instrument reachable: acquisition and calibration refuse
  bool connected = false;    // a connect found the instrument and read its factory calibration
  FactoryTempCalibration factory;
  // Bytes the instrument sends in answer to a block request (code 0x30), learned once at
  // connect; 0 while unknown (block readers then take exactly what they consume).
  int blockReplyBytes = 0;
  int16_t tickedPortEntry = 0;  // port menu entry "COM<n>" carrying the tick; 0 = none
};

}  // namespace movexa
