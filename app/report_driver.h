// One report run over the units selected by the run parameters.
//
// The driver holds the run variables that the pieces of a run share: the run
// environment, the run parameters, the record buffers and the page number of
// the report. Run walks the buildings and units of the key range and hands
// each unit to the unit handler (the lease engine's classification and what
// follows it).
#pragma once

#include "app/data_files.h"
#include "app/run_parameters.h"
#include "app/unit_walk.h"

namespace app {

class ReportDriver {
 public:
  // handler may be null: the walk then only gathers the records.
  // counts may be null. env must outlive the driver.
  ReportDriver(base::RunEnvironment& env, const RunParameters& params, RecordBuffers& records,
               UnitHandler* handler, RunCounts* counts = nullptr)
      : env_(env), params_(params), records_(records), handler_(handler), counts_(counts) {}

  void Run();

  const RunParameters& params() const { return params_; }
  int page_number() const { return page_number_; }

 private:
  base::RunEnvironment& env_;
  RunParameters params_;
  RecordBuffers& records_;
  UnitHandler* handler_;
  RunCounts* counts_;
  int page_number_ = 0;  // 0: no page printed yet
};

}  // namespace app
