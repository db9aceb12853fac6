// The calibration procedure fixture.
#include "procedure_bench.h"

#include <gtest/gtest.h>

#include "project/plate_format.h"

namespace movexa::test {

void CountingPeer::Receive(std::string_view bytes, int64_t nowUs) {
  if (bytes.size() == kFrameBytes && static_cast<uint8_t>(bytes[0]) == kFrameLead) {
    const auto mode = static_cast<uint8_t>(bytes[1]);
    const auto code = static_cast<uint8_t>(bytes[2]);
    ++(mode == kModeRegisterWrite ? registerWrites : commands)[code];
  }
  inner_.Receive(bytes, nowUs);
}

ProcedureBench::ProcedureBench(sim::SimConfig config, std::string_view plate)
    : rig(std::move(config)) {
  rig.opener.Attach(4, counter);
  EXPECT_TRUE(rig.Open(4));
  rig.connection.blockReplyBytes = 192;
  EXPECT_TRUE(buffers.Allocate(500));
  EXPECT_TRUE(LoadPlateFormatStrict(InstallDataDir(), plate, geometry, wells).ok);
}

std::vector<std::string> ProcedureBench::StatusTexts() const {
  std::vector<std::string> out;
  for (const auto& line : rig.fake.status.lines()) {
    if (line.where == "Frm_Main.lbl_autochannel") out.push_back(line.text);
  }
  return out;
}

std::vector<int> ProcedureBench::UsedEvenChannels() const {
  std::vector<int> out;
  for (int c = 0; c < kChannelCount; c += 2) {
    if (wells.channelWell[c] != -1) out.push_back(c);
  }
  return out;
}

sim::SimConfig NoiselessConfig() {
  sim::SimConfig config;
  config.noisePercent = 0;
  return config;
}

}  // namespace movexa::test
