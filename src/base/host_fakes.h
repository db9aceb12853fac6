// Test and batch implementations of the Host services: ScriptedDialogs (expected texts in
// order with canned answers, every text recorded), ManualClock, ManualPacer (pauses advance the
// manual clock), and recorders for the shell and status lines. They also serve movexa-cli's
// non-interactive runs.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/host.h"

namespace movexa {

class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { kMessage, kQuestion, kInput };
  // One text the system showed, with the answer it got.
  struct Shown {
    Kind kind;
    std::string text;
    std::string title;
    std::string answer;  // "OK", "Cancel", "Yes", "No", or the input typed
    bool secret = false;  // an input typed into a masked box
    // A message shown as a failure (Problem): its severity, which picks the icon.
    std::optional<Severity> severity = std::nullopt;
  };

  // Expectations, consumed in order. An empty expected text accepts any text.
  ScriptedDialogs& ExpectMessage(std::string text);
  ScriptedDialogs& ExpectQuestion(std::string text, Answer answer);
  ScriptedDialogs& ExpectInput(std::string prompt, std::string reply);
  // A Save As box is an input whose text is its title: the reply is the file chosen, empty for
  // Cancel. Unscripted (lenient) it takes the proposal. It is recorded with the proposal in
  // the `title` field of its Shown entry.
  ScriptedDialogs& ExpectSaveFile(std::string title, std::string reply);
  // Answers used when no expectation is queued (lenient mode): questions get `question`,
  // inputs get `input`. Unexpected dialogs are then recorded but not counted as problems.
  ScriptedDialogs& Lenient(Answer question = Answer::kCancel, std::string input = {});

  void Message(std::string_view text, std::string_view title) override;
  Answer Ask(std::string_view text, Buttons buttons, std::string_view title) override;
  std::string Input(std::string_view prompt, std::string_view title,
                    std::string_view proposal) override;
  // As Input (ExpectInput answers it), recorded as secret.
  std::string InputSecret(std::string_view prompt, std::string_view title) override;
  // Expected and recorded as a message, its severity kept in Shown.
  void Problem(std::string_view text, Severity severity, std::string_view title) override;
  std::filesystem::path SaveFileName(std::string_view title, const std::filesystem::path& proposal,
                                     std::string_view filter) override;

  const std::vector<Shown>& shown() const { return shown_; }
  // Texts of the messages only, in order.
  std::vector<std::string> Messages() const;
  // Mismatches and expectations left unmet; empty when the script ran as written.
  std::vector<std::string> Problems() const;

 private:
  struct Step {
    Kind kind;
    std::string text;
    Answer answer;
    std::string reply;
  };
  const Step* Take(Kind kind, std::string_view text);

  std::deque<Step> steps_;
  std::vector<Shown> shown_;
  std::vector<std::string> problems_;
  bool lenient_ = false;
  Answer lenientAnswer_ = Answer::kCancel;
  std::string lenientInput_;
  Step current_{};
};

// A clock that moves only when told to.
class ManualClock : public Clock {
 public:
  explicit ManualClock(CivilTime start = CivilTime{2024, 3, 19, 14, 5, 0, 0});
  CivilTime Now() override;
  int64_t MonotonicMs() override { return monotonicMs_; }
  void AdvanceMs(int64_t ms);
  void Set(const CivilTime& t);

 private:
  int64_t wallMs_;
  int64_t monotonicMs_ = 0;
};

// Pauses advance the manual clock; PumpEvents runs an optional hook (a test may press STOP).
class ManualPacer : public Pacer {
 public:
  explicit ManualPacer(ManualClock& clock) : clock_(clock) {}
  void PauseMs(int ms) override;
  void PumpEvents() override;
  void OnPump(std::function<void()> hook) { hook_ = std::move(hook); }
  int64_t pausedMs() const { return pausedMs_; }
  int64_t pumps() const { return pumps_; }

 private:
  ManualClock& clock_;
  std::function<void()> hook_;
  int64_t pausedMs_ = 0;
  int64_t pumps_ = 0;
};

class RecordingShell : public Shell {
 public:
  struct Call {
    std::string verb;
    std::string target;
  };
  // Records the request; answers `opens` (a computer without a viewer answers false).
  bool OpenDocument(const std::filesystem::path& path) override;
  void ShowInFileManager(const std::filesystem::path& path) override;
  void OpenTextFile(const std::filesystem::path& path) override;
  void OpenPicture(const std::filesystem::path& path) override;
  void OpenUrl(std::string_view url) override;
  const std::vector<Call>& calls() const { return calls_; }
  bool opens = true;

 private:
  std::vector<Call> calls_;
};

class FixedSystemInfo : public SystemInfo {
 public:
  int64_t FreeDiskMB(const std::filesystem::path&) override { return freeMB; }
  std::string ListSeparator() override { return listSeparator; }
  int64_t freeMB = 100000;
  std::string listSeparator = ",";
};

class RecordingStatus : public StatusSink {
 public:
  struct Line {
    std::string where;
    std::string text;
  };
  void SetStatus(std::string_view where, std::string_view text) override;
  const std::vector<Line>& lines() const { return lines_; }
  // Last text shown in `where`, or empty.
  std::string Last(std::string_view where) const;

 private:
  std::vector<Line> lines_;
};

// A whole fake host in one value, for tests and scripted runs.
struct FakeHost {
  ScriptedDialogs dialogs;
  ManualClock clock;
  ManualPacer pacer{clock};
  RecordingShell shell;
  FixedSystemInfo system;
  RecordingStatus status;
  Host host{dialogs, clock, pacer, shell, system, status};
};

}  // namespace movexa
