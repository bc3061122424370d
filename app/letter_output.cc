#include "app/letter_output.h"

#include "lease/letter_case.h"
#include "storage/record_layouts.h"

namespace app {

output::MergeValues MergeValuesOf(const RecordBuffers& r, const lease::LeaseFacts& facts,
                                  const lease::UpdateResult& result) {
  namespace u = storage::unit;
  namespace b = storage::building;
  output::MergeValues v;
  v.report_date = facts.report_date;
  v.unit_key = storage::GetBytes(r.unit, u::kKey);
  v.tenant = storage::GetText(r.unit, u::kTenantName);
  v.street = UnitAddress(r);
  v.designation = storage::GetText(r.unit, u::kDesignation);
  const bool own_lines =
      storage::GetText(r.building, b::kType) == "P" &&
      storage::GetText(r.unit, u::kAddress2).find_first_not_of(' ') != std::string::npos;
  v.address2 = own_lines ? storage::GetText(r.unit, u::kAddress2)
                         : storage::GetText(r.building, b::kAddress2);
  v.address3 = own_lines ? storage::GetText(r.unit, u::kAddress3)
                         : storage::GetText(r.building, b::kAddress3);
  v.increment = result.increment;
  v.update_date = result.update_date;
  v.letter_case = lease::LetterCaseOf(facts);
  return v;
}

void LetterOutput::BeginUnit(const RecordBuffers& r, const lease::LeaseFacts& facts,
                             const lease::UpdateResult& result) {
  merge_ = MergeValuesOf(r, facts, result);
  started_ = false;
}

void LetterOutput::Paragraph(const std::string& text) {
  if (!started_) {
    started_ = true;
    letters_.Write(merge_);
  }
  letters_.AddParagraph(text);
}

void LetterOutput::EndUnit() {
  if (!started_) return;
  const long failures_before = engine_.ReadFailures();
  const long faults_before = engine_.TextFaults();
  letters_.Finish();  // merges the letter when it is due
  if (counts_ == nullptr || !letters_.LetterDue()) return;
  counts_->letters_not_text += engine_.TextFaults() - faults_before;
  if (engine_.ReadFailures() == failures_before) {
    ++counts_->letters_merged;
  } else {
    ++counts_->letters_incomplete;
  }
}

}  // namespace app
