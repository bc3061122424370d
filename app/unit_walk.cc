#include "app/unit_walk.h"

#include <algorithm>

#include "base/console.h"
#include "base/dates.h"
#include "base/platform.h"
#include "base/run_environment.h"
#include "storage/lock_files.h"
#include "storage/record_layouts.h"
#include "storage/record_manager.h"

namespace app {
namespace {

bool HeldByAnother(int16_t status) {
  return status == storage::kStatusRecordLocked || status == storage::kStatusFileLocked;
}

// Takes the lock-file entry of a write-back. A lock file that cannot be
// written ends the write-back like a failed write: the walk goes on for the
// report, and nothing more is written.
bool LockForWriteBack(storage::LockStation& station, const char* table, const std::string& key,
                      const std::string& what, RunCounts* counts) {
  if (!counts->write_failure.empty()) return false;
  std::string problem;
  if (station.LockKey(table, key, &problem) == 0) return true;
  counts->write_failure = what + ": its lock-file entry cannot be taken: " + problem;
  return false;
}

std::string UnitName(const std::string& packed_key) {
  const std::string digits = base::UnpackDigits(packed_key);
  return "unit " + digits.substr(0, 4) + "-" + digits.substr(4);
}

// What the walk of one run holds: its environment and its lock station.
struct Walk {
  base::RunEnvironment& env;
  storage::LockStation station;
};

void WalkBuildingUnits(Walk& walk, const RunParameters& params, RecordBuffers& r,
                       const std::string& building, UnitHandler* handler, RunCounts* counts) {
  const bool write_back = WritesBack(params);
  int16_t status =
      ReadWaitingForLocks(walk.env, [&] { return storage::SeekByKey(kUnitFile, 0, building, 1); });
  while (status == 0 && storage::GetBytes(r.unit, storage::unit::kBuildingCode) == building) {
    const std::string key = storage::GetBytes(r.unit, storage::unit::kKey);
    ++counts->units_walked;
    if (key >= params.lower_bound && key <= params.upper_bound) {
      ++counts->units_selected;
      // Copied into the buffer the record layer is bound to, never replacing it.
      const std::string defaults =
          storage::DefaultTransitionRecord(key, storage::GetText(r.unit, storage::unit::kTaxId));
      std::copy(defaults.begin(),
                defaults.begin() +
                    static_cast<std::ptrdiff_t>(std::min(defaults.size(), r.transition.size())),
                r.transition.begin());
      const bool locked =
          write_back && LockForWriteBack(walk.station, "TranLauV", key, UnitName(key), counts);
      const int16_t found = ReadWaitingForLocks(
          walk.env, [&] { return storage::SeekByKey(kTransitionFile, 0, key, 0); });
      if (handler != nullptr) handler->HandleUnit(r, found != 0);
      if (locked) walk.station.ReleaseTableLock("TranLauV");
    }
    status = ReadWaitingForLocks(walk.env, [&] { return storage::StepRecords(kUnitFile, 1); });
  }
  // The read that ended the loop locked the first unit of the next building.
  // Held while this station waits for that building's record, it would
  // deadlock with a station that holds the building and wants the unit.
  if (status == 0) storage::ReleaseRecordLock(kUnitFile);
}

}  // namespace

int16_t ReadWaitingForLocks(base::RunEnvironment& env, const std::function<int16_t()>& read) {
  int16_t status = read();
  bool shown = false;
  while (HeldByAnother(status)) {
    if (!shown) {
      env.OperatorConsole().ShowMessage(24, storage::LockWaitingMessage());
      shown = true;
    }
    env.SleepMilliseconds(kLockRetryMilliseconds);
    status = read();
  }
  if (shown) env.OperatorConsole().PopWindow();
  return status;
}

void WalkUnits(base::RunEnvironment& env, const RunParameters& params, RecordBuffers& r,
               UnitHandler* handler, RunCounts* counts) {
  RunCounts unused;
  if (counts == nullptr) counts = &unused;
  Walk walk{env, storage::LockStation(env)};
  const std::string first_building = params.lower_bound.substr(0, 2);
  const std::string last_building = params.upper_bound.substr(0, 2);
  int16_t status = ReadWaitingForLocks(
      env, [&] { return storage::SeekByKey(kBuildingFile, 0, first_building, 1); });
  while (status == 0) {
    const std::string building = storage::GetBytes(r.building, storage::building::kCode);
    if (building > last_building) break;
    const std::string owner = storage::GetBytes(r.building, storage::building::kOwnerCode);
    if (storage::SeekByKeyWithoutLock(kOwnerFile, 0, owner, 0) == 0) {
      const bool write_back = WritesBack(params);
      const std::string digits = base::UnpackDigits(building);
      const bool locked = write_back && LockForWriteBack(walk.station, "DepartaV", digits,
                                                         "building " + digits, counts);
      WalkBuildingUnits(walk, params, r, building, handler, counts);
      if (locked) walk.station.ReleaseTableLock("DepartaV");
    } else {
      ++counts->buildings_without_owner;
    }
    status = ReadWaitingForLocks(env, [&] { return storage::StepRecords(kBuildingFile, 1); });
  }
}

}  // namespace app
