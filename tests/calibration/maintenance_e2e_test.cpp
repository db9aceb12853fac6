// The maintenance commands end to end over pseudo-terminals, movexa-sim and movexa-cli as their
// own processes: the device test on instruments whose block replies are 48, 96 and 192 bytes
// long, and on one that dies part-way; the gain curve on an instrument that dies and under
// Ctrl-C; the factory offset printed as the instrument keeps it.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "device/device_rig.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// An application folder and a simulator on its own pseudo-terminal, reached as COM4.
struct Bench {
  explicit Bench(const std::vector<std::string>& simArgs) {
    LayOutAppFolder(app);
    sim = StartSimulator(dir / "sim.link", simArgs);
  }
  std::unique_ptr<ChildProcess> Cli(const std::vector<std::string>& args,
                                    const std::string& output = "cli.out") {
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--app-dir", app.string()});
    return std::make_unique<ChildProcess>(
        CliProgram(), all, std::vector<std::string>{"MOVEXA_COM4=" + link().string()},
        (dir / output).string());
  }
  std::string Output(const std::string& name = "cli.out") const {
    return IsFile(dir / name) ? ReadFileOrDie(dir / name) : std::string();
  }
  fs::path link() const { return dir / "sim.link"; }

  TempDir dir;
  fs::path app = dir / "app";
  std::unique_ptr<ChildProcess> sim;
};

TEST(MaintenanceEndToEnd, DeviceTestPassesOnEveryBlockReplyLength) {
  // Three instruments at once, each with its own reply length, as an operator would meet them.
  std::vector<std::unique_ptr<Bench>> benches;
  std::vector<std::unique_ptr<ChildProcess>> clis;
  for (int bytes : {48, 96, 192}) {
    std::vector<std::string> args{"--block-bytes", std::to_string(bytes), "--noise", "0"};
    if (bytes == 48) args.push_back("--paced");  // as the demo instrument: at the line's speed
    benches.push_back(std::make_unique<Bench>(args));
    clis.push_back(benches.back()->Cli({"test-device"}));
  }
  for (size_t i = 0; i < clis.size(); ++i) {
    const std::optional<int> exit = clis[i]->Wait(240000);
    const std::string out = benches[i]->Output();
    EXPECT_EQ(exit, 0) << out;
    EXPECT_TRUE(Has(out, "device test: every verdict passed")) << out;
    EXPECT_TRUE(Has(out, "Col[24]: PASS!")) << out;
    EXPECT_FALSE(Has(out, "COM Error")) << out;
    EXPECT_TRUE(IsFile(benches[i]->app / "testdev120.txt"));
  }
}

TEST(MaintenanceEndToEnd, DeviceTestOnAnInstrumentThatDiesIsAComErrorNeverAPass) {
  Bench b({"--paced", "--block-bytes", "48"});
  auto cli = b.Cli({"test-device"});
  ASSERT_TRUE(WaitFor([&] { return Has(b.Output(), "Turning OFF A1-D1"); }, 60000)) << b.Output();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // into the all-on steps' writes
  ASSERT_TRUE(b.sim->Stop(SIGKILL, 5000).has_value());
  const std::optional<int> exit = cli->Wait(120000);
  const std::string out = b.Output();
  EXPECT_EQ(exit, 1) << out;
  EXPECT_TRUE(Has(out, "device test: COM Error at step ")) << out;
  EXPECT_FALSE(Has(out, "every verdict passed")) << out;
  const std::string report = ReadFileOrDie(b.app / "testdev120.txt");
  EXPECT_TRUE(Has(report, ": the test did not finish\r\n")) << report;
}

TEST(MaintenanceEndToEnd, DeviceTestWhoseReportCannotBeWrittenIsNoPass) {
  Bench b({"--block-bytes", "96"});
  fs::create_directories(b.app / "testdev120.txt");  // the report's place is taken
  auto cli = b.Cli({"test-device"});
  const std::optional<int> exit = cli->Wait(240000);
  const std::string out = b.Output();
  EXPECT_EQ(exit, 1) << out;
  EXPECT_TRUE(Has(out, "Error writing testdev120.txt")) << out;
  EXPECT_TRUE(Has(out, "device test: every verdict passed; the report could not be written"))
      << out;
}

TEST(MaintenanceEndToEnd, GainCurveStopsWhenTheInstrumentDiesAndOnCtrlC) {
  {
    Bench b({"--paced", "--block-bytes", "48"});
    auto cli = b.Cli({"gain-curve"});
    ASSERT_TRUE(WaitFor([&] { return IsFile(b.app / "test_mean.txt"); }, 60000)) << b.Output();
    ASSERT_TRUE(b.sim->Stop(SIGKILL, 5000).has_value());
    const auto start = std::chrono::steady_clock::now();
    const std::optional<int> exit = cli->Wait(60000);
    const std::string out = b.Output();
    EXPECT_EQ(exit, 1) << out;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_TRUE(Has(out, "gain curve stopped: the instrument stopped answering")) << out;
    EXPECT_TRUE(Has(out, "the gain curve stops here")) << out;
    EXPECT_FALSE(Has(out, "gain curve: 64 of 64")) << out;
  }
  {
    Bench b({"--paced", "--block-bytes", "48"});
    auto cli = b.Cli({"gain-curve"});
    ASSERT_TRUE(WaitFor([&] { return IsFile(b.app / "test_mean.txt"); }, 60000)) << b.Output();
    const std::optional<int> exit = cli->Stop(SIGINT, 30000);
    const std::string out = b.Output();
    EXPECT_EQ(exit, 1) << "Ctrl-C did not stop the gain curve\n" << out;
    EXPECT_TRUE(Has(out, "gain curve stopped on request")) << out;
  }
}

TEST(MaintenanceEndToEnd, FactoryPrintsTheOffsetTheInstrumentKeeps) {
  Bench b({"--noise", "0"});
  auto cli = b.Cli({"factory", "--reference", "25.06"});
  ASSERT_EQ(cli->Wait(60000), 0) << b.Output();
  const std::string out = b.Output();
  const size_t at = out.find("new offset: ");
  ASSERT_NE(at, std::string::npos) << out;
  const std::string printed = out.substr(at + 12, out.find(" degrees", at) - at - 12);
  // One decimal, as the instrument keeps tenths; the next connect reads back the same value.
  ASSERT_EQ(printed.size() - printed.find('.'), 2u) << printed;
  auto connect = b.Cli({"connect"}, "connect.out");
  ASSERT_EQ(connect->Wait(60000), 0) << b.Output("connect.out");
  const std::string after = b.Output("connect.out");
  const size_t o = after.find("\noffset: ");
  ASSERT_NE(o, std::string::npos) << after;
  const double readBack = std::stod(after.substr(o + 9));
  EXPECT_DOUBLE_EQ(std::stod(printed), readBack) << out << after;
}

}  // namespace
}  // namespace movexa::test
