// The exit statuses of mirtosek, which the suite's menu and scripts test.
#pragma once

namespace app {

inline constexpr int kExitFinished = 0;        // the run finished
inline constexpr int kExitOpenFailed = 1;      // a data file could not be opened
inline constexpr int kExitBadParameters = 2;   // "pent.tmp" missing or unusable
inline constexpr int kExitNoPrintProgram = 3;  // the print program could not be started

}  // namespace app
