// The undo of a write-back and what shows it beforehand, on both engines,
// with the programs run as processes: the snapshot mode "A" takes and
// `kepdata restore` puts back, a restore refused while a station works, a
// run killed while it takes its snapshot, the preview against the run that
// follows it, and the results table against the report.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/session_settings.h"
#include "datatool/csv.h"
#include "storage/lock_files.h"
#include "storage/snapshots.h"
#include "testing/processes.h"
#include "testing/record_holder.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"
#include "testing/test_server.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr std::chrono::seconds kRunLimit{120};

// A table as `kepdata export` writes it, by unit ("0001.0003") and column.
using Table = std::map<std::string, std::map<std::string, std::string>>;

Table Exported(const std::string& root, const std::string& table) {
  const std::string csv = RunTool({"export", root, table});
  std::vector<datatool::CsvRow> rows;
  std::string err;
  EXPECT_TRUE(datatool::ParseCsv(csv, &rows, &err)) << err;
  Table out;
  for (size_t r = 1; r < rows.size(); ++r) {
    std::map<std::string, std::string> row;
    for (size_t c = 0; c < rows[0].fields.size() && c < rows[r].fields.size(); ++c) {
      row[rows[0].fields[c]] = rows[r].fields[c];
    }
    out[row["building"] + "." + row["unit"]] = row;
  }
  return out;
}

std::vector<std::vector<std::string>> CsvLines(const std::string& text) {
  std::vector<datatool::CsvRow> rows;
  std::string err;
  EXPECT_TRUE(datatool::ParseCsv(text, &rows, &err)) << err;
  std::vector<std::vector<std::string>> out;
  for (const datatool::CsvRow& r : rows) out.push_back(r.fields);
  return out;
}

class UndoTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "postgres") {
      server_ = TestServer();
      if (server_.empty()) GTEST_SKIP() << kNoTestServer;
      schema_ = "undo_" + std::to_string(::getpid());
    }
    BuildSampleInstallation(dir_, "inst", server_, schema_);
    fs::create_directories(dir_.path() + "/tmp");
    fs::create_directories(dir_.path() + "/work");
  }
  void TearDown() override {
    if (!server_.empty()) DropSchema(server_, schema_);
  }

  std::string Root() const { return dir_.path() + "/inst/"; }

  // mirtosek with options on the installation, report date 15/03/2024;
  // returns the exit status, standard error in *err.
  int Run(std::vector<std::string> options, std::string* err,
          const std::vector<std::string>& env = {}) const {
    std::vector<std::string> args = {"--root",     Root(),         "--date",
                                     "15/03/2024", "--last-month", "11"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<std::string> environment = {"TMPDIR=" + dir_.path() + "/tmp"};
    environment.insert(environment.end(), env.begin(), env.end());
    const Ending e = WaitForProcess(
        StartProcessIn(ToolPath("mirtosek"), args, environment, {"KEPROOT", "KEPEXE", "KEPTMP"},
                       dir_.path() + "/work", dir_.path() + "/out", dir_.path() + "/err"),
        kRunLimit);
    EXPECT_FALSE(e.timed_out);
    *err = dir_.Read("err");
    return e.signal != 0 ? -e.signal : e.exit_status;
  }

  // kepdata as a process (its messages and status as a user sees them).
  int Tool(const std::vector<std::string>& args, std::string* out, std::string* err) const {
    const Ending e =
        WaitForProcess(StartProcessIn(ToolPath("kepdata"), args, {}, {}, dir_.path(),
                                      dir_.path() + "/tool.out", dir_.path() + "/tool.err"),
                       kRunLimit);
    *out = dir_.Read("tool.out");
    *err = dir_.Read("tool.err");
    return e.exit_status;
  }

  std::vector<storage::SnapshotInfo> Snapshots() const { return storage::ListSnapshots(Root()); }

  TempDir dir_;
  std::string server_;
  std::string schema_;
};

TEST_P(UndoTest, ASnapshotRestoredGivesBackEveryRecordAsItWas) {
  const auto before = RecordsByPosition(Root());
  std::string err;
  ASSERT_EQ(Run({"--mode", "A"}, &err), 0) << err;
  const std::vector<storage::SnapshotInfo> taken = Snapshots();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_NE(err.find("snapshot before the write-back              " + taken[0].name),
            std::string::npos)
      << err;
  EXPECT_EQ(taken[0].engine, server_.empty() ? "sqlite" : "postgres");
  EXPECT_EQ(taken[0].written_units, 27);
  const auto written = RecordsByPosition(Root());
  ASSERT_NE(written, before);

  // A second write-back of the same update dates is said, and snapshotted.
  ASSERT_EQ(Run({"--mode", "A"}, &err), 0) << err;
  EXPECT_NE(err.find("27 units had been written back before for the same update date"),
            std::string::npos)
      << err;
  ASSERT_EQ(Snapshots().size(), 2u);
  EXPECT_NE(RecordsByPosition(Root()), written);

  std::string out;
  ASSERT_EQ(Tool({"snapshots", Root()}, &out, &err), 0) << err;
  EXPECT_NE(out.find(taken[0].name + "  taken "), std::string::npos) << out;
  const std::string log_before = dir_.Read("inst/db.log");
  ASSERT_EQ(Tool({"restore", Root(), taken[0].name}, &out, &err), 0) << err;
  EXPECT_EQ(RecordsByPosition(Root()), before);
  const std::string log = dir_.Read("inst/db.log");
  EXPECT_EQ(log.substr(log_before.size()),
            storage::OperationsLogLine(507, 14, 0) + storage::OperationsLogLine(508, 14, 0));

  // The write-backs it undid no longer count as done.
  ASSERT_EQ(Run({"--mode", "A"}, &err), 0) << err;
  EXPECT_EQ(err.find("written back before"), std::string::npos) << err;
  EXPECT_EQ(RecordsByPosition(Root()), written);

  EXPECT_NE(Tool({"restore", Root(), "20000101-000000-1"}, &out, &err), 0);
  EXPECT_NE(err.find("no complete snapshot \"20000101-000000-1\""), std::string::npos) << err;
  EXPECT_NE(Tool({"restore", Root(), "../inst"}, &out, &err), 0);
}

TEST_P(UndoTest, ARestoreWaitsForTheStationsThatHoldLocks) {
  std::string err, out;
  ASSERT_EQ(Run({"--mode", "A"}, &err), 0) << err;
  const std::string name = Snapshots().at(0).name;
  const auto written = RecordsByPosition(Root());

  // A station rewriting a building: its lock entry, minutes old.
  std::string entry(storage::kLockEntrySize, ' ');
  entry.replace(0, 7, "ALTRAPC");
  entry.replace(15, 4, "4242");
  const std::string now = std::to_string(storage::LockClock() - 2);
  entry.replace(26, now.size(), now);
  entry.replace(34, 1, "K");
  entry.replace(35, 1, "4");
  entry.replace(37, 4, "0001");
  entry.replace(77, 1, "4");
  entry.replace(79, 4, "0001");
  entry.replace(119, 2, "\r\n");
  dir_.Write("inst/LOCKS/DepartaV.lck", entry);
  EXPECT_EQ(Tool({"restore", Root(), name}, &out, &err), 1);
  EXPECT_NE(err.find("a workstation holds a lock entry of DepartaV"), std::string::npos) << err;
  EXPECT_EQ(RecordsByPosition(Root()), written);

  // Minutes old, of a station of this computer that has ended: gone.
  const std::string computer = base::ComputerName().substr(0, 15);
  if (!computer.empty()) {
    std::string ended = entry;
    ended.replace(0, 15, std::string(15, ' ')).replace(0, computer.size(), computer);
    dir_.Write("inst/LOCKS/4242.sta", "");
    dir_.Write("inst/LOCKS/DepartaV.lck", ended);
    RecordHolder holder(Root() + "DADES/TranLauV.dat", "");  // stops the restore after the check
    ASSERT_TRUE(holder.Holds());
    EXPECT_EQ(Tool({"restore", Root(), name}, &out, &err), 1);
    EXPECT_NE(err.find("a workstation holds a record of"), std::string::npos)
        << "the lock entry of an ended station held the restore up: " << err;
    holder.Release();
  }

  // Half an hour old: a station that is gone.
  const std::string stale = std::to_string(storage::LockClock() - storage::kStaleMinutes - 1);
  entry.replace(26, 8, std::string(8, ' ')).replace(26, stale.size(), stale);
  dir_.Write("inst/LOCKS/DepartaV.lck", entry);

  // A program holding a record of the file.
  RecordHolder holder(Root() + "DADES/TranLauV.dat", "");
  ASSERT_TRUE(holder.Holds());
  EXPECT_EQ(Tool({"restore", Root(), name}, &out, &err), 1);
  EXPECT_NE(err.find("a workstation holds a record of"), std::string::npos) << err;
  EXPECT_EQ(RecordsByPosition(Root()), written);
  holder.Release();

  ASSERT_EQ(Tool({"restore", Root(), name}, &out, &err), 0) << err;
  EXPECT_NE(RecordsByPosition(Root()), written);
}

TEST_P(UndoTest, ARunKilledWhileTakingItsSnapshotLeavesNothingToRestore) {
  const auto before = RecordsByPosition(Root());
  const std::string log = dir_.Read("inst/db.log");
  // The snapshot's fault points come first: one per file copied on disk,
  // then the one before the snapshot is complete.
  const int points = server_.empty() ? 3 : 1;
  for (int point = 1; point <= points; ++point) {
    SCOPED_TRACE("killed at point " + std::to_string(point));
    std::string err;
    EXPECT_EQ(Run({"--mode", "A"}, &err, {"KEP_FAULT_KILL_AT=" + std::to_string(point)}), -SIGKILL)
        << err;
    EXPECT_EQ(RecordsByPosition(Root()), before);
    EXPECT_EQ(dir_.Read("inst/db.log"), log);
    EXPECT_TRUE(Snapshots().empty());
    for (const fs::directory_entry& e : fs::directory_iterator(Root() + "SNAPSHOTS")) {
      std::string out;
      EXPECT_EQ(Tool({"restore", Root(), e.path().filename().string()}, &out, &err), 1);
      EXPECT_NE(err.find("no complete snapshot"), std::string::npos) << err;
    }
  }
  // The next run takes its snapshot and writes back as if nothing happened.
  std::string err;
  ASSERT_EQ(Run({"--mode", "A"}, &err), 0) << err;
  EXPECT_EQ(Snapshots().size(), 1u);
}

TEST_P(UndoTest, ARunThatCannotTakeItsSnapshotWritesNothing) {
  const auto before = RecordsByPosition(Root());
  const std::string log = dir_.Read("inst/db.log");
  dir_.Write("inst/SNAPSHOTS", "a file where the folder should be");
  std::string err;
  EXPECT_EQ(Run({"--mode", "A"}, &err), 1);
  EXPECT_NE(
      err.find(
          "mirtosek: the snapshot before the write-back cannot be taken, so nothing was written: "),
      std::string::npos)
      << err;
  EXPECT_EQ(RecordsByPosition(Root()), before);
  EXPECT_EQ(dir_.Read("inst/db.log"), log);
  // A report takes no snapshot and needs none.
  EXPECT_EQ(Run({"--mode", "I", "-o", dir_.path() + "/r.txt"}, &err), 0) << err;
}

TEST_P(UndoTest, APreviewListsWhatTheWriteBackThenWrites) {
  const Table units = Exported(Root(), "DepartaV");
  const Table transitions = Exported(Root(), "TranLauV");
  const auto before = RecordsByPosition(Root());
  const std::string log = dir_.Read("inst/db.log");
  std::string err;
  ASSERT_EQ(Run({"--mode", "A", "--preview", dir_.path() + "/preview.csv"}, &err), 0) << err;
  EXPECT_NE(err.find("previewed, nothing written                       27"), std::string::npos)
      << err;
  EXPECT_EQ(RecordsByPosition(Root()), before);
  EXPECT_EQ(dir_.Read("inst/db.log"), log);
  EXPECT_TRUE(Snapshots().empty());
  const std::vector<std::vector<std::string>> preview = CsvLines(dir_.Read("preview.csv"));
  ASSERT_GT(preview.size(), 27u);
  EXPECT_EQ(preview[0], (std::vector<std::string>{"unit", "file", "field", "old", "new",
                                                  "transition_inserted"}));

  ASSERT_EQ(Run({"--mode", "A"}, &err), 0) << err;
  const Table units_after = Exported(Root(), "DepartaV");
  const Table transitions_after = Exported(Root(), "TranLauV");
  // Every row is a change the run made, from the value before.
  std::set<std::string> listed;
  std::set<std::string> previewed_units;
  for (size_t i = 1; i < preview.size(); ++i) {
    const std::vector<std::string>& row = preview[i];
    ASSERT_EQ(row.size(), 6u);
    SCOPED_TRACE(row[0] + " " + row[1] + " " + row[2]);
    const bool unit_file = row[1] == "DepartaV";
    const Table& after = unit_file ? units_after : transitions_after;
    const Table& was = unit_file ? units : transitions;
    ASSERT_EQ(after.count(row[0]), 1u);
    EXPECT_EQ(after.at(row[0]).at(row[2]), row[4]);
    EXPECT_EQ(row[5], transitions.count(row[0]) == 0 ? "yes" : "no");
    if (was.count(row[0]) != 0) {
      EXPECT_EQ(was.at(row[0]).at(row[2]), row[3]);
    }
    listed.insert(row[0] + "/" + row[1] + "/" + row[2]);
    previewed_units.insert(row[0]);
  }
  // Every change the run made is listed; a transition record it inserted
  // belongs to a unit of the preview.
  size_t changes = 0;
  const std::vector<std::tuple<std::string, const Table*, const Table*>> files = {
      {"DepartaV", &units, &units_after}, {"TranLauV", &transitions, &transitions_after}};
  for (const auto& [file, was, after] : files) {
    for (const auto& [unit, columns] : *after) {
      if (was->count(unit) == 0) {
        EXPECT_EQ(previewed_units.count(unit), 1u) << unit;
        continue;
      }
      for (const auto& [column, value] : columns) {
        if (was->at(unit).at(column) == value) continue;
        ++changes;
        EXPECT_EQ(listed.count(unit + "/" + file + "/" + column), 1u)
            << unit << " " << file << " " << column;
      }
    }
  }
  EXPECT_GT(changes, 20u);
  EXPECT_EQ(previewed_units.size(), 27u);

  EXPECT_EQ(Run({"--mode", "I", "--preview", dir_.path() + "/p.csv"}, &err), 2);
  EXPECT_NE(err.find("--preview: the preview is of mode A's write-back"), std::string::npos) << err;
}

// The figures of the results table, written as the Catalan report writes
// amounts ("1.045'29") and indices ("113'308"), each in its unit's part of
// the report.
std::string AsReported(const std::string& decimal) {
  const size_t dot = decimal.find('.');
  std::string whole = decimal.substr(0, dot);
  for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3)
    whole.insert(static_cast<size_t>(at), ".");
  return whole + "'" + decimal.substr(dot + 1);
}

// Justified lines hold runs of blanks, and sentences run over lines.
std::string Collapsed(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n';
    if (blank && !out.empty() && out.back() == ' ') continue;
    out += blank ? ' ' : c;
  }
  return out;
}

bool IsUnitLine(const std::string& text, size_t at) {
  return text.size() > at + 7 &&
         text.substr(at, 6).find_first_not_of("0123456789") == std::string::npos &&
         text[at + 6] == ' ';
}

// A unit's part of the report's text: its unit line ("001003 ...") and what
// follows up to the next unit line.
std::string UnitPart(const std::string& report, const std::string& receipt) {
  const size_t start = report.find("\n" + receipt + " ");
  if (start == std::string::npos) return "";
  size_t end = report.find('\n', start + 1);
  while (end != std::string::npos && !IsUnitLine(report, end + 1)) end = report.find('\n', end + 1);
  return report.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST_P(UndoTest, TheResultsTableHoldsTheReportsFigures) {
  std::string err;
  ASSERT_EQ(
      Run({"--results", dir_.path() + "/results.csv", "--output", dir_.path() + "/report.txt"},
          &err),
      0)
      << err;
  const std::string report = dir_.Read("report.txt");
  const std::vector<std::vector<std::string>> rows = CsvLines(dir_.Read("results.csv"));
  ASSERT_EQ(rows.size(), 31u);  // the header and the 30 units with paragraphs
  const std::vector<std::string>& header = rows[0];
  auto column = [&](const char* name) {
    return static_cast<size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  int figures = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    const std::vector<std::string>& row = rows[i];
    ASSERT_EQ(row.size(), header.size());
    SCOPED_TRACE(row[0]);
    const std::string part = Collapsed(UnitPart(report, row[0].substr(1, 3) + row[0].substr(6, 3)));
    ASSERT_FALSE(part.empty());
    EXPECT_NE(part.find(row[column("tenant")]), std::string::npos);
    for (const char* figure : {"contractual_rent", "revalued_rent", "latest_index", "base_index",
                               "updated_rent", "increment", "cadastral_ceiling", "rent_paid"}) {
      const std::string value = row[column(figure)];
      if (value.empty() || row[column("steps")] == "0") continue;
      EXPECT_NE(part.find(AsReported(value)), std::string::npos) << figure << " " << value << "\n"
                                                                 << part;
      ++figures;
    }
    if (row[column("steps")] == "0") {
      EXPECT_EQ(row[column("increment")], "0.00");
      EXPECT_NE(part.find("No correspon increment"), std::string::npos) << part;
    }
  }
  EXPECT_GT(figures, 80);
}

// The suite's menu starts mirtosek without options: the terminal's settings
// ask for the preview and the results table.
TEST_P(UndoTest, TheMenusWayAsksForThemInTheTerminalsSettings) {
  fs::create_directories(dir_.path() + "/station");
  const std::string settings = "[Sistema]\r\nSortida=NUL\r\n[Mirtosek]\r\nPrevisio=" + dir_.path() +
                               "/menu_preview.csv\r\nResultats=" + dir_.path() +
                               "/menu_results.csv\r\n";
  WriteStation(dir_, "station", "A", "CAT");
  dir_.Write("station/VornTerm.ini", settings);
  const auto before = RecordsByPosition(Root());
  const Ending e = WaitForProcess(
      StartProcess(ToolPath("mirtosek"), {},
                   MirtosekEnvironment(Root(), dir_.path() + "/exe/", dir_.path() + "/station"),
                   dir_.path() + "/menu.err"),
      kRunLimit);
  ASSERT_EQ(e.exit_status, 0) << dir_.Read("menu.err");
  EXPECT_EQ(RecordsByPosition(Root()), before);
  std::string err;
  ASSERT_EQ(Run({"--mode", "A", "--preview", dir_.path() + "/preview.csv", "--results",
                 dir_.path() + "/results.csv"},
                &err),
            0)
      << err;
  EXPECT_EQ(dir_.Read("menu_preview.csv"), dir_.Read("preview.csv"));
  EXPECT_EQ(dir_.Read("menu_results.csv"), dir_.Read("results.csv"));
  EXPECT_GT(CsvLines(dir_.Read("menu_results.csv")).size(), 20u);

  // A preview asked for a report is refused before anything is read.
  WriteStation(dir_, "station", "I", "CAT");
  dir_.Write("station/VornTerm.ini", settings);
  const Ending refused = WaitForProcess(
      StartProcess(ToolPath("mirtosek"), {},
                   MirtosekEnvironment(Root(), dir_.path() + "/exe/", dir_.path() + "/station"),
                   dir_.path() + "/menu.err"),
      kRunLimit);
  EXPECT_EQ(refused.exit_status, 2);
  EXPECT_NE(dir_.Read("menu.err")
                .find("VornTerm.ini [Mirtosek] Previsio: the preview is of mode A's write-back"),
            std::string::npos)
      << dir_.Read("menu.err");
}

INSTANTIATE_TEST_SUITE_P(Engines, UndoTest, ::testing::Values("sqlite", "postgres"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
