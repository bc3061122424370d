// The sample installation on the files of today and on a PostgreSQL server:
// a mode "A" run gives the same bytes in every record of every file, and the
// same operations log.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "testing/processes.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"
#include "testing/test_server.h"

namespace {

using namespace testing_support;

TEST(BothEngines, AWriteBackGivesTheSameRecordsOnBoth) {
  const std::string server = TestServer();
  if (server.empty()) GTEST_SKIP() << kNoTestServer;
  TempDir dir;
  const std::string schema = "eq_" + std::to_string(::getpid());
  BuildSampleInstallation(dir, "files");
  BuildSampleInstallation(dir, "server", server, schema);
  Snapshot after[2];
  int i = 0;
  for (const char* root : {"files", "server"}) {
    WriteStation(dir, std::string("tmp_") + root, "A", "CAT");
    const Ending e = WaitForProcess(
        StartProcess(ToolPath("mirtosek"), {},
                     MirtosekEnvironment(dir.path() + "/" + root + "/", dir.path() + "/exe/",
                                         dir.path() + "/tmp_" + root),
                     dir.path() + "/stderr"),
        std::chrono::seconds(120));
    ASSERT_EQ(e.exit_status, 0) << dir.Read("stderr");
    after[i++] = TakeSnapshot(dir.path() + "/" + root + "/");
  }
  for (const auto& [file, records] : after[1]) EXPECT_EQ(records.open_status, 0) << file;
  EXPECT_EQ(DifferingFiles(RecordContents(after[1]), RecordContents(after[0])), "");
  EXPECT_EQ(dir.Read("server/db.log"), dir.Read("files/db.log"));
  size_t records = 0;
  for (const auto& [file, r] : after[1]) records += r.by_position.size();
  EXPECT_GT(records, 80u);
  ReportFigure("both engines: " + std::to_string(records) + " records equal after mode A");
  DropSchema(server, schema);
}

}  // namespace
