// The main window's detection panel.
#include "ui/main/main_groups_panel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace movexa::ui {

MainGroupsPanel::MainGroupsPanel(UiContext& ctx, QWidget* parent)
    : QGroupBox(tr("Detection"), parent), ctx_(ctx) {
  setObjectName(QStringLiteral("Frame_groups"));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  detection_ = new QLabel(this);
  detection_->setObjectName(QStringLiteral("txt_detection"));
  detection_->setWordWrap(true);
  auto* v = new QVBoxLayout(this);
  v->addWidget(detection_);
}

void MainGroupsPanel::Refresh() {
  const std::string& summary = ctx_.state.main.detectionSummary;
  detection_->setText(QString::fromUtf8(summary.data(), static_cast<qsizetype>(summary.size())));
  setVisible(!summary.empty());
}

}  // namespace movexa::ui
