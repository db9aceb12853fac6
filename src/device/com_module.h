// COM_Module: the instrument's frames over the port table. Three shared exchanges (send, query,
// block read), the block parser with the parity rule, the direct block exchange used by
// sampling, calibration and the device test, and the retry patterns built on them (verified
// register write, register read, test setting, paired factory-register read).
//
// Staying in step. A block reply carries no length or marker: a byte left over from one reply
// must never be taken for the start of the next, which would give silently wrong signals. The
// block reader (block_reader.cpp) learns the reply length from whole replies, reads each reply
// by count, discards its tail by count, and refuses a series of blocks whose bytes cannot be
// shown to answer their requests.
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

// Quiet that clears the line of stray bytes before a request, in milliseconds: hundreds of
// character times at 115200 baud and longer than a USB adapter's latency timer.
inline constexpr int kBlockReplyGapMs = 20;

// One direct block exchange: discard stale input, write FF 00 30 offset F0, take the whole reply
// off the line (see "Staying in step" above) and parse the first `consumeBytes` (an even
// number, at most 194) into the signal table. `received` is the number of reply bytes read; the
// block is good only when at least `consumeBytes` came, they can be shown to answer this
// request, and the parse found no fault (otherwise the table may hold anything). `misaligned`:
// the reply showed that the series is out of step; `silent`: nothing came at all (the request
// could not be written, or the instrument did not answer within the port table's time-outs).
struct BlockExchange {
  int received = 0;
  bool good = false;
  bool misaligned = false;
  bool silent = false;
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

// Ends a series of block exchanges (the blocks of one sample, one complete reading): true when
// the series stayed in step, false when one of its replies or a stray byte showed that some of
// its blocks may hold another reply's bytes (then none of them must be used). When the last
// reply's end rests on its count, waits kBlockSeriesQuietMs for a stray byte first.
inline constexpr int kBlockSeriesQuietMs = 1;
bool BlockSeriesEndedInStep(DeviceLink& link);

// One line for the operator: what the block reader learned of the instrument's replies and how
// often it refused a series or learned afresh.
std::string DescribeBlockReplies(const ConnectionState& connection);

// Forgets what was learned of the block replies (at connect).
void ResetBlockReplyLearning(ConnectionState& connection);

}  // namespace movexa
