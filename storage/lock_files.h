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
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace storage {

inline constexpr size_t kLockEntrySize = 121;
inline constexpr int kStaleMinutes = 30;

// Whole minutes since 1970-01-01 00:00 of the local date and time.
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
// Loaded once per run from "LOCKS.TMP", drawn and written when missing.
const StationIdentity& LoadStationIdentity();

// LockKey and LockRange: the lock folder or file cannot be created or
// written for a reason that waiting does not end (no permission, a
// read-only file system, a full disk); *problem then names the file and why.
inline constexpr int16_t kLockFileUnusable = -2;

// Locks one key of a table for this workstation, waiting while another holds it.
int16_t LockKey(std::string_view table, std::string_view key, std::string* problem = nullptr);

// kind "F" (whole table) or "K" (key range); bounds of at most 40 characters.
// Returns 0 once the entry is written; waits without limit on a conflict,
// with a message on screen row 24. Entries of another station are stale
// when 30 minutes old, or at once when that station ran on this machine
// and has ended.
int16_t LockRange(std::string_view table, std::string_view kind, std::string_view lower,
                  std::string_view upper, std::string* problem = nullptr);

// The waiting message of a held lock, in the session language (code page 850).
std::string LockWaitingMessage();

// Frees this workstation's latest entry in the table; 0, or -1 when it holds none.
int16_t ReleaseTableLock(std::string_view table);

// Opens directory + "\" + name for reading and writing, creating the folder
// and the file when missing; retries while the failure may pass. Returns the
// descriptor, or -1 with *problem when it cannot be opened (permission,
// read-only file system, a symbolic link in its place, ...).
int OpenLockFile(const std::string& directory, const std::string& name,
                 std::string* problem = nullptr);

// Seams for tests: the clock (LockClock), the random source in [0, 1) and
// the waits. Unset members keep the real ones.
struct LockSeams {
  std::function<int64_t()> clock;
  std::function<double()> random;
  std::function<void(int ms)> sleep;
};
void SetLockSeamsForTesting(const LockSeams& seams);
void ResetStationIdentityForTesting();

}  // namespace storage
