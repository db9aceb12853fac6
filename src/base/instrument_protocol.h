// The instrument's wire protocol as both ends know it (the device layer and the simulated
// instrument): five-byte command frames, command codes and registers, the 12-bit signal pairs
// with their parity bit, and where the beams stand in the signal stream.
//
// Signal stream: 192 signals in triples; triple t carries the beams of channels 2t, 2t + 128 and
// 2t + 256, and a block request at offset a starts at triple a. Register r holds the power/gain
// setting of the beam on channel 2r. Odd channels carry no beam signal.
#pragma once

#include <bit>
#include <cstdint>

namespace movexa {

// Frame: lead, mode, code (or register), argument (or value), tail.
inline constexpr int kFrameBytes = 5;
inline constexpr uint8_t kFrameLead = 0xFF;
inline constexpr uint8_t kFrameTail = 0xF0;
inline constexpr int kModeCommand = 0x00;
inline constexpr int kModeRegisterWrite = 0x80;

// Command codes (mode 0x00).
inline constexpr int kCodeIdentify = 0x00;
inline constexpr int kCodeOutputs = 0x10;
inline constexpr int kCodeTestSetting = 0x11;
inline constexpr int kCodeReadRegister = 0x20;
inline constexpr int kCodeTemperature = 0x21;
inline constexpr int kCodeBlock = 0x30;
inline constexpr int kCodeSelfCalibration = 0x40;
inline constexpr int kCodeChannelMode = 0x4A;

// Registers: beam settings 0..191 (gain x 32 + power), factory calibration 200..207.
inline constexpr int kRegisterCount = 256;
inline constexpr int kBeamRegisters = 192;
inline constexpr int kFactoryRegisterFirst = 200;
inline constexpr int kFactoryRegisterCount = 8;
// A self-calibration progress byte above this value ends the run.
inline constexpr int kSelfCalibrationDone = 190;

// Signals in the instrument's stream (positions 0..191), one per even channel.
inline constexpr int kSignalPositions = 192;

// Channel of the signal at stream position `position` (0..191).
inline constexpr int SignalPositionChannel(int position) {
  return 2 * (position / 3) + 128 * (position % 3);
}
// Stream position of signal `index` of the reply to a block request at `offset`.
inline constexpr int BlockSignalPosition(int offset, int index) { return 3 * offset + index; }
// Channel of signal `index` of the reply to a block request at `offset`.
inline constexpr int BlockSignalChannel(int offset, int index) {
  return SignalPositionChannel(BlockSignalPosition(offset, index));
}
// Setting register of the beam on even channel `channel`.
inline constexpr int ChannelRegister(int channel) { return channel / 2; }

// Signal pair: `hi` carries the parity bit (bit 7), zeros (bits 4..6) and signal bits 8..11;
// `lo` signal bits 0..7. The parity bit makes the number of ones among the 12 data bits and
// itself even.
struct SignalPair {
  uint8_t hi;
  uint8_t lo;
};
inline constexpr SignalPair EncodeSignalPair(int value) {
  const auto v = static_cast<unsigned>(value) & 0x0FFFu;
  const auto hi = static_cast<uint8_t>(v >> 8);
  const auto lo = static_cast<uint8_t>(v & 0xFFu);
  const bool odd = (std::popcount(static_cast<unsigned>(hi)) + std::popcount(static_cast<unsigned>(lo))) % 2 != 0;
  return SignalPair{static_cast<uint8_t>(hi | (odd ? 0x80u : 0u)), lo};
}
// Whether a pair obeys the parity rule: the ones among `lo` and `hi` bits 0..3 are odd exactly
// when `hi` bit 7 is set.
inline constexpr bool SignalPairParityOk(uint8_t hi, uint8_t lo) {
  const int ones = std::popcount(static_cast<unsigned>(hi & 0x0Fu)) +
                   std::popcount(static_cast<unsigned>(lo));
  return (ones % 2 != 0) == ((hi & 0x80u) != 0);
}

}  // namespace movexa
