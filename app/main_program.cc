#include "app/main_program.h"

#include <cstdio>
#include <string>

#include "app/base_changes.h"
#include "app/data_files.h"
#include "app/exit_status.h"
#include "app/lease_handler.h"
#include "app/progress.h"
#include "app/report_output.h"
#include "base/edit_picture.h"
#include "output/print_output.h"
#include "app/report_driver.h"
#include "app/run_parameters.h"
#include "base/message_catalogue.h"
#include "base/platform.h"
#include "base/session_settings.h"

namespace app {
namespace {

void ReportError(const std::string& message) {
  std::fprintf(stderr, "mirtosek: %s\n", message.c_str());
}

// Starts KEPEXE + "DIVIVOVI" without arguments and waits for it. Its own exit
// status is not used.
bool StartPrintProgram(std::string* err) {
  int status = 0;
  return base::RunProgramAndWait(base::Settings().exe_dir + "DIVIVOVI", &status, err);
}

}  // namespace

int RunMainProgram() {
  base::LoadCompanyData();
  base::LoadSessionSettings();
  const base::SessionSettings& settings = base::Settings();
  base::SetProgramIdentifier(kProgramIdentifier);
  if (!settings.root_dir.empty() && !base::SetCurrentDir(settings.root_dir)) {
    ReportError(base::ResolvePath(settings.root_dir) + ": the data root cannot be entered");
    return kExitOpenFailed;
  }

  // The run parameters are checked before anything touches the installation.
  RunParameters params;
  std::string err;
  if (!ReadRunParameters(settings.tmp_dir + "pent.tmp", &params, &err)) {
    ReportError(err);
    return kExitBadParameters;
  }

  RecordBuffers buffers;
  if (OpenDataFiles(settings.root_dir, &buffers) != 0) return kExitOpenFailed;

  if (!output::OpenPrintFile(settings.output_destination, &err)) {
    ReportError("the print file cannot be created: " + err);
    storage::ResetRecordManager();
    return kExitOpenFailed;
  }
  base::SetCurrency("p");
  ReportOutput report(params);
  LeaseHandler handler(params, &report, LoadBaseChanges(settings.root_dir + "Vorn.ini", stderr));
  ProgressDisplay progress(ProgressDisplay::TerminalOrNull());
  CountingHandler counting(&handler, &progress);
  ReportDriver driver(params, buffers, &counting);
  driver.Run();
  progress.Finish();
  handler.stale_indices().Report(stderr);
  base::SetCurrency("");
  const bool printed = output::ClosePrintFile();
  storage::ResetRecordManager();
  if (!printed) {
    ReportError("the print file could not be written completely");
    return kExitOpenFailed;
  }

  if (!StartPrintProgram(&err)) {
    ReportError("the print program could not be started: " + err);
    return kExitNoPrintProgram;
  }
  return kExitFinished;
}

}  // namespace app
