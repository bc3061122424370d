// Typed access to the records of the installation's data files, and the
// named fields the programs read and write. Where each field lies is said
// once, in the table of storage/data_files_table.h; the constants here are
// looked up in it by name when the program is compiled. Accessors never
// read or write outside the record: a field past its end reads as blanks or
// zero and is not written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/data_files_table.h"

namespace storage {

std::string GetBytes(std::string_view record, Field f);
void SetBytes(std::string* record, Field f, std::string_view bytes);  // cut or zero-padded
std::string GetText(std::string_view record, Field f);
void SetText(std::string* record, Field f, std::string_view text);  // cut or blank-padded
int16_t GetInt16(std::string_view record, int position);
void SetInt16(std::string* record, int position, int16_t value);
int32_t GetInt32(std::string_view record, int position);
void SetInt32(std::string* record, int position, int32_t value);
double GetDouble(std::string_view record, int position);
void SetDouble(std::string* record, int position, double value);

namespace unit {
inline constexpr const DataFile& kFile = DataFileNamed("DepartaV");
inline constexpr int kLength = kFile.record_length;
inline constexpr Field kKey = kFile.key;
inline constexpr Field kBuildingCode = FieldNamed(kFile, "building", FieldKind::kCode);
inline constexpr Field kUnitCode = FieldNamed(kFile, "unit", FieldKind::kCode);
inline constexpr Field kTenantName = FieldNamed(kFile, "tenant_name", FieldKind::kText);
inline constexpr Field kDesignation = FieldNamed(kFile, "designation", FieldKind::kText);
inline constexpr Field kSubrogatedName = FieldNamed(kFile, "subrogated_name", FieldKind::kText);
inline constexpr Field kStreet = FieldNamed(kFile, "street", FieldKind::kText);
inline constexpr Field kAddress2 = FieldNamed(kFile, "address2", FieldKind::kText);
inline constexpr Field kAddress3 = FieldNamed(kFile, "address3", FieldKind::kText);
inline constexpr Field kContractDate = FieldNamed(kFile, "contract_date", FieldKind::kDate);
inline constexpr int kDurationMonths = PositionNamed(kFile, "duration_months", FieldKind::kInt16);
inline constexpr Field kLastUpdateDate = FieldNamed(kFile, "last_update_date", FieldKind::kDate);
inline constexpr int kUpdateMonths = PositionNamed(kFile, "update_months", FieldKind::kInt16);
inline constexpr int kLastUpdateIndex =
    PositionNamed(kFile, "last_update_index", FieldKind::kInt32);
inline constexpr Field kPremises = FieldNamed(kFile, "premises", FieldKind::kFlag);
inline constexpr int kMonthsPerReceipt =
    PositionNamed(kFile, "months_per_receipt", FieldKind::kInt16);
// The receipt's concepts, the block handed to the law's calculation whole.
inline constexpr Field kConcepts = Spanning(FieldNamed(kFile, "concept1", FieldKind::kInt32),
                                            FieldNamed(kFile, "concept14", FieldKind::kInt32));
// The ten fixed amounts (int32), 4 bytes apart: concept n at kFixedConcept1 + 4 * (n - 1).
inline constexpr int kFixedConcept1 = PositionNamed(kFile, "concept1", FieldKind::kInt32);
// The code (int16) and amount (int32) of the coded concepts 11 to 14.
inline constexpr int kCodedConcepts[4][2] = {
    {PositionNamed(kFile, "concept11_code", FieldKind::kInt16),
     PositionNamed(kFile, "concept11", FieldKind::kInt32)},
    {PositionNamed(kFile, "concept12_code", FieldKind::kInt16),
     PositionNamed(kFile, "concept12", FieldKind::kInt32)},
    {PositionNamed(kFile, "concept13_code", FieldKind::kInt16),
     PositionNamed(kFile, "concept13", FieldKind::kInt32)},
    {PositionNamed(kFile, "concept14_code", FieldKind::kInt16),
     PositionNamed(kFile, "concept14", FieldKind::kInt32)},
};
inline constexpr Field kTaxId = FieldNamed(kFile, "tax_id", FieldKind::kText);
}  // namespace unit

namespace building {
inline constexpr const DataFile& kFile = DataFileNamed("FinquesV");
inline constexpr int kLength = kFile.record_length;
inline constexpr Field kCode = FieldNamed(kFile, "building", FieldKind::kCode);
inline constexpr Field kOwnerCode = FieldNamed(kFile, "owner", FieldKind::kCode);
inline constexpr Field kStreet = FieldNamed(kFile, "street", FieldKind::kText);
inline constexpr Field kAddress2 = FieldNamed(kFile, "address2", FieldKind::kText);
inline constexpr Field kAddress3 = FieldNamed(kFile, "address3", FieldKind::kText);
inline constexpr Field kType = FieldNamed(kFile, "type", FieldKind::kFlag);
}  // namespace building

namespace owner {
inline constexpr const DataFile& kFile = DataFileNamed("PropietV");
inline constexpr int kLength = kFile.record_length;
inline constexpr Field kCode = FieldNamed(kFile, "owner", FieldKind::kCode);
inline constexpr Field kName = FieldNamed(kFile, "name", FieldKind::kText);
inline constexpr Field kTaxId = FieldNamed(kFile, "tax_id", FieldKind::kText);
}  // namespace owner

namespace transition {
inline constexpr const DataFile& kFile = DataFileNamed("TranLauV");
inline constexpr int kLength = kFile.record_length;
inline constexpr Field kKey = kFile.key;
inline constexpr Field kReferenceDate1 = FieldNamed(kFile, "reference_date1", FieldKind::kDate);
inline constexpr Field kReferenceDate2 = FieldNamed(kFile, "reference_date2", FieldKind::kDate);
inline constexpr Field kAssimilated = FieldNamed(kFile, "assimilated", FieldKind::kFlag);
inline constexpr Field kAssimilatedHousing =
    FieldNamed(kFile, "assimilated_housing", FieldKind::kFlag);
inline constexpr int kFloorArea = PositionNamed(kFile, "floor_area", FieldKind::kInt32);
inline constexpr int kCadastralValue = PositionNamed(kFile, "cadastral_value", FieldKind::kInt32);
inline constexpr Field kCadastralDate = FieldNamed(kFile, "cadastral_date", FieldKind::kDate);
inline constexpr int kPopulation = PositionNamed(kFile, "population", FieldKind::kInt32);
inline constexpr int kCohabitants = PositionNamed(kFile, "cohabitants", FieldKind::kInt16);
inline constexpr int kHouseholdIncome = PositionNamed(kFile, "household_income", FieldKind::kInt32);
inline constexpr Field kOpposedUpdate = FieldNamed(kFile, "opposed_update", FieldKind::kFlag);
inline constexpr Field kPremisesCategory = FieldNamed(kFile, "premises_category", FieldKind::kFlag);
inline constexpr Field kPremisesFlag = FieldNamed(kFile, "premises_flag", FieldKind::kFlag);
inline constexpr int kQuota = PositionNamed(kFile, "quota", FieldKind::kInt32);
inline constexpr Field kTookOption7 = FieldNamed(kFile, "took_option7", FieldKind::kFlag);
inline constexpr Field kPremisesOpposed = FieldNamed(kFile, "premises_opposed", FieldKind::kFlag);
inline constexpr int kRevaluedRent = PositionNamed(kFile, "revalued_rent", FieldKind::kInt32);
inline constexpr int kBaseIndex = PositionNamed(kFile, "base_index", FieldKind::kInt32);
inline constexpr int kStepsAtStart = PositionNamed(kFile, "steps_at_start", FieldKind::kInt16);
inline constexpr int kStepsReached = PositionNamed(kFile, "steps_reached", FieldKind::kInt16);
}  // namespace transition

namespace receipt {
inline constexpr const DataFile& kFile = DataFileNamed("TVRebut");
inline constexpr int kLength = kFile.record_length;
inline constexpr Field kKey = kFile.key;
inline constexpr int kType = PositionNamed(kFile, "type", FieldKind::kInt16);
}  // namespace receipt

namespace cpi {
inline constexpr const DataFile& kFile = DataFileNamed("UIpc");
inline constexpr int kLength = kFile.record_length;
inline constexpr Field kKey = kFile.key;
// The month field: the series (kIndexSeries), then the month's first day.
inline constexpr Field kPrefix{FieldNamed(kFile, "month", FieldKind::kMonth).position,
                               static_cast<int>(kIndexSeries.size())};
inline constexpr Field kMonth{kPrefix.position + kPrefix.width,
                              FieldNamed(kFile, "month", FieldKind::kMonth).width - kPrefix.width};
inline constexpr int kValue = PositionNamed(kFile, "value", FieldKind::kDouble);
}  // namespace cpi

namespace text {
inline constexpr const DataFile& kFile = DataFileNamed("Textos");
inline constexpr int kLength = kFile.record_length;
inline constexpr Field kKey = kFile.key;
}  // namespace text

// The premises tenant flag of a unit's default transition record: "S" when
// the tax identifier is "ES" followed by a person's number (a digit or X, Y,
// Z after the prefix), else "N".
char PremisesTenantFlag(std::string_view tax_id);

// The transition record a unit without one is processed with.
std::string DefaultTransitionRecord(std::string_view unit_key, std::string_view tax_id);

}  // namespace storage
