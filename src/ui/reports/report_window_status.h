// The report window's status lines: the core's progress texts (the re-analysis "Block 12/40",
// the stages of a report, the files of a circadian export) go to the window's labels and
// progress bar; every other status line goes on to the program's own sink.
#pragma once

#include <QRegularExpression>
#include <QString>

#include "base/host.h"
#include "reports/report_texts.h"
#include "ui/reports/frm_report.h"

namespace movexa::ui {

class ReportWindowStatus : public StatusSink {
 public:
  ReportWindowStatus(Frm_Report* window, StatusSink& next) : window_(window), next_(next) {}

  void SetStatus(std::string_view where, std::string_view text) override {
    const bool block = where == report_text::kStatusLabel;
    if (!block && where != report_text::kProgressLabel) {
      next_.SetStatus(where, text);
      return;
    }
    const QString t = Qs(text);
    // "Block 3/40" and "File 3/385" carry their own count; a stage has none (a busy bar).
    static const QRegularExpression kCount(QStringLiteral("(\\d+)/(\\d+)$"));
    const QRegularExpressionMatch m = kCount.match(t);
    const int done = m.hasMatch() ? m.captured(1).toInt() : -1;
    const int total = m.hasMatch() ? m.captured(2).toInt() : -1;
    if (block && !m.hasMatch() && !t.startsWith(Qs(report_text::kSaving))) {
      window_->ShowNote(t);
    } else if (block) {
      window_->ShowBlock(t, done, total);
    } else {
      window_->ShowProgress(t, done, total);
    }
  }

 private:
  Frm_Report* window_;
  StatusSink& next_;
};

}  // namespace movexa::ui
