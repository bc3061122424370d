#include "storage/sqlite_engine.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>

#include "base/fault_points.h"
#include "base/platform.h"
#include "storage/damaged_rows.h"
#include "storage/record_table_sql.h"

namespace storage::sqlite {
namespace {

constexpr char kTag[4] = {'K', 'E', 'P', 'R'};
constexpr int kBusyTimeoutMs = 10000;
constexpr char kTable[] = "records";

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

bool Exec(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void BindBlob(sqlite3_stmt* s, int index, std::string_view bytes) {
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

// Steps a prepared read up to limit rows: columns id, data and a key.
int16_t Fetch(sqlite3_stmt* s, int limit, std::vector<StoredRow>* rows) {
  int16_t status = kStatusOk;
  for (int n = 0; n < limit; ++n) {
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      status = StatusOfSqlite(rc);
      break;
    }
    StoredRow& row = rows->emplace_back();
    row.id = sqlite3_column_int64(s, 0);
    row.stored_as_bytes =
        sqlite3_column_type(s, 1) == SQLITE_BLOB && sqlite3_column_type(s, 2) == SQLITE_BLOB;
    row.data = ColumnBlob(s, 1);
    row.key = ColumnBlob(s, 2);
  }
  sqlite3_reset(s);
  return status;
}

// The first region of a WAL index, and the place of the change counter
// (iChange) in the first copy of its header, in 32-bit words.
constexpr int kWalIndexRegion = 32768;
constexpr int kWalIndexChangeCounter = 2;

class SqliteFile : public EngineFile {
 public:
  ~SqliteFile() override {
    statements_.clear();
    if (db_ != nullptr) sqlite3_close(db_);
    if (lock_fd_ >= 0) ::close(lock_fd_);  // drops every record lock of the file
  }

  static int16_t CreateAt(const std::string& path, const FileSpec& file_spec, bool replace);
  int16_t OpenAt(const std::string& path, const std::string& owner);

  const char* Tag() const override { return kTag; }
  int16_t SelectRows(const RowQuery& query, std::vector<StoredRow>* rows) override;
  int16_t SelectById(int64_t id, int key_number, std::vector<StoredRow>* rows) override;
  int16_t Write(const RowWrite& write, int64_t* id) override;
  std::optional<uint64_t> CommitMark() override;
  bool TryLock(int64_t id) override { return LockRecord(id, F_WRLCK); }
  void Unlock(int64_t id) override { LockRecord(id, F_UNLCK); }
  int16_t BeginTransaction() override;
  int16_t EndTransaction() override;
  int16_t AbortTransaction() override;

 private:
  sqlite3_stmt* Prepare(const std::string& sql);
  int StepOnce(const char* sql);
  bool LockRecord(int64_t id, short type);
  bool HasRecordsTable();
  int16_t TakeOwner(const std::string& owner);

  sqlite3* db_ = nullptr;
  int lock_fd_ = -1;
  const volatile uint32_t* wal_index_ = nullptr;  // SQLite's own mapping of the "-shm" file
  std::map<std::string, std::unique_ptr<Statement>> statements_;  // prepared once per file
};

sqlite3_stmt* SqliteFile::Prepare(const std::string& sql) {
  auto& slot = statements_[sql];
  if (!slot) {
    slot = std::make_unique<Statement>();
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &slot->stmt, nullptr) != SQLITE_OK) {
      statements_.erase(sql);
      return nullptr;
    }
  }
  sqlite3_reset(slot->stmt);
  sqlite3_clear_bindings(slot->stmt);
  return slot->stmt;
}

// Runs a statement of no result, prepared once per file; SQLITE_DONE when done.
int SqliteFile::StepOnce(const char* sql) {
  sqlite3_stmt* s = Prepare(sql);
  if (s == nullptr) return SQLITE_ERROR;
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  return rc;
}

// Byte-range lock of one record position on the companion file.
bool SqliteFile::LockRecord(int64_t id, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = id;
  fl.l_len = 1;
  return ::fcntl(lock_fd_, F_OFD_SETLK, &fl) == 0;
}

// The counter of transactions in the header of the file's WAL index, which
// every commit of every connection moves before the commit is seen. The
// index is SQLite's shared memory of the "-shm" file, in the layout that
// connections of every SQLite version share; it is reached through the
// VFS's own mapping, which lasts while the connection is open. None for a
// file not in WAL mode, or before its index is mapped.
std::optional<uint64_t> SqliteFile::CommitMark() {
  if (wal_index_ == nullptr) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods == nullptr || file->pMethods->iVersion < 2 ||
        file->pMethods->xShmMap == nullptr) {
      return std::nullopt;
    }
    void volatile* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kWalIndexRegion, 0, &region) != SQLITE_OK ||
        region == nullptr) {
      return std::nullopt;
    }
    wal_index_ = static_cast<const volatile uint32_t*>(region);
  }
  std::atomic_thread_fence(std::memory_order_acquire);
  return wal_index_[kWalIndexChangeCounter];
}

int16_t SqliteFile::SelectRows(const RowQuery& query, std::vector<StoredRow>* rows) {
  const std::string kc = KeyColumn(query.key_number);
  const std::string where = KeyCondition(kc, query.comparison, '?', "?2");
  sqlite3_stmt* s = Prepare(SelectSql(kTable, kc, where + WithoutRows(*query.excluded),
                                      query.comparison, true, query.limit));
  if (s == nullptr) return kStatusIoError;
  BindBlob(s, 1, query.key);
  if (StepsFromCurrent(query.comparison)) sqlite3_bind_int64(s, 2, query.id);
  return Fetch(s, query.limit, rows);
}

int16_t SqliteFile::SelectById(int64_t id, int key_number, std::vector<StoredRow>* rows) {
  sqlite3_stmt* s = Prepare(ByIdSql(kTable, KeyColumn(key_number), "?1"));
  if (s == nullptr) return kStatusIoError;
  sqlite3_bind_int64(s, 1, id);
  return Fetch(s, 1, rows);
}

// Inside a transaction of the caller a failed write leaves the transaction
// for the caller to end or abort.
int16_t SqliteFile::Write(const RowWrite& write, int64_t* id) {
  const bool update = write.id != 0;
  const size_t nkeys = write.keys.size();
  sqlite3_stmt* s = Prepare(update ? UpdateSql(kTable, nkeys, '?') : InsertSql(kTable, nkeys, '?'));
  if (s == nullptr) return kStatusIoError;
  BindBlob(s, 1, write.record);
  for (size_t k = 0; k < nkeys; ++k) BindBlob(s, static_cast<int>(k + 2), write.keys[k]);
  if (update) sqlite3_bind_int64(s, static_cast<int>(nkeys + 2), write.id);
  base::FaultPoint();
  int rc = write.in_transaction ? SQLITE_DONE : StepOnce("BEGIN IMMEDIATE");
  if (rc == SQLITE_DONE) {
    rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc == SQLITE_DONE && update && sqlite3_changes(db_) == 0) rc = SQLITE_NOTFOUND;
    if (rc == SQLITE_DONE && !write.in_transaction) {
      base::FaultPoint();  // written, not yet committed
      rc = StepOnce("COMMIT");
    }
    if (rc != SQLITE_DONE && !write.in_transaction) Exec(db_, "ROLLBACK");
  }
  if (rc == SQLITE_NOTFOUND) return kStatusNoCurrentRecord;
  if (rc != SQLITE_DONE) return StatusOfSqlite(rc);
  *id = update ? write.id : sqlite3_last_insert_rowid(db_);
  return kStatusOk;
}

int16_t SqliteFile::BeginTransaction() {
  const int rc = StepOnce("BEGIN IMMEDIATE");
  return rc == SQLITE_DONE ? kStatusOk : StatusOfSqlite(rc);
}

int16_t SqliteFile::EndTransaction() {
  const int rc = StepOnce("COMMIT");
  if (rc == SQLITE_DONE) return kStatusOk;
  Exec(db_, "ROLLBACK");
  return StatusOfSqlite(rc);
}

int16_t SqliteFile::AbortTransaction() {
  const int rc = StepOnce("ROLLBACK");
  return rc == SQLITE_DONE ? kStatusOk : StatusOfSqlite(rc);
}

// A file whose table of records is missing, or lacks a column of its keys,
// is damaged like one whose header is unreadable.
bool SqliteFile::HasRecordsTable() {
  const std::string sql = ProbeSql(kTable, file_spec_.keys.size());
  sqlite3_stmt* s = nullptr;
  const bool ok = sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) == SQLITE_OK;
  sqlite3_finalize(s);
  return ok;
}

// Records the owner name of a file that has none yet.
int16_t SqliteFile::TakeOwner(const std::string& owner) {
  sqlite3_stmt* u = nullptr;
  sqlite3_prepare_v2(db_, "UPDATE meta SET owner = ?1 WHERE owner IS NULL", -1, &u, nullptr);
  BindBlob(u, 1, owner);
  const int rc = sqlite3_step(u);
  sqlite3_finalize(u);
  return rc == SQLITE_DONE ? kStatusOk : StatusOfSqlite(rc);
}

int16_t SqliteFile::OpenAt(const std::string& path, const std::string& owner) {
  std::error_code ec;  // a loop of symbolic links is a file that is not there
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return kStatusFileNotFound;
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    return kStatusIoError;
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  if (!Exec(db_, "PRAGMA synchronous=NORMAL")) return kStatusNotARecordFile;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT owner, creation_block FROM meta", -1, &s, nullptr) !=
      SQLITE_OK) {
    return sqlite3_errcode(db_) == SQLITE_BUSY ? kStatusFileLocked : kStatusNotARecordFile;
  }
  const int rc = sqlite3_step(s);
  const bool has_owner = rc == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL;
  const std::string stored_owner = rc == SQLITE_ROW ? ColumnBlob(s, 0) : std::string();
  const std::string block = rc == SQLITE_ROW ? ColumnBlob(s, 1) : std::string();
  sqlite3_finalize(s);
  if (rc == SQLITE_BUSY) return kStatusFileLocked;
  if (rc != SQLITE_ROW || !DecodeCreationBlock(block, &file_spec_)) return kStatusNotARecordFile;
  if (!HasRecordsTable()) return kStatusNotARecordFile;
  name_ = path;
  if (!has_owner) {
    const int16_t status = TakeOwner(owner);
    if (status != kStatusOk) return status;
  } else if (stored_owner != owner) {
    return kStatusWrongOwner;
  }
  lock_fd_ = ::open((path + ".rlk").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  return lock_fd_ < 0 ? kStatusIoError : kStatusOk;
}

// The statements that make an empty file of the description.
std::string SchemaSql(const FileSpec& file_spec) {
  return "PRAGMA journal_mode=WAL; CREATE TABLE meta(owner BLOB, creation_block BLOB NOT NULL);"
         "CREATE TABLE records(id INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL" +
         KeyColumnsSql(file_spec, "BLOB") + ");" +
         KeyIndexesSql(file_spec, kTable, [](const std::string& kc) { return "ix_" + kc; });
}

// Writes the database of an empty file at temp; false when it cannot.
bool BuildEmptyFile(const std::string& temp, const FileSpec& file_spec) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) == SQLITE_OK;
  ok = ok && Exec(db, SchemaSql(file_spec).c_str());
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
  return ok;
}

int16_t SqliteFile::CreateAt(const std::string& path, const FileSpec& file_spec, bool replace) {
  if (path.empty()) return kStatusFileNotFound;
  std::error_code ec;
  if (!replace && std::filesystem::exists(path, ec)) return kStatusFileExists;
  if (ec) return kStatusIoError;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty() && !base::MakeDirectories(parent.string())) return kStatusIoError;
  // Built under a temporary name and renamed, so that no process ever opens
  // a half-created file.
  const std::string temp = path + ".new" + std::to_string(::getpid());
  std::filesystem::remove(temp, ec);
  bool ok = BuildEmptyFile(temp, file_spec);
  std::filesystem::remove(temp + "-wal", ec);
  std::filesystem::remove(temp + "-shm", ec);
  if (ok) {
    std::filesystem::rename(temp, path, ec);
    ok = !ec;
  }
  if (!ok) std::filesystem::remove(temp, ec);
  return ok ? kStatusOk : kStatusIoError;
}

}  // namespace

std::unique_ptr<Engine> FileEngine(const std::string& path) {
  return std::make_unique<EngineAt<SqliteFile, std::string>>(path);
}

}  // namespace storage::sqlite
