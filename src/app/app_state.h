// AppState: the process-wide records of one running program in one plain value, owned by the
// program (window or command line) and passed by reference. Subsystems add their records here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "acquisition/run_record.h"
#include "app/app_config.h"
#include "app/main_controls.h"
#include "calibration/calibration_table.h"
#include "calibration/light_control.h"
#include "device/com_module.h"
#include "device/connection_state.h"
#include "device/mod_comm.h"
#include "device/port_enumeration.h"
#include "device/port_resolver.h"
#include "project/project_settings.h"
#include "project/well_map.h"
#include "reports/report_config.h"

namespace movexa {

struct AppState {
  AppConfig config;
  std::filesystem::path appDir;       // the application folder
  std::filesystem::path ProjectPath;  // folder of the current project (appDir for project 0)
  ProjectSettings project;
  WellMap wellMap;
  PlateGeometry geometry;

  int16_t StartupStage = 0;
  bool autoRun = false;    // started with "/run"
  bool offline = false;    // no instrument: no acquisition, no calibration
  bool connected = false;  // the instrument answered on Serial_COM

  MainControls main;

  // The instrument link of the running program (instrument.h installs and connects it): the
  // opener reaches the devices, the port table owns the open port, the connection holds the
  // port in use, the factory calibration and the block reply length; the signal table holds
  // the last parsed block reply.
  std::unique_ptr<PortOpener> portOpener;
  std::unique_ptr<CommPortTable> ports;
  ConnectionState connection;
  SignalTable signals{};
  // The serial ports of the computer (null: none are listed, the scan covers the COM numbers
  // only) and the environment COM numbers are resolved in (MOVEXA_COM<n>).
  std::unique_ptr<PortEnumerator> portEnumerator;
  EnvLookup portEnvironment = ProcessEnvironment();
  bool simulatedInstrument = false;  // the ports reach the built-in simulated instrument

  CalibrationTable calibration;  // emitter power and receiver gain per channel ("calvalue.dat")
  ReportConfig reportConfig;     // "repoconf.dat"; its User_defined flag is main.userDefinedBin
  OutputState outputs;           // light and temperature outputs of the main window
  AcquisitionRun run;            // run state, counters, buffers and data-file writer
};

}  // namespace movexa
