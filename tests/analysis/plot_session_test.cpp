// The analysis window's job thread without the window: a job reads the run once and later jobs
// on the same folders and light schedule reuse it, another schedule reads it again; with no
// series named the first groups are drawn; a stop ends the job as stopped; a folder that cannot
// be read ends with its reason.
#include "analysis/plot_session.h"

#include <gtest/gtest.h>

#include "analysis_fixture.h"

namespace movexa {
namespace {

namespace fs = std::filesystem;
using test::PlateRun;
using test::TempDir;

// Two days of the "Day" and "Night" groups.
struct TwoDays {
  explicit TwoDays(const fs::path& root) : run(root), folder(test::WriteDayNightRun(run, 2, 1)) {}
  PlotJob Job(PlotKind kind) const {
    PlotJob job;
    job.acquisitions = {folder};
    job.appFolder = run.app;
    job.request.kind = kind;
    return job;
  }
  PlateRun run;
  fs::path folder;
};

PlotOutcome Finish(PlotSession& session) {
  session.Wait();
  EXPECT_FALSE(session.Running());
  std::optional<PlotOutcome> outcome = session.TakeOutcome();
  EXPECT_TRUE(outcome.has_value());
  EXPECT_FALSE(session.TakeOutcome().has_value());  // taken once
  return outcome ? std::move(*outcome) : PlotOutcome{};
}

TEST(PlotSession, TheRunIsReadOnceForASettingAndTheFirstGroupsAreDrawnWhenNoneAreNamed) {
  TempDir dir;
  TwoDays r(dir.path());
  PlotSession session;
  session.Start(r.Job(PlotKind::kActivity));
  const PlotOutcome first = Finish(session);
  ASSERT_TRUE(first.error.empty()) << first.error;
  ASSERT_TRUE(first.data.ok) << first.data.error;
  EXPECT_FALSE(first.stopped);
  EXPECT_EQ(first.data.request.names, (std::vector<std::string>{"001_Day", "002_Night"}));
  ASSERT_EQ(first.data.series.size(), 2u);
  EXPECT_EQ(session.Progress().step, "done");

  session.Start(r.Job(PlotKind::kActogram));
  const PlotOutcome second = Finish(session);
  ASSERT_TRUE(second.data.ok) << second.data.error;
  EXPECT_EQ(second.table, first.table);  // not read again
  EXPECT_EQ(second.data.panels.size(), 2u);

  // Another light schedule changes the dark phases: the run is read again with it.
  PlotJob dark = r.Job(PlotKind::kActivity);
  LightRegime constant;
  constant.kind = LightKind::kConstantDark;
  dark.light = constant;
  session.Start(dark);
  const PlotOutcome third = Finish(session);
  ASSERT_TRUE(third.data.ok) << third.data.error;
  EXPECT_NE(third.table, first.table);
  EXPECT_EQ(third.table->light.kind, LightKind::kConstantDark);
  EXPECT_EQ(session.table(), third.table);
}

TEST(PlotSession, AStopEndsTheJobAsStoppedAndAnUnreadableFolderWithItsReason) {
  TempDir dir;
  TwoDays r(dir.path());
  PlotSession session;
  session.Start(r.Job(PlotKind::kPeriodogram));
  session.Stop();
  const PlotOutcome stopped = Finish(session);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_FALSE(stopped.data.ok);
  EXPECT_EQ(session.Progress().step, "stopped");

  // Stop with nothing running changes nothing; the next job runs to its end.
  session.Stop();
  session.Start(r.Job(PlotKind::kSleep));
  const PlotOutcome drawn = Finish(session);
  EXPECT_FALSE(drawn.stopped);
  EXPECT_TRUE(drawn.data.ok) << drawn.data.error;

  PlotJob missing = r.Job(PlotKind::kActivity);
  missing.acquisitions = {r.run.project / "20261208_0900"};
  session.Start(missing);
  const PlotOutcome failed = Finish(session);
  EXPECT_FALSE(failed.stopped);
  EXPECT_FALSE(failed.error.empty());
  EXPECT_FALSE(failed.data.ok);
}

}  // namespace
}  // namespace movexa
