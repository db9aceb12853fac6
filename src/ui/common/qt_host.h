// QtHost: the Host services of the windows. Messages, questions and input boxes are Qt dialogs
// showing the system's texts exactly; pauses keep the windows responsive by processing events;
// the shell opens documents and folders through the desktop; free disk space comes from the file
// system; status texts are routed to the labels that registered for them.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "base/host.h"
#include "base/system_host.h"

namespace movexa::ui {

// Status lines by label name ("Frm_Init.status", "Frm_Main.lblstatus", ...). A window routes
// the names it shows; texts for names nobody routes go to `fallback` (when set).
class StatusRouter : public StatusSink {
 public:
  using Label = std::function<void(std::string_view)>;
  void Route(std::string_view where, Label label) {
    labels_[std::string(where)] = std::move(label);
  }
  void SetStatus(std::string_view where, std::string_view text) override;
  // The last text sent to `where` (routed or not).
  std::string Last(std::string_view where) const;
  StatusSink* fallback = nullptr;

 private:
  std::map<std::string, Label, std::less<>> labels_;
  std::map<std::string, std::string, std::less<>> last_;
};

// Modal dialogs over QMessageBox and QInputDialog, parented to the active window. Texts are
// shown as the system wrote them (CR LF line ends shown as line breaks).
class QtDialogs : public Dialogs {
 public:
  void Message(std::string_view text, std::string_view title) override;
  Answer Ask(std::string_view text, Buttons buttons, std::string_view title) override;
  std::string Input(std::string_view prompt, std::string_view title,
                    std::string_view proposal) override;
  // Typed into a masked box.
  std::string InputSecret(std::string_view prompt, std::string_view title) override;
  // Failures with the warning or critical icon.
  void Problem(std::string_view text, Severity severity, std::string_view title) override;
  std::filesystem::path SaveFileName(std::string_view title, const std::filesystem::path& proposal,
                                     std::string_view filter) override;

  // Unattended sessions (screenshots, demos): no dialog is shown. Messages are printed on
  // stderr with their severity; input boxes get `inputReply`; questions get No (Yes/No), OK
  // (OK/Cancel) or Cancel; Save As boxes take the proposed file.
  struct Unattended {
    std::string inputReply;
  };
  void SetUnattended(std::optional<Unattended> u) { unattended_ = std::move(u); }
  bool unattended() const { return unattended_.has_value(); }

 private:
  std::optional<Unattended> unattended_;
};

// Pauses that keep the windows alive: PauseMs runs the event loop until the time has passed.
class QtPacer : public Pacer {
 public:
  void PauseMs(int ms) override;
  void PumpEvents() override;
};

class QtShell : public Shell {
 public:
  // False for a missing document, and for a PDF document when the desktop knows no program for
  // PDF documents (xdg-mime answers none) or refuses the request.
  bool OpenDocument(const std::filesystem::path& path) override;
  void ShowInFileManager(const std::filesystem::path& path) override;
  void OpenTextFile(const std::filesystem::path& path) override;
  void OpenPicture(const std::filesystem::path& path) override;
  void OpenUrl(std::string_view url) override;
  // Unattended sessions open nothing (the request is printed on stderr).
  bool quiet = false;
};

class QtSystemInfo : public SystemInfo {
 public:
  int64_t FreeDiskMB(const std::filesystem::path& path) override;
  std::string ListSeparator() override { return posix_.ListSeparator(); }

 private:
  PosixSystemInfo posix_;
};

// The whole bundle, owned by the program.
struct QtHost {
  QtDialogs dialogs;
  SystemClock clock;
  QtPacer pacer;
  QtShell shell;
  QtSystemInfo system;
  StatusRouter status;
  Host host{dialogs, clock, pacer, shell, system, status};
};

}  // namespace movexa::ui
