// The reference tables the lease engine reads: receipt-concept types and
// price indices. The driver implements this over the record files (reads
// without record locks: these tables are only read); tests fake it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lease {

struct CpiRecordValues {
  std::string key;   // the record's 7-byte key: "ESI" + month (PackedDate)
  double value = 0;  // the index, base 100
};

class ReferenceData {
 public:
  virtual ~ReferenceData() = default;
  // The concept type (int16 at position 25) of the concept key byte, or
  // nullopt when the file has none.
  virtual std::optional<int16_t> ConceptType(const std::string& key) = 0;
  // The latest CPI record whose key is at or before key (a less-or-equal read).
  virtual std::optional<CpiRecordValues> CpiAtOrBefore(const std::string& key) = 0;
};

}  // namespace lease
