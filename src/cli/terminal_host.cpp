// Terminal implementations of the Host services.
#include "cli/terminal_host.h"

#include <cctype>
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
  if (!std::getline(std::cin, line)) return false;
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

void TerminalShell::OpenDocument(const std::filesystem::path& path) {
  std::cout << "open: " << path.string() << "\n";
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
