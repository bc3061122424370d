// Mode "A" killed with SIGKILL at many moments of its work on the sample
// installation. After each kill every file opens, every record is whole and
// equals either its content before the run or after an uninterrupted run,
// and a new run of the same station is not held up by what the killed one
// left behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "testing/processes.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"

namespace {

using namespace testing_support;
using std::chrono::milliseconds;

constexpr milliseconds kRunLimit{60000};

class KilledRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildSampleInstallation(dir_, "start");
    before_ = TakeSnapshot(Root("start"));
    CopyStart("reference");
    WriteStation(dir_, "tmp_reference", "A", "CAT");
    ASSERT_EQ(Run("reference", "tmp_reference", {}).exit_status, 0) << dir_.Read("stderr");
    after_ = TakeSnapshot(Root("reference"));
    ASSERT_NE(DifferingFiles(RecordContents(after_), RecordContents(before_)), "")
        << "the run must change records";
  }

  std::string Root(const std::string& name) const { return dir_.path() + "/" + name + "/"; }

  void CopyStart(const std::string& name) const {
    std::filesystem::remove_all(dir_.path() + "/" + name);
    std::filesystem::copy(dir_.path() + "/start", dir_.path() + "/" + name,
                          std::filesystem::copy_options::recursive);
  }

  Ending Run(const std::string& root, const std::string& tmp, std::vector<std::string> env) const {
    for (const std::string& e :
         MirtosekEnvironment(Root(root), dir_.path() + "/exe/", dir_.path() + "/" + tmp)) {
      env.push_back(e);
    }
    return WaitForProcess(StartProcess(ToolPath("mirtosek"), {}, env, dir_.path() + "/stderr"),
                          kRunLimit);
  }

  // Every record of the killed run's files against the two references;
  // returns the number of records compared.
  int ExpectBeforeOrAfter(const Snapshot& killed, const std::string& moment) const {
    int compared = 0;
    for (const auto& [file, records] : killed) {
      EXPECT_EQ(records.open_status, 0) << file << " does not open after " << moment;
      EXPECT_EQ(records.end_status, storage::kStatusEndOfFile) << file << " after " << moment;
      const auto& old_records = before_.at(file).by_position;
      const auto& new_records = after_.at(file).by_position;
      for (const auto& [at, bytes] : old_records) {
        EXPECT_TRUE(records.by_position.count(at))
            << file << " lost record " << at << " at " << moment;
      }
      for (const auto& [at, bytes] : records.by_position) {
        const auto was = old_records.find(at);
        const auto will_be = new_records.find(at);
        const bool as_before = was != old_records.end() && was->second == bytes;
        const bool as_after = will_be != new_records.end() && will_be->second == bytes;
        EXPECT_TRUE(as_before || as_after)
            << file << " record " << at << " is neither before nor after, " << moment;
        if (!as_before && !as_after) ++differing_;
        ++compared;
      }
    }
    return compared;
  }

  TempDir dir_;
  Snapshot before_;
  Snapshot after_;
  mutable int differing_ = 0;  // records neither as before nor as after the run
};

// Lock-file entries still held (not freed) in the installation's lock folder.
int HeldLockEntries(const std::string& root) {
  int held = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(root + "LOCKS", ec)) {
    if (e.path().extension() != ".lck") continue;
    const std::string bytes = ReadFile(e.path().string());
    for (size_t at = 0; at + 121 <= bytes.size(); at += 121) {
      if (bytes[at + 34] != ' ') ++held;
    }
  }
  return held;
}

// Kills at fault points: the N-th write, transaction or lock-file write of
// the run, for N through the whole run, until a run passes them all.
TEST_F(KilledRunTest, KilledAtFaultPointsLosesNothingAndTheNextRunGoesOn) {
  int kills = 0, compared = 0;
  bool finished = false;
  for (int n = 1; n < 5000 && !finished; n += 3) {
    CopyStart("killed");
    std::filesystem::remove_all(dir_.path() + "/tmp_killed");
    WriteStation(dir_, "tmp_killed", "A", "CAT");
    const Ending killed = Run("killed", "tmp_killed", {"KEP_FAULT_KILL_AT=" + std::to_string(n)});
    ASSERT_FALSE(killed.timed_out) << "fault point " << n;
    if (killed.exit_status == 0) {
      finished = true;  // the run passes fewer than n fault points
      break;
    }
    ASSERT_EQ(killed.signal, SIGKILL) << "fault point " << n << ": " << dir_.Read("stderr");
    ++kills;
    compared +=
        ExpectBeforeOrAfter(TakeSnapshot(Root("killed")), "fault point " + std::to_string(n));
    const Ending next = Run("killed", "tmp_killed", {});
    EXPECT_FALSE(next.timed_out) << "a run after the kill at fault point " << n << " was held up";
    EXPECT_EQ(next.exit_status, 0) << dir_.Read("stderr");
    if (HasFailure()) break;
  }
  EXPECT_TRUE(finished);
  EXPECT_GE(kills, 20);
  ReportFigure("fault points: " + std::to_string(kills) + " kills survived, " +
               std::to_string(compared) + " records compared, " + std::to_string(differing_) +
               " differing");
}

// Kills from outside at moments spread over the time of an uninterrupted run.
TEST_F(KilledRunTest, KilledFromOutsideAtAnyMomentLosesNothing) {
  CopyStart("timed");
  WriteStation(dir_, "tmp_timed", "A", "CAT");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Run("timed", "tmp_timed", {}).exit_status, 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  int kills = 0, compared = 0;
  for (int i = 1; i <= 20; ++i) {
    CopyStart("timed");
    std::filesystem::remove_all(dir_.path() + "/tmp_timed");
    WriteStation(dir_, "tmp_timed", "A", "CAT");
    std::vector<std::string> env =
        MirtosekEnvironment(Root("timed"), dir_.path() + "/exe/", dir_.path() + "/tmp_timed");
    const pid_t pid = StartProcess(ToolPath("mirtosek"), {}, env, dir_.path() + "/stderr");
    std::this_thread::sleep_for(whole * i / 20);
    ::kill(pid, SIGKILL);
    const Ending killed = WaitForProcess(pid, kRunLimit);
    if (killed.signal == SIGKILL) ++kills;
    compared +=
        ExpectBeforeOrAfter(TakeSnapshot(Root("timed")), "kill " + std::to_string(i) + "/20");
    const Ending next = Run("timed", "tmp_timed", {});
    EXPECT_FALSE(next.timed_out);
    EXPECT_EQ(next.exit_status, 0) << dir_.Read("stderr");
    if (HasFailure()) break;
  }
  ReportFigure("timed kills: " + std::to_string(kills) + " of 20 landed before the end, " +
               std::to_string(compared) + " records compared, " + std::to_string(differing_) +
               " differing");
}

// The station identity "LOCKS.TMP" of a station of the computer "TESTPC",
// so that the test does not hang on the name of the machine it runs on.
void WriteIdentity(const TempDir& dir, const std::string& tmp, uint32_t number) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
  dir.Write(tmp + "/LOCKS.TMP", bytes + "TESTPC         ");
}

// A station killed while it holds lock-file entries: another station of the
// same machine takes them for stale at once instead of waiting until they
// are 30 minutes old.
TEST_F(KilledRunTest, AKilledStationDoesNotHoldUpAnotherOfThisMachine) {
  int kills_holding = 0, held = 0;
  for (int n = 2; n < 5000; n += 17) {
    CopyStart("killed");
    std::filesystem::remove_all(dir_.path() + "/tmp_killed");
    WriteStation(dir_, "tmp_killed", "A", "CAT");
    WriteIdentity(dir_, "tmp_killed", 1001);
    const Ending killed = Run("killed", "tmp_killed", {"KEP_FAULT_KILL_AT=" + std::to_string(n)});
    if (killed.exit_status == 0) break;
    ASSERT_EQ(killed.signal, SIGKILL) << "fault point " << n << ": " << dir_.Read("stderr");
    const int left = HeldLockEntries(Root("killed"));
    if (left == 0) continue;
    ++kills_holding;
    held += left;
    std::filesystem::remove_all(dir_.path() + "/tmp_other");
    WriteStation(dir_, "tmp_other", "A", "CAT");
    WriteIdentity(dir_, "tmp_other", 1002);
    const auto start = std::chrono::steady_clock::now();
    const Ending other = WaitForProcess(
        StartProcess(
            ToolPath("mirtosek"), {},
            MirtosekEnvironment(Root("killed"), dir_.path() + "/exe/", dir_.path() + "/tmp_other"),
            dir_.path() + "/stderr"),
        std::chrono::seconds(20));
    ASSERT_FALSE(other.timed_out) << "another station waited for the killed one, fault point " << n;
    EXPECT_EQ(other.exit_status, 0) << dir_.Read("stderr");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(dir_.Read("stderr").find("BLOQUEJAT"), std::string::npos)
        << "the other station showed the waiting message, fault point " << n;
  }
  EXPECT_GE(kills_holding, 5);
  ReportFigure("killed stations holding lock entries: " + std::to_string(kills_holding) + " (" +
               std::to_string(held) + " entries), another station waited for none");
}

}  // namespace
