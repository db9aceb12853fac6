// Host services: everything the core asks of the platform or the operator. The windows
// implement them with Qt, movexa-cli with the terminal, the tests with the fakes of
// host_fakes.h. A long procedure stays a plain function that calls pacer.PumpEvents() where the
// system lets pending window events run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/date_time.h"

namespace movexa {

// Modal messages and questions.
class Dialogs {
 public:
  enum class Buttons { kOk, kOkCancel, kYesNo, kYesNoCancel };
  enum class Answer { kOk, kCancel, kYes, kNo };

  virtual ~Dialogs() = default;
  // A message with an OK button, shown as information (failures go through Problem).
  virtual void Message(std::string_view text, std::string_view title = {}) = 0;
  // A question; the answer is one of the buttons offered.
  virtual Answer Ask(std::string_view text, Buttons buttons, std::string_view title = {}) = 0;
  // An input box with prompt, title and proposed answer. An empty result means the operator
  // cancelled (or cleared the box): callers treat it as cancel unless they say otherwise.
  virtual std::string Input(std::string_view prompt, std::string_view title,
                            std::string_view proposal) = 0;
  // The same for a secret (a password): the windows do not show what is typed. By default an
  // ordinary input box.
  virtual std::string InputSecret(std::string_view prompt, std::string_view title) {
    return Input(prompt, title, {});
  }

  // A failure told to the operator: a message with an OK button and the icon of its severity.
  // Warning: something was refused, could not be found or fell back to defaults, nothing was
  // lost and the operator can go on. Critical: data could not be written or the program cannot
  // go on. Hosts without icons show it as a message.
  enum class Severity { kWarning, kCritical };
  virtual void Problem(std::string_view text, Severity severity = Severity::kWarning,
                       std::string_view title = {}) {
    (void)severity;
    Message(text, title);
  }
  // The file a picture or text is saved to ("Save As"), proposing `proposal`; `filter` names
  // the file types ("Text files (*.txt)"). Empty when the operator cancelled. Hosts that
  // cannot ask take the proposal.
  virtual std::filesystem::path SaveFileName(std::string_view title,
                                             const std::filesystem::path& proposal,
                                             std::string_view filter) {
    (void)title;
    (void)filter;
    return proposal;
  }
};

// Wall-clock moments and a monotonic millisecond counter.
class Clock {
 public:
  virtual ~Clock() = default;
  // Present local date and time.
  virtual CivilTime Now() = 0;
  // Milliseconds on a clock that never jumps (elapsed run time is measured on it).
  virtual int64_t MonotonicMs() = 0;
  // The same clock in microseconds, for line timing finer than a millisecond; a clock that
  // only knows milliseconds answers MonotonicMs() x 1000.
  virtual int64_t MonotonicUs() { return MonotonicMs() * 1000; }
};

// Pauses and event processing of long procedures.
class Pacer {
 public:
  virtual ~Pacer() = default;
  // Blocks for `ms` milliseconds (a test pacer advances its manual clock instead).
  virtual void PauseMs(int ms) = 0;
  // Lets pending window events run once (the windows repaint, buttons such as STOP register).
  virtual void PumpEvents() = 0;
};

// Documents and folders shown to the operator.
class Shell {
 public:
  virtual ~Shell() = default;
  // The "open" verb. False when the document is missing or nothing on this computer can open
  // it (the caller then says where the document is).
  virtual bool OpenDocument(const std::filesystem::path& path) = 0;
  virtual void ShowInFileManager(const std::filesystem::path& path) = 0;
  virtual void OpenTextFile(const std::filesystem::path& path) = 0;      // in a text editor
  virtual void OpenPicture(const std::filesystem::path& path) = 0;
  virtual void OpenUrl(std::string_view url) = 0;
};

// Facts about the machine.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Free space in whole megabytes on the file system holding `path`; -1 when the query fails.
  virtual int64_t FreeDiskMB(const std::filesystem::path& path) = 0;
  // The list separator of the default locale (the default report field separator).
  virtual std::string ListSeparator() = 0;
};

// Status labels and progress lines of the windows. `where` names the label with the control
// names of the windows ("Frm_Init.status", "Frm_Main.lblstatus", ...).
class StatusSink {
 public:
  virtual ~StatusSink() = default;
  virtual void SetStatus(std::string_view where, std::string_view text) = 0;
};

// The bundle passed to every operation that needs the platform or the operator.
struct Host {
  Dialogs& dialogs;
  Clock& clock;
  Pacer& pacer;
  Shell& shell;
  SystemInfo& system;
  StatusSink& status;
};

}  // namespace movexa
