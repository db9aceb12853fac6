// The port table: numbers, error records and the bounded read over whatever link carries the
// bytes.
#include "device/mod_comm.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <new>

#include "device/device_texts.h"

namespace movexa {

namespace t = device_texts;

namespace {

std::string HexUpper(uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(v));
  return buffer;
}

// The number and text of an unexpected fault caught inside an operation.
void DescribeCurrentException(int32_t& number, std::string& message) {
  try {
    throw;
  } catch (const std::bad_alloc& e) {
    number = ENOMEM;
    message = e.what();
  } catch (const std::exception& e) {
    number = EIO;
    message = e.what();
  } catch (...) {
    number = EIO;
    message = "unexpected fault";
  }
}

}  // namespace

CommPortTable::~CommPortTable() {
  for (auto& e : entries_) {
    if (e.link) e.link->Close();
  }
}

CommPortTable::Entry* CommPortTable::EntryOf(int port) {
  if (port < 1 || port > kCommPortCount) return nullptr;
  return &entries_[static_cast<size_t>(port - 1)];
}

bool CommPortTable::IsOpen(int port) const {
  if (port < 1 || port > kCommPortCount) return false;
  return entries_[static_cast<size_t>(port - 1)].open;
}

std::string CommPortTable::DeviceOf(int port) const {
  if (!IsOpen(port)) return {};
  return entries_[static_cast<size_t>(port - 1)].device;
}

int32_t CommPortTable::Fail(int32_t number, std::string_view source, std::string message,
                            const Entry* entry) {
  lastError_.number = number;
  lastError_.source = std::string(source);
  lastError_.message = std::move(message);
  lastError_.device = entry ? entry->device : std::string();
  return number;
}

int32_t CommPortTable::FailIo(int32_t number, std::string_view source, Entry& entry) {
  uint32_t flags = entry.link ? entry.link->TakeLineErrorFlags() : 0;
  return Fail(number, source, OsErrorText(number) + std::string(t::kErrorFlags) + HexUpper(flags),
              &entry);
}

int32_t CommPortTable::Fault(std::string_view operation) {
  int32_t number = EIO;
  std::string message;
  DescribeCurrentException(number, message);
  return Fail(number, operation, std::move(message));
}

int32_t CommPortTable::CommOpen(int port, std::string_view deviceName,
                                std::string_view settings) {
  try {
    Entry* e = EntryOf(port);
    if (e == nullptr) return Fail(EINVAL, t::kCommOpen, std::string(t::kPortOutOfRange));
    if (e->open) return Fail(-1, t::kCommOpen, std::string(t::kPortInUse));
    int code = 0;
    e->device.clear();
    e->link = opener_.Open(port, deviceName, code, e->device);
    if (!e->link) {
      if (code == 0) code = ENOENT;
      return Fail(code, t::kCommOpenCreateFile, OsErrorText(code), e);
    }
    e->open = true;
    // The driver keeps its own queues (SetupComm) and the time-outs are applied by every read
    // (SetCommTimeouts), so neither step can fail here.
    auto undo = [&](int32_t c, std::string_view source) {
      Fail(c, source, OsErrorText(c), e);
      e->link->Close();
      e->link.reset();
      e->open = false;
      return c;
    };
    if (int c = e->link->Purge(); c != 0) return undo(c, t::kCommOpenPurgeComm);
    LineSettings current;
    if (int c = e->link->GetSettings(current); c != 0) return undo(c, t::kCommOpenGetCommState);
    auto wanted = ParseLineSettings(settings, current);
    if (!wanted) return undo(EINVAL, t::kCommOpenBuildCommDCB);
    if (int c = e->link->ApplySettings(*wanted); c != 0) return undo(c, t::kCommOpenSetCommState);
    e->settings = *wanted;
    return 0;
  } catch (...) {
    return Fault(t::kCommOpen);
  }
}

int32_t CommPortTable::CommClose(int port) {
  try {
    Entry* e = EntryOf(port);
    if (e == nullptr) return Fail(EINVAL, t::kCommClose, std::string(t::kPortOutOfRange));
    if (!e->open) return 0;
    int c = e->link->Close();
    // A POSIX descriptor is released even when close() reports an error, so the entry is free
    // either way; the failure is still recorded and returned.
    e->link.reset();
    e->open = false;
    if (c != 0) return Fail(c, t::kCommCloseCloseHandle, OsErrorText(c), e);
    return 0;
  } catch (...) {
    return Fault(t::kCommClose);
  }
}

int32_t CommPortTable::Purge(Entry& entry, std::string_view source) {
  if (!entry.open) return Fail(EBADF, source, OsErrorText(EBADF), &entry);
  int c = entry.link->Purge();
  if (c != 0) return Fail(c, source, OsErrorText(c), &entry);
  return 0;
}

int32_t CommPortTable::CommFlush(int port) {
  try {
    Entry* e = EntryOf(port);
    if (e == nullptr) return Fail(EINVAL, t::kCommFlush, std::string(t::kPortOutOfRange));
    return Purge(*e, t::kCommFlushPurgeComm);
  } catch (...) {
    return Fault(t::kCommFlush);
  }
}

int32_t CommPortTable::ReadOnce(int port, std::string& data, int count, bool quiet,
                                const ReadTimeouts& timeouts) {
  data.clear();
  int32_t total = 0;
  try {
    Entry* e = EntryOf(port);
    if (e == nullptr) {
      Fail(EINVAL, t::kCommRead, std::string(t::kPortOutOfRange));
      return 0;
    }
    if (count < 0 || count > kCommMaxRead) {
      Fail(EINVAL, t::kCommRead, std::string(t::kReadCountTooLarge));
      return 0;
    }
    if (!e->open) {
      Fail(EBADF, t::kCommReadReadFile, OsErrorText(EBADF));
      return 0;
    }
    uint8_t buffer[kCommMaxRead];
    LinkResult last;
    int attempts = 0;
    while (total < count && attempts < kCommReadAttempts) {
      last = e->link->Read(buffer, count - total, timeouts);
      data.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(last.count));
      total += last.count;
      if (quiet) break;
      if (total < count) {
        ++attempts;
        pacer_.PauseMs(kCommAttemptPauseMs);
      }
    }
    if (last.code != 0) {
      FailIo(last.code, last.waitFailed ? t::kCommReadGetOverlappedResult : t::kCommReadReadFile,
             *e);
    }
    if (!quiet && total < count) Purge(*e, t::kCommFlushPurgeComm);
    return total;
  } catch (...) {
    Fault(t::kCommRead);
    return total;
  }
}

int32_t CommPortTable::CommRead(int port, std::string& data, int count) {
  return ReadOnce(port, data, count, false, kCommReadTimeouts);
}

int32_t CommPortTable::CommReadQuiet(int port, std::string& data, int maxCount) {
  return ReadOnce(port, data, maxCount, true, kCommReadTimeouts);
}

int32_t CommPortTable::CommReadUntilQuiet(int port, std::string& data, int maxCount, int quietMs) {
  ReadTimeouts timeouts = kCommReadTimeouts;
  timeouts.intervalMs = quietMs < 0 ? 0 : quietMs;
  timeouts.quietFromStart = true;
  return ReadOnce(port, data, maxCount, true, timeouts);
}

int32_t CommPortTable::CommReadUntilQuietUs(int port, std::string& data, int maxCount,
                                            int quietUs) {
  ReadTimeouts timeouts = kCommReadTimeouts;
  timeouts.intervalUs = quietUs < 1 ? 1 : quietUs;
  timeouts.quietFromStart = true;
  return ReadOnce(port, data, maxCount, true, timeouts);
}

int32_t CommPortTable::CommWrite(int port, std::string_view data) {
  try {
    Entry* e = EntryOf(port);
    if (e == nullptr) {
      Fail(EINVAL, t::kCommWrite, std::string(t::kPortOutOfRange));
      return -1;
    }
    if (!e->open) {
      Fail(EBADF, t::kCommWriteWriteFile, OsErrorText(EBADF));
      return -1;
    }
    LinkResult r = e->link->Write(data, kCommWriteMsPerByte);
    if (r.code != 0) {
      FailIo(r.code, r.waitFailed ? t::kCommWriteGetOverlappedResult : t::kCommWriteWriteFile, *e);
      return -1;
    }
    return r.count;
  } catch (...) {
    Fault(t::kCommWrite);
    return -1;
  }
}

int32_t CommPortTable::CommSetLine(int port, int line, bool state) {
  try {
    Entry* e = EntryOf(port);
    if (e == nullptr) return Fail(EINVAL, t::kCommSetLine, std::string(t::kPortOutOfRange));
    if (line < kLineBreak || line > kLineRts) {
      return Fail(EINVAL, t::kCommSetLine, std::string(t::kLineOutOfRange));
    }
    if (!e->open) return Fail(EBADF, t::kCommSetLineEscape, OsErrorText(EBADF));
    int c = e->link->SetLine(static_cast<ControlLine>(line), state);
    if (c != 0) return Fail(c, t::kCommSetLineEscape, OsErrorText(c), e);
    return 0;
  } catch (...) {
    return Fault(t::kCommSetLine);
  }
}

}  // namespace movexa
