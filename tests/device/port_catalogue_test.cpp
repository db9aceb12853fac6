// The serial ports of the computer beside the COM numbers: which number reaches which port,
// the ports no number reaches, the spare number, and "ports.dat" written without losing lines.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "device/port_catalogue.h"
#include "support/test_support.h"

namespace movexa::test {
namespace {

SerialPortInfo Usb(std::string device, std::string description, int vid, int pid,
                   std::string serial) {
  SerialPortInfo p;
  p.device = std::move(device);
  p.description = std::move(description);
  p.transport = "USB";
  p.usbVendor = vid;
  p.usbProduct = pid;
  p.usbSerial = std::move(serial);
  return p;
}

SerialPortInfo Native(std::string device) {
  SerialPortInfo p;
  p.device = std::move(device);
  p.transport = "native";
  return p;
}

const CataloguedPort& PortOf(const PortCatalogue& c, const std::string& device) {
  const CataloguedPort* p = FindPort(c, device);
  EXPECT_NE(p, nullptr) << device;
  static const CataloguedPort none;
  return p ? *p : none;
}

TEST(PortCatalogue, EachPortGetsTheNumbersThatReachItAndUnmappedOnesAreOffered) {
  TempDir app;
  WriteFileOrDie(app / "ports.dat",
                 "\"Serial ports: <COM number>, <device>\"\r\n5,\"/dev/ttyUSB0\"\r\n"
                 "7,\"/dev/ttyUSB9\"\r\n");
  PortCatalogue c = BuildPortCatalogue(
      {Native("/dev/ttyS0"), Usb("/dev/ttyUSB0", "FT232R USB UART", 0x0403, 0x6001, "A50285BI"),
       Usb("/dev/ttyACM0", "", 0x2341, 0x0043, "")},
      "", app.path(),
      Environment({{"MOVEXA_COM4", "/tmp/movexa-sim.link"}, {"MOVEXA_COM6", "/dev/ttyUSB0"}}));

  // The on-board port by its platform default, the adapter by ports.dat and the environment.
  EXPECT_EQ(PortOf(c, "/dev/ttyS0").comNumbers, (std::vector<int>{1}));
  EXPECT_EQ(PortOf(c, "/dev/ttyS0").origins, (std::vector<std::string>{"default"}));
  EXPECT_EQ(PortOf(c, "/dev/ttyUSB0").comNumbers, (std::vector<int>{5, 6}));
  EXPECT_EQ(PortOf(c, "/dev/ttyUSB0").origins,
            (std::vector<std::string>{"ports.dat", "MOVEXA_COM6"}));
  EXPECT_TRUE(PortOf(c, "/dev/ttyACM0").comNumbers.empty());
  EXPECT_EQ(UnmappedDevices(c), (std::vector<std::string>{"/dev/ttyACM0"}));

  // Devices mapped by hand that the system does not list follow the listed ports.
  const CataloguedPort& sim = PortOf(c, "/tmp/movexa-sim.link");
  EXPECT_FALSE(sim.listed);
  EXPECT_EQ(sim.comNumbers, (std::vector<int>{4}));
  const CataloguedPort& unplugged = PortOf(c, "/dev/ttyUSB9");
  EXPECT_FALSE(unplugged.listed);
  EXPECT_FALSE(unplugged.present);
  // Platform defaults that name no listed port stay out of the list.
  EXPECT_EQ(FindPort(c, "/dev/ttyS1"), nullptr);
  EXPECT_EQ(c.ports.size(), 5u);

  // COM1 reaches the on-board port: the spare number is 2. A mapped port proposes its own.
  EXPECT_EQ(SpareComNumber(c), 2);
  EXPECT_EQ(ProposedComNumber(c, "/dev/ttyACM0"), 2);
  EXPECT_EQ(ProposedComNumber(c, "/dev/ttyUSB0"), 5);
}

TEST(PortCatalogue, NoSpareNumberWhenEveryNumberIsTakenAndListingFailuresAreKept) {
  TempDir app;
  std::map<std::string, std::string> all;
  for (int n = 1; n <= 16; ++n) all["MOVEXA_COM" + std::to_string(n)] = "/nonexistent/x";
  PortCatalogue c = BuildPortCatalogue({Native("/dev/ttyACM3")}, "permission denied", app.path(),
                                       Environment(all));
  EXPECT_EQ(SpareComNumber(c), 0);
  EXPECT_EQ(c.error, "permission denied");
  EXPECT_EQ(UnmappedDevices(c), (std::vector<std::string>{"/dev/ttyACM3"}));
}

TEST(PortCatalogue, ALinkInPortsDatReachesTheListedDeviceItPointsTo) {
  // ports.dat may name a stable link (/dev/serial/by-id/...) of the listed device.
  TempDir dir;
  WriteFileOrDie(dir / "ttyUSB3", "");
  std::filesystem::create_symlink(dir / "ttyUSB3", dir / "usb-FTDI-if00");
  EXPECT_TRUE(SameDevice((dir / "usb-FTDI-if00").string(), (dir / "ttyUSB3").string()));
  EXPECT_FALSE(SameDevice((dir / "ttyUSB3").string(), (dir / "ttyUSB4").string()));
  WriteFileOrDie(dir / "ports.dat", "\"h\"\r\n3,\"usb-FTDI-if00\"\r\n");
  PortCatalogue c =
      BuildPortCatalogue({Native((dir / "ttyUSB3").string())}, "", dir.path(), Environment({}));
  EXPECT_EQ(PortOf(c, (dir / "ttyUSB3").string()).comNumbers, (std::vector<int>{3}));
  EXPECT_TRUE(UnmappedDevices(c).empty());
}

TEST(PortsFileWriter, ReplacesTheNumbersLineKeepsEveryOtherAndStartsANewFileWithItsHeader) {
  EXPECT_EQ(SetPortsFileEntry("", 5, "/dev/ttyUSB0"),
            "\"Serial ports: <COM number>, <device>\"\r\n5,\"/dev/ttyUSB0\"\r\n");
  const std::string existing =
      "\"Serial ports\"\r\n4,\"sim/instrument.link\"\r\nnot a line\r\n5,\"/dev/ttyUSB1\"\r\n";
  EXPECT_EQ(
      SetPortsFileEntry(existing, 5, "/dev/ttyACM0"),
      "\"Serial ports\"\r\n4,\"sim/instrument.link\"\r\nnot a line\r\n5,\"/dev/ttyACM0\"\r\n");
  EXPECT_EQ(SetPortsFileEntry(existing, 9, "/dev/ttyACM0"), existing + "9,\"/dev/ttyACM0\"\r\n");
  // A header that looks like a mapping of the number is still the header.
  EXPECT_EQ(SetPortsFileEntry("5,\"x\"\n", 5, "/dev/y"), "5,\"x\"\r\n5,\"/dev/y\"\r\n");
  // What was written reads back as the mapping.
  PortsFile read = ParsePortsFile(SetPortsFileEntry(existing, 5, "/dev/ttyACM0"));
  EXPECT_EQ(read.devices.at(5), "/dev/ttyACM0");
  EXPECT_EQ(read.devices.at(4), "sim/instrument.link");
}

TEST(PortsFileWriter, SavedMappingIsWhatTheResolverFindsAndAnUnreadableFileIsLeftAlone) {
  TempDir app;
  std::string error;
  ASSERT_TRUE(SavePortMapping(app.path(), 11, "/dev/ttyUSB0", &error)) << error;
  ASSERT_TRUE(SavePortMapping(app.path(), 3, "/dev/ttyACM0", &error)) << error;
  EXPECT_EQ(ResolveComDevice(11, app.path(), Environment({})).device, "/dev/ttyUSB0");
  EXPECT_EQ(ResolveComDevice(3, app.path(), Environment({})).origin, "ports.dat");

  TempDir other;
  ASSERT_EQ(::mkfifo((other / "ports.dat").c_str(), 0600), 0);
  EXPECT_FALSE(SavePortMapping(other.path(), 3, "/dev/ttyACM0", &error));
  EXPECT_NE(error.find("ports.dat"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::is_regular_file(other / "ports.dat"));  // the FIFO stays
}

TEST(PortDescriptions, DescriptionThenMakerAndProductThenTheKindOfPort) {
  SerialPortInfo p = Usb("/dev/ttyUSB0", "FT232R USB UART", 0x0403, 0x6001, "A5");
  EXPECT_EQ(PortDescriptionText(p), "FT232R USB UART");
  EXPECT_EQ(UsbIdText(p), "0403:6001");
  p.description.clear();
  p.manufacturer = "FTDI";
  p.product = "USB-RS232 Cable";
  EXPECT_EQ(PortDescriptionText(p), "FTDI USB-RS232 Cable");
  p.manufacturer.clear();
  p.product.clear();
  EXPECT_EQ(PortDescriptionText(p), "USB serial port");
  EXPECT_EQ(PortDescriptionText(Native("/dev/ttyS0")), "serial port");
  EXPECT_EQ(UsbIdText(Native("/dev/ttyS0")), "");
}

}  // namespace
}  // namespace movexa::test
