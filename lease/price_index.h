// The consumer-price indices of the rent update: the latest index published
// before the contract's anniversary (from the CPI file, brought back to the
// scale of the 1992 base by the link coefficient) and the base index of the
// contract's or revaluation's month (from the built-in monthly table of
// January 1954 to December 1985). Indices are held as 1000 x the index.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/dates.h"
#include "lease/reference_data.h"

namespace lease {

// The values a record of the CPI file may hold; the data tool refuses
// others, and an index outside them is read as no index.
inline constexpr double kLowestCpiValue = 0.001;
inline constexpr double kHighestCpiValue = 999999.999;
bool IsCpiValue(double value);

// The latest index before the contract's anniversary.
struct IndexReading {
  int32_t latest_index = 100000;
  base::PackedDate latest_index_date;
  base::PackedDate sought_month;  // the month before the anniversary
  double link_coefficient = 1;
};

// The index of the month the rent is updated from.
struct BaseIndex {
  int32_t index = 100000;
  base::PackedDate date;
};

// A change of base of the CPI: an index of this month or later is multiplied
// by factor to bring it to the previous base.
struct BaseChange {
  base::PackedDate from;  // the first month of the new base
  double factor;
};
using BaseChangeTable = std::vector<BaseChange>;

// The base changes the program knows, in date order: 2006 (from January
// 2007), 2011, 2016, 2021 and 2025 (from January 2026).
const BaseChangeTable& BuiltInBaseChanges();

// One entry of an installation's own base changes: the first month of the
// new base as "YYYY-MM" and the factor with a decimal point, as written.
struct BaseChangeEntry {
  std::string month;
  std::string factor;
  int line = 0;
};

// The built-in changes followed by the installation's, in date order. An
// entry that is malformed, or not later than the changes before it, is left
// out and described in problems (one text each, naming its line).
BaseChangeTable ExtendBaseChanges(const BaseChangeTable& built_in,
                                  const std::vector<BaseChangeEntry>& entries,
                                  std::vector<std::string>* problems);

// A month as "YYYY-MM", for messages.
std::string MonthText(const base::PackedDate& month);

// True when the index found is of an earlier month than the one sought: the
// CPI file lacks the latest months.
bool IndexIsStale(const IndexReading& reading);

// nullopt when the CPI file has no index of the national series at or before
// the month before the anniversary: no update may rest on such a figure.
std::optional<IndexReading> FindLatestIndex(const base::PackedDate& contract_date,
                                            const base::PackedDate& report_date,
                                            ReferenceData& reference,
                                            const BaseChangeTable& changes = BuiltInBaseChanges());

// The entry of the built-in table for the base date's month; from 1986 on,
// 100000 and the base date itself.
BaseIndex FindBaseIndex(const base::PackedDate& base_date,
                        const base::PackedDate& revaluation_date);

// Entry n (1 to 384) of the monthly table: 1 = January 1954.
int32_t BaseIndexEntry(int n);

// The coefficient that brings an index of the given month back to the 1992 base.
double LinkCoefficient(const base::PackedDate& month,
                       const BaseChangeTable& changes = BuiltInBaseChanges());

}  // namespace lease
