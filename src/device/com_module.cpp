// Frames, block parsing and the retry patterns of the instrument link.
#include "device/com_module.h"

#include <algorithm>

#include "device/device_texts.h"

namespace movexa {

namespace t = device_texts;

namespace {

// Pauses of the retry patterns, in milliseconds.
constexpr int kVerifySeriesWrites = 9;
constexpr int kVerifyResyncPauseMs = 100;
constexpr int kVerifyWritePauseMs = 50;
constexpr int kRegisterRetryPauseMs = 1;
constexpr int kTestSettingPauseMs = 10;
constexpr int kFactoryPairPauseMs = 200;
constexpr int kFactoryPairs = 3;
// The shared block reader: 96 signals, read two bytes at a time.
constexpr int kBlockReaderSignals = 96;
constexpr int kBlockReaderMinBytes = 191;
constexpr int kBlockReaderMaxReads = 20000;

// Stale bytes discarded before one request at most: an instrument that never falls silent
// costs a bounded wait (about 0.4 s at 115200 baud), then the request goes out anyway.
constexpr int kStaleDiscardLimit = 4096;

// Discards stale input. Bytes already waiting mean more may be on the way (the tail of a longer
// reply, or bytes sent while idle): they are taken until the line has been quiet for the reply
// gap, so that the next reply starts on a silent line. Returns the number of bytes discarded.
int DiscardStale(DeviceLink& link) {
  const int port = link.connection.port;
  std::string& scratch = link.ports.ScratchBuffer();
  int total = link.ports.CommReadUntilQuiet(port, scratch, kCommMaxRead, 0);
  for (int n = total; n > 0 && total < kStaleDiscardLimit; total += n) {
    n = link.ports.CommReadUntilQuiet(port, scratch, kCommMaxRead, kBlockReplyGapMs);
  }
  link.ports.CommFlush(port);
  return total;
}

// Discards stale input, then writes the frame; true when all five bytes went out.
bool SendFrame(DeviceLink& link, int code, int arg, int mode) {
  std::string frame = CommandFrame(code, arg, mode);
  if (frame.empty()) return false;
  if (DiscardStale(link) > 0) {
    // Whatever the last block reply was, its end was not where the reader assumed it.
    link.connection.blockReplyEndSeen = true;
  }
  return link.ports.CommWrite(link.connection.port, frame) == kFrameBytes;
}

// Appends the rest of a reply to `reply`: up to `maxTotal` bytes in all, ending once the line has
// been quiet for `quietMs` (0: only bytes already waiting). Returns the bytes appended.
int ReadRest(DeviceLink& link, std::string& reply, int maxTotal, int quietMs) {
  const int room = maxTotal - static_cast<int>(reply.size());
  if (room <= 0) return 0;
  std::string& scratch = link.ports.ScratchBuffer();
  int n = link.ports.CommReadUntilQuiet(link.connection.port, scratch, room, quietMs);
  reply.append(scratch, 0, static_cast<size_t>(n));
  return n;
}

// Notes the length of one reply in the learning window.
void LearnReplyLength(ConnectionState& c, int bytes) {
  c.blockReplyWindowMax = std::max(c.blockReplyWindowMax, bytes);
  c.blockReplyBytes = std::max(c.blockReplyBytes, bytes);
  if (++c.blockReplyWindowCount >= kBlockReplyWindow) {
    c.blockReplyBytes = c.blockReplyWindowMax;
    c.blockReplyWindowMax = 0;
    c.blockReplyWindowCount = 0;
  }
}

// Reads the whole reply to a block request just written (see "Staying in step"): at least
// `need` bytes with the port table's time-outs, then the rest. Returns whether the reply may be
// misaligned.
bool ReadBlockReply(DeviceLink& link, int need, std::string& reply) {
  ConnectionState& c = link.connection;
  const bool previousEndSeen = c.blockReplyEndSeen;
  const int got = link.ports.CommRead(c.port, reply, need);
  if (got < need) {
    // The port table waited out its time-outs and flushed: the line has been quiet.
    c.blockReplyEndSeen = true;
    return false;
  }
  const int expected = c.blockReplyBytes;
  const int target = expected > 0 ? std::clamp(expected, need, kCommMaxRead) : kCommMaxRead;
  bool endSeen = false;
  if (got < target) {
    ReadRest(link, reply, target, kBlockReplyGapMs);
    endSeen = static_cast<int>(reply.size()) < target;
  }
  if (!endSeen && static_cast<int>(reply.size()) < kCommMaxRead &&
      ReadRest(link, reply, kCommMaxRead, 0) > 0) {
    // Bytes beyond the learned length were already waiting: a longer reply, taken whole.
    ReadRest(link, reply, kCommMaxRead, kBlockReplyGapMs);
    endSeen = static_cast<int>(reply.size()) < kCommMaxRead;
  }
  const int received = static_cast<int>(reply.size());
  const bool misaligned = expected > 0 && received > expected && !previousEndSeen;
  if (misaligned) {
    // What this read took mixes two replies: learn afresh from the next one.
    ResetBlockReplyLearning(c);
  } else {
    LearnReplyLength(c, received);
  }
  c.blockReplyEndSeen = endSeen || misaligned;
  return misaligned;
}

}  // namespace

std::string CommandFrame(int code, int arg, int mode) {
  for (int v : {code, arg, mode}) {
    if (v < 0 || v > 255) return {};
  }
  return std::string{static_cast<char>(kFrameLead), static_cast<char>(mode),
                     static_cast<char>(code), static_cast<char>(arg),
                     static_cast<char>(kFrameTail)};
}

int DeviceSend(DeviceLink& link, int code, int arg, int mode) {
  return SendFrame(link, code, arg, mode) ? 0 : -1;
}

int DeviceQuery(DeviceLink& link, int code, int arg, int mode) {
  if (!SendFrame(link, code, arg, mode)) return -1;
  std::string reply;
  if (link.ports.CommRead(link.connection.port, reply, 2) < 1) return -1;
  return static_cast<uint8_t>(reply[0]);
}

int DeviceReadBlock(DeviceLink& link, int code, int arg, int mode) {
  std::fill(link.signals.begin(), link.signals.begin() + kBlockReaderSignals, -1);
  if (!SendFrame(link, code, arg, mode)) return -1;
  // The whole reply is taken (a short one has waited out the port table's five read attempts,
  // not 20000 two-byte reads), so no tail is left for the next exchange.
  std::string reply;
  reply.reserve(kCommMaxRead);
  const bool misaligned = ReadBlockReply(link, kBlockReaderMinBytes, reply);
  if (static_cast<int>(reply.size()) < kBlockReaderMinBytes || misaligned) return -1;
  bool good = true;
  const int pairs = std::min(static_cast<int>(reply.size()) / 2, kBlockReaderSignals);
  for (int j = 0; j < pairs; ++j) {
    int hi = static_cast<uint8_t>(reply[2 * j]) & 0x7F;
    int lo = static_cast<uint8_t>(reply[2 * j + 1]);
    if (hi > 15) {
      good = false;
      hi = 15;
    }
    link.signals[static_cast<size_t>(j)] = hi * 256 + lo;
  }
  return good ? 0 : -1;
}

bool ParseSignalBlock(std::string_view bytes, int pairs, SignalTable& table) {
  pairs = std::clamp(pairs, 0, std::min(kSignalTableEntries, static_cast<int>(bytes.size()) / 2));
  bool good = true;
  for (int j = 0; j < pairs; ++j) {
    auto hi = static_cast<uint8_t>(bytes[static_cast<size_t>(2 * j)]);
    auto lo = static_cast<uint8_t>(bytes[static_cast<size_t>(2 * j + 1)]);
    if (!SignalPairParityOk(hi, lo)) good = false;
    int h = hi & 0x7F;
    if (h > 15) {
      good = false;
      h = 15;
    }
    table[static_cast<size_t>(j)] = h * 256 + lo;
  }
  return good;
}

BlockExchange ExchangeSignalBlock(DeviceLink& link, int offset, int consumeBytes) {
  BlockExchange result;
  consumeBytes = std::clamp(consumeBytes, 0, 2 * kSignalTableEntries);
  if (!SendFrame(link, kCodeBlock, offset, kModeCommand)) return result;
  std::string& reply = link.ports.ReceiveBuffer();
  result.misaligned = ReadBlockReply(link, consumeBytes, reply);
  result.received = static_cast<int>(reply.size());
  if (result.received < consumeBytes || result.misaligned) return result;
  result.good = ParseSignalBlock(reply, consumeBytes / 2, link.signals);
  return result;
}

void RegroupBlock(const SignalTable& table, int offset, int signalCount, int16_t* row) {
  signalCount = std::min(signalCount, kSignalTableEntries);
  for (int k = 0; k < signalCount; ++k) {
    const int position = BlockSignalPosition(offset, k);
    if (position < 0 || position >= kSignalPositions) continue;
    const int channel = SignalPositionChannel(position);
    const int32_t v = table[static_cast<size_t>(k)];
    row[channel] = static_cast<int16_t>(v < 0 ? 0 : std::min<int32_t>(v, 32767));
    row[channel + 1] = 0;
  }
}

int WriteRegisterVerified(DeviceLink& link, int reg, int value) {
  Pacer& pacer = link.host.pacer;
  int last = -1;
  for (int i = 0; i < kVerifySeriesWrites; ++i) {
    last = DeviceQuery(link, reg, value, kModeRegisterWrite);
  }
  if (last == reg) return 1;
  for (int attempt = 2; attempt <= 3; ++attempt) {
    pacer.PauseMs(kVerifyResyncPauseMs);
    DeviceQuery(link, kCodeTemperature, 0, kModeCommand);  // resynchronisation
    pacer.PauseMs(kVerifyResyncPauseMs);
    for (int i = 0; i < kVerifySeriesWrites; ++i) {
      last = DeviceQuery(link, reg, value, kModeRegisterWrite);
      pacer.PauseMs(kVerifyWritePauseMs);
    }
    if (last == reg) return 1;
  }
  link.host.dialogs.Warning(std::string(t::kWriteErrorHead) + std::to_string(reg) +
                            std::string(t::kWriteErrorTail));
  return -1;
}

int ReadRegisterRetry(DeviceLink& link, int reg) {
  for (int i = 0; i < 3; ++i) {
    int v = DeviceQuery(link, kCodeReadRegister, reg, kModeCommand);
    if (v != -1) return v;
    link.host.pacer.PauseMs(kRegisterRetryPauseMs);
  }
  return -1;
}

int ApplyTestSetting(DeviceLink& link, int setting) {
  int reply = -1;
  for (int i = 0; i < 2 && reply == -1; ++i) {
    reply = DeviceQuery(link, kCodeTestSetting, setting, kModeCommand);
    link.host.pacer.PauseMs(kTestSettingPauseMs);
  }
  return reply;
}

std::array<int, kFactoryRegisterCount> ReadFactoryRegisters(DeviceLink& link) {
  std::array<int, kFactoryRegisterCount> values{};
  Pacer& pacer = link.host.pacer;
  for (int i = 0; i < kFactoryRegisterCount; ++i) {
    const int reg = kFactoryRegisterFirst + i;
    int value = -1;
    for (int pair = 0; pair < kFactoryPairs; ++pair) {
      int first = DeviceQuery(link, kCodeReadRegister, reg, kModeCommand);
      pacer.PauseMs(kFactoryPairPauseMs);
      int second = DeviceQuery(link, kCodeReadRegister, reg, kModeCommand);
      pacer.PauseMs(kFactoryPairPauseMs);
      if (first != -1 && first == second) {
        value = first;
        break;
      }
      if (first == -1) {
        DeviceQuery(link, kCodeIdentify, 0, kModeCommand);
        pacer.PauseMs(kFactoryPairPauseMs);
      }
    }
    values[static_cast<size_t>(i)] = value;
  }
  return values;
}

bool BlockSeriesEndedInStep(DeviceLink& link) {
  ConnectionState& c = link.connection;
  if (c.blockReplyEndSeen) return true;
  std::string& scratch = link.ports.ScratchBuffer();
  int n = link.ports.CommReadUntilQuiet(c.port, scratch, kCommMaxRead, kBlockSeriesQuietMs);
  if (n == 0) return true;
  for (int total = n; n > 0 && total < kStaleDiscardLimit; total += n) {
    n = link.ports.CommReadUntilQuiet(c.port, scratch, kCommMaxRead, kBlockReplyGapMs);
  }
  link.ports.CommFlush(c.port);
  ResetBlockReplyLearning(c);
  return false;
}

void ResetBlockReplyLearning(ConnectionState& connection) {
  connection.blockReplyBytes = 0;
  connection.blockReplyWindowMax = 0;
  connection.blockReplyWindowCount = 0;
  connection.blockReplyEndSeen = true;
}

}  // namespace movexa
