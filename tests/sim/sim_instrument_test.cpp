// The simulated instrument on its own: reply lengths and contents of every command, parity,
// self-calibration, the calibration ladder, temperature, pacing and injected faults.
#include <gtest/gtest.h>

#include <cmath>

#include "base/host_fakes.h"
#include "base/instrument_protocol.h"
#include "base/rounding.h"
#include "sim/sim_instrument.h"

namespace movexa::sim {
namespace {

std::string Frame(int mode, int code, int arg) {
  return std::string{static_cast<char>(0xFF), static_cast<char>(mode), static_cast<char>(code),
                     static_cast<char>(arg), static_cast<char>(0xF0)};
}

// A simulator on a manual clock, driven frame by frame.
struct Bench {
  explicit Bench(SimConfig c = {}) : sim(std::move(c), clock) {}
  // Sends a frame now and collects what has arrived after `waitUs`.
  std::string Ask(int mode, int code, int arg, int64_t waitUs = 0) {
    sim.Receive(Frame(mode, code, arg), nowUs);
    nowUs += waitUs;
    std::string out;
    sim.Collect(out, 100000, nowUs);
    return out;
  }
  ManualClock clock;
  SimInstrument sim;
  int64_t nowUs = 0;
};

TEST(SimReplies, EveryCommandAnswersWithTheLengthTheSystemReads) {
  SimConfig c;
  c.serialNumber = 300;  // 255 x 1 + 45
  Bench b(c);
  EXPECT_EQ(b.Ask(0x00, kCodeIdentify, 0), std::string("\x01\x2D", 2));
  EXPECT_EQ(b.Ask(0x00, kCodeOutputs, 6), "");
  EXPECT_EQ(b.sim.outputs(), 6);
  EXPECT_EQ(b.Ask(0x00, kCodeChannelMode, 1), "");
  EXPECT_EQ(b.sim.channelMode(), 1);
  EXPECT_EQ(b.Ask(0x00, kCodeTestSetting, 0x45), std::string("\x45\x00", 2));
  EXPECT_EQ(b.Ask(0x80, 17, 0xAB), std::string("\x11\x00", 2));
  EXPECT_EQ(b.Ask(0x00, kCodeReadRegister, 17), std::string("\xAB\x00", 2));
  EXPECT_EQ(b.Ask(0x00, kCodeReadRegister, 204), std::string("\x0F\x00", 2));
  EXPECT_EQ(b.Ask(0x00, kCodeTemperature, 0).size(), 2u);
  EXPECT_EQ(b.Ask(0x00, kCodeBlock, 0).size(), 192u);
  EXPECT_EQ(b.Ask(0x00, 0x77, 0), "");  // unknown command
  EXPECT_EQ(b.Ask(0x13, 0x00, 0), "");  // unknown mode
  EXPECT_EQ(b.sim.framesReceived(), 11);
}

TEST(SimReplies, FramesAreFoundAfterGarbageAndAcrossSplitWrites) {
  Bench b;
  b.sim.Receive(std::string("\x01\xF0\xFF\xFF\x00", 5), 0);
  b.sim.Receive(std::string("\x00\x00\xF0", 3), 0);
  std::string out;
  b.sim.Collect(out, 10, 0);
  EXPECT_EQ(out, std::string("\x00\x78", 2));  // identify, serial 120
}

TEST(SimBlocks, BlockRepliesCarryTheBeamLevelsWithParity) {
  for (int bytes : {48, 96, 192, 512}) {
    SimConfig c;
    c.blockBytes = bytes;
    c.noisePercent = 0;
    Bench b(c);
    std::string r = b.Ask(0x00, kCodeBlock, 8);
    ASSERT_EQ(static_cast<int>(r.size()), bytes);
    for (int i = 0; i < bytes / 2; ++i) {
      auto hi = static_cast<uint8_t>(r[2 * i]), lo = static_cast<uint8_t>(r[2 * i + 1]);
      ASSERT_TRUE(SignalPairParityOk(hi, lo));
      ASSERT_LE(hi & 0x7F, 15);
      const int position = BlockSignalPosition(8, i);
      const int expected =
          position < kSignalPositions
              ? static_cast<int>(RoundHalfEven(b.sim.model().SettledLevel(position, 3 * 32 + 2)))
              : 0;
      ASSERT_EQ((hi & 0x0F) * 256 + lo, expected) << bytes << " " << i;
    }
  }
}

TEST(SimBeams, EveryBeamHasALadderSettingInsideTheCalibrationWindow) {
  Bench b;
  BeamModel& m = b.sim.model();
  for (int p = 0; p < kSignalPositions; ++p) {
    // The software calibration's walk: one ladder step per round from power 2, gain 3.
    int power = 2, gain = 3, rounds = 0;
    for (;; ++rounds) {
      ASSERT_LT(rounds, 60) << p;
      double level = m.SettledLevel(p, gain * 32 + power);
      if (level >= 1807 && level <= 2033) break;
      double next = 0;
      if (level < 1807) {
        if (gain < 7) ++gain; else { gain = 0; ++power; }
        ASSERT_LE(power, 7) << "beam " << p << " cannot reach the window";
        next = m.SettledLevel(p, gain * 32 + power);
        ASSERT_GT(next, level);
        ASSERT_LT(next / level, 1.05);  // a few percent per step
      } else {
        if (gain > 0) --gain; else { gain = 7; --power; }
        ASSERT_GE(power, 1) << "beam " << p << " cannot reach the window";
      }
    }
  }
  EXPECT_EQ(m.SettledLevel(0, 0), BeamModel::kDarkLevel);  // power 0: emitter off
}

TEST(SimSelfCalibration, StreamsProgressAndLeavesConvergedSettings) {
  Bench b;
  std::string progress = b.Ask(0x00, kCodeSelfCalibration, 110);
  ASSERT_EQ(progress, std::string(1, '\0'));  // the first byte at once, then one per 20 ms
  std::vector<int> seen{0};
  for (int step = 1; step < 30; ++step) {
    b.nowUs += 20'000;
    std::string out;
    b.sim.Collect(out, 10, b.nowUs);
    for (char ch : out) seen.push_back(static_cast<uint8_t>(ch));
  }
  ASSERT_EQ(seen.size(), 25u);
  EXPECT_EQ(seen[1], 8);
  EXPECT_EQ(seen[23], 184);
  EXPECT_EQ(seen.back(), 191);
  for (int r = 0; r < kBeamRegisters; ++r) {
    const int channel = 2 * r;
    const double level = b.sim.model().SettledLevel(ChannelPosition(channel), b.sim.Register(r));
    EXPECT_GE(level, 1807) << r;
    EXPECT_LE(level, 2033) << r;
  }
}

TEST(SimTemperature, RawReadingFollowsFactoryCalibrationAndOutputs) {
  SimConfig c;
  c.temperatureDriftC = 0;
  Bench b(c);
  // (25 + 1.5) / 0.219 = 121.0
  EXPECT_EQ(static_cast<uint8_t>(b.Ask(0x00, kCodeTemperature, 0)[0]), 121);
  b.Ask(0x00, kCodeOutputs, 3);  // control on, heating
  b.clock.AdvanceMs(30 * 60'000);
  EXPECT_GT(b.sim.TemperatureC(), 29.0);
  b.Ask(0x00, kCodeOutputs, 1);  // control on, cooling
  b.clock.AdvanceMs(60 * 60'000);
  EXPECT_LT(b.sim.TemperatureC(), 21.0);
  b.Ask(0x00, kCodeOutputs, 0);
  b.clock.AdvanceMs(120 * 60'000);
  EXPECT_NEAR(b.sim.TemperatureC(), 25.0, 0.1);
}

TEST(SimPacing, PacedBytesArriveOneWireTimeApartAndOnlyArrivedOnesAreDiscarded) {
  SimConfig c;
  c.paced = true;
  c.blockBytes = 48;
  Bench b(c);
  b.sim.Receive(Frame(0, kCodeBlock, 0), 1000);
  EXPECT_EQ(b.sim.NextArrivalUs(), 1000 + WireTimeUs(1));
  b.sim.DiscardArrived(1000 + WireTimeUs(10));
  std::string out;
  EXPECT_EQ(b.sim.Collect(out, 100, 1000 + WireTimeUs(48)), 38u);
  // A reply behind another waits for the line.
  b.sim.Receive(Frame(0, kCodeBlock, 0), 10'000);
  b.sim.Receive(Frame(0, kCodeIdentify, 0), 10'000);
  out.clear();
  EXPECT_EQ(b.sim.Collect(out, 100, 10'000 + WireTimeUs(49)), 49u);
  EXPECT_EQ(b.sim.NextArrivalUs(), 10'000 + WireTimeUs(50));
}

TEST(SimFaults, RatesDropTruncateCorruptAndPrefixGarbage) {
  auto run = [](auto setRate) {
    SimConfig c;
    setRate(c.faults);
    Bench b(c);
    return b.Ask(0x00, kCodeReadRegister, 204);
  };
  EXPECT_EQ(run([](FaultSpec& f) { f.dropRate = 1; }), "");
  EXPECT_EQ(run([](FaultSpec& f) { f.truncateRate = 1; }), std::string("\x0F", 1));
  std::string corrupt = run([](FaultSpec& f) { f.corruptRate = 1; });
  ASSERT_EQ(corrupt.size(), 2u);
  const int diff = (static_cast<uint8_t>(corrupt[0]) ^ 0x0F) | static_cast<uint8_t>(corrupt[1]);
  EXPECT_EQ(std::popcount(static_cast<unsigned>(diff)), 1);
  std::string garbage = run([](FaultSpec& f) { f.garbageRate = 1; });
  ASSERT_GE(garbage.size(), 3u);
  ASSERT_LE(garbage.size(), 10u);
  EXPECT_EQ(garbage.substr(garbage.size() - 2), std::string("\x0F\x00", 2));
}

TEST(SimFaults, SilentPeriodAndSerialNumberChange) {
  SimConfig c;
  c.faults.silentFromMs = 1000;
  c.faults.silentForMs = 500;
  c.faults.serialChangeAtMs = 2000;
  c.faults.newSerialNumber = 77;
  Bench b(c);
  EXPECT_EQ(b.Ask(0, kCodeIdentify, 0).size(), 2u);
  b.nowUs = 1'200'000;
  EXPECT_EQ(b.Ask(0, kCodeIdentify, 0), "");
  b.nowUs = 1'600'000;
  EXPECT_EQ(b.Ask(0, kCodeIdentify, 0), std::string("\x00\x78", 2));
  b.nowUs = 2'000'000;
  EXPECT_EQ(b.Ask(0, kCodeIdentify, 0), std::string("\x00\x4D", 2));
  b.sim.DropNextReplies(1, kModeRegisterWrite);
  EXPECT_EQ(b.Ask(0, kCodeIdentify, 0).size(), 2u);  // not a register write: answered
  EXPECT_EQ(b.Ask(0x80, 5, 1), "");
  EXPECT_EQ(b.sim.Register(5), 1);  // the write took effect, only its echo was lost
}

TEST(SimDeterminism, SameSeedSameSignalsAndCrossings) {
  auto run = [](uint64_t seed) {
    SimConfig c;
    c.seed = seed;
    c.organisms.push_back({OrganismSpec::Kind::kChannel, {0, 2, 130}, 30, 30, 200});
    Bench b(c);
    std::string all;
    for (int i = 0; i < 200; ++i) {
      b.nowUs += 50'000;
      b.clock.AdvanceMs(50);
      all += b.Ask(0, kCodeBlock, 0);
    }
    return all + b.sim.TruthText();
  };
  EXPECT_EQ(run(5), run(5));
  EXPECT_NE(run(5), run(6));
}

}  // namespace
}  // namespace movexa::sim
