// Texts of the maintenance procedures (device test, calibration window, factory settings and
// the technical menu), each in one place.
#pragma once

#include <string_view>

namespace movexa::maintenance_texts {

// Where the device test's texts appear on the main window.
inline constexpr std::string_view kTestStatus = "Frm_Main.lbl_temperature";
inline constexpr std::string_view kTestHint = "Frm_Main.lbl_autostart";

// Device test.
inline constexpr std::string_view kStopBeforeTesting = "Stop acquisition before Testing";
inline constexpr std::string_view kDeviceTestQuestion =
    "DEVICE TEST:\nLigth Microbeams will be adjusted to maximum and minimum.\n"
    "Please, remove any microplate from the slot\n and close Movexa door";
inline constexpr std::string_view kDoorHint = "Open and close Movexa Door to see sensing changes";
inline constexpr std::string_view kComError = "COM Error";
inline constexpr std::string_view kTurningOn = "Turning ON A1-D1";
inline constexpr std::string_view kTurningOff = "Turning OFF A1-D1";
inline constexpr std::string_view kOkToProceed = "OK to proceed?";
inline constexpr std::string_view kOnAll = "[ON ALL]";
inline constexpr std::string_view kOffAll = "[OFF ALL]";
inline constexpr std::string_view kOneColumn = "[1 COLUMN]";
inline constexpr std::string_view kOneRow = "[1 ROW]";
inline constexpr std::string_view kGainPowerTwo = "[GAIN/POWER=2]";
inline constexpr std::string_view kColumnsHeading = "Test_24_Columns:";
inline constexpr std::string_view kRowsHeading = "Test_16_Rows:";
inline constexpr std::string_view kValuesHeading = "Gain/Power[2] Values:";
inline constexpr std::string_view kAllOnPassStatus = "[Test100%=PASS!]";
inline constexpr std::string_view kAllOnPassLine = "Test_all_100%: OK PASS!";
inline constexpr std::string_view kAllOnCountHead = "Number of Channels > 80% = ";
inline constexpr std::string_view kAllOnCheckStatus = "[Test100%= CHECK!]";
inline constexpr std::string_view kAllOnCheckLine = "Test_all_100%:  NEEDS REVISION!";
inline constexpr std::string_view kAllOnFailHead = "Channels < 80%: ";
inline constexpr std::string_view kAllOffPassStatus = "[Test0%=PASS!]";
inline constexpr std::string_view kAllOffPassLine = "Test_all_0%: OK PASS!";
inline constexpr std::string_view kAllOffCountHead = "Number of Channels < 20% = ";
inline constexpr std::string_view kAllOffCheckStatus = "[Test0%= CHECK!]";
inline constexpr std::string_view kAllOffCheckLine = "Test_all_0%:  NEEDS REVISION!";
inline constexpr std::string_view kAllOffFailHead = "Channels > 20%: ";
// Our own texts for how a test ended: the report's closing line when it did not finish, and the
// one-line summary of the window and movexa-cli.
inline constexpr std::string_view kTestComErrorHead = "COM Error at step ";
inline constexpr std::string_view kTestStoppedHead = "Test stopped at step ";
inline constexpr std::string_view kTestNotFinishedTail = ": the test did not finish";
inline constexpr std::string_view kTestAllPassed = "every verdict passed";
inline constexpr std::string_view kTestNeedsRevisionHead = "NEEDS REVISION: ";
inline constexpr std::string_view kTestNeedsRevisionTail = " verdicts to check";
inline constexpr std::string_view kTestDeclined = "not continued after the A1-D1 check";
inline constexpr std::string_view kTestNotStarted = "not started";
inline constexpr std::string_view kTestRunningHead = "running, step ";
inline constexpr std::string_view kTestReportNotWritten = "; the report could not be written";

// Calibration window.
inline constexpr std::string_view kBlockReaderErrorHead = "Ops...Data Sending ERROR reg(";
inline constexpr std::string_view kBlockReaderErrorTail = ")... Try again";
inline constexpr std::string_view kStarting = "starting";
inline constexpr std::string_view kCalibratingChannelHead = "Calibrating CH";
inline constexpr std::string_view kReadingHead = "Reading";
inline constexpr std::string_view kMaxGain = "Max.Gain";
inline constexpr std::string_view kMaxPower = "Max.Power";
inline constexpr std::string_view kTime = "Time";
inline constexpr std::string_view kEnabled = "ENABLED";
inline constexpr std::string_view kDisabled = "DISABLED";
// Our own texts for positions without a beam (lblout, and the legend under the grid).
inline constexpr std::string_view kNoBeam = "no beam";
inline constexpr std::string_view kNoBeamLegend =
    "Crossed cells: positions without a beam (odd channels), never read";
inline constexpr std::string_view kDisableChannelHead = "Do you like to Disable Channel ";
inline constexpr std::string_view kEnableChannelHead = "Do you like to Enable Channel ";
// Our own closing line of the auto-gain procedure when some beams could not be written.
inline constexpr std::string_view kAutoGainUnsetHead =
    "These channels could not be set and are not calibrated: ";
inline constexpr std::string_view kBkFile = "test_bk.txt";
inline constexpr std::string_view kMeanFile = "test_mean.txt";
inline constexpr std::string_view kDesvFile = "test_desv.txt";
// Our own message for a gain-curve file that could not be written.
inline constexpr std::string_view kCurveWriteErrorHead = "Error writing the gain curve => ";
// Our own messages for an instrument that stops answering during the gain curve.
inline constexpr std::string_view kCurveNoSettingHead =
    "The instrument did not answer the test setting ";
inline constexpr std::string_view kCurveNoReadingHead =
    "The instrument did not deliver a whole reading at ";
inline constexpr std::string_view kCurveStoppedTail =
    ": the gain curve stops here (the files hold the settings measured before).";

// Factory settings and the technical menu.
inline constexpr std::string_view kFactoryAccessRefusal =
    "Only possible to access in: ONLINE mode and STOP experiment";
inline constexpr std::string_view kSerialHead = "SERIAL : MOVX";
inline constexpr std::string_view kLastCalibrationHead = "OK Last Factory Calibration ";
inline constexpr std::string_view kLastCalibrationTail = " [mm/yy]";
inline constexpr std::string_view kNonCalibrated = "NON Calibrated";
inline constexpr std::string_view kInvalidReference =
    "invalid Calibration Parameter: value must be between 4\u00B0C and 50\u00B0C";
inline constexpr std::string_view kPasswordPrompt = "Enter Password";
inline constexpr std::string_view kPasswordTitle = "Technical Menu";
inline constexpr std::string_view kTechnicalPassword = "Kilns7395";
// Our own answer to a wrong password.
inline constexpr std::string_view kWrongPassword =
    "Wrong password: the calibration window stays hidden.";

// Light and temperature panels.
inline constexpr std::string_view kSomeHardwareVersions = "Only available in some hardware versions";

}  // namespace movexa::maintenance_texts
