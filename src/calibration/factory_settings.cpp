// The factory settings window's model and the technical menu's password.
#include "calibration/factory_settings.h"

#include <cmath>

#include "base/number_format.h"
#include "base/rounding.h"
#include "base/text_records.h"
#include "calibration/maintenance_texts.h"

namespace movexa {

namespace t = maintenance_texts;

namespace {

constexpr int kFirstFactoryRegister = 200;

std::string DateText(int month, int year) {
  return std::string(t::kLastCalibrationHead) + ZeroPad(month, 2) + "/" + ZeroPad(year % 100, 2) +
         std::string(t::kLastCalibrationTail);
}

// Our own texts for the two checks the register layout needs.
constexpr std::string_view kNoTemperature =
    "The instrument did not answer the temperature reading: the offset was not changed.";
constexpr std::string_view kOffsetOutOfRangeHead = "The new offset of ";
constexpr std::string_view kOffsetOutOfRangeTail =
    " degrees is beyond the -10..10 degrees the instrument keeps: nothing was written.";

}  // namespace

bool FactoryAccessAllowed(bool offline, bool acquisitionActive, Dialogs& dialogs) {
  if (!offline && !acquisitionActive) return true;
  dialogs.Problem(t::kFactoryAccessRefusal);
  return false;
}

std::string SerialCaption(int serialNumber) {
  return std::string(t::kSerialHead) + ZeroPad(serialNumber, 5);
}

std::string CalibrationDateText(const FactoryTempCalibration& f) {
  return f.valid ? DateText(f.month, f.year) : std::string(t::kNonCalibrated);
}

std::array<int, 7> FactoryRegisterValues(const CivilTime& now, double offset, double slope) {
  const double milli = slope * 1000;
  const int high = static_cast<int>(Int(milli / 256));
  return {0,
          now.month,
          now.year % 100,
          offset < 0 ? 1 : 0,
          static_cast<int>(RoundHalfEven(std::fabs(offset) * 10)),
          static_cast<int>(RoundHalfEven(milli - 256.0 * high)),
          high};
}

double StoredFactoryOffset(double offset) {
  const double tenths = static_cast<double>(RoundHalfEven(std::fabs(offset) * 10));
  return (offset < 0 && tenths > 0 ? -tenths : tenths) / 10.0;
}

FactoryWindow::FactoryWindow(DeviceLink& link) : link_(link), factory_(link.connection.factory) {
  if (!factory_.valid) {
    factory_.offset = 0;
    factory_.slope = kDefaultTempSlope;
  }
  message_ = CalibrationDateText(factory_);
}

std::optional<double> FactoryWindow::ReadTemperature() {
  const int raw = DeviceQuery(link_, kCodeTemperature, 0, kModeCommand);
  if (raw < 0) return std::nullopt;
  return TemperatureDegrees(raw, factory_);
}

const std::string& FactoryWindow::Tick() {
  if (auto degrees = ReadTemperature()) currentText_ = FormatNumber(*degrees, "0.0");
  return currentText_;
}

bool FactoryWindow::Recalibrate(std::string_view referenceText) {
  Dialogs& dialogs = link_.host.dialogs;
  const std::optional<double> measured = ReadTemperature();
  const std::optional<double> reference = ParseOperatorNumber(referenceText);
  if (!reference || *reference < kReferenceLowest || *reference > kReferenceHighest) {
    dialogs.Problem(t::kInvalidReference);
    return false;
  }
  // A failed reading would shift the offset by a temperature that was never measured.
  if (!measured) {
    dialogs.Problem(kNoTemperature);
    return false;
  }
  const double offset = factory_.offset + (*reference - *measured);
  // Register 204 holds tenths of a degree in one byte, and the connect accepts -10..10 only.
  if (std::fabs(offset) > kOffsetLimit) {
    dialogs.Problem(std::string(kOffsetOutOfRangeHead) + FormatNumber(offset, "0.0") +
                    std::string(kOffsetOutOfRangeTail));
    return false;
  }
  const CivilTime now = link_.host.clock.Now();
  const std::array<int, 7> values = FactoryRegisterValues(now, offset, factory_.slope);
  for (int i = 0; i < 7; ++i) {
    if (WriteRegisterVerified(link_, kFirstFactoryRegister + i, values[static_cast<size_t>(i)]) != 1) {
      return false;  // the write routine has shown its message; the offset stays as it was
    }
  }
  factory_.valid = true;
  // What the registers hold, not the unrounded difference: the same offset a later connect
  // reads back.
  factory_.offset = StoredFactoryOffset(offset);
  factory_.sign = static_cast<int16_t>(values[3]);
  factory_.month = static_cast<int16_t>(values[1]);
  factory_.year = static_cast<int16_t>(values[2]);
  link_.connection.factory = factory_;
  message_ = DateText(values[1], values[2]);
  return true;
}

bool AskTechnicalPassword(Dialogs& dialogs) {
  const std::string answer = dialogs.InputSecret(t::kPasswordPrompt, t::kPasswordTitle);
  if (answer == t::kTechnicalPassword) return true;
  // An empty answer is a cancel; anything else was a try that deserves an answer.
  if (!answer.empty())
    dialogs.Problem(t::kWrongPassword, Dialogs::Severity::kWarning, t::kPasswordTitle);
  return false;
}

}  // namespace movexa
