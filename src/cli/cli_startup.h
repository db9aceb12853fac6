// Start-up as movexa-cli runs it: none of the windows' steps, except the one the command line
// needs too: the report configuration ("repoconf.dat", created when missing) loaded into
// AppState where the main window asks for the user-defined bin of its data-interval list.
#pragma once

#include <optional>

#include "app/startup.h"
#include "reports/report_config.h"

namespace movexa::cli {

class CliStartup : public StartupObserver {
 public:
  explicit CliStartup(Host& host) : host_(host) {}
  std::optional<int> UserDefinedBinMinutes(AppState& state) override {
    if (LoadReportConfig(state.reportConfig, 1, state.appDir, host_) != 1) return std::nullopt;
    return state.reportConfig.Bin;
  }

 private:
  Host& host_;
};

}  // namespace movexa::cli
