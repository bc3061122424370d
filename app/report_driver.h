// One report run over the units selected by the run parameters.
//
// The driver holds the run variables that the pieces of a run share: the run
// parameters, the status word of the record calls, the page number of the
// report, the unit-block-done flag and the new-record flag of the current
// unit. Run opens the print output, walks the buildings and units of the key
// range handing each unit to the lease engine, and closes the output.
#pragma once

#include <cstdint>

#include "app/run_parameters.h"

namespace app {

class ReportDriver {
 public:
  explicit ReportDriver(const RunParameters& params) : params_(params) {}

  void Run();

  const RunParameters& params() const { return params_; }

 private:
  RunParameters params_;
  uint16_t status_ = 0;      // status word of the last record call
  int page_number_ = 0;      // 0: no page printed yet
  bool unit_block_done_ = false;
  bool new_record_ = false;  // no transition record exists for the unit
};

}  // namespace app
