// Frames, block parsing and the retry patterns of the instrument link.
#include "device/com_module.h"

#include <algorithm>

#include "device/block_reader.h"
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
  return SendRequestFrame(link, code, arg, mode, false) ? 0 : -1;
}

int DeviceQuery(DeviceLink& link, int code, int arg, int mode) {
  if (!SendRequestFrame(link, code, arg, mode, false)) return -1;
  std::string reply;
  if (link.ports.CommRead(link.connection.port, reply, 2) < 1) return -1;
  return static_cast<uint8_t>(reply[0]);
}

int DeviceReadBlock(DeviceLink& link, int code, int arg, int mode) {
  std::fill(link.signals.begin(), link.signals.begin() + kBlockReaderSignals, -1);
  const bool sent = SendRequestFrame(link, code, arg, mode, code == kCodeBlock);
  // The whole reply is taken (a short one has waited out the port table's five read attempts,
  // not 20000 two-byte reads), so no tail is left for the next exchange; the request is a
  // series of its own.
  std::string reply;
  reply.reserve(kCommMaxRead);
  const BlockReplyRead read =
      sent ? ReadBlockReply(link, kBlockReaderMinBytes, reply) : BlockReplyRead{};
  const bool inStep = BlockSeriesEndedInStep(link);
  if (!sent || !read.answers || !inStep || static_cast<int>(reply.size()) < kBlockReaderMinBytes)
    return -1;
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
  if (!SendRequestFrame(link, kCodeBlock, offset, kModeCommand, true)) {
    result.silent = true;
    return result;
  }
  std::string& reply = link.ports.ReceiveBuffer();
  const BlockReplyRead read = ReadBlockReply(link, consumeBytes, reply);
  result.received = read.received;
  result.misaligned = read.misaligned;
  result.silent = read.silent;
  if (!read.answers || static_cast<int>(reply.size()) < consumeBytes) return result;
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
  link.host.dialogs.Problem(std::string(t::kWriteErrorHead) + std::to_string(reg) +
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

}  // namespace movexa
