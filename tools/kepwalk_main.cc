// kepwalk: the benchmark's baseline. Makes the record reads of a mirtosek
// run through the record-file layer alone, with no lease engine, report or
// write-back: the walk over buildings, owners, units and transition records,
// and for each unit the fourteen receipt-concept types and the price-index
// read the lease engine makes. Reads KEPROOT, KEPTMP and "pent.tmp" as
// mirtosek does; prints the number of units walked.
#include <cstdio>
#include <string>

#include "app/data_files.h"
#include "app/run_parameters.h"
#include "app/unit_walk.h"
#include "base/dates.h"
#include "base/platform.h"
#include "base/run_environment.h"
#include "base/session_settings.h"
#include "storage/record_file.h"
#include "storage/record_layouts.h"

namespace {

// The packed year and month of the report date: a CPI key shorter than a
// record's, which the less-or-equal read takes as it stands.
std::string MonthKey(const base::PackedDate& date) {
  return base::PackDigits(base::ZeroPad(date.full_year(), 4) + base::ZeroPad(date.month(), 2));
}

class ReadingHandler : public app::UnitHandler {
 public:
  explicit ReadingHandler(const app::RunParameters& params)
      : index_key_(std::string(storage::kIndexSeries) + MonthKey(params.report_date)) {}
  void HandleUnit(app::RecordBuffers&, bool) override {
    for (int number = 1; number <= 14; ++number) {
      (void)storage::SeekByKeyWithoutLock(app::kReceiptFile, 0,
                                          std::string(1, static_cast<char>(number)), 0);
    }
    (void)storage::SeekByKeyWithoutLock(app::kCpiFile, 0, index_key_, -1);
    ++units_;
  }
  long units() const { return units_; }

 private:
  std::string index_key_;
  long units_ = 0;
};

}  // namespace

int main() {
  base::RunEnvironment env;
  base::Settings().dates.current_year = env.CurrentYear();
  base::LoadSessionSettings();
  const base::SessionSettings& settings = base::Settings();
  if (!settings.root_dir.empty() && !base::SetCurrentDir(settings.root_dir)) return 1;
  app::RunParameters params;
  std::string err;
  if (!app::ReadRunParameters(settings.tmp_dir + "pent.tmp", &params, &err)) {
    std::fprintf(stderr, "kepwalk: %s\n", err.c_str());
    return 2;
  }
  app::RecordBuffers buffers;
  if (app::OpenDataFiles(settings.root_dir, &buffers) != 0) return 1;
  ReadingHandler handler(params);
  app::WalkUnits(env, params, buffers, &handler);
  storage::ResetRecordManager();
  std::printf("%ld\n", handler.units());
  return 0;
}
