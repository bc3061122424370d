#include "app/unit_walk.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "base/console.h"
#include "base/dates.h"
#include "base/platform.h"
#include "base/session_settings.h"
#include "base/terminal.h"
#include "datatool/commands.h"
#include "storage/lock_files.h"
#include "storage/record_layouts.h"
#include "testing/fake_environment.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

struct Seen {
  std::string unit;  // "0002/0001"
  std::string transition;
  bool new_record;
  std::string unit_lock_file;
};

class Recorder : public UnitHandler {
 public:
  explicit Recorder(std::string root) : root_(std::move(root)) {}
  void HandleUnit(RecordBuffers& r, bool new_record) override {
    const std::string digits = base::UnpackDigits(storage::GetBytes(r.unit, storage::unit::kKey));
    std::string lock;
    (void)base::ReadWholeFile(root_ + "LOCKS/TranLauV.lck", &lock);
    seen.push_back({digits.substr(0, 4) + "/" + digits.substr(4), r.transition, new_record, lock});
  }
  std::vector<std::string> Units() const {
    std::vector<std::string> u;
    for (const Seen& s : seen) u.push_back(s.unit);
    return u;
  }
  std::vector<Seen> seen;

 private:
  std::string root_;
};

class UnitWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::UseNoTerminal();
    cwd_ = std::filesystem::current_path();
    root_ = dir_.prefix() + "inst/";
    Tool({"init", root_, "--no-cpi"});
    Import("PropietV", "owner,name\n1,Puig*Maria\n");
    Import("FinquesV", "building,owner\n2,1\n3,1\n5,9\n7,1\n");
    Import("DepartaV",
           "building,unit,tax_id\n2,1,ES12345678Z\n2,2,\n2,5,ESB1234567\n3,1,\n3,9,\n5,1,\n7,1,\n7,"
           "3,\n7,4,\n");
    Import("TranLauV", "building,unit,assimilated\n2,2,S\n");
    base::Settings().root_dir = root_;
    base::Settings().tmp_dir = dir_.prefix();
    ASSERT_EQ(OpenDataFiles(root_, &records_), 0);
  }
  void TearDown() override {
    storage::ResetRecordManager();
    std::filesystem::current_path(cwd_);
    base::Settings() = base::SessionSettings();
  }
  void Tool(std::vector<std::string> args) {
    std::ostringstream out, err;
    ASSERT_EQ(datatool::RunDataTool(args, out, err), 0) << err.str();
    std::filesystem::current_path(cwd_);
  }
  void Import(const char* table, const std::string& csv) {
    dir_.Write("in.csv", csv);
    Tool({"import", root_, table, dir_.prefix() + "in.csv"});
  }
  static RunParameters Range(const char* b1, const char* u1, const char* b2, const char* u2,
                             RunMode mode = RunMode::kReport) {
    RunParameters p;
    p.lower_bound = base::PackDottedCode(b1) + base::PackDottedCode(u1);
    p.upper_bound = base::PackDottedCode(b2) + base::PackDottedCode(u2);
    p.run_mode = mode;
    return p;
  }

  testing_support::TempDir dir_;
  testing_support::FakeEnvironment env_;
  std::string root_;
  std::filesystem::path cwd_;
  RecordBuffers records_;
};

using Units = std::vector<std::string>;

TEST_F(UnitWalkTest, SelectsTheUnitsOfTheKeyRange) {
  struct {
    RunParameters params;
    Units expected;
  } cases[] = {
      // First building missing: starts at the next; last missing: ends below it;
      // building 5 has no owner and is skipped with all its units.
      {Range("1", "2", "6", "9999"),
       {"0002/0001", "0002/0002", "0002/0005", "0003/0001", "0003/0009"}},
      {Range("2", "2", "7", "3"),
       {"0002/0002", "0002/0005", "0003/0001", "0003/0009", "0007/0001", "0007/0003"}},
      {Range("3", "5", "3", "5"), {}},
      {Range("7", "1", "2", "1"), {}},
      {Range("0", "0", "9999", "9999"),
       {"0002/0001", "0002/0002", "0002/0005", "0003/0001", "0003/0009", "0007/0001", "0007/0003",
        "0007/0004"}},
  };
  for (const auto& c : cases) {
    Recorder recorder(root_);
    WalkUnits(env_, c.params, records_, &recorder);
    EXPECT_EQ(recorder.Units(), c.expected);
  }
}

TEST_F(UnitWalkTest, HandsOverTheTransitionRecordOrItsDefault) {
  Recorder recorder(root_);
  WalkUnits(env_, Range("2", "0", "2", "9999"), records_, &recorder);
  ASSERT_EQ(recorder.seen.size(), 3u);
  const std::string key1 = base::PackDigits("00020001");
  EXPECT_TRUE(recorder.seen[0].new_record);
  EXPECT_EQ(recorder.seen[0].transition, storage::DefaultTransitionRecord(key1, "ES12345678Z"));
  EXPECT_EQ(recorder.seen[0].transition[38], 'S');
  EXPECT_FALSE(recorder.seen[1].new_record);
  EXPECT_EQ(recorder.seen[1].transition[12], 'S');  // the stored record, assimilated
  EXPECT_TRUE(recorder.seen[2].new_record);
  EXPECT_EQ(recorder.seen[2].transition[38], 'N');
  // Nothing is locked outside mode "A".
  EXPECT_FALSE(std::filesystem::exists(root_ + "LOCKS/TranLauV.lck"));
}

TEST_F(UnitWalkTest, ModeATakesAndFreesALockEntryForEachBuildingAndUnit) {
  Recorder recorder(root_);
  WalkUnits(env_, Range("2", "0", "3", "9999", RunMode::kWriteBack), records_, &recorder);
  ASSERT_EQ(recorder.seen.size(), 5u);
  for (const Seen& s : recorder.seen) {
    ASSERT_EQ(s.unit_lock_file.size(), storage::kLockEntrySize);
    EXPECT_EQ(s.unit_lock_file[34], 'K');
    EXPECT_EQ(s.unit_lock_file.substr(37, 8), s.unit.substr(0, 4) + s.unit.substr(5)) << s.unit;
  }
  std::string units, buildings;
  ASSERT_TRUE(base::ReadWholeFile(root_ + "LOCKS/TranLauV.lck", &units));
  ASSERT_TRUE(base::ReadWholeFile(root_ + "LOCKS/DepartaV.lck", &buildings));
  EXPECT_EQ(units.size(), storage::kLockEntrySize);  // one entry, reused for each unit
  EXPECT_EQ(units[34], ' ');
  EXPECT_EQ(buildings.size(), storage::kLockEntrySize);
  EXPECT_EQ(buildings[34], ' ');
  EXPECT_EQ(buildings.substr(37, 4), "0003");
}

// Another station holds one record until the walk has waited for it.
class HeldRecord {
 public:
  HeldRecord(const std::string& root, storage::FileCode code, const char* path, int length,
             const std::string& key) {
    int ready[2];
    if (pipe(ready) != 0 || pipe(release_) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      storage::ResetRecordManager();
      std::string buffer(static_cast<size_t>(length), ' ');
      if (storage::OpenRecordFile(code, root + path, buffer.data(), buffer.size()) != 0) _exit(3);
      if (storage::SeekByKey(code, 0, key, 0) != 0) _exit(4);
      (void)!write(ready[1], "r", 1);
      char c;
      (void)!read(release_[0], &c, 1);
      _exit(0);
    }
    char c;
    (void)!read(ready[0], &c, 1);
    close(ready[0]);
    close(ready[1]);
  }
  void Release() {
    if (pid_ <= 0) return;
    (void)!write(release_[1], "g", 1);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  ~HeldRecord() { Release(); }

 private:
  pid_t pid_ = 0;
  int release_[2] = {-1, -1};
};

TEST_F(UnitWalkTest, WaitsForRecordsAnotherStationHolds) {
  struct {
    storage::FileCode code;
    const char* path;
    int length;
    std::string key;
    bool waits;
  } cases[] = {
      {kUnitFile, "DADES\\DepartaV", storage::unit::kLength, base::PackDigits("00030001"), true},
      {kTransitionFile, "DADES\\TranLauV", storage::transition::kLength,
       base::PackDigits("00020002"), true},
      {kBuildingFile, "DADES\\FinquesV", storage::building::kLength, base::PackDigits("0003"),
       true},
      {kOwnerFile, "DADES\\PropietV", storage::owner::kLength, base::PackDigits("0001"), false},
  };
  for (auto& c : cases) {
    HeldRecord held(root_, c.code, c.path, c.length, c.key);
    int pauses = 0;
    env_.sleep = [&](int) {
      if (++pauses == 2) held.Release();  // the other station moves on
    };
    Recorder recorder(root_);
    ::testing::internal::CaptureStderr();
    WalkUnits(env_, Range("2", "0", "3", "9999", RunMode::kWriteBack), records_, &recorder);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorder.Units(),
              (Units{"0002/0001", "0002/0002", "0002/0005", "0003/0001", "0003/0009"}))
        << c.path;
    EXPECT_FALSE(recorder.seen[1].new_record) << c.path;
    EXPECT_EQ(recorder.seen[1].transition[12], 'S') << c.path;
    EXPECT_EQ(pauses >= 2, c.waits) << c.path;
    EXPECT_EQ(err.find("FITXER BLOQUEJAT. ESPEREU UN MOMENT.") != std::string::npos, c.waits)
        << c.path;
  }
}

}  // namespace
}  // namespace app
