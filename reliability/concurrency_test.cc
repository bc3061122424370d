// Two stations at once on one installation, each with its own temporary
// directory (its own station identity), as on two workstations: mode "A"
// over disjoint and overlapping ranges, a report during a write-back, and a
// run waiting for a record another program holds.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "testing/processes.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"
#include "testing/test_server.h"

namespace {

using namespace testing_support;
using std::chrono::milliseconds;

constexpr milliseconds kRunLimit{120000};

// In a process of its own: opens a data file and reads the record at or
// after key with the lock bias. Returns the status.
int16_t LockRecordAt(const std::string& path, const std::string& key_bytes, char* position) {
  const int16_t status = OpenDataFile(path, position);
  if (status != 0) return status;
  char data[4096] = {}, key[256] = {};
  std::memcpy(key, key_bytes.data(), key_bytes.size());
  uint16_t length = sizeof data;
  return storage::RecordManagerCall(storage::kOpGetGreaterOrEqual + storage::kLockBias, position,
                                    data, &length, key, 255, 0);
}

// On the files of today ("sqlite") and on a PostgreSQL server ("postgres",
// when KEP_TEST_PG names one), each installation in a schema of its own.
class TwoStationsTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "postgres") {
      server_ = TestServer();
      if (server_.empty()) GTEST_SKIP() << kNoTestServer;
    }
    BuildSampleInstallation(dir_, "start", server_, Schema("start"));
  }
  void TearDown() override {
    if (server_.empty()) return;
    for (const std::string& schema : schemas_) DropSchema(server_, schema);
  }

  std::string Schema(const std::string& name) const {
    if (server_.empty()) return "";
    const std::string schema = "rt_" + std::to_string(::getpid()) + "_" + name;
    schemas_.insert(schema);
    return schema;
  }

  std::string Root(const std::string& name) const { return dir_.path() + "/" + name + "/"; }

  // A fresh copy of the start installation: its folder, and on a server its
  // tables copied into a schema of the copy's own.
  void CopyStart(const std::string& name) const {
    std::filesystem::remove_all(dir_.path() + "/" + name);
    if (server_.empty()) {
      std::filesystem::copy(dir_.path() + "/start", dir_.path() + "/" + name,
                            std::filesystem::copy_options::recursive);
      return;
    }
    RunTool({"init", Root(name), "--server", server_, "--schema", Schema(name)});
    RunTool({"copy", Root("start"), Root(name)});
    for (const char* folder : {"LOCALE", "TEXTOS"}) {
      std::filesystem::copy(dir_.path() + "/start/" + folder,
                            dir_.path() + "/" + name + "/" + folder,
                            std::filesystem::copy_options::recursive |
                                std::filesystem::copy_options::overwrite_existing);
    }
  }

  pid_t Start(const std::string& root, const std::string& station) const {
    return StartProcess(
        ToolPath("mirtosek"), {},
        MirtosekEnvironment(Root(root), dir_.path() + "/exe/", dir_.path() + "/" + station),
        dir_.path() + "/" + station + ".err");
  }

  void ExpectFinished(pid_t pid, const std::string& station) const {
    const Ending e = WaitForProcess(pid, kRunLimit);
    EXPECT_FALSE(e.timed_out) << station << " did not finish";
    EXPECT_EQ(e.exit_status, 0) << station << ": " << dir_.Read(station + ".err");
  }

  // Runs the two stations one after the other on a copy of the start.
  std::map<std::string, std::multiset<std::string>> OneAfterTheOther(
      const UnitRange& first, const UnitRange& second) const {
    CopyStart("sequential");
    WriteStation(dir_, "seq1", "A", "CAT", first);
    WriteStation(dir_, "seq2", "A", "CAT", second);
    ExpectFinished(Start("sequential", "seq1"), "seq1");
    ExpectFinished(Start("sequential", "seq2"), "seq2");
    return RecordContents(TakeSnapshot(Root("sequential")));
  }

  // Runs the two stations at once; returns the records after both.
  std::map<std::string, std::multiset<std::string>> AtOnce(const UnitRange& first,
                                                           const UnitRange& second) const {
    CopyStart("shared");
    WriteStation(dir_, "one", "A", "CAT", first);
    WriteStation(dir_, "two", "A", "CAT", second);
    const pid_t one = Start("shared", "one");
    const pid_t two = Start("shared", "two");
    ExpectFinished(one, "one");
    ExpectFinished(two, "two");
    return RecordContents(TakeSnapshot(Root("shared")));
  }

  static size_t Count(const std::map<std::string, std::multiset<std::string>>& contents) {
    size_t n = 0;
    for (const auto& [file, records] : contents) n += records.size();
    return n;
  }

  // Records the stations one after the other give that the stations at
  // once do not: each an update lost (or computed from a stale record).
  static size_t LostUpdates(const std::map<std::string, std::multiset<std::string>>& got,
                            const std::map<std::string, std::multiset<std::string>>& expected) {
    size_t lost = 0;
    for (const auto& [file, records] : expected) {
      std::multiset<std::string> left = records;
      const auto it = got.find(file);
      if (it != got.end()) {
        for (const std::string& r : it->second) {
          const auto found = left.find(r);
          if (found != left.end()) left.erase(found);
        }
      }
      lost += left.size();
    }
    return lost;
  }

  // The receipt codes of the unit lines of a report's print file.
  static std::vector<std::string> ReportedUnits(const std::string& print_file) {
    static const std::regex unit_line("(^|\n) 1 ,([0-9]{6}), 0 \r");
    std::vector<std::string> units;
    for (auto it = std::sregex_iterator(print_file.begin(), print_file.end(), unit_line);
         it != std::sregex_iterator(); ++it) {
      units.push_back((*it)[2]);
    }
    return units;
  }

  TempDir dir_;
  std::string server_;
  mutable std::set<std::string> schemas_;
};

TEST_P(TwoStationsTest, DisjointRangesGiveTheRunsOneAfterTheOther) {
  const UnitRange first{1, 1, 2, 9999}, second{3, 1, 6, 9999};
  const auto expected = OneAfterTheOther(first, second);
  const auto got = AtOnce(first, second);
  EXPECT_EQ(DifferingFiles(got, expected), "");
  ReportFigure(GetParam() + ": disjoint ranges: " + std::to_string(Count(got)) +
               " records compared, " + std::to_string(LostUpdates(got, expected)) +
               " updates lost");
}

// Every unit in both ranges is processed twice, one station after the
// other: no update lost, none computed from a record the other was rewriting.
TEST_P(TwoStationsTest, OverlappingRangesProcessEachSharedUnitTwice) {
  // Unit 2/5 is in both ranges, and its second pass differs from its first.
  const UnitRange first{1, 1, 3, 4}, second{2, 3, 6, 9999};
  const auto once = OneAfterTheOther({1, 1, 6, 9999}, {9998, 1, 9998, 1});
  const auto expected = OneAfterTheOther(first, second);
  ASSERT_NE(DifferingFiles(expected, once), "") << "a second pass must change a shared unit";
  for (int round = 0; round < 3; ++round) {
    const auto got = AtOnce(first, second);
    EXPECT_EQ(DifferingFiles(got, expected), "") << "round " << round;
    const bool waited =
        (dir_.Read("one.err") + dir_.Read("two.err")).find("ESPEREU") != std::string::npos;
    ReportFigure(GetParam() + ": overlapping ranges, round " + std::to_string(round) + ": " +
                 std::to_string(Count(got)) + " records compared, " +
                 std::to_string(LostUpdates(got, expected)) + " updates lost, " +
                 (waited ? "one station waited for the other" : "no wait"));
  }
}

TEST_P(TwoStationsTest, AReportDuringAWriteBackListsEverySelectedUnit) {
  CopyStart("alone");
  WriteStation(dir_, "alone", "I", "CAT");
  ExpectFinished(Start("alone", "alone"), "alone");
  const std::vector<std::string> expected = ReportedUnits(dir_.Read("alone/divivovi.tmp"));
  ASSERT_GE(expected.size(), 30u);

  CopyStart("shared");
  WriteStation(dir_, "writer", "A", "CAT");
  WriteStation(dir_, "reader", "I", "CAT");
  const pid_t writer = Start("shared", "writer");
  const pid_t reader = Start("shared", "reader");
  ExpectFinished(reader, "reader");
  ExpectFinished(writer, "writer");
  EXPECT_EQ(ReportedUnits(dir_.Read("reader/divivovi.tmp")), expected);
  ReportFigure(GetParam() + ": report during write-back: " + std::to_string(expected.size()) +
               " units reported");
}

// A third program holds the first unit's record lock: the run waits with
// its message and finishes, with every record as a run alone gives, once the
// holder lets go.
TEST_P(TwoStationsTest, ARunWaitsForARecordAnotherProgramHolds) {
  CopyStart("alone");
  WriteStation(dir_, "alone", "A", "CAT");
  ExpectFinished(Start("alone", "alone"), "alone");
  const auto expected = RecordContents(TakeSnapshot(Root("alone")));

  CopyStart("shared");
  int locked[2], release[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    char position[storage::kPositionBlockSize] = {};
    const int16_t status = LockRecordAt(Root("shared") + "DADES/DepartaV.dat", "", position);
    const char answer = status == 0 ? 'L' : 'F';
    (void)!::write(locked[1], &answer, 1);
    ::alarm(120);  // gone with the test, should it stop before releasing
    char c;
    (void)!::read(release[0], &c, 1);
    ::_exit(0);  // the lock goes with the process
  }
  char answer = 0;
  ASSERT_EQ(::read(locked[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'L');

  WriteStation(dir_, "waiting", "A", "CAT");
  const pid_t run = Start("shared", "waiting");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (dir_.Read("waiting.err").find("ESPEREU UN MOMENT") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(20));
  }
  EXPECT_NE(dir_.Read("waiting.err").find("FITXER BLOQUEJAT. ESPEREU UN MOMENT."),
            std::string::npos);
  std::this_thread::sleep_for(milliseconds(500));
  int status = 0;
  EXPECT_EQ(::waitpid(run, &status, WNOHANG), 0) << "the run must still be waiting";
  (void)!::write(release[1], "x", 1);
  ::waitpid(holder, &status, 0);
  ExpectFinished(run, "waiting");
  EXPECT_EQ(DifferingFiles(RecordContents(TakeSnapshot(Root("shared"))), expected), "");
  for (int fd : {locked[0], locked[1], release[0], release[1]}) ::close(fd);
}

// A station that has walked one building's units has read (and locked) the
// first unit of the next building. While it waits for that building's record,
// held by another station, it must not keep that unit locked: the other
// station, in that building, wants it next.
TEST_P(TwoStationsTest, AStationWaitingForABuildingHoldsNoUnitOfIt) {
  CopyStart("shared");
  int to_holder[2], from_holder[2];
  ASSERT_EQ(::pipe(to_holder), 0);
  ASSERT_EQ(::pipe(from_holder), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    ::alarm(120);  // gone with the test, should it stop before releasing
    char building[storage::kPositionBlockSize] = {}, unit[storage::kPositionBlockSize] = {};
    char answer =
        LockRecordAt(Root("shared") + "DADES/FinquesV.dat", "\x80\x83", building) == 0 ? 'L' : 'F';
    (void)!::write(from_holder[1], &answer, 1);
    char c;
    (void)!::read(to_holder[0], &c, 1);  // the station is waiting for building 3
    // Tries for ten seconds to lock unit 3/1, keeping building 3 locked.
    int16_t status = LockRecordAt(Root("shared") + "DADES/DepartaV.dat", "\x80\x83\x80\x81", unit);
    for (int tries = 0; tries < 200 && status == storage::kStatusRecordLocked; ++tries) {
      std::this_thread::sleep_for(milliseconds(50));
      char data[4096], key[256] = "\x80\x83\x80\x81";
      uint16_t length = sizeof data;
      status = storage::RecordManagerCall(storage::kOpGetGreaterOrEqual + storage::kLockBias, unit,
                                          data, &length, key, 255, 0);
    }
    answer = status == 0 ? 'U' : 'N';
    (void)!::write(from_holder[1], &answer, 1);
    (void)!::read(to_holder[0], &c, 1);
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(from_holder[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'L');
  WriteStation(dir_, "station", "A", "CAT", {2, 1, 3, 9999});
  const pid_t run = Start("shared", "station");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (dir_.Read("station.err").find("ESPEREU UN MOMENT") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(20));
  }
  (void)!::write(to_holder[1], "g", 1);
  ASSERT_EQ(::read(from_holder[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'U') << "the waiting station kept the first unit of building 3 locked";
  (void)!::write(to_holder[1], "r", 1);
  int status = 0;
  ::waitpid(holder, &status, 0);
  ExpectFinished(run, "station");
  for (int fd : {to_holder[0], to_holder[1], from_holder[0], from_holder[1]}) ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(Engines, TwoStationsTest, ::testing::Values("sqlite", "postgres"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
