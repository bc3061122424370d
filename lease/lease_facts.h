// The facts of one lease and its classification under the transitional
// provisions of the urban-leases act of 24 November 1994: housing or
// premises, assimilated or not, sumptuary or not, the regime the contract was
// made under and the years after which it is extinguished.
//
// The engine takes values and returns values: the driver decodes the unit's
// records into UnitValues and TransitionValues, and the receipt-concept types
// come through ReferenceData.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/dates.h"
#include "lease/reference_data.h"

namespace lease {

using base::PackedDate;

// The receipt's concepts, amounts in hundredths of a euro: the ten fixed
// concepts (1 to 10) and the four coded ones (11 to 14), each of which names
// its concept by a code.
struct CodedConcept {
  int16_t code = 0;
  int32_t amount = 0;
};
struct ReceiptConcepts {
  std::array<int32_t, 10> fixed{};
  std::array<CodedConcept, 4> coded{};
};

// From the unit record (positions as stored).
struct UnitValues {
  std::string subrogated_name;     // 49, 30 characters
  PackedDate contract_date;        // 190
  int16_t duration_months = 0;     // 194, 0 = indefinite
  int16_t months_per_receipt = 0;  // 226
  char premises = ' ';             // 211, "S" = business premises
  ReceiptConcepts concepts;        // 278
};

// From the transition record (or its defaults).
struct TransitionValues {
  PackedDate reference_date1;      // 5
  PackedDate reference_date2;      // 9
  char assimilated = 'N';          // 13
  char assimilated_housing = 'N';  // 14
  int32_t floor_area = 0;          // 15
  int32_t cadastral_value = 0;     // 19
  PackedDate cadastral_date;       // 23
  int32_t population = 0;          // 27
  int16_t cohabitants = 0;         // 31
  int32_t household_income = 0;    // 33
  char opposed_update = 'N';       // 37
  char premises_category = 'O';    // 38
  char premises_flag = 'N';        // 39
  int32_t quota = 0;               // 40
  char took_option7 = 'N';         // 44
  char premises_opposed = 'N';     // 45
};

inline constexpr int32_t kReferenceIncome = 611280;

// The amounts a unit's figures may reach, in cents: a tenth of what a 32-bit
// field of the records holds, so that a revaluation (at most 8.64 times) and
// the update keep within the field when they are written back.
inline constexpr int64_t kHighestAmount = 214748364;
inline constexpr int64_t kLowestAmount = -214748364;

// Rebuilt from zero for every unit; chars are 0 where not copied.
struct LeaseFacts {
  char holder_code = 0;  // "T" holder, "1" first subrogation
  PackedDate contract_date;
  PackedDate reference_date1;
  PackedDate reference_date2;
  int16_t duration_months = 0;
  int16_t months_per_receipt = 0;
  char use_code = 0;  // "V" housing, "L" premises
  char assimilated = 0;
  char assimilated_housing = 0;
  int32_t floor_area = 0;
  int32_t cadastral_value = 0;
  PackedDate cadastral_date;
  int32_t population = 0;
  int16_t cohabitants = 0;
  int32_t household_income = 0;
  char opposed_update = 0;
  char premises_category = 0;
  char premises_flag = 0;
  int32_t quota = 0;
  char took_option7 = 0;
  char premises_opposed = 0;
  int32_t rent_per_receipt = 0;
  int32_t assimilated_per_receipt = 0;
  // The part of it in concepts that the write-back leaves in place (all but
  // the fixed concepts 2, 3, 6, 7 and 10).
  int32_t assimilated_kept_per_receipt = 0;
  PackedDate report_date;
  int32_t reference_income = kReferenceIncome;
  // The receipt's concepts add up to more than an amount of the records can
  // hold: the unit cannot be computed (its amounts above are 0).
  bool amounts_too_large = false;

  bool housing() const { return use_code == 'V'; }
};

LeaseFacts BuildLeaseFacts(const UnitValues& unit, const TransitionValues& transition,
                           const PackedDate& report_date, ReferenceData& reference);

// Months per receipt above 0 and the contract's month within the window of
// months (1 to 12, both inclusive).
bool IsEligible(const LeaseFacts& facts, int first_month, int last_month);

enum class ContractRegime { kBefore1946Act, kAct1946, kAct1964, kAct1964Decree1985, kAct1994 };
ContractRegime ContractRegimeOf(const PackedDate& contract_date);

// Contracts before 9 May 1985 get the update, the extension paragraphs and
// the write-back.
bool IsTransitional(const PackedDate& contract_date);

// monthly_rent in the stored money unit; premises are never sumptuary.
bool IsSumptuary(const LeaseFacts& facts, double monthly_rent);

// The last day of an extinction term of whole years from 1 Jan 1995.
PackedDate ExtinctionDate(int term);

// Whole years from 1 Jan 1995; 0: the legal extension continues.
int ExtinctionTerm(const LeaseFacts& facts);

// Whether a premises tenant's opposition to the update (premises_opposed)
// stands under the extinction term: a term of 1 to 14 years ends it.
bool PremisesOpposeUpdate(const LeaseFacts& facts, int extinction_term);

}  // namespace lease
