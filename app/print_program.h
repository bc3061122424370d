// The suite's print program DIVIVOVI, started on the print command file at
// the end of a run.
//
// It is KEPEXE + "DIVIVOVI". When KEPEXE is not set the program is looked
// for beside mirtosek's own executable (as DIVIVOVI, then divivovi) and then
// on PATH, so that a build or an installed package runs without the suite's
// environment.
#pragma once

#include <string>

namespace app {

// The print program's path; empty when KEPEXE is not set and none is found.
std::string PrintProgramPath(const std::string& exe_dir);

enum class PrintOutcome { kPrinted, kNotStarted, kFailed };

// Starts the program without arguments and waits for it. kFailed when it
// ended with a status other than 0 (its output is then incomplete); *detail
// says why it did not start or how it ended.
PrintOutcome RunPrintProgram(const std::string& exe_dir, std::string* detail);

}  // namespace app
