// The application configuration record kept in "config.dat" of the application folder.
#pragma once

#include <cstdint>

namespace movexa {

struct AppConfig {
  int16_t Actual_Project_Number = 1;  // current project; 0 is the Default project
  int16_t Last_Project = 1;           // highest project number handed out
  int16_t Serial_COM = 4;             // instrument port number, 1..16
  int16_t Restart_Time = 0;           // written back only; always 0 after loading
};

}  // namespace movexa
