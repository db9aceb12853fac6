// The main window's groups and detection panel.
#include "ui/main/main_groups_panel.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "acquisition/live_display_values.h"
#include "project/group_editing.h"

namespace movexa::ui {

namespace {

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

MainGroupsPanel::MainGroupsPanel(UiContext& ctx, QWidget* parent)
    : QGroupBox(tr("Groups and detection"), parent), ctx_(ctx) {
  setObjectName(QStringLiteral("Frame_groups"));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  detection_ = new QLabel(this);
  detection_->setObjectName(QStringLiteral("txt_detection"));
  detection_->setWordWrap(true);
  groups_ = new QComboBox(this);
  groups_->setObjectName(QStringLiteral("combogrup"));
  channels_ = new QListWidget(this);
  channels_->setObjectName(QStringLiteral("lstgrup"));
  channels_->setMaximumHeight(110);
  auto* v = new QVBoxLayout(this);
  v->addWidget(detection_);
  v->addWidget(groups_);
  v->addWidget(channels_);
  connect(groups_, &QComboBox::activated, this, [this](int index) {
    groups_->setToolTip(groups_->itemText(index));
    FillChannels();
  });
}

void MainGroupsPanel::Refresh() {
  const AppState& s = ctx_.state;
  detection_->setText(Q(s.main.detectionSummary));
  detection_->setVisible(!s.main.detectionSummary.empty());
  const QString chosen = groups_->currentText().left(3);
  groups_->clear();
  for (const auto& label : MainGroupSelectorItems(s.project, s.wellMap)) groups_->addItem(Q(label));
  int index = 0;
  for (int i = 0; i < groups_->count(); ++i) {
    if (!chosen.isEmpty() && groups_->itemText(i).left(3) == chosen) index = i;
  }
  groups_->setCurrentIndex(index);
  groups_->setToolTip(groups_->currentText());
  FillChannels();
}

void MainGroupsPanel::FillChannels() {
  const AppState& s = ctx_.state;
  channels_->clear();
  auto group = GroupOfLabel(groups_->currentText().toStdString());
  if (!group) return;
  for (const auto& label : GroupWellListItems(s.project, s.wellMap, s.geometry, *group)) {
    channels_->addItem(Q(label));
  }
}

}  // namespace movexa::ui
