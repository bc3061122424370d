// The programs a golden case runs, named by "program" in case.ini, and the
// installation it names, made before its first step. Each program runs the
// way its own tests ran it before it had golden cases: mirtosek as a
// process, the template merge engine and the print program as functions.
//
// The run folder holds inst/ (the installation, KEPROOT), exe/ (a print
// program that only ends, KEPEXE) and tmp/ (the station's session folder,
// KEPTMP) and whatever the case's inputs bring.
#pragma once

#include <string>

#include "golden/case_folder.h"
#include "testing/temp_dir.h"

namespace golden {

// Makes the installation [case] names in run/inst: "sample", the sample
// installation of sample/, or the name of a folder of
// testdata/installations. Nothing when the case names none.
void MakeInstallation(const Case& c, const testing_support::TempDir& run);

// Runs one step of the case's program in run, whose inputs are in place.
// False, with *err, when the program is unknown or ends other than the
// case says.
[[nodiscard]] bool RunProgram(const Case& c, const std::string& run_dir, std::string* err);

}  // namespace golden
