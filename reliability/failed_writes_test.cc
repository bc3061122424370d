// A write-back whose writes fail is a failed run: a data file that refuses
// its updates, and a disk that fills during the run (a file-size limit on the
// process). The run stops writing, names the unit, the file and the status,
// ends with status 5, leaves no unit half-written where the records allow it,
// and the snapshot it took puts everything back.
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "storage/record_file.h"
#include "storage/snapshots.h"
#include "testing/processes.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr std::chrono::seconds kRunLimit{120};

std::map<std::string, std::map<uint32_t, std::string>> ByPosition(const std::string& root) {
  std::map<std::string, std::map<uint32_t, std::string>> out;
  for (const auto& [file, records] : TakeSnapshot(root)) out[file] = records.by_position;
  return out;
}

// From now on the file refuses every update of its records, as a file the
// station may read but not write would.
void RefuseUpdates(const std::string& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TRIGGER refuse BEFORE UPDATE ON records BEGIN SELECT RAISE(FAIL, 'read-only'); END",
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
  int Run(const std::vector<std::string>& options, std::string* err, const std::string& prefix = "") const {
    std::string command = prefix + " exec '" + ToolPath("mirtosek") + "' --root '" + Root() +
                          "' --date 15/03/2024 --last-month 11 --mode A";
    for (const std::string& o : options) command += " '" + o + "'";
    const Ending e = WaitForProcess(StartProcessIn("/bin/sh", {"-c", command}, {"TMPDIR=" + dir_.path() + "/tmp"},
                                                   {"KEPROOT", "KEPEXE", "KEPTMP"}, dir_.path(),
                                                   dir_.path() + "/out", dir_.path() + "/err"),
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
  const auto before = ByPosition(Root());
  RefuseUpdates(Root() + "DADES/DepartaV.dat");
  std::string err;
  EXPECT_EQ(Run({}, &err), 5) << err;
  // The refusal is a constraint of the file, which the record manager gives
  // as status 5.
  EXPECT_NE(err.find("mirtosek: the write-back failed at unit 0001-0001: the update of DADES\\DepartaV returned "
                     "status 5: 0 units were written, 26 after it were not; kepdata restore DATAROOT "),
            std::string::npos)
      << err;
  EXPECT_EQ(SummaryCount(err, "not written: the write-back had stopped"), 26) << err;
  // The first unit had no transition record: it was inserted before its
  // unit's update failed, and there is no delete to take it back. Nothing else
  // was written.
  const auto after = ByPosition(Root());
  EXPECT_EQ(after.at("DADES/DepartaV.dat"), before.at("DADES/DepartaV.dat"));
  EXPECT_EQ(after.at("DADES/TranLauV.dat").size(), before.at("DADES/TranLauV.dat").size() + 1);

  // A unit whose transition record exists: updated, then put back when its
  // unit's update fails.
  const std::vector<storage::SnapshotInfo> snapshots = storage::ListSnapshots(Root());
  ASSERT_EQ(snapshots.size(), 1u);
  // The snapshot was taken with the refusal in the file.
  Restore(snapshots[0].name);
  ASSERT_EQ(ByPosition(Root()), before);
  EXPECT_EQ(Run({"--from", "1.3", "--to", "1.3"}, &err), 5) << err;
  EXPECT_NE(err.find("the write-back failed at unit 0001-0003: the update of DADES\\DepartaV"), std::string::npos)
      << err;
  EXPECT_EQ(ByPosition(Root()), before);
  const std::string log = dir_.Read("inst/db.log");
  EXPECT_NE(log.find(storage::OperationsLogLine(507, 3, 5)), std::string::npos);

  DropRefusal(Root() + "DADES/DepartaV.dat");
  EXPECT_EQ(Run({}, &err), 0) << err;
  EXPECT_EQ(SummaryCount(err, "written back"), 27);
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
  const auto before = ByPosition(Root());
  const std::string limit = "trap '' XFSZ; ulimit -f " + std::to_string(kLimit / 512) + ";";
  std::string err;
  EXPECT_EQ(Run({}, &err, limit), 5) << err;
  EXPECT_NE(err.find("mirtosek: the write-back failed at unit "), std::string::npos) << err;
  EXPECT_NE(err.find("db.log cannot be written (File too large): the writes go on without their log lines"),
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
  EXPECT_EQ(ByPosition(Root()), before);
}

}  // namespace
