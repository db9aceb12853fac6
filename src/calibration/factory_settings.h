// The factory settings window's model (`Frm_Factory`): who may open it, its serial caption and
// calibration date, the temperature read every second, and the re-calibration of the
// temperature offset against a reference, stored in the instrument's factory registers
// 200..206. Also the technical menu's password, which reveals the start menu's calibration
// window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/date_time.h"
#include "device/com_module.h"

namespace movexa {

inline constexpr int kFactoryTimerMs = 1000;  // Timer_temp
inline constexpr double kReferenceLowest = 4;
inline constexpr double kReferenceHighest = 50;
// The offsets the instrument's calibration accepts at connect (beyond them it counts as
// uncalibrated), in degrees.
inline constexpr double kOffsetLimit = 10;

// Opening "Factory Settings": refused with "Only possible to access in: ONLINE mode and STOP
// experiment" when offline or while a run is running or paused.
bool FactoryAccessAllowed(bool offline, bool acquisitionActive, Dialogs& dialogs);

// "SERIAL : MOVX" + serial with the pattern "00000".
std::string SerialCaption(int serialNumber);
// "OK Last Factory Calibration mm/yy [mm/yy]" for a valid calibration, else "NON Calibrated".
std::string CalibrationDateText(const FactoryTempCalibration& f);

// The seven factory register values of a calibration made at `now` with `offset` and `slope`:
// marker 0, month, two-digit year, sign (1 when negative), round(|offset| x 10), slope x 1000
// low byte and high byte.
std::array<int, 7> FactoryRegisterValues(const CivilTime& now, double offset, double slope);
// The offset the instrument keeps for `offset`: whole tenths of a degree (registers 203 and 204),
// as the connect reads it back.
double StoredFactoryOffset(double offset);

class FactoryWindow {
 public:
  // Takes the connection's calibration; without a valid one, offset 0 and slope 0.219.
  explicit FactoryWindow(DeviceLink& link);

  // One reading of the temperature (code 0x21) in degrees, or nullopt without a reply.
  std::optional<double> ReadTemperature();
  // Timer_temp: reads the temperature and returns the text of txt_current_temp ("0.0"), or
  // the last text when the instrument did not answer.
  const std::string& Tick();

  // "SET" (Cmd_temp) with the reference text of txt_set_temp: reads the temperature once more,
  // checks the reference (4..50), computes the new offset and writes registers 200..206 in
  // order, stopping at the first failure. True when all seven were written: the offset the
  // instrument now keeps (whole tenths) is then the one used for every later conversion and the
  // message shows the new date.
  bool Recalibrate(std::string_view referenceText);

  const std::string& message() const { return message_; }
  const std::string& currentTemperatureText() const { return currentText_; }
  double offset() const { return factory_.offset; }
  double slope() const { return factory_.slope; }

 private:
  DeviceLink& link_;
  FactoryTempCalibration factory_;
  std::string message_;
  std::string currentText_ = "0.0";
};

// The technical menu: asks "Enter Password" (title "Technical Menu") in a masked box; true when
// the answer is the technician's password exactly. A wrong password is told; an empty answer
// (Cancel) is not.
bool AskTechnicalPassword(Dialogs& dialogs);

}  // namespace movexa
