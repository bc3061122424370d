#include "app/lease_handler.h"

#include <cstdio>
#include <cstdlib>

#include "app/reference_tables.h"
#include "app/write_back.h"
#include "base/dates.h"
#include "lease/lease_facts.h"
#include "lease/price_index.h"
#include "lease/rent_update.h"
#include "lease/report_paragraphs.h"
#include "storage/record_layouts.h"
#include "storage/record_manager.h"
#include "storage/snapshots.h"

namespace app {
namespace {

namespace u = storage::unit;
namespace t = storage::transition;
using storage::GetBytes;
using storage::GetInt16;
using storage::GetInt32;
using storage::GetText;

// The amounts of the ten fixed concepts, then the code and amount of each
// coded concept.
lease::ReceiptConcepts ReceiptConceptsOf(const std::string& r) {
  lease::ReceiptConcepts c;
  for (size_t i = 0; i < c.fixed.size(); ++i) {
    c.fixed[i] = GetInt32(r, u::kFixedConcept1 + 4 * static_cast<int>(i));
  }
  for (size_t i = 0; i < c.coded.size(); ++i) {
    c.coded[i] = {GetInt16(r, u::kCodedConcepts[i][0]), GetInt32(r, u::kCodedConcepts[i][1])};
  }
  return c;
}

lease::UnitValues UnitValuesOf(const std::string& r) {
  lease::UnitValues v;
  v.subrogated_name = GetText(r, u::kSubrogatedName);
  v.contract_date = base::PackedDate::FromBytes(GetBytes(r, u::kContractDate));
  v.duration_months = GetInt16(r, u::kDurationMonths);
  v.months_per_receipt = GetInt16(r, u::kMonthsPerReceipt);
  v.premises = GetText(r, u::kPremises)[0];
  v.concepts = ReceiptConceptsOf(r);
  return v;
}

lease::TransitionValues TransitionValuesOf(const std::string& r) {
  lease::TransitionValues v;
  v.reference_date1 = base::PackedDate::FromBytes(GetBytes(r, t::kReferenceDate1));
  v.reference_date2 = base::PackedDate::FromBytes(GetBytes(r, t::kReferenceDate2));
  v.assimilated = GetText(r, t::kAssimilated)[0];
  v.assimilated_housing = GetText(r, t::kAssimilatedHousing)[0];
  v.floor_area = GetInt32(r, t::kFloorArea);
  v.cadastral_value = GetInt32(r, t::kCadastralValue);
  v.cadastral_date = base::PackedDate::FromBytes(GetBytes(r, t::kCadastralDate));
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

// The run parameters hold a month as its packed two digits.
int MonthNumber(const std::string& packed_month) {
  return std::atoi(base::UnpackDigits(packed_month).c_str());
}

const char* FileName(storage::FileCode file) {
  return file == kTransitionFile ? storage::transition::kFile.path : storage::unit::kFile.path;
}

// A record another station holds is skipped, as the walk skips it; any
// other failed write stops the write-back: the disk, the file or the
// server can no longer be trusted with the next units.
void CountWriteBack(const WriteOutcome& w, const std::string& key, RunCounts* counts) {
  if (w.status == 0) {
    ++counts->units_written_back;
  } else if (w.status == storage::kStatusRecordLocked || w.status == storage::kStatusFileLocked) {
    ++counts->units_held;
  } else {
    ++counts->units_not_written;
    counts->write_failure = "unit " + key.substr(0, 4) + "-" + key.substr(4) + ": the " +
                            (w.inserted ? "insert" : "update") + " of " + FileName(w.file) +
                            " returned status " + std::to_string(w.status);
  }
}

}  // namespace

// The fixed concepts are keyed by their number as a byte, the coded ones by
// the packed two digits of their code.
std::optional<int16_t> RecordReference::FixedConceptType(int number) {
  return ConceptType(std::string(1, static_cast<char>(number)));
}

std::optional<int16_t> RecordReference::CodedConceptType(int16_t code) {
  return ConceptType(base::PackDigits(base::ZeroPad(code < 0 ? -code : code, 2)));
}

// The key is the series code and the month's packed date. A record of
// another series found by the less-or-equal read is no index.
std::optional<lease::CpiRecordValues> RecordReference::NationalIndexAtOrBefore(
    const base::PackedDate& month) {
  const std::string_view series = storage::kIndexSeries;
  const std::optional<CpiRecord> found = CpiAtOrBefore(std::string(series) + month.Bytes());
  if (!found || found->key.substr(0, series.size()) != series) return std::nullopt;
  return lease::CpiRecordValues{base::PackedDate::FromBytes(found->key.substr(series.size())),
                                found->value};
}

std::optional<int16_t> RecordReference::ConceptType(const std::string& key) {
  storage::SetInt16(&records_.receipt, storage::receipt::kType, 9);
  if (storage::SeekByKeyWithoutLock(kReceiptFile, 0, key, 0) != 0) return std::nullopt;
  return GetInt16(records_.receipt, storage::receipt::kType);
}

std::optional<CpiRecord> RecordReference::CpiAtOrBefore(const std::string& key) {
  storage::SetDouble(&records_.cpi, storage::cpi::kValue, 100);
  if (storage::SeekByKeyWithoutLock(kCpiFile, 0, key, -1) != 0) return std::nullopt;
  return CpiRecord{GetBytes(records_.cpi, storage::cpi::kKey),
                   storage::GetDouble(records_.cpi, storage::cpi::kValue)};
}

void LeaseHandler::HandleUnit(RecordBuffers& records, bool new_record) {
  last_paragraphs_.clear();
  if (reference_ == nullptr || reference_buffers_ != &records) {
    reference_ = std::make_unique<ReferenceTables>(records);
    reference_buffers_ = &records;
  }
  lease::ReferenceData& reference = *reference_;
  const lease::LeaseFacts facts =
      lease::BuildLeaseFacts(UnitValuesOf(records.unit), TransitionValuesOf(records.transition),
                             params_.report_date, reference);
  if (!lease::IsEligible(facts, MonthNumber(params_.first_month), MonthNumber(params_.last_month)))
    return;
  if (facts.amounts_too_large) {
    ++counts_->units_amounts_too_large;
    const std::string key = base::UnpackDigits(GetBytes(records.unit, u::kKey));
    std::fprintf(stderr,
                 "mirtosek: unit %s-%s: its receipt concepts add up to more than 2,147,483.64 EUR, "
                 "more than the program computes with; it is left out\n",
                 key.substr(0, 4).c_str(), key.substr(4).c_str());
    return;
  }
  ++counts_->units_in_window;
  const std::optional<lease::IndexReading> found =
      lease::FindLatestIndex(facts.contract_date, facts.report_date, reference, base_changes_);
  const lease::IndexReading reading = found.value_or(lease::IndexReading{});
  const bool transitional = lease::IsTransitional(facts.contract_date);
  if (!found && transitional) {
    ++counts_->units_without_index;
    const std::string key = base::UnpackDigits(GetBytes(records.unit, u::kKey));
    std::fprintf(stderr,
                 "mirtosek: unit %s-%s: no price index in %s before the anniversary; "
                 "its rent is not updated\n",
                 key.substr(0, 4).c_str(), key.substr(4).c_str(), storage::cpi::kFile.path);
  }
  if (found && transitional) stale_.Note(reading);
  const lease::UpdateResult result = lease::ComputeRentUpdate(facts, reading);
  last_paragraphs_ = lease::ComposeReportParagraphs(facts, found ? &reading : nullptr, result);
  if (!last_paragraphs_.empty()) ++counts_->units_with_paragraphs;
  const long letters_before = counts_->letters_merged;
  if (output_ != nullptr) {
    output_->BeginUnit(records, facts, result);
    for (const std::string& p : last_paragraphs_) output_->Paragraph(p);
    output_->EndUnit();
  }
  if (extras_ != nullptr && extras_->results != nullptr && !last_paragraphs_.empty()) {
    extras_->results->AddUnit(records, facts, found ? &reading : nullptr, result,
                              counts_->letters_merged > letters_before);
  }
  if (params_.run_mode == RunMode::kWriteBack && transitional && found) {
    WriteBackUnit(
        lease::WriteBackUpdate(facts, reading, result, GetInt16(records.unit, u::kUpdateMonths)),
        result.update_date, records, new_record);
  }
}

void LeaseHandler::WriteBackUnit(const lease::WriteBack& w, const base::PackedDate& update_date,
                                 RecordBuffers& records, bool new_record) {
  const std::string journal = JournalLine(GetBytes(records.unit, u::kKey), update_date);
  if (extras_ != nullptr && extras_->earlier_written.count(journal) != 0)
    ++counts_->units_written_again;
  if (extras_ != nullptr && extras_->preview != nullptr) {
    std::fputs(PreviewRows(w, records, new_record).c_str(), extras_->preview);
    ++counts_->units_previewed;
    return;
  }
  if (!counts_->write_failure.empty()) {
    ++counts_->units_after_failure;
    return;
  }
  const WriteOutcome outcome = ApplyWriteBack(w, records, new_record);
  CountWriteBack(outcome, base::UnpackDigits(GetBytes(records.unit, u::kKey)), counts_);
  if (outcome.status == 0 && extras_ != nullptr && !extras_->snapshot.empty()) {
    storage::NoteWrittenUnit(extras_->root, extras_->snapshot, journal);
  }
}

}  // namespace app
