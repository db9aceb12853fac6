// Texts of the calibration procedures: the messages, the status texts of the progress panel
// (`lbl_autochannel`) and its caption, each in one place.
#pragma once

#include <string_view>

namespace movexa::calibration_texts {

// Where the procedures' status texts appear.
inline constexpr std::string_view kPanelStatus = "Frm_Main.lbl_autochannel";
// Caption of the progress panel at run start.
inline constexpr std::string_view kAutoCalibrationCaption = "<AUTOCALIBRATION>";

// Messages.
inline constexpr std::string_view kOfflineRefusal = "Operation not possible in OFFLINE mode";
inline constexpr std::string_view kCommunicationError =
    "Communication error. Check COM PORT and equipment connection.";
// Our own text for a calibration table that could not be written: "Error saving [calvalue.dat]
// => " + the file system's words.
inline constexpr std::string_view kSaveErrorHead = "Error saving [calvalue.dat] => ";

// Software calibration.
inline constexpr std::string_view kWritingCalibration = "Writing Calibration...";
inline constexpr std::string_view kWritingFirstTimeCalibration = "Writing First Time Calibration...";
inline constexpr std::string_view kWritingChannelHead = "Writing calibration...";  // + channel
inline constexpr std::string_view kAcquiring = "Acquiring...";
inline constexpr std::string_view kCalibratingRoundHead = "Calibrating... [";  // + rewritten
inline constexpr std::string_view kCalibratingRoundTail = "]";
inline constexpr std::string_view kCalibrationOk = "Calibration OK";

// Device self-calibration.
inline constexpr std::string_view kSelfCalibratingHead = "Calibrating...";  // + percent
inline constexpr std::string_view kSavingValuesHead = "Saving Calibration values...";
// The instrument stopped answering during the read-back of the self-calibration.
inline constexpr std::string_view kReadBackAbandoned =
    "The instrument stopped answering while its calibration values were read back: "
    "calvalue.dat and the calibration table were kept as they were. Check COM and Try again";  // + percent
inline constexpr std::string_view kPercentTail = "%";

// Automatic zero.
inline constexpr std::string_view kAutoZeroStart = "AutoZero Calculation .... <000>";
inline constexpr std::string_view kAutoZeroSampleHead = "AutoZero... <";  // + sample
inline constexpr std::string_view kAutoZeroSampleTail = ">";

}  // namespace movexa::calibration_texts
