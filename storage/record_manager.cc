#include "storage/record_manager.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "base/fault_points.h"
#include "base/platform.h"
#include "storage/creation_block.h"
#include "storage/damaged_rows.h"
#include "storage/postgres_backend.h"

namespace storage {
namespace {

constexpr char kMagic[4] = {'K', 'E', 'P', 'R'};
constexpr int kBusyTimeoutMs = 10000;

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

struct OpenFile {
  sqlite3* db = nullptr;
  FileSpec file_spec;
  int lock_fd = -1;
  int64_t locked_id = 0;   // record this handle holds a lock on, 0 for none
  int64_t current_id = 0;  // current record, 0 for none
  int key_number = 0;      // key path of the current record
  std::string current_key;
  bool in_transaction = false;  // between begin and end (or abort) of a transaction
  std::map<std::string, std::unique_ptr<Statement>> statements;
  std::string path;
  std::set<int64_t> damaged;  // rows that are not records of the file, left out of reads

  ~OpenFile() {
    statements.clear();
    if (db != nullptr) sqlite3_close(db);
    if (lock_fd >= 0) ::close(lock_fd);  // drops every record lock of the handle
  }
};

std::map<uint32_t, std::unique_ptr<OpenFile>>& Files() {
  static std::map<uint32_t, std::unique_ptr<OpenFile>> files;
  return files;
}

uint32_t g_next_handle = 1;

OpenFile* FileOf(const char* position_block) {
  if (std::memcmp(position_block, kMagic, 4) != 0) return nullptr;
  const auto it = Files().find(DecodeFixed32(position_block + 4));
  return it == Files().end() ? nullptr : it->second.get();
}

std::string KeyColumn(int k) { return "k" + std::to_string(k); }

sqlite3_stmt* Prepare(OpenFile* f, const std::string& sql) {
  auto& slot = f->statements[sql];
  if (!slot) {
    slot = std::make_unique<Statement>();
    if (sqlite3_prepare_v2(f->db, sql.c_str(), -1, &slot->stmt, nullptr) != SQLITE_OK) {
      f->statements.erase(sql);
      return nullptr;
    }
  }
  sqlite3_reset(slot->stmt);
  sqlite3_clear_bindings(slot->stmt);
  return slot->stmt;
}

bool Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void BindBlob(sqlite3_stmt* s, int index, const std::string& bytes) {
  sqlite3_bind_blob(s, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

std::string ColumnBlob(sqlite3_stmt* s, int column) {
  const void* p = sqlite3_column_blob(s, column);
  return p == nullptr ? std::string()
                      : std::string(static_cast<const char*>(p),
                                    static_cast<size_t>(sqlite3_column_bytes(s, column)));
}

int16_t StatusOfSqlite(int rc) {
  if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return kStatusFileLocked;
  if (rc == SQLITE_CONSTRAINT) return kStatusDuplicateKey;
  if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) return kStatusNotARecordFile;
  return kStatusIoError;
}

// Byte-range lock of one record position on the companion file.
bool LockRecord(OpenFile* f, int64_t id, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = id;
  fl.l_len = 1;
  return ::fcntl(f->lock_fd, F_OFD_SETLK, &fl) == 0;
}

void DropLock(OpenFile* f) {
  if (f->locked_id != 0) LockRecord(f, f->locked_id, F_UNLCK);
  f->locked_id = 0;
}

struct Found {
  int64_t id = 0;
  std::string data;
  std::string key;
  bool stored_as_bytes = true;
};

// A read that met a damaged row: the caller reads again without it.
constexpr int16_t kDamagedRow = -1;

// Runs a prepared read; returns 0 and the row, or the not-found status.
int16_t FetchOne(sqlite3_stmt* s, int16_t not_found, Found* found) {
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return not_found;
  if (rc != SQLITE_ROW) return StatusOfSqlite(rc);
  found->id = sqlite3_column_int64(s, 0);
  found->stored_as_bytes =
      sqlite3_column_type(s, 1) == SQLITE_BLOB && sqlite3_column_type(s, 2) == SQLITE_BLOB;
  found->data = ColumnBlob(s, 1);
  found->key = ColumnBlob(s, 2);
  return kStatusOk;
}

std::string SelectSql(int k, const char* where, bool descending) {
  const std::string kc = KeyColumn(k);
  return "SELECT id, data, " + kc + " FROM records WHERE " + where + " ORDER BY " + kc +
         (descending ? " DESC, id DESC" : ", id") + " LIMIT 1";
}

void CopyOut(const Found& row, char* data, uint16_t* data_length, char* key, int16_t* status) {
  const size_t room = *data_length;
  const size_t n = std::min(room, row.data.size());
  std::memcpy(data, row.data.data(), n);
  *data_length = static_cast<uint16_t>(n);
  if (row.data.size() > room) *status = kStatusDataBufferShort;
  std::memcpy(key, row.key.data(), std::min<size_t>(row.key.size(), 255));
}

// Runs a prepared read and makes its record the current one along key path
// k: locked first when biased (another holder gives 84 and nothing moves),
// then copied out.
int16_t TakeRow(OpenFile* f, sqlite3_stmt* s, int16_t not_found, bool biased, int k, char* data,
                uint16_t* data_length, char* key) {
  Found row;
  int16_t status = FetchOne(s, not_found, &row);
  sqlite3_reset(s);
  if (status != kStatusOk) return status;
  const std::string damage = row.stored_as_bytes ? RecordDamage(f->file_spec, k, row.data, row.key)
                                                 : "it is stored as another type than bytes";
  if (!damage.empty()) {
    f->damaged.insert(row.id);
    ReportDamagedRow(f->path, row.id, row.key, damage);
    return kDamagedRow;
  }
  if (biased) {
    if (!LockRecord(f, row.id, F_WRLCK)) return kStatusRecordLocked;
    f->locked_id = row.id;
  }
  f->current_id = row.id;
  f->key_number = k;
  f->current_key = row.key;
  CopyOut(row, data, data_length, key, &status);
  return status;
}

int16_t Read(OpenFile* f, int16_t op, bool biased, char* data, uint16_t* data_length, char* key,
             uint16_t key_length, int16_t key_number) {
  if (biased) DropLock(f);  // a biased read drops the previous lock, also when it fails
  const int k = (op == kOpGetNext || op == kOpGetPrevious) ? f->key_number : key_number;
  if (k < 0 || k >= static_cast<int>(f->file_spec.keys.size())) return kStatusInvalidKeyNumber;
  const std::string kc = KeyColumn(k);
  std::string wanted(static_cast<size_t>(f->file_spec.keys[static_cast<size_t>(k)].Length()), '\0');
  std::memcpy(wanted.data(), key, std::min<size_t>(wanted.size(), key_length));
  std::string where;
  bool descending = false;
  int16_t not_found = kStatusEndOfFile;
  switch (op) {
    case kOpGetEqual:
      where = kc + " = ?1";
      not_found = kStatusKeyNotFound;
      break;
    case kOpGetGreaterOrEqual:
      where = kc + " >= ?1";
      break;
    case kOpGetLessOrEqual:
      where = kc + " <= ?1";
      descending = true;
      break;
    case kOpGetNext:
    case kOpGetPrevious: {
      if (f->current_id == 0) return kStatusNoCurrentRecord;
      const bool next = op == kOpGetNext;
      where = "(" + kc + ", id) " + (next ? ">" : "<") + " (?1, ?2)";
      descending = !next;
      wanted = f->current_key;
      break;
    }
    default:
      return kStatusInvalidOperation;
  }
  for (;;) {
    sqlite3_stmt* s =
        Prepare(f, SelectSql(k, (where + WithoutRows(f->damaged)).c_str(), descending));
    if (s == nullptr) return kStatusIoError;
    BindBlob(s, 1, wanted);
    if (op == kOpGetNext || op == kOpGetPrevious) sqlite3_bind_int64(s, 2, f->current_id);
    const int16_t status = TakeRow(f, s, not_found, biased, k, data, data_length, key);
    if (status != kDamagedRow) return status;
  }
}

int16_t ReadDirect(OpenFile* f, bool biased, char* data, uint16_t* data_length, char* key,
                   int16_t key_number) {
  if (biased) DropLock(f);
  if (*data_length < 4) return kStatusDataBufferShort;
  if (key_number < 0 || key_number >= static_cast<int>(f->file_spec.keys.size())) {
    return kStatusInvalidKeyNumber;
  }
  const int64_t id = DecodeFixed32(data);
  sqlite3_stmt* s =
      Prepare(f, "SELECT id, data, " + KeyColumn(key_number) + " FROM records WHERE id = ?1");
  if (s == nullptr) return kStatusIoError;
  sqlite3_bind_int64(s, 1, id);
  const int16_t status =
      TakeRow(f, s, kStatusInvalidPosition, biased, key_number, data, data_length, key);
  return status == kDamagedRow ? kStatusInvalidPosition : status;
}

// Runs a statement of no result, prepared once per file; SQLITE_DONE when done.
int StepOnce(OpenFile* f, const char* sql) {
  sqlite3_stmt* s = Prepare(f, sql);
  if (s == nullptr) return SQLITE_ERROR;
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  return rc;
}

// One insert or update in its own transaction.
int16_t Write(OpenFile* f, bool insert, const char* data, uint16_t data_length, char* key,
              int16_t key_number) {
  if (data_length < f->file_spec.record_length) return kStatusInvalidRecordLength;
  const std::string record(data, f->file_spec.record_length);
  if (!insert && f->current_id == 0) return kStatusNoCurrentRecord;
  const size_t nkeys = f->file_spec.keys.size();
  std::string sql;
  if (insert) {
    sql = "INSERT INTO records(data";
    for (size_t k = 0; k < nkeys; ++k) sql += ", " + KeyColumn(static_cast<int>(k));
    sql += ") VALUES(?1";
    for (size_t k = 0; k < nkeys; ++k) sql += ", ?" + std::to_string(k + 2);
    sql += ")";
  } else {
    sql = "UPDATE records SET data = ?1";
    for (size_t k = 0; k < nkeys; ++k) {
      sql += ", " + KeyColumn(static_cast<int>(k)) + " = ?" + std::to_string(k + 2);
    }
    sql += " WHERE id = ?" + std::to_string(nkeys + 2);
  }
  // An update must not overwrite a record another process holds.
  const bool temporary_lock = !insert && f->locked_id != f->current_id;
  if (temporary_lock && !LockRecord(f, f->current_id, F_WRLCK)) return kStatusRecordLocked;
  auto release = [&] {
    if (temporary_lock) LockRecord(f, f->current_id, F_UNLCK);
  };
  sqlite3_stmt* s = Prepare(f, sql);
  if (s == nullptr) {
    release();
    return kStatusIoError;
  }
  BindBlob(s, 1, record);
  for (size_t k = 0; k < nkeys; ++k)
    BindBlob(s, static_cast<int>(k + 2), f->file_spec.keys[k].Extract(record));
  if (!insert) sqlite3_bind_int64(s, static_cast<int>(nkeys + 2), f->current_id);
  base::FaultPoint();
  // Inside a transaction of the caller the write joins it; a failed write
  // leaves the transaction for the caller to end or abort.
  int rc = f->in_transaction ? SQLITE_DONE : StepOnce(f, "BEGIN IMMEDIATE");
  if (rc == SQLITE_DONE) {
    rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc == SQLITE_DONE && !insert && sqlite3_changes(f->db) == 0) rc = SQLITE_NOTFOUND;
    if (rc == SQLITE_DONE && !f->in_transaction) {
      base::FaultPoint();  // written, not yet committed
      rc = StepOnce(f, "COMMIT");
    }
    if (rc != SQLITE_DONE && !f->in_transaction) Exec(f->db, "ROLLBACK");
  }
  release();
  if (rc == SQLITE_NOTFOUND) return kStatusNoCurrentRecord;
  if (rc != SQLITE_DONE) return StatusOfSqlite(rc);
  if (insert) f->current_id = sqlite3_last_insert_rowid(f->db);
  const int k = (key_number >= 0 && key_number < static_cast<int>(nkeys)) ? key_number : 0;
  f->key_number = insert ? k : f->key_number;
  f->current_key = f->file_spec.keys[static_cast<size_t>(f->key_number)].Extract(record);
  std::memcpy(key, f->current_key.data(), std::min<size_t>(f->current_key.size(), 255));
  return kStatusOk;
}

int16_t Transaction(OpenFile* f, int16_t op) {
  if ((op == kOpBeginTransaction) == f->in_transaction) return kStatusInvalidOperation;
  const int rc = StepOnce(f, op == kOpBeginTransaction ? "BEGIN IMMEDIATE"
                             : op == kOpEndTransaction ? "COMMIT"
                                                       : "ROLLBACK");
  if (rc != SQLITE_DONE) {
    if (op == kOpEndTransaction) Exec(f->db, "ROLLBACK");
    f->in_transaction = false;
    return StatusOfSqlite(rc);
  }
  f->in_transaction = op == kOpBeginTransaction;
  return kStatusOk;
}

std::string PathFrom(const char* key, uint16_t key_length) {
  return base::ResolvePath(std::string(key, strnlen(key, key_length)));
}

int16_t Create(const char* data, uint16_t data_length, const char* key, uint16_t key_length,
               int16_t key_number) {
  FileSpec file_spec;
  if (!DecodeCreationBlock(std::string_view(data, data_length), &file_spec)) {
    return kStatusBadCreationBlock;
  }
  const std::string path = PathFrom(key, key_length);
  if (path.empty()) return kStatusFileNotFound;
  std::error_code ec;
  if (key_number == -1 && std::filesystem::exists(path, ec)) return kStatusFileExists;
  if (ec) return kStatusIoError;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty() && !base::MakeDirectories(parent.string())) return kStatusIoError;
  // Built under a temporary name and renamed, so that no process ever opens
  // a half-created file.
  const std::string temp = path + ".new" + std::to_string(::getpid());
  std::filesystem::remove(temp, ec);
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) == SQLITE_OK;
  std::string sql =
      "PRAGMA journal_mode=WAL; CREATE TABLE meta(owner BLOB, creation_block BLOB NOT NULL);"
      "CREATE TABLE records(id INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL";
  for (size_t k = 0; k < file_spec.keys.size(); ++k)
    sql += ", " + KeyColumn(static_cast<int>(k)) + " BLOB";
  sql += ");";
  for (size_t k = 0; k < file_spec.keys.size(); ++k) {
    const std::string kc = KeyColumn(static_cast<int>(k));
    sql += file_spec.keys[k].duplicates
               ? "CREATE INDEX ix_" + kc + " ON records(" + kc + ", id);"
               : "CREATE UNIQUE INDEX ix_" + kc + " ON records(" + kc + ");";
  }
  ok = ok && Exec(db, sql.c_str());
  sqlite3_stmt* s = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "INSERT INTO meta(owner, creation_block) VALUES(NULL, ?1)", -1,
                                &s, nullptr) == SQLITE_OK;
  if (ok) {
    BindBlob(s, 1, EncodeCreationBlock(file_spec));
    ok = sqlite3_step(s) == SQLITE_DONE;
  }
  sqlite3_finalize(s);
  ok = ok && Exec(db, "PRAGMA wal_checkpoint(TRUNCATE)");
  sqlite3_close(db);
  std::filesystem::remove(temp + "-wal", ec);
  std::filesystem::remove(temp + "-shm", ec);
  if (ok) {
    std::filesystem::rename(temp, path, ec);
    ok = !ec;
  }
  if (!ok) std::filesystem::remove(temp, ec);
  return ok ? kStatusOk : kStatusIoError;
}

// A file whose table of records is missing, or lacks a column of its keys,
// is damaged like one whose header is unreadable.
bool HasRecordsTable(OpenFile* f) {
  std::string sql = "SELECT id, data";
  for (size_t k = 0; k < f->file_spec.keys.size(); ++k)
    sql += ", " + KeyColumn(static_cast<int>(k));
  sql += " FROM records LIMIT 0";
  sqlite3_stmt* s = nullptr;
  const bool ok = sqlite3_prepare_v2(f->db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK;
  sqlite3_finalize(s);
  return ok;
}

int16_t Open(char* position_block, const char* data, uint16_t data_length, const char* key,
             uint16_t key_length) {
  const std::string path = PathFrom(key, key_length);
  std::error_code ec;  // a loop of symbolic links is a file that is not there
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return kStatusFileNotFound;
  auto f = std::make_unique<OpenFile>();
  if (sqlite3_open_v2(path.c_str(), &f->db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    return kStatusIoError;
  }
  sqlite3_busy_timeout(f->db, kBusyTimeoutMs);
  if (!Exec(f->db, "PRAGMA synchronous=NORMAL")) return kStatusNotARecordFile;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(f->db, "SELECT owner, creation_block FROM meta", -1, &s, nullptr) !=
      SQLITE_OK) {
    const int rc = sqlite3_errcode(f->db);
    return rc == SQLITE_BUSY ? kStatusFileLocked : kStatusNotARecordFile;
  }
  const int rc = sqlite3_step(s);
  const bool has_owner = rc == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL;
  const std::string owner = rc == SQLITE_ROW ? ColumnBlob(s, 0) : std::string();
  const std::string file_spec = rc == SQLITE_ROW ? ColumnBlob(s, 1) : std::string();
  sqlite3_finalize(s);
  if (rc == SQLITE_BUSY) return kStatusFileLocked;
  if (rc != SQLITE_ROW || !DecodeCreationBlock(file_spec, &f->file_spec))
    return kStatusNotARecordFile;
  if (!HasRecordsTable(f.get())) return kStatusNotARecordFile;
  f->path = path;
  const std::string given(data, strnlen(data, data_length));
  if (!has_owner) {
    sqlite3_stmt* u = nullptr;
    sqlite3_prepare_v2(f->db, "UPDATE meta SET owner = ?1 WHERE owner IS NULL", -1, &u, nullptr);
    BindBlob(u, 1, given);
    const int urc = sqlite3_step(u);
    sqlite3_finalize(u);
    if (urc != SQLITE_DONE) return StatusOfSqlite(urc);
  } else if (owner != given) {
    return kStatusWrongOwner;
  }
  f->lock_fd = ::open((path + ".rlk").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (f->lock_fd < 0) return kStatusIoError;
  const uint32_t handle = g_next_handle++;
  std::memset(position_block, 0, kPositionBlockSize);
  std::memcpy(position_block, kMagic, 4);
  std::string h;
  EncodeFixed32(&h, handle);
  std::memcpy(position_block + 4, h.data(), 4);
  Files()[handle] = std::move(f);
  return kStatusOk;
}

}  // namespace

int16_t RecordManagerCall(int16_t op, char* position_block, char* data, uint16_t* data_length,
                          char* key, uint16_t key_length, int16_t key_number) {
  const bool biased = op >= kLockBias;
  const int16_t base_op = biased ? static_cast<int16_t>(op - kLockBias) : op;
  switch (base_op) {
    case kOpOpen:
    case kOpCreate: {
      postgres::Location server;
      if (!postgres::LocationOf(PathFrom(key, key_length), &server)) {
        return base_op == kOpOpen ? Open(position_block, data, *data_length, key, key_length)
                                  : Create(data, *data_length, key, key_length, key_number);
      }
      if (base_op == kOpOpen)
        return postgres::Open(server, position_block,
                              std::string(data, strnlen(data, *data_length)));
      FileSpec file_spec;
      if (!DecodeCreationBlock(std::string_view(data, *data_length), &file_spec))
        return kStatusBadCreationBlock;
      return postgres::Create(server, file_spec, key_number != -1);
    }
    case kOpReset:
      Files().clear();
      postgres::Reset();
      return kStatusOk;
    default:
      break;
  }
  if (postgres::Owns(position_block)) {
    return postgres::Call(base_op, biased, position_block, data, data_length, key, key_number);
  }
  OpenFile* f = FileOf(position_block);
  if (f == nullptr) return kStatusInvalidOperation;
  switch (base_op) {
    case kOpBeginTransaction:
    case kOpEndTransaction:
    case kOpAbortTransaction:
      return Transaction(f, base_op);
    case kOpInsert:
      return Write(f, true, data, *data_length, key, key_number);
    case kOpUpdate:
      return Write(f, false, data, *data_length, key, key_number);
    case kOpGetEqual:
    case kOpGetNext:
    case kOpGetPrevious:
    case kOpGetGreaterOrEqual:
    case kOpGetLessOrEqual:
      return Read(f, base_op, biased, data, data_length, key, key_length, key_number);
    case kOpStat:
      return StatReply(f->file_spec, data, data_length);
    case kOpGetPosition:
      return PositionReply(f->current_id, data, data_length);
    case kOpGetDirect:
      return ReadDirect(f, biased, data, data_length, key, key_number);
    case kOpUnlock:
      DropLock(f);
      return kStatusOk;
    default:
      return kStatusInvalidOperation;
  }
}

}  // namespace storage
