#include "storage/record_cursor.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "storage/damaged_rows.h"
#include "storage/little_endian.h"

namespace storage {
namespace {

// A read that met a damaged row, or a row that moved before it was held:
// the caller reads again.
constexpr int16_t kReadAgain = -1;

// The rows a whole-file read asks for in one exchange.
constexpr int kRowsPerExchange = 1000;

bool IsKey(const FileSpec& file_spec, int k) {
  return k >= 0 && k < static_cast<int>(file_spec.keys.size());
}

// Copies bytes into a buffer of *length bytes, cut to it (status 22 when cut).
int16_t CopyOut(const std::string& bytes, char* out, uint16_t* length) {
  const size_t n = std::min<size_t>(*length, bytes.size());
  std::memcpy(out, bytes.data(), n);
  *length = static_cast<uint16_t>(n);
  return bytes.size() > n ? kStatusDataBufferShort : kStatusOk;
}

void CopyKeyOut(const std::string& key_bytes, char* key) {
  std::memcpy(key, key_bytes.data(), std::min<size_t>(key_bytes.size(), 255));
}

}  // namespace

int16_t RecordCursor::Read(int16_t op, bool biased, char* data, uint16_t* data_length, char* key,
                           uint16_t key_length, int16_t key_number) {
  // A biased read drops the previous lock, also when it fails; the engine
  // drops it in the exchange of the read itself where it can.
  int64_t drop = biased ? std::exchange(locked_id_, 0) : 0;
  if (biased) written_id_ = 0;
  const bool step = op == kOpGetNext || op == kOpGetPrevious;
  const int k = step ? key_number_ : key_number;
  const FileSpec& file_spec = file_->file_spec();
  int16_t invalid = kStatusOk;
  if (!IsKey(file_spec, k)) {
    invalid = kStatusInvalidKeyNumber;
  } else if (op != kOpGetEqual && op != kOpGetGreaterOrEqual && op != kOpGetLessOrEqual && !step) {
    invalid = kStatusInvalidOperation;
  } else if (step && current_id_ == 0) {
    invalid = kStatusNoCurrentRecord;
  }
  if (invalid != kStatusOk) {
    if (drop != 0) file_->Unlock(drop);
    return invalid;
  }
  // The key given is as long as the key path's keys, padded with zero bytes.
  std::string wanted(static_cast<size_t>(file_spec.keys[static_cast<size_t>(k)].Length()), '\0');
  std::memcpy(wanted.data(), key, std::min<size_t>(wanted.size(), key_length));
  RowQuery query;
  query.key_number = k;
  query.key = wanted;
  query.excluded = &damaged_;
  int16_t not_found = kStatusEndOfFile;
  switch (op) {
    case kOpGetEqual:
      query.comparison = KeyComparison::kEqual;
      not_found = kStatusKeyNotFound;
      break;
    case kOpGetGreaterOrEqual:
      query.comparison = KeyComparison::kGreaterOrEqual;
      break;
    case kOpGetLessOrEqual:
      query.comparison = KeyComparison::kLessOrEqual;
      break;
    default:  // a step from the current record
      query.comparison = op == kOpGetNext ? KeyComparison::kAfter : KeyComparison::kBefore;
      query.key = current_key_;
      query.id = current_id_;
      break;
  }
  for (;;) {
    rows_.clear();
    RowLock lock = RowLock::kNotTried;
    if (biased) mark_ = file_->CommitMark();
    const int16_t selected =
        biased ? file_->SelectLocking(query, std::exchange(drop, 0), &rows_, &lock)
               : file_->SelectRows(query, &rows_);
    if (selected != kStatusOk) return selected;
    const int16_t status = Take(&rows_, not_found, biased, lock, k, data, data_length, key);
    if (status != kReadAgain) return status;
  }
}

int16_t RecordCursor::ReadAll(int16_t k, std::vector<std::string>* records) {
  const FileSpec& file_spec = file_->file_spec();
  if (!IsKey(file_spec, k)) return kStatusInvalidKeyNumber;
  std::string from(static_cast<size_t>(file_spec.keys[static_cast<size_t>(k)].Length()), '\0');
  RowQuery query;
  query.key_number = k;
  query.comparison = KeyComparison::kGreaterOrEqual;
  query.excluded = &damaged_;
  query.limit = kRowsPerExchange;
  for (;;) {
    query.key = from;
    std::vector<StoredRow> rows;
    const int16_t selected = file_->SelectRows(query, &rows);
    if (selected != kStatusOk) return selected;
    for (const StoredRow& row : rows) {
      if (!IsDamaged(row, k)) records->push_back(row.data);
    }
    if (rows.size() < static_cast<size_t>(query.limit)) return kStatusOk;
    from = rows.back().key;
    query.id = rows.back().id;
    query.comparison = KeyComparison::kAfter;
  }
}

int16_t RecordCursor::ReadDirect(bool biased, char* data, uint16_t* data_length, char* key,
                                 int16_t key_number) {
  if (biased) DropLock();
  if (*data_length < 4) return kStatusDataBufferShort;
  const FileSpec& file_spec = file_->file_spec();
  if (!IsKey(file_spec, key_number)) return kStatusInvalidKeyNumber;
  const int64_t id = DecodeFixed32(data);
  rows_.clear();
  if (!biased && id == written_id_ && id == locked_id_) {
    // The record this file holds and has written since it took it: no
    // other station can have changed it, and it is what the file stores.
    rows_.push_back(
        {id, written_, file_spec.keys[static_cast<size_t>(key_number)].Extract(written_), true});
  } else {
    if (biased) mark_ = file_->CommitMark();
    const int16_t selected = file_->SelectById(id, key_number, &rows_);
    if (selected != kStatusOk) return selected;
  }
  const int16_t status = Take(&rows_, kStatusInvalidPosition, biased, RowLock::kNotTried,
                              key_number, data, data_length, key);
  return status == kReadAgain ? kStatusInvalidPosition : status;
}

// A damaged row is left out of the file's reads from now on, and told of.
bool RecordCursor::IsDamaged(const StoredRow& row, int k) {
  const std::string damage = row.stored_as_bytes
                                 ? RecordDamage(file_->file_spec(), k, row.data, row.key)
                                 : "it is stored as another type than bytes";
  if (damage.empty()) return false;
  damaged_.insert(row.id);
  ReportDamagedRow(file_->name(), row.id, row.key, damage);
  return true;
}

// Holds the lock of a biased read on the first row, as the engine left it:
// locks it when the engine did not try, and reads it again by its id when
// it may have changed between its select and its lock (when a station may
// have committed a change meanwhile). A row whose key has moved meanwhile is
// no longer the one the read asked for: read again.
int16_t RecordCursor::Hold(StoredRow* row, RowLock lock, int k) {
  if (lock == RowLock::kNotTried) {
    const bool locked = file_->TryLock(row->id);
    const bool unchanged = locked && mark_.has_value() && mark_ == file_->CommitMark();
    lock = !locked ? RowLock::kRefused : unchanged ? RowLock::kTaken : RowLock::kTakenMaybeChanged;
  }
  if (lock == RowLock::kRefused) return kStatusRecordLocked;
  locked_id_ = row->id;
  if (lock == RowLock::kTaken) return kStatusOk;
  std::vector<StoredRow> now;
  const int16_t selected = file_->SelectById(row->id, k, &now);
  if (selected != kStatusOk) {
    DropLock();
    return selected;
  }
  if (now.empty() || now.front().key != row->key || IsDamaged(now.front(), k)) {
    DropLock();
    return kReadAgain;
  }
  *row = std::move(now.front());
  return kStatusOk;
}

// Makes the first row read the current record along key path k: held
// first when biased (another holder gives 84 and nothing moves), then
// copied out.
int16_t RecordCursor::Take(std::vector<StoredRow>* rows, int16_t not_found, bool biased,
                           RowLock lock, int k, char* data, uint16_t* data_length, char* key) {
  if (rows->empty()) return not_found;
  StoredRow& row = rows->front();
  if (IsDamaged(row, k)) {
    if (lock == RowLock::kTaken || lock == RowLock::kTakenMaybeChanged) file_->Unlock(row.id);
    return kReadAgain;
  }
  if (biased) {
    const int16_t held = Hold(&row, lock, k);
    if (held != kStatusOk) return held;
  }
  current_id_ = row.id;
  key_number_ = k;
  current_key_ = std::move(row.key);
  const int16_t status = CopyOut(row.data, data, data_length);
  CopyKeyOut(current_key_, key);
  return status;
}

int16_t RecordCursor::Write(bool insert, const char* data, uint16_t data_length, char* key,
                            int16_t key_number) {
  const FileSpec& file_spec = file_->file_spec();
  if (data_length < file_spec.record_length) return kStatusInvalidRecordLength;
  const std::string record(data, file_spec.record_length);
  if (!insert && current_id_ == 0) return kStatusNoCurrentRecord;
  std::vector<std::string> keys;
  keys.reserve(file_spec.keys.size());
  for (const KeySpec& k : file_spec.keys) keys.push_back(k.Extract(record));
  // An update must not overwrite a record another station holds.
  const bool temporary_lock = !insert && locked_id_ != current_id_;
  if (temporary_lock && !file_->TryLock(current_id_)) return kStatusRecordLocked;
  int64_t id = 0;
  const int16_t status =
      file_->Write(RowWrite{insert ? 0 : current_id_, record, keys, in_transaction_}, &id);
  if (temporary_lock) file_->Unlock(current_id_);
  written_id_ = 0;
  if (status != kStatusOk) return status;
  if (!insert && !temporary_lock && !in_transaction_) {
    written_id_ = current_id_;
    written_ = record;
  }
  if (insert) {
    current_id_ = id;
    key_number_ = IsKey(file_spec, key_number) ? key_number : 0;
  }
  current_key_ = keys[static_cast<size_t>(key_number_)];
  CopyKeyOut(current_key_, key);
  return kStatusOk;
}

int16_t RecordCursor::Transaction(int16_t op) {
  written_id_ = 0;  // an abort would take back what was written
  if ((op == kOpBeginTransaction) == in_transaction_) return kStatusInvalidOperation;
  const int16_t status = op == kOpBeginTransaction ? file_->BeginTransaction()
                         : op == kOpEndTransaction ? file_->EndTransaction()
                                                   : file_->AbortTransaction();
  in_transaction_ = op == kOpBeginTransaction && status == kStatusOk;
  return status;
}

int16_t RecordCursor::Stat(char* data, uint16_t* data_length) const {
  return CopyOut(EncodeCreationBlock(file_->file_spec()), data, data_length);
}

int16_t RecordCursor::Position(char* data, uint16_t* data_length) const {
  if (current_id_ == 0) return kStatusNoCurrentRecord;
  if (*data_length < 4) return kStatusDataBufferShort;
  std::string p;
  EncodeFixed32(&p, static_cast<uint32_t>(current_id_));
  std::memcpy(data, p.data(), 4);
  *data_length = 4;
  return kStatusOk;
}

void RecordCursor::DropLock() {
  if (locked_id_ != 0) file_->Unlock(locked_id_);
  locked_id_ = 0;
  written_id_ = 0;
}

}  // namespace storage
