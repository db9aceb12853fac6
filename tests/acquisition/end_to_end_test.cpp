// End to end over a real pseudo-terminal: movexa-sim as its own process with organisms at
// known rates, movexa-cli acquire and calibrate as the operator runs them. A named run of about
// fourteen bins with method 1: "counts.bin" length and record times, the raw file numbering,
// the project snapshot byte for byte, and the counted events per channel against the
// simulator's recorded crossings; Ctrl-C as Stop; the blank reading.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <map>
#include <thread>

#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "base/host_fakes.h"
#include "base/system_host.h"
#include "base/text_records.h"
#include "device/device_rig.h"
#include "device/posix_serial.h"
#include "project/project_store.h"
#include "reports/report_config.h"
#include "support/test_support.h"
#include "e2e_support.h"

namespace movexa::test {
namespace {

constexpr int kOrganismRate = 12;  // crossings per minute on each of channels 0, 2, ..., 30

std::vector<std::string> SimulatorArgs(const fs::path& truth) {
  std::vector<std::string> args{"--paced", "--block-bytes", "48", "--truth", truth.string()};
  for (int c = 0; c <= 30; c += 2) {
    args.push_back("--channel-rate");
    args.push_back(std::to_string(c) + "=" + std::to_string(kOrganismRate));
  }
  return args;
}

// Crossings per channel in a ground-truth file ("minute,channel,crossings" after a header).
std::map<int, int64_t> CrossingsPerChannel(const fs::path& file) {
  std::map<int, int64_t> out;
  const std::string text = ReadFileOrDie(file);
  RecordReader reader(text);
  reader.Skip();
  int32_t minute = 0, channel = 0, crossings = 0;
  while (!reader.AtEnd() && reader.ReadInt32(minute) && reader.ReadInt32(channel) &&
         reader.ReadInt32(crossings)) {
    out[channel] += crossings;
  }
  return out;
}

TEST(EndToEndAcquisition, NamedRunOverAPseudoTerminalRecordsWhatTheSimulatorDid) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  ProjectSettings settings = PrepareProject(app);
  auto sim = StartSimulator(dir / "sim.link", SimulatorArgs(dir / "truth.txt"));
  ChildProcess cli(CliProgram(),
                   {"acquire", "--app-dir", app.string(), "--name", "e2e run", "--minutes", "1", "--quick-report"},
                   {"MOVEXA_COM4=" + (dir / "sim.link").string()}, (dir / "cli.out").string());
  // The crossings the simulator made before the run started are taken away at the end.
  ASSERT_TRUE(WaitFor([&] { return FileHolds(dir / "cli.out", "acquisition \"e2e run\" in"); }, 30000))
      << ReadFileOrDie(dir / "cli.out");
  ::kill(sim->pid(), SIGUSR1);
  ASSERT_TRUE(WaitFor([&] { return IsFile(dir / "truth.txt"); }, 5000));
  const auto before = CrossingsPerChannel(dir / "truth.txt");
  ASSERT_EQ(cli.Wait(180000), 0) << ReadFileOrDie(dir / "cli.out");
  ASSERT_EQ(sim->Stop(SIGTERM, 5000), 0);
  const auto after = CrossingsPerChannel(dir / "truth.txt");
  const std::string out = ReadFileOrDie(dir / "cli.out");

  const fs::path folder = OnlyAcquisitionFolder(app / "p00001");
  EXPECT_NE(out.find("end of the run: the quick report\n"), std::string::npos) << out;
  EXPECT_NE(out.find("quick report: " + (app / "p00001" / "report.txt").string()), std::string::npos) << out;
  EXPECT_NE(out.find("acquisition folder: " + folder.string()), std::string::npos) << out;

  // Records: every bin of the first minute at time 0, the last (closed after one minute) at 1.
  auto records = Records(folder / "counts.bin");
  ASSERT_GE(records.size(), 8u) << out;
  for (size_t i = 0; i + 1 < records.size(); ++i) EXPECT_EQ(records[i].minutes, 0) << i;
  EXPECT_EQ(records.back().minutes, 1);
  // Raw files: eleven blocks each, the last one the rest, numbered from 0, nothing more.
  const int64_t n = static_cast<int64_t>(records.size());
  for (int64_t f = 0; f * 11 < n; ++f) {
    EXPECT_EQ(FileLength(folder / (std::to_string(f) + ".bin")),
              std::min<int64_t>(11, n - 11 * f) * RawBlockBytes(kBinSamples)) << f;
  }
  EXPECT_FALSE(IsFile(folder / (std::to_string((n + 10) / 11) + ".bin")));
  // The snapshot is the project as saved, with this run's Aq_lapse, and the quoted name.
  settings.Aq_lapse = 1;
  TempDir expected;
  ASSERT_TRUE(SaveProject(expected.path(), 1, settings).ok);
  for (const char* f : {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
    EXPECT_EQ(ReadFileOrDie(folder / f), ReadFileOrDie(expected / f)) << f;
  }
  EXPECT_EQ(ReadFileOrDie(folder / "subproj.dat"), "\"e2e run\"\r\n");

  // Counted events against the crossings the simulator made while the run lasted. A channel
  // may differ by two: detection starts only after the first 45 samples of the run (about
  // two seconds), the simulator's count also runs on between the last bin close and the
  // process's stop, and a crossing may straddle a re-synchronisation pause.
  int64_t counted = 0, truth = 0;
  for (int c = 0; c <= 30; c += 2) {
    int64_t events = 0;
    for (const auto& r : records) events += r.values[c];
    const int64_t made = after.count(c) ? after.at(c) - (before.count(c) ? before.at(c) : 0) : 0;
    EXPECT_LE(std::abs(events - made), 2) << "channel " << c << ": counted " << events << ", crossings " << made;
    counted += events;
    truth += made;
  }
  EXPECT_GT(truth, 120);
  EXPECT_NEAR(static_cast<double>(counted), static_cast<double>(truth), 0.1 * static_cast<double>(truth));
  for (const auto& r : records) {
    for (int c = 32; c < kChannelCount; ++c) EXPECT_EQ(r.values[c], 0) << c;
    EXPECT_NEAR(r.values[kChannelCount], 250, 20);  // 25 degrees x 10
  }
}

TEST(EndToEndAcquisition, InterruptStopsTheRunLikeStopKeepingWholeBinsOnly) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  PrepareProject(app);
  auto sim = StartSimulator(dir / "sim.link", {"--paced", "--block-bytes", "48"});
  ChildProcess cli(CliProgram(), {"acquire", "--app-dir", app.string(), "--name", "stopped", "--minutes", "5"},
                   {"MOVEXA_COM4=" + (dir / "sim.link").string()}, (dir / "cli.out").string());
  ASSERT_TRUE(WaitFor([&] { return FileHolds(dir / "cli.out", "acquisition \"stopped\" in"); }, 30000));
  const fs::path folder = OnlyAcquisitionFolder(app / "p00001");
  ASSERT_TRUE(WaitFor([&] { return FileLength(folder / "counts.bin") >= 2 * kCountsRecordBytes; }, 30000));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // mid-bin
  auto status = cli.Stop(SIGINT, 10000);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0);
  const std::string out = ReadFileOrDie(dir / "cli.out");
  EXPECT_NE(out.find("end of the run: the automatic report (user-defined bin of 30 minutes in "
                     "repoconf.dat)"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("stop requested"), std::string::npos) << out;
  EXPECT_NE(out.find("quick report: none (the run was stopped before Aq_lapse)"), std::string::npos) << out;
  const int64_t records = FileLength(folder / "counts.bin") / kCountsRecordBytes;
  EXPECT_EQ(FileLength(folder / "counts.bin") % kCountsRecordBytes, 0);
  EXPECT_EQ(FileLength(folder / "0.bin"), records * RawBlockBytes(kBinSamples));
  EXPECT_FALSE(IsFile(app / "p00001" / "report.txt"));
}

TEST(EndToEndCalibration, BlankReadingSetsAndSavesTheThresholds) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  PrepareProject(app, /*blankSamples=*/60);
  const std::string before = ReadFileOrDie(app / "p00001" / "threshld.dat");
  auto sim = StartSimulator(dir / "sim.link", {"--paced", "--block-bytes", "48"});
  ChildProcess cli(CliProgram(), {"calibrate", "--app-dir", app.string(), "--blank"},
                   {"MOVEXA_COM4=" + (dir / "sim.link").string()}, (dir / "cli.out").string());
  ASSERT_EQ(cli.Wait(60000), 0) << ReadFileOrDie(dir / "cli.out");
  const std::string out = ReadFileOrDie(dir / "cli.out");
  EXPECT_NE(out.find("[Frm_Main.lblcalibrando] Setting Blank.... (60 samples)"), std::string::npos) << out;
  EXPECT_NE(out.find("[Frm_Main.lblstatus] Setting (0) OK..."), std::string::npos) << out;
  const std::string after = ReadFileOrDie(app / "p00001" / "threshld.dat");
  EXPECT_NE(after, before);
  // Quiet beams (noise 0.5 %) get small thresholds: "2,2" style lines instead of "2,10".
  EXPECT_EQ(after.find("\r\n2,10\r\n"), std::string::npos) << after;
  EXPECT_NE(after.find("\r\n1,10\r\n"), std::string::npos);  // no beam on odd channels: kept
}

TEST(EndToEndCalibration, SoftwareCalibrationBringsEveryUsedBeamIntoTheWindow) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  // Noise off, so that one more reading shows exactly the level the calibration accepted.
  auto sim = StartSimulator(dir / "sim.link", {"--noise", "0"});
  ChildProcess cli(CliProgram(), {"calibrate", "--app-dir", app.string(), "--software"},
                   {"MOVEXA_COM4=" + (dir / "sim.link").string()}, (dir / "cli.out").string());
  ASSERT_EQ(cli.Wait(120000), 0) << ReadFileOrDie(dir / "cli.out");
  EXPECT_NE(ReadFileOrDie(dir / "cli.out").find("Calibration OK"), std::string::npos);
  EXPECT_EQ(ReadFileOrDie(app / "calvalue.dat").substr(0, 37), "\"<Num_Channel>, <PinHole>, <Gain> \"\r\n");

  // The instrument itself now answers with levels inside 1807..2033 on every used beam (the
  // demo plate uses every even channel).
  FakeHost fake;
  SystemClock clock;
  SleepingPacer pacer;
  Host host{fake.dialogs, clock, pacer, fake.shell, fake.system, fake.status};
  SystemPortOpener opener(app, TestEnvironment({{4, (dir / "sim.link").string()}}));
  CommPortTable ports(pacer, opener);
  ConnectionState connection;
  connection.port = 4;
  connection.blockReplyBytes = 192;
  SignalTable signals{};
  DeviceLink link{ports, connection, signals, host};
  ASSERT_EQ(ports.CommOpen(4, "COM4", kInstrumentLineSettings), 0);
  std::array<int16_t, kChannelSlots> row{};
  for (int offset : {0, 16, 32, 48}) {
    ASSERT_TRUE(ExchangeSignalBlock(link, offset, 96).good) << offset;
    RegroupBlock(signals, offset, 48, row.data());
  }
  for (int c = 0; c < kChannelCount; c += 2) {
    EXPECT_GE(row[c], 1807) << c;
    EXPECT_LE(row[c], 2033) << c;
  }
}

TEST(EndToEndCalibration, AutomaticZeroInsideAMonitorRunSavesTheThresholds) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  PrepareProject(app);
  auto sim = StartSimulator(dir / "sim.link", {});
  ChildProcess cli(CliProgram(), {"calibrate", "--app-dir", app.string(), "--zero"},
                   {"MOVEXA_COM4=" + (dir / "sim.link").string()}, (dir / "cli.out").string());
  ASSERT_EQ(cli.Wait(120000), 0) << ReadFileOrDie(dir / "cli.out");
  const std::string out = ReadFileOrDie(dir / "cli.out");
  EXPECT_NE(out.find("starting a monitor-mode acquisition for the procedure"), std::string::npos) << out;
  EXPECT_NE(out.find("[Frm_Main.lbl_autochannel] AutoZero... <99>"), std::string::npos) << out;
  // Nothing was recorded by the monitor run; the thresholds left 10 % for the beams' noise.
  for (const auto& e : fs::directory_iterator(app / "p00001")) {
    EXPECT_FALSE(e.is_directory() && ParseAcquisitionStamp(e.path().filename().string())) << e.path();
  }
  const std::string thresholds = ReadFileOrDie(app / "p00001" / "threshld.dat");
  EXPECT_EQ(thresholds.find("\r\n0,10\r\n"), std::string::npos) << thresholds;
}

}  // namespace
}  // namespace movexa::test
