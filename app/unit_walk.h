// The walk over the buildings and units of the run's key range.
//
// Buildings are read in key order from the first building code of the range;
// for each building with an owner its units are read in key order, and every
// unit whose key lies in the range is handed on with its building, owner,
// unit and transition records in the buffers (the transition record read,
// or the default one when the unit has none). In run mode "A" the building
// is locked in the lock file of "DepartaV" while its units are walked and
// each unit in that of "TranLauV" while it is processed.
//
// A record another station holds (status 84 or 85) is waited for, with the
// waiting message, and read again: the walk never leaves a unit out or
// processes it from default values because of another station's lock.
// Owners are only read, without a record lock. The pauses between attempts,
// and the clock and waits of the lock files, are those of the run's
// environment.
#pragma once

#include <functional>
#include <string>

#include "app/data_files.h"
#include "app/run_parameters.h"
#include "app/run_summary.h"

namespace base {
class RunEnvironment;
}

namespace app {

class UnitHandler {
 public:
  virtual ~UnitHandler() = default;
  // new_record: the unit has no transition record; the buffer holds the default.
  virtual void HandleUnit(RecordBuffers& records, bool new_record) = 0;
};

// counts, when given, gathers the units walked and selected and the
// buildings left out for want of an owner. The walk is one station of the
// lock files (storage::LockStation) for as long as it runs.
void WalkUnits(base::RunEnvironment& env, const RunParameters& params, RecordBuffers& records,
               UnitHandler* handler, RunCounts* counts = nullptr);

// The pause between two attempts at a record another station holds.
inline constexpr int kLockRetryMilliseconds = 250;

// Runs a read again while another station holds its record, showing the
// waiting message from the first refusal until the read goes through.
int16_t ReadWaitingForLocks(base::RunEnvironment& env, const std::function<int16_t()>& read);

}  // namespace app
