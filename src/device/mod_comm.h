// ModCOMM: the serial port table. Sixteen entries addressed by port number 1..16 (the "COM"
// number), six operations that never raise and return numbers, and the last-error record that
// every failure overwrites. The bytes travel through a SerialLink that a PortOpener provides
// (real device, pseudo-terminal or in-process loopback); the table owns the links it opened.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/host.h"
#include "device/serial_link.h"

namespace movexa {

inline constexpr int kCommPortCount = 16;
// Largest single read request (size of the receive buffer).
inline constexpr int kCommMaxRead = 512;
inline constexpr int kCommReadAttempts = 5;
inline constexpr int kCommAttemptPauseMs = 5;
inline constexpr ReadTimeouts kCommReadTimeouts{100, 500};
inline constexpr int kCommWriteMsPerByte = 1000;
// The settings the system always opens the instrument's port with.
inline constexpr std::string_view kInstrumentLineSettings = "baud=115200 parity=N data=8 stop=1";

// `CommLastError`: number is the platform error code, -1 for "Port in use.", or the number of an
// unexpected fault; source names the operation and the failed platform call; message is the
// platform's text (for reads and writes followed by the line-error flags). `device` names the
// device path that was tried (with any fault the resolver found in "ports.dat"), for diagnosis
// only.
struct CommError {
  int32_t number = 0;
  std::string source;
  std::string message;
  std::string device;
};

// Modem control line numbers of CommSetLine.
inline constexpr int kLineBreak = 1;
inline constexpr int kLineDtr = 2;
inline constexpr int kLineRts = 3;

class CommPortTable {
 public:
  // `pacer` provides the pauses between read attempts; `opener` reaches the devices.
  CommPortTable(Pacer& pacer, PortOpener& opener) : pacer_(pacer), opener_(opener) {
    receiveBuffer_.reserve(kCommMaxRead);
    scratchBuffer_.reserve(kCommMaxRead);
  }
  ~CommPortTable();
  CommPortTable(const CommPortTable&) = delete;
  CommPortTable& operator=(const CommPortTable&) = delete;

  // Opens `deviceName` ("COM" + number) exclusively for `port` and applies `settings`; 0 on
  // success, -1 when the entry is already open, otherwise the platform error number. A failure
  // after the device opened closes it again, so the number can be opened anew.
  int32_t CommOpen(int port, std::string_view deviceName, std::string_view settings);
  // 0, also when the port was not open; otherwise an error number.
  int32_t CommClose(int port);
  // Discards both queues; 0 or an error number.
  int32_t CommFlush(int port);
  // Clears `data`, then fills it with up to `count` (at most 512) received bytes in arrival
  // order, in at most five attempts with a 5 ms pause after each short one; returns the number
  // of bytes. A short result has flushed the port, so a late tail cannot start the next reply.
  int32_t CommRead(int port, std::string& data, int count);
  // Sends all bytes and returns once they have left the driver; the count written, or -1.
  int32_t CommWrite(int port, std::string_view data);
  // Sets (`state` true) or clears line 1 = break, 2 = DTR, 3 = RTS; 0 or an error number. A
  // device without modem lines (a pseudo-terminal) fails here, which callers may ignore.
  int32_t CommSetLine(int port, int line, bool state);

  // One read attempt for up to `maxCount` (at most 512) bytes that ends once the line has been
  // quiet for the interval time-out after a byte (or after the total time-out when nothing came);
  // nothing is flushed. Used to take a reply of unknown length whole.
  int32_t CommReadQuiet(int port, std::string& data, int maxCount);
  // One read attempt for up to `maxCount` (at most 512) bytes that ends once the line has been
  // quiet for `quietMs`, counted from the call and then from each byte (0: only the bytes that
  // have already arrived, without waiting); nothing is flushed. Used to take the rest of a reply
  // whose length is not known, and to find out whether stale bytes are arriving.
  int32_t CommReadUntilQuiet(int port, std::string& data, int maxCount, int quietMs);
  // The same with the quiet in microseconds (above 0).
  int32_t CommReadUntilQuietUs(int port, std::string& data, int maxCount, int quietUs);

  const CommError& CommLastError() const { return lastError_; }
  // A receive buffer for the exchanges that run at every sample (the block requests of the
  // sampling tick): read into it, they allocate nothing once it has grown to its largest read.
  std::string& ReceiveBuffer() { return receiveBuffer_; }
  // A second buffer of the same kind, for the rest of a reply and for stale bytes.
  std::string& ScratchBuffer() { return scratchBuffer_; }
  bool IsOpen(int port) const;
  // Device path behind an open port (empty when not open), for diagnosis and display.
  std::string DeviceOf(int port) const;

 private:
  struct Entry {
    std::unique_ptr<SerialLink> link;
    bool open = false;
    LineSettings settings;
    std::string device;  // device path the opener reached
  };

  Entry* EntryOf(int port);
  int32_t Fail(int32_t number, std::string_view source, std::string message,
               const Entry* entry = nullptr);
  int32_t FailIo(int32_t number, std::string_view source, Entry& entry);
  int32_t Fault(std::string_view operation);
  int32_t ReadOnce(int port, std::string& data, int count, bool quiet,
                   const ReadTimeouts& timeouts);
  int32_t Purge(Entry& entry, std::string_view source);

  Pacer& pacer_;
  PortOpener& opener_;
  std::array<Entry, kCommPortCount> entries_;
  CommError lastError_;
  std::string receiveBuffer_;
  std::string scratchBuffer_;
};

}  // namespace movexa
