// Frm_setup driven as an operator would: the plate format changed through its list and the
// question, clicks and drags with both buttons on the plate picture, New / Save / Load through
// scripted dialogs with the project folder checked on disk, and the hand-over to the main window.
#include "ui/setup/frm_setup.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "app/config.h"
#include "base/host_fakes.h"
#include "project/group_editing.h"
#include "project/plate_drawing.h"
#include "project/project_store.h"
#include "project/setup_texts.h"
#include "support/test_support.h"
#include "ui/common/picture_box.h"
#include "ui/support/ui_test_support.h"

namespace movexa::ui {
namespace {

using Answer = Dialogs::Answer;
using test::Control;

class FrmSetupTest : public ::testing::Test {
 protected:
  FrmSetupTest() {
    test::LayOutAppFolder(app_.path());
    state_.appDir = app_.path();
    LoadConfig(app_.path(), state_.config, fake_.host);
    state_.ProjectPath = DeriveProjectPath(app_.path(), state_.config);
    LoadProject(state_.config.Actual_Project_Number, {app_.path(), state_.ProjectPath},
                state_.project, state_.geometry, state_.wellMap, fake_.host);
    nav_.Register(WindowId::kMain, [] { return new QWidget; });
    nav_.Register(WindowId::kStartMenu, [] { return new QWidget; });
    nav_.Register(WindowId::kSetup, [this] { return new Frm_setup(ctx_); });
    window_ = nav_.As<Frm_setup>(WindowId::kSetup);
    nav_.Show(WindowId::kSetup);
    test::ProcessEvents();
  }
  ~FrmSetupTest() override { EXPECT_TRUE(fake_.dialogs.Problems().empty()); }

  // Presses, moves to and releases at the centres of two wells of the plate picture.
  void Drag(Qt::MouseButton button, int row1, int col1, int row2, int col2) {
    auto* pic = Control<PictureBox>(window_, "Pic_plate");
    Send(pic, QEvent::MouseButtonPress, button, button, Pixel(pic, row1, col1));
    if (row1 != row2 || col1 != col2) {
      Send(pic, QEvent::MouseMove, Qt::NoButton, button, Pixel(pic, row2, col2));
    }
    Send(pic, QEvent::MouseButtonRelease, button, Qt::NoButton, Pixel(pic, row2, col2));
  }
  static QPointF Pixel(PictureBox* pic, int row, int col) {
    // Well centres in picture units, inverted through the logical scale of the picture.
    const QPointF origin = pic->ToLogical(QPointF(0, 0));
    const QPointF far = pic->ToLogical(QPointF(pic->width(), pic->height()));
    const double x = col * 200 + 100, y = row * 200 + 50;  // w96f: pitch 200, row offset -50
    return {(x - origin.x()) / (far.x() - origin.x()) * pic->width(),
            (y - origin.y()) / (far.y() - origin.y()) * pic->height()};
  }
  static void Send(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
                   QPointF at) {
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
  int GroupOfWell(int well) {
    return state_.project.channelGroup[static_cast<size_t>(state_.wellMap.FindChannel(well, 0))];
  }
  void ChooseIn(const char* name, const QString& text) {
    auto* box = Control<QComboBox>(window_, name);
    const int i = box->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
  }

  test::TempDir app_;
  FakeHost fake_;
  AppState state_;
  Navigator nav_;
  UiContext ctx_{state_, fake_.host, nav_};
  Frm_setup* window_ = nullptr;
};

TEST_F(FrmSetupTest, PlateFormatChangeAsksThenClearsGroupsAndRefills) {
  EXPECT_EQ(Control<QLineEdit>(window_, "txtprj")->text(), "Demo_1");
  EXPECT_EQ(Control<QComboBox>(window_, "Combowell")->currentText(), "w96f");
  fake_.dialogs.ExpectQuestion("Load New Plate configuration?", Answer::kNo);
  ChooseIn("Combowell", "w384");
  QTest::qWait(350);
  EXPECT_EQ(Control<QComboBox>(window_, "Combowell")->currentText(), "w96f");
  EXPECT_EQ(Control<QComboBox>(window_, "Combo_group")->count(), 5);  // 4 demo groups + 1

  fake_.dialogs.ExpectQuestion("Load New Plate configuration?", Answer::kYes).ExpectMessage("");
  ChooseIn("Combowell", "w384");
  QTest::qWait(350);
  EXPECT_EQ(state_.project.Plate_format, "w384");
  EXPECT_EQ(Control<QComboBox>(window_, "Combo_group")->currentText(), "000_Free");
  EXPECT_EQ(Control<QListWidget>(window_, "lst_free")->count(), 384);
  EXPECT_EQ(Control<QComboBox>(window_, "Combo_sets")->currentText(), "04x01 [RowsxColumn]");
}

TEST_F(FrmSetupTest, ClicksAndDragsWithBothButtonsEditTheLists) {
  Control<QPushButton>(window_, "Cmd_clear");
  fake_.dialogs.ExpectQuestion("Do you like to Clear Group lists?", Answer::kYes);
  Control<QPushButton>(window_, "Cmd_clear")->click();
  auto* assigned = Control<QListWidget>(window_, "lst_assigned");
  auto* freeList = Control<QListWidget>(window_, "lst_free");
  EXPECT_EQ(freeList->count(), 192);

  Drag(Qt::LeftButton, 0, 0, 0, 0);  // click on A1: group 0
  EXPECT_EQ(GroupOfWell(0), 0);
  EXPECT_EQ(assigned->count(), 2);
  EXPECT_EQ(assigned->item(0)->text(), "A1.0");
  EXPECT_EQ(Control<QComboBox>(window_, "Combo_group")->count(), 2);  // 000 and the next

  Drag(Qt::LeftButton, 1, 0, 2, 1);  // drag B1..C2
  for (int well : {1, 2, 9, 10}) EXPECT_EQ(GroupOfWell(well), 0) << well;
  EXPECT_EQ(assigned->count(), 10);
  EXPECT_EQ(freeList->count(), 182);

  Drag(Qt::RightButton, 0, 0, 1, 1);  // right drag A1..B2 frees
  for (int well : {0, 1, 8, 9}) EXPECT_EQ(GroupOfWell(well), -1) << well;
  EXPECT_EQ(assigned->count(), 4);

  // The list buttons move whole wells.
  freeList->setCurrentRow(0);
  Control<QPushButton>(window_, "Cmd_assign")->click();
  EXPECT_EQ(GroupOfWell(0), 0);
  EXPECT_EQ(freeList->currentRow(), 0);
  // A look at the window for a human (xvfb-run with MOVEXA_SETUP_SCREENSHOT=file.png).
  if (const char* shot = std::getenv("MOVEXA_SETUP_SCREENSHOT")) {
    Control<QPushButton>(window_, "cmd_advanced")->click();
    window_->grab().save(shot);
  }
}

TEST_F(FrmSetupTest, NewSaveAndLoadThroughTheDialogsReachTheDisk) {
  fake_.dialogs.ExpectQuestion("Do you like to Create a New Project?", Answer::kOk)
      .ExpectInput("Enter the New Project Name", "Zebra \"run\"");
  Control<QPushButton>(window_, "Cmdnewpj")->click();
  EXPECT_EQ(Control<QLineEdit>(window_, "txtprj")->text(), "Zebra 'run'_2");
  EXPECT_TRUE(std::filesystem::exists(app_.path() / "p00002" / "chgroup.dat"));
  EXPECT_EQ(Control<QLineEdit>(window_, "Txtfolder")->text().toStdString(),
            (app_.path() / "p00002").string());

  auto* lapse = Control<QLineEdit>(window_, "Txtlapse");
  lapse->clear();
  QTest::keyClicks(lapse, "40000");
  EXPECT_EQ(lapse->text(), "32000");
  fake_.dialogs.ExpectQuestion("Do you like to Update <Zebra 'run'_2> values?", Answer::kYes);
  Control<QPushButton>(window_, "Cmdsavepj")->click();
  EXPECT_NE(test::ReadFileOrDie(app_.path() / "p00002" / "setup.dat").find(",32000,"),
            std::string::npos);

  fake_.dialogs.ExpectQuestion("Do you like to save current values before new load?", Answer::kNo);
  Control<QPushButton>(window_, "cmdLoad")->click();
  auto* list = Control<QListWidget>(window_, "List_project");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), "p00002_Zebra 'run'");
  list->setCurrentRow(0);
  emit list->itemActivated(list->item(0));
  EXPECT_EQ(Control<QLineEdit>(window_, "txtprj")->text(), "Demo_1");
  EXPECT_FALSE(list->isVisibleTo(window_));
}

TEST_F(FrmSetupTest, ContinueToRunHandsTheDetectionSummaryToTheMainWindow) {
  // The SNR box shows the value Zebrafish stores and runs with.
  ChooseIn("Cmb_organism", "Zebrafish");
  EXPECT_EQ(Control<QLineEdit>(window_, "lbl_snr")->text(), "2.8");
  EXPECT_EQ(Control<QComboBox>(window_, "ComboDSP")->currentIndex(), 1);
  Control<QPushButton>(window_, "Command_main")->click();
  EXPECT_EQ(state_.main.detectionSummary, "Detection Mode1, Zebrafish [snr 2.8]");
  EXPECT_EQ(state_.main.organismText, "Zebrafish(Larvae)");
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(nav_.Get(WindowId::kMain)->isVisible());

  nav_.Show(WindowId::kSetup);
  Control<QPushButton>(window_, "Cmdoffline")->click();
  EXPECT_TRUE(nav_.Get(WindowId::kStartMenu)->isVisible());
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(FrmSetupTest, ChoosingMethodThreeBringsAnSnrItCanCountWith) {
  // C.elegans' 1.8 with method 3 would count nothing: the window says so and shows 0.8.
  ChooseIn("Cmb_organism", "C.elegans");
  fake_.dialogs.ExpectMessage("Enter a valid SNR: 0.5 to 0.9");
  ChooseIn("ComboDSP", "3_Drosophila (Threshold)");
  EXPECT_EQ(Control<QLineEdit>(window_, "lbl_snr")->text(), "0.8");
  EXPECT_EQ(state_.project.Mn[kMn1][kSNRx10], 8);
}

// Every control of the window lies inside it and gets at least its minimum size.
void ExpectNothingClipped(QWidget* window) {
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->objectName().isEmpty()) continue;
    const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    EXPECT_TRUE(window->rect().contains(r)) << w->objectName().toStdString();
    const QSize least = w->minimumSizeHint();
    if (least.isValid()) {
      EXPECT_GE(w->width(), least.width()) << w->objectName().toStdString();
      EXPECT_GE(w->height(), least.height()) << w->objectName().toStdString();
    }
  }
}

TEST_F(FrmSetupTest, FitsA1024By700ScreenAndScalesUpTo1920By1080) {
  // A window frame takes some 30 px of the screen's height.
  Control<QPushButton>(window_, "cmd_advanced")->click();  // the tallest state
  const QSize least = window_->minimumSizeHint();
  EXPECT_LE(least.width(), 1024);
  EXPECT_LE(least.height(), 670);
  auto* plate = Control<PictureBox>(window_, "Pic_plate");
  QSize small;
  for (QSize size : {QSize(1024, 670), QSize(1920, 1050)}) {
    window_->resize(size);
    test::ProcessEvents();
    EXPECT_EQ(window_->size(), size);
    ExpectNothingClipped(window_);
    if (small.isEmpty()) small = plate->size();
    // With MOVEXA_SCREENSHOTS set, the window is saved there for a human look.
    if (const char* dir = std::getenv("MOVEXA_SCREENSHOTS")) {
      window_->grab().save(QStringLiteral("%1/setup_%2x%3.png")
                               .arg(QString::fromUtf8(dir))
                               .arg(size.width())
                               .arg(size.height()));
    }
  }
  // The plate picture takes the room a large screen gives.
  EXPECT_GT(plate->width(), small.width() * 3 / 2);
  EXPECT_GT(plate->height(), small.height() * 3 / 2);

  // With the project list open as well the settings column scrolls; the window keeps its size
  // and the way on stays in sight.
  window_->resize(1024, 670);
  fake_.dialogs.ExpectQuestion("Do you like to save current values before new load?", Answer::kNo);
  Control<QPushButton>(window_, "cmdLoad")->click();
  test::ProcessEvents();
  EXPECT_LE(window_->minimumSizeHint().height(), 670);
  EXPECT_EQ(window_->size(), QSize(1024, 670));
  auto* go = Control<QPushButton>(window_, "Command_main");
  EXPECT_TRUE(window_->rect().contains(QRect(go->mapTo(window_, QPoint(0, 0)), go->size())));
  if (const char* dir = std::getenv("MOVEXA_SCREENSHOTS")) {
    window_->grab().save(QString::fromUtf8(dir) + "/setup_1024x670_list.png");
  }
}

TEST_F(FrmSetupTest, Plate384MarksStayInsideTheirWellsAndTheLastColumnAndRowAreWhole) {
  fake_.dialogs.ExpectQuestion("Load New Plate configuration?", Answer::kYes).ExpectMessage("");
  ChooseIn("Combowell", "w384");
  QTest::qWait(350);
  ASSERT_EQ(state_.project.Plate_format, "w384");
  // One group per well: marks up to "383" in wells of some 20 pixels on a 1024-wide screen.
  AutoArrange(state_.project, state_.wellMap, state_.geometry, "01x01");
  auto* plate = Control<PictureBox>(window_, "Pic_plate");
  for (QSize size : {QSize(1024, 670), QSize(1920, 1050)}) {
    window_->resize(size);
    test::ProcessEvents();
    window_->FillWindow();  // the groups made above, drawn in this size
    const PlateTextStyle style = PlateTextStyleFor(state_.geometry, state_.project, state_.wellMap,
                                                   plate->width(), plate->height());
    // Measured with the picture's own font: the widest mark ends before the next well.
    const QFontMetrics metrics(plate->font());
    const QString widest = QStringLiteral("383") + (style.suffix ? "G" : "");
    const double wellPx =
        plate->width() /
        (plate->ToLogical(QPointF(plate->width(), 0)).x() - plate->ToLogical(QPointF(0, 0)).x()) *
        100.0;
    const double insetPx = wellPx * style.markInset / 100.0;
    EXPECT_LT(insetPx + metrics.horizontalAdvance(widest), wellPx) << size.width();
    EXPECT_GE(plate->font().pixelSize(), 7);
    // The outline of the last column and the last row lies inside the picture.
    const QPointF corner = plate->ToLogical(QPointF(plate->width() - 1, plate->height() - 1));
    EXPECT_GT(corner.x(), 2400) << size.width();
    EXPECT_GT(corner.y(), 1600) << size.width();
    if (const char* dir = std::getenv("MOVEXA_SCREENSHOTS")) {
      window_->grab().save(
          QStringLiteral("%1/setup_w384_%2.png").arg(QString::fromUtf8(dir)).arg(size.width()));
    }
  }
}

}  // namespace
}  // namespace movexa::ui
