// The exit statuses of mirtosek, which the suite's menu and scripts test.
#pragma once

namespace app {

inline constexpr int kExitFinished = 0;          // the run finished
inline constexpr int kExitOpenFailed = 1;        // a data file, the data root or the print file
inline constexpr int kExitBadParameters = 2;     // unusable run parameters or options
inline constexpr int kExitNoPrintProgram = 3;    // the print program could not be started
inline constexpr int kExitOutputIncomplete = 4;  // the run finished, its output is incomplete
inline constexpr int kExitWriteBackFailed = 5;   // mode "A": a write failed, the write-back stopped

}  // namespace app
