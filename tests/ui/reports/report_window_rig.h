// Fixture of the report window tests: the small fixed acquisition of the report tests (its
// application folder holds the plate-format file), an AppState on that folder, the scripted
// host and a navigator, bound together as the windows' UiContext.
#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "base/host_fakes.h"
#include "reports/report_fixture.h"
#include "ui/common/ui_context.h"

namespace movexa::test {

struct ReportWindowRig {
  explicit ReportWindowRig(const std::vector<CountsRecord>& records = RegularRecords(91),
                           const std::string& name = "20240319_1405")
      : acq(MakeAcquisition(dir.path(), name, records)) {
    state.appDir = acq.app;
  }
  // A mismatch or an unmet expectation of the scripted dialogs, or empty.
  std::string Problem() const {
    auto p = fake.dialogs.Problems();
    return p.empty() ? std::string() : p.front();
  }

  TempDir dir;
  Acquisition acq;
  FakeHost fake;
  AppState state;
  ui::Navigator nav;
  ui::UiContext ctx{state, fake.host, nav};
};

}  // namespace movexa::test
