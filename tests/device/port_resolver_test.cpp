// The COM number to device resolver and "ports.dat".
#include <gtest/gtest.h>

#include "device/device_rig.h"
#include "device/port_resolver.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

TEST(PortResolver, EnvironmentThenPortsFileThenPlatformDefault) {
  TempDir app;
  WriteFileOrDie(app / "ports.dat",
                 "\"Serial ports: <COM number>, <device>\"\r\n4,\"/dev/ttyUSB0\"\r\n"
                 "5,\"sim/instrument.link\"\r\n");
  auto env = Environment({{"MOVEXA_COM4", "/tmp/sim4"}, {"MOVEXA_COM6", ""}});
  ResolvedPort r4 = ResolveComDevice(4, app.path(), env);
  EXPECT_EQ(r4.device, "/tmp/sim4");
  EXPECT_EQ(r4.origin, "MOVEXA_COM4");
  ResolvedPort r5 = ResolveComDevice(5, app.path(), env);
  EXPECT_EQ(r5.device, (app.path() / "sim/instrument.link").string());
  EXPECT_EQ(r5.origin, "ports.dat");
  ResolvedPort r6 = ResolveComDevice(6, app.path(), env);  // an empty variable counts as unset
  EXPECT_EQ(r6.device, "/dev/ttyS5");
  EXPECT_EQ(r6.origin, "default");
  EXPECT_EQ(ResolveComDevice(4, app.path(), Environment({})).device, "/dev/ttyUSB0");
  EXPECT_EQ(ResolveComDevice(1, {}, Environment({})).device, "/dev/ttyS0");
}

TEST(PortsFile, BadLinesAreSkippedAndReportedTheRestIsUsed) {
  PortsFile f = ParsePortsFile(
      "\"Serial ports\"\r\n"
      "3,\"/dev/a\"\r\n"
      "17,\"/dev/b\"\r\n"
      "x,\"/dev/c\"\r\n"
      "3,\"/dev/d\"\r\n"
      "\r\n"
      "8,\"\"\r\n"
      "9,\"/dev/e\",1\r\n"
      "10,\"/dev/f\"");
  ASSERT_EQ(f.devices.size(), 2u);
  EXPECT_EQ(f.devices.at(3), "/dev/a");  // the first mapping of a number wins
  EXPECT_EQ(f.devices.at(10), "/dev/f");
  ASSERT_EQ(f.problems.size(), 5u);
  EXPECT_EQ(f.problems[0], "line 3: port 17 outside 1..16");
  EXPECT_EQ(f.problems[2], "line 5: port 3 mapped twice");
}

TEST(PortResolver, ProblemsOfPortsFileTravelWithTheDefault) {
  TempDir app;
  WriteFileOrDie(app / "ports.dat", "\"Serial ports\"\r\nfour,\"/dev/x\"\r\n");
  ResolvedPort r = ResolveComDevice(4, app.path(), Environment({}));
  EXPECT_EQ(r.device, "/dev/ttyS3");
  EXPECT_NE(r.problem.find("ports.dat line 2"), std::string::npos) << r.problem;
}

}  // namespace
}  // namespace movexa::test
