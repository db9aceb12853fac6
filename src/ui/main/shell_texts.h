// Texts of the start menu, the About box and the main window's navigation: captions, status
// lines and questions shown to the operator. Each text lives here only.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace movexa::ui::shell_texts {

inline constexpr std::string_view kVersionLabel = "<<V1.5 Oxbow Rev2024-03-19>>";
inline constexpr std::string_view kInitialNews = "Equipment Status = unknown";
inline std::string ConnectedIn(int port) {
  return "status: Connected in COM" + std::to_string(port);
}

// The five options of the start menu, in order.
inline constexpr std::array<std::string_view, 5> kOptions = {
    "Setup a New Project", "Run Latest Project", "Analyze recorded experiments",
    "Calibration window", "EXIT"};
inline constexpr std::string_view kSureToQuit = "Sure to Quit?";

// Trying Movexa without an instrument.
inline constexpr std::string_view kTryWithoutInstrument = "Try it without an instrument";
inline constexpr std::string_view kSimulatedInstrumentNews =
    "status: simulated instrument (no hardware needed)";
inline constexpr std::string_view kAlreadyConnected =
    "An instrument is already connected: the simulated instrument is offered only before the "
    "first connection.";

inline constexpr std::string_view kHelpEntry = "Help";

// The connection: the start menu after a connect that found nothing, the main window's way out
// during a run.
inline constexpr std::string_view kOfflineNews =
    "status = OFFLINE: equipment not found. See \"Serial ports...\"";
inline constexpr std::string_view kConnectEntry = "Connect";
inline constexpr std::string_view kConnectTip =
    "Connect to the instrument again: the instrument's port first, then the scan";
inline constexpr std::string_view kPortMenu = "&Port";
inline constexpr std::string_view kStopAndQuit = "An acquisition is running: stop it and quit?";

// The serial ports window.
inline constexpr std::string_view kSerialPortsEntry = "Serial ports...";
inline constexpr std::string_view kSerialPortsTitle = "Serial ports";
inline constexpr std::string_view kSerialPortsIntro =
    "The serial ports of this computer and the COM number each is reached by. Select the "
    "instrument's port, choose the COM number to reach it as, and press \"Use for the "
    "instrument\": the next Connect uses it. A port marked \"not assigned\" is also probed by "
    "the connection scan.";
inline constexpr std::string_view kUseForInstrument = "Use for the instrument";
inline constexpr std::string_view kNotAssigned = "not assigned";
inline constexpr std::string_view kMappedNotListed = "not a serial port of this computer";
inline constexpr std::string_view kMappedMissing = "missing (not connected now?)";
inline constexpr std::string_view kSimulatedDevice = "simulated instrument";
inline constexpr std::string_view kSimulatedDescription =
    "built-in simulated instrument, in use now";
inline constexpr std::string_view kNoSerialPorts =
    "No serial port was found on this computer. Plug the instrument's cable (or its USB "
    "adapter) in and press Refresh.";
inline std::string PortsNotListed(std::string_view why) {
  return "The serial ports of this computer cannot be listed: " + std::string(why);
}
inline std::string InstrumentPortLine(int port, std::string_view device, std::string_view origin) {
  return "The instrument's port: COM" + std::to_string(port) + " = " + std::string(device) +
         (origin.empty() ? std::string() : " (" + std::string(origin) + ")");
}

// About box.
inline constexpr std::string_view kAboutTitle = "About Movexa";
inline constexpr std::string_view kAboutText =
    "Movexa: acquisition and analysis of microplate activity.\n"
    "Light microbeams cross the wells of a plate; organisms crossing a beam make its signal "
    "dip, and Movexa counts those dips per channel, well and group in time bins.";

}  // namespace movexa::ui::shell_texts
