#include "lease/rent_update.h"

#include <cmath>
#include <vector>

#include "lease/law_dates.h"

namespace lease {
namespace {

double R(double x) { return std::nearbyint(x); }

// Revaluation bands: a band applies when the contract is on or before its
// date (the first: before it). Cases by the reference dates: d1 before
// 18 Jul 1936, d2 before 1 Jan 1942 ("early").
enum class Case { kAll, kD1Early, kD1Late, kEE, kEL, kLE, kLL, kD2Early, kD2Late };

struct Band {
  PackedDate up_to;
  bool strictly_before;
  Case which;
  double sumptuary_fraction;
  double factor;
  double plain_fraction;  // non-sumptuary housing, and the premises table's only fraction
};

// Housing: a sumptuary lease takes fraction and factor, another the plain
// fraction with factor 1. Two sumptuary fractions read 0.05 as published
// (the 30 Jun 1954 band, both dates late; the 11 May 1956 band, d2 late).
const std::vector<Band>& HousingBands() {
  static const std::vector<Band> bands = {
      {kFirstHousingPeriodBefore, true, Case::kAll, 1.16, 4, 0.30},
      {kEndOf1930, false, Case::kAll, 1.07, 4, 0.225},
      {kEveOfCivilWar, false, Case::kAll, 0.95, 4, 0.225},
      {kEndOf1941, false, Case::kD1Early, 0.6675, 3, 0.15},
      {kEndOf1941, false, Case::kD1Late, 0.495, 3, 0},
      {kAct1946, false, Case::kEE, 0.485, 2, 0.15},
      {kAct1946, false, Case::kEL, 0.265, 2, 0.15},
      {kAct1946, false, Case::kLE, 0.32, 2, 0},
      {kAct1946, false, Case::kLL, 0.10, 2, 0},
      {kEndOf1951, false, Case::kEE, 0.485, 1.5, 0.15},
      {kEndOf1951, false, Case::kEL, 0.265, 1.5, 0.15},
      {kEndOf1951, false, Case::kLE, 0.32, 1.5, 0},
      {kEndOf1951, false, Case::kLL, 0.10, 1.5, 0},
      {kEndOf1952, false, Case::kEE, 0.4175, 1.25, 0.15},
      {kEndOf1952, false, Case::kEL, 0.2075, 1.25, 0.15},
      {kEndOf1952, false, Case::kLE, 0.26, 1.25, 0},
      {kEndOf1952, false, Case::kLL, 0.05, 1.25, 0},
      {kEndOfHousingPeriod1954, false, Case::kEE, 0.365, 1.25, 0.10},
      {kEndOfHousingPeriod1954, false, Case::kEL, 0.155, 1.25, 0.10},
      {kEndOfHousingPeriod1954, false, Case::kLE, 0.26, 1.25, 0},
      {kEndOfHousingPeriod1954, false, Case::kLL, 0.05, 1.25, 0},
      {kLastRevaluedDay, false, Case::kD2Early, 0.26, 1.25, 0},
      {kLastRevaluedDay, false, Case::kD2Late, 0.05, 1.25, 0},
  };
  return bands;
}

// Premises: one fraction and factor, whatever the sumptuary test says.
const std::vector<Band>& PremisesBands() {
  static const std::vector<Band> bands = {
      {kFirstPremisesPeriodBefore, true, Case::kAll, 0, 3, 3.42},
      {kEveOfCivilWar, false, Case::kAll, 0, 3, 3.16},
      {kEndOf1941, false, Case::kD1Early, 0, 2, 2.75},
      {kEndOf1941, false, Case::kD1Late, 0, 2, 1.25},
      {kAct1946, false, Case::kEE, 0, 1.5, 2.36},
      {kAct1946, false, Case::kEL, 0, 1.5, 0.164},
      {kAct1946, false, Case::kLE, 0, 1.5, 0.92},
      {kAct1946, false, Case::kLL, 0, 1.5, 0.20},
      {kEveOfAct1946InForce, false, Case::kEE, 0, 1.3, 2.36},
      {kEveOfAct1946InForce, false, Case::kEL, 0, 1.3, 0.164},
      {kEveOfAct1946InForce, false, Case::kLE, 0, 1.3, 0.92},
      {kEveOfAct1946InForce, false, Case::kLL, 0, 1.3, 0.20},
      {kEndOf1951, false, Case::kEE, 0, 1.3, 1.88},
      {kEndOf1951, false, Case::kEL, 0, 1.3, 0.116},
      {kEndOf1951, false, Case::kLE, 0, 1.3, 0.92},
      {kEndOf1951, false, Case::kLL, 0, 1.3, 0.20},
      {kEndOf1952, false, Case::kEE, 0, 1.2, 1.64},
      {kEndOf1952, false, Case::kEL, 0, 1.2, 0.98},
      {kEndOf1952, false, Case::kLE, 0, 1.2, 0.76},
      {kEndOf1952, false, Case::kLL, 0, 1.2, 0.10},
      {kEndOfPremisesPeriod1954, false, Case::kEE, 0, 1.2, 0.98},
      {kEndOfPremisesPeriod1954, false, Case::kEL, 0, 1.2, 0.32},
      {kEndOfPremisesPeriod1954, false, Case::kLE, 0, 1.2, 0.76},
      {kEndOfPremisesPeriod1954, false, Case::kLL, 0, 1.2, 0.10},
      {kLastRevaluedDay, false, Case::kD2Early, 0, 1.2, 0.76},
      {kLastRevaluedDay, false, Case::kD2Late, 0, 1.2, 0.10},
  };
  return bands;
}

bool Matches(Case c, bool d1_early, bool d2_early) {
  switch (c) {
    case Case::kAll:
      return true;
    case Case::kD1Early:
      return d1_early;
    case Case::kD1Late:
      return !d1_early;
    case Case::kEE:
      return d1_early && d2_early;
    case Case::kEL:
      return d1_early && !d2_early;
    case Case::kLE:
      return !d1_early && d2_early;
    case Case::kLL:
      return !d1_early && !d2_early;
    case Case::kD2Early:
      return d2_early;
    case Case::kD2Late:
      return !d2_early;
  }
  return false;
}

// Fraction and factor of the first matching band; false when none applies.
bool Revaluation(const LeaseFacts& f, bool sumptuary, double* fraction, double* factor) {
  const bool d1_early = f.reference_date1 < kCivilWarStart;
  const bool d2_early = f.reference_date2 < kStartOf1942;
  const bool housing = f.housing();
  for (const Band& b : housing ? HousingBands() : PremisesBands()) {
    const PackedDate& limit = b.up_to;
    const bool in_band = b.strictly_before ? f.contract_date < limit : f.contract_date <= limit;
    if (!in_band || !Matches(b.which, d1_early, d2_early)) continue;
    if (housing && !sumptuary) {
      *fraction = b.plain_fraction;
      *factor = 1;
    } else {
      *fraction = housing ? b.sumptuary_fraction : b.plain_fraction;
      *factor = b.factor;
    }
    return true;
  }
  return false;
}

const char kHousing5[] = " 20 40 60 80100";
const char kGeneral10[] = " 10 20 30 40 50 60 70 80 90100";
const char kPremises5[] = " 10 20 35 60100";

// Entry k of a schedule, in hundredths.
int ScheduleEntry(const char* schedule, int k) {
  const std::string s(schedule);
  return std::atoi(s.substr(static_cast<size_t>(3 * (k - 1)), 3).c_str());
}

// The tables' decimal values hold at most four decimals: in ten-thousandths
// they are whole numbers, and the revaluation is computed on those exactly.
int64_t TenThousandths(double v) { return std::llround(v * 10000); }

// numerator / denominator rounded to the nearest whole number, ties to even
// (denominator > 0), without any rounding on the way.
int64_t RoundedQuotient(__int128 numerator, __int128 denominator) {
  __int128 q = numerator / denominator;
  __int128 rest = numerator % denominator;
  if (rest < 0) {
    rest += denominator;
    --q;
  }
  const __int128 twice = 2 * rest;
  if (twice > denominator || (twice == denominator && q % 2 != 0)) ++q;
  return static_cast<int64_t>(q);
}

// Steps of the phase-in; returns the schedule, or nullptr when none applies.
const char* ChooseSteps(const LeaseFacts& f, UpdateResult* r) {
  const double ri = f.reference_income;
  if (f.housing() && f.assimilated == 'N') {
    if (f.opposed_update == 'S') return nullptr;
    r->steps_at_start = 5;
    if (5.5 * ri > f.household_income && f.cohabitants > 0 && f.household_income > 0) {
      r->steps_at_start = 10;
      const double income = f.household_income;
      const bool exempt = (f.cohabitants > 4 && income <= 3.5 * ri) ||
                          ((f.cohabitants == 3 || f.cohabitants == 4) && income <= 3 * ri) ||
                          (f.cohabitants < 3 && income <= 2.5 * ri);
      if (exempt) {
        r->steps_at_start = 0;
        return nullptr;
      }
      return kGeneral10;
    }
    return kHousing5;
  }
  int& term = r->extinction_term;
  if (PremisesOpposeUpdate(f, term)) {
    term = 5;
    return nullptr;
  }
  if (r->paid_rent > r->updated_rent) {
    if (term != 0) term += 5;
    r->steps_at_start = 1;
    return nullptr;
  }
  if (f.took_option7 == 'S') {
    if (term != 0) term += 5;
    r->steps_at_start = 1;
    r->increment = r->full_increment;
    return nullptr;
  }
  if (term == 0 || term > 10) {
    r->steps_at_start = 10;
    return kGeneral10;
  }
  r->steps_at_start = 5;
  return kPremises5;
}

// The first step of the schedule whose target exceeds the rent paid gives the
// increment owed now; when none does, one step and no increment.
void FindStep(const LeaseFacts& f, const char* schedule, double ceiling, UpdateResult* r) {
  // The rent paid is paid_units / months; the step targets are shares of
  // the rent paid plus the full increment, which is the ceiling unless the
  // increment is 0.
  const int64_t paid_units = static_cast<int64_t>(f.rent_per_receipt) + f.assimilated_per_receipt;
  const bool covered = r->full_increment == 0;
  const __int128 whole_num = covered ? paid_units : static_cast<int64_t>(ceiling);
  const __int128 whole_den = covered ? f.months_per_receipt : 1;
  for (int k = 1; k <= r->steps_at_start; ++k) {
    const int entry = ScheduleEntry(schedule, k);
    r->step_fraction = entry / 100.0;
    const int64_t target = RoundedQuotient(entry * whole_num, 100 * whole_den);
    if (static_cast<__int128>(target) * f.months_per_receipt > paid_units) {
      r->increment = static_cast<double>(target) - r->paid_rent;
      return;
    }
    --r->steps;
  }
  r->steps = 1;
  r->increment = 0;
  r->step_fraction = 1;
}

}  // namespace

base::PackedDate UpdateDate(const base::PackedDate& contract, const base::PackedDate& report) {
  auto anniversary = [&](int year) {
    const int month = contract.month();
    int day = contract.day();
    if (month == 2 && day == 29 && !base::IsLeapYear(year)) day = 28;
    return base::PackedDate(year, month, day);
  };
  const int year = report.full_year();
  base::PackedDate date = anniversary(year);
  if (date < report) date = anniversary(year + 1);
  return date;
}

UpdateResult ComputeRentUpdate(const LeaseFacts& f, const IndexReading& reading) {
  UpdateResult r;
  const double months = f.months_per_receipt;
  r.contractual_rent = f.rent_per_receipt / months;
  r.paid_rent = (f.rent_per_receipt + f.assimilated_per_receipt) / months;
  r.sumptuary = f.housing() && IsSumptuary(f, r.contractual_rent);

  const bool old = f.contract_date < kRevaluationCutoff;
  base::PackedDate base_date = f.contract_date;
  r.revaluation_date = f.contract_date;
  if (old) {
    const bool fixed_1964 = r.sumptuary || !f.housing();
    r.revaluation_date = fixed_1964 ? kAct1964InForce : kHousingRevaluationDate;
    base_date = fixed_1964 ? kRevaluationIndexMonth1964 : kHousingRevaluationIndexMonth;
  }
  const BaseIndex base_index = FindBaseIndex(base_date, r.revaluation_date);
  r.base_index = base_index.index;
  r.base_index_date = base_index.date;

  double fraction = 0, factor = 1;
  if (base::AddToDate(f.contract_date, f.duration_months, "m") < kAct1964InForce) {
    Revaluation(f, r.sumptuary, &fraction, &factor);
  }
  // The factor in hundred-thousandths, reduced by a tenth of its increase in
  // towns under 50,000 inhabitants; the multiplier factor x (1 + fraction)
  // in thousand-millionths.
  const int64_t factor_e4 = TenThousandths(factor);
  const bool small_town = f.population > 0 && f.population < 50000;
  const int64_t factor_e5 = small_town ? 100000 + 9 * (factor_e4 - 10000) : 10 * factor_e4;
  const int64_t multiplier_e9 = factor_e5 * (10000 + TenThousandths(fraction));
  r.revaluation_factor = static_cast<double>(factor_e5) / 1e5;
  r.revaluation_fraction = static_cast<double>(multiplier_e9 - 1000000000) / 1e9;
  r.revalued_rent = static_cast<double>(
      RoundedQuotient(static_cast<__int128>(f.rent_per_receipt) * multiplier_e9,
                      static_cast<__int128>(f.months_per_receipt) * 1000000000));

  if (f.housing()) {
    const double rate = f.cadastral_date > kEndOf1989 ? 0.12 : 0.24;
    r.cadastral_maximum = R(rate * f.cadastral_value / 12);
  }
  r.updated_rent =
      R(r.revalued_rent / r.base_index * reading.latest_index * reading.link_coefficient);
  double ceiling = r.updated_rent;
  if (f.housing() && f.assimilated == 'N' && f.premises_category != 'P' &&
      r.cadastral_maximum > 0 && r.cadastral_maximum < r.updated_rent) {
    ceiling = r.cadastral_maximum;
    r.cap_applied = true;
  }
  r.full_increment = ceiling - r.paid_rent;
  if (r.full_increment < 0) r.full_increment = 0;
  r.extinction_term = ExtinctionTerm(f);

  r.increment = 0;
  r.step_fraction = 1;
  const char* schedule = ChooseSteps(f, &r);
  r.steps = r.steps_at_start;
  if (schedule != nullptr) FindStep(f, schedule, ceiling, &r);
  for (double* amount : {&r.revalued_rent, &r.updated_rent, &r.contractual_rent, &r.paid_rent,
                         &r.cadastral_maximum, &r.full_increment, &r.increment}) {
    *amount = R(*amount * months);
  }
  r.update_date = UpdateDate(f.contract_date, f.report_date);
  r.phase_end_date = base::AddToDate(r.update_date, r.steps - 1, "a");
  return r;
}

WriteBack WriteBackUpdate(const LeaseFacts& f, const IndexReading& reading, const UpdateResult& r,
                          int16_t update_months) {
  WriteBack w;
  if (r.extinction_term != 0) {
    const base::PackedDate end = base::AddToDate(kAct1994InForce, r.extinction_term, "a");
    const int day = f.contract_date.day();
    w.duration_months =
        static_cast<int16_t>(base::DateDifference(f.contract_date, end, "m") - (day > 1 ? 1 : 0));
  }
  w.set_update_months_to_12 = update_months == 0;
  w.revalued_rent = static_cast<int32_t>(r.revalued_rent);
  w.base_index = r.base_index;
  w.steps_at_start = static_cast<int16_t>(r.steps_at_start);
  if (r.increment == 0) {
    w.steps_reached = static_cast<int16_t>(r.steps_at_start);
    w.set_last_update = true;
    w.last_update_date = r.update_date;
    w.last_update_index = reading.latest_index;
  } else {
    w.steps_reached = static_cast<int16_t>(r.steps_at_start - r.steps);
  }
  // Concept 2 gathers the assimilated amounts of the concepts cleared here;
  // those that stay in their own concept would otherwise count twice.
  w.assimilated_concept = f.assimilated_per_receipt - f.assimilated_kept_per_receipt;
  return w;
}

}  // namespace lease
