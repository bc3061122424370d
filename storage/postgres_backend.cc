#include "storage/postgres_backend.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "base/codepage.h"
#include "base/fault_points.h"
#include "base/ini_file.h"
#include "storage/damaged_rows.h"
#include "storage/record_table_sql.h"

namespace storage::postgres {
namespace {

constexpr char kTag[4] = {'K', 'E', 'P', 'P'};
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

int64_t BigEndian64(const char* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return static_cast<int64_t>(v);
}

// Row i of a read's result: columns id, data and a key, in binary.
StoredRow RowAt(const PGresult* r, int i) {
  StoredRow row;
  row.id = BigEndian64(PQgetvalue(r, i, 0));
  row.data.assign(PQgetvalue(r, i, 1), static_cast<size_t>(PQgetlength(r, i, 1)));
  row.key.assign(PQgetvalue(r, i, 2), static_cast<size_t>(PQgetlength(r, i, 2)));
  return row;
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

class PostgresFile : public EngineFile {
 public:
  ~PostgresFile() override {
    if (conn_ != nullptr) PQfinish(conn_);
  }

  static int16_t CreateAt(const Location& location, const FileSpec& file_spec, bool replace);
  int16_t OpenAt(const Location& location, const std::string& owner);

  const char* Tag() const override { return kTag; }
  int16_t Usable() const override {
    return PQstatus(conn_) == CONNECTION_OK ? kStatusOk : kStatusIoError;
  }
  int16_t SelectRows(const RowQuery& query, std::vector<StoredRow>* rows) override;
  int16_t SelectLocking(const RowQuery& query, int64_t drop_id, std::vector<StoredRow>* rows,
                        RowLock* lock) override;
  int16_t SelectById(int64_t id, int key_number, std::vector<StoredRow>* rows) override;
  int16_t Write(const RowWrite& write, int64_t* id) override;
  bool TryLock(int64_t id) override;
  void Unlock(int64_t id) override;
  int16_t BeginTransaction() override { return Command("BEGIN"); }
  int16_t EndTransaction() override;
  int16_t AbortTransaction() override { return Command("ROLLBACK"); }

 private:
  PGresult* Run(const std::string& sql, const std::vector<std::string>& params,
                const std::vector<int>& binary);
  int16_t Fetch(PGresult* raw, std::vector<StoredRow>* rows);
  std::string SelectSql(const RowQuery& query) const;
  std::string SelectLockingSql(const RowQuery& query, size_t nparams) const;
  std::vector<std::string> QueryParams(const RowQuery& query, std::vector<int>* binary) const;
  int16_t Command(const char* sql);
  bool HasRecordsTable();

  PGconn* conn_ = nullptr;
  std::string qualified_;  // "schema"."table"
  int32_t lock_class_ = 0;
  std::map<std::string, std::string> prepared_;  // statement text -> name
};

// Runs a statement prepared once per connection; params binary (bytea) or
// text (numbers), results binary.
PGresult* PostgresFile::Run(const std::string& sql, const std::vector<std::string>& params,
                            const std::vector<int>& binary) {
  auto it = prepared_.find(sql);
  if (it == prepared_.end()) {
    const std::string name = "s" + std::to_string(prepared_.size() + 1);
    Result p(PQprepare(conn_, name.c_str(), sql.c_str(), static_cast<int>(params.size()), nullptr));
    if (p.status() != PGRES_COMMAND_OK) return nullptr;
    it = prepared_.emplace(sql, name).first;
  }
  std::vector<const char*> values;
  std::vector<int> lengths;
  for (const std::string& p : params) {
    values.push_back(p.data());
    lengths.push_back(static_cast<int>(p.size()));
  }
  return PQexecPrepared(conn_, it->second.c_str(), static_cast<int>(params.size()), values.data(),
                        lengths.data(), binary.data(), 1);
}

bool PostgresFile::TryLock(int64_t id) {
  Result r(Run("SELECT pg_try_advisory_lock($1::int4, $2::int4)",
               {std::to_string(lock_class_), std::to_string(static_cast<int32_t>(id))}, {0, 0}));
  return r.status() == PGRES_TUPLES_OK && PQntuples(r.r) == 1 && PQgetvalue(r.r, 0, 0)[0] == 1;
}

void PostgresFile::Unlock(int64_t id) {
  Result r(Run("SELECT pg_advisory_unlock($1::int4, $2::int4)",
               {std::to_string(lock_class_), std::to_string(static_cast<int32_t>(id))}, {0, 0}));
}

// The rows of a read: columns id, data and a key.
int16_t PostgresFile::Fetch(PGresult* raw, std::vector<StoredRow>* rows) {
  Result r(raw);
  if (r.r == nullptr) return kStatusIoError;
  if (r.status() != PGRES_TUPLES_OK) return StatusOf(conn_, r);
  for (int i = 0; i < PQntuples(r.r); ++i) rows->push_back(RowAt(r.r, i));
  return kStatusOk;
}

// A key without duplicates is ordered by itself alone, so that the server
// walks its unique index; with duplicates, by the key and then the id, the
// order of its (key, id) index. $1 is the key, $2 the current record.
std::string PostgresFile::SelectSql(const RowQuery& query) const {
  const std::string kc = KeyColumn(query.key_number);
  const bool duplicates = file_spec_.keys[static_cast<size_t>(query.key_number)].duplicates;
  const std::string where = KeyCondition(kc, query.comparison, '$', duplicates ? "$2::int8" : "");
  return storage::SelectSql(qualified_, kc, where + WithoutRows(*query.excluded), query.comparison,
                            duplicates, query.limit);
}

// The parameters of a read: the key, and the current record's id when a
// step along a key of duplicates compares it.
std::vector<std::string> PostgresFile::QueryParams(const RowQuery& query,
                                                   std::vector<int>* binary) const {
  std::vector<std::string> params{std::string(query.key)};
  binary->assign(1, 1);
  if (StepsFromCurrent(query.comparison) &&
      file_spec_.keys[static_cast<size_t>(query.key_number)].duplicates) {
    params.push_back(std::to_string(query.id));
    binary->push_back(0);
  }
  return params;
}

int16_t PostgresFile::SelectRows(const RowQuery& query, std::vector<StoredRow>* rows) {
  std::vector<int> binary;
  const std::vector<std::string> params = QueryParams(query, &binary);
  return Fetch(Run(SelectSql(query), params, binary), rows);
}

// A record's lock is the advisory lock (table's class, low 32 bits of its id).
std::string LockNumber(const std::string& id) {
  return "(((" + id + ") & 2147483647) - ((" + id + ") & 2147483648))::int4";
}

// One statement of one round trip for a read with the lock bias. In order:
// the previous lock is dropped (parameter D, 0 for none), the first row is
// selected and locked without waiting, and the row is looked at again once
// locked. A select sees the table as it stood when the statement began; a
// station may have changed the row and let go of its lock in between. The
// version read then carries the changer's transaction in its xmax, so a row
// whose xmax is still 0 once locked is the record as it stands.
std::string PostgresFile::SelectLockingSql(const RowQuery& query, size_t nparams) const {
  const std::string kc = KeyColumn(query.key_number);
  const std::string lock_class = "$" + std::to_string(nparams + 1) + "::int4";
  const std::string drop = "$" + std::to_string(nparams + 2) + "::int8";
  return "WITH dropped AS MATERIALIZED (SELECT CASE WHEN " + drop +
         " = 0 THEN false ELSE pg_advisory_unlock(" + lock_class + ", " + LockNumber(drop) +
         ") END AS done) SELECT q.id, q.data, q." + kc + ", q.locked, (SELECT t.xmax::text FROM " +
         qualified_ +
         " t WHERE t.id = q.id) = '0' FROM dropped LEFT JOIN (SELECT s.id, s.data, s." + kc +
         ", pg_try_advisory_lock(" + lock_class + ", " + LockNumber("s.id") + ") AS locked FROM (" +
         SelectSql(query) + ") s LIMIT 1) q ON true";
}

int16_t PostgresFile::SelectLocking(const RowQuery& query, int64_t drop_id,
                                    std::vector<StoredRow>* rows, RowLock* lock) {
  std::vector<int> binary;
  std::vector<std::string> params = QueryParams(query, &binary);
  const std::string sql = SelectLockingSql(query, params.size());
  params.push_back(std::to_string(lock_class_));
  params.push_back(std::to_string(drop_id));
  binary.insert(binary.end(), {0, 0});
  Result r(Run(sql, params, binary));
  if (r.r == nullptr) return kStatusIoError;
  if (r.status() != PGRES_TUPLES_OK) return StatusOf(conn_, r);
  *lock = RowLock::kNotTried;
  // One row always: the row read, or nulls when there is none.
  if (PQntuples(r.r) != 1 || PQgetisnull(r.r, 0, 0)) return kStatusOk;
  rows->push_back(RowAt(r.r, 0));
  const bool locked = PQgetvalue(r.r, 0, 3)[0] == 1;
  const bool unchanged = !PQgetisnull(r.r, 0, 4) && PQgetvalue(r.r, 0, 4)[0] == 1;
  *lock = !locked ? RowLock::kRefused : unchanged ? RowLock::kTaken : RowLock::kTakenMaybeChanged;
  return kStatusOk;
}

int16_t PostgresFile::SelectById(int64_t id, int key_number, std::vector<StoredRow>* rows) {
  const std::string sql = ByIdSql(qualified_, KeyColumn(key_number), "$1::int8");
  return Fetch(Run(sql, {std::to_string(id)}, {0}), rows);
}

// One insert or update; a single statement is its own transaction, and
// joins the connection's transaction when there is one.
int16_t PostgresFile::Write(const RowWrite& write, int64_t* id) {
  const bool update = write.id != 0;
  std::vector<std::string> params{write.record};
  params.insert(params.end(), write.keys.begin(), write.keys.end());
  std::vector<int> binary(params.size(), 1);
  if (update) {
    params.push_back(std::to_string(write.id));
    binary.push_back(0);
  }
  const size_t nkeys = write.keys.size();
  const std::string sql = update ? UpdateSql(qualified_, nkeys, '$') + "::int8 RETURNING id"
                                 : InsertSql(qualified_, nkeys, '$') + " RETURNING id";
  base::FaultPoint();
  Result r(Run(sql, params, binary));
  base::FaultPoint();
  if (r.r == nullptr) return kStatusIoError;
  if (r.status() != PGRES_TUPLES_OK) return StatusOf(conn_, r);
  if (PQntuples(r.r) == 0) return kStatusNoCurrentRecord;
  *id = BigEndian64(PQgetvalue(r.r, 0, 0));
  return kStatusOk;
}

int16_t PostgresFile::Command(const char* sql) {
  Result r(PQexec(conn_, sql));
  return r.status() == PGRES_COMMAND_OK ? kStatusOk : StatusOf(conn_, r);
}

int16_t PostgresFile::EndTransaction() {
  Result r(PQexec(conn_, "COMMIT"));
  if (r.status() != PGRES_COMMAND_OK) return StatusOf(conn_, r);
  // A transaction that failed part-way commits as a rollback.
  return std::string(PQcmdStatus(r.r)) == "ROLLBACK" ? kStatusIoError : kStatusOk;
}

// A file whose table is missing, or lacks a column of its keys, is damaged
// like one whose description is unreadable.
bool PostgresFile::HasRecordsTable() {
  Result r(PQexec(conn_, ProbeSql(qualified_, file_spec_.keys.size()).c_str()));
  return r.status() == PGRES_TUPLES_OK;
}

int16_t PostgresFile::OpenAt(const Location& location, const std::string& owner) {
  conn_ = Connect(location.server);
  if (conn_ == nullptr) return kStatusIoError;
  const std::string schema = Quote(conn_, location.schema);
  qualified_ = schema + "." + Quote(conn_, location.table);
  lock_class_ = LockClass(location.schema + "." + location.table);
  const char* name[] = {location.table.c_str()};
  Result r(PQexecParams(
      conn_, ("SELECT owner, creation_block FROM " + schema + ".kep_meta WHERE name = $1").c_str(),
      1, nullptr, name, nullptr, nullptr, 1));
  if (r.status() != PGRES_TUPLES_OK)
    return r.state() == "42P01" ? kStatusFileNotFound : StatusOf(conn_, r);
  if (PQntuples(r.r) == 0) return kStatusFileNotFound;
  const std::string block(PQgetvalue(r.r, 0, 1), static_cast<size_t>(PQgetlength(r.r, 0, 1)));
  if (!DecodeCreationBlock(block, &file_spec_)) return kStatusNotARecordFile;
  if (!HasRecordsTable()) return kStatusNotARecordFile;
  name_ = location.schema + "." + location.table;
  if (PQgetisnull(r.r, 0, 0)) {
    const char* values[] = {owner.data(), location.table.c_str()};
    const int lengths[] = {static_cast<int>(owner.size()), static_cast<int>(location.table.size())};
    const int formats[] = {1, 0};
    Result u(PQexecParams(
        conn_,
        ("UPDATE " + schema + ".kep_meta SET owner = $1 WHERE name = $2 AND owner IS NULL").c_str(),
        2, nullptr, values, lengths, formats, 0));
    if (u.status() != PGRES_COMMAND_OK) return StatusOf(conn_, u);
  } else if (std::string(PQgetvalue(r.r, 0, 0), static_cast<size_t>(PQgetlength(r.r, 0, 0))) !=
             owner) {
    return kStatusWrongOwner;
  }
  return kStatusOk;
}

int16_t PostgresFile::CreateAt(const Location& location, const FileSpec& file_spec, bool replace) {
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
        "(id bigserial PRIMARY KEY, data bytea NOT NULL" + KeyColumnsSql(file_spec, "bytea") +
        ");" + KeyIndexesSql(file_spec, table, [&](const std::string& kc) {
          return Quote(conn, location.table + "_" + kc);
        });
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

std::unique_ptr<Engine> ServerEngine(const Location& location) {
  return std::make_unique<EngineAt<PostgresFile, Location>>(location);
}

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
