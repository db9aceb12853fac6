// End to end over pseudo-terminals, against a real recorder (movexa-cli acquire on movexa-sim):
// the acquisition being recorded cannot be archived or renamed, a second Movexa is told that
// the instrument is in use, a file-size limit keeps every counts record, an instrument whose
// replies stall, send idle bytes or vary in length gives no misaligned block (checked against
// the simulator's tagged signals), and a mute instrument ends the run at its programmed end.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>

#include "acquisition/counts_record.h"
#include "base/file_io.h"
#include "device/device_rig.h"
#include "e2e_support.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

std::vector<std::string> Env(const fs::path& link) { return {"MOVEXA_COM4=" + link.string()}; }

// Every COM number but 4 leads nowhere, so that a connect that scans touches no port of this
// machine.
void NoOtherPorts(const fs::path& app) {
  std::string ports;
  for (int n = 1; n <= 16; ++n) {
    if (n != 4) ports += std::to_string(n) + ",\"/nonexistent/movexa-com\"\r\n";
  }
  WriteFileOrDie(app / "ports.dat", ports);
}

struct Ran {
  int exitCode = -1;
  std::string output;
};

Ran RunProgram(const std::string& program, const std::vector<std::string>& args, const fs::path& out,
        const std::vector<std::string>& env = {}, int timeoutMs = 60000) {
  ChildProcess cli(program, args, env, out.string());
  Ran r;
  r.exitCode = cli.Wait(timeoutMs).value_or(-1);
  r.output = ReadFileOrDie(out);
  return r;
}

TEST(RecordingInProgress, ArchiveRenameAndASecondAcquireAreRefusedWithTheirReason) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  NoOtherPorts(app);
  PrepareProject(app);
  auto sim = StartSimulator(dir / "sim.link", {"--paced", "--block-bytes", "48"});
  ChildProcess recorder(CliProgram(),
                        {"acquire", "--app-dir", app.string(), "--name", "night run", "--minutes",
                         "1", "--quick-report"},
                        Env(dir / "sim.link"), (dir / "rec.out").string());
  ASSERT_TRUE(WaitFor([&] { return FileHolds(dir / "rec.out", "acquisition \"night run\" in"); }, 30000))
      << ReadFileOrDie(dir / "rec.out");
  const fs::path folder = OnlyAcquisitionFolder(app / "p00001");
  ASSERT_TRUE(WaitFor([&] { return FileLength(folder / "counts.bin") >= kCountsRecordBytes; }, 30000));
  const std::string refusal = "(" + folder.string() + ") is being recorded now";

  Ran archive = RunProgram(CliProgram(), {"archive", "--app-dir", app.string(), folder.string()}, dir / "a.out");
  EXPECT_EQ(archive.exitCode, 1) << archive.output;
  EXPECT_NE(archive.output.find("The acquisition \"night run\" " + refusal), std::string::npos)
      << archive.output;
  Ran rename = RunProgram(CliProgram(), {"rename", "--app-dir", app.string(), folder.string(), "other"}, dir / "r.out");
  EXPECT_EQ(rename.exitCode, 1) << rename.output;
  EXPECT_NE(rename.output.find(refusal), std::string::npos) << rename.output;
  // A second acquire finds the instrument held by the first.
  Ran second = RunProgram(CliProgram(), {"acquire", "--app-dir", app.string(), "--name", "second", "--minutes", "1"},
                      dir / "s.out", Env(dir / "sim.link"));
  EXPECT_EQ(second.exitCode, 1) << second.output;
  EXPECT_NE(second.output.find("offline: COM4 is in use by another program"), std::string::npos)
      << second.output;
  EXPECT_NE(second.output.find("the instrument's port COM4 is in use by another Movexa"),
            std::string::npos)
      << second.output;
  EXPECT_EQ(second.output.find("restart the program"), std::string::npos) << second.output;

  // The recording went on undisturbed; afterwards the folder may be archived.
  ASSERT_EQ(recorder.Wait(180000), 0) << ReadFileOrDie(dir / "rec.out");
  EXPECT_EQ(ReadFileOrDie(folder / "subproj.dat"), "\"night run\"\r\n");
  const auto records = Records(folder / "counts.bin");
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().minutes, 1);
  Ran later = RunProgram(CliProgram(), {"archive", "--app-dir", app.string(), folder.string()}, dir / "l.out");
  EXPECT_EQ(later.exitCode, 0) << later.output;
  EXPECT_FALSE(IsDirectory(folder));
}

TEST(FileSizeLimit, EveryCountsRecordIsKeptAndTheRunEndsInBoundedTime) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  PrepareProject(app);
  auto sim = StartSimulator(dir / "sim.link", {"--paced", "--block-bytes", "48"});
  // 300 KiB: three raw blocks of 100 samples (77,770 bytes each) per raw file.
  const std::string command = "ulimit -f 300; exec '" + CliProgram() + "' acquire --app-dir '" +
                              app.string() + "' --name limited --minutes 1 --quick-report";
  const auto start = std::chrono::steady_clock::now();
  Ran run = RunProgram("/bin/bash", {"-c", command}, dir / "cli.out", Env(dir / "sim.link"), 180000);
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_LT(seconds.count(), 120) << run.output;
  EXPECT_EQ(run.output.find("still wait for the disk"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("0.bin has reached the file-size limit of this program (ulimit -f), "
                            "not a full disk"),
            std::string::npos)
      << run.output;
  const fs::path folder = OnlyAcquisitionFolder(app / "p00001");
  const auto records = Records(folder / "counts.bin");
  ASSERT_GE(records.size(), 4u) << run.output;
  EXPECT_EQ(records.back().minutes, 1);
  EXPECT_EQ(FileLength(folder / "0.bin"), 3 * RawBlockBytes(kBinSamples));
  const int64_t overLimit = static_cast<int64_t>(records.size()) - 3 -
                            (records.size() > 11 ? std::min<int64_t>(3, static_cast<int64_t>(records.size()) - 11) : 0);
  EXPECT_NE(run.output.find(std::to_string(overLimit) + " raw block(s) and 0 counts record(s)"),
            std::string::npos)
      << run.output;
}

// Instruments that made the reader store another reply's bytes as signals, each recorded for a
// minute at once: every block of the raw files must be the first signals of its own reply.
TEST(MisalignedBlocks, StallingIdleBytesAndVaryingRepliesGiveNone) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const std::vector<Case> cases = {
      {"stall", {"--block-bytes", "192", "--reply-pause-ms", "40", "--reply-pause-after", "96",
                 "--reply-pause-rate", "0.01"}},
      {"idle", {"--block-bytes", "48", "--trailing-bytes", "144", "--trailing-pause-ms", "15"}},
      {"varying", {"--block-bytes", "48,96,192"}},
  };
  TempDir dir;
  std::vector<std::unique_ptr<ChildProcess>> sims, clis;
  for (const Case& c : cases) {
    const fs::path app = dir / c.name;
    LayOutAppFolder(app);
    PrepareProject(app);
    std::vector<std::string> args{"--paced", "--tag-signals"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    sims.push_back(StartSimulator(dir / (std::string(c.name) + ".link"), args));
    clis.push_back(std::make_unique<ChildProcess>(
        CliProgram(),
        std::vector<std::string>{"acquire", "--app-dir", app.string(), "--name", c.name,
                                 "--minutes", "1", "--quick-report"},
        Env(dir / (std::string(c.name) + ".link")), (dir / (std::string(c.name) + ".out")).string()));
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string out = (dir / (std::string(cases[i].name) + ".out")).string();
    EXPECT_TRUE(clis[i]->Wait(240000).has_value()) << ReadFileOrDie(out);
    const fs::path folder = OnlyAcquisitionFolder(dir / cases[i].name / "p00001");
    const AlignmentCheck check = CheckTaggedRawFiles(folder, kBinSamples);
    // A busy machine samples fewer times a minute (the sampling benchmark measures the rate);
    // what matters here is that the blocks of at least a closed bin were checked.
    EXPECT_GE(check.blocks, 8 * 100 / 2) << cases[i].name << "\n" << ReadFileOrDie(out);
    EXPECT_EQ(check.misaligned, 0) << cases[i].name << " of " << check.blocks;
  }
}

TEST(MuteInstrument, TheRunEndsAtItsProgrammedEndAndSaysWhy) {
  TempDir dir;
  const fs::path app = dir / "app";
  LayOutAppFolder(app);
  PrepareProject(app, 300, 500);
  auto sim = StartSimulator(dir / "sim.link", {"--paced", "--block-bytes", "48", "--silent-after",
                                               "35000", "--silent-for", "100000000"});
  const auto start = std::chrono::steady_clock::now();
  Ran run = RunProgram(CliProgram(), {"acquire", "--app-dir", app.string(), "--name", "mute", "--minutes", "1",
                    "--quick-report"},
                   dir / "cli.out", Env(dir / "sim.link"), 300000);
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  // Start-up and connect, one minute, and a few silent samples of 2.5 s.
  EXPECT_LT(seconds.count(), 60 + 30) << run.output;
  EXPECT_NE(run.output.find("The run reached its programmed end (1 min) while the instrument does "
                            "not answer"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("finished after"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace movexa::test
