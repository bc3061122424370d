#include "app/print_program.h"

#include "base/platform.h"

namespace app {

std::string PrintProgramPath(const std::string& exe_dir) {
  if (!exe_dir.empty()) return exe_dir + "DIVIVOVI";
  const std::string beside = base::ExecutableDirectory();
  for (const char* name : {"DIVIVOVI", "divivovi"}) {
    if (!beside.empty() && base::PathExists(beside + "/" + name)) return beside + "/" + name;
  }
  for (const char* name : {"DIVIVOVI", "divivovi"}) {
    const std::string found = base::FindOnPath(name);
    if (!found.empty()) return found;
  }
  return std::string();
}

PrintOutcome RunPrintProgram(const std::string& exe_dir, std::string* detail) {
  const std::string program = PrintProgramPath(exe_dir);
  if (program.empty()) {
    *detail = "KEPEXE is not set, and no DIVIVOVI or divivovi lies beside mirtosek or on PATH";
    return PrintOutcome::kNotStarted;
  }
  int status = 0;
  if (!base::RunProgramAndWait(program, &status, detail)) return PrintOutcome::kNotStarted;
  if (status != 0) {
    *detail = base::ResolvePath(program) + " ended with status " + std::to_string(status);
    return PrintOutcome::kFailed;
  }
  return PrintOutcome::kPrinted;
}

}  // namespace app
