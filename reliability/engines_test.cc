// The sample installation on the files of today and on a PostgreSQL server:
// a mode "A" run gives the same bytes in every record of every file, and the
// same operations log.
#include <gtest/gtest.h>

#include <algorithm>
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

// The server named as a URI, as libpq also accepts it, and a server that
// refuses: its own words reach the user.
TEST(BothEngines, AServerNamedByAUriWorksAndARefusalSaysWhy) {
  const std::string server = TestServer();
  if (server.empty()) GTEST_SKIP() << kNoTestServer;
  auto value = [&](const std::string& key) {
    const size_t at = server.find(key + "=");
    if (at == std::string::npos) return std::string();
    const size_t from = at + key.size() + 1;
    return server.substr(from, server.find(' ', from) - from);
  };
  const std::string uri = "postgresql://" + value("user") + "@" + value("host") + ":" +
                          value("port") + "/" + value("dbname");
  TempDir dir;
  const std::string schema = "uri_" + std::to_string(::getpid());
  BuildSampleInstallation(dir, "inst", uri, schema);
  const std::string csv = RunTool({"export", dir.path() + "/inst/", "DepartaV"});
  EXPECT_GT(std::count(csv.begin(), csv.end(), '\n'), 30);
  DropSchema(server, schema);

  const Ending e = WaitForProcess(StartProcess(ToolPath("kepdata"),
                                               {"init", dir.path() + "/refused", "--server",
                                                "postgresql://nobody@127.0.0.1:1/none"},
                                               {}, dir.path() + "/stderr"),
                                  std::chrono::seconds(60));
  EXPECT_EQ(e.exit_status, 1);
  EXPECT_NE(dir.Read("stderr").find(
                "the PostgreSQL server cannot be used: connection to server at \"127.0.0.1\", "
                "port 1 failed: Connection refused"),
            std::string::npos)
      << dir.Read("stderr");
}

}  // namespace
