// The loopback link to an in-process peer, with line time charged to the host clock.
#include "device/loopback_link.h"

#include <cerrno>

namespace movexa {

class LoopbackLink : public SerialLink, private TimedByteSource {
 public:
  LoopbackLink(LoopbackOpener& opener, LoopbackOpener::Wire& wire)
      : opener_(opener), wire_(wire) {}
  ~LoopbackLink() override { Close(); }

  int Purge() override {
    wire_.peer->DiscardArrived(NowUs());
    return 0;
  }
  int GetSettings(LineSettings& s) override {
    s = settings_;
    return 0;
  }
  int ApplySettings(const LineSettings& s) override {
    settings_ = s;
    return 0;
  }
  LinkResult Read(uint8_t* buffer, int max, const ReadTimeouts& timeouts) override {
    return ReadWithTimeouts(*this, buffer, max, timeouts);
  }
  LinkResult Write(std::string_view bytes, int /*timeoutMsPerByte*/) override {
    int64_t now = NowUs();
    if (opener_.chargeWireTime_) {
      now += WireTimeUs(static_cast<int64_t>(bytes.size()));
      AdvanceTo(now);
    }
    wire_.peer->Receive(bytes, now);
    return LinkResult{0, static_cast<int>(bytes.size())};
  }
  int SetLine(ControlLine line, bool state) override {
    (line == ControlLine::kDtr ? wire_.dtr : line == ControlLine::kRts ? wire_.rts : wire_.brk) =
        state;
    return 0;
  }
  uint32_t TakeLineErrorFlags() override { return 0; }
  int Close() override {
    if (open_) wire_.open = false;
    open_ = false;
    return 0;
  }

 private:
  int64_t NowUs() override {
    int64_t clockUs = opener_.clock_.MonotonicMs() * 1000;
    if (clockUs > wire_.lineUs) wire_.lineUs = clockUs;
    return wire_.lineUs;
  }
  // Moves the line to `us` and the host clock to the whole milliseconds it has reached.
  void AdvanceTo(int64_t us) {
    if (us <= NowUs()) return;
    wire_.lineUs = us;
    int64_t ms = us / 1000 - opener_.clock_.MonotonicMs();
    if (ms > 0) opener_.pacer_.PauseMs(static_cast<int>(ms));
  }
  int TryRead(uint8_t* buffer, int max) override {
    scratch_.clear();
    size_t n = wire_.peer->Collect(scratch_, static_cast<size_t>(max), NowUs());
    for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<uint8_t>(scratch_[i]);
    return static_cast<int>(n);
  }
  int WaitReadable(int64_t timeoutUs) override {
    int64_t now = NowUs();
    int64_t until = now + timeoutUs;
    int64_t next = wire_.peer->NextArrivalUs();
    // Always move forward, so a peer that announces a byte it does not deliver cannot stall us.
    if (next >= 0 && next < until) until = next > now ? next : now + 1;
    AdvanceTo(until);
    return 0;
  }

  LoopbackOpener& opener_;
  LoopbackOpener::Wire& wire_;
  LineSettings settings_;
  std::string scratch_;
  bool open_ = true;
};

void LoopbackOpener::Attach(int port, SerialPeer& peer) {
  wires_[static_cast<size_t>(port - 1)].peer = &peer;
}

std::unique_ptr<SerialLink> LoopbackOpener::Open(int port, std::string_view deviceName,
                                                 int& code, std::string& device) {
  device = std::string(deviceName);
  if (port < 1 || port > 16 || deviceName != "COM" + std::to_string(port) ||
      wires_[static_cast<size_t>(port - 1)].peer == nullptr) {
    code = ENOENT;
    return nullptr;
  }
  Wire& w = wires_[static_cast<size_t>(port - 1)];
  if (w.open) {
    code = EBUSY;
    return nullptr;
  }
  w.open = true;
  code = 0;
  return std::make_unique<LoopbackLink>(*this, w);
}

}  // namespace movexa
