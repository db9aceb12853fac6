// The connection state shared by the whole system: the port in use, the instrument's serial
// number, offline and connected flags, the factory temperature calibration and what the block
// reader has learned of the instrument's block replies.
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
  // What the block reader has learned of the instrument's replies to block requests (code 0x30)
  // from the replies themselves: the length the next reply is expected to have (the longest of
  // the latest window of replies; 0 while unknown), the longest reply of the window in progress
  // and its size, and whether the end of the last reply was seen as a quiet line rather than
  // assumed from its length.
  int blockReplyBytes = 0;
  int blockReplyWindowMax = 0;
  int blockReplyWindowCount = 0;
  bool blockReplyEndSeen = true;
  int16_t tickedPortEntry = 0;  // port menu entry "COM<n>" carrying the tick; 0 = none
  // The operator chose and saved a port (port menu, serial ports window, the port prompt) since
  // the last connect: the next connect uses it.
  bool portChanged = false;
};

}  // namespace movexa
