// The unit output of run modes "I" and "A": the situation report's pages.
#pragma once

#include "app/lease_handler.h"
#include "app/run_summary.h"
#include "output/report_pages.h"

namespace app {

class ReportOutput : public UnitOutput {
 public:
  // counts, when given, gathers the letters merged and those left incomplete.
  explicit ReportOutput(const RunParameters& params, RunCounts* counts = nullptr)
      : counts_(counts),
        letters_due_counted_(params.run_mode == "C"),
        letters_(output::LetterRules{params.template_name, params.letters_housing,
                                     params.letters_premises_s, params.letters_premises_n}),
        pages_(params.run_mode, params.report_date, &letters_) {}
  void BeginUnit(const RecordBuffers& records, const lease::LeaseFacts& facts,
                 const lease::UpdateResult& result) override;
  void Paragraph(const std::string& text) override { pages_.PrintParagraph(text); }
  void EndUnit() override;

 private:
  RunCounts* counts_;
  bool letters_due_counted_;  // mode "C" only: the other modes merge no letter
  output::MergeData letters_;
  output::ReportPages pages_;
};

// The unit's address line: its own when the building's type byte is "P".
std::string UnitAddress(const RecordBuffers& records);

// The merge fields of the unit's letter.
output::MergeValues MergeValuesOf(const RecordBuffers& records, const lease::LeaseFacts& facts,
                                  const lease::UpdateResult& result);

}  // namespace app
