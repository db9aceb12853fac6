// The serial line seen from inside the process: its timing at 115200 baud and the far end of an
// in-process line (the simulated instrument), so that the device layer's loopback port and the
// simulator meet without depending on each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace movexa {

// The instrument's line: 115200 baud, one start bit, 8 data bits, no parity, one stop bit, so
// one byte occupies 10 bit times on the wire.
inline constexpr int64_t kLineBaud = 115200;
inline constexpr int64_t kBitsPerByte = 10;

// Time the wire needs for `bytes` bytes, in microseconds, rounded up.
inline constexpr int64_t WireTimeUs(int64_t bytes) {
  return (bytes * kBitsPerByte * 1000000 + kLineBaud - 1) / kLineBaud;
}

// The far end of an in-process serial line. Times are microseconds on the monotonic clock of
// whoever drives the line; they never go backwards between calls.
class SerialPeer {
 public:
  virtual ~SerialPeer() = default;
  // `bytes` sent by the host have fully arrived at the peer at `nowUs`.
  virtual void Receive(std::string_view bytes, int64_t nowUs) = 0;
  // Appends to `out` at most `max` of the bytes the peer sent that have fully arrived at the
  // host by `nowUs`, oldest first; returns how many were appended.
  virtual size_t Collect(std::string& out, size_t max, int64_t nowUs) = 0;
  // Arrival time at the host of the next byte not yet collected, or -1 when nothing is on its way.
  virtual int64_t NextArrivalUs() = 0;
  // The host discarded its input queue at `nowUs`: bytes that had arrived by then are lost;
  // bytes still travelling on the line arrive later as usual.
  virtual void DiscardArrived(int64_t nowUs) = 0;
};

}  // namespace movexa
