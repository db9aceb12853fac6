// The program's port opener switched to the simulated instrument, and where the main window's
// report button leads.
#include <gtest/gtest.h>

#include <cerrno>

#include "app/app_texts.h"
#include "app/demo_instrument.h"
#include "app/instrument.h"
#include "app/main_window_ops.h"
#include "app/startup.h"
#include "base/host_fakes.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

TEST(InstrumentOpener, TheSimulatedInstrumentAnswersOnTheConfiguredPortOnly) {
  TempDir dir;
  FakeHost fake;
  AppState state;
  state.appDir = dir / "app";
  LayOutAppFolder(state.appDir);
  StartupObserver none;
  ASSERT_TRUE(StartUp(state, "", fake.host, none));
  auto opener = std::make_unique<InstrumentOpener>(state.appDir);
  InstrumentOpener* raw = opener.get();
  InstallPorts(state, fake.pacer, std::move(opener));
  const int port = state.config.Serial_COM;
  raw->UseSimulatedInstrument(fake.clock, port);
  ASSERT_TRUE(raw->simulated());

  int code = 0;
  std::string device;
  const int other = port == 1 ? 2 : 1;
  EXPECT_EQ(raw->Open(other, "COM" + std::to_string(other), code, device), nullptr);
  EXPECT_EQ(code, ENOENT);

  EXPECT_EQ(ConnectAppInstrument(state, fake.host), ConnectOutcome::kConnected);
  EXPECT_TRUE(state.connected);
  EXPECT_EQ(state.connection.port, port);
  EXPECT_EQ(state.connection.serialNumber, raw->instrument()->serialNumber());
}

TEST(ShowMyReportTarget, NothingBeforeARunTheFolderWithCountsElseTheMessage) {
  TempDir dir;
  AppState state;
  ReportButtonTarget none = ShowMyReportTarget(state);
  EXPECT_EQ(none.kind, ReportButtonTarget::Kind::kNone);
  EXPECT_EQ(none.message, app_texts::kNoRunYet);
  state.run.lastRecordedFolder = dir / "20240319_1405";
  fs::create_directories(state.run.lastRecordedFolder);
  ReportButtonTarget missing = ShowMyReportTarget(state);
  EXPECT_EQ(missing.kind, ReportButtonTarget::Kind::kMissing);
  EXPECT_EQ(missing.message, "Activity file not Found");
  WriteFileOrDie(state.run.lastRecordedFolder / "counts.bin", std::string(774, '\0'));
  ReportButtonTarget open = ShowMyReportTarget(state);
  EXPECT_EQ(open.kind, ReportButtonTarget::Kind::kOpen);
  EXPECT_EQ(open.folder, state.run.lastRecordedFolder);
}

}  // namespace
}  // namespace movexa::test
