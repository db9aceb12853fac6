// "Show my report" (Cmdreport) of the main window: which acquisition folder the report window
// opens on. The window first copies its data-interval list into the report window's bin list,
// then asks here; with a folder it fills the report window's input box and shows it.
#pragma once

#include <filesystem>
#include <optional>

#include "acquisition/run_record.h"
#include "base/host.h"

namespace movexa {

// The folder of the last recorded run when its "counts.bin" exists. Before any recorded run:
// nothing, silently. A folder without "counts.bin": "Activity file not Found", nothing.
std::optional<std::filesystem::path> ReportButtonFolder(Host& host, const AcquisitionRun& run);

}  // namespace movexa
