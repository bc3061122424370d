// The rent update of a transitional lease: the one-off revaluation of old
// rents, the update by the CPI, the cadastral cap, the increment owed now and
// the yearly steps it is spread over, and what run mode "A" writes back.
// Money is in the stored unit (hundredths of a euro), held in doubles that
// hold whole units after each rounding (to nearest, ties to even). The
// revaluation and the step targets are computed exactly from the tables'
// decimal values; fractions and factors are shown in double precision.
#pragma once

#include <cstdint>

#include "base/dates.h"
#include "lease/lease_facts.h"
#include "lease/price_index.h"

namespace lease {

struct UpdateResult {
  double contractual_rent = 0;  // per receipt at the end
  double paid_rent = 0;
  bool sumptuary = false;
  base::PackedDate revaluation_date;
  double revaluation_fraction = 0;
  double revaluation_factor = 1;
  double revalued_rent = 0;
  int32_t base_index = 100000;  // of the month the rent is updated from
  base::PackedDate base_index_date;
  double cadastral_maximum = 0;
  double updated_rent = 0;
  double full_increment = 0;
  bool cap_applied = false;  // the cadastral maximum replaced the updated rent
  int steps_at_start = 0;
  int steps = 0;
  double step_fraction = 1;
  double increment = 0;
  base::PackedDate update_date;
  base::PackedDate phase_end_date;
  int extinction_term = 0;
};

// reading: the latest index; the base index is found here.
UpdateResult ComputeRentUpdate(const LeaseFacts& facts, const IndexReading& reading);

// The anniversary of the contract on or after the report date; a contract of
// 29 February has its anniversary on 28 February in a common year.
base::PackedDate UpdateDate(const base::PackedDate& contract_date,
                            const base::PackedDate& report_date);

// What run mode "A" writes into the unit and transition records.
struct WriteBack {
  int16_t duration_months = 0;           // unit 194
  bool set_update_months_to_12 = false;  // unit 200, when it is 0
  int32_t revalued_rent = 0;             // transition 46
  int32_t base_index = 0;                // transition 50
  int16_t steps_at_start = 0;            // transition 54
  int16_t steps_reached = 0;             // transition 56
  bool set_last_update = false;          // unit 196 and 206, when there is no increment
  base::PackedDate last_update_date;
  int32_t last_update_index = 0;
  int32_t assimilated_concept = 0;  // unit concept 2; concepts 3, 6, 7, 10 become 0;
                                    // assimilated amounts kept elsewhere are left out
};

WriteBack WriteBackUpdate(const LeaseFacts& facts, const IndexReading& reading,
                          const UpdateResult& result, int16_t update_months);

}  // namespace lease
