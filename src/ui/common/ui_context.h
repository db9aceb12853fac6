// UiContext: what every window binds to: the program's process-wide records, the Host services
// (QtHost in the program, scripted fakes in window tests) and the navigator. Windows take it by
// reference in their constructor: `Frm_X(UiContext& ctx, QWidget* parent = nullptr)`.
#pragma once

#include "app/app_state.h"
#include "base/host.h"
#include "ui/common/navigator.h"
#include "ui/common/qt_host.h"

namespace movexa::ui {

struct UiContext {
  AppState& state;
  Host& host;
  Navigator& nav;
  // Status texts by label name: a window routes the labels it shows (the program's QtHost
  // routes host.status here; window tests may leave it null).
  StatusRouter* status = nullptr;
};

}  // namespace movexa::ui
