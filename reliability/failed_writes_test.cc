// A write-back whose writes fail is a failed run: a data file that refuses
// its updates, and a disk that fills during the run (a file-size limit on the
// process). The run stops writing, names the unit, the file and the status,
// ends with status 5, leaves no unit half-written where the records allow it,
// and the snapshot it took puts everything back.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "storage/record_file.h"
#include "storage/snapshots.h"
#include "testing/processes.h"
#include "testing/record_holder.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"
#include "testing/test_server.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr std::chrono::seconds kRunLimit{120};

// From now on the file refuses every update of its records, as a file the
// station may read but not write would.
void RefuseUpdates(const std::string& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TRIGGER refuse BEFORE UPDATE ON records BEGIN SELECT RAISE(FAIL, "
                         "'read-only'); END",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
}

void DropRefusal(const std::string& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "DROP TRIGGER refuse", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

// The number a line of the run summary shows.
long SummaryCount(const std::string& err, const std::string& label) {
  const size_t at = err.find("\n  " + label + " ");
  if (at == std::string::npos) return -1;
  return std::stol(err.substr(err.find_first_not_of(' ', at + 3 + label.size())));
}

class FailedWritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildSampleInstallation(dir_, "inst");
    fs::create_directories(dir_.path() + "/tmp");
  }
  std::string Root() const { return dir_.path() + "/inst/"; }

  // mirtosek in mode "A" with options; prefix: a shell command put before it
  // (a limit of the process).
  int Run(const std::vector<std::string>& options, std::string* err,
          const std::string& prefix = "") const {
    std::string command = prefix + " exec '" + ToolPath("mirtosek") + "' --root '" + Root() +
                          "' --date 15/03/2024 --last-month 11 --mode A";
    for (const std::string& o : options) command += " '" + o + "'";
    const Ending e = WaitForProcess(
        StartProcessIn("/bin/sh", {"-c", command}, {"TMPDIR=" + dir_.path() + "/tmp"},
                       {"KEPROOT", "KEPEXE", "KEPTMP"}, dir_.path(), dir_.path() + "/out",
                       dir_.path() + "/err"),
        kRunLimit);
    EXPECT_FALSE(e.timed_out);
    *err = dir_.Read("err");
    return e.exit_status;
  }

  void Restore(const std::string& snapshot) const {
    std::string err;
    EXPECT_TRUE(storage::RestoreSnapshot(Root(), snapshot, &err)) << err;
  }

  TempDir dir_;
};

TEST_F(FailedWritesTest, AFileThatRefusesItsUpdatesStopsTheWriteBack) {
  const auto before = RecordsByPosition(Root());
  RefuseUpdates(Root() + "DADES/DepartaV.dat");
  std::string err;
  EXPECT_EQ(Run({}, &err), 5) << err;
  // The refusal is a constraint of the file, which the record manager gives
  // as status 5.
  EXPECT_NE(
      err.find("mirtosek: the write-back failed at unit 0001-0001: the update of DADES\\DepartaV "
               "returned "
               "status 5: 0 units were written, 26 after it were not; kepdata restore DATAROOT "),
      std::string::npos)
      << err;
  EXPECT_EQ(SummaryCount(err, "not written: the write-back had stopped"), 26) << err;
  // The first unit had no transition record: it was inserted before its
  // unit's update failed, and there is no delete to take it back. Nothing else
  // was written.
  const auto after = RecordsByPosition(Root());
  EXPECT_EQ(after.at("DADES/DepartaV.dat"), before.at("DADES/DepartaV.dat"));
  EXPECT_EQ(after.at("DADES/TranLauV.dat").size(), before.at("DADES/TranLauV.dat").size() + 1);

  // A unit whose transition record exists: updated, then put back when its
  // unit's update fails.
  const std::vector<storage::SnapshotInfo> snapshots = storage::ListSnapshots(Root());
  ASSERT_EQ(snapshots.size(), 1u);
  // The snapshot was taken with the refusal in the file.
  Restore(snapshots[0].name);
  ASSERT_EQ(RecordsByPosition(Root()), before);
  EXPECT_EQ(Run({"--from", "1.3", "--to", "1.3"}, &err), 5) << err;
  EXPECT_NE(err.find("the write-back failed at unit 0001-0003: the update of DADES\\DepartaV"),
            std::string::npos)
      << err;
  EXPECT_EQ(RecordsByPosition(Root()), before);
  const std::string log = dir_.Read("inst/db.log");
  EXPECT_NE(log.find(storage::OperationsLogLine(507, 3, 5)), std::string::npos);

  DropRefusal(Root() + "DADES/DepartaV.dat");
  EXPECT_EQ(Run({}, &err), 0) << err;
  EXPECT_EQ(SummaryCount(err, "written back"), 27);
}

// A lock folder where no entry can be written (here a file in its place; a
// read-only folder or file system gives the same refusal) retried for ever
// without a word: the write-back now stops at once and says why.
TEST_F(FailedWritesTest, ALockFolderThatTakesNoEntryStopsTheWriteBack) {
  const auto before = RecordsByPosition(Root());
  fs::remove_all(Root() + "LOCKS");
  dir_.Write("inst/LOCKS", "no folder");
  std::string err;
  EXPECT_EQ(Run({}, &err), 5) << err;
  EXPECT_NE(err.find("mirtosek: the write-back failed at building 0001: its lock-file entry "
                     "cannot be taken: " +
                     Root() + "LOCKS/DepartaV.lck: Not a directory: 0 units were written"),
            std::string::npos)
      << err;
  EXPECT_EQ(RecordsByPosition(Root()), before);
  EXPECT_EQ(SummaryCount(err, "units walked"), 31) << "the report still lists every unit";
}

TEST_F(FailedWritesTest, ADiskThatFillsStopsTheWriteBackAndItsLogStaysWhole) {
  // Every file the run writes may grow to 40 KiB: the snapshot's copies fit,
  // the write-ahead logs of the data files fill up during the run, and db.log
  // has room for one more line and part of a second.
  constexpr size_t kLimit = 40960;
  const std::string line = storage::OperationsLogLine(4, 2, 0);
  std::string log_before;
  while (log_before.size() + 2 * line.size() <= kLimit) log_before += line;
  dir_.Write("inst/db.log", log_before);
  const auto before = RecordsByPosition(Root());
  const std::string limit = "trap '' XFSZ; ulimit -f " + std::to_string(kLimit / 512) + ";";
  std::string err;
  EXPECT_EQ(Run({}, &err, limit), 5) << err;
  EXPECT_NE(err.find("mirtosek: the write-back failed at unit "), std::string::npos) << err;
  EXPECT_NE(
      err.find(
          "db.log cannot be written (File too large): the writes go on without their log lines"),
      std::string::npos)
      << err;
  // The operations log: the line that fitted, and no part of the next.
  const std::string log = dir_.Read("inst/db.log");
  EXPECT_EQ(log.size(), log_before.size() + line.size());
  EXPECT_EQ(log.compare(0, log_before.size(), log_before), 0);
  // Every record is whole, and the snapshot gives back the state before.
  const std::vector<storage::SnapshotInfo> snapshots = storage::ListSnapshots(Root());
  ASSERT_EQ(snapshots.size(), 1u) << err;
  Restore(snapshots[0].name);
  EXPECT_EQ(RecordsByPosition(Root()), before);
}

// kepdata import is one transaction for the whole file, on both engines.
class ImportTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "postgres") {
      server_ = TestServer();
      if (server_.empty()) GTEST_SKIP() << kNoTestServer;
      schema_ = "import_" + std::to_string(::getpid());
    }
    BuildSampleInstallation(dir_, "inst", server_, schema_);
    // Every tenant renamed: an import that changes every row.
    const std::string csv = RunTool({"export", Root(), "DepartaV"});
    std::string renamed;
    size_t at = 0;
    for (int line = 0; at < csv.size(); ++line) {
      const size_t end = csv.find('\n', at);
      std::string row = csv.substr(at, end - at);
      if (line > 0) {
        const size_t first = row.find(',', row.find(',') + 1);
        row.insert(first + 1, "Nou ");
      }
      renamed += row + "\n";
      at = end + 1;
    }
    dir_.Write("renamed.csv", renamed);
  }
  void TearDown() override {
    if (!server_.empty()) DropSchema(server_, schema_);
  }
  std::string Root() const { return dir_.path() + "/inst/"; }

  Ending Tool(const std::vector<std::string>& args,
              const std::vector<std::string>& env = {}) const {
    return WaitForProcess(StartProcessIn(ToolPath("kepdata"), args, env, {}, dir_.path(),
                                         dir_.path() + "/tool.out", dir_.path() + "/tool.err"),
                          kRunLimit);
  }

  TempDir dir_;
  std::string server_;
  std::string schema_;
};

TEST_P(ImportTest, AnImportIsWhollyDoneOrNotAtAll) {
  const auto before = RecordsByPosition(Root());
  // Killed part-way: after the first rows' writes, in the middle, near the end.
  for (int point : {4, 30, 55}) {
    SCOPED_TRACE("killed at point " + std::to_string(point));
    const Ending e = Tool({"import", Root(), "DepartaV", dir_.path() + "/renamed.csv"},
                          {"KEP_FAULT_KILL_AT=" + std::to_string(point)});
    EXPECT_EQ(e.signal, SIGKILL) << dir_.Read("tool.err");
    EXPECT_EQ(RecordsByPosition(Root()), before);
  }

  // A record another program holds: refused, nothing imported; an export
  // meanwhile reads every record.
  RecordHolder holder(Root() + "DADES/DepartaV.dat", "\x80\x81\x80\x85");  // unit 0001.0005
  ASSERT_TRUE(holder.Holds());
  Ending e = Tool({"import", Root(), "DepartaV", dir_.path() + "/renamed.csv"});
  EXPECT_EQ(e.exit_status, 1);
  EXPECT_NE(dir_.Read("tool.err")
                .find(":6: update failed with status 84 (another station holds the record: try "
                      "again when its run has ended); nothing of the file was imported"),
            std::string::npos)
      << dir_.Read("tool.err");
  EXPECT_EQ(RecordsByPosition(Root()), before);
  e = Tool({"export", Root(), "DepartaV"});
  EXPECT_EQ(e.exit_status, 0) << dir_.Read("tool.err");
  const std::string exported_meanwhile = dir_.Read("tool.out");
  EXPECT_EQ(std::count(exported_meanwhile.begin(), exported_meanwhile.end(), '\n'), 33);
  holder.Release();

  // A key given twice in one file: both lines named, nothing imported.
  const std::string renamed = dir_.Read("renamed.csv");
  const size_t second_row = renamed.find('\n') + 1;
  dir_.Write("twice.csv",
             renamed + renamed.substr(second_row, renamed.find('\n', second_row) + 1 - second_row));
  e = Tool({"import", Root(), "DepartaV", dir_.path() + "/twice.csv"});
  EXPECT_EQ(e.exit_status, 1);
  EXPECT_NE(dir_.Read("tool.err")
                .find("twice.csv:34: the same key as line 2: a file gives each record once"),
            std::string::npos)
      << dir_.Read("tool.err");
  EXPECT_EQ(RecordsByPosition(Root()), before);

  // And whole when nothing stops it.
  e = Tool({"import", Root(), "DepartaV", dir_.path() + "/renamed.csv"});
  EXPECT_EQ(e.exit_status, 0) << dir_.Read("tool.err");
  const std::string exported = RunTool({"export", Root(), "DepartaV"});
  EXPECT_EQ(exported, renamed);
}

INSTANTIATE_TEST_SUITE_P(Engines, ImportTest, ::testing::Values("sqlite", "postgres"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
