// The main window's Port menu, Connect and the status bar's connection state; the serial ports
// window; "PORT NOT FOUND" bringing the start menu back; the start menu's links by keyboard;
// the help entry without a PDF viewer; status texts that never widen the window.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/app_texts.h"
#include "app/instrument.h"
#include "device/connection.h"
#include "main/program_rig.h"
#include "support/ui_test_support.h"
#include "ui/main/frm_serial_ports.h"
#include "ui/main/shell_texts.h"

namespace movexa::test {
namespace {

namespace t = ui::shell_texts;

std::vector<int> TickedEntries(ui::Frm_Main* main) {
  std::vector<int> out;
  for (int n = 1; n <= 12; ++n) {
    auto* entry = main->findChild<QAction*>(QString("mncom%1").arg(n));
    EXPECT_NE(entry, nullptr) << n;
    if (entry && entry->isChecked()) out.push_back(n);
  }
  return out;
}

QString ConnectionLabel(ui::Frm_Main* main) {
  return Control<QLabel>(main, "lblconnection")->text();
}

TEST(PortMenu, TwelveEntriesTickTheInstrumentsPortAndAChoiceIsSavedForTheNextConnect) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  ASSERT_TRUE(rig.state.connected);
  const int port = rig.state.connection.port;
  EXPECT_EQ(TickedEntries(main), (std::vector<int>{port}));
  EXPECT_EQ(ConnectionLabel(main).toStdString(),
            app_texts::ConnectedState(port, "", rig.state.connection.serialNumber));

  Control<QAction>(main, "mncom7")->trigger();
  EXPECT_EQ(TickedEntries(main), (std::vector<int>{7}));
  EXPECT_EQ(rig.state.config.Serial_COM, 7);
  EXPECT_NE(ReadFileOrDie(rig.state.appDir / "config.dat").find(",7,0\r\n"), std::string::npos);
  // Still connected on the old port: Play works, the next Connect starts from COM7.
  EXPECT_TRUE(rig.state.connected);
  const int64_t frames = rig.instrument.framesReceived();
  Control<QAction>(main, "mnconnect")->trigger();
  EXPECT_GT(rig.instrument.framesReceived(), frames);
  EXPECT_EQ(rig.state.connection.port, 7);
  EXPECT_EQ(TickedEntries(main), (std::vector<int>{7}));
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(PortMenu, ConnectIsNotOfferedDuringARun) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  auto* button = Control<QPushButton>(main, "CmdConnect");
  EXPECT_TRUE(button->isEnabled());
  ASSERT_TRUE(rig.Play("Running"));
  EXPECT_FALSE(button->isEnabled());
  EXPECT_FALSE(Control<QAction>(main, "mnconnect")->isEnabled());
  QTest::mouseClick(Control<QPushButton>(main, "CmdStop"), Qt::LeftButton);
  EXPECT_TRUE(button->isEnabled());
}

TEST(Connection, PortNotFoundBringsTheStartMenuBackWithItsStatusLine) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  rig.instrument.SetSilent(true);
  rig.fake.dialogs.ExpectInput("", "").ExpectMessage(PortNotFoundMessage(4, {}));
  rig.OpenMainWindow();
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
  EXPECT_TRUE(rig.state.offline);
  EXPECT_TRUE(rig.program.startMenu()->isVisible());
  EXPECT_FALSE(rig.program.mainWindow()->isVisible());
  EXPECT_EQ(rig.program.startMenu()->news().toStdString(), t::kOfflineNews);
  EXPECT_EQ(ConnectionLabel(rig.program.mainWindow()).toStdString(), app_texts::kOfflineState);

  // The instrument answers now: "Run Latest Project" connects and the main window stays.
  rig.instrument.SetSilent(false);
  rig.OpenMainWindow();
  EXPECT_TRUE(rig.state.connected);
  EXPECT_TRUE(rig.program.mainWindow()->isVisible());
}

TEST(Connection, AfterASavedPortChangePlaySaysToConnectAndConnectThenReachesIt) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  rig.instrument.SetSilent(true);
  rig.fake.dialogs.ExpectInput("", "5");  // a port that opens: saved for the next connect
  ui::Frm_Main* main = rig.OpenMainWindow();
  EXPECT_TRUE(main->isVisible());
  EXPECT_FALSE(rig.state.connected);
  EXPECT_EQ(TickedEntries(main), (std::vector<int>{5}));
  EXPECT_EQ(ConnectionLabel(main).toStdString(), app_texts::PortChosenState(5));
  rig.fake.dialogs.ExpectInput("", "Not yet")
      .ExpectMessage(
          "The instrument's port is COM5 now: press Connect to connect to it, then Play.");
  QTest::mouseClick(Control<QPushButton>(main, "CmdPlay"), Qt::LeftButton);
  EXPECT_FALSE(main->RunActive());

  rig.instrument.SetSilent(false);
  QTest::mouseClick(Control<QPushButton>(main, "CmdConnect"), Qt::LeftButton);
  EXPECT_TRUE(rig.state.connected);
  EXPECT_EQ(rig.state.connection.port, 5);
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(rig.Play("Now connected"));
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(Connection, TheSimulatedInstrumentIsNamedAsSimulatedOnTheStartMenu) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  rig.state.simulatedInstrument = true;
  main->ShowConnection();
  EXPECT_EQ(ConnectionLabel(main).toStdString(),
            app_texts::SimulatedState(rig.state.connection.port));
  QTest::mouseClick(Control<QPushButton>(main, "Cmdoffline"), Qt::LeftButton);
  EXPECT_EQ(rig.program.startMenu()->news().toStdString(), t::kSimulatedInstrumentNews);
}

TEST(SerialPortsWindow, ListsThePortsAndAssignsTheChosenOneAsTheInstrumentsPort) {
  ProgramRig rig;
  SerialPortInfo adapter;
  adapter.device = "/dev/ttyUSB7";
  adapter.description = "FT232R USB UART";
  adapter.transport = "USB";
  adapter.usbVendor = 0x0403;
  adapter.usbProduct = 0x6001;
  adapter.usbSerial = "A50285BI";
  rig.state.portEnumerator =
      std::make_unique<FixedPortEnumerator>(std::vector<SerialPortInfo>{adapter});
  rig.state.portEnvironment = Environment({});
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  Control<QAction>(main, "mnserialports")->trigger();
  ui::Frm_SerialPorts* window = rig.program.serialPorts();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  auto* list = Control<QTableWidget>(window, "lstports");
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->item(0, 0)->text().toStdString(), "not assigned");
  EXPECT_EQ(list->item(0, 1)->text().toStdString(), "/dev/ttyUSB7");
  EXPECT_EQ(list->item(0, 2)->text().toStdString(), "FT232R USB UART");
  EXPECT_EQ(list->item(0, 3)->text().toStdString(), "0403:6001");
  EXPECT_EQ(list->item(0, 4)->text().toStdString(), "A50285BI");
  EXPECT_FALSE(Control<QPushButton>(window, "CmdAssign")->isEnabled());  // nothing selected

  ASSERT_TRUE(window->SelectDevice("/dev/ttyUSB7"));
  auto* com = Control<QComboBox>(window, "cmbcom");
  EXPECT_EQ(com->currentText().toStdString(), "COM1");  // the spare number
  com->setCurrentIndex(8);
  QTest::mouseClick(Control<QPushButton>(window, "CmdAssign"), Qt::LeftButton);
  EXPECT_EQ(ParsePortsFile(ReadFileOrDie(rig.state.appDir / "ports.dat")).devices.at(9),
            "/dev/ttyUSB7");
  EXPECT_NE(ReadFileOrDie(rig.state.appDir / "config.dat").find(",9,0\r\n"), std::string::npos);
  EXPECT_EQ(list->item(0, 0)->text().toStdString(), "COM9");
  EXPECT_TRUE(list->item(0, 0)->font().bold());  // the instrument's port
  EXPECT_EQ(TickedEntries(main), (std::vector<int>{9}));
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(SerialPortsWindow, AComputerWithoutPortsSaysSoAndTheStartMenuOpensItToo) {
  ProgramRig rig;
  rig.state.portEnumerator = std::make_unique<FixedPortEnumerator>();
  rig.state.portEnvironment = Environment({});
  ASSERT_TRUE(rig.Start());
  auto* link = Control<QLabel>(rig.program.startMenu(), "Label_ports");
  Q_EMIT link->linkActivated("#");
  ui::Frm_SerialPorts* window = rig.program.serialPorts();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Control<QTableWidget>(window, "lstports")->rowCount(), 0);
  EXPECT_FALSE(Control<QLabel>(window, "lblnoports")->isHidden());
}

TEST(StartMenu, TabReachesTheLinksAndReturnFollowsThem) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Init* menu = rig.program.startMenu();
  int tries = 0, helps = 0;
  menu->onTryWithoutInstrument = [&] { ++tries; };
  menu->onHelp = [&] { ++helps; };
  menu->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(menu));
  Control<QWidget>(menu, "Frame_option5")->setFocus();
  std::vector<std::string> reached;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(reached, (std::vector<std::string>{"Label_demo", "Label_ports", "Label_help"}));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(helps, 1);
  QTest::keyClick(Control<QWidget>(menu, "Label_demo"), Qt::Key_Space);
  EXPECT_EQ(tries, 1);
}

TEST(HelpEntry, WithoutAPdfViewerTheOperatorIsToldWhereTheDocumentIs) {
  ProgramRig rig;
  WriteFileOrDie(rig.state.appDir / "mvx_help.pdf", "%PDF-1.4");
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  rig.fake.shell.opens = false;
  rig.fake.dialogs.ExpectMessage(
      app_texts::HelpDocumentNotOpened((rig.state.appDir / "mvx_help.pdf").string()));
  Control<QAction>(main, "mncontent")->trigger();
  EXPECT_TRUE(rig.fake.dialogs.Problems().empty());
}

TEST(MainWindowLayout, FitsTheSmallScreenAndALongStatusNeverWidensIt) {
  ProgramRig rig;
  ASSERT_TRUE(rig.Start());
  ui::Frm_Main* main = rig.OpenMainWindow();
  ProcessEvents();
  const QSize least = main->minimumSizeHint();
  EXPECT_LE(least.width(), 1024);
  EXPECT_LE(least.height(), 700 - 40);
  main->resize(1024, 660);
  ProcessEvents();
  EXPECT_EQ(main->width(), 1024);
  const QString lost = QString::fromStdString(
      "The instrument does not answer: 4000 samples without signals (their bins are counted bad "
      "and the run goes on) and picks up as soon as it answers again: check its cable and power. "
      "Bins closed with most signal blocks bad so far: 12.");
  rig.host.status.SetStatus("Frm_Main.lblstatus", lost.toStdString());
  ProcessEvents();
  auto* status = Control<QLabel>(main, "lblstatus");
  EXPECT_EQ(status->text(), lost);
  EXPECT_EQ(status->toolTip(), lost);
  EXPECT_EQ(main->width(), 1024);
  EXPECT_EQ(main->minimumSizeHint().width(), least.width());
  // A large screen takes the window as big as the operator makes it.
  main->resize(1920, 1040);
  ProcessEvents();
  EXPECT_EQ(main->width(), 1920);
}

}  // namespace
}  // namespace movexa::test
