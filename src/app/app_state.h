// AppState: the process-wide records of one running program in one plain value, owned by the
// program (window or command line) and passed by reference. Subsystems add their records here.
#pragma once

#include <cstdint>
#include <filesystem>

#include "app/app_config.h"
#include "app/main_controls.h"
#include "project/project_settings.h"
#include "project/well_map.h"

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
};

}  // namespace movexa
