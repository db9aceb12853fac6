// The commands of movexa-cli. Each lives in its own file cmd_<name>.cpp, takes the arguments
// after the command word and returns the process exit code (0 success, 1 failure, 2 usage).
#pragma once

namespace movexa::cli {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(int argc, char** argv);  // argv[0] is the command word
};

int RunInit(int argc, char** argv);
int RunProject(int argc, char** argv);
int RunConnect(int argc, char** argv);
int RunPorts(int argc, char** argv);
int RunReport(int argc, char** argv);
int RunReanalyze(int argc, char** argv);
int RunCircadian(int argc, char** argv);
int RunAcquire(int argc, char** argv);
int RunCalibrate(int argc, char** argv);
int RunList(int argc, char** argv);
int RunJoin(int argc, char** argv);
int RunExportAscii(int argc, char** argv);
int RunExportPicture(int argc, char** argv);
int RunArchive(int argc, char** argv);
int RunRename(int argc, char** argv);
int RunTestDevice(int argc, char** argv);
int RunFactory(int argc, char** argv);
int RunGainCurveCommand(int argc, char** argv);
int RunExportDam(int argc, char** argv);
int RunSleep(int argc, char** argv);
int RunProfile(int argc, char** argv);
int RunActogram(int argc, char** argv);
int RunPeriodogram(int argc, char** argv);

}  // namespace movexa::cli
