// The record manager's behaviour, the same on both engines: key paths,
// statuses and record locks, with real processes where locks and kills are
// concerned. The server engine's run needs a PostgreSQL server: its libpq
// connection string in KEP_TEST_PG (scripts/test.sh starts one on loopback).
#include "storage/record_manager.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <functional>

#if KEP_WITH_POSTGRES
#include <libpq-fe.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>

#include "storage/creation_block.h"
#include "testing/temp_dir.h"
#include "testing/test_server.h"

namespace storage {
namespace {

constexpr int kLen = 8;

// One open file of the engine, as a test drives it.
class Handle {
 public:
  int16_t Open(const std::string& path, const std::string& owner = "1994") {
    std::string o = owner + '\0';
    uint16_t n = static_cast<uint16_t>(o.size());
    std::string k = path + '\0';
    return RecordManagerCall(kOpOpen, pos_.data(), o.data(), &n, k.data(),
                             static_cast<uint16_t>(path.size()), 0);
  }
  int16_t Read(int16_t op, const std::string& key, int16_t key_number, uint16_t room = kLen) {
    data_.assign(std::max<size_t>(64, room), '#');
    key_.assign(256, '\0');
    std::memcpy(key_.data(), key.data(), key.size());
    length_ = room;
    return RecordManagerCall(op, pos_.data(), data_.data(), &length_, key_.data(),
                             static_cast<uint16_t>(key.size()), key_number);
  }
  int16_t Write(int16_t op, const std::string& record, int16_t key_number = 0) {
    std::string d = record;
    uint16_t n = static_cast<uint16_t>(d.size());
    key_.assign(256, '\0');
    return RecordManagerCall(op, pos_.data(), d.data(), &n, key_.data(), 0, key_number);
  }
  std::string Record() const { return data_.substr(0, length_); }
  std::string Data() const { return data_; }

 private:
  std::array<char, kPositionBlockSize> pos_{};
  std::string data_;
  std::string key_;
  uint16_t length_ = 0;
};

int16_t CreateFile(const std::string& path, const FileSpec& file_spec, int16_t key_number = -1) {
  std::string block = EncodeCreationBlock(file_spec);
  uint16_t n = static_cast<uint16_t>(block.size());
  std::string k = path + '\0';
  char pos[kPositionBlockSize] = {};
  return RecordManagerCall(kOpCreate, pos, block.data(), &n, k.data(),
                           static_cast<uint16_t>(path.size()), key_number);
}

// Key 0: bytes 1-2, duplicates allowed. Key 1: byte 5 then byte 3, unique.
FileSpec TestSpec() {
  FileSpec file_spec;
  file_spec.record_length = kLen;
  KeySpec k0;
  k0.segments = {{1, 2}};
  k0.duplicates = true;
  KeySpec k1;
  k1.segments = {{5, 1}, {3, 1}};
  file_spec.keys = {k0, k1};
  return file_spec;
}

void Reset() {
  char pos[kPositionBlockSize] = {};
  uint16_t n = 0;
  char key[1] = {};
  RecordManagerCall(kOpReset, pos, nullptr, &n, key, 0, 0);
}

// The engine under test: "sqlite", or "postgres" for an installation whose
// "Vorn.ini" names the test server, each test in a schema of its own.
class RecordManagerTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    root_ = dir_.path() + "/inst";
    std::filesystem::create_directories(root_ + "/DADES");
    if (GetParam() == "postgres") {
      server_ = testing_support::TestServer();
      if (server_.empty()) GTEST_SKIP() << testing_support::kNoTestServer;
      static int counter = 0;
      schema_ = "kt_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
      std::ofstream(root_ + "/Vorn.ini")
          << "[Dades]\r\nServidor=" << server_ << "\r\nEsquema=" << schema_ << "\r\n";
    }
    path_ = File("file.dat");
    ASSERT_EQ(CreateFile(path_, TestSpec()), kStatusOk);
    ASSERT_EQ(h_.Open(path_), kStatusOk);
    // Records: key0 "AA" twice (ids 1, 3), "AB", "BB"; key1 distinct.
    for (const char* r : {"AAx1p---", "ABy2q---", "AAz3r---", "BBw4s---"}) {
      ASSERT_EQ(h_.Write(kOpInsert, r), kStatusOk) << r;
    }
  }
  void TearDown() override {
    Reset();
    if (!schema_.empty()) testing_support::DropSchema(server_, schema_);
  }
  // A data file of the installation under test.
  std::string File(const std::string& name) const { return root_ + "/DADES/" + name; }
  bool OnDisk() const { return GetParam() == "sqlite"; }

  testing_support::TempDir dir_;
  std::string root_, server_, schema_;
  std::string path_;
  Handle h_;
};

TEST_P(RecordManagerTest, WalksKeyPathsAcrossDuplicatesAndSegments) {
  struct Step {
    int16_t op;
    const char* key;
    int16_t key_number;
    int16_t status;
    const char* record;
  } steps[] = {
      {kOpGetEqual, "AA", 0, kStatusOk, "AAx1p---"},
      {kOpGetNext, "", 0, kStatusOk, "AAz3r---"},  // duplicates in insertion order
      {kOpGetNext, "", 0, kStatusOk, "ABy2q---"},
      {kOpGetNext, "", 0, kStatusOk, "BBw4s---"},
      {kOpGetNext, "", 0, kStatusEndOfFile, nullptr},
      {kOpGetPrevious, "", 0, kStatusOk, "ABy2q---"},
      {kOpGetPrevious, "", 0, kStatusOk, "AAz3r---"},
      {kOpGetPrevious, "", 0, kStatusOk, "AAx1p---"},
      {kOpGetPrevious, "", 0, kStatusEndOfFile, nullptr},
      {kOpGetGreaterOrEqual, "AB", 0, kStatusOk, "ABy2q---"},
      {kOpGetGreaterOrEqual, "AC", 0, kStatusOk, "BBw4s---"},
      {kOpGetGreaterOrEqual, "C", 0, kStatusEndOfFile, nullptr},
      {kOpGetLessOrEqual, "AZ", 0, kStatusOk, "ABy2q---"},
      {kOpGetLessOrEqual, "AA", 0, kStatusOk, "AAz3r---"},  // the last of the duplicates
      {kOpGetLessOrEqual, "A", 0, kStatusEndOfFile, nullptr},
      {kOpGetEqual, "AC", 0, kStatusKeyNotFound, nullptr},
      // Key 1 is byte 5 then byte 3: "px" < "qy" < "rz" < "sw".
      {kOpGetGreaterOrEqual + kLockBias, "q", 1, kStatusOk, "ABy2q---"},
      {kOpGetNext, "", 0, kStatusOk, "AAz3r---"},  // follows key 1, the key of the last read
      {kOpGetEqual, "sw", 1, kStatusOk, "BBw4s---"},
      {kOpGetPrevious, "", 0, kStatusOk, "AAz3r---"},
      {kOpGetEqual, "zz", 5, kStatusInvalidKeyNumber, nullptr},
  };
  for (const Step& s : steps) {
    const std::string before = h_.Data();
    EXPECT_EQ(h_.Read(s.op, s.key, s.key_number), s.status) << s.op << " " << s.key;
    if (s.record != nullptr) {
      EXPECT_EQ(h_.Record(), s.record) << s.op << " " << s.key;
    } else {
      EXPECT_EQ(h_.Data(), std::string(64, '#')) << "buffer changed by a failed read";
    }
  }
}

TEST_P(RecordManagerTest, ShortBufferCutsTheRecordWithStatus22) {
  EXPECT_EQ(h_.Read(kOpGetEqual, "BB", 0, 3), kStatusDataBufferShort);
  EXPECT_EQ(h_.Record(), "BBw");
  EXPECT_EQ(h_.Data().substr(3, 5), "#####");
}

TEST_P(RecordManagerTest, DuplicateUniqueKeyChangesNothing) {
  EXPECT_EQ(h_.Write(kOpInsert, "ZZx9p---"), kStatusDuplicateKey);  // key 1 "px" exists
  ASSERT_EQ(h_.Read(kOpGetEqual, "BB", 0), kStatusOk);
  EXPECT_EQ(h_.Write(kOpUpdate, "BBx4p---"), kStatusDuplicateKey);
  EXPECT_EQ(h_.Read(kOpGetEqual, "BB", 0), kStatusOk);
  EXPECT_EQ(h_.Record(), "BBw4s---");
  EXPECT_EQ(h_.Read(kOpGetEqual, "ZZ", 0), kStatusKeyNotFound);
  // An update changes the key path position with the record.
  ASSERT_EQ(h_.Write(kOpUpdate, "CCw4s---"), kStatusOk);
  EXPECT_EQ(h_.Read(kOpGetPrevious, "", 0), kStatusOk);
  EXPECT_EQ(h_.Record(), "ABy2q---");
}

TEST_P(RecordManagerTest, CreateOpenAndStatStatuses) {
  EXPECT_EQ(CreateFile(path_, TestSpec()), kStatusFileExists);
  FileSpec bad = TestSpec();
  bad.keys[0].segments[0].position = 8;  // runs past the record
  EXPECT_EQ(CreateFile(File("bad.dat"), bad), kStatusBadCreationBlock);
  Handle other;
  EXPECT_EQ(other.Open(File("none.dat")), kStatusFileNotFound);
  EXPECT_EQ(other.Open(path_, "0000"), kStatusWrongOwner);
  if (OnDisk()) {
    dir_.Write("inst/DADES/garbage.dat", std::string(4096, 'x'));
    EXPECT_EQ(other.Open(File("garbage.dat")), kStatusNotARecordFile);
  }
  EXPECT_EQ(other.Open(path_), kStatusOk);  // the owner recorded at the first open
}

// Forks a process that runs body and then waits for a line on the pipe
// before ending; returns its pid once it has written "ready".
pid_t StartHolder(const std::function<void()>& body, int* release_fd) {
  int ready[2], release[2];
  if (pipe(ready) != 0 || pipe(release) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    body();
    (void)!write(ready[1], "r", 1);
    char c;
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c;
  (void)!read(ready[0], &c, 1);
  close(ready[0]);
  close(ready[1]);
  close(release[0]);
  *release_fd = release[1];
  return pid;
}

// A biased read of key retried while it gives 84, for at most five seconds.
int16_t ReadOnceFree(Handle& h, const std::string& key) {
  int16_t status = kStatusRecordLocked;
  for (int i = 0; i < 500 && status == kStatusRecordLocked; ++i) {
    status = h.Read(kOpGetEqual + kLockBias, key, 0);
    if (status == kStatusRecordLocked) usleep(10000);
  }
  return status;
}

TEST_P(RecordManagerTest, RecordLocksBetweenProcessesVanishWhenTheHolderIsKilled) {
  Reset();
  int release = -1;
  const std::string path = path_;
  const pid_t holder = StartHolder(
      [path] {
        Handle h;
        if (h.Open(path) != kStatusOk) _exit(3);
        if (h.Read(kOpGetEqual + kLockBias, "AB", 0) != kStatusOk) _exit(4);
      },
      &release);
  ASSERT_GT(holder, 0);
  Handle me;
  ASSERT_EQ(me.Open(path_), kStatusOk);
  EXPECT_EQ(me.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusRecordLocked);
  EXPECT_EQ(me.Read(kOpGetEqual, "AB", 0), kStatusOk);  // a plain read is never refused
  EXPECT_EQ(me.Write(kOpUpdate, "ABy2q--!"), kStatusRecordLocked);
  EXPECT_EQ(me.Read(kOpGetEqual + kLockBias, "BB", 0), kStatusOk);  // another record is free
  kill(holder, SIGKILL);
  int st = 0;
  waitpid(holder, &st, 0);
  close(release);
  // On the server the lock goes when the server sees the connection close,
  // a moment after the process has gone.
  EXPECT_EQ(ReadOnceFree(me, "AB"), kStatusOk);
  EXPECT_EQ(me.Write(kOpUpdate, "ABy2q--!"), kStatusOk);

  // A holder that lets go by reading another record with the bias.
  me.Read(kOpGetEqual + kLockBias, "BB", 0);
  const pid_t second = StartHolder(
      [path] {
        Handle h;
        if (h.Open(path) != kStatusOk) _exit(3);
        if (h.Read(kOpGetEqual + kLockBias, "AB", 0) != kStatusOk) _exit(4);
      },
      &release);
  EXPECT_EQ(me.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusRecordLocked);
  (void)!write(release, "x", 1);
  waitpid(second, &st, 0);
  close(release);
  EXPECT_EQ(ReadOnceFree(me, "AB"), kStatusOk);
}

// A connection the server ends (a restart, a network cut) makes the next
// calls return status 2 at once, and a new open works again.
TEST_P(RecordManagerTest, ALostConnectionGivesStatus2) {
  if (OnDisk()) GTEST_SKIP() << "files on disk have no connection to lose";
  ASSERT_EQ(h_.Read(kOpGetEqual, "AB", 0), kStatusOk);
#if KEP_WITH_POSTGRES
  PGconn* admin = PQconnectdb(server_.c_str());
  const std::string mine = "kep_" + std::to_string(::getpid());
  PQclear(PQexec(
      admin, ("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = '" +
              mine + "'")
                 .c_str()));
  PQfinish(admin);
#endif
  EXPECT_EQ(h_.Read(kOpGetEqual, "AB", 0), kStatusIoError);
  EXPECT_EQ(h_.Write(kOpInsert, "CCv5t---"), kStatusIoError);
  Reset();
  Handle again;
  ASSERT_EQ(again.Open(path_), kStatusOk);
  EXPECT_EQ(again.Read(kOpGetEqual, "CC", 0),
            kStatusKeyNotFound);  // the failed insert wrote nothing
}

TEST_P(RecordManagerTest, UnlockDropsTheLockAndKeepsThePlace) {
  Handle other;
  ASSERT_EQ(other.Open(path_), kStatusOk);
  ASSERT_EQ(h_.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusOk);
  EXPECT_EQ(other.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusRecordLocked);
  EXPECT_EQ(h_.Read(kOpUnlock, "", 0), kStatusOk);
  EXPECT_EQ(other.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusOk);
  EXPECT_EQ(h_.Read(kOpGetNext, "", 0), kStatusOk);
  EXPECT_EQ(h_.Record(), "BBw4s---");
}

// Keys compare as unsigned bytes on both engines: packed digits (0x80 and
// above) sort above letters, and a zero byte is a byte like any other.
TEST_P(RecordManagerTest, KeysCompareAsUnsignedBytes) {
  for (const std::string& r : {std::string("\x80\x81x5t---"), std::string("\x00\x01x6u---", 8),
                               std::string("\xff\x00x7v---", 8)}) {
    ASSERT_EQ(h_.Write(kOpInsert, r), kStatusOk);
  }
  std::string order;
  for (int16_t st = h_.Read(kOpGetGreaterOrEqual, std::string(2, '\0'), 0); st == kStatusOk;
       st = h_.Read(kOpGetNext, "", 0)) {
    order += h_.Record().substr(3, 1);
  }
  EXPECT_EQ(order, "6132457");
}

// A read takes key_length bytes of the key buffer and pads them to the key
// path's length with zero bytes, whatever the buffer holds after them.
TEST_P(RecordManagerTest, AShortKeyIsPaddedWithZeroBytes) {
  char data[64] = {};
  char key[256];
  std::memset(key, 'B', sizeof key);
  key[0] = 'A';
  char pos[kPositionBlockSize] = {};
  std::string owner = "1994";
  uint16_t n = static_cast<uint16_t>(owner.size());
  ASSERT_EQ(RecordManagerCall(kOpOpen, pos, owner.data(), &n, path_.data(),
                              static_cast<uint16_t>(path_.size()), 0),
            kStatusOk);
  uint16_t length = sizeof data;
  ASSERT_EQ(RecordManagerCall(kOpGetGreaterOrEqual, pos, data, &length, key, 1, 0), kStatusOk);
  EXPECT_EQ(std::string(data, length), "AAx1p---");  // "A\0", not "AB"
  length = sizeof data;
  std::memset(key, 'B', sizeof key);
  key[0] = 'A';
  EXPECT_EQ(RecordManagerCall(kOpGetEqual, pos, data, &length, key, 1, 0), kStatusKeyNotFound);
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordManagerTest, ::testing::Values("sqlite", "postgres"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

TEST_P(RecordManagerTest, ABiasedReadDropsThePreviousLockOfTheFile) {
  Handle other;
  ASSERT_EQ(other.Open(path_), kStatusOk);
  ASSERT_EQ(h_.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusOk);
  EXPECT_EQ(other.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusRecordLocked);
  EXPECT_EQ(h_.Read(kOpGetEqual + kLockBias, "QQ", 0), kStatusKeyNotFound);  // fails, still drops
  EXPECT_EQ(other.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusOk);
}

// Every read along a key path with the lock bias holds the record it
// returns, and only that one: another station is refused it, and may take
// the record held before.
TEST_P(RecordManagerTest, BiasedReadsHoldTheRecordTheyReturnAndNoOther) {
  Handle other;
  ASSERT_EQ(other.Open(path_), kStatusOk);
  // Key 1 of a record: byte 5, then byte 3.
  const auto other_can_lock = [&](const std::string& record) {
    const std::string key1 = {record[4], record[2]};
    const int16_t status = other.Read(kOpGetEqual + kLockBias, key1, 1);
    if (status == kStatusOk) {
      EXPECT_EQ(other.Read(kOpUnlock, "", 0), kStatusOk);
    }
    return status == kStatusOk;
  };
  const std::vector<std::string> records = {"AAx1p---", "ABy2q---", "AAz3r---", "BBw4s---"};
  struct Step {
    int16_t op;
    const char* key;
    int16_t key_number;
    int16_t status;
    const char* record;  // null: nothing held
  } steps[] = {
      {kOpGetEqual, "AA", 0, kStatusOk, "AAx1p---"},
      {kOpGetNext, "", 0, kStatusOk, "AAz3r---"},  // a duplicate, by its id
      {kOpGetNext, "", 0, kStatusOk, "ABy2q---"},
      {kOpGetNext, "", 0, kStatusOk, "BBw4s---"},
      {kOpGetNext, "", 0, kStatusEndOfFile, nullptr},
      {kOpGetLessOrEqual, "AA", 0, kStatusOk, "AAz3r---"},
      {kOpGetPrevious, "", 0, kStatusOk, "AAx1p---"},
      {kOpGetPrevious, "", 0, kStatusEndOfFile, nullptr},
      {kOpGetGreaterOrEqual, "AC", 0, kStatusOk, "BBw4s---"},
      {kOpGetEqual, "AC", 0, kStatusKeyNotFound, nullptr},
      {kOpGetGreaterOrEqual, "q", 1, kStatusOk, "ABy2q---"},
      {kOpGetNext, "", 0, kStatusOk, "AAz3r---"},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(h_.Read(s.op + kLockBias, s.key, s.key_number), s.status) << s.op << " " << s.key;
    if (s.record != nullptr) {
      EXPECT_EQ(h_.Record(), s.record) << s.op << " " << s.key;
    }
    for (const std::string& r : records) {
      const bool held = s.record != nullptr && r == s.record;
      EXPECT_EQ(other_can_lock(r), !held) << s.op << " " << s.key << ": " << r;
    }
  }
}

// Two stations take turns on one record: each biased read gives what the
// other last wrote, never a copy read before.
TEST_P(RecordManagerTest, ABiasedReadGivesWhatAnotherStationLastWrote) {
  Handle other;
  ASSERT_EQ(other.Open(path_), kStatusOk);
  ASSERT_EQ(h_.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusOk);
  ASSERT_EQ(other.Read(kOpGetEqual, "AB", 0), kStatusOk);  // seen without the lock
  EXPECT_EQ(other.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusRecordLocked);
  ASSERT_EQ(h_.Write(kOpUpdate, "ABy9q---"), kStatusOk);
  EXPECT_EQ(other.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusRecordLocked);
  ASSERT_EQ(h_.Read(kOpGetEqual + kLockBias, "BB", 0), kStatusOk);  // lets AB go
  ASSERT_EQ(other.Read(kOpGetEqual + kLockBias, "AB", 0), kStatusOk);
  EXPECT_EQ(other.Record(), "ABy9q---");
  ASSERT_EQ(other.Write(kOpUpdate, "ABy8q---"), kStatusOk);
  ASSERT_EQ(other.Read(kOpGetNext + kLockBias, "", 0), kStatusRecordLocked);  // BB is held
  ASSERT_EQ(other.Read(kOpUnlock, "", 0), kStatusOk);
  ASSERT_EQ(h_.Read(kOpGetPrevious + kLockBias, "", 0), kStatusOk);
  EXPECT_EQ(h_.Record(), "ABy8q---");
}

TEST_P(RecordManagerTest, AProcessKilledAmidUpdatesLeavesWholeRecords) {
  Reset();
  // Forty records of one repeated byte; the child rewrites them over and
  // over with the next byte until it is killed.
  const std::string path = File("stream.dat");
  FileSpec file_spec;
  file_spec.record_length = 200;
  KeySpec k0;
  k0.segments = {{1, 2}};
  file_spec.keys = {k0};
  ASSERT_EQ(CreateFile(path, file_spec), kStatusOk);
  {
    Handle h;
    ASSERT_EQ(h.Open(path), kStatusOk);
    for (int i = 0; i < 40; ++i) {
      std::string r(200, 'a');
      r[0] = static_cast<char>('0' + i / 10);
      r[1] = static_cast<char>('0' + i % 10);
      ASSERT_EQ(h.Write(kOpInsert, r), kStatusOk);
    }
    Reset();
  }
  for (int round = 0; round < 5; ++round) {
    const pid_t pid = fork();
    if (pid == 0) {
      Handle h;
      if (h.Open(path) != kStatusOk) _exit(3);
      for (int n = 0;; ++n) {
        for (int i = 0; i < 40; ++i) {
          std::string key = {static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)};
          if (h.Read(kOpGetEqual + kLockBias, key, 0, 200) != kStatusOk) _exit(4);
          std::string r = h.Record();
          const char next = static_cast<char>('a' + (r[2] - 'a' + 1) % 26);
          std::fill(r.begin() + 2, r.end(), next);
          if (h.Write(kOpUpdate, r) != kStatusOk) _exit(5);
        }
      }
    }
    usleep(30000 + round * 20000);
    kill(pid, SIGKILL);
    int st = 0;
    waitpid(pid, &st, 0);
    ASSERT_TRUE(WIFSIGNALED(st)) << "writer ended by itself with " << WEXITSTATUS(st) << " status "
                                 << st;
    Handle check;
    ASSERT_EQ(check.Open(path), kStatusOk);
    int seen = 0;
    for (int16_t s = check.Read(kOpGetGreaterOrEqual + kLockBias, "00", 0, 200); s == kStatusOk;
         s = check.Read(kOpGetNext + kLockBias, "", 0, 200)) {
      const std::string r = check.Record();
      ASSERT_EQ(r.size(), 200u);
      EXPECT_EQ(r.find_first_not_of(r[2], 2), std::string::npos)
          << "torn record " << r.substr(0, 2);
      ++seen;
    }
    EXPECT_EQ(seen, 40);
    Reset();
  }
}

}  // namespace
}  // namespace storage
