// The device layer's own texts: error sources of the port table, messages and status texts of
// the instrument link and the connection, each in one place.
#pragma once

#include <string_view>

namespace movexa::device_texts {

// Error sources of the port table (CommLastError.source).
inline constexpr std::string_view kCommOpen = "CommOpen";
inline constexpr std::string_view kCommOpenCreateFile = "CommOpen (CreateFile)";
inline constexpr std::string_view kCommOpenSetupComm = "CommOpen (SetupComm)";
inline constexpr std::string_view kCommOpenPurgeComm = "CommOpen (PurgeComm)";
inline constexpr std::string_view kCommOpenSetCommTimeouts = "CommOpen (SetCommTimeouts)";
inline constexpr std::string_view kCommOpenGetCommState = "CommOpen (GetCommState)";
inline constexpr std::string_view kCommOpenBuildCommDCB = "CommOpen (BuildCommDCB)";
inline constexpr std::string_view kCommOpenSetCommState = "CommOpen (SetCommState)";
inline constexpr std::string_view kCommClose = "CommClose";
inline constexpr std::string_view kCommCloseCloseHandle = "CommClose (CloseHandle)";
inline constexpr std::string_view kCommFlush = "CommFlush";
inline constexpr std::string_view kCommFlushPurgeComm = "CommFlush (PurgeComm)";
inline constexpr std::string_view kCommRead = "CommRead";
inline constexpr std::string_view kCommReadGetOverlappedResult = "CommRead (GetOverlappedResult)";
inline constexpr std::string_view kCommReadReadFile = "CommRead (ReadFile)";
inline constexpr std::string_view kCommWrite = "CommWrite";
inline constexpr std::string_view kCommWriteGetOverlappedResult = "CommWrite (GetOverlappedResult)";
inline constexpr std::string_view kCommWriteWriteFile = "CommWrite (WriteFile)";
inline constexpr std::string_view kCommSetLine = "CommSetLine";
inline constexpr std::string_view kCommSetLineEscape = "CommSetLine (EscapeCommFunction)";

inline constexpr std::string_view kPortInUse = "Port in use.";
inline constexpr std::string_view kErrorFlags = "  COMM Error Flags = ";
// Our own fault text for a port number outside the table.
inline constexpr std::string_view kPortOutOfRange = "Port number outside 1..16";
inline constexpr std::string_view kReadCountTooLarge = "Read count outside 0..512";
inline constexpr std::string_view kLineOutOfRange = "Control line outside 1..3";

// Verified register write.
inline constexpr std::string_view kWriteErrorHead = "Ops...Data Writing ERROR: reg(";
inline constexpr std::string_view kWriteErrorTail = ")... Check COM and Try again";

// Connection.
inline constexpr std::string_view kStarting = "STARTING.....";
inline constexpr std::string_view kConnecting = "CONNECTING:";
inline constexpr std::string_view kOpeningPortHead = "Opening Port [";
inline constexpr std::string_view kOpeningPortTail = "]";
inline constexpr std::string_view kInitConnectedHead = "Status = Connected on COM[ ";
inline constexpr std::string_view kMainConnectedHead = "Connected on COM[ ";
inline constexpr std::string_view kConnectedTail = " ]";
inline constexpr std::string_view kPortPromptHead = "COM(";
inline constexpr std::string_view kPortPromptTail =
    ") PORT ERROR. Type New Port number or <Enter> to go Offline";
inline constexpr std::string_view kInvalidPortNumber = "Invalid Port Number. Offline Mode";
inline constexpr std::string_view kEquipmentNotFound = "Equipment not found";
inline constexpr std::string_view kPortNotFound = "PORT NOT FOUND";
inline constexpr std::string_view kEol = "\r\n";
inline constexpr std::string_view kPortNotFoundNextStep =
    "Check that the instrument is switched on and its cable plugged in. Then choose its port: "
    "\"Serial ports...\" (on the start menu and in the main window's Port menu, or movexa-cli "
    "ports) lists the serial ports of this computer; connect again once the port is chosen.";
inline constexpr std::string_view kReadingFactoryCalibration = "Reading Factory Calibration...";

// Where the connection's status texts appear.
inline constexpr std::string_view kMainStatus = "Frm_Main.lblstatus";
inline constexpr std::string_view kInitStatus = "Frm_Init.status";

}  // namespace movexa::device_texts
