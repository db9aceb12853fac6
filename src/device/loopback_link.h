// The in-process loopback: a port that reaches a SerialPeer (the simulated instrument) instead of
// a device. Time on the line is kept in microseconds and charged to the host clock through the
// pacer: the wire time of the bytes written (115200 baud, 10 bits per byte, when enabled), the
// wait for bytes still travelling and the read time-outs. With a ManualClock a silent instrument
// costs its five read attempts in simulated time, not in wall time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "base/host.h"
#include "base/serial_peer.h"
#include "device/serial_link.h"

namespace movexa {

class LoopbackOpener : public PortOpener {
 public:
  LoopbackOpener(Clock& clock, Pacer& pacer) : clock_(clock), pacer_(pacer) {}

  // "COM<port>" reaches `peer` from now on (port 1..16). The peer must outlive the opener's
  // links.
  void Attach(int port, SerialPeer& peer);
  // Whether writes charge the wire time of their bytes (on by default).
  void ChargeWireTime(bool on) { chargeWireTime_ = on; }

  // Opens "COM<port>"; ENOENT when no peer is attached, EBUSY when the port is already open.
  std::unique_ptr<SerialLink> Open(int port, std::string_view deviceName, int& code,
                                   std::string& device) override;

  // State of a wire, for tests: modem lines as last set, whether a link holds it.
  struct Wire {
    SerialPeer* peer = nullptr;
    int64_t lineUs = 0;  // the line's own time, never behind the clock
    bool open = false;
    bool dtr = false;
    bool rts = false;
    bool brk = false;
  };
  const Wire& wire(int port) const { return wires_[static_cast<size_t>(port - 1)]; }

 private:
  friend class LoopbackLink;
  Clock& clock_;
  Pacer& pacer_;
  bool chargeWireTime_ = true;
  std::array<Wire, 16> wires_{};
};

}  // namespace movexa
