// Lock files: how workstations keep off a building or unit another one is
// rewriting.
//
// One file per table, data root + "LOCKS\" + table + ".lck", a sequence of
// 121-byte entries without header:
//   0 computer name of the holder (15, blank-padded)
//   15 station number, decimal, left-aligned (11)
//   26 time of the lock, LockClock, decimal, left-aligned (8)
//   34 kind: blank free, "F" whole table, "K" key range (1)
//   35 length of the lower key, decimal, left-aligned (2)   37 lower key (40)
//   77 length of the upper key (2)                          79 upper key (40)
//   119 CR LF
// The workstation's identity is "LOCKS.TMP" in the temporary directory:
// a signed 32-bit little-endian station number (never 0) and the computer
// name (15, blank-padded); drawn once and never rewritten. One request's scan,
// decision and write hold an exclusive operating-system lock on the lock file.
//
// A LockStation is this workstation before the lock files for one run: the
// times of its entries come from the run's environment, and so do its waits
// and the random numbers of its identity and its pauses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace base {
class RunEnvironment;
}

namespace storage {

inline constexpr size_t kLockEntrySize = 121;
inline constexpr int kStaleMinutes = 30;

// Whole minutes since 1970-01-01 00:00 of the local date and time, now.
int64_t LockClock();

// An entry (121 bytes) of a lock file in lock_folder that a workstation
// still holds: not free, not 30 minutes old, and not of a station of this
// computer that has ended.
bool IsHeldEntry(std::string_view entry, int64_t now, const std::string& lock_folder);

// Key bytes as lock text: a packed pair (128..227) becomes its two digits.
std::string LockKeyText(std::string_view key);

struct StationIdentity {
  int32_t number = 0;
  std::string computer_name;  // at most 15 characters
};

// LockKey and LockRange: the lock folder or file cannot be created or
// written for a reason that waiting does not end (no permission, a
// read-only file system, a full disk); *problem then names the file and why.
inline constexpr int16_t kLockFileUnusable = -2;

class LockStation {
 public:
  // env must outlive the station.
  explicit LockStation(base::RunEnvironment& env) : env_(env) {}
  LockStation(const LockStation&) = delete;
  LockStation& operator=(const LockStation&) = delete;
  // Ends the station's mark of running (see TryLock in the source).
  ~LockStation();

  // Loaded at the first use from "LOCKS.TMP" of the temporary directory,
  // drawn and written when missing.
  const StationIdentity& Identity();

  // Locks one key of a table for this workstation, waiting while another holds it.
  int16_t LockKey(std::string_view table, std::string_view key, std::string* problem = nullptr);

  // kind "F" (whole table) or "K" (key range); bounds of at most 40 characters.
  // Returns 0 once the entry is written; waits without limit on a conflict,
  // with a message on screen row 24. Entries of another station are stale
  // when 30 minutes old, or at once when that station ran on this machine
  // and has ended.
  int16_t LockRange(std::string_view table, std::string_view kind, std::string_view lower,
                    std::string_view upper, std::string* problem = nullptr);

  // Frees this workstation's latest entry in the table; 0, or -1 when it holds none.
  int16_t ReleaseTableLock(std::string_view table);

 private:
  enum class Attempt { kLocked, kConflict, kFailed };
  Attempt TryLock(const std::string& table, char kind, std::string_view lower,
                  std::string_view upper, std::string* problem);
  std::string NewEntry(char kind, std::string_view lower, std::string_view upper);
  void MarkRunning();

  base::RunEnvironment& env_;
  std::optional<StationIdentity> identity_;
  int mark_fd_ = -1;  // the shared lock on "LOCKS\<number>.sta" while running
  std::string mark_path_;
};

// The waiting message of a held lock, in the session language (code page 850).
std::string LockWaitingMessage();

// Opens directory + "\" + name for reading and writing, creating the folder
// and the file when missing; retries, after a pause of env, while the
// failure may pass. Returns the descriptor, or -1 with *problem when it
// cannot be opened (permission, read-only file system, a symbolic link in
// its place, ...).
int OpenLockFile(base::RunEnvironment& env, const std::string& directory, const std::string& name,
                 std::string* problem = nullptr);

}  // namespace storage
