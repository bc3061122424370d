#include "app/stale_indices.h"

#include "storage/record_layouts.h"

namespace app {

void StaleIndices::Note(const lease::IndexReading& reading) {
  if (!lease::IndexIsStale(reading)) return;
  Missing& m = by_month_[reading.sought_month];
  if (m.latest_found < reading.latest_index_date) m.latest_found = reading.latest_index_date;
  ++m.units;
}

void StaleIndices::Report(std::FILE* out) const {
  for (const auto& [month, missing] : by_month_) {
    std::fprintf(out,
                 "mirtosek: %s has no CPI for %s: %d unit%s updated with the index of %s instead "
                 "(add the month: kepdata ine, or kepdata import)\n",
                 storage::cpi::kFile.path, lease::MonthText(month).c_str(), missing.units,
                 missing.units == 1 ? " is" : "s are",
                 lease::MonthText(missing.latest_found).c_str());
  }
}

int StaleIndices::units() const {
  int n = 0;
  for (const auto& entry : by_month_) n += entry.second.units;
  return n;
}

}  // namespace app
