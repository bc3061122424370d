#include "app/report_output.h"

#include "storage/record_layouts.h"

namespace app {

void ReportOutput::BeginUnit(const RecordBuffers& r, const lease::LeaseFacts& facts,
                             const lease::UpdateResult&) {
  output::UnitLine line;
  line.unit_key = storage::GetBytes(r.unit, storage::unit::kKey);
  line.address = UnitAddress(r);
  line.designation = storage::GetText(r.unit, storage::unit::kDesignation);
  line.tenant = storage::GetText(r.unit, storage::unit::kTenantName);
  line.holder_code = facts.holder_code;
  line.contract_date = facts.contract_date;
  pages_.BeginUnit(line);
}

void ReportOutput::EndUnit() {
  if (pages_.unit_block_done()) pages_.EndUnitOutput();
}

}  // namespace app
