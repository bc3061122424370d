// The cursor's rules over an engine, seen through a file in memory that
// records what the cursor asked of it: which record is locked and unlocked,
// and when, which rows are left out, which transactions run.
#include "storage/record_cursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

#include "storage/damaged_rows.h"
#include "storage/little_endian.h"

namespace storage {
namespace {

constexpr int kLen = 4;

// Records of four bytes along one key of duplicates (bytes 1-2), rows kept
// by id; locks held by another station are named in held_elsewhere.
class MemoryFile : public EngineFile {
 public:
  MemoryFile() {
    file_spec_.record_length = kLen;
    KeySpec k0;
    k0.segments = {{1, 2}};
    k0.duplicates = true;
    file_spec_.keys = {k0};
    name_ = "memory.dat";
  }
  const char* Tag() const override { return "MEMF"; }

  int16_t SelectRows(const RowQuery& q, std::vector<StoredRow>* rows) override {
    ++selects;
    std::vector<StoredRow> all;
    for (const auto& [id, data] : rows_) {
      const std::string key = data.substr(0, 2);
      if (q.excluded->count(id) > 0 || !Matches(q, key, id)) continue;
      all.push_back({id, data, key, true});
    }
    std::sort(all.begin(), all.end(), [&](const StoredRow& a, const StoredRow& b) {
      const bool less = a.key != b.key ? a.key < b.key : a.id < b.id;
      return Descends(q.comparison) ? !less && (a.key != b.key || a.id != b.id) : less;
    });
    if (all.size() > static_cast<size_t>(q.limit)) all.resize(static_cast<size_t>(q.limit));
    rows->insert(rows->end(), all.begin(), all.end());
    return kStatusOk;
  }
  int16_t SelectById(int64_t id, int, std::vector<StoredRow>* rows) override {
    ++reads_by_id;
    const auto it = rows_.find(id);
    if (it != rows_.end()) rows->push_back({id, it->second, it->second.substr(0, 2), true});
    return kStatusOk;
  }
  int16_t Write(const RowWrite& w, int64_t* id) override {
    if (w.id == 0) {
      *id = ++last_id_;
      log_ += "insert " + std::to_string(*id) + ";";
    } else {
      log_ += "update " + std::to_string(w.id) + (w.in_transaction ? " joined;" : ";");
      if (rows_.count(w.id) == 0) return kStatusNoCurrentRecord;
      *id = w.id;
    }
    rows_[*id] = w.record;
    return kStatusOk;
  }
  bool TryLock(int64_t id) override {
    // Another station's change and release, between the select and the lock.
    if (before_lock) std::exchange(before_lock, nullptr)();
    if (held_elsewhere.count(id) > 0) return false;
    log_ += "lock " + std::to_string(id) + ";";
    return true;
  }
  void Unlock(int64_t id) override { log_ += "unlock " + std::to_string(id) + ";"; }
  int16_t BeginTransaction() override { return Command("begin", begin_status); }
  int16_t EndTransaction() override { return Command("end", kStatusOk); }
  int16_t AbortTransaction() override { return Command("abort", kStatusOk); }

  // A row as another tool might have stored it, not necessarily a record.
  void Store(const std::string& data) { rows_[++last_id_] = data; }
  void Replace(int64_t id, const std::string& data) { rows_[id] = data; }
  // What the cursor asked for since the last call.
  std::string TakeLog() { return std::exchange(log_, std::string()); }

  std::set<int64_t> held_elsewhere;
  int16_t begin_status = kStatusOk;
  std::function<void()> before_lock;
  int reads_by_id = 0;
  int selects = 0;
  std::optional<uint64_t> mark;  // the commit mark, none by default
  std::optional<uint64_t> CommitMark() override { return mark; }

 private:
  static bool Matches(const RowQuery& q, const std::string& key, int64_t id) {
    const std::string wanted(q.key);
    switch (q.comparison) {
      case KeyComparison::kEqual:
        return key == wanted;
      case KeyComparison::kGreaterOrEqual:
        return key >= wanted;
      case KeyComparison::kLessOrEqual:
        return key <= wanted;
      case KeyComparison::kAfter:
        return key > wanted || (key == wanted && id > q.id);
      case KeyComparison::kBefore:
        return key < wanted || (key == wanted && id < q.id);
    }
    return false;
  }
  int16_t Command(const char* what, int16_t status) {
    log_ += std::string(what) + ";";
    return status;
  }

  std::map<int64_t, std::string> rows_;
  int64_t last_id_ = 0;
  std::string log_;
};

class RecordCursorTest : public ::testing::Test {
 protected:
  RecordCursorTest() {
    auto file = std::make_unique<MemoryFile>();
    file_ = file.get();
    for (const char* r : {"AA-1", "AB-2", "AA-3", "BB-4"}) file_->Store(r);
    cursor_ = std::make_unique<RecordCursor>(std::move(file));
  }
  // The status of a read, and the record it returned in record_.
  int16_t Read(int16_t op, const std::string& key, bool biased = false) {
    char data[16] = {};
    uint16_t length = sizeof data;
    char key_buffer[256] = {};
    std::memcpy(key_buffer, key.data(), key.size());
    const int16_t status =
        cursor_->Read(op, biased, data, &length, key_buffer, static_cast<uint16_t>(key.size()), 0);
    record_ = status == kStatusOk ? std::string(data, length) : std::string();
    return status;
  }
  int16_t ReadAt(uint32_t position, bool biased = false) {
    std::string data;
    EncodeFixed32(&data, position);
    data.resize(16);
    uint16_t length = 16;
    char key[256] = {};
    const int16_t status = cursor_->ReadDirect(biased, data.data(), &length, key, 0);
    record_ = status == kStatusOk ? data.substr(0, length) : std::string();
    return status;
  }
  int16_t Write(bool insert, std::string record) {
    char key[256] = {};
    return cursor_->Write(insert, record.data(), static_cast<uint16_t>(record.size()), key, 0);
  }

  MemoryFile* file_;
  std::unique_ptr<RecordCursor> cursor_;
  std::string record_;
};

TEST_F(RecordCursorTest, ABiasedReadDropsThePreviousLockBeforeItsOwnAlsoWhenItFails) {
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  EXPECT_EQ(file_->TakeLog(), "lock 2;");
  EXPECT_EQ(Read(kOpGetEqual, "BB", true), kStatusOk);
  EXPECT_EQ(file_->TakeLog(), "unlock 2;lock 4;");
  EXPECT_EQ(Read(kOpGetEqual, "ZZ", true), kStatusKeyNotFound);
  EXPECT_EQ(file_->TakeLog(), "unlock 4;");
  EXPECT_EQ(Read(kOpGetEqual, "AB", false), kStatusOk);  // takes no lock, drops none
  cursor_->DropLock();                                   // nothing left to drop
  EXPECT_EQ(file_->TakeLog(), "");
  // A record another station holds gives 84 and leaves the current record.
  file_->held_elsewhere = {4};
  EXPECT_EQ(Read(kOpGetNext, "", true), kStatusRecordLocked);
  EXPECT_EQ(Read(kOpGetPrevious, "", false), kStatusOk);
  EXPECT_EQ(record_, "AA-3");
  cursor_->DropLock();
  EXPECT_EQ(file_->TakeLog(), "");
}

// A station may change a record and let it go between this station's select
// and its lock: the read gives the record as it stands once held, and a
// record whose key has moved meanwhile is not the one asked for.
TEST_F(RecordCursorTest, ABiasedReadGivesTheRecordAsItStandsOnceHeld) {
  file_->before_lock = [&] { file_->Replace(2, "AB-7"); };
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  EXPECT_EQ(record_, "AB-7");
  file_->before_lock = [&] { file_->Replace(4, "CC-4"); };
  EXPECT_EQ(Read(kOpGetEqual, "BB", true), kStatusKeyNotFound);
  EXPECT_EQ(file_->TakeLog(), "lock 2;unlock 2;lock 4;unlock 4;") << "a moved record kept locked";
  // From AA-3 the next is AB-2; it moves to "BC" before it is held, and
  // the read again finds it, still the next, under its new key.
  ASSERT_EQ(Read(kOpGetEqual, "AA", false), kStatusOk);
  ASSERT_EQ(Read(kOpGetNext, "", false), kStatusOk);
  EXPECT_EQ(record_, "AA-3");
  file_->before_lock = [&] { file_->Replace(2, "BC-2"); };
  ASSERT_EQ(Read(kOpGetNext, "", true), kStatusOk);
  EXPECT_EQ(record_, "BC-2");
  EXPECT_EQ(file_->TakeLog(), "lock 2;unlock 2;lock 2;");
}

// Where the engine keeps a commit mark, a mark that has not moved between
// the select and the lock spares the second read; one that has moved does not.
TEST_F(RecordCursorTest, AStillCommitMarkSparesTheSecondRead) {
  file_->mark = 7;
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  EXPECT_EQ(file_->reads_by_id, 0);
  file_->before_lock = [&] {
    file_->Replace(4, "BB-8");
    file_->mark = 8;
  };
  ASSERT_EQ(Read(kOpGetEqual, "BB", true), kStatusOk);
  EXPECT_EQ(record_, "BB-8");
  EXPECT_EQ(file_->reads_by_id, 1);
}

TEST_F(RecordCursorTest, AnUpdateLocksARecordItDoesNotHoldForTheWriteAlone) {
  EXPECT_EQ(Write(false, "AB-9"), kStatusNoCurrentRecord);
  ASSERT_EQ(Read(kOpGetEqual, "AB"), kStatusOk);
  EXPECT_EQ(Write(false, "AB-9"), kStatusOk);
  EXPECT_EQ(file_->TakeLog(), "lock 2;update 2;unlock 2;");
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  EXPECT_EQ(record_, "AB-9");
  file_->TakeLog();
  EXPECT_EQ(Write(false, "AB-8"), kStatusOk);  // held already: kept after the write
  EXPECT_EQ(file_->TakeLog(), "update 2;");
  file_->held_elsewhere = {4};
  ASSERT_EQ(Read(kOpGetEqual, "BB"), kStatusOk);
  EXPECT_EQ(Write(false, "BB-7"), kStatusRecordLocked);
  EXPECT_EQ(file_->TakeLog(), "") << "wrote over a record another station holds";
  EXPECT_EQ(Write(false, "BB"), kStatusInvalidRecordLength);
  // An insert becomes the current record, along the key path asked.
  EXPECT_EQ(Write(true, "AC-5"), kStatusOk);
  EXPECT_EQ(Read(kOpGetPrevious, ""), kStatusOk);
  EXPECT_EQ(record_, "AB-8");
}

TEST_F(RecordCursorTest, DamagedRowsAreSkippedToldOfOnceAndNeverLocked) {
  file_->Store("AC-too long");  // id 5
  file_->Store("AD-6");
  const long before = DamagedRowsReported();
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  EXPECT_EQ(Read(kOpGetNext, "", true), kStatusOk);
  EXPECT_EQ(record_, "AD-6");
  EXPECT_EQ(Read(kOpGetPrevious, "", false), kStatusOk);
  EXPECT_EQ(record_, "AB-2");
  EXPECT_EQ(Read(kOpGetGreaterOrEqual, "AC"), kStatusOk);
  EXPECT_EQ(record_, "AD-6");
  EXPECT_EQ(ReadAt(5, true), kStatusInvalidPosition);
  EXPECT_EQ(DamagedRowsReported() - before, 2) << "once by the reads, once by position";
  EXPECT_EQ(file_->TakeLog(), "lock 2;unlock 2;lock 6;unlock 6;");
  EXPECT_EQ(ReadAt(3), kStatusOk);
  EXPECT_EQ(record_, "AA-3");
  EXPECT_EQ(ReadAt(99), kStatusInvalidPosition);
}

// A read by position of the record the file holds and has just updated is
// answered with the bytes written; once the lock is let go, or when a
// transaction could take the write back, it asks the engine.
TEST_F(RecordCursorTest, TheRecordJustWrittenUnderItsLockIsReadByPositionWithoutASelect) {
  // The selects by id that a read by position makes.
  const auto selects_reading_at = [&](uint32_t position) {
    const int before = file_->reads_by_id;
    EXPECT_EQ(ReadAt(position), kStatusOk);
    return file_->reads_by_id - before;
  };
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  ASSERT_EQ(Write(false, "AB-9"), kStatusOk);
  EXPECT_EQ(selects_reading_at(2), 0);
  EXPECT_EQ(record_, "AB-9");
  EXPECT_EQ(Read(kOpGetNext, ""), kStatusOk) << "the position read made it current";
  EXPECT_EQ(record_, "BB-4");
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  ASSERT_EQ(Write(false, "AB-8"), kStatusOk);
  cursor_->DropLock();
  file_->Replace(2, "AB-5");  // another station, once the lock is let go
  EXPECT_EQ(selects_reading_at(2), 1);
  EXPECT_EQ(record_, "AB-5");
  ASSERT_EQ(Read(kOpGetEqual, "BB"), kStatusOk);
  ASSERT_EQ(Write(false, "BB-7"), kStatusOk);  // locked for the write alone
  EXPECT_EQ(selects_reading_at(4), 1);
  ASSERT_EQ(cursor_->Transaction(kOpBeginTransaction), kStatusOk);
  ASSERT_EQ(Read(kOpGetEqual, "AA", true), kStatusOk);
  ASSERT_EQ(Write(false, "AA-6"), kStatusOk);
  EXPECT_EQ(selects_reading_at(1), 1) << "an abort could take the write back";
}

// A whole-file read gives every record in the key path's order, a thousand
// rows an exchange, skips the damaged ones, and leaves the current record.
TEST_F(RecordCursorTest, AWholeFileReadGivesEveryRecordInOrderAndLeavesTheCurrentOne) {
  std::vector<std::string> expected = {"AA-1", "AA-3", "AB-2", "BB-4"};
  for (int i = 0; i < 2100; ++i) {
    const std::string key = {static_cast<char>(0xC0 + i / 64), static_cast<char>('0' + i % 64)};
    file_->Store(key + "-" + std::to_string(i % 10));
    expected.push_back(key + "-" + std::to_string(i % 10));
    if (i == 1500) file_->Store(key + "too long");  // damaged, left out
  }
  ASSERT_EQ(Read(kOpGetEqual, "AB", true), kStatusOk);
  file_->TakeLog();
  file_->selects = 0;
  const long damaged_before = DamagedRowsReported();
  std::vector<std::string> records;
  ASSERT_EQ(cursor_->ReadAll(0, &records), kStatusOk);
  EXPECT_EQ(records, expected);
  EXPECT_EQ(file_->selects, 3);
  EXPECT_EQ(DamagedRowsReported() - damaged_before, 1);
  EXPECT_EQ(file_->TakeLog(), "") << "no lock taken or dropped";
  ASSERT_EQ(Read(kOpGetNext, ""), kStatusOk);
  EXPECT_EQ(record_, "BB-4");
}

TEST_F(RecordCursorTest, TransactionsAlternateAndWritesJoinThem) {
  EXPECT_EQ(cursor_->Transaction(kOpEndTransaction), kStatusInvalidOperation);
  file_->begin_status = kStatusFileLocked;
  EXPECT_EQ(cursor_->Transaction(kOpBeginTransaction), kStatusFileLocked);
  EXPECT_EQ(cursor_->Transaction(kOpAbortTransaction), kStatusInvalidOperation);
  file_->begin_status = kStatusOk;
  EXPECT_EQ(cursor_->Transaction(kOpBeginTransaction), kStatusOk);
  EXPECT_EQ(cursor_->Transaction(kOpBeginTransaction), kStatusInvalidOperation);
  ASSERT_EQ(Read(kOpGetEqual, "BB", true), kStatusOk);
  EXPECT_EQ(Write(false, "BB-5"), kStatusOk);
  EXPECT_EQ(cursor_->Transaction(kOpEndTransaction), kStatusOk);
  EXPECT_EQ(Write(false, "BB-6"), kStatusOk);
  EXPECT_EQ(file_->TakeLog(), "begin;begin;lock 4;update 4 joined;end;update 4;");
}

}  // namespace
}  // namespace storage
