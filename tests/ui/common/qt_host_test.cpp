// QtDialogs: messages and failures reach the operator in a box with their icon (errors looked
// like notices when every message was an information box), the system's text intact.
#include "ui/common/qt_host.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace movexa::ui {
namespace {

struct Seen {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString text;
  QString title;
};

// Shows one message through `show` and closes the box it opened, telling what it showed.
template <typename Show>
Seen ShowAndClose(Show show) {
  Seen seen;
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen = {box->icon(), box->text(), box->windowTitle()};
    box->accept();
  });
  show();
  return seen;
}

TEST(QtDialogs, MessagesAndEachSeverityOfProblemShowTheirIcon) {
  QtDialogs dialogs;
  Seen info = ShowAndClose([&] { dialogs.Message("Acquisition finished\r\nOK", "Movexa"); });
  EXPECT_EQ(info.icon, QMessageBox::Information);
  EXPECT_EQ(info.text, "Acquisition finished\nOK");
  Dialogs& core = dialogs;  // what the core calls
  Seen warning = ShowAndClose([&] { core.Problem("Activity file not Found"); });
  EXPECT_EQ(warning.icon, QMessageBox::Warning);
  EXPECT_EQ(warning.text, "Activity file not Found");
  EXPECT_EQ(warning.title, "Movexa");
  Seen critical = ShowAndClose(
      [&] { core.Problem("<Error Saving Config File>", Dialogs::Severity::kCritical, "Setup"); });
  EXPECT_EQ(critical.icon, QMessageBox::Critical);
  EXPECT_EQ(critical.text, "<Error Saving Config File>");
  EXPECT_EQ(critical.title, "Setup");
}

}  // namespace
}  // namespace movexa::ui
