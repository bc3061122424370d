#include "app/lease_handler.h"

#include <cstdio>

#include "base/dates.h"
#include "lease/lease_facts.h"
#include "lease/price_index.h"
#include "lease/rent_update.h"
#include "lease/report_paragraphs.h"
#include "storage/record_layouts.h"
#include "storage/record_manager.h"

namespace app {
namespace {

namespace u = storage::unit;
namespace t = storage::transition;
using storage::GetBytes;
using storage::GetInt16;
using storage::GetInt32;
using storage::GetText;

lease::UnitValues UnitValuesOf(const std::string& r) {
  lease::UnitValues v;
  v.subrogated_name = GetText(r, u::kSubrogatedName);
  v.contract_date = GetBytes(r, u::kContractDate);
  v.duration_months = GetInt16(r, u::kDurationMonths);
  v.months_per_receipt = GetInt16(r, u::kMonthsPerReceipt);
  v.premises = GetText(r, u::kPremises)[0];
  v.concepts = GetBytes(r, u::kConcepts);
  return v;
}

lease::TransitionValues TransitionValuesOf(const std::string& r) {
  lease::TransitionValues v;
  v.reference_date1 = GetBytes(r, t::kReferenceDate1);
  v.reference_date2 = GetBytes(r, t::kReferenceDate2);
  v.assimilated = GetText(r, t::kAssimilated)[0];
  v.assimilated_housing = GetText(r, t::kAssimilatedHousing)[0];
  v.floor_area = GetInt32(r, t::kFloorArea);
  v.cadastral_value = GetInt32(r, t::kCadastralValue);
  v.cadastral_date = GetBytes(r, t::kCadastralDate);
  v.population = GetInt32(r, t::kPopulation);
  v.cohabitants = GetInt16(r, t::kCohabitants);
  v.household_income = GetInt32(r, t::kHouseholdIncome);
  v.opposed_update = GetText(r, t::kOpposedUpdate)[0];
  v.premises_category = GetText(r, t::kPremisesCategory)[0];
  v.premises_flag = GetText(r, t::kPremisesFlag)[0];
  v.quota = GetInt32(r, t::kQuota);
  v.took_option7 = GetText(r, t::kTookOption7)[0];
  v.premises_opposed = GetText(r, t::kPremisesOpposed)[0];
  return v;
}

// Writes the results into the record buffers and then into the files.
// Returns the first status that was not 0 (the record layer has logged it).
int16_t ApplyWriteBack(const lease::WriteBack& w, RecordBuffers& r, bool new_record) {
  storage::SetInt16(&r.unit, u::kDurationMonths, w.duration_months);
  if (w.set_update_months_to_12) storage::SetInt16(&r.unit, u::kUpdateMonths, 12);
  storage::SetInt32(&r.transition, t::kRevaluedRent, w.revalued_rent);
  storage::SetInt32(&r.transition, t::kBaseIndex, w.base_index);
  storage::SetInt16(&r.transition, t::kStepsAtStart, w.steps_at_start);
  storage::SetInt16(&r.transition, t::kStepsReached, w.steps_reached);
  if (w.set_last_update) {
    storage::SetBytes(&r.unit, u::kLastUpdateDate, w.last_update_date);
    storage::SetInt32(&r.unit, u::kLastUpdateIndex, w.last_update_index);
  }
  for (int number : {2, 3, 6, 7, 10}) storage::SetInt32(&r.unit, u::kFixedConcept1 + 4 * (number - 1), 0);
  storage::SetInt32(&r.unit, u::kFixedConcept1 + 4, w.assimilated_concept);
  const int16_t transition =
      new_record ? storage::InsertRecord(kTransitionFile) : storage::UpdateRecord(kTransitionFile);
  const int16_t unit = storage::UpdateRecord(kUnitFile);
  return transition != 0 ? transition : unit;
}

void CountWriteBack(int16_t status, RunCounts* counts) {
  if (status == 0) {
    ++counts->units_written_back;
  } else if (status == storage::kStatusRecordLocked || status == storage::kStatusFileLocked) {
    ++counts->units_held;
  } else {
    ++counts->units_not_written;
  }
}

}  // namespace

std::optional<int16_t> RecordReference::ConceptType(const std::string& key) {
  storage::SetInt16(&records_.receipt, storage::receipt::kType, 9);
  if (storage::SeekByKeyWithoutLock(kReceiptFile, 0, key, 0) != 0) return std::nullopt;
  return GetInt16(records_.receipt, storage::receipt::kType);
}

std::optional<lease::CpiRecordValues> RecordReference::CpiAtOrBefore(const std::string& key) {
  storage::SetDouble(&records_.cpi, storage::cpi::kValue, 100);
  if (storage::SeekByKeyWithoutLock(kCpiFile, 0, key, -1) != 0) return std::nullopt;
  return lease::CpiRecordValues{GetBytes(records_.cpi, storage::cpi::kKey),
                                storage::GetDouble(records_.cpi, storage::cpi::kValue)};
}

void LeaseHandler::HandleUnit(RecordBuffers& records, bool new_record) {
  last_paragraphs_.clear();
  RecordReference reference(records);
  lease::LeaseFacts facts = lease::BuildLeaseFacts(UnitValuesOf(records.unit), TransitionValuesOf(records.transition),
                                                   params_.report_date, reference);
  if (!lease::IsEligible(facts, params_.first_month, params_.last_month)) return;
  ++counts_->units_in_window;
  const std::optional<lease::IndexReading> found =
      lease::FindLatestIndex(facts.contract_date, facts.report_date, reference, base_changes_);
  lease::IndexReading reading = found.value_or(lease::IndexReading{});
  const bool transitional = lease::IsTransitional(facts.contract_date);
  if (!found && transitional) {
    ++counts_->units_without_index;
    const std::string key = base::UnpackDigits(GetBytes(records.unit, u::kKey));
    std::fprintf(stderr,
                 "mirtosek: unit %s-%s: no price index in TAULES\\UIpc before the anniversary; "
                 "its rent is not updated\n",
                 key.substr(0, 4).c_str(), key.substr(4).c_str());
  }
  if (found && transitional) stale_.Note(reading);
  const lease::UpdateResult result = lease::ComputeRentUpdate(&facts, &reading);
  last_paragraphs_ = lease::ComposeReportParagraphs(facts, found ? &reading : nullptr, result);
  if (!last_paragraphs_.empty()) ++counts_->units_with_paragraphs;
  if (output_ != nullptr) {
    output_->BeginUnit(records, facts, result);
    for (const std::string& p : last_paragraphs_) output_->Paragraph(p);
    output_->EndUnit();
  }
  if (params_.run_mode == "A" && transitional && found) {
    CountWriteBack(ApplyWriteBack(lease::WriteBackUpdate(facts, reading, result,
                                                         GetInt16(records.unit, u::kUpdateMonths)),
                                  records, new_record),
                   counts_);
  }
}

}  // namespace app
