// Where the paragraphs of the units go: one output per run mode, chosen once
// when the run starts. Mode "I" prints the situation report's pages, mode "C"
// writes each unit's merge data and merges its letter, mode "A" prints
// nothing (its work is the write-back, done by the lease handler).
#pragma once

#include <memory>
#include <string>

#include "app/data_files.h"
#include "app/run_parameters.h"
#include "app/run_summary.h"
#include "lease/lease_facts.h"
#include "lease/rent_update.h"

namespace output {
class PrintFile;
}

namespace app {

class UnitOutput {
 public:
  virtual ~UnitOutput() = default;
  // Before the paragraphs of an eligible unit, with its records in the buffers.
  virtual void BeginUnit(const RecordBuffers& records, const lease::LeaseFacts& facts,
                         const lease::UpdateResult& result) = 0;
  virtual void Paragraph(const std::string& text) = 0;
  // After the unit's paragraphs; a unit that had none prints nothing.
  virtual void EndUnit() = 0;
};

// The output of params.run_mode, printing into print. counts, when given,
// gathers the letters of mode "C" merged and those left incomplete. Both
// must outlive the output.
std::unique_ptr<UnitOutput> MakeUnitOutput(const RunParameters& params, output::PrintFile& print,
                                           RunCounts* counts = nullptr);

// The unit's address line: its own when the building's type byte is "P".
std::string UnitAddress(const RecordBuffers& records);

}  // namespace app
