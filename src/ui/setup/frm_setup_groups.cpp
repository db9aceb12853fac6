// Frm_setup's group panel: the group selector, the assigned and free channel lists with their
// buttons, "CLEAR LIST", the arrangement sets and "AUTO-ARRANGE" menu, and the plate picture
// with its mouse editing. Every event calls the core's group editing, then refreshes.
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "project/plate_drawing.h"
#include "project/plate_format.h"
#include "project/setup_texts.h"
#include "ui/common/picture_box.h"
#include "ui/setup/frm_setup.h"
#include "ui/common/qt_text.h"

namespace movexa::ui {

namespace texts = setup_texts;

namespace {

constexpr int kArrangeMenuEntries = 24;

void Fill(QListWidget* list, const std::vector<std::string>& labels) {
  list->clear();
  for (const auto& l : labels) list->addItem(Q(l));
}

}  // namespace

QWidget* Frm_setup::BuildGroupPanel() {
  // The plate picture takes the room the window has; the group controls sit in two short rows
  // above it and the two channel lists side by side below it, so the window fits a 1024 x 700
  // screen and a larger one gives its room to the picture.
  auto* box = new QGroupBox(tr("Groups"));
  auto* column = new QVBoxLayout(box);
  Combo_group_ = Named(new QComboBox, "Combo_group");
  Combo_group_->setToolTip(tr("Double-click or Enter to rename the group"));
  Combo_group_->installEventFilter(this);
  Combo_group_->setMinimumContentsLength(14);
  Combo_group_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  auto* groupRow = new QHBoxLayout;
  groupRow->addWidget(new QLabel(tr("Group:")));
  groupRow->addWidget(Combo_group_, 1);
  auto* rename = Named(new QPushButton(tr("Rename...")), "Cmd_renamegroup");
  rename->setToolTip(tr("Rename the group (also Enter or double-click on the group)"));
  groupRow->addWidget(rename);
  column->addLayout(groupRow);
  auto* arrangeRow = new QHBoxLayout;
  arrangeRow->addWidget(Named(new QPushButton(tr("CLEAR LIST")), "Cmd_clear"));
  arrangeRow->addStretch(1);
  Combo_sets_ = Named(new QComboBox, "Combo_sets");
  arrangeRow->addWidget(Combo_sets_);
  auto* arrange = Named(new QPushButton(tr("AUTO-ARRANGE")), "Cmd_autoarrange");
  arrangeMenu_ = Named(new QMenu(arrange), "mnarrange");
  arrange->setMenu(arrangeMenu_);
  arrangeRow->addWidget(arrange);
  column->addLayout(arrangeRow);

  Pic_plate_ = Named(new PictureBox, "Pic_plate");
  Pic_plate_->setMinimumSize(360, 240);
  Pic_plate_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  Pic_plate_->setToolTip(
      tr("Left button: add wells to the group (drag for a block); right "
         "button: free wells"));
  lbl_channel_ = Named(new QLabel, "lbl_channel");
  column->addWidget(Pic_plate_, 4);
  column->addWidget(lbl_channel_);

  // The lists show their labels in rows that wrap, so a short list shows many channels.
  lst_assigned_ = Named(new QListWidget, "lst_assigned");
  lst_free_ = Named(new QListWidget, "lst_free");
  for (QListWidget* l : {lst_assigned_, lst_free_}) {
    l->setFlow(QListView::LeftToRight);
    l->setWrapping(true);
    l->setResizeMode(QListView::Adjust);
    l->setUniformItemSizes(true);
    l->setMinimumSize(120, 96);
  }
  auto* assignedBox = new QVBoxLayout;
  assignedBox->addWidget(new QLabel(Q(texts::kAssignedChannels)));
  assignedBox->addWidget(lst_assigned_, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  auto* assign = Named(new QPushButton(QStringLiteral("<=")), "Cmd_assign");
  assign->setToolTip(tr("Add the free channel's well to the group"));
  auto* free = Named(new QPushButton(QStringLiteral("=>")), "Cmd_free");
  free->setToolTip(tr("Free the assigned channel's well"));
  buttons->addWidget(assign);
  buttons->addWidget(free);
  buttons->addStretch(1);
  auto* freeBox = new QVBoxLayout;
  freeBox->addWidget(new QLabel(Q(texts::kFreeChannels)));
  freeBox->addWidget(lst_free_, 1);
  auto* lists = new QHBoxLayout;
  lists->addLayout(assignedBox, 1);
  lists->addLayout(buttons);
  lists->addLayout(freeBox, 1);
  column->addLayout(lists, 1);
  return box;
}

void Frm_setup::ConnectGroupControls() {
  connect(Combo_group_, &QComboBox::activated, this, &Frm_setup::OnGroupChosen);
  connect(lst_free_, &QListWidget::itemActivated, this, &Frm_setup::OnAssign);
  connect(lst_assigned_, &QListWidget::itemActivated, this, &Frm_setup::OnFree);
  connect(findChild<QPushButton*>(QStringLiteral("Cmd_assign")), &QPushButton::clicked, this,
          &Frm_setup::OnAssign);
  connect(findChild<QPushButton*>(QStringLiteral("Cmd_free")), &QPushButton::clicked, this,
          &Frm_setup::OnFree);
  connect(findChild<QPushButton*>(QStringLiteral("Cmd_clear")), &QPushButton::clicked, this,
          &Frm_setup::OnClear);
  connect(findChild<QPushButton*>(QStringLiteral("Cmd_renamegroup")), &QPushButton::clicked, this,
          &Frm_setup::OnRenameGroup);
  connect(Pic_plate_, &PictureBox::MousePressed, this, &Frm_setup::OnPlatePressed);
  connect(Pic_plate_, &PictureBox::MouseMoved, this,
          [this](Qt::MouseButtons, double x, double y) { OnPlateMoved(x, y); });
  connect(Pic_plate_, &PictureBox::MouseReleased, this,
          [this](Qt::MouseButton, double x, double y) { OnPlateReleased(x, y); });
  connect(Pic_plate_, &PictureBox::Resized, this, &Frm_setup::RedrawPlate);
}

void Frm_setup::RefreshGroups(int selectGroup, bool keepFreeRow) {
  AppState& s = ctx_.state;
  // Sets and arrangement menu follow the plate.
  std::vector<std::string> sets = ArrangementSets(s.geometry);
  if (Combo_sets_->count() != static_cast<int>(sets.size()) ||
      (Combo_sets_->count() > 0 && S(Combo_sets_->itemText(0)) != sets[0])) {
    QSignalBlocker block(Combo_sets_);
    Combo_sets_->clear();
    for (const auto& set : sets) Combo_sets_->addItem(Q(set));
    Combo_sets_->setCurrentIndex(sets.empty() ? -1 : PreselectedSet(sets.size()));
    arrangeMenu_->clear();
    for (int i = 0; i < static_cast<int>(sets.size()) && i < kArrangeMenuEntries; ++i) {
      QAction* a = arrangeMenu_->addAction(Q(sets[static_cast<size_t>(i)]));
      a->setCheckable(true);
      connect(a, &QAction::triggered, this, [this, i] { OnArrange(i); });
    }
  }
  GroupSelector sel = FillGroupSelector(s.project, selectGroup);
  {
    QSignalBlocker block(Combo_group_);
    Combo_group_->clear();
    for (const auto& label : sel.labels) Combo_group_->addItem(Q(label));
    Combo_group_->setCurrentIndex(sel.selected);
  }
  currentGroup_ = sel.groups.empty() ? 0 : sel.groups[static_cast<size_t>(sel.selected)];
  RefreshLists(keepFreeRow);
  RedrawPlate();
}

void Frm_setup::RefreshLists(bool keepFreeRow) {
  AppState& s = ctx_.state;
  const int freeRow = lst_free_->currentRow();
  Fill(lst_assigned_, ChannelList(s.project, s.wellMap, s.geometry, currentGroup_));
  Fill(lst_free_, FreeList(s.project, s.wellMap, s.geometry));
  if (keepFreeRow) lst_free_->setCurrentRow(KeepSelection(freeRow, lst_free_->count()));
}

void Frm_setup::RedrawPlate() {
  AppState& s = ctx_.state;
  // The picture's text is as large as its wells let it be.
  const PlateTextStyle style = PlateTextStyleFor(s.geometry, s.project, s.wellMap,
                                                 Pic_plate_->WidthPx(), Pic_plate_->HeightPx());
  QFont font = Pic_plate_->font();
  if (font.pixelSize() != style.pixels) {
    font.setPixelSize(style.pixels);
    Pic_plate_->setFont(font);
  }
  DrawSetupPlate(*Pic_plate_, s.project, s.wellMap, s.geometry);
  plate_.plateDrawn = true;
}

void Frm_setup::OnGroupChosen(int index) {
  if (auto g = GroupOfLabel(S(Combo_group_->itemText(index)))) currentGroup_ = *g;
  RefreshLists(false);
}

void Frm_setup::OnAssign() {
  QListWidgetItem* item = lst_free_->currentItem();
  if (lst_free_->count() == 0 || !item) return;
  AppState& s = ctx_.state;
  if (!AssignWell(s.project, s.wellMap, s.geometry, S(item->text()), currentGroup_)) return;
  RefreshLists(true);
  RedrawPlate();
}

void Frm_setup::OnFree() {
  QListWidgetItem* item = lst_assigned_->currentItem();
  if (lst_assigned_->count() == 0 || !item) return;
  AppState& s = ctx_.state;
  if (!FreeWell(s.project, s.wellMap, s.geometry, S(item->text()))) return;
  RefreshLists(true);
  RedrawPlate();
}

void Frm_setup::OnClear() {
  if (ctx_.host.dialogs.Ask(texts::kClearQuestion, Dialogs::Buttons::kYesNo) !=
      Dialogs::Answer::kYes) {
    return;
  }
  ClearGroups(ctx_.state.project);
  RefreshGroups(0);
}

void Frm_setup::OnArrange(int setIndex) {
  const QList<QAction*> actions = arrangeMenu_->actions();
  if (setIndex < 0 || setIndex >= actions.size()) return;
  for (int i = 0; i < actions.size(); ++i) actions[i]->setChecked(i == setIndex);
  AppState& s = ctx_.state;
  AutoArrange(s.project, s.wellMap, s.geometry, S(actions[setIndex]->text()));
  RefreshGroups(0);
}

void Frm_setup::OnRenameGroup() {
  if (!RenameGroup(ctx_.state.project, ctx_.host, currentGroup_)) return;
  const auto i = static_cast<size_t>(currentGroup_);
  Combo_group_->setItemText(Combo_group_->currentIndex(),
                            Q(GroupLabel(currentGroup_, ctx_.state.project.groupNames[i])));
}

void Frm_setup::OnPlatePressed(Qt::MouseButton button, double x, double y) {
  const PlateButton b = button == Qt::LeftButton    ? PlateButton::kLeft
                        : button == Qt::RightButton ? PlateButton::kRight
                                                    : PlateButton::kOther;
  AppState& s = ctx_.state;
  if (!PlateMouseDown(plate_, s.project, s.wellMap, s.geometry, b, x, y, currentGroup_)) return;
  if (plate_.captionWell >= 0) lbl_channel_->setText(tr("Well %1").arg(plate_.captionWell));
  RefreshGroups(currentGroup_);
}

void Frm_setup::OnPlateMoved(double x, double y) {
  AppState& s = ctx_.state;
  if (!PlateMouseMove(plate_, s.geometry, x, y)) return;
  RedrawPlate();
  DrawDragRectangle(*Pic_plate_, s.geometry, plate_.startRow, plate_.startColumn, plate_.endRow,
                    plate_.endColumn);
}

void Frm_setup::OnPlateReleased(double x, double y) {
  AppState& s = ctx_.state;
  if (!PlateMouseUp(plate_, s.project, s.wellMap, s.geometry, x, y, currentGroup_)) return;
  if (plate_.captionWell >= 0) lbl_channel_->setText(tr("Well %1").arg(plate_.captionWell));
  RefreshGroups(currentGroup_);
}

}  // namespace movexa::ui
