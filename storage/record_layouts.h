// The seven record types of the installation's data files, one place for
// every layout. Positions are 1-based byte positions; int16 and int32 are
// little-endian two's complement, double an IEEE 754 64-bit value,
// little-endian; texts are code page 850, blank-padded, no terminator; codes
// are packed digits (two digits a byte, 0x80 + value); dates are PackedDate
// values (century, year, month, day, each 0x80 + value). Bytes of fields not
// listed here are carried through unchanged when a record is rewritten.
//
// UnitRecord, "DADES\DepartaV" (507), 447 bytes, key 0 = positions 1-4
//   1 building code (2, code)       3 unit code (2, code)
//   9 tenant name (30)              39 unit designation (10)
//   49 subrogated person (30)       99/130/160 the unit's own address lines (30 each)
//   190 contract date (4)           194 agreed duration, months (int16)
//   196 date of last update (4)     200 months, set to 12 when 0 in mode "A" (int16)
//   206 index x 1000 of last update (int32)
//   211 "S" business premises (1)   226 months per receipt (int16)
//   278 receipt concepts (66): ten int32 amounts at 278..314; code (int16) and
//       amount (int32) pairs at 318/320, 324/326, 330/332; code 336, amount 340
//   346 tenant's tax identifier (17)
// BuildingRecord, "DADES\FinquesV" (506), 204 bytes, key 0 = positions 1-2
//   1 building code (2)  7 owner code (2)  9/39/69 address lines (30 each)
//   142 type byte, "P": every unit carries its own address
// OwnerRecord, "DADES\PropietV" (505), 324 bytes, key 0 = positions 1-2
//   1 owner code (2)  3 owner name (30)  265 owner's tax identifier (17)
// TransitionRecord, "DADES\TranLauV" (508), 60 bytes, key 0 = positions 1-4
//   1 unit key (4)  5 first reference date  9 second reference date
//   13 assimilated "S"/"N"  14 assimilated housing code  15 floor area (int32)
//   19 cadastral value (int32)  23 cadastral date  27 population (int32)
//   31 cohabitants (int16)  33 household income (int32)  37 opposed update
//   38 premises category  39 premises tenant flag  40 quota (int32)
//   44 took option 7  45 premises opposed update  46 revalued rent (int32)
//   50 base index x 1000 (int32)  54 phase-in steps (int16)  56 steps reached (int16)
// ReceiptRecord, "DADES\TVRebut" (503), 28 bytes, key 0 = position 1 (one byte)
//   1 concept key byte  25 concept type (int16): 0 rent; 1, 2, 4 assimilated
// CpiRecord, "TAULES\UIpc" (4), 16 bytes, key 0 = positions 1-7
//   1 "ESI" (3)  4 month of the index, first day (4)  8 index, base 100 (double)
// TextRecord, "DADES\Textos" (60), 100 bytes, key 0 = positions 1-4; not read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace storage {

struct Field {
  int position;  // 1-based
  int width;
};

// Typed access to a record's bytes. Accessors never read or write outside
// the record: a field past its end reads as blanks or zero and is not written.
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
inline constexpr int kLength = 447;
inline constexpr Field kKey{1, 4};
inline constexpr Field kBuildingCode{1, 2};
inline constexpr Field kUnitCode{3, 2};
inline constexpr Field kTenantName{9, 30};
inline constexpr Field kDesignation{39, 10};
inline constexpr Field kSubrogatedName{49, 30};
inline constexpr Field kStreet{99, 30};
inline constexpr Field kAddress2{130, 30};
inline constexpr Field kAddress3{160, 30};
inline constexpr Field kContractDate{190, 4};
inline constexpr int kDurationMonths = 194;  // int16
inline constexpr Field kLastUpdateDate{196, 4};
inline constexpr int kUpdateMonths = 200;     // int16
inline constexpr int kLastUpdateIndex = 206;  // int32
inline constexpr Field kPremises{211, 1};
inline constexpr int kMonthsPerReceipt = 226;  // int16
inline constexpr Field kConcepts{278, 66};
inline constexpr int kFixedConcept1 = 278;  // int32 each, 4 bytes apart, ten of them
inline constexpr int kCodedConcepts[4][2] = {{318, 320}, {324, 326}, {330, 332}, {336, 340}};
inline constexpr Field kTaxId{346, 17};
}  // namespace unit

namespace building {
inline constexpr int kLength = 204;
inline constexpr Field kCode{1, 2};
inline constexpr Field kOwnerCode{7, 2};
inline constexpr Field kStreet{9, 30};
inline constexpr Field kAddress2{39, 30};
inline constexpr Field kAddress3{69, 30};
inline constexpr Field kType{142, 1};
}  // namespace building

namespace owner {
inline constexpr int kLength = 324;
inline constexpr Field kCode{1, 2};
inline constexpr Field kName{3, 30};
inline constexpr Field kTaxId{265, 17};
}  // namespace owner

namespace transition {
inline constexpr int kLength = 60;
inline constexpr Field kKey{1, 4};
inline constexpr Field kReferenceDate1{5, 4};
inline constexpr Field kReferenceDate2{9, 4};
inline constexpr Field kAssimilated{13, 1};
inline constexpr Field kAssimilatedHousing{14, 1};
inline constexpr int kFloorArea = 15;       // int32
inline constexpr int kCadastralValue = 19;  // int32
inline constexpr Field kCadastralDate{23, 4};
inline constexpr int kPopulation = 27;       // int32
inline constexpr int kCohabitants = 31;      // int16
inline constexpr int kHouseholdIncome = 33;  // int32
inline constexpr Field kOpposedUpdate{37, 1};
inline constexpr Field kPremisesCategory{38, 1};
inline constexpr Field kPremisesFlag{39, 1};
inline constexpr int kQuota = 40;  // int32
inline constexpr Field kTookOption7{44, 1};
inline constexpr Field kPremisesOpposed{45, 1};
inline constexpr int kRevaluedRent = 46;  // int32
inline constexpr int kBaseIndex = 50;     // int32
inline constexpr int kStepsAtStart = 54;  // int16
inline constexpr int kStepsReached = 56;  // int16
}  // namespace transition

namespace receipt {
inline constexpr int kLength = 28;
inline constexpr Field kKey{1, 1};
inline constexpr int kType = 25;  // int16
}  // namespace receipt

namespace cpi {
inline constexpr int kLength = 16;
inline constexpr Field kKey{1, 7};
inline constexpr Field kPrefix{1, 3};  // "ESI"
inline constexpr Field kMonth{4, 4};
inline constexpr int kValue = 8;  // double
}  // namespace cpi

namespace text {
inline constexpr int kLength = 100;
inline constexpr Field kKey{1, 4};
}  // namespace text

// The premises tenant flag of a unit's default transition record: "S" when
// the tax identifier is "ES" followed by a person's number (a digit or X, Y,
// Z after the prefix), else "N".
char PremisesTenantFlag(std::string_view tax_id);

// The transition record a unit without one is processed with.
std::string DefaultTransitionRecord(std::string_view unit_key, std::string_view tax_id);

}  // namespace storage
