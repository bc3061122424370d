// The main routine of mirtosek: prepares the session, reads and checks the
// run parameters, opens the data files, runs one report and hands the print
// command file to the suite's print program.
#pragma once

namespace app {

// The literal the program is known by; it names the message catalogue.
inline constexpr const char* kProgramIdentifier = "MIRTOSEK";

// Runs the whole program and returns its exit status (app/exit_status.h).
int RunMainProgram();

}  // namespace app
