#include "storage/record_cursor.h"

#include <algorithm>
#include <cstring>

#include "storage/damaged_rows.h"
#include "storage/little_endian.h"

namespace storage {
namespace {

// A read that met a damaged row: the caller reads again without it.
constexpr int16_t kDamagedRow = -1;

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
  if (biased) DropLock();  // a biased read drops the previous lock, also when it fails
  const bool step = op == kOpGetNext || op == kOpGetPrevious;
  const int k = step ? key_number_ : key_number;
  const FileSpec& file_spec = file_->file_spec();
  if (!IsKey(file_spec, k)) return kStatusInvalidKeyNumber;
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
    case kOpGetNext:
    case kOpGetPrevious:
      if (current_id_ == 0) return kStatusNoCurrentRecord;
      query.comparison = op == kOpGetNext ? KeyComparison::kAfter : KeyComparison::kBefore;
      query.key = current_key_;
      query.id = current_id_;
      break;
    default:
      return kStatusInvalidOperation;
  }
  for (;;) {
    rows_.clear();
    const int16_t selected = file_->SelectRows(query, &rows_);
    if (selected != kStatusOk) return selected;
    const int16_t status = Take(&rows_, not_found, biased, k, data, data_length, key);
    if (status != kDamagedRow) return status;
  }
}

int16_t RecordCursor::ReadDirect(bool biased, char* data, uint16_t* data_length, char* key,
                                 int16_t key_number) {
  if (biased) DropLock();
  if (*data_length < 4) return kStatusDataBufferShort;
  if (!IsKey(file_->file_spec(), key_number)) return kStatusInvalidKeyNumber;
  rows_.clear();
  const int16_t selected = file_->SelectById(DecodeFixed32(data), key_number, &rows_);
  if (selected != kStatusOk) return selected;
  const int16_t status =
      Take(&rows_, kStatusInvalidPosition, biased, key_number, data, data_length, key);
  return status == kDamagedRow ? kStatusInvalidPosition : status;
}

// Makes the first row read the current record along key path k: locked
// first when biased (another holder gives 84 and nothing moves), then
// copied out. A damaged row is left out of the file's reads from now on.
int16_t RecordCursor::Take(std::vector<StoredRow>* rows, int16_t not_found, bool biased, int k,
                           char* data, uint16_t* data_length, char* key) {
  if (rows->empty()) return not_found;
  StoredRow& row = rows->front();
  const std::string damage = row.stored_as_bytes
                                 ? RecordDamage(file_->file_spec(), k, row.data, row.key)
                                 : "it is stored as another type than bytes";
  if (!damage.empty()) {
    damaged_.insert(row.id);
    ReportDamagedRow(file_->name(), row.id, row.key, damage);
    return kDamagedRow;
  }
  if (biased) {
    if (!file_->TryLock(row.id)) return kStatusRecordLocked;
    locked_id_ = row.id;
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
  if (status != kStatusOk) return status;
  if (insert) {
    current_id_ = id;
    key_number_ = IsKey(file_spec, key_number) ? key_number : 0;
  }
  current_key_ = keys[static_cast<size_t>(key_number_)];
  CopyKeyOut(current_key_, key);
  return kStatusOk;
}

int16_t RecordCursor::Transaction(int16_t op) {
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
}

}  // namespace storage
