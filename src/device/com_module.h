// COM_Module: the instrument's frames over the port table. Three shared exchanges (send, query,
// block read), the block parser with the parity rule, the direct block exchange used by
// sampling, calibration and the device test, and the retry patterns built on them (verified
// register write, register read, test setting, paired factory-register read).
//
// Staying in step. The instrument's reply to a block request may be longer than what a reader
// consumes (48, 96 or 192 bytes), may vary from request to request, may be followed after a
// pause by bytes the instrument sends while idle, and may be lost. A byte left over from one
// reply must never be taken for the start of the next, which would give silently wrong signals.
// So:
// - every exchange first discards stale input, and when bytes are still arriving waits until
//   the line has been quiet for the reply gap, so each request is answered on a silent line;
// - a block reader takes the whole reply: the bytes it needs, then the rest up to the length
//   learned from the latest replies, ending early when the line stays quiet for the reply gap
//   (a shorter reply); bytes beyond the learned length are taken too and teach a longer one;
// - when a reply turns out longer than the learned length and the previous reply's end was only
//   assumed from its length, the block may start with that reply's tail: it counts as bad.
// The learned length is the longest reply of the latest window of replies, so it follows an
// instrument whose replies change, and a reply of the learned length ends the read at once: a
// steady instrument is read at the line's speed with no waiting for silence.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/host.h"
#include "base/instrument_protocol.h"
#include "device/connection_state.h"
#include "device/mod_comm.h"

namespace movexa {

// The shared signal table: signal i of the last parsed block reply in entry i.
inline constexpr int kSignalTableEntries = 97;
using SignalTable = std::array<int32_t, kSignalTableEntries>;

// What an exchange with the instrument needs. All exchanges go to connection.port.
struct DeviceLink {
  CommPortTable& ports;
  ConnectionState& connection;
  SignalTable& signals;
  Host& host;
};

// The frame FF, mode, code, arg, F0; empty when a byte value lies outside 0..255.
std::string CommandFrame(int code, int arg, int mode);

// Writes the frame; 0 when all 5 bytes went out, -1 otherwise.
int DeviceSend(DeviceLink& link, int code, int arg, int mode);
// Writes the frame and reads a 2-byte reply; the first byte (0..255) when at least one arrived,
// otherwise -1.
int DeviceQuery(DeviceLink& link, int code, int arg, int mode);
// Sets entries 0..95 to -1, writes the frame, gathers at least 191 reply bytes two at a time and
// parses them into entries 0, 1, 2 ...; the parity bit is not checked, but every `hi` must be at
// most 15 (larger ones are stored as 15). 0 on success; -1 when the reply stayed short, a `hi`
// exceeded 15 or the write failed.
int DeviceReadBlock(DeviceLink& link, int code, int arg, int mode);

// Parses `pairs` signal pairs from the start of `bytes` into table entries 0..pairs-1 with the
// parity rule: a violated parity or a `hi` above 15 (stored as 15) marks the block bad, yet
// every value is stored. `bytes` must hold 2 x pairs bytes; pairs is at most 97. Returns whether
// the block is good.
bool ParseSignalBlock(std::string_view bytes, int pairs, SignalTable& table);

// Quiet time that ends a block reply of unknown length, in milliseconds: hundreds of character
// times at 115200 baud, and more than the scheduling hiccups of a busy machine that feeds a
// pseudo-terminal. Waited only while the length is being learned or a reply is shorter than
// the learned one.
inline constexpr int kBlockReplyGapMs = 20;
// Replies over which the longest is taken as the learned length.
inline constexpr int kBlockReplyWindow = 64;

// One direct block exchange: discard stale input, write FF 00 30 offset F0, read the whole block
// reply (see "Staying in step" above; at most 512 bytes) and parse the first `consumeBytes` (an
// even number, at most 194) into the signal table. `received` is the number of bytes read; the
// block is bad when fewer than `consumeBytes` arrived, the parse found a fault, or the block
// may be misaligned (`misaligned`), in which case the table is left as it was.
struct BlockExchange {
  int received = 0;
  bool good = false;
  bool misaligned = false;
};
BlockExchange ExchangeSignalBlock(DeviceLink& link, int offset, int consumeBytes);

// Regroups the first `signalCount` signals of a block reply at `offset` into one row of channel
// values (385 entries): signal k goes to channel BlockSignalChannel(offset, k), a negative value
// stored as 0, and the odd channel next to it is set to 0.
void RegroupBlock(const SignalTable& table, int offset, int signalCount, int16_t* row);

// `WriteRegisterVerified`: up to three series of register writes, checking the echo; 1 when
// confirmed, -1 after showing "Ops...Data Writing ERROR: reg(<r>)... Check COM and Try again".
int WriteRegisterVerified(DeviceLink& link, int reg, int value);
// `ReadRegisterRetry`: up to 3 reads of `reg` with a 1 ms pause after each failure; the first
// reply, or -1.
int ReadRegisterRetry(DeviceLink& link, int reg);
// The calibration window's test setting (code 0x11, gain x 32 + power): at most 2 attempts
// 10 ms apart; the reply, or -1 when none came.
int ApplyTestSetting(DeviceLink& link, int setting);
// Registers 200..207 with the paired-read rule: a value counts when two reads in a row agree; at
// most three pairs per register; -1 for a register without an agreeing pair.
std::array<int, kFactoryRegisterCount> ReadFactoryRegisters(DeviceLink& link);

// Ends a series of block exchanges (the blocks of one sample, one complete reading): when the
// last reply's end was only assumed from its length, waits kBlockSeriesQuietMs for a stray byte.
// A byte arriving then means some reply of the series was longer than expected and later blocks
// may have started with its tail: the bytes are discarded until the line is quiet, the learned
// length is forgotten, and the result is false (the series must not be used). True when the
// series ended in step.
inline constexpr int kBlockSeriesQuietMs = 1;
bool BlockSeriesEndedInStep(DeviceLink& link);

// Forgets what was learned of the block replies (at connect).
void ResetBlockReplyLearning(ConnectionState& connection);

}  // namespace movexa
