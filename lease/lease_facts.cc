#include "lease/lease_facts.h"

#include "lease/law_dates.h"

namespace lease {
namespace {

int32_t Int32At(const std::string& block, size_t at) {
  if (at + 4 > block.size()) return 0;
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(block[at + i])) << (8 * i);
  return static_cast<int32_t>(v);
}

int16_t Int16At(const std::string& block, size_t at) {
  if (at + 2 > block.size()) return 0;
  return static_cast<int16_t>(static_cast<unsigned char>(block[at]) |
                              (static_cast<unsigned char>(block[at + 1]) << 8));
}

// Concept types: 0 rent; 1, 2 and 4 assimilated to rent (only 1 for the coded
// concepts 11 to 14). A concept not in the file counts as type 9: nowhere.
void AddConcepts(const std::string& block, ReferenceData& reference, LeaseFacts* f) {
  // Summed in 64 bits: fourteen amounts of the records' 32 bits may exceed them.
  int64_t rent = 0, assimilated = 0, kept = 0;
  for (int c = 0; c < 10; ++c) {
    const int32_t amount = Int32At(block, static_cast<size_t>(4 * c));
    const int16_t type =
        reference.ConceptType(std::string(1, static_cast<char>(c + 1))).value_or(9);
    if (type == 0) rent += amount;
    if (type == 1 || type == 2 || type == 4) {
      assimilated += amount;
      if (c != 1 && c != 2 && c != 5 && c != 6 && c != 9) kept += amount;
    }
  }
  static constexpr size_t kCoded[4][2] = {{40, 42}, {46, 48}, {52, 54}, {58, 62}};
  for (const auto& at : kCoded) {
    const int16_t code = Int16At(block, at[0]);
    const int32_t amount = Int32At(block, at[1]);
    const std::string key = base::PackDigits(base::ZeroPad(code < 0 ? -code : code, 2));
    const int16_t type = reference.ConceptType(key).value_or(9);
    if (type == 0) rent += amount;
    if (type == 1) {
      assimilated += amount;
      kept += amount;
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

PackedDate Date(const char* ddmmyyyy) { return base::ParseDate(ddmmyyyy); }

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

int ExtinctionTerm(LeaseFacts* f) {
  int term;
  if (f->premises_category == 'P') {
    term = 5;
  } else if (f->housing()) {
    if (f->assimilated == 'N') {
      term = f->opposed_update == 'S' ? 8 : 0;
    } else {
      term = IsTransitional(f->contract_date) ? (f->assimilated_housing == 'N' ? 15 : 10) : 0;
    }
  } else if (f->assimilated == 'S') {
    term = 5;
  } else if (f->premises_flag == 'S') {
    term = 0;
  } else if (f->premises_category == 'C') {
    term = f->floor_area > 2500 ? 5 : 20;
  } else if (f->quota >= 1 && f->quota <= 85000) {
    term = 20;
  } else if (f->quota >= 85001 && f->quota <= 130000) {
    term = 15;
  } else if (f->quota >= 130001 && f->quota <= 190000) {
    term = 10;
  } else {
    term = 5;
  }
  if (term > 0 && term < 15) f->premises_opposed = 'N';
  return term;
}

}  // namespace lease
