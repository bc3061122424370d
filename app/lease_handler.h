// What the run does with each unit the walk hands over: the lease engine's
// classification, the price indices, the rent update and the report
// paragraphs, then in run mode "A" the write-back into the unit and
// transition records.
#pragma once

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/data_files.h"
#include "app/results_table.h"
#include "app/run_parameters.h"
#include "app/run_summary.h"
#include "app/stale_indices.h"
#include "app/unit_output.h"
#include "app/unit_walk.h"
#include "lease/lease_facts.h"
#include "lease/reference_data.h"
#include "lease/rent_update.h"

namespace app {

// A record of the CPI file as a less-or-equal read finds it.
struct CpiRecord {
  std::string key;  // the series code and the month's PackedDate
  double value = 0;
};

// Reference tables read through the record layer, without record locks. The
// lease engine's questions become reads by record key, which a subclass may
// answer otherwise (ReferenceTables, from memory).
class RecordReference : public lease::ReferenceData {
 public:
  explicit RecordReference(RecordBuffers& records) : records_(records) {}
  std::optional<int16_t> FixedConceptType(int number) final;
  std::optional<int16_t> CodedConceptType(int16_t code) final;
  std::optional<lease::CpiRecordValues> NationalIndexAtOrBefore(
      const base::PackedDate& month) final;

  // An equal read of the receipt-concept file: the type, or nullopt (the
  // buffer's type field then reads 9).
  virtual std::optional<int16_t> ConceptType(const std::string& key);
  // A less-or-equal read of the CPI file (the buffer's index then reads 100
  // when none is found).
  virtual std::optional<CpiRecord> CpiAtOrBefore(const std::string& key);

 protected:
  RecordBuffers& records_;
};

// What a run does besides its report, letters and write-back.
struct RunExtras {
  // Run mode "A" as a preview: nothing is written, the changes go here.
  std::FILE* preview = nullptr;
  // The results table, when asked for.
  ResultsTable* results = nullptr;
  // The data root and the snapshot of this write-back, whose journal notes
  // each unit written; and the journal lines of earlier write-backs.
  std::string root;
  std::string snapshot;
  std::set<std::string> earlier_written;
};

class LeaseHandler : public UnitHandler {
 public:
  // output: that of the run mode (app/unit_output.h), or null for none;
  // counts may be null.
  LeaseHandler(const RunParameters& params, UnitOutput* output, RunCounts* counts = nullptr,
               lease::BaseChangeTable base_changes = lease::BuiltInBaseChanges())
      : params_(params),
        output_(output),
        base_changes_(std::move(base_changes)),
        counts_(counts ? counts : &unused_counts_) {}
  void HandleUnit(RecordBuffers& records, bool new_record) override;

  // extras must outlive the handler; null: none.
  void SetExtras(const RunExtras* extras) { extras_ = extras; }

  // The units updated with an index older than the month they needed.
  const StaleIndices& stale_indices() const { return stale_; }

  // The paragraphs of the last unit handled (for tests and the letters).
  const std::vector<std::string>& last_paragraphs() const { return last_paragraphs_; }

 private:
  void WriteBackUnit(const lease::WriteBack& w, const base::PackedDate& update_date,
                     RecordBuffers& records, bool new_record);

  RunParameters params_;
  UnitOutput* output_;
  lease::BaseChangeTable base_changes_;
  StaleIndices stale_;
  RunCounts unused_counts_;
  RunCounts* counts_;
  std::vector<std::string> last_paragraphs_;
  std::unique_ptr<lease::ReferenceData> reference_;   // the reference tables, read at first use
  const RecordBuffers* reference_buffers_ = nullptr;  // the buffers reference_ fills
  const RunExtras* extras_ = nullptr;
};

}  // namespace app
