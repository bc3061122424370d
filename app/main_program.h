// The main routine of mirtosek: reads its command line, prepares the
// session, reads and checks the run parameters (from "pent.tmp" or from the
// options), opens the data files, runs one report, hands the print command
// file to the suite's print program and tells what the run did.
#pragma once

namespace app {

// The literal the program is known by; it names the message catalogue.
inline constexpr const char* kProgramIdentifier = "MIRTOSEK";

// Runs the whole program and returns its exit status (app/exit_status.h).
int RunMainProgram(int argc, char** argv);

}  // namespace app
