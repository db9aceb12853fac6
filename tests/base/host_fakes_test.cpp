#include <gtest/gtest.h>

#include "base/host_fakes.h"

namespace movexa {
namespace {

TEST(ScriptedDialogs, RunsTheScriptInOrderAndReportsDeviations) {
  ScriptedDialogs d;
  d.ExpectMessage("first").ExpectQuestion("go?", Dialogs::Answer::kYes).ExpectInput("", "42");
  d.Message("first", "");
  EXPECT_EQ(d.Ask("go?", Dialogs::Buttons::kYesNo, ""), Dialogs::Answer::kYes);
  EXPECT_EQ(d.Input("any prompt", "t", "1"), "42");
  EXPECT_TRUE(d.Problems().empty());

  ScriptedDialogs wrong;
  wrong.ExpectMessage("expected").ExpectMessage("never shown");
  wrong.Message("other", "");
  auto problems = wrong.Problems();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("other"), std::string::npos);
  EXPECT_NE(problems[1].find("never shown"), std::string::npos);
}

TEST(ScriptedDialogs, AnAnswerTheDialogDoesNotOfferFallsBackToCancelling) {
  ScriptedDialogs d;
  d.ExpectQuestion("", Dialogs::Answer::kOk);
  EXPECT_EQ(d.Ask("q", Dialogs::Buttons::kYesNo, ""), Dialogs::Answer::kNo);
  EXPECT_EQ(d.Problems().size(), 1u);
}

TEST(ScriptedDialogs, ProblemsAreScriptedAsMessagesAndKeepTheirSeverity) {
  ScriptedDialogs d;
  d.ExpectMessage("note").ExpectMessage("refused").ExpectMessage("not written");
  Dialogs& core = d;  // the defaults of the interface, as the core calls it
  core.Message("note");
  core.Problem("refused");
  core.Problem("not written", Dialogs::Severity::kCritical, "Setup");
  EXPECT_TRUE(d.Problems().empty());
  ASSERT_EQ(d.shown().size(), 3u);
  EXPECT_FALSE(d.shown()[0].severity);
  EXPECT_EQ(d.shown()[1].severity, Dialogs::Severity::kWarning);
  EXPECT_EQ(d.shown()[2].severity, Dialogs::Severity::kCritical);
  EXPECT_EQ(d.shown()[2].title, "Setup");
  EXPECT_EQ(d.Messages(), (std::vector<std::string>{"note", "refused", "not written"}));
}

TEST(ManualPacer, PausesMoveTheClockAndPumpsRunTheHook) {
  FakeHost h;
  int pumped = 0;
  h.pacer.OnPump([&] { ++pumped; });
  auto before = h.clock.Now();
  h.pacer.PauseMs(61'000);
  h.pacer.PumpEvents();
  EXPECT_EQ(h.clock.MonotonicMs(), 61'000);
  EXPECT_EQ(ToEpochMs(h.clock.Now()) - ToEpochMs(before), 61'000);
  EXPECT_EQ(pumped, 1);
}

}  // namespace
}  // namespace movexa
