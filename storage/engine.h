// What an engine of the record manager gives: the few primitives on which
// the record cursor (storage/record_cursor.h) builds every operation.
//
// An Engine stands for one data file by its path: it creates the file or
// opens it as an EngineFile. An EngineFile selects rows by key path or by
// id, inserts and updates rows, takes and drops single-record locks without
// waiting, and runs the transactions of its file. It keeps no current
// record and no lock of its own: the cursor decides what is read, what is
// locked and when; the engine says only what it found, in the record
// manager's statuses (storage/record_operations.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/creation_block.h"
#include "storage/record_operations.h"

namespace storage {

// How a key path is searched: ascending from the key (equal, greater or
// equal, after) or descending from it (less or equal, before). After and
// before step from the current record: past its key, and past its id among
// the duplicates of its key.
enum class KeyComparison { kEqual, kGreaterOrEqual, kLessOrEqual, kAfter, kBefore };

inline bool Descends(KeyComparison c) {
  return c == KeyComparison::kLessOrEqual || c == KeyComparison::kBefore;
}
inline bool StepsFromCurrent(KeyComparison c) {
  return c == KeyComparison::kAfter || c == KeyComparison::kBefore;
}

struct RowQuery {
  int key_number = 0;  // REQUIRES: a key of the file
  KeyComparison comparison = KeyComparison::kEqual;
  std::string_view key;                         // the key's bytes, as long as the key path's key
  int64_t id = 0;                               // after and before: the current record
  const std::set<int64_t>* excluded = nullptr;  // rows left out (the damaged ones), not null
  int limit = 1;                                // rows wanted at the most, in the path's order
};

// A row as stored: its id (the record's position), its bytes and the bytes
// of the queried key's column, not yet checked to be a record of the file.
struct StoredRow {
  int64_t id = 0;
  std::string data;
  std::string key;
  bool stored_as_bytes = true;  // false: a column holds another type than bytes
};

// What came of the lock a read with the lock bias asks for on its row.
enum class RowLock {
  kNotTried,          // the engine selected the row alone: the cursor locks it
  kRefused,           // another holder has the record
  kTaken,             // held, and the row is the record as it stands under the lock
  kTakenMaybeChanged  // held, but the row may be a version another station has since
                      // changed and let go of: the cursor reads it again by its id
};

// A record to write: inserted (id 0) or over the row at id.
struct RowWrite {
  int64_t id = 0;
  const std::string& record;
  const std::vector<std::string>& keys;  // the record's bytes along every key path, in order
  // Outside a transaction of the caller each write is a transaction of its
  // own; inside one it joins it.
  bool in_transaction = false;
};

class EngineFile {
 public:
  virtual ~EngineFile() = default;

  const FileSpec& file_spec() const { return file_spec_; }
  // The file as messages name it (the path, or schema.table).
  const std::string& name() const { return name_; }
  // The four bytes that open the position block of this engine's handles.
  virtual const char* Tag() const = 0;
  // kStatusOk, or the status every operation gets (2 once the connection to
  // a server is lost).
  virtual int16_t Usable() const { return kStatusOk; }

  // Appends the rows of the query (none when none matches); returns
  // kStatusOk or the status of the failure.
  virtual int16_t SelectRows(const RowQuery& query, std::vector<StoredRow>* rows) = 0;
  // A read with the lock bias, in as few exchanges as the engine can: drops
  // the lock on drop_id (0: none) whatever comes of the read, selects the
  // query's first row and, where the engine can in the same exchange, locks
  // it without waiting, saying in *lock what came of that. This default
  // drops, selects and leaves the lock to the cursor.
  virtual int16_t SelectLocking(const RowQuery& query, int64_t drop_id,
                                std::vector<StoredRow>* rows, RowLock* lock) {
    if (drop_id != 0) Unlock(drop_id);
    *lock = RowLock::kNotTried;
    return SelectRows(query, rows);
  }
  // A mark that moves whenever any station commits a change to the file,
  // or none when the engine keeps no such mark. A row selected after the
  // mark was taken and locked before it moves is the record as it stands,
  // so that the cursor need not read it again.
  virtual std::optional<uint64_t> CommitMark() { return std::nullopt; }
  // The row at id with the column of key_number; none when there is none.
  virtual int16_t SelectById(int64_t id, int key_number, std::vector<StoredRow>* rows) = 0;

  // An insert, or an update of the row at write.id; *id gets the written
  // row's id. kStatusNoCurrentRecord when there is no row to update.
  virtual int16_t Write(const RowWrite& write, int64_t* id) = 0;

  // Locks of one record, held by this open file until unlocked or until the
  // process ends: TryLock never waits, false when another holds the record.
  virtual bool TryLock(int64_t id) = 0;
  virtual void Unlock(int64_t id) = 0;

  virtual int16_t BeginTransaction() = 0;
  virtual int16_t EndTransaction() = 0;
  virtual int16_t AbortTransaction() = 0;

 protected:
  FileSpec file_spec_;  // set by the engine's open
  std::string name_;
};

class Engine {
 public:
  virtual ~Engine() = default;
  // Makes the file, without an owner name; replace false: status 59 when
  // it exists.
  virtual int16_t Create(const FileSpec& file_spec, bool replace) = 0;
  // Opens the file for owner: a file without an owner name takes the one
  // given, one with another gives status 51. *file gets it when it opened.
  virtual int16_t Open(const std::string& owner, std::unique_ptr<EngineFile>* file) = 0;
};

// The engine of the file at place (a path, a table on a server) of an
// EngineFile type File that gives
//   static int16_t CreateAt(const Place&, const FileSpec&, bool replace);
//   int16_t OpenAt(const Place&, const std::string& owner);
template <typename File, typename Place>
class EngineAt : public Engine {
 public:
  explicit EngineAt(Place place) : place_(std::move(place)) {}

  int16_t Create(const FileSpec& file_spec, bool replace) override {
    return File::CreateAt(place_, file_spec, replace);
  }
  int16_t Open(const std::string& owner, std::unique_ptr<EngineFile>* file) override {
    auto opened = std::make_unique<File>();
    const int16_t status = opened->OpenAt(place_, owner);
    if (status == kStatusOk) *file = std::move(opened);
    return status;
  }

 private:
  Place place_;
};

}  // namespace storage
