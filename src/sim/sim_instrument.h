// The simulated instrument as the far end of a serial line: it takes five-byte frames, answers
// every command of the protocol with the reply lengths and parity the system relies on, keeps 256
// registers, reports a temperature, streams self-calibration progress, records the channel mode
// and the outputs byte, and injects faults on request. Every one-byte reply is sent as two bytes
// (the value, then a zero byte) so that a two-byte query completes at once.
//
// Runs in-process behind the device layer's loopback port, or on a pseudo-terminal through
// PtyFront. Its time comes from the line (times passed to the SerialPeer calls) and from the
// Clock given at construction, whichever is later, so a ManualClock makes it deterministic.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/serial_peer.h"
#include "sim/beam_model.h"
#include "sim/sim_config.h"

namespace movexa::sim {

class SimInstrument : public SerialPeer {
 public:
  SimInstrument(SimConfig config, Clock& clock);

  // SerialPeer.
  void Receive(std::string_view bytes, int64_t nowUs) override;
  size_t Collect(std::string& out, size_t max, int64_t nowUs) override;
  int64_t NextArrivalUs() override;
  void DiscardArrived(int64_t nowUs) override;

  // Faults and changes on request (tests).
  // The next `count` replies are lost; with `onlyMode` >= 0 only replies to frames of that mode
  // (0x80: register-write echoes) count and are lost.
  void DropNextReplies(int count, int onlyMode = -1);
  void SetSilent(bool silent) { silent_ = silent; }
  void SetSerialNumber(int serial) { serial_ = serial; }
  void SetBlockBytes(int bytes) {
    config_.blockBytes = bytes;
    config_.blockBytesChoices.clear();
  }
  // Each block reply takes one of `choices` at random (an instrument whose replies vary).
  void SetBlockBytesChoices(std::vector<int> choices) {
    config_.blockBytesChoices = std::move(choices);
  }
  // After each block reply, `bytes` more once the line has been idle for `pauseMs`.
  void SetTrailingBytes(int bytes, int pauseMs) {
    config_.trailingBytes = bytes;
    config_.trailingPauseMs = pauseMs;
  }
  // Block replies sent so far (lost ones not counted) and their lengths, latest last (the last
  // 4096).
  const std::deque<int>& blockReplyLengths() const { return blockReplyLengths_; }
  void SetPaced(bool paced) { config_.paced = paced; }
  void SetReplyLatencyUs(int us) { config_.replyLatencyUs = us; }
  // Queues raw bytes on the line as if the instrument had sent them (garbage, stale tails).
  void InjectBytes(std::string_view bytes);

  // What the instrument holds and has seen.
  int Register(int reg) const { return registers_[static_cast<size_t>(reg & 255)]; }
  void SetRegister(int reg, int value) { registers_[static_cast<size_t>(reg & 255)] = value & 255; }
  int outputs() const { return outputs_; }
  int channelMode() const { return channelMode_; }
  int serialNumber() const { return serial_; }
  double TemperatureC();
  // Raw temperature reading as code 0x21 reports it.
  int RawTemperature();
  // Frames taken so far, and the last one.
  int64_t framesReceived() const { return framesReceived_; }
  const std::array<uint8_t, 5>& lastFrame() const { return lastFrame_; }
  // Bytes received from the host (the last 64 KiB).
  const std::string& receivedBytes() const { return received_; }
  // Replies the fault injection swallowed or damaged.
  int64_t repliesDropped() const { return repliesDropped_; }

  // Ground truth of the crossings so far (up to the present time).
  const GroundTruth& Truth();
  std::string TruthText();
  BeamModel& model() { return model_; }

 private:
  int64_t Now(int64_t lineUs);
  void Advance(int64_t nowUs);
  void HandleFrame(const uint8_t* f, int64_t nowUs);
  // Sends `bytes` from `nowUs` on (after the reply latency), with the faults on request; with
  // `pauseAfter` >= 0 the bytes from that index on follow `pauseUs` later. Returns the time the
  // last byte leaves (nowUs when nothing was sent).
  int64_t Reply(std::string bytes, int64_t nowUs, int mode, int pauseAfter = -1,
                int64_t pauseUs = 0);
  int64_t Queue(std::string_view bytes, int64_t startUs, bool paced, bool idle = false);
  // The USB-serial adapter: moves the bytes that have reached it by `nowUs` into packets for
  // the host (see SimConfig::adapterLatencyMs).
  void AdvanceAdapter(int64_t nowUs);
  int64_t NextAdapterReleaseUs() const;
  void CancelIdleBytes(int64_t nowUs);
  std::string BlockReply(int offset, int signals);
  int NextBlockBytes();
  int BeamSetting(int position) const;
  bool SilentAt(int64_t nowUs) const;

  struct Pending {
    int64_t atUs;
    uint8_t byte;
    bool idle;  // sent only while no frame arrives (trailing bytes)
  };

  SimConfig config_;
  Clock& clock_;
  int64_t originUs_;
  int64_t nowUs_;
  BeamModel model_;
  SimRandom faults_;
  SimRandom lengths_;
  std::deque<int> blockReplyLengths_;
  std::array<int, 256> registers_{};
  std::string input_;
  std::deque<Pending> output_;
  int64_t lineFreeUs_ = 0;
  // Block replies leave one after the other: the time the latest one's last byte leaves.
  int64_t blockBusyUntilUs_ = 0;
  int64_t blockReplies_ = 0;  // block replies made (numbers the tagged signals)
  SimRandom pauses_;
  // The adapter: bytes it holds (arrival times), bytes it has handed to the host (release
  // times), and when its latency timer last restarted.
  std::deque<std::pair<int64_t, uint8_t>> adapterHeld_;
  std::deque<std::pair<int64_t, uint8_t>> adapterReleased_;
  int64_t adapterTimerUs_ = 0;
  int serial_;
  int outputs_ = 0;
  int channelMode_ = 0;
  int testSetting_ = -1;  // code 0x11 in force until the next register write
  bool silent_ = false;
  int dropCount_ = 0;
  int dropMode_ = -1;
  // Self-calibration in progress: its target setting level and completion time.
  double selfCalTarget_ = 0;
  int64_t selfCalDoneUs_ = -1;
  int64_t framesReceived_ = 0;
  std::array<uint8_t, 5> lastFrame_{};
  std::string received_;
  int64_t repliesDropped_ = 0;
};

}  // namespace movexa::sim
