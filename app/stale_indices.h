// The units whose latest index is older than the month before their
// anniversary, because the CPI file lacks the latest months. Their paragraphs
// are printed as always, with the index found; the run says once, at its end,
// which months are missing and how many units each affects.
#pragma once

#include <cstdio>
#include <map>

#include "lease/price_index.h"

namespace app {

class StaleIndices {
 public:
  void Note(const lease::IndexReading& reading);
  // One line per missing month, in date order; nothing when none is missing.
  void Report(std::FILE* out) const;
  int units() const;

 private:
  struct Missing {
    base::PackedDate latest_found;  // the newest index the units of this month got
    int units = 0;
  };
  std::map<base::PackedDate, Missing> by_month_;
};

}  // namespace app
