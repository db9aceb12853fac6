// Registration of the report windows with the program's navigator, and the main window's ways
// into them, so that the main window needs to know no more than these few calls.
#pragma once

#include "ui/common/ui_context.h"

#include <filesystem>
#include <string>

namespace movexa::ui {

// Registers Frm_Report (WindowId::kReport) and Frm_Reportset (WindowId::kReportSet).
void RegisterReportWindows(UiContext& ctx);

// The main window's menu item "User Defined BIN size" chosen while `checked`.
void ChooseUserDefinedBinFromMenu(UiContext& ctx, bool checked);
// The main window's "Show my report" with its data-interval text and the last run's folder.
void ShowMyReport(UiContext& ctx, const std::string& dataIntervalText,
                  const std::filesystem::path& lastRunFolder);
// The end of a recorded run with the user-defined bin: the report window makes the automatic
// report. Returns true (the engine then makes none).
bool RunAutomaticReport(UiContext& ctx, const std::filesystem::path& acquisitionFolder);

}  // namespace movexa::ui
