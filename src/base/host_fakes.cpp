// Scripted dialogs, manual clock and recorders used by the tests and by batch runs.
#include "base/host_fakes.h"

namespace movexa {

namespace {

const char* AnswerText(Dialogs::Answer a) {
  switch (a) {
    case Dialogs::Answer::kOk:
      return "OK";
    case Dialogs::Answer::kCancel:
      return "Cancel";
    case Dialogs::Answer::kYes:
      return "Yes";
    case Dialogs::Answer::kNo:
      return "No";
  }
  return "?";
}

const char* KindText(ScriptedDialogs::Kind k) {
  switch (k) {
    case ScriptedDialogs::Kind::kMessage:
      return "message";
    case ScriptedDialogs::Kind::kQuestion:
      return "question";
    case ScriptedDialogs::Kind::kInput:
      return "input";
  }
  return "?";
}

}  // namespace

ScriptedDialogs& ScriptedDialogs::ExpectMessage(std::string text) {
  steps_.push_back({Kind::kMessage, std::move(text), Answer::kOk, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectQuestion(std::string text, Answer answer) {
  steps_.push_back({Kind::kQuestion, std::move(text), answer, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectInput(std::string prompt, std::string reply) {
  steps_.push_back({Kind::kInput, std::move(prompt), Answer::kOk, std::move(reply)});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::Lenient(Answer question, std::string input) {
  lenient_ = true;
  lenientAnswer_ = question;
  lenientInput_ = std::move(input);
  return *this;
}

const ScriptedDialogs::Step* ScriptedDialogs::Take(Kind kind, std::string_view text) {
  if (steps_.empty()) {
    if (!lenient_) {
      problems_.push_back(std::string("unexpected ") + KindText(kind) + ": " + std::string(text));
    }
    current_ = Step{kind, {}, lenientAnswer_, lenientInput_};
    return &current_;
  }
  current_ = steps_.front();
  steps_.pop_front();
  if (current_.kind != kind || (!current_.text.empty() && current_.text != text)) {
    problems_.push_back(std::string("expected ") + KindText(current_.kind) + " \"" +
                        current_.text + "\" but got " + KindText(kind) + " \"" +
                        std::string(text) + "\"");
  }
  return &current_;
}

void ScriptedDialogs::Message(std::string_view text, std::string_view title) {
  Take(Kind::kMessage, text);
  shown_.push_back({Kind::kMessage, std::string(text), std::string(title), "OK", false});
}

Dialogs::Answer ScriptedDialogs::Ask(std::string_view text, Buttons buttons,
                                     std::string_view title) {
  const Step* s = Take(Kind::kQuestion, text);
  Answer a = s->answer;
  // An answer the dialog does not offer is a script fault; fall back to the cancelling one.
  bool offered = true;
  switch (buttons) {
    case Buttons::kOk:
      offered = a == Answer::kOk;
      break;
    case Buttons::kOkCancel:
      offered = a == Answer::kOk || a == Answer::kCancel;
      break;
    case Buttons::kYesNo:
      offered = a == Answer::kYes || a == Answer::kNo;
      break;
    case Buttons::kYesNoCancel:
      offered = a != Answer::kOk;
      break;
  }
  if (!offered) {
    Answer fallback = buttons == Buttons::kYesNo ? Answer::kNo
                      : buttons == Buttons::kOk  ? Answer::kOk
                                                 : Answer::kCancel;
    if (!(lenient_ && steps_.empty())) {
      problems_.push_back(std::string("answer ") + AnswerText(a) + " not offered for \"" +
                          std::string(text) + "\"");
    }
    a = fallback;
  }
  shown_.push_back({Kind::kQuestion, std::string(text), std::string(title), AnswerText(a), false});
  return a;
}

std::string ScriptedDialogs::Input(std::string_view prompt, std::string_view title,
                                   std::string_view /*proposal*/) {
  const Step* s = Take(Kind::kInput, prompt);
  std::string reply = s->reply;
  shown_.push_back({Kind::kInput, std::string(prompt), std::string(title), reply, false});
  return reply;
}

ScriptedDialogs& ScriptedDialogs::ExpectSaveFile(std::string title, std::string reply) {
  return ExpectInput(std::move(title), std::move(reply));
}

void ScriptedDialogs::Problem(std::string_view text, Severity severity, std::string_view title) {
  Message(text, title);
  shown_.back().severity = severity;
}

std::filesystem::path ScriptedDialogs::SaveFileName(std::string_view title,
                                                    const std::filesystem::path& proposal,
                                                    std::string_view /*filter*/) {
  const bool scripted = !steps_.empty();
  const Step* s = Take(Kind::kInput, title);
  std::string reply = scripted ? s->reply : proposal.string();
  shown_.push_back({Kind::kInput, std::string(title), proposal.string(), reply, false});
  return reply;
}

std::string ScriptedDialogs::InputSecret(std::string_view prompt, std::string_view title) {
  std::string reply = Input(prompt, title, {});
  shown_.back().secret = true;
  return reply;
}

std::vector<std::string> ScriptedDialogs::Messages() const {
  std::vector<std::string> out;
  for (const auto& s : shown_) {
    if (s.kind == Kind::kMessage) out.push_back(s.text);
  }
  return out;
}

std::vector<std::string> ScriptedDialogs::Problems() const {
  std::vector<std::string> out = problems_;
  for (const auto& s : steps_) {
    out.push_back(std::string("not shown: ") + KindText(s.kind) + " \"" + s.text + "\"");
  }
  return out;
}

ManualClock::ManualClock(CivilTime start) : wallMs_(ToEpochMs(start)) {}

CivilTime ManualClock::Now() { return FromEpochMs(wallMs_); }

void ManualClock::AdvanceMs(int64_t ms) {
  wallMs_ += ms;
  monotonicMs_ += ms;
}

void ManualClock::Set(const CivilTime& t) { wallMs_ = ToEpochMs(t); }

void ManualPacer::PauseMs(int ms) {
  if (ms > 0) {
    clock_.AdvanceMs(ms);
    pausedMs_ += ms;
  }
}

void ManualPacer::PumpEvents() {
  ++pumps_;
  if (hook_) hook_();
}

bool RecordingShell::OpenDocument(const std::filesystem::path& path) {
  calls_.push_back({"open", path.string()});
  return opens;
}
void RecordingShell::ShowInFileManager(const std::filesystem::path& path) {
  calls_.push_back({"show", path.string()});
}
void RecordingShell::OpenTextFile(const std::filesystem::path& path) {
  calls_.push_back({"text", path.string()});
}
void RecordingShell::OpenPicture(const std::filesystem::path& path) {
  calls_.push_back({"picture", path.string()});
}
void RecordingShell::OpenUrl(std::string_view url) { calls_.push_back({"url", std::string(url)}); }

void RecordingStatus::SetStatus(std::string_view where, std::string_view text) {
  lines_.push_back({std::string(where), std::string(text)});
}

std::string RecordingStatus::Last(std::string_view where) const {
  for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
    if (it->where == where) return it->text;
  }
  return {};
}

}  // namespace movexa
