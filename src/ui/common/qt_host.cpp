// Host services over Qt.
#include "ui/common/qt_host.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QStorageInfo>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "base/rounding.h"

namespace movexa::ui {

namespace {

QString Shown(std::string_view text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QString TitleOf(std::string_view title) {
  return title.empty() ? QStringLiteral("Movexa") : Shown(title);
}

QWidget* DialogParent() {
  return QApplication::activeWindow();
}

QUrl LocalUrl(const std::filesystem::path& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

}  // namespace

void StatusRouter::SetStatus(std::string_view where, std::string_view text) {
  last_[std::string(where)] = std::string(text);
  auto it = labels_.find(where);
  if (it != labels_.end()) {
    it->second(text);
  } else if (fallback) {
    fallback->SetStatus(where, text);
  }
}

std::string StatusRouter::Last(std::string_view where) const {
  auto it = last_.find(where);
  return it == last_.end() ? std::string() : it->second;
}

QMessageBox::Icon MessageIcon(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return QMessageBox::Warning;
    case MessageKind::kCritical:
      return QMessageBox::Critical;
    case MessageKind::kInformation:
      break;
  }
  return QMessageBox::Information;
}

void QtDialogs::Message(std::string_view text, std::string_view title) {
  Notify(MessageKind::kInformation, text, title);
}

void QtDialogs::Notify(MessageKind kind, std::string_view text, std::string_view title) {
  if (unattended_) {
    const char* tag = kind == MessageKind::kCritical  ? "critical"
                      : kind == MessageKind::kWarning ? "warning"
                                                      : "message";
    std::fprintf(stderr, "[%s] %.*s\n", tag, static_cast<int>(text.size()), text.data());
    return;
  }
  QMessageBox box(MessageIcon(kind), TitleOf(title), Shown(text), QMessageBox::Ok, DialogParent());
  box.exec();
}

Dialogs::Answer QtDialogs::Ask(std::string_view text, Buttons buttons, std::string_view title) {
  if (unattended_) {
    std::fprintf(stderr, "[question] %.*s\n", static_cast<int>(text.size()), text.data());
    switch (buttons) {
      case Buttons::kOk:
      case Buttons::kOkCancel:
        return Answer::kOk;
      case Buttons::kYesNo:
        return Answer::kNo;
      case Buttons::kYesNoCancel:
        return Answer::kCancel;
    }
    return Answer::kCancel;
  }
  QMessageBox::StandardButtons offered = QMessageBox::Ok;
  QMessageBox::StandardButton fallback = QMessageBox::Ok;
  switch (buttons) {
    case Buttons::kOk:
      break;
    case Buttons::kOkCancel:
      offered = QMessageBox::Ok | QMessageBox::Cancel;
      fallback = QMessageBox::Cancel;
      break;
    case Buttons::kYesNo:
      offered = QMessageBox::Yes | QMessageBox::No;
      fallback = QMessageBox::No;
      break;
    case Buttons::kYesNoCancel:
      offered = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      fallback = QMessageBox::Cancel;
      break;
  }
  QMessageBox box(QMessageBox::Question, TitleOf(title), Shown(text), offered, DialogParent());
  box.setEscapeButton(fallback);
  const int chosen = box.exec();
  switch (chosen) {
    case QMessageBox::Ok:
      return Answer::kOk;
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::No:
      return Answer::kNo;
    default:
      return buttons == Buttons::kOk ? Answer::kOk : Answer::kCancel;
  }
}

std::string QtDialogs::Input(std::string_view prompt, std::string_view title,
                             std::string_view proposal) {
  if (unattended_) {
    std::fprintf(stderr, "[input] %.*s -> \"%s\"\n", static_cast<int>(title.size()), title.data(),
                 unattended_->inputReply.c_str());
    return unattended_->inputReply;
  }
  bool ok = false;
  QString answer = QInputDialog::getText(DialogParent(), TitleOf(title), Shown(prompt),
                                         QLineEdit::Normal, Shown(proposal), &ok);
  if (!ok) return {};  // Cancel reads as an empty answer
  return answer.toStdString();
}

void QtPacer::PauseMs(int ms) {
  if (ms <= 0) {
    PumpEvents();
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void QtPacer::PumpEvents() {
  QCoreApplication::processEvents();
}

void QtShell::OpenDocument(const std::filesystem::path& path) {
  if (quiet) {
    std::fprintf(stderr, "[open] %s\n", path.string().c_str());
    return;
  }
  // A missing document or a desktop without a handler fails silently.
  QDesktopServices::openUrl(LocalUrl(path));
}

void QtShell::ShowInFileManager(const std::filesystem::path& path) {
  std::error_code ec;
  const bool folder = std::filesystem::is_directory(path, ec);
  OpenDocument(folder ? path : path.parent_path());
}

void QtShell::OpenTextFile(const std::filesystem::path& path) {
  OpenDocument(path);
}

void QtShell::OpenPicture(const std::filesystem::path& path) {
  OpenDocument(path);
}

void QtShell::OpenUrl(std::string_view url) {
  if (quiet) return;
  QDesktopServices::openUrl(
      QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
}

int64_t QtSystemInfo::FreeDiskMB(const std::filesystem::path& path) {
  QStorageInfo info(QString::fromStdString(path.string()));
  if (!info.isValid() || !info.isReady()) return -1;
  const qint64 bytes = info.bytesAvailable();
  if (bytes < 0) return -1;
  return RoundHalfEven(static_cast<double>(bytes) / 1024.0 / 1024.0);
}

}  // namespace movexa::ui
