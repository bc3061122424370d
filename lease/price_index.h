// The consumer-price indices of the rent update: the latest index published
// before the contract's anniversary (from the CPI file, brought back to the
// scale of the 1992 base by the link coefficient) and the base index of the
// contract's or revaluation's month (from the built-in monthly table of
// January 1954 to December 1985). Indices are held as 1000 x the index.
#pragma once

#include <cstdint>
#include <optional>

#include "base/dates.h"
#include "lease/reference_data.h"

namespace lease {

struct IndexReading {
  int32_t latest_index = 100000;
  base::PackedDate latest_index_date;
  double link_coefficient = 1;
  int32_t base_index = 100000;
  base::PackedDate base_index_date;
};

// nullopt when the CPI file has no record of the "ESI" series at or before
// the month before the anniversary: no update may rest on such a figure.
std::optional<IndexReading> FindLatestIndex(const base::PackedDate& contract_date,
                                            const base::PackedDate& report_date,
                                            ReferenceData& reference);

// Sets base_index and base_index_date.
void FindBaseIndex(const base::PackedDate& base_date, const base::PackedDate& revaluation_date,
                   IndexReading* reading);

// Entry n (1 to 384) of the monthly table: 1 = January 1954.
int32_t BaseIndexEntry(int n);

// The coefficient that brings an index of the given month back to the 1992 base.
double LinkCoefficient(const base::PackedDate& month);

}  // namespace lease
