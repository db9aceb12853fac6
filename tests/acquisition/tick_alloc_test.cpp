// Once a run has started, Tick() allocates nothing: sampling, detection, the refresh points,
// bin closes with the files (across raw files), the light points. The instrument here answers
// from fixed buffers so that only the engine's own allocations are counted (the suite's
// executable counts every operator new).
#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "acquisition/counts_record.h"
#include "acquisition/engine_rig.h"
#include "base/file_io.h"
#include "base/instrument_protocol.h"

extern std::atomic<long> gAllocations;

namespace movexa::test {
namespace {

// Answers block requests with 24 signals (beam levels with a dip every 17th request) and the
// temperature query with one byte, all from fixed storage; other frames go unanswered.
class FixedInstrument : public SerialPeer {
 public:
  void Receive(std::string_view bytes, int64_t nowUs) override {
    for (char ch : bytes) {
      frame_[filled_++] = static_cast<uint8_t>(ch);
      if (filled_ < 5) continue;
      filled_ = 0;
      if (frame_[0] != kFrameLead || frame_[4] != kFrameTail || frame_[1] != kModeCommand) continue;
      if (frame_[2] == kCodeBlock) {
        ++blocks_;
        const int level = blocks_ % 17 == 0 ? 1200 : 2000 + static_cast<int>(blocks_ % 5);
        for (int k = 0; k < 24; ++k) {
          SignalPair p = EncodeSignalPair(level + k);
          Put(static_cast<char>(p.hi), nowUs);
          Put(static_cast<char>(p.lo), nowUs);
        }
      } else if (frame_[2] == kCodeTemperature) {
        Put(static_cast<char>(120), nowUs);
        Put(0, nowUs);
      }
    }
  }
  size_t Collect(std::string& out, size_t max, int64_t nowUs) override {
    size_t n = 0;
    while (n < max && head_ != tail_ && arrival_ <= nowUs) {
      out.push_back(ring_[head_]);
      head_ = (head_ + 1) % ring_.size();
      ++n;
    }
    return n;
  }
  int64_t NextArrivalUs() override { return head_ != tail_ ? arrival_ : -1; }
  void DiscardArrived(int64_t nowUs) override {
    if (arrival_ <= nowUs) head_ = tail_;
  }

 private:
  void Put(char c, int64_t atUs) {
    ring_[tail_] = c;
    tail_ = (tail_ + 1) % ring_.size();
    arrival_ = atUs;
  }
  std::array<uint8_t, 5> frame_{};
  int filled_ = 0;
  int64_t blocks_ = 0;
  std::array<char, 4096> ring_{};
  size_t head_ = 0, tail_ = 0;
  int64_t arrival_ = 0;
};

TEST(TickAllocations, ARecordedRunAllocatesNothingOnceStarted) {
  FixedInstrument peer;
  EngineRig rig(EngineSimConfig(), true, &peer);
  rig.state.project.RT_Buffer = 40;
  rig.state.project.Aq_lapse = 600;
  rig.state.main.autoZero = false;
  // The in-process line's own read buffer grows at its first block, as at connect.
  ExchangeSignalBlock(rig.engine->link(), 0, 48);
  LiveDisplayObserver quiet;
  AcquisitionEngine engine(rig.state, rig.fake.host, quiet);
  rig.fake.dialogs.ExpectInput("", "alloc");
  ASSERT_TRUE(engine.CmdPlay());

  const long before = gAllocations.load();
  // 13 bins: the block counter passes into the second raw file.
  for (int i = 0; i < 13 * 40 + 5; ++i) {
    engine.Tick();
    rig.fake.pacer.PauseMs(kSamplingTimerMs);
  }
  const long during = gAllocations.load() - before;
  EXPECT_EQ(during, 0);
  EXPECT_EQ(rig.state.run.counters.binsClosed, 13);
  EXPECT_EQ(FileLength(rig.Folder() / "1.bin"), 2 * RawBlockBytes(40));
  EXPECT_EQ(rig.state.run.counters.badBlocks, 0);
  int64_t events = 0;
  for (int c = 0; c < kChannelCount; ++c) events += rig.state.run.buffers.channels[c].totalCount;
  EXPECT_GT(events, 0);  // detection ran

  // Auto-zero recounts at bin close allocate nothing either.
  rig.state.main.autoZero = true;
  const long beforeZero = gAllocations.load();
  for (int i = 0; i < 3 * 40; ++i) {
    engine.Tick();
    rig.fake.pacer.PauseMs(kSamplingTimerMs);
  }
  EXPECT_EQ(gAllocations.load() - beforeZero, 0);
}

}  // namespace
}  // namespace movexa::test
