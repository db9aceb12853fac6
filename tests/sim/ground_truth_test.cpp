// The simulator's ground truth: the crossings it records per channel and minute are exactly the
// dips a sampler sees in its block replies.
#include <gtest/gtest.h>

#include <map>

#include "base/host_fakes.h"
#include "base/instrument_protocol.h"
#include "sim/sim_instrument.h"

namespace movexa::sim {
namespace {

std::string Frame(int code, int arg) {
  return std::string{static_cast<char>(0xFF), 0, static_cast<char>(code), static_cast<char>(arg),
                     static_cast<char>(0xF0)};
}

TEST(SimGroundTruth, RecordedCrossingsMatchTheDipsInTheSignals) {
  SimConfig c;
  c.blockBytes = 48;
  c.seed = 11;
  c.organisms.push_back({OrganismSpec::Kind::kChannel, {0, 16, 144, 382}, 20.0, 30.0, 200});
  c.organisms.push_back({OrganismSpec::Kind::kWell, {40, 42, 168, 296}, 45.0, 50.0, 150});
  ManualClock clock;
  SimInstrument sim(c, clock);

  constexpr int64_t kTickUs = 40'000;  // a sample of every beam each 40 ms
  constexpr int64_t kRunUs = 4 * 60'000'000LL;
  std::map<int, int64_t> detected;                 // channel -> dips seen
  std::map<int64_t, int64_t> perMinute;            // minute -> dips seen (all channels)
  int64_t nearBoundary = 0;                        // dips seen within one tick of a new minute
  std::array<bool, kSignalPositions> inDip{};
  for (int64_t t = 0; t < kRunUs; t += kTickUs) {
    for (int offset = 0; offset < 64; offset += 8) {
      sim.Receive(Frame(kCodeBlock, offset), t);
      std::string r;
      ASSERT_EQ(sim.Collect(r, 1000, t), 48u);
      for (int k = 0; k < 24; ++k) {
        const int position = BlockSignalPosition(offset, k);
        const int value = (static_cast<uint8_t>(r[2 * k]) & 0x0F) * 256 +
                          static_cast<uint8_t>(r[2 * k + 1]);
        const double settled = sim.model().SettledLevel(position, 3 * 32 + 2);
        const bool low = value < 0.85 * settled;
        if (low && !inDip[static_cast<size_t>(position)]) {
          detected[SignalPositionChannel(position)] += 1;
          perMinute[t / 60'000'000] += 1;
          if (t % 60'000'000 < kTickUs) ++nearBoundary;
        }
        inDip[static_cast<size_t>(position)] = low;
      }
    }
  }
  const GroundTruth& truth = sim.Truth();
  int64_t total = 0;
  for (int ch : {0, 16, 144, 382, 40, 42, 168, 296}) {
    EXPECT_EQ(detected[ch], sim.model().CrossingsOn(ch)) << "channel " << ch;
    total += detected[ch];
  }
  EXPECT_GT(total, 200);  // enough crossings for the comparison to mean something
  EXPECT_EQ(static_cast<int64_t>(detected.size()), 8);  // no dips anywhere else
  int64_t mismatch = 0;
  for (const auto& [minute, counts] : truth) {
    int64_t sum = 0;
    for (int32_t n : counts) sum += n;
    mismatch += std::llabs(sum - perMinute[minute]);
  }
  EXPECT_LE(mismatch, 2 * nearBoundary);
  EXPECT_EQ(truth.size(), 4u);
}

TEST(SimGroundTruth, TruthTextListsNonZeroCountsPerMinuteAndChannel) {
  SimConfig c;
  c.organisms.push_back({OrganismSpec::Kind::kChannel, {6}, 600.0, 30.0, 20});
  ManualClock clock;
  SimInstrument sim(c, clock);
  clock.AdvanceMs(90'000);
  std::string text = sim.TruthText();
  const auto& truth = sim.Truth();
  ASSERT_EQ(truth.size(), 2u);
  const int32_t m0 = truth.at(0)[6], m1 = truth.at(1)[6];
  EXPECT_GT(m0, 100);
  EXPECT_EQ(text, "\"Crossings: <minute>, <channel>, <crossings>\"\r\n0,6," + std::to_string(m0) +
                      "\r\n1,6," + std::to_string(m1) + "\r\n");
}

}  // namespace
}  // namespace movexa::sim
