#include "storage/postgres_backend.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "base/codepage.h"
#include "base/fault_points.h"
#include "base/ini_file.h"
#include "storage/damaged_rows.h"
#include "storage/record_manager.h"

namespace storage::postgres {
namespace {

constexpr char kMagic[4] = {'K', 'E', 'P', 'P'};
// No call waits without limit: a server that does not answer ends the call.
constexpr char kConnectOptions[] = " connect_timeout=10";
constexpr char kSessionSettings[] =
    "SET statement_timeout = '60s'; SET lock_timeout = '20s'; SET client_min_messages = warning";

struct Result {
  PGresult* r = nullptr;
  explicit Result(PGresult* p) : r(p) {}
  ~Result() { PQclear(r); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  ExecStatusType status() const { return PQresultStatus(r); }
  std::string state() const {
    const char* s = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    return s == nullptr ? std::string() : s;
  }
};

struct Handle {
  PGconn* conn = nullptr;
  std::string qualified;  // "schema"."table"
  int32_t lock_class = 0;
  FileSpec file_spec;
  int64_t locked_id = 0;
  int64_t current_id = 0;
  int key_number = 0;
  std::string current_key;
  bool in_transaction = false;
  std::map<std::string, std::string> prepared;  // statement text -> name
  std::string name;                             // schema.table, as messages name it
  std::set<int64_t> damaged;  // rows that are not records of the file, left out of reads
  ~Handle() {
    if (conn != nullptr) PQfinish(conn);
  }
};

std::map<uint32_t, std::unique_ptr<Handle>>& Handles() {
  static std::map<uint32_t, std::unique_ptr<Handle>> handles;
  return handles;
}
uint32_t g_next_handle = 1;

std::string Quote(PGconn* conn, const std::string& name) {
  char* q = PQescapeIdentifier(conn, name.c_str(), name.size());
  std::string out = q == nullptr ? "\"\"" : q;
  PQfreemem(q);
  return out;
}

// The lock space of a table: advisory locks are two 32-bit numbers, the
// table's and the record's.
int32_t LockClass(const std::string& qualified) {
  uint32_t h = 2166136261u;
  for (unsigned char c : qualified) h = (h ^ c) * 16777619u;
  return static_cast<int32_t>(h);
}

// The connection string with the time limit and the session's name added:
// "key=value" pairs take them as more pairs, a URI as query parameters.
std::string WithSessionOptions(const std::string& server) {
  const std::string name = "kep_" + std::to_string(::getpid());
  if (server.rfind("postgresql://", 0) == 0 || server.rfind("postgres://", 0) == 0) {
    return server + (server.find('?') == std::string::npos ? "?" : "&") +
           "connect_timeout=10&application_name=" + name;
  }
  return server + kConnectOptions + " application_name=" + name;
}

// Says once per process why the server could not be used, in libpq's words.
void SayConnectionFailure(PGconn* conn) {
  static bool said = false;
  if (said) return;
  said = true;
  std::string why = conn == nullptr ? "out of memory" : PQerrorMessage(conn);
  while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
  std::fprintf(stderr, "the PostgreSQL server cannot be used: %s\n", why.c_str());
}

PGconn* Connect(const std::string& server) {
  // The process shows in the server's list of sessions as "kep_<pid>".
  PGconn* conn = PQconnectdb(WithSessionOptions(server).c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    SayConnectionFailure(conn);
    PQfinish(conn);
    return nullptr;
  }
  Result set(PQexec(conn, kSessionSettings));
  if (set.status() != PGRES_COMMAND_OK) {
    SayConnectionFailure(conn);
    PQfinish(conn);
    return nullptr;
  }
  return conn;
}

int16_t StatusOf(PGconn* conn, const Result& r) {
  if (PQstatus(conn) != CONNECTION_OK) return kStatusIoError;
  const std::string state = r.state();
  if (state == "23505") return kStatusDuplicateKey;
  if (state == "55P03" || state == "40P01") return kStatusFileLocked;
  return kStatusIoError;
}

// Runs a statement prepared once per connection; params binary (bytea) or
// text (numbers), results binary.
PGresult* Run(Handle* h, const std::string& sql, const std::vector<std::string>& params,
              const std::vector<int>& binary) {
  auto it = h->prepared.find(sql);
  if (it == h->prepared.end()) {
    const std::string name = "s" + std::to_string(h->prepared.size() + 1);
    Result p(
        PQprepare(h->conn, name.c_str(), sql.c_str(), static_cast<int>(params.size()), nullptr));
    if (p.status() != PGRES_COMMAND_OK) return nullptr;
    it = h->prepared.emplace(sql, name).first;
  }
  std::vector<const char*> values;
  std::vector<int> lengths;
  for (const std::string& p : params) {
    values.push_back(p.data());
    lengths.push_back(static_cast<int>(p.size()));
  }
  return PQexecPrepared(h->conn, it->second.c_str(), static_cast<int>(params.size()), values.data(),
                        lengths.data(), binary.data(), 1);
}

int64_t BigEndian64(const char* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return static_cast<int64_t>(v);
}

std::string KeyColumn(int k) { return "k" + std::to_string(k); }

bool TryLock(Handle* h, int64_t id) {
  Result r(Run(h, "SELECT pg_try_advisory_lock($1::int4, $2::int4)",
               {std::to_string(h->lock_class), std::to_string(static_cast<int32_t>(id))}, {0, 0}));
  return r.status() == PGRES_TUPLES_OK && PQntuples(r.r) == 1 && PQgetvalue(r.r, 0, 0)[0] == 1;
}

void Unlock(Handle* h, int64_t id) {
  Result r(Run(h, "SELECT pg_advisory_unlock($1::int4, $2::int4)",
               {std::to_string(h->lock_class), std::to_string(static_cast<int32_t>(id))}, {0, 0}));
}

void DropLock(Handle* h) {
  if (h->locked_id != 0) Unlock(h, h->locked_id);
  h->locked_id = 0;
}

Handle* HandleOf(const char* position_block) {
  if (std::memcmp(position_block, kMagic, 4) != 0) return nullptr;
  const auto it = Handles().find(DecodeFixed32(position_block + 4));
  return it == Handles().end() ? nullptr : it->second.get();
}

// A read that met a damaged row: the caller reads again without it.
constexpr int16_t kDamagedRow = -1;

// Takes the row of a read: locked first when biased, then copied out.
int16_t TakeRow(Handle* h, PGresult* raw, int16_t not_found, bool biased, int k, char* data,
                uint16_t* data_length, char* key) {
  Result r(raw);
  if (r.r == nullptr || r.status() != PGRES_TUPLES_OK)
    return r.r == nullptr ? kStatusIoError : StatusOf(h->conn, r);
  if (PQntuples(r.r) == 0) return not_found;
  const int64_t id = BigEndian64(PQgetvalue(r.r, 0, 0));
  const std::string_view stored(PQgetvalue(r.r, 0, 1), static_cast<size_t>(PQgetlength(r.r, 0, 1)));
  const std::string_view stored_key(PQgetvalue(r.r, 0, 2),
                                    static_cast<size_t>(PQgetlength(r.r, 0, 2)));
  const std::string damage = RecordDamage(h->file_spec, k, stored, stored_key);
  if (!damage.empty()) {
    h->damaged.insert(id);
    ReportDamagedRow(h->name, id, stored_key, damage);
    return kDamagedRow;
  }
  if (biased) {
    if (!TryLock(h, id)) return kStatusRecordLocked;
    h->locked_id = id;
  }
  h->current_id = id;
  h->key_number = k;
  h->current_key.assign(PQgetvalue(r.r, 0, 2), static_cast<size_t>(PQgetlength(r.r, 0, 2)));
  const size_t size = static_cast<size_t>(PQgetlength(r.r, 0, 1));
  const size_t n = std::min<size_t>(*data_length, size);
  std::memcpy(data, PQgetvalue(r.r, 0, 1), n);
  *data_length = static_cast<uint16_t>(n);
  std::memcpy(key, h->current_key.data(), std::min<size_t>(h->current_key.size(), 255));
  return size > n ? kStatusDataBufferShort : kStatusOk;
}

// A key without duplicates is ordered by itself alone, so that the server
// walks its unique index; with duplicates, by the key and then the id, the
// order of its (key, id) index.
std::string SelectSql(const Handle* h, int k, const std::string& where, bool descending) {
  const std::string kc = KeyColumn(k);
  const bool duplicates = h->file_spec.keys[static_cast<size_t>(k)].duplicates;
  return "SELECT id, data, " + kc + " FROM " + h->qualified + " WHERE " + where + " ORDER BY " +
         kc + (descending ? " DESC" : "") +
         (duplicates ? (descending ? ", id DESC" : ", id") : "") + " LIMIT 1";
}

int16_t Read(Handle* h, int16_t op, bool biased, char* data, uint16_t* data_length, char* key,
             int16_t key_number) {
  if (biased) DropLock(h);
  const int k = (op == kOpGetNext || op == kOpGetPrevious) ? h->key_number : key_number;
  if (k < 0 || k >= static_cast<int>(h->file_spec.keys.size())) return kStatusInvalidKeyNumber;
  const std::string kc = KeyColumn(k);
  std::string wanted(static_cast<size_t>(h->file_spec.keys[static_cast<size_t>(k)].Length()), '\0');
  std::memcpy(wanted.data(), key, std::min<size_t>(wanted.size(), 255));
  std::vector<std::string> params{wanted};
  std::vector<int> binary{1};
  std::string where;
  bool descending = false;
  int16_t not_found = kStatusEndOfFile;
  switch (op) {
    case kOpGetEqual:
      where = kc + " = $1";
      not_found = kStatusKeyNotFound;
      break;
    case kOpGetGreaterOrEqual:
      where = kc + " >= $1";
      break;
    case kOpGetLessOrEqual:
      where = kc + " <= $1";
      descending = true;
      break;
    case kOpGetNext:
    case kOpGetPrevious: {
      if (h->current_id == 0) return kStatusNoCurrentRecord;
      const bool next = op == kOpGetNext;
      descending = !next;
      if (h->file_spec.keys[static_cast<size_t>(k)].duplicates) {
        where = "(" + kc + ", id) " + (next ? ">" : "<") + " ($1, $2::int8)";
        params = {h->current_key, std::to_string(h->current_id)};
        binary = {1, 0};
      } else {
        where = kc + (next ? " > $1" : " < $1");
        params = {h->current_key};
      }
      break;
    }
    default:
      return kStatusInvalidOperation;
  }
  for (;;) {
    const std::string sql = SelectSql(h, k, where + WithoutRows(h->damaged), descending);
    const int16_t status =
        TakeRow(h, Run(h, sql, params, binary), not_found, biased, k, data, data_length, key);
    if (status != kDamagedRow) return status;
  }
}

int16_t ReadDirect(Handle* h, bool biased, char* data, uint16_t* data_length, char* key,
                   int16_t key_number) {
  if (biased) DropLock(h);
  if (*data_length < 4) return kStatusDataBufferShort;
  if (key_number < 0 || key_number >= static_cast<int>(h->file_spec.keys.size()))
    return kStatusInvalidKeyNumber;
  const int64_t id = DecodeFixed32(data);
  const std::string sql = "SELECT id, data, " + KeyColumn(key_number) + " FROM " + h->qualified +
                          " WHERE id = $1::int8";
  const int16_t status = TakeRow(h, Run(h, sql, {std::to_string(id)}, {0}), kStatusInvalidPosition,
                                 biased, key_number, data, data_length, key);
  return status == kDamagedRow ? kStatusInvalidPosition : status;
}

// One insert or update; a single statement is its own transaction.
int16_t Write(Handle* h, bool insert, const char* data, uint16_t data_length, char* key,
              int16_t key_number) {
  if (data_length < h->file_spec.record_length) return kStatusInvalidRecordLength;
  const std::string record(data, static_cast<size_t>(h->file_spec.record_length));
  if (!insert && h->current_id == 0) return kStatusNoCurrentRecord;
  const size_t nkeys = h->file_spec.keys.size();
  std::vector<std::string> params{record};
  std::vector<int> binary{1};
  for (size_t k = 0; k < nkeys; ++k) {
    params.push_back(h->file_spec.keys[k].Extract(record));
    binary.push_back(1);
  }
  std::string sql;
  if (insert) {
    sql = "INSERT INTO " + h->qualified + "(data";
    for (size_t k = 0; k < nkeys; ++k) sql += ", " + KeyColumn(static_cast<int>(k));
    sql += ") VALUES($1";
    for (size_t k = 0; k < nkeys; ++k) sql += ", $" + std::to_string(k + 2);
    sql += ") RETURNING id";
  } else {
    sql = "UPDATE " + h->qualified + " SET data = $1";
    for (size_t k = 0; k < nkeys; ++k)
      sql += ", " + KeyColumn(static_cast<int>(k)) + " = $" + std::to_string(k + 2);
    sql += " WHERE id = $" + std::to_string(nkeys + 2) + "::int8 RETURNING id";
    params.push_back(std::to_string(h->current_id));
    binary.push_back(0);
  }
  // An update must not overwrite a record another station holds.
  const bool temporary_lock = !insert && h->locked_id != h->current_id;
  if (temporary_lock && !TryLock(h, h->current_id)) return kStatusRecordLocked;
  base::FaultPoint();
  Result r(Run(h, sql, params, binary));
  base::FaultPoint();
  if (temporary_lock) Unlock(h, h->current_id);
  if (r.r == nullptr) return kStatusIoError;
  if (r.status() != PGRES_TUPLES_OK) return StatusOf(h->conn, r);
  if (PQntuples(r.r) == 0) return kStatusNoCurrentRecord;
  if (insert) h->current_id = BigEndian64(PQgetvalue(r.r, 0, 0));
  const int k = (key_number >= 0 && key_number < static_cast<int>(nkeys)) ? key_number : 0;
  h->key_number = insert ? k : h->key_number;
  h->current_key = h->file_spec.keys[static_cast<size_t>(h->key_number)].Extract(record);
  std::memcpy(key, h->current_key.data(), std::min<size_t>(h->current_key.size(), 255));
  return kStatusOk;
}

std::string Sanitised(const std::string& text) {
  std::string out;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(base::LowerCase850(c));
    out.push_back(std::isalnum(u) && u < 128 ? static_cast<char>(u) : '_');
  }
  return out;
}

bool Exec(PGconn* conn, const std::string& sql, std::string* state = nullptr) {
  Result r(PQexec(conn, sql.c_str()));
  if (state != nullptr) *state = r.state();
  return r.status() == PGRES_COMMAND_OK || r.status() == PGRES_TUPLES_OK;
}

}  // namespace

bool LocationOf(const std::string& path, Location* location) {
  const std::filesystem::path file(path);
  const std::filesystem::path folder = file.parent_path();
  const std::filesystem::path root = folder.parent_path();
  const std::string ini = (root / "Vorn.ini").string();
  location->server = base::IniRead(ini, "Dades", "Servidor");
  if (location->server.empty()) return false;
  location->schema = Sanitised(base::IniRead(ini, "Dades", "Esquema"));
  if (location->schema.empty()) location->schema = "kep";
  location->table = Sanitised(folder.filename().string() + "/" + file.filename().string());
  return true;
}

int16_t Create(const Location& location, const FileSpec& file_spec, bool replace) {
  PGconn* conn = Connect(location.server);
  if (conn == nullptr) return kStatusIoError;
  const std::string schema = Quote(conn, location.schema);
  const std::string table = schema + "." + Quote(conn, location.table);
  const std::string meta = schema + ".kep_meta";
  std::string sql = "CREATE SCHEMA IF NOT EXISTS " + schema + "; CREATE TABLE IF NOT EXISTS " +
                    meta + "(name text PRIMARY KEY, owner bytea, creation_block bytea NOT NULL)";
  bool ok = Exec(conn, sql);
  if (ok && !replace) {
    Result r(PQexecParams(conn, ("SELECT 1 FROM " + meta + " WHERE name = $1").c_str(), 1, nullptr,
                          std::vector<const char*>{location.table.c_str()}.data(), nullptr, nullptr,
                          0));
    if (r.status() == PGRES_TUPLES_OK && PQntuples(r.r) > 0) {
      PQfinish(conn);
      return kStatusFileExists;
    }
  }
  // The table and its description appear together or not at all.
  sql = "BEGIN; DROP TABLE IF EXISTS " + table + "; DELETE FROM " + meta + " WHERE name = " + "'" +
        location.table + "'; CREATE TABLE " + table +
        "(id bigserial PRIMARY KEY, data bytea NOT NULL";
  for (size_t k = 0; k < file_spec.keys.size(); ++k)
    sql += ", " + KeyColumn(static_cast<int>(k)) + " bytea";
  sql += ");";
  for (size_t k = 0; k < file_spec.keys.size(); ++k) {
    const std::string kc = KeyColumn(static_cast<int>(k));
    const std::string index = Quote(conn, location.table + "_" + kc);
    sql += file_spec.keys[k].duplicates
               ? "CREATE INDEX " + index + " ON " + table + "(" + kc + ", id);"
               : "CREATE UNIQUE INDEX " + index + " ON " + table + "(" + kc + ");";
  }
  ok = ok && Exec(conn, sql);
  if (ok) {
    const std::string block = EncodeCreationBlock(file_spec);
    const char* values[] = {location.table.c_str(), block.data()};
    const int lengths[] = {static_cast<int>(location.table.size()), static_cast<int>(block.size())};
    const int formats[] = {0, 1};
    Result r(PQexecParams(
        conn,
        ("INSERT INTO " + meta + "(name, owner, creation_block) VALUES($1, NULL, $2)").c_str(), 2,
        nullptr, values, lengths, formats, 0));
    ok = r.status() == PGRES_COMMAND_OK;
  }
  ok = ok && Exec(conn, "COMMIT");
  if (!ok) Exec(conn, "ROLLBACK");
  PQfinish(conn);
  return ok ? kStatusOk : kStatusIoError;
}

// A file whose table is missing, or lacks a column of its keys, is damaged
// like one whose description is unreadable.
bool HasRecordsTable(Handle* h) {
  std::string sql = "SELECT id, data";
  for (size_t k = 0; k < h->file_spec.keys.size(); ++k)
    sql += ", " + KeyColumn(static_cast<int>(k));
  Result r(PQexec(h->conn, (sql + " FROM " + h->qualified + " LIMIT 0").c_str()));
  return r.status() == PGRES_TUPLES_OK;
}

int16_t Open(const Location& location, char* position_block, const std::string& owner) {
  auto h = std::make_unique<Handle>();
  h->conn = Connect(location.server);
  if (h->conn == nullptr) return kStatusIoError;
  const std::string schema = Quote(h->conn, location.schema);
  h->qualified = schema + "." + Quote(h->conn, location.table);
  h->lock_class = LockClass(location.schema + "." + location.table);
  const char* name[] = {location.table.c_str()};
  Result r(PQexecParams(
      h->conn,
      ("SELECT owner, creation_block FROM " + schema + ".kep_meta WHERE name = $1").c_str(), 1,
      nullptr, name, nullptr, nullptr, 1));
  if (r.status() != PGRES_TUPLES_OK)
    return r.state() == "42P01" ? kStatusFileNotFound : StatusOf(h->conn, r);
  if (PQntuples(r.r) == 0) return kStatusFileNotFound;
  const std::string block(PQgetvalue(r.r, 0, 1), static_cast<size_t>(PQgetlength(r.r, 0, 1)));
  if (!DecodeCreationBlock(block, &h->file_spec)) return kStatusNotARecordFile;
  if (!HasRecordsTable(h.get())) return kStatusNotARecordFile;
  h->name = location.schema + "." + location.table;
  if (PQgetisnull(r.r, 0, 0)) {
    const char* values[] = {owner.data(), location.table.c_str()};
    const int lengths[] = {static_cast<int>(owner.size()), static_cast<int>(location.table.size())};
    const int formats[] = {1, 0};
    Result u(PQexecParams(
        h->conn,
        ("UPDATE " + schema + ".kep_meta SET owner = $1 WHERE name = $2 AND owner IS NULL").c_str(),
        2, nullptr, values, lengths, formats, 0));
    if (u.status() != PGRES_COMMAND_OK) return StatusOf(h->conn, u);
  } else if (std::string(PQgetvalue(r.r, 0, 0), static_cast<size_t>(PQgetlength(r.r, 0, 0))) !=
             owner) {
    return kStatusWrongOwner;
  }
  const uint32_t handle = g_next_handle++;
  std::memset(position_block, 0, kPositionBlockSize);
  std::memcpy(position_block, kMagic, 4);
  std::string encoded;
  EncodeFixed32(&encoded, handle);
  std::memcpy(position_block + 4, encoded.data(), 4);
  Handles()[handle] = std::move(h);
  return kStatusOk;
}

bool Owns(const char* position_block) { return std::memcmp(position_block, kMagic, 4) == 0; }

// The handle's connection in a transaction: its statements join it.
int16_t Transaction(Handle* h, int16_t op) {
  if ((op == kOpBeginTransaction) == h->in_transaction) return kStatusInvalidOperation;
  Result r(PQexec(h->conn, op == kOpBeginTransaction ? "BEGIN"
                           : op == kOpEndTransaction ? "COMMIT"
                                                     : "ROLLBACK"));
  h->in_transaction = op == kOpBeginTransaction && r.status() == PGRES_COMMAND_OK;
  if (r.status() != PGRES_COMMAND_OK) return StatusOf(h->conn, r);
  // A transaction that failed part-way commits as a rollback.
  if (op == kOpEndTransaction && std::string(PQcmdStatus(r.r)) == "ROLLBACK") return kStatusIoError;
  return kStatusOk;
}

int16_t Call(int16_t base_op, bool biased, char* position_block, char* data, uint16_t* data_length,
             char* key, int16_t key_number) {
  Handle* h = HandleOf(position_block);
  if (h == nullptr) return kStatusInvalidOperation;
  if (PQstatus(h->conn) != CONNECTION_OK) return kStatusIoError;
  switch (base_op) {
    case kOpBeginTransaction:
    case kOpEndTransaction:
    case kOpAbortTransaction:
      return Transaction(h, base_op);
    case kOpInsert:
      return Write(h, true, data, *data_length, key, key_number);
    case kOpUpdate:
      return Write(h, false, data, *data_length, key, key_number);
    case kOpGetEqual:
    case kOpGetNext:
    case kOpGetPrevious:
    case kOpGetGreaterOrEqual:
    case kOpGetLessOrEqual:
      return Read(h, base_op, biased, data, data_length, key, key_number);
    case kOpStat:
      return StatReply(h->file_spec, data, data_length);
    case kOpGetPosition:
      return PositionReply(h->current_id, data, data_length);
    case kOpGetDirect:
      return ReadDirect(h, biased, data, data_length, key, key_number);
    case kOpUnlock:
      DropLock(h);
      return kStatusOk;
    default:
      return kStatusInvalidOperation;
  }
}

void Reset() { Handles().clear(); }

namespace {

std::string ServerError(PGconn* conn) {
  std::string text = conn == nullptr ? "the server cannot be reached" : PQerrorMessage(conn);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// Runs sql; on failure rolls back what was begun and says why.
bool ExecOrSay(PGconn* conn, const std::string& sql, std::string* err) {
  if (Exec(conn, sql)) return true;
  *err = ServerError(conn);
  Exec(conn, "ROLLBACK");
  return false;
}

}  // namespace

bool CopyTablesToSchema(const std::string& server, const std::string& schema,
                        const std::vector<std::string>& tables, const std::string& copy_schema,
                        std::string* err) {
  PGconn* conn = Connect(server);
  if (conn == nullptr) {
    *err = "the server cannot be reached";
    return false;
  }
  const std::string from = Quote(conn, schema);
  const std::string to = Quote(conn, copy_schema);
  std::string sql = "BEGIN ISOLATION LEVEL REPEATABLE READ; CREATE SCHEMA " + to +
                    "; CREATE TABLE " + to + ".kep_meta AS SELECT * FROM " + from +
                    ".kep_meta WHERE name IN (";
  for (size_t i = 0; i < tables.size(); ++i) {
    char* literal = PQescapeLiteral(conn, tables[i].c_str(), tables[i].size());
    sql += (i ? ", " : "") + std::string(literal ? literal : "''");
    PQfreemem(literal);
  }
  sql += ");";
  for (const std::string& t : tables) {
    sql += "CREATE TABLE " + to + "." + Quote(conn, t) + " AS SELECT * FROM " + from + "." +
           Quote(conn, t) + ";";
  }
  const bool ok = ExecOrSay(conn, sql, err) && ExecOrSay(conn, "COMMIT", err);
  PQfinish(conn);
  return ok;
}

bool RestoreTablesFromSchema(const std::string& server, const std::string& copy_schema,
                             const std::string& schema, const std::vector<std::string>& tables,
                             std::string* err) {
  PGconn* conn = Connect(server);
  if (conn == nullptr) {
    *err = "the server cannot be reached";
    return false;
  }
  const std::string from = Quote(conn, copy_schema);
  const std::string to = Quote(conn, schema);
  bool ok = ExecOrSay(conn, "BEGIN", err);
  for (const std::string& t : tables) {
    if (!ok) break;
    const std::string live = to + "." + Quote(conn, t);
    // Taken first, so that no station writes the table while it is checked
    // and replaced; a station's record lock is an advisory lock of its class.
    ok = ExecOrSay(conn, "LOCK TABLE " + live + " IN EXCLUSIVE MODE", err);
    if (!ok) break;
    const std::string cls =
        std::to_string(static_cast<int64_t>(static_cast<uint32_t>(LockClass(schema + "." + t))));
    Result held(PQexec(
        conn, ("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND classid::bigint = " +
               cls + " AND objsubid = 2")
                  .c_str()));
    if (held.status() != PGRES_TUPLES_OK || std::string(PQgetvalue(held.r, 0, 0)) != "0") {
      *err = held.status() != PGRES_TUPLES_OK
                 ? ServerError(conn)
                 : "a workstation holds a record of " + t +
                       ": wait until its run has ended; nothing was restored";
      Exec(conn, "ROLLBACK");
      ok = false;
      break;
    }
    ok = ExecOrSay(conn,
                   "DELETE FROM " + live + "; INSERT INTO " + live + " SELECT * FROM " + from +
                       "." + Quote(conn, t) + "; SELECT setval(pg_get_serial_sequence('" + schema +
                       "." + t + "', 'id'), GREATEST((SELECT max(id) FROM " + live + "), 1))",
                   err);
  }
  ok = ok && ExecOrSay(conn, "COMMIT", err);
  PQfinish(conn);
  return ok;
}

bool DropSchema(const std::string& server, const std::string& schema, std::string* err) {
  PGconn* conn = Connect(server);
  if (conn == nullptr) {
    *err = "the server cannot be reached";
    return false;
  }
  const bool ok = ExecOrSay(conn, "DROP SCHEMA IF EXISTS " + Quote(conn, schema) + " CASCADE", err);
  PQfinish(conn);
  return ok;
}

}  // namespace storage::postgres
