// Texts of run control and the sampling loop: the experiment-name prompt, refusals, the disk
// space warning, banners, status lines and the labels of the main window they go to. Each text
// lives here only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>
#include <string_view>

namespace movexa::run_texts {

inline constexpr std::string_view kEol = "\r\n";

// Status labels of the main window.
inline constexpr std::string_view kStatusWhere = "Frm_Main.lblstatus";
inline constexpr std::string_view kBlankLabelWhere = "Frm_Main.lblcalibrando";

// Experiment name.
inline constexpr std::string_view kNameTitle = "Starting New acquisition...";
inline constexpr std::string_view kAutorunName = "Autorun project";
inline constexpr std::string_view kNamePromptHead =
    "*************************************************\r\n"
    "***   Enter a Name for this Experiment  ***\r\n"
    "*************************************************\r\n"
    "Comments:\r\n"
    "~~~~~~~\r\n";
inline constexpr std::string_view kAutoCalibrationOn =
    "> Auto Calibration is ON: Use experimental Microplate Direclty.";
inline constexpr std::string_view kAutoCalibrationOff =
    "> Auto Calibration is OFF: Remember to read Blank.";
inline constexpr std::string_view kMonitorModeHint =
    "> To go into Monitor_mode (no calculation/recording) keep experiment name empty.";
inline std::string NamePrompt(bool autoCalibrationAndZero) {
  return std::string(kNamePromptHead) +
         std::string(autoCalibrationAndZero ? kAutoCalibrationOn : kAutoCalibrationOff) +
         std::string(kEol) + std::string(kMonitorModeHint);
}
inline constexpr std::string_view kEmptyName =
    "Name is EMPTY. Activity is NOT going to be CALCULATED/RECORDED!";
inline constexpr std::string_view kNameAgainPrompt = "Enter a Name for this experiment";

// Refusals.
inline constexpr std::string_view kProjectZero =
    "Operation not allowed in Project #0:Default. Go to <Setup> and Save it with another name";
inline constexpr std::string_view kOfflineAcquisition =
    "Acquisition not allowed in OFFLINE MODE. Connect the equipment and restart the program.";
// Offline because the instrument's port is held by another program.
inline std::string InstrumentInUse(int port) {
  return "Acquisition not allowed: the instrument's port COM" + std::to_string(port) +
         " is in use by another Movexa (the windows program or movexa-cli) or another program. "
         "Stop its run or close it, then connect again.";
}
inline constexpr std::string_view kOfflineOperation = "Operation not possible in OFFLINE mode";
// Our own refusal of a blank reading during a recorded run, which it would end.
inline constexpr std::string_view kBlankDuringRecording =
    "Stop the acquisition before reading the blank: the blank reading would end its recording.";

// Disk space for real-time recording.
inline std::string DiskSpaceReport(int aqLapse, int64_t requiredMB, int64_t freeMB) {
  return "Programmed Acquisition lapse = " + std::to_string(aqLapse) +
         "minutes & RealTime_recording=YES" + std::string(kEol) +
         "Required Disk space for RealTime Saving = " + std::to_string(requiredMB) + "MB" +
         std::string(kEol) + "Current Disk Space=" + std::to_string(freeMB) + "MB" +
         std::string(kEol);
}
inline constexpr std::string_view kLowDiskSpace = "LOW DISK SPACE";
inline constexpr std::string_view kNotEnoughDiskSpace = "NOT ENOUGH DISK SPACE";
inline constexpr std::string_view kNotEnoughDiskHint =
    " (Please, Increase Disk Space Availablility or Deselect Realtime recording)";
inline std::string DiskQuestion(std::string_view report) {
  return "WARNING:" + std::string(kEol) + std::string(report) + std::string(kEol) + "PROCEED?";
}

// Folder and files of a recorded run that cannot be created: the run does not start.
inline std::string FolderNotCreated(std::string_view folder, std::string_view why) {
  return "The acquisition folder " + std::string(folder) + " could not be created (" +
         std::string(why) + "). The acquisition was not started.";
}
inline std::string SnapshotNotWritten(std::string_view why) {
  return "The project files could not be copied into the acquisition folder (" +
         std::string(why) + "). The acquisition was not started.";
}
// A second recorder on the same application folder.
inline std::string RecorderBusy(std::string_view appDir) {
  return "Another acquisition is being recorded from the application folder " +
         std::string(appDir) +
         " (by this or another Movexa program). Only one acquisition can be recorded at a "
         "time: stop the other one first. The acquisition was not started.";
}
inline std::string RecorderLockFailed(std::string_view appDir, std::string_view why) {
  return "The recording lock of the application folder " + std::string(appDir) +
         " could not be taken (" + std::string(why) + "). The acquisition was not started.";
}
// A project whose bins cannot hold a sample series.
inline std::string BinTooShort(int rtBuffer) {
  return "Samples per bin (RT_Buffer) = " + std::to_string(rtBuffer) +
         ": at least 2 are needed. The acquisition was not started.";
}
// Bins that a failing disk still holds back.
inline std::string BinsStillWaiting(int64_t bins, std::string_view why) {
  return std::to_string(bins) +
         " closed bin(s) could not be written to the acquisition files yet (" + std::string(why) +
         "). They are kept in memory and written as soon as the disk allows; free disk space "
         "before starting another acquisition.";
}
inline std::string WaitingBinsBlockStart(int64_t bins, std::string_view folder) {
  return std::to_string(bins) + " closed bin(s) of the acquisition " + std::string(folder) +
         " are still waiting for the disk. Free disk space and try again: a new acquisition "
         "starts only when they are written.";
}

// Beams of the plate reading near zero at the start of a recorded run.
inline std::string TableResent(int registers) {
  return "Beams read near zero at the start of the run: the calibration table (calvalue.dat) was "
         "sent to the instrument again (" + std::to_string(registers) + " register(s) rewritten).";
}
inline std::string DarkBeamsQuestion(const std::vector<int>& channels, bool tableResent) {
  std::string list;
  for (size_t i = 0; i < channels.size() && i < 12; ++i) list += "CH" + std::to_string(channels[i]) + " ";
  if (channels.size() > 12) list += "...";
  return std::to_string(channels.size()) + " beam(s) of the plate read near zero (" + list +
         "): " +
         (tableResent ? "they stay dark with the calibration table sent again."
                      : "an interrupted device test may have left them dark, and there is no "
                        "calibration table (calvalue.dat) to send again.") +
         " Their wells would record no activity. Calibrate the beams (Fast CALIB) or run the "
         "device test to its end first. Start the acquisition anyway?";
}

// An instrument that stops answering during a run: the run goes on (it may come back).
inline std::string InstrumentNotAnswering(int64_t samples) {
  return "The instrument does not answer: " + std::to_string(samples) +
         " samples in a row without a good signal block. Recording goes on (bins keep the last "
         "signals read) and picks up as soon as it answers again: check its cable and power.";
}
inline std::string InstrumentAnswersAgain(int64_t badBins) {
  return "The instrument answers again. Bins closed with most signal blocks bad so far: " +
         std::to_string(badBins) + ".";
}
// A run past its programmed end whose bin in progress cannot close.
inline std::string RunEndWithoutAnswer(int aqLapse) {
  return "The run reached its programmed end (" + std::to_string(aqLapse) +
         " min) while the instrument does not answer: it was ended as Stop ends it, and the "
         "bin in progress (not closed) was dropped. Check the instrument's cable and power.";
}
inline std::string RunEndBinTooSlow(int aqLapse, int64_t seconds) {
  return "The run reached its programmed end (" + std::to_string(aqLapse) +
         " min) but its bin in progress did not close within " + std::to_string(seconds) +
         " s after it (the instrument answers too slowly): the run was ended as Stop ends it, "
         "and that bin was dropped.";
}
inline std::string BadBinsSummary(int64_t badBins, int64_t bins) {
  return std::to_string(badBins) + " of the " + std::to_string(bins) +
         " bin(s) of this run were closed with most of their signal blocks bad (the instrument "
         "did not answer): their counts do not show the activity.";
}

// Pause.
inline constexpr std::string_view kPauseQuestion = "Pause Time Counter?";
inline constexpr std::string_view kTimeCounterOff = "Time Counter = OFF";
inline constexpr std::string_view kTimeCounterOn = "Time Counter = ON";
inline constexpr std::string_view kPausedBanner = "<< PAUSED >>";

// End of a run.
inline constexpr std::string_view kAcquisitionFinished = "Acquisition finished";

// Blank reading.
inline std::string SettingBlank(int samples) {
  return "Setting Blank.... (" + std::to_string(samples) + " samples)";
}
inline std::string SettingChannelOk(int channel) {
  return "Setting (" + std::to_string(channel) + ") OK...";
}

}  // namespace movexa::run_texts
