// The device-driven calibration procedures: the instrument's self-calibration, the software
// calibration of emitter power and receiver gain, the automatic zero, and the complete reading
// of every channel they share. They run inline on the caller's thread, let pending window
// events run at fixed points (so the sampling timer and the Stop button keep working) and stop
// early when the acquisition they belong to is stopped.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "acquisition/live_detection.h"
#include "calibration/calibration_table.h"
#include "device/com_module.h"
#include "project/project_settings.h"
#include "project/well_map.h"

namespace movexa {

// The main window's progress panel `frm_autotext`: caption `lbl_autotext`, status text
// `lbl_autochannel` and progress picture `picturecal` (a box from (0, 0) to (x, 10) on a
// horizontal scale 0..scaleMax, vertical 0..10). The status text goes through host.status
// ("Frm_Main.lbl_autochannel"). The windows implement it; the default does nothing.
class CalibrationPanel {
 public:
  virtual ~CalibrationPanel() = default;
  // Shows the panel; an empty caption leaves the caption as it is (the fast buttons).
  virtual void ShowPanel(std::string_view /*caption*/) {}
  virtual void HidePanel() {}
  virtual void SetProgressScale(double /*scaleMax*/) {}
  // Background of the progress picture, RGB 0..255 (light yellow 255, 255, 192 at run start).
  virtual void SetProgressBackground(int /*red*/, int /*green*/, int /*blue*/) {}
  // Clears the progress picture to its background.
  virtual void ClearProgress() {}
  virtual void DrawProgress(double /*x*/) {}
};

// What a procedure works on. `acquisitionActive` tells whether an acquisition is running or
// paused (read at every step: the procedures end when it turns false); `stopAcquisition` stops
// the running acquisition (software calibration does so when a register write fails in a
// round).
struct CalibrationContext {
  DeviceLink& link;
  CalibrationTable& table;
  ProjectSettings& project;  // ChannelThreshold is written by the automatic zero
  const WellMap& wellMap;
  RunBuffers& buffers;       // rows for the complete readings
  std::filesystem::path appFolder;  // holds "calvalue.dat"
  CalibrationPanel& panel;
  std::function<bool()> acquisitionActive;
  std::function<void()> stopAcquisition;
  // What the software calibration changed, whether it ended well or not: "calvalue.dat"
  // written (created with the reset table, or saved at the end) and instrument registers
  // rewritten, so that a failure can say what was already written.
  bool tableFileWritten = false;
  int registersWritten = 0;
};

// What one complete reading gave: the blocks the instrument did not deliver whole and sound,
// and whether the last block requested was one of them.
struct ChannelReading {
  int rejectedBlocks = 0;
  bool lastRejected = false;
  bool Complete() const { return rejectedBlocks == 0; }
};

// `ReadAllChannels`: one complete reading of every channel into row `row` of the raw buffer,
// with blocks of `blockBytes` (96: offsets 0, 16, 32, 48; 48: offsets 0, 8, ..., 56). Even
// channels take their signal (below 0 stored as 0), odd channels 0. Rejected blocks (short,
// parity fault, offline) leave their channels in the row unchanged and are counted in the
// result; offline nothing is asked of the instrument and every block counts as rejected. A row
// the buffer does not hold, or another block size, reads nothing (every block rejected).
ChannelReading ReadAllChannels(CalibrationContext& ctx, int row, int blockBytes);
// The same reading into a row of 385 values of the caller's own (the device test's levels, the
// calibration window's sample rows).
ChannelReading ReadAllChannelsInto(DeviceLink& link, int16_t* row, int blockBytes);

// The instrument's own calibration towards `target` (code 0x40): sends the command, then reads
// single progress bytes, each given to `onByte`, until a byte of 191 or more or ten empty reads
// (1 ms pause after each); events run after every byte until the first empty read. Offline
// nothing is sent.
void RunSelfCalibration(DeviceLink& link, int target, const std::function<void(int)>& onByte);

// `DeviceSelfCalibration`: the instrument's own calibration (code 0x40 with target level 110),
// its progress ("Calibrating..." + percent, until a byte of 191 or ten empty reads), the
// read-back of registers 0..254 into "calvalue.dat" (register layout; a register that could not
// be read is written as power -1, gain 0) and into the table by channel (register r sets channel
// 2r; unread registers leave theirs), and the same file into `targetFolder` when one is given
// (a failure there is ignored). A file that cannot be written is reported. Offline it does
// nothing at all.
void DeviceSelfCalibration(CalibrationContext& ctx, const std::filesystem::path& targetFolder);

// `SoftwareCalibration` ("Fast CALIB"): steps each used channel's power and gain until its level
// lies in 1807..2033; saves the table ("Calibration OK"). Without a running or paused
// acquisition it only loads (or creates) the table and saves it. False when it refused
// (offline), ended on a communication failure, or the table could not be saved (the operator
// has been told).
bool SoftwareCalibration(CalibrationContext& ctx);

// `AutoZero` ("Fast ZERO" and run start): S = 30 samples when both automatic calibration and
// automatic zero are on, else 100; sets every channel's threshold from its peak-to-peak noise
// and `snr`. False when the acquisition was stopped meanwhile (no threshold changed).
bool AutoZero(CalibrationContext& ctx, double snr, bool autoCalibrationAndZero);

// Run start of a named acquisition (not monitor mode), while online: with `autoCalibration` the
// panel with caption "<AUTOCALIBRATION>" (scale 0..383, light yellow, cleared) and
// DeviceSelfCalibration into `acquisitionFolder`; then with `autoZero` the panel again and
// AutoZero with the SNR factor of `snrText` (RunStartSnr: below 1.3 becomes 1.8). Offline it
// does nothing. False when the automatic zero ended early because the acquisition stopped.
bool RunStartCalibration(CalibrationContext& ctx, const std::filesystem::path& acquisitionFolder,
                         bool autoCalibration, bool autoZero, std::string_view snrText);

// A beam level below this (10 % of the full scale 2259) is a beam left nearly dark.
inline constexpr int kNearZeroBeamLevel = 226;

// What the run start found of the plate's beams.
struct RunStartBeams {
  std::vector<int> darkChannels;  // used beams still reading near zero
  bool readingComplete = true;    // the last complete reading came whole
  bool tableResent = false;       // the table of "calvalue.dat" was written to the instrument
  int registersRewritten = 0;     // beam registers that differed from it
};

// Run start of a recorded run: one complete reading (48-byte blocks) of the beams the plate
// uses (channels of a well). When some read near zero and "calvalue.dat" holds a table, every
// beam register that differs from the table is written again (verified) and the beams are read
// once more. Offline it does nothing.
RunStartBeams CheckBeamsAtRunStart(CalibrationContext& ctx);

// The buttons "Fast CALIB" and "Fast ZERO": show the panel (caption unchanged), run the
// procedure, hide the panel. Fast ZERO takes the SNR factor from `snrText` with a comma read as
// the decimal point and no lower limit (a text that is no number gives 1.8, the box's own
// fallback); `autoCalibrationAndZero` as for AutoZero. The procedure's result.
bool FastCalibration(CalibrationContext& ctx);
bool FastZero(CalibrationContext& ctx, std::string_view snrText, bool autoCalibrationAndZero);

}  // namespace movexa
