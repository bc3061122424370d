// The record manager's rules over an open file, the same on every engine.
//
// The cursor holds the file's current record (its position, key path and
// key) and the one record lock of the file. Reads along a key path (equal,
// greater or equal, less or equal, next, previous) and by position make
// their record the current one; a read with the lock bias locks the record
// it returns, and drops the previous lock first, also when it fails; the
// record it gives is the one as it stands under the lock, never a version
// another station changed and let go of between the select and the lock. A
// read by position of the record the file holds and has just updated gives
// the bytes written without asking the engine. An
// update of a record that the file does not hold locks it for the write
// alone, so that no write overwrites a record another station holds. Rows
// that are not records of the file (storage/damaged_rows.h) are skipped on
// every read and told of once. Buffers are the call's (storage/record_manager.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "storage/engine.h"

namespace storage {

class RecordCursor {
 public:
  explicit RecordCursor(std::unique_ptr<EngineFile> file) : file_(std::move(file)) {}

  EngineFile& file() { return *file_; }

  // op: one of the five reads along a key path.
  int16_t Read(int16_t op, bool biased, char* data, uint16_t* data_length, char* key,
               uint16_t key_length, int16_t key_number);
  // Every record along key path k, in its order, read without locks in
  // exchanges of many rows each; the current record and the lock stay as
  // they were. Damaged rows are skipped and told of, as by the reads.
  int16_t ReadAll(int16_t k, std::vector<std::string>* records);
  // The record at the position in data's first four bytes.
  int16_t ReadDirect(bool biased, char* data, uint16_t* data_length, char* key, int16_t key_number);
  // An insert (which becomes the current record along key_number) or an
  // update of the current record; key gets the current record's key.
  int16_t Write(bool insert, const char* data, uint16_t data_length, char* key, int16_t key_number);
  // op: begin, end or abort.
  int16_t Transaction(int16_t op);
  // The creation block (cut to the buffer, status 22 when cut).
  int16_t Stat(char* data, uint16_t* data_length) const;
  // The current record's position, four bytes (status 8 without one).
  int16_t Position(char* data, uint16_t* data_length) const;
  // Drops the file's record lock, keeping the current record.
  void DropLock();

 private:
  int16_t Take(std::vector<StoredRow>* rows, int16_t not_found, bool biased, RowLock lock, int k,
               char* data, uint16_t* data_length, char* key);
  int16_t Hold(StoredRow* row, RowLock lock, int k);
  bool IsDamaged(const StoredRow& row, int k);

  std::unique_ptr<EngineFile> file_;
  int64_t locked_id_ = 0;   // record the file holds a lock on, 0 for none
  int64_t current_id_ = 0;  // current record, 0 for none
  int key_number_ = 0;      // key path of the current record
  std::string current_key_;
  bool in_transaction_ = false;  // between begin and end (or abort) of a transaction
  std::set<int64_t> damaged_;    // rows that are not records of the file, left out of reads
  std::vector<StoredRow> rows_;  // the rows of the last select
  // The record this file holds locked and last updated outside a
  // transaction, as written: a read of its position needs no select.
  int64_t written_id_ = 0;
  std::string written_;
  std::optional<uint64_t> mark_;  // the engine's commit mark before the last biased select
};

}  // namespace storage
