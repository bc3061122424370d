// The SQLite engine's commit mark, on which a read with the lock bias
// relies to know that nothing was committed between its select and its
// lock: it must move with every commit of every other connection, in this
// process or another, and stay put while nothing is committed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "storage/sqlite_engine.h"
#include "testing/temp_dir.h"

namespace storage {
namespace {

FileSpec OneKeySpec() {
  FileSpec file_spec;
  file_spec.record_length = 4;
  KeySpec k0;
  k0.segments = {{1, 2}};
  file_spec.keys = {k0};
  return file_spec;
}

int16_t Put(EngineFile& file, int64_t id, const std::string& record, bool in_transaction = false) {
  const std::vector<std::string> keys{record.substr(0, 2)};
  int64_t written = 0;
  return file.Write(RowWrite{id, record, keys, in_transaction}, &written);
}

int16_t SelectAll(EngineFile& file) {
  static const std::set<int64_t> none;
  RowQuery query;
  query.comparison = KeyComparison::kGreaterOrEqual;
  query.key = "\0\0";
  query.excluded = &none;
  query.limit = 10;
  std::vector<StoredRow> rows;
  return file.SelectRows(query, &rows);
}

TEST(SqliteCommitMarkTest, MovesWithEveryCommitOfAnotherConnectionAndOnlyThen) {
  testing_support::TempDir dir;
  const std::string path = dir.prefix() + "marked.dat";
  const std::unique_ptr<Engine> engine = sqlite::FileEngine(path);
  ASSERT_EQ(engine->Create(OneKeySpec(), true), kStatusOk);
  std::unique_ptr<EngineFile> reader, writer;
  ASSERT_EQ(engine->Open("1994", &reader), kStatusOk);
  ASSERT_EQ(engine->Open("1994", &writer), kStatusOk);
  ASSERT_EQ(Put(*writer, 0, "AA-1"), kStatusOk);
  ASSERT_EQ(SelectAll(*reader), kStatusOk);
  const std::optional<uint64_t> first = reader->CommitMark();
  ASSERT_TRUE(first.has_value()) << "a file in WAL mode has a mark once read";
  ASSERT_EQ(SelectAll(*reader), kStatusOk);
  EXPECT_EQ(reader->CommitMark(), first) << "reads commit nothing";

  ASSERT_EQ(Put(*writer, 1, "AA-2"), kStatusOk);
  const std::optional<uint64_t> second = reader->CommitMark();
  EXPECT_NE(second, first) << "a commit of another connection";

  ASSERT_EQ(writer->BeginTransaction(), kStatusOk);
  ASSERT_EQ(Put(*writer, 1, "AA-3", true), kStatusOk);
  EXPECT_EQ(reader->CommitMark(), second) << "written, not yet committed";
  ASSERT_EQ(writer->EndTransaction(), kStatusOk);
  const std::optional<uint64_t> third = reader->CommitMark();
  EXPECT_NE(third, second);

  // Another process, as another station is.
  const pid_t child = ::fork();
  if (child == 0) {
    std::unique_ptr<EngineFile> station;
    const bool ok = sqlite::FileEngine(path)->Open("1994", &station) == kStatusOk &&
                    Put(*station, 1, "AA-4") == kStatusOk;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(reader->CommitMark(), third) << "a commit of another process";
}

}  // namespace
}  // namespace storage
