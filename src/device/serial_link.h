// One open serial device behind the port table, whatever carries the bytes: a real serial
// device (libserialport), a pseudo-terminal (POSIX termios) or the in-process loopback to the
// simulated instrument. The table (mod_comm.h) keeps the numbers and error records; a link only
// moves bytes and reports the operating system's error codes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace movexa {

// Line settings as the port table applies them ("baud=115200 parity=N data=8 stop=1").
struct LineSettings {
  int baud = 115200;
  char parity = 'N';  // N, E, O, M or S
  int dataBits = 8;   // 5..8
  int stopBits = 1;   // 1 or 2
};

// Reads the textual settings form: blank-separated key=value pairs among baud, parity, data and
// stop (keys case-insensitive, any subset, in any order); the values not given keep `base`.
// nullopt when a pair is malformed, a key unknown or a value out of range.
std::optional<LineSettings> ParseLineSettings(std::string_view text, const LineSettings& base);

// Read time-outs of the port table: a read returns when the count is complete, when the line
// has been quiet for `intervalMs` after a byte, or when `totalMs` have passed since it began.
struct ReadTimeouts {
  int intervalMs = 100;
  int totalMs = 500;
  // When above 0, the interval in microseconds instead of `intervalMs` (the quiet that confirms
  // the end of a reply at the line's speed lasts a fraction of a millisecond).
  int intervalUs = 0;
  // The interval counts from the start of the read too, so a read for the rest of a reply ends
  // once the line has stayed quiet for the interval whether or not a byte came.
  bool quietFromStart = false;
};

// Result of a link operation: `code` 0 on success, otherwise the operating system's error
// number (errno); `count` is the number of bytes moved.
struct LinkResult {
  int code = 0;
  int count = 0;
  bool waitFailed = false;  // the failure was in waiting for completion, not in the transfer
};

// Modem control lines as numbered by the port table.
enum class ControlLine { kBreak = 1, kDtr = 2, kRts = 3 };

class SerialLink {
 public:
  virtual ~SerialLink() = default;
  // Discards both queues (bytes already received and bytes not yet sent).
  virtual int Purge() = 0;
  // Reads the device's present line settings into `settings`.
  virtual int GetSettings(LineSettings& settings) = 0;
  // Applies `settings` in raw mode (no echo, no translation, no flow control).
  virtual int ApplySettings(const LineSettings& settings) = 0;
  // Reads up to `max` bytes with the given time-outs (see ReadTimeouts). A short count is no
  // failure; `code` is non-zero only when the operating system rejected a read.
  virtual LinkResult Read(uint8_t* buffer, int max, const ReadTimeouts& timeouts) = 0;
  // Sends all bytes and returns once they have left the driver (so a purge right afterwards
  // cannot discard them). At most `timeoutMsPerByte` per byte is spent; on time-out the count
  // sent so far is returned with code 0.
  virtual LinkResult Write(std::string_view bytes, int timeoutMsPerByte) = 0;
  // Sets or clears a modem line.
  virtual int SetLine(ControlLine line, bool state) = 0;
  // Line-error flags accumulated since the last call (overrun 0x2, parity 0x4, framing 0x8,
  // break 0x10, input overflow 0x1), cleared by the call; 0 when the device cannot tell.
  virtual uint32_t TakeLineErrorFlags() = 0;
  // Releases the device. The link is unusable afterwards.
  virtual int Close() = 0;
};

// Opens the device behind a port name ("COM4"). Returns the link, or null with the operating
// system's error code in `code` and the device path tried in `device`.
class PortOpener {
 public:
  virtual ~PortOpener() = default;
  virtual std::unique_ptr<SerialLink> Open(int port, std::string_view deviceName, int& code,
                                           std::string& device) = 0;
};

// A source of bytes with a clock, as the shared read loop needs it.
class TimedByteSource {
 public:
  virtual ~TimedByteSource() = default;
  // Present time in microseconds.
  virtual int64_t NowUs() = 0;
  // Takes the bytes already received, at most `max`; returns their number, or -1 with errno set.
  virtual int TryRead(uint8_t* buffer, int max) = 0;
  // Blocks until bytes can be read or `timeoutUs` have passed (either way 0), or -1 on failure.
  virtual int WaitReadable(int64_t timeoutUs) = 0;
};

// The read loop of every link: gathers up to `max` bytes, ending when the count is complete,
// when the line stays quiet for the interval time-out after a byte, or when the total time-out
// has passed since the call began.
LinkResult ReadWithTimeouts(TimedByteSource& source, uint8_t* buffer, int max,
                            const ReadTimeouts& timeouts);

// The operating system's text for an error number, trimmed.
std::string OsErrorText(int code);

}  // namespace movexa
