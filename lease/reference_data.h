// The reference tables the lease engine reads: receipt-concept types and
// price indices. The driver implements this over the record files (reads
// without record locks: these tables are only read) and builds their keys;
// tests fake it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/dates.h"

namespace lease {

// The national consumer-price index: the series of the CPI file's keys that
// the rent update reads.
inline constexpr std::string_view kNationalCpiSeries = "ESI";

// A record of the CPI file: its key (series code and month) and its index.
struct CpiRecordValues {
  std::string series;      // the key's three-byte series code
  base::PackedDate month;  // the key's month
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
  // The latest CPI record whose key is at or before the series' month (a
  // less-or-equal read): it may be of another series.
  virtual std::optional<CpiRecordValues> CpiAtOrBefore(std::string_view series,
                                                       const base::PackedDate& month) = 0;
};

}  // namespace lease
