// Fault points: the moments at which the reliability tests kill the program.
//
// With KEP_FAULT_KILL_AT=N in the environment, the N-th fault point that the
// process passes sends it SIGKILL, as a power cut or an operator's kill would:
// no destructor, no buffer flush, no lock released by the program itself.
// Without the variable a fault point costs one comparison. The points sit
// where a kill matters: around every record write and its transaction, and
// around every write of a lock file.
#pragma once

namespace base {

void FaultPoint();

}  // namespace base
