// Rows of a data file that are not whole records of it (cut short by a tool,
// stored as another type) and a data file whose table is gone, on both
// engines: a run tells of each damaged row, leaves it out and leaves it as
// it was, goes on with every other unit, and ends with the status of an
// incomplete output; a file without its table does not open.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/processes.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"
#include "testing/test_server.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

class DamagedRecordsTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "postgres") {
      server_ = TestServer();
      if (server_.empty()) GTEST_SKIP() << kNoTestServer;
      schema_ = "damaged_" + std::to_string(::getpid());
    }
    BuildSampleInstallation(dir_, "inst", server_, schema_);
    fs::create_directories(dir_.path() + "/tmp");
  }
  void TearDown() override {
    if (!schema_.empty()) DropSchema(server_, schema_);
  }
  std::string Root() const { return dir_.path() + "/inst/"; }

  // A statement on the table of "DADES/<name>.dat", in either engine's SQL:
  // %T stands for the table, %B for the bytes given.
  void Spoil(const std::string& name, std::string sql, const std::string& bytes = "") const {
    const bool server = !server_.empty();
    const std::string table = server ? schema_ + ".dades_" + Lower(name) + "_dat" : "records";
    for (size_t at; (at = sql.find("%T")) != std::string::npos;) sql.replace(at, 2, table);
    for (size_t at; (at = sql.find("%B")) != std::string::npos;)
      sql.replace(at, 2, server ? "$1::bytea" : "?1");
    if (!server) {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open((Root() + "DADES/" + name + ".dat").c_str(), &db), SQLITE_OK);
      sqlite3_stmt* s = nullptr;
      ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), SQLITE_OK)
          << sqlite3_errmsg(db);
      if (sqlite3_bind_parameter_count(s) > 0)
        sqlite3_bind_blob(s, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
      EXPECT_EQ(sqlite3_step(s), SQLITE_DONE) << sqlite3_errmsg(db);
      sqlite3_finalize(s);
      sqlite3_close(db);
      return;
    }
#if KEP_WITH_POSTGRES
    PGconn* conn = PQconnectdb(server_.c_str());
    const char* values[] = {bytes.data()};
    const int lengths[] = {static_cast<int>(bytes.size())};
    const int formats[] = {1};
    const int n = sql.find("$1") == std::string::npos ? 0 : 1;
    PGresult* r = PQexecParams(conn, sql.c_str(), n, nullptr, values, lengths, formats, 0);
    EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(conn);
    PQclear(r);
    PQfinish(conn);
#endif
  }

  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }

  int Run(const std::string& mode, std::string* err) const {
    const Ending e = WaitForProcess(
        StartProcessIn(ToolPath("mirtosek"),
                       {"--root", Root(), "--date", "15/03/2024", "--last-month", "11", "--mode",
                        mode, "--output", dir_.path() + "/report.txt"},
                       {"TMPDIR=" + dir_.path() + "/tmp"}, {"KEPROOT", "KEPEXE", "KEPTMP"},
                       dir_.path(), dir_.path() + "/out", dir_.path() + "/err"),
        std::chrono::seconds(120));
    EXPECT_FALSE(e.timed_out);
    *err = dir_.Read("err");
    return e.exit_status;
  }

  TempDir dir_;
  std::string server_, schema_;
};

long SummaryCount(const std::string& err, const std::string& label) {
  const size_t at = err.find("\n  " + label + " ");
  if (at == std::string::npos) return -1;
  return std::stol(err.substr(err.find_first_not_of(' ', at + 3 + label.size())));
}

TEST_P(DamagedRecordsTest, ARowCutShortIsToldSkippedAndLeftAsItWas) {
  std::string err;
  ASSERT_EQ(Run("I", &err), 0) << err;
  const long walked = SummaryCount(err, "units walked");
  const auto before = RecordsByPosition(Root());
  ASSERT_TRUE(before.at("DADES/DepartaV.dat").count(3));
  const std::string third = before.at("DADES/DepartaV.dat").at(3);

  // The third unit's record cut to 300 of its 447 bytes, by hand.
  Spoil("DepartaV", "UPDATE %T SET data = substr(data, 1, 300) WHERE id = 3");
  EXPECT_EQ(Run("A", &err), 4) << err;
  EXPECT_NE(err.find("the row at position 3 (key 00010003) is not a record of the file: it holds "
                     "300 bytes, the file's records 447; it is skipped"),
            std::string::npos)
      << err;
  EXPECT_EQ(SummaryCount(err, "skipped: rows of the data files damaged"), 1) << err;
  EXPECT_EQ(SummaryCount(err, "units walked"), walked - 1) << err;
  EXPECT_GT(SummaryCount(err, "written back"), 20) << err;
  EXPECT_NE(err.find("its output is incomplete"), std::string::npos) << err;

  // The damaged row was not written back with another record's bytes: put
  // whole again by hand, it is the record it was.
  Spoil("DepartaV", "UPDATE %T SET data = %B WHERE id = 3 AND length(data) = 300", third);
  EXPECT_EQ(RecordsByPosition(Root()).at("DADES/DepartaV.dat").at(3), third)
      << "the row was changed while it was damaged";
}

TEST_P(DamagedRecordsTest, ADataFileWithoutItsTableDoesNotOpen) {
  Spoil("TranLauV", "DROP TABLE %T");
  std::string err;
  EXPECT_EQ(Run("I", &err), 1) << err;
  EXPECT_NE(err.find("TranLauV (30)"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir_.path() + "/report.txt")) << "no report from a damaged installation";
}

// A record stored as another type than bytes (a number where the record
// should be) ended a building's walk: it is one damaged row like another.
TEST_P(DamagedRecordsTest, ARowOfAnotherTypeIsSkipped) {
  if (GetParam() == "postgres") GTEST_SKIP() << "a column of the server holds bytes only";
  std::string err;
  ASSERT_EQ(Run("I", &err), 0) << err;
  const long walked = SummaryCount(err, "units walked");
  Spoil("DepartaV", "UPDATE %T SET data = 12345 WHERE id = 2");
  EXPECT_EQ(Run("I", &err), 4) << err;
  EXPECT_NE(err.find("the row at position 2 (key 00010002) is not a record of the file: it is "
                     "stored as another type than bytes; it is skipped"),
            std::string::npos)
      << err;
  // The units after it in its building are still walked.
  EXPECT_EQ(SummaryCount(err, "units walked"), walked - 1) << err;
}

INSTANTIATE_TEST_SUITE_P(Engines, DamagedRecordsTest, ::testing::Values("sqlite", "postgres"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
