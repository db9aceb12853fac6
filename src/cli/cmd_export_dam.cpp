// movexa-cli export-dam: DAM monitor files, metadata.csv, data.csv and the bin-time check.
#include <cstdio>
#include <iostream>

#include "analysis/dam_export.h"
#include "cli/analysis_cli.h"
#include "cli/commands.h"

namespace movexa::cli {

namespace {

std::string Usage() {
  return std::string(
             "usage: movexa-cli export-dam [options] ACQUISITION_FOLDER...\n"
             "\n"
             "Writes the run as DAM monitor files (Monitor01.txt, ...: 32 wells each, row-major "
             "A1, A2,\n"
             "..., one line per measured bin, the light column from the light schedule), "
             "metadata.csv\n"
             "(one row per well) and a long data.csv whose ids match metadata.csv, and "
             "quality.csv, the\n"
             "check of the bin times (duplicated bin times, missing bins, largest gap, "
             "regularity), which\n"
             "is also printed. A bin that was not measured is a missing line, never filled "
             "in.\n\n") +
         AnalysisOptionsHelp();
}

}  // namespace

int RunExportDam(int argc, char** argv) {
  AnalysisCommand command(argc, argv, {}, {});
  const std::string usage = Usage();
  if (auto code = command.Prepare("export-dam", usage.c_str())) return *code;
  ActivityTable table;
  if (!command.Load(table)) return 1;
  const auto folder = command.OutFolder(table);
  DamExport result =
      ExportDam(table, folder, [&command](const std::string& text) { command.Progress(text); });
  command.Finish();
  for (const auto& file : result.files) std::cout << "wrote " << file.string() << "\n";
  if (!result.ok) {
    std::fprintf(stderr, "movexa-cli export-dam: %s\n", result.error.c_str());
    return 1;
  }
  std::cout << "quality check:\n";
  for (const auto& line : QualityLines(table)) std::cout << "  " << line << "\n";
  return 0;
}

}  // namespace movexa::cli
