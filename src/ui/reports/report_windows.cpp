// The report windows in the program: their navigator entries and the main window's ways in.
#include "ui/reports/report_windows.h"

#include "ui/reports/frm_report.h"
#include "ui/reports/frm_reportset.h"

namespace movexa::ui {

void RegisterReportWindows(UiContext& ctx) {
  ctx.nav.Register(WindowId::kReport, [&ctx] { return new Frm_Report(ctx); });
  ctx.nav.Register(WindowId::kReportSet, [&ctx] { return new Frm_Reportset(ctx); });
}

void ChooseUserDefinedBinFromMenu(UiContext& ctx, bool checked) {
  if (auto* settings = ctx.nav.As<Frm_Reportset>(WindowId::kReportSet))
    settings->ChooseFromMenu(checked);
}

void ShowMyReport(UiContext& ctx, const std::string& dataIntervalText,
                  const std::filesystem::path& lastRunFolder) {
  if (auto* report = ctx.nav.As<Frm_Report>(WindowId::kReport)) {
    report->ShowMyReport(dataIntervalText, lastRunFolder);
  }
}

bool RunAutomaticReport(UiContext& ctx, const std::filesystem::path& acquisitionFolder) {
  auto* report = ctx.nav.As<Frm_Report>(WindowId::kReport);
  if (!report) return false;
  report->RunAutomaticReport(acquisitionFolder);
  return true;
}

}  // namespace movexa::ui
