// Navigator: the program's windows by role. A window is created on first use (hidden) by the
// factory registered for it, then only shown and hidden, so each keeps its state between
// visits; Show() hides the other top-level windows, so one is visible at a time.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

namespace movexa::ui {

enum class WindowId {
  kStartMenu,    // the start menu
  kInit,         // Frm_Init, the start-up progress
  kMain,         // Frm_Main
  kSetup,        // Frm_setup
  kOffline,      // Frm_offline
  kCalibration,  // Frm_Calibration
  kFactory,      // Frm_Factory
  kReport,       // Frm_Report
  kReportSet,    // Frm_Reportset
  kAbout,        // Frm_About
  kAnalysis,     // Frm_analysis
};

class Navigator {
 public:
  using Factory = std::function<QWidget*()>;

  // Registers the factory of a window; the navigator owns what it makes (deleted with it).
  void Register(WindowId id, Factory make) { factories_[id] = std::move(make); }
  bool IsRegistered(WindowId id) const { return factories_.count(id) != 0; }
  // The window, created hidden on first use; nullptr when no factory is registered.
  QWidget* Get(WindowId id);
  template <class T>
  T* As(WindowId id) {
    return qobject_cast<T*>(Get(id));
  }
  // True once the window was created.
  bool Exists(WindowId id) const;
  // Shows (and raises) the window; with `hideOthers` every other window the navigator made is
  // hidden.
  QWidget* Show(WindowId id, bool hideOthers = true);
  void Hide(WindowId id);

  ~Navigator();

 private:
  std::map<WindowId, Factory> factories_;
  std::map<WindowId, QPointer<QWidget>> windows_;
};

}  // namespace movexa::ui
