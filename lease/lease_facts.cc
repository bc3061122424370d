#include "lease/lease_facts.h"

#include "lease/law_dates.h"

namespace lease {
namespace {

// Concept types: 0 rent; 1, 2 and 4 assimilated to rent (only 1 for the coded
// concepts 11 to 14). A concept not in the file counts as type 9: nowhere.
void AddConcepts(const ReceiptConcepts& concepts, ReferenceData& reference, LeaseFacts* f) {
  // Summed in 64 bits: fourteen amounts of the records' 32 bits may exceed them.
  int64_t rent = 0, assimilated = 0, kept = 0;
  for (int c = 0; c < 10; ++c) {
    const int32_t amount = concepts.fixed[static_cast<size_t>(c)];
    const int16_t type = reference.FixedConceptType(c + 1).value_or(9);
    if (type == 0) rent += amount;
    if (type == 1 || type == 2 || type == 4) {
      assimilated += amount;
      if (c != 1 && c != 2 && c != 5 && c != 6 && c != 9) kept += amount;
    }
  }
  for (const CodedConcept& coded : concepts.coded) {
    const int16_t type = reference.CodedConceptType(coded.code).value_or(9);
    if (type == 0) rent += coded.amount;
    if (type == 1) {
      assimilated += coded.amount;
      kept += coded.amount;
    }
  }
  const auto fits = [](int64_t v) { return v >= kLowestAmount && v <= kHighestAmount; };
  if (!fits(rent) || !fits(assimilated) || !fits(kept) || !fits(rent + assimilated)) {
    f->amounts_too_large = true;
    return;
  }
  f->rent_per_receipt = static_cast<int32_t>(rent);
  f->assimilated_per_receipt = static_cast<int32_t>(assimilated);
  f->assimilated_kept_per_receipt = static_cast<int32_t>(kept);
}

bool IsBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

LeaseFacts BuildLeaseFacts(const UnitValues& u, const TransitionValues& t,
                           const PackedDate& report_date, ReferenceData& reference) {
  LeaseFacts f;
  f.holder_code = IsBlank(u.subrogated_name) ? 'T' : '1';
  f.contract_date = u.contract_date;
  f.reference_date1 = t.reference_date1;
  f.reference_date2 = t.reference_date2;
  f.duration_months = u.duration_months;
  f.months_per_receipt = u.months_per_receipt;
  f.use_code = u.premises == 'S' ? 'L' : 'V';
  f.assimilated = t.assimilated;
  if (f.use_code == 'V' && f.assimilated == 'S') f.assimilated_housing = t.assimilated_housing;
  f.floor_area = t.floor_area;
  if (f.housing()) {
    f.cadastral_value = t.cadastral_value;
    f.cadastral_date = t.cadastral_date;
    if (f.contract_date < kRevaluationCutoff) f.population = t.population;
    f.cohabitants = t.cohabitants;
    f.household_income = t.household_income;
    f.opposed_update = t.opposed_update;
  } else {
    f.premises_category = t.premises_category;
    f.premises_flag = f.premises_category == 'P' ? 'S' : t.premises_flag;
    if (f.premises_flag == 'N' && f.premises_category == 'N') f.quota = t.quota;
    f.took_option7 = t.took_option7;
  }
  if (f.took_option7 == 'N') {
    const bool applies = (f.premises_flag == 'S' && f.premises_category != 'P') ||
                         (f.premises_category == 'C' && f.floor_area <= 2500) ||
                         (f.premises_category == 'N' && f.quota >= 1 && f.quota <= 130000);
    if (applies) f.premises_opposed = t.premises_opposed;
  }
  AddConcepts(u.concepts, reference, &f);
  f.report_date = report_date;
  f.reference_income = kReferenceIncome;
  return f;
}

bool IsEligible(const LeaseFacts& f, int first_month, int last_month) {
  if (f.months_per_receipt <= 0) return false;
  const int month = f.contract_date.month();
  return month >= first_month && month <= last_month;
}

ContractRegime ContractRegimeOf(const PackedDate& d) {
  if (d < kAct1946InForce) return ContractRegime::kBefore1946Act;
  if (d < kAct1964InForce) return ContractRegime::kAct1946;
  if (d < kDecree1985InForce) return ContractRegime::kAct1964;
  if (d < kAct1994InForce) return ContractRegime::kAct1964Decree1985;
  return ContractRegime::kAct1994;
}

bool IsTransitional(const PackedDate& contract_date) { return contract_date < kDecree1985InForce; }

bool IsSumptuary(const LeaseFacts& f, double monthly_rent) {
  if (!f.housing()) return false;
  const int32_t p = f.population;
  double multiplier = 1;
  if (p >= 1 && p <= 19999)
    multiplier = 0.4;
  else if (p >= 20000 && p <= 99999)
    multiplier = 0.5;
  else if (p >= 100000 && p <= 249999)
    multiplier = 0.6;
  else if (p >= 250000 && p <= 499999)
    multiplier = 0.7;
  else if (p >= 500000 && p <= 999999)
    multiplier = 0.8;
  struct Limit {
    PackedDate up_to;
    double limit;
  } static const kLimits[] = {{kEndOfSeptember1939, 500}, {kStartOf1942, 1000},
                              {kAct1946, 2000},           {kEndOf1956, 3000},
                              {kEndOf1959, 5000},         {kEveOfAct1964InForce, 6000}};
  for (const Limit& l : kLimits) {
    if (f.contract_date <= l.up_to) return monthly_rent >= multiplier * l.limit;
  }
  return false;
}

PackedDate ExtinctionDate(int term) {
  return base::AddToDate(base::AddToDate(kAct1994InForce, term, "a"), -1, "d");
}

int ExtinctionTerm(const LeaseFacts& f) {
  if (f.premises_category == 'P') return 5;
  if (f.housing()) {
    if (f.assimilated == 'N') return f.opposed_update == 'S' ? 8 : 0;
    return IsTransitional(f.contract_date) ? (f.assimilated_housing == 'N' ? 15 : 10) : 0;
  }
  if (f.assimilated == 'S') return 5;
  if (f.premises_flag == 'S') return 0;
  if (f.premises_category == 'C') return f.floor_area > 2500 ? 5 : 20;
  if (f.quota >= 1 && f.quota <= 85000) return 20;
  if (f.quota >= 85001 && f.quota <= 130000) return 15;
  if (f.quota >= 130001 && f.quota <= 190000) return 10;
  return 5;
}

bool PremisesOpposeUpdate(const LeaseFacts& f, int extinction_term) {
  return f.premises_opposed == 'S' && !(extinction_term > 0 && extinction_term < 15);
}

}  // namespace lease
