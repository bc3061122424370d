#include "app/report_output.h"

#include "lease/letter_case.h"
#include "output/template_merge.h"
#include "storage/record_layouts.h"

namespace app {

std::string UnitAddress(const RecordBuffers& r) {
  if (storage::GetText(r.building, storage::building::kType) == "P") {
    return storage::GetText(r.unit, storage::unit::kStreet);
  }
  return storage::GetText(r.building, storage::building::kStreet);
}

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

void ReportOutput::EndUnit() {
  if (!pages_.unit_block_done()) return;
  const long failures_before = output::TemplateReadFailures();
  const long faults_before = output::TemplateTextFaults();
  pages_.EndUnitOutput();  // mode "C": merges the letter when it is due
  if (counts_ == nullptr || !letters_due_counted_ || !letters_.LetterDue()) return;
  counts_->letters_not_text += output::TemplateTextFaults() - faults_before;
  if (output::TemplateReadFailures() == failures_before) {
    ++counts_->letters_merged;
  } else {
    ++counts_->letters_incomplete;
  }
}

void ReportOutput::BeginUnit(const RecordBuffers& r, const lease::LeaseFacts& facts,
                             const lease::UpdateResult& result) {
  output::UnitLine line;
  line.unit_key = storage::GetBytes(r.unit, storage::unit::kKey);
  line.address = UnitAddress(r);
  line.designation = storage::GetText(r.unit, storage::unit::kDesignation);
  line.tenant = storage::GetText(r.unit, storage::unit::kTenantName);
  line.holder_code = facts.holder_code;
  line.contract_date = facts.contract_date;
  pages_.BeginUnit(line, MergeValuesOf(r, facts, result));
}

}  // namespace app
