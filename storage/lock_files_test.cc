#include "storage/lock_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string_view>

#include "base/console.h"
#include "base/session_settings.h"
#include "storage/little_endian.h"
#include "testing/fake_environment.h"
#include "testing/temp_dir.h"

namespace storage {
namespace {

constexpr int64_t kNow = 29000000;

class LockFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::Settings().root_dir = root_.prefix();
    env_.console = &console_;
    UseStation(station_a_);
    clock_ = kNow;
    env_.clock = [this] { return clock_; };
    env_.sleep = [this](int ms) {
      ++waits_;
      if (on_wait_) on_wait_(ms);
    };
  }
  void TearDown() override {
    station_.reset();
    base::Settings() = base::SessionSettings();
  }
  // A station of the temporary directory tmp, as a new run starts it.
  void UseStation(const testing_support::TempDir& tmp) {
    base::Settings().tmp_dir = tmp.prefix();
    station_ = std::make_unique<LockStation>(env_);
  }
  int16_t LockKey(std::string_view table, std::string_view key, std::string* problem = nullptr) {
    return station_->LockKey(table, key, problem);
  }
  int16_t LockRange(std::string_view table, std::string_view kind, std::string_view lower,
                    std::string_view upper, std::string* problem = nullptr) {
    return station_->LockRange(table, kind, lower, upper, problem);
  }
  int16_t ReleaseTableLock(std::string_view table) { return station_->ReleaseTableLock(table); }
  const StationIdentity& LoadStationIdentity() { return station_->Identity(); }
  std::string LockFile(const char* table) {
    return root_.Read(std::string("LOCKS/") + table + ".lck");
  }
  // An entry of another station, as its program would have written it.
  static std::string ForeignEntry(const char* kind, const std::string& key, int64_t time) {
    std::string e =
        "OTHERPC        "
        "12345      " +
        std::to_string(time) + kind;
    e += std::to_string(key.size()) + std::string(2 - std::to_string(key.size()).size(), ' ');
    e += key + std::string(40 - key.size(), ' ');
    e += std::to_string(key.size()) + std::string(2 - std::to_string(key.size()).size(), ' ');
    e += key + std::string(40 - key.size(), ' ') + "\r\n";
    return e;
  }

  testing_support::TempDir root_, station_a_, station_b_;
  base::NoTerminal no_terminal_;
  base::Console console_{no_terminal_};
  testing_support::FakeEnvironment env_;
  std::unique_ptr<LockStation> station_;
  int64_t clock_ = kNow;
  int waits_ = 0;
  std::function<void(int)> on_wait_;
};

TEST_F(LockFilesTest, WritesTheEntryOfAUnitKeyAndItsStationIdentity) {
  EXPECT_EQ(LockKey("TranLauV", "\x81\x82\x80\x8A"), 0);
  const std::string identity = station_a_.Read("LOCKS.TMP");
  ASSERT_EQ(identity.size(), 19u);
  const StationIdentity& me = LoadStationIdentity();
  EXPECT_NE(me.number, 0);
  std::string name = me.computer_name;
  name.resize(15, ' ');
  std::string number = std::to_string(me.number);
  number.resize(11, ' ');
  const std::string expected = name + number + "29000000" + "K" + "8 " + "01020010" +
                               std::string(32, ' ') + "8 " + "01020010" + std::string(32, ' ') +
                               "\r\n";
  EXPECT_EQ(LockFile("TranLauV"), expected);
  // Locking the same key again renews the entry instead of adding one.
  clock_ = kNow + 5;
  EXPECT_EQ(LockKey("TranLauV  ", "\x81\x82\x80\x8A"), 0);
  EXPECT_EQ(LockFile("TranLauV").size(), kLockEntrySize);
  EXPECT_EQ(LockFile("TranLauV").substr(26, 8), "29000005");
  // A later run of the station reuses its number.
  const int32_t first_number = me.number;
  UseStation(station_a_);
  EXPECT_EQ(LoadStationIdentity().number, first_number);
  EXPECT_EQ(station_a_.Read("LOCKS.TMP"), identity);
}

TEST_F(LockFilesTest, ReleasesTheLatestOwnEntryOnly) {
  EXPECT_EQ(ReleaseTableLock("departav"), -1);
  root_.Write("LOCKS/DepartaV.lck", ForeignEntry("K", "0001", kNow));
  EXPECT_EQ(ReleaseTableLock("DEPARTAV"), -1);
  EXPECT_EQ(LockFile("DepartaV"), ForeignEntry("K", "0001", kNow));  // unchanged
  EXPECT_EQ(LockKey("DepartaV", "0002"), 0);
  clock_ = kNow + 1;
  EXPECT_EQ(LockKey("DepartaV", "0003"), 0);
  EXPECT_EQ(ReleaseTableLock(" departav "), 0);
  const std::string file = LockFile("DepartaV");
  ASSERT_EQ(file.size(), 3 * kLockEntrySize);
  EXPECT_EQ(file[kLockEntrySize + 34], 'K');      // 0002 still held
  EXPECT_EQ(file[2 * kLockEntrySize + 34], ' ');  // 0003 freed
  EXPECT_EQ(file.substr(2 * kLockEntrySize, 26), std::string(26, ' '));
  EXPECT_EQ(file.substr(2 * kLockEntrySize + 35, 10), "4 0003    ");  // keys kept
  // The freed entry is reused before the file grows.
  EXPECT_EQ(LockKey("DepartaV", "0009"), 0);
  EXPECT_EQ(LockFile("DepartaV").size(), 3 * kLockEntrySize);
}

TEST_F(LockFilesTest, StaleEntriesAreFreedAndFreshOnesMakeTheRequestWait) {
  root_.Write("LOCKS/TranLauV.lck", ForeignEntry("K", "01020010", kNow - 31));
  EXPECT_EQ(LockKey("TranLauV", "\x81\x82\x80\x8A"), 0);
  EXPECT_EQ(waits_, 0);
  EXPECT_EQ(LockFile("TranLauV").size(), kLockEntrySize);  // reused in place

  root_.Write("LOCKS/TranLauV.lck", ForeignEntry("K", "01020010", kNow - 29));
  on_wait_ = [this](int) { clock_ += 1; };  // time passes while the request waits
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LockKey("TranLauV", "\x81\x82\x80\x8A"), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "FITXER BLOQUEJAT. ESPEREU UN MOMENT.\n");
  EXPECT_EQ(waits_, 2);  // at 29 and 30 minutes it waits; at 31 the entry is stale
}

TEST_F(LockFilesTest, WholeTableEntriesBlockEveryKeyAndRangesAreCompared) {
  root_.Write("LOCKS/DepartaV.lck", ForeignEntry("F", "", kNow));
  on_wait_ = [this](int) {
    if (waits_ == 3) root_.Write("LOCKS/DepartaV.lck", ForeignEntry("K", "0005", kNow));
  };
  base::Settings().language = "SPA";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LockKey("DepartaV", "0001"), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "FICHERO BLOQUEADO. ESPERE UN MOMENTO.\n");
  EXPECT_EQ(waits_, 3);
  // A key range that does not meet 0005 goes through at once.
  EXPECT_EQ(LockRange("DepartaV", "k", "0006", "0009"), 0);
  EXPECT_EQ(waits_, 3);
}

TEST_F(LockFilesTest, TornTailIsIgnoredAndEntriesStayOnBoundaries) {
  root_.Write("LOCKS/TranLauV.lck", ForeignEntry("K", "00000001", kNow) + "torn tail");
  EXPECT_EQ(LockKey("TranLauV", "\x80\x80\x80\x82"), 0);
  const std::string file = LockFile("TranLauV");
  ASSERT_EQ(file.size(), 2 * kLockEntrySize);
  EXPECT_EQ(file.substr(kLockEntrySize + 37, 8), "00000002");
}

TEST_F(LockFilesTest, ASecondStationWaitsUntilTheFirstReleases) {
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t first = fork();
  if (first == 0) {
    UseStation(station_b_);
    LockKey("TranLauV", "\x81\x82\x80\x8A");
    (void)!write(ready[1], "r", 1);
    char c;
    (void)!read(release[0], &c, 1);
    _exit(ReleaseTableLock("TranLauV") == 0 ? 0 : 9);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  on_wait_ = [&](int) {
    if (waits_ == 2) (void)!write(release[1], "g", 1);  // the first station moves on
    usleep(20000);
  };
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LockKey("TranLauV", "\x81\x82\x80\x8A"), 0);
  ::testing::internal::GetCapturedStderr();
  int status = 0;
  waitpid(first, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_GE(waits_, 2);
  const std::string file = LockFile("TranLauV");
  EXPECT_EQ(file.size(), kLockEntrySize);  // the freed entry was reused
  EXPECT_EQ(file.substr(15, 11).find(std::to_string(LoadStationIdentity().number)), 0u);
}

// An entry of a station of this machine: same computer name, another number.
std::string EntryOfThisMachine(int number, int64_t time) {
  std::string e = "TESTPC         " + std::to_string(number);
  e.resize(26, ' ');
  e += std::to_string(time) + "K" + "4 0001" + std::string(36, ' ') + "4 0001" +
       std::string(36, ' ') + "\r\n";
  return e;
}

TEST_F(LockFilesTest, AnEndedStationOfThisMachineHoldsNothingAndARunningOneDoes) {
  std::string identity;
  EncodeFixed32(&identity, 4242);
  station_a_.Write("LOCKS.TMP", identity + "TESTPC         ");
  UseStation(station_a_);

  // Station 777 ran here and ended (its file is there, nobody holds it).
  root_.Write("LOCKS/777.sta", "");
  root_.Write("LOCKS/DepartaV.lck", EntryOfThisMachine(777, kNow));
  on_wait_ = [this](int) { clock_ += 31; };  // a wrong wait ends, and is counted
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LockKey("DepartaV", "0001"), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(waits_, 0);
  clock_ = kNow;
  EXPECT_EQ(LockFile("DepartaV").substr(15, 11), "4242       ");
  EXPECT_TRUE(std::filesystem::exists(root_.path() + "/LOCKS/4242.sta"));
  EXPECT_EQ(ReleaseTableLock("DepartaV"), 0);

  // Station 778 is running: it holds its file until it moves on.
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t running = fork();
  if (running == 0) {
    const int fd = ::open((root_.path() + "/LOCKS/778.sta").c_str(), O_RDONLY | O_CREAT, 0666);
    ::flock(fd, LOCK_SH);
    (void)!write(ready[1], "r", 1);
    char c;
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  root_.Write("LOCKS/DepartaV.lck", EntryOfThisMachine(778, kNow));
  on_wait_ = [&](int) {
    if (waits_ == 3) (void)!write(release[1], "g", 1);  // the station ends
    usleep(20000);
  };
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LockKey("DepartaV", "0001"), 0);
  ::testing::internal::GetCapturedStderr();
  waitpid(running, nullptr, 0);
  EXPECT_GE(waits_, 3) << "the entry of a running station was taken for stale";

  // Another machine's station, or one without its file, keeps the
  // 30-minute rule even when a file of its number is there.
  waits_ = 0;
  root_.Write("LOCKS/12345.sta", "");
  root_.Write("LOCKS/DepartaV.lck", ForeignEntry("K", "0001", kNow - 29));
  on_wait_ = [this](int) { clock_ += 1; };
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LockKey("DepartaV", "0001"), 0);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(waits_, 2);
  waits_ = 0;
  root_.Write("LOCKS/DepartaV.lck", EntryOfThisMachine(779, clock_ - 29));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LockKey("DepartaV", "0001"), 0);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(waits_, 2);
}

TEST_F(LockFilesTest, ALockFileThatCannotBeMadeIsAProblemNotAWait) {
  // A lock folder that is a file: no entry can ever be written.
  root_.Write("LOCKS", "not a folder");
  std::string problem;
  EXPECT_EQ(LockKey("TranLauV", "0001", &problem), kLockFileUnusable);
  EXPECT_EQ(waits_, 0);
  EXPECT_NE(problem.find("/LOCKS/TranLauV.lck: Not a directory"), std::string::npos) << problem;
  std::filesystem::remove(root_.path() + "/LOCKS");

  // A symbolic link planted in place of a lock file is not written through.
  root_.Write("victim", "a file of the user");
  std::filesystem::create_directories(root_.path() + "/LOCKS");
  std::filesystem::create_symlink(root_.path() + "/victim", root_.path() + "/LOCKS/TranLauV.lck");
  problem.clear();
  EXPECT_EQ(LockRange("TranLauV", "F", "", "", &problem), kLockFileUnusable);
  EXPECT_NE(problem.find("TranLauV.lck: a symbolic link stands in its place"), std::string::npos)
      << problem;
  EXPECT_EQ(root_.Read("victim"), "a file of the user");
  EXPECT_EQ(ReleaseTableLock("TranLauV"), -1);
}

}  // namespace
}  // namespace storage
