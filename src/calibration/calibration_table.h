// The calibration table (emitter power and receiver gain per channel) and its file
// "calvalue.dat" in the application folder, in its two layouts:
//   A (channels): the quoted header "<Num_Channel>, <PinHole>, <Gain> " and "i,power,gain" for
//     channels 0..383, written by SaveCalibrationTable and ResetCalibrationTable;
//   B (registers): the bare header "channel, power, gain" and "r,power,gain" for setting
//     registers 0..254, written after the instrument's self-calibration.
// Register r carries the setting of channel 2r; its byte is gain x 32 + power.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "base/constants.h"

namespace movexa {

inline constexpr std::string_view kCalibrationFileName = "calvalue.dat";
inline constexpr int kCalibrationRegisters = 255;  // registers 0..254
inline constexpr int16_t kResetPower = 2;
inline constexpr int16_t kResetGain = 3;
// Fields of a setting register: power in the lower 5 bits, gain in the upper 3.
inline constexpr int16_t kMaxPower = 31;
inline constexpr int16_t kMaxGain = 7;

struct CalibrationTable {
  std::array<int16_t, kChannelSlots> PowerTable{};
  std::array<int16_t, kChannelSlots> GainTable{};
};

enum class CalibrationLayout { kChannels, kRegisters };

// What reading "calvalue.dat" gave.
struct CalibrationLoad {
  bool read = false;  // the file could be opened; entries may still be partial
  CalibrationLayout layout = CalibrationLayout::kChannels;
  int records = 0;        // records taken into the table
  int unreadRegisters = 0;  // layout B: registers stored as unreadable (power -1)
  // Records whose power (0..31) or gain (0..7) cannot be a register setting: their entries take
  // the reset setting (power 2, gain 3) instead.
  int outOfRange = 0;
  std::string problem;    // why reading stopped early, or why the file could not be read
  std::string notice;     // set when a register file was converted to channels
};

// Power and gain of one register byte.
struct PowerGain {
  int16_t power = 0;
  int16_t gain = 0;
};

// Whether channel `channel` carries a beam signal: the even channels 0..382, whose beams
// registers 0..191 set. Odd channels have no beam and always read 0.
inline constexpr bool ChannelHasBeam(int channel) {
  return channel >= 0 && channel < kChannelCount && channel % 2 == 0;
}

// Register byte of a setting: gain x 32 + power, power taken into 0..31 and gain into 0..7.
uint8_t EncodeCalibrationRegister(int power, int gain);
// Setting of a register value: power = value mod 32, gain = value div 32; a value that could
// not be read (below 0) gives power -1, gain 0.
PowerGain DecodeCalibrationRegister(int value);

// Reads the text of "calvalue.dat" into `table`. Layout A fills channels 0, 1, ... in record
// order and stops at the end of the text (later entries keep their values) or at the first
// malformed record. Layout B is recognised by its header and converted: register r goes to
// channel 2r (registers beyond channel 383 and unreadable registers leave their entries).
CalibrationLoad ParseCalibrationTable(std::string_view text, CalibrationTable& table);

// Loads "calvalue.dat" of the application folder (ParseCalibrationTable on its content).
CalibrationLoad LoadCalibrationTable(const std::filesystem::path& appDir, CalibrationTable& table);

// Layout A text of channels 0..383.
std::string FormatCalibrationChannels(const CalibrationTable& table);
// Layout B text of registers 0..254 (`registerValues` as read, -1 where a read failed).
std::string FormatCalibrationRegisters(std::span<const int, kCalibrationRegisters> registerValues);

// Writes layout A to "calvalue.dat" of the application folder (replaced whole, never left
// half-written). False with `error` on failure.
bool SaveCalibrationTable(const std::filesystem::path& appDir, const CalibrationTable& table,
                          std::string* error = nullptr);
// Power 2 and gain 3 for channels 0..383, then SaveCalibrationTable.
bool ResetCalibrationTable(const std::filesystem::path& appDir, CalibrationTable& table,
                           std::string* error = nullptr);

// Takes register read-backs into the table by channel: register r sets channel 2r (registers
// that map beyond channel 383 or could not be read leave the table as it was).
void ApplyRegisterReadback(std::span<const int, kCalibrationRegisters> registerValues,
                           CalibrationTable& table);

}  // namespace movexa
