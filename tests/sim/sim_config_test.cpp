// Scenario files, configuration checks and movexa-sim's options.
#include <gtest/gtest.h>

#include "sim/sim_config.h"
#include "sim/sim_options.h"

namespace movexa::sim {
namespace {

TEST(SimScenario, ReadsChannelAndWellGroupsAndReportsBadLines) {
  std::vector<OrganismSpec> specs;
  auto problems = ParseScenario(
      "\"Movexa simulator scenario\"\r\n"
      "\"channel\",6,30,200,0,2,4\r\n"
      "\r\n"
      "\"well\",12.5,40,250,10,12\r\n"
      "\"fish\",1,1,100,8\r\n"
      "\"well\",x,40,250,10\r\n"
      "\"channel\",1,30,200\r\n",
      specs);
  ASSERT_EQ(specs.size(), 2u);
  EXPECT_EQ(specs[0].kind, OrganismSpec::Kind::kChannel);
  EXPECT_EQ(specs[0].channels, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(specs[1].kind, OrganismSpec::Kind::kWell);
  EXPECT_DOUBLE_EQ(specs[1].ratePerMinute, 12.5);
  EXPECT_EQ(specs[1].durationMs, 250);
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].rfind("scenario line 5:", 0), 0u) << problems[0];
  EXPECT_EQ(problems[2], "scenario line 7: no channel given");
}

TEST(SimScenario, ConfigurationChecksCatchUnusableValues) {
  SimConfig c;
  EXPECT_TRUE(ValidateConfig(c).empty());
  c.blockBytes = 47;
  c.faults.dropRate = 1.5;
  c.organisms.push_back({OrganismSpec::Kind::kChannel, {3, 4}, 1, 30, 200});
  c.organisms.push_back({OrganismSpec::Kind::kWell, {4, 400}, 1, 0, 5});
  auto problems = ValidateConfig(c);
  auto has = [&](const std::string& text) {
    for (const auto& p : problems) {
      if (p == text) return true;
    }
    return false;
  };
  EXPECT_TRUE(has("block reply length must be an even number of bytes from 2 to 512"));
  EXPECT_TRUE(has("fault rates must lie within 0..1"));
  EXPECT_TRUE(has("channel 3 carries no beam (odd channel)"));
  EXPECT_TRUE(has("channel 4 given to two organism groups"));
  EXPECT_TRUE(has("channel 400 outside 0..383"));
  EXPECT_TRUE(has("dip depth outside 1..100 %"));
  EXPECT_TRUE(has("dip duration outside 10..10000 ms"));
}

TEST(SimOptionsParsing, FlagsFillTheConfiguration) {
  SimOptions o;
  auto problems = ParseSimOptions(
      {"--link", "/tmp/x", "--serial", "42", "--block-bytes", "48", "--paced", "--factory",
       "0,1,2,0,5,200,0,0", "--channel-rate", "10=6", "--well-rate", "20+22=3", "--dip-depth",
       "40", "--dip-ms", "300", "--drop-rate", "0.1", "--silent-after", "5000", "--silent-for",
       "100", "--truth", "t.txt", "--seed", "9"},
      o);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(o.linkPath, "/tmp/x");
  EXPECT_EQ(o.config.serialNumber, 42);
  EXPECT_EQ(o.config.blockBytes, 48);
  EXPECT_TRUE(o.config.paced);
  EXPECT_EQ(o.config.factoryRegisters, (std::array<int, 8>{0, 1, 2, 0, 5, 200, 0, 0}));
  ASSERT_EQ(o.config.organisms.size(), 2u);
  EXPECT_EQ(o.config.organisms[1].channels, (std::vector<int>{20, 22}));
  EXPECT_EQ(o.config.organisms[1].kind, OrganismSpec::Kind::kWell);
  EXPECT_DOUBLE_EQ(o.config.organisms[0].depthPercent, 40);  // given after, applies to all
  EXPECT_EQ(o.config.organisms[0].durationMs, 300);
  EXPECT_DOUBLE_EQ(o.config.faults.dropRate, 0.1);
  EXPECT_EQ(o.config.faults.silentFromMs, 5000);
  EXPECT_EQ(o.truthPath, "t.txt");
  EXPECT_EQ(o.config.seed, 9u);
}

TEST(SimOptionsParsing, BadValuesAreReportedNotGuessed) {
  SimOptions o;
  auto problems = ParseSimOptions({"--serial", "x", "--block-bytes", "1000", "--factory", "1,2",
                                   "--channel-rate", "10", "--bogus", "--seed"},
                                  o);
  EXPECT_EQ(problems.size(), 6u);
  EXPECT_EQ(o.config.serialNumber, 120);
  SimOptions help;
  EXPECT_TRUE(ParseSimOptions({"--help"}, help).empty());
  EXPECT_TRUE(help.help);
  EXPECT_NE(SimUsage().find("--link PATH"), std::string::npos);
}

}  // namespace
}  // namespace movexa::sim
