// The server engine's read with the lock bias, one statement that drops the
// previous lock, selects, locks and looks at the row again: what it says of
// the lock when another session holds the record, changes it or has changed
// it without letting the change be seen yet. Needs the test server
// (KEP_TEST_PG).
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "storage/postgres_backend.h"
#include "testing/test_server.h"

namespace storage {
namespace {

constexpr int kLen = 4;

FileSpec OneKeySpec() {
  FileSpec file_spec;
  file_spec.record_length = kLen;
  KeySpec k0;
  k0.segments = {{1, 2}};
  file_spec.keys = {k0};
  return file_spec;
}

class PostgresLockedReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    location_.server = testing_support::TestServer();
    if (location_.server.empty()) GTEST_SKIP() << testing_support::kNoTestServer;
    location_.schema = "kl_" + std::to_string(::getpid());
    location_.table = "dades_locked_dat";
    engine_ = postgres::ServerEngine(location_);
    ASSERT_EQ(engine_->Create(OneKeySpec(), true), kStatusOk);
    ASSERT_EQ(engine_->Open("1994", &station_), kStatusOk);
    ASSERT_EQ(engine_->Open("1994", &other_), kStatusOk);
    for (const char* r : {"AA-1", "BB-2"}) {
      const std::string record = r;
      const std::vector<std::string> keys{record.substr(0, 2)};
      int64_t id = 0;
      ASSERT_EQ(station_->Write(RowWrite{0, record, keys}, &id), kStatusOk);
    }
    admin_ = PQconnectdb(location_.server.c_str());
    ASSERT_EQ(PQstatus(admin_), CONNECTION_OK);
  }
  void TearDown() override {
    station_.reset();
    other_.reset();
    if (admin_ != nullptr) PQfinish(admin_);
    if (!location_.server.empty()) testing_support::DropSchema(location_.server, location_.schema);
  }

  // The first record at or after key, read with the bias by file.
  RowLock ReadLocked(EngineFile& file, const std::string& key, int64_t drop_id = 0) {
    RowQuery query;
    query.comparison = KeyComparison::kGreaterOrEqual;
    query.key = key;
    query.excluded = &none_;
    rows_.clear();
    RowLock lock = RowLock::kNotTried;
    EXPECT_EQ(file.SelectLocking(query, drop_id, &rows_, &lock), kStatusOk);
    return lock;
  }
  void Sql(const std::string& sql) {
    PGresult* r = PQexec(admin_, sql.c_str());
    EXPECT_TRUE(PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK)
        << sql << ": " << PQerrorMessage(admin_);
    PQclear(r);
  }
  std::string Table() const { return location_.schema + "." + location_.table; }

  postgres::Location location_;
  std::unique_ptr<Engine> engine_;
  std::unique_ptr<EngineFile> station_, other_;
  PGconn* admin_ = nullptr;
  std::set<int64_t> none_;
  std::vector<StoredRow> rows_;
};

TEST_F(PostgresLockedReadTest, TheLockIsOnTheRowReadAndTheDropFreesThePreviousOne) {
  EXPECT_EQ(ReadLocked(*station_, "AA"), RowLock::kTaken);
  ASSERT_EQ(rows_.size(), 1u);
  EXPECT_EQ(rows_[0].data, "AA-1");
  const int64_t aa = rows_[0].id;
  EXPECT_EQ(ReadLocked(*other_, "AA"), RowLock::kRefused);
  EXPECT_EQ(ReadLocked(*other_, "AB"), RowLock::kTaken) << "BB-2 is nobody's";
  EXPECT_EQ(rows_[0].data, "BB-2");
  const int64_t bb = rows_[0].id;
  // The station moves on to BB-2, which the other holds: refused, and the
  // lock on AA-1 is dropped all the same.
  EXPECT_EQ(ReadLocked(*station_, "AB", aa), RowLock::kRefused);
  EXPECT_EQ(ReadLocked(*other_, "AA", bb), RowLock::kTaken);
  EXPECT_EQ(rows_[0].data, "AA-1");
  // No row: the drop is still made.
  EXPECT_EQ(ReadLocked(*other_, "ZZ", aa), RowLock::kNotTried);
  EXPECT_TRUE(rows_.empty());
  EXPECT_EQ(ReadLocked(*station_, "AA"), RowLock::kTaken);
}

// A change that another session has made to the row and not yet committed
// (or committed after the read's statement began) leaves the version read
// marked by the changer: the engine says the row may have changed, and the
// cursor reads it again by its id. Once the change is seen, the row is the
// record as it stands.
TEST_F(PostgresLockedReadTest, ARowAnotherSessionHasChangedIsReadAgain) {
  Sql("BEGIN");
  Sql("UPDATE " + Table() + " SET data = '\\x41412d39'::bytea WHERE k0 = '\\x4141'::bytea");
  EXPECT_EQ(ReadLocked(*station_, "AA"), RowLock::kTakenMaybeChanged);
  EXPECT_EQ(rows_[0].data, "AA-1") << "the change is not committed";
  const int64_t aa = rows_[0].id;
  Sql("COMMIT");
  EXPECT_EQ(ReadLocked(*station_, "AA", aa), RowLock::kTaken);
  EXPECT_EQ(rows_[0].data, "AA-9");
}

}  // namespace
}  // namespace storage
