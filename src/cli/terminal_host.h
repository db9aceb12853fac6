// The Host services of movexa-cli: messages and questions on the terminal, answered from
// standard input. Without an interactive answer (standard input closed or not a terminal and
// empty, or a pipe that sends no line within kNonTerminalAnswerWaitMs), a question takes its
// cancelling answer and an input box returns empty, so batch runs never hang. "--yes" answers every
// Yes/No question with Yes.
#pragma once

#include <cstdio>
#include <string>

#include "base/host.h"
#include "base/system_host.h"

namespace movexa::cli {

// How long an answer read from a standard input that is not a terminal (a pipe, a file) may
// take before the question counts as not answered.
inline constexpr int kNonTerminalAnswerWaitMs = 5000;

class TerminalDialogs : public Dialogs {
 public:
  explicit TerminalDialogs(bool assumeYes = false, int answerWaitMs = kNonTerminalAnswerWaitMs)
      : assumeYes_(assumeYes), answerWaitMs_(answerWaitMs) {}
  void Message(std::string_view text, std::string_view title) override;
  Answer Ask(std::string_view text, Buttons buttons, std::string_view title) override;
  std::string Input(std::string_view prompt, std::string_view title,
                    std::string_view proposal) override;

 private:
  bool ReadLine(std::string& line);
  bool assumeYes_;
  int answerWaitMs_;
};

// Prints what the windows would open.
class TerminalShell : public Shell {
 public:
  bool OpenDocument(const std::filesystem::path& path) override;
  void ShowInFileManager(const std::filesystem::path& path) override;
  void OpenTextFile(const std::filesystem::path& path) override;
  void OpenPicture(const std::filesystem::path& path) override;
  void OpenUrl(std::string_view url) override;
};

// Prints status texts as lines ("[Frm_Main.lblstatus] CONNECTING:"); empty texts are skipped.
class TerminalStatus : public StatusSink {
 public:
  explicit TerminalStatus(bool quiet = false) : quiet_(quiet) {}
  void SetStatus(std::string_view where, std::string_view text) override;

 private:
  bool quiet_;
};

// Pauses that return at once: the terminal shows progress lines as they come, so the pauses
// that keep the windows' status lines readable are not needed.
class NoWaitPacer : public Pacer {
 public:
  void PauseMs(int) override {}
  void PumpEvents() override {}
};

// The whole terminal host in one value.
struct TerminalHost {
  explicit TerminalHost(bool assumeYes = false, bool quietStatus = false)
      : dialogs(assumeYes), status(quietStatus) {}
  TerminalDialogs dialogs;
  SystemClock clock;
  SleepingPacer pacer;
  TerminalShell shell;
  PosixSystemInfo system;
  TerminalStatus status;
  Host host{dialogs, clock, pacer, shell, system, status};
};

}  // namespace movexa::cli
