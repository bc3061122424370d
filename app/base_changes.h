// The CPI's changes of base in force for an installation: those the program
// knows, and those the installation adds in "Vorn.ini" [IPC], one line a
// change: its first month and the factor that takes an index of the new base
// to the previous one ("2031-01=1.052345").
#pragma once

#include <cstdio>
#include <string>

#include "lease/price_index.h"

namespace app {

// A malformed line of [IPC] is described on messages with its line number
// and left out.
lease::BaseChangeTable LoadBaseChanges(const std::string& vorn_ini_path, std::FILE* messages);

}  // namespace app
