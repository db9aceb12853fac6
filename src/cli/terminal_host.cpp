// Terminal implementations of the Host services.
#include "cli/terminal_host.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <iostream>

namespace movexa::cli {

namespace {
void PrintBox(std::string_view kind, std::string_view title, std::string_view text) {
  std::cout << "[" << kind;
  if (!title.empty()) std::cout << ": " << title;
  std::cout << "] " << text << "\n";
  std::cout.flush();
}
}  // namespace

bool TerminalDialogs::ReadLine(std::string& line) {
  // Read byte by byte straight from the descriptor, so that the wait below sees every byte not
  // yet taken (a buffered stream could hold a line that poll cannot see).
  line.clear();
  const bool terminal = ::isatty(STDIN_FILENO) != 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(answerWaitMs_);
  for (;;) {
    if (!terminal) {
      // A pipe or file that sends nothing must not hold a batch run for ever: without a whole
      // line in time the question counts as not answered.
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{STDIN_FILENO, POLLIN, 0};
      const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return false;
    }
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (line.empty()) return false;
      break;  // a last line without its line end
    }
    if (c == '\n') break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void TerminalDialogs::Message(std::string_view text, std::string_view title) {
  PrintBox("message", title, text);
}

Dialogs::Answer TerminalDialogs::Ask(std::string_view text, Buttons buttons,
                                     std::string_view title) {
  const char* choices = buttons == Buttons::kOk         ? "[OK]"
                        : buttons == Buttons::kOkCancel ? "[o]k / [c]ancel"
                        : buttons == Buttons::kYesNo    ? "[y]es / [n]o"
                                                        : "[y]es / [n]o / [c]ancel";
  PrintBox("question", title, text);
  if (buttons == Buttons::kOk) return Answer::kOk;
  Answer cancelling = buttons == Buttons::kOkCancel ? Answer::kCancel
                      : buttons == Buttons::kYesNo  ? Answer::kNo
                                                    : Answer::kCancel;
  if (assumeYes_ && (buttons == Buttons::kYesNo || buttons == Buttons::kYesNoCancel)) {
    std::cout << "  -> Yes (--yes)\n";
    return Answer::kYes;
  }
  for (;;) {
    std::cout << "  " << choices << "? " << std::flush;
    std::string line;
    if (!ReadLine(line)) {
      std::cout << "(no answer: cancelled)\n";
      return cancelling;
    }
    char c = line.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
    if (buttons == Buttons::kOkCancel) {
      if (c == 'o') return Answer::kOk;
      if (c == 'c') return Answer::kCancel;
    } else {
      if (c == 'y') return Answer::kYes;
      if (c == 'n') return Answer::kNo;
      if (c == 'c' && buttons == Buttons::kYesNoCancel) return Answer::kCancel;
    }
  }
}

std::string TerminalDialogs::Input(std::string_view prompt, std::string_view title,
                                   std::string_view proposal) {
  PrintBox("input", title, prompt);
  std::cout << "  [" << proposal << "]> " << std::flush;
  std::string line;
  if (!ReadLine(line)) {
    std::cout << "(no answer)\n";
    return {};
  }
  return line;
}

bool TerminalShell::OpenDocument(const std::filesystem::path& path) {
  std::cout << "open: " << path.string() << "\n";
  return true;
}
void TerminalShell::ShowInFileManager(const std::filesystem::path& path) {
  std::cout << "folder: " << path.string() << "\n";
}
void TerminalShell::OpenTextFile(const std::filesystem::path& path) {
  std::cout << "text file: " << path.string() << "\n";
}
void TerminalShell::OpenPicture(const std::filesystem::path& path) {
  std::cout << "picture: " << path.string() << "\n";
}
void TerminalShell::OpenUrl(std::string_view url) { std::cout << "web page: " << url << "\n"; }

void TerminalStatus::SetStatus(std::string_view where, std::string_view text) {
  if (quiet_ || text.empty()) return;
  std::cout << "[" << where << "] " << text << "\n" << std::flush;
}

}  // namespace movexa::cli
