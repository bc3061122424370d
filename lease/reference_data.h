// The reference tables the lease engine reads: receipt-concept types and the
// national consumer-price index. The driver implements this over the record
// files (reads without record locks: these tables are only read) and knows
// their keys; tests fake it.
#pragma once

#include <cstdint>
#include <optional>

#include "base/dates.h"

namespace lease {

// An index of the CPI file.
struct CpiRecordValues {
  base::PackedDate month;  // the first day of its month
  double value = 0;        // the index, base 100
};

class ReferenceData {
 public:
  virtual ~ReferenceData() = default;
  // The concept type (int16 at position 25 of the receipt-concept record) of
  // the fixed concept of that number (1 to 10), or nullopt when the file has
  // none.
  virtual std::optional<int16_t> FixedConceptType(int number) = 0;
  // The concept type of the concept named by a coded concept's code.
  virtual std::optional<int16_t> CodedConceptType(int16_t code) = 0;
  // The index of the national series of the latest month at or before
  // month (a less-or-equal read); nullopt when the file has none, and when
  // the read finds a record of another series.
  virtual std::optional<CpiRecordValues> NationalIndexAtOrBefore(const base::PackedDate& month) = 0;
};

}  // namespace lease
