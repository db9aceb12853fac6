// Host services over Qt.
#include "ui/common/qt_host.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
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

void QtDialogs::Message(std::string_view text, std::string_view title) {
  if (unattended_) {
    std::fprintf(stderr, "[message] %.*s\n", static_cast<int>(text.size()), text.data());
    return;
  }
  QMessageBox::information(DialogParent(), TitleOf(title), Shown(text));
}

void QtDialogs::Problem(std::string_view text, Severity severity, std::string_view title) {
  if (unattended_) {
    std::fprintf(stderr, "[%s] %.*s\n", severity == Severity::kCritical ? "critical" : "warning",
                 static_cast<int>(text.size()), text.data());
    return;
  }
  if (severity == Severity::kCritical) {
    QMessageBox::critical(DialogParent(), TitleOf(title), Shown(text));
  } else {
    QMessageBox::warning(DialogParent(), TitleOf(title), Shown(text));
  }
}

std::filesystem::path QtDialogs::SaveFileName(std::string_view title,
                                              const std::filesystem::path& proposal,
                                              std::string_view filter) {
  if (unattended_) return proposal;
  const QString chosen = QFileDialog::getSaveFileName(
      DialogParent(), TitleOf(title), QString::fromStdString(proposal.string()), Shown(filter));
  return chosen.isEmpty() ? std::filesystem::path() : std::filesystem::path(chosen.toStdString());
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

namespace {

std::string AskText(std::string_view prompt, std::string_view title, std::string_view proposal,
                    QLineEdit::EchoMode echo) {
  bool ok = false;
  QString answer = QInputDialog::getText(DialogParent(), TitleOf(title), Shown(prompt), echo,
                                         Shown(proposal), &ok);
  if (!ok) return {};  // Cancel reads as an empty answer
  return answer.toStdString();
}

}  // namespace

std::string QtDialogs::Input(std::string_view prompt, std::string_view title,
                             std::string_view proposal) {
  if (unattended_) {
    std::fprintf(stderr, "[input] %.*s -> \"%s\"\n", static_cast<int>(title.size()), title.data(),
                 unattended_->inputReply.c_str());
    return unattended_->inputReply;
  }
  return AskText(prompt, title, proposal, QLineEdit::Normal);
}

std::string QtDialogs::InputSecret(std::string_view prompt, std::string_view title) {
  if (unattended_) return Input(prompt, title, {});
  return AskText(prompt, title, {}, QLineEdit::Password);
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

namespace {

// Whether the desktop has a program for PDF documents. Asked of xdg-mime where it exists (a
// desktop without any PDF viewer answers with nothing, and xdg-open would then fail where
// nobody sees it); without xdg-mime the desktop services are left to answer.
bool PdfViewerKnown() {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) return true;
  QProcess query;
  query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                        QStringLiteral("application/pdf")});
  if (!query.waitForFinished(3000)) {
    query.kill();
    query.waitForFinished(1000);
    return true;
  }
  return !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

bool QtShell::OpenDocument(const std::filesystem::path& path) {
  if (quiet) {
    std::fprintf(stderr, "[open] %s\n", path.string().c_str());
    return true;
  }
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return false;
  if (path.extension() == ".pdf" && !PdfViewerKnown()) return false;
  return QDesktopServices::openUrl(LocalUrl(path));
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
