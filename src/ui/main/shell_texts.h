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

inline constexpr std::string_view kHelpDocument = "mvx_help.pdf";
inline constexpr std::string_view kHelpEntry = "Help";

// About box.
inline constexpr std::string_view kAboutTitle = "About Movexa";
inline constexpr std::string_view kAboutText =
    "Movexa: acquisition and analysis of microplate activity.\n"
    "Light microbeams cross the wells of a plate; organisms crossing a beam make its signal "
    "dip, and Movexa counts those dips per channel, well and group in time bins.";

}  // namespace movexa::ui::shell_texts
