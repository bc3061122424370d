// mirtosek run as a person runs it: options instead of "pent.tmp", no
// KEPTMP or KEPEXE in the environment. A table of every option and of every
// bad value, each run as a separate process in a fresh copy of the sample
// installation, checking the exit status, the message, standard output and
// that a run that had to stop wrote nothing at all.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "testing/file_tree.h"
#include "testing/processes.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// What a row's run left, for its check.
struct Outcome {
  const TempDir& dir;
  int exit_status;
  std::string out;  // standard output
  std::string err;  // standard error
  std::string Read(const std::string& relative) const { return dir.Read(relative); }
  bool Exists(const std::string& relative) const { return fs::exists(dir.path() + "/" + relative); }
};

struct Row {
  const char* what;
  std::vector<std::string> args;  // "@" stands for the row's folder
  int exit_status;
  const char* message;  // a part of standard error
  std::function<void(const Outcome&)> check = nullptr;
};

constexpr const char* kUsage = "usage: mirtosek [--date DATE]";

// The report date as the report's heading writes it: 5/3/2026.
std::string TodayAsReported() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return std::to_string(t.tm_mday) + "/" + std::to_string(t.tm_mon + 1) + "/" +
         std::to_string(t.tm_year + 1900);
}

// The unit lines of a report's text: their receipt numbers ("001001").
std::vector<std::string> ReportedUnits(const std::string& text) {
  std::vector<std::string> units;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line =
        text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (line.size() > 6 && line.find_first_not_of("0123456789") == 6 && line[6] == ' ') {
      units.push_back(line.substr(0, 6));
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return units;
}

// The number a line of the run summary shows ("  letters merged   27").
long SummaryCount(const std::string& err, const std::string& label) {
  const size_t at = err.find("  " + label + " ");
  if (at == std::string::npos) return -1;
  return std::stol(err.substr(err.find_first_not_of(' ', at + 2 + label.size())));
}

void ExpectReportOfUnits(const Outcome& r, const std::string& first, const std::string& last,
                         size_t count) {
  const std::vector<std::string> units = ReportedUnits(r.Read("work/report.txt"));
  ASSERT_EQ(units.size(), count) << r.err;
  EXPECT_EQ(units.front(), first);
  EXPECT_EQ(units.back(), last);
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // Not a run: the usage line, and nothing read or written.
      {"an unknown option",
       {"--root", "@/inst", "--bogus"},
       2,
       "mirtosek: unknown option \"--bogus\"\nusage:"},
      {"an unknown short option", {"-x"}, 2, "unknown option \"-x\""},
      {"a stray argument",
       {"--root", "@/inst", "report"},
       2,
       "mirtosek: unexpected argument \"report\""},
      {"an option without its value",
       {"--root", "@/inst", "--date"},
       2,
       "option \"--date\" needs a value"},
      {"a short option without its value", {"-m"}, 2, "option \"-m\" needs a value"},
      // Unusable values: one message naming the option and the value.
      {"a date of month 13",
       {"--root", "@/inst", "--date", "45/13/2025"},
       2,
       "mirtosek: --date: report date \"45/13/2025\" is not a calendar date"},
      {"31 February",
       {"--date", "31/02/2025"},
       2,
       "--date: report date \"31/02/2025\" is not a calendar date"},
      {"30 February in ISO form",
       {"--date", "2025-02-30"},
       2,
       "--date: report date \"2025-02-30\" is not a calendar date"},
      {"a date of words",
       {"-d", "yesterday"},
       2,
       "--date: report date \"yesterday\" is not a date"},
      {"a building of letters",
       {"--from", "abc"},
       2,
       "--from: first building code \"abc\" is not a code of up to four digits"},
      {"a key of three groups",
       {"--from", "1.2.3"},
       2,
       "--from: first unit code \"2.3\" is not a code"},
      {"a building of five digits",
       {"--to", "12345"},
       2,
       "--to: last building code \"12345\" is not a code"},
      {"a unit of letters", {"--to", "7.x"}, 2, "--to: last unit code \"x\" is not a code"},
      {"a first building of letters",
       {"--first-building", "x"},
       2,
       "--first-building: first building code \"x\""},
      {"a first unit of five digits",
       {"--first-unit", "99999"},
       2,
       "--first-unit: first unit code \"99999\""},
      {"a negative last building",
       {"--last-building", "-1"},
       2,
       "--last-building: last building code \"-1\""},
      {"a dotted last unit", {"--last-unit", "1.5"}, 2, "--last-unit: last unit code \"1.5\""},
      {"month 13",
       {"--first-month", "13"},
       2,
       "--first-month: first anniversary month \"13\" is not a month from 1 to 12"},
      {"month 0",
       {"--last-month", "0"},
       2,
       "--last-month: last anniversary month \"0\" is not a month"},
      {"a month of letters",
       {"--first-month", "xx"},
       2,
       "--first-month: first anniversary month \"xx\""},
      {"an unknown mode",
       {"--mode", "X"},
       2,
       "--mode: run mode \"X\" is not \"A\", \"I\" or \"C\""},
      {"an unknown language",
       {"--lang", "eng"},
       2,
       "--lang: language \"ENG\" is not CAT, SPA, GLG or OCI"},
      {"an output in a missing folder",
       {"--output", "@/none/report.pdf"},
       2,
       "--output: the folder"},
      {"an output that is a folder", {"--output", "@/work"}, 2, "is a folder, not a file"},
      {"letters without a template",
       {"--mode", "C", "--letters"},
       2,
       "--template: the letters of mode C need a template"},
      {"a data root that does not exist",
       {"--root", "@/none"},
       1,
       "the data root cannot be entered"},

      // Help and version: standard output, nothing else.
      {"--help",
       {"--help"},
       0,
       "",
       [](const Outcome& r) {
         EXPECT_EQ(r.out.rfind(kUsage, 0), 0u);
         for (const char* option : {"--date",
                                    "--from",
                                    "--to",
                                    "--first-building",
                                    "--first-unit",
                                    "--last-building",
                                    "--last-unit",
                                    "--first-month",
                                    "--last-month",
                                    "--mode",
                                    "--template",
                                    "--letters-housing",
                                    "--letters-premises-person",
                                    "--letters-premises-other",
                                    "--letters",
                                    "--root",
                                    "--output",
                                    "--lang",
                                    "--version",
                                    "Exit status"}) {
           EXPECT_NE(r.out.find(option), std::string::npos) << option;
         }
       }},
      {"-h before a bad value",
       {"-h", "--mode", "X"},
       0,
       "",
       [](const Outcome& r) { EXPECT_EQ(r.out.rfind(kUsage, 0), 0u); }},
      {"--version",
       {"--version"},
       0,
       "",
       [](const Outcome& r) { EXPECT_EQ(r.out, "mirtosek 1.0\n"); }},
      {"-V", {"-V"}, 0, "", [](const Outcome& r) { EXPECT_EQ(r.out, "mirtosek 1.0\n"); }},

      // Runs.
      {"the defaults: today, every unit, months 1 to 12, mode I",
       {"--root", "@/inst"},
       0,
       "mirtosek: run summary, mode I",
       [](const Outcome& r) {
         const std::string text = r.Read("work/report.txt");
         EXPECT_NE(text.find("INFORME DE SITUACIÓ A " + TodayAsReported()), std::string::npos);
         EXPECT_TRUE(r.Exists("work/report.pdf"));
         EXPECT_EQ(SummaryCount(r.err, "selected by the key range"), 31);
         EXPECT_EQ(ReportedUnits(text).size(),
                   static_cast<size_t>(SummaryCount(r.err, "with paragraphs")));
       }},
      {"short options",
       {"-r", "@/inst", "-d", "15/03/2024", "-m", "i", "-l", "spa", "-o", "@/out/r.txt"},
       0,
       "",
       [](const Outcome& r) {
         EXPECT_NE(r.Read("out/r.txt").find("INFORME DE SITUACIÓN A 15/3/2024"), std::string::npos);
         EXPECT_FALSE(r.Exists("out/r.pdf"));
       }},
      {"--date in ISO form and --lang",
       {"--root", "@/inst", "--date", "2024-03-15", "--lang", "GLG"},
       0,
       "",
       [](const Outcome& r) {
         EXPECT_NE(r.Read("work/report.txt").find("15/3/2024"), std::string::npos);
       }},
      {"--output of a PDF with its text beside it",
       {"--root", "@/inst", "--output", "@/out/situacio.pdf"},
       0,
       "",
       [](const Outcome& r) {
         EXPECT_TRUE(r.Exists("out/situacio.pdf"));
         EXPECT_NE(r.Read("out/situacio.txt").find("INFORME DE SITUACIÓ"), std::string::npos);
         EXPECT_FALSE(r.Exists("work/report.pdf"));
       }},
      {"--from and --to of whole buildings",
       {"--root", "@/inst", "--from", "2", "--to", "2"},
       0,
       "",
       [](const Outcome& r) {
         ExpectReportOfUnits(r, "002001", "002005", 5);
         EXPECT_EQ(SummaryCount(r.err, "selected by the key range"), 5);
       }},
      {"--from and --to in the dotted form",
       {"--root", "@/inst", "--from", "0001.0003", "--to", "3.2"},
       0,
       "",
       [](const Outcome& r) {
         EXPECT_EQ(SummaryCount(r.err, "selected by the key range"), 6 + 5 + 2);
       }},
      {"the four codes one by one",
       {"--root", "@/inst", "--first-building", "0002", "--first-unit", "2", "--last-building", "2",
        "--last-unit", "4"},
       0,
       "",
       [](const Outcome& r) { ExpectReportOfUnits(r, "002002", "002004", 3); }},
      {"a first key above the last",
       {"--root", "@/inst", "--from", "3", "--to", "2"},
       0,
       "mirtosek: the first unit 0003.0000 lies above the last 0002.9999: the range selects no "
       "unit",
       [](const Outcome& r) { EXPECT_EQ(SummaryCount(r.err, "selected by the key range"), 0); }},
      {"one-digit months",
       {"--root", "@/inst", "--first-month", "1", "--last-month", "3"},
       0,
       "",
       [](const Outcome& r) {
         // January to March: "1" is January, not October.
         const long in_window = SummaryCount(r.err, "in the month window");
         EXPECT_GT(in_window, 0);
         EXPECT_LT(in_window, 30);
       }},
      {"months after one another",
       {"--root", "@/inst", "--first-month", "12", "--last-month", "1"},
       0,
       "the first anniversary month 12 comes after the last 01: the month window selects no unit"},
      {"mode C without letters",
       {"--root", "@/inst", "--mode", "C"},
       0,
       "mode C without --letters",
       [](const Outcome& r) { EXPECT_EQ(SummaryCount(r.err, "letters merged"), 0); }},
      {"mode C with every letter",
       {"--root", "@/inst", "--mode", "C", "--letters", "--template", "CARTA"},
       0,
       "",
       [](const Outcome& r) {
         EXPECT_EQ(SummaryCount(r.err, "letters merged"), 28);
         EXPECT_NE(r.Read("work/letters.txt").find("Administració de Finques Puig"),
                   std::string::npos);
       }},
      {"letters for housing",
       {"--root", "@/inst", "-m", "C", "-t", "CARTA", "--letters-housing"},
       0,
       "",
       [](const Outcome& r) { EXPECT_GT(SummaryCount(r.err, "letters merged"), 0); }},
      {"letters for premises of a person",
       {"--root", "@/inst", "-m", "C", "-t", "CARTA", "--letters-premises-person"},
       0,
       "",
       [](const Outcome& r) { EXPECT_GT(SummaryCount(r.err, "letters merged"), 0); }},
      {"letters for other premises",
       {"--root", "@/inst", "-m", "C", "-t", "CARTA", "--letters-premises-other"},
       0,
       "",
       [](const Outcome& r) { EXPECT_GT(SummaryCount(r.err, "letters merged"), 0); }},
      {"letters of a template that does not exist",
       {"--root", "@/inst", "-m", "C", "-t", "NOEXISTE", "-L"},
       4,
       "the run finished but its output is incomplete: 28 letters due, and the template "
       "\"NOEXISTE\""},
      {"mode A writes back and prints nothing",
       {"--root", "@/inst", "--mode", "A", "--date", "15/03/2024"},
       0,
       "",
       [](const Outcome& r) {
         EXPECT_EQ(SummaryCount(r.err, "written back"), 28);
         EXPECT_NE(r.Read("inst/db.log"), "");
         EXPECT_FALSE(r.Exists("work/report.pdf"));
         EXPECT_EQ(r.out, "");
       }},
  };
  return rows;
}

class CommandLineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    start_ = new TempDir;
    BuildSampleInstallation(*start_, "inst");
    fs::create_directories(start_->path() + "/work");
    fs::create_directories(start_->path() + "/out");
    fs::create_directories(start_->path() + "/systmp");
  }
  static void TearDownTestSuite() {
    delete start_;
    start_ = nullptr;
  }
  static TempDir* start_;
};
TempDir* CommandLineTest::start_ = nullptr;

std::vector<std::string> WithFolder(const std::vector<std::string>& args,
                                    const std::string& folder) {
  std::vector<std::string> out;
  for (std::string a : args) {
    if (a[0] == '@') a = folder + a.substr(1);
    out.push_back(a);
  }
  return out;
}

TEST_F(CommandLineTest, EveryOptionAndEveryBadValue) {
  int tried = 0;
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    fs::copy(start_->path(), dir.path(), fs::copy_options::recursive);
    const FileTree before = ReadFileTree(dir.path());
    ASSERT_GT(before.count("inst/DADES/DepartaV.dat"), 0u);
    // A person's shell: no KEPTMP, no KEPEXE (the print program is the one
    // beside mirtosek), temporary folders under systmp.
    const Ending e = WaitForProcess(
        StartProcessIn(ToolPath("mirtosek"), WithFolder(row.args, dir.path()),
                       {"TMPDIR=" + dir.path() + "/systmp"}, {"KEPROOT", "KEPEXE", "KEPTMP"},
                       dir.path() + "/work", dir.path() + "/stdout", dir.path() + "/stderr"),
        std::chrono::seconds(60));
    const Outcome run{dir, e.exit_status, dir.Read("stdout"), dir.Read("stderr")};
    EXPECT_FALSE(e.timed_out);
    EXPECT_EQ(e.exit_status, row.exit_status) << run.err;
    if (row.message[0] == '\0') {
      EXPECT_EQ(WithoutSummaryAndCpiNotices(run.err), "");
    } else {
      EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    }
    // Standard output holds the help, or what the print program says.
    const bool help = row.args[0] == "--help" || row.args[0] == "-h" ||
                      row.args[0] == "--version" || row.args[0] == "-V";
    if (!help) {
      for (size_t at = 0; at < run.out.size(); at = run.out.find('\n', at) + 1) {
        EXPECT_EQ(run.out.compare(at, 10, "divivovi: "), 0) << run.out;
      }
    }
    FileTree after = ReadFileTree(dir.path());
    after.erase("stdout");
    after.erase("stderr");
    if (row.exit_status == 2 || help || row.exit_status == 1) {
      EXPECT_EQ(TreeChanges(before, after), "") << "a run that had to stop must write nothing";
    }
    // The private temporary folder of the run is gone with it.
    EXPECT_TRUE(fs::is_empty(dir.path() + "/systmp"));
    if (row.check) row.check(run);
    ++tried;
  }
  ReportFigure("command lines tried: " + std::to_string(tried));
}

// The same run made the menu's way (pent.tmp, KEPTMP, KEPEXE and the
// terminal's Sortida) and with options only gives the same report, the same
// letters and the same records written back.
TEST_F(CommandLineTest, OptionsGiveWhatTheMenusWayGives) {
  struct Way {
    const char* mode;
    const char* language;
    std::vector<std::string> options;
    const char* output;  // relative to the run's folder, "" for mode A
  };
  const std::vector<Way> ways = {
      {"I",
       "CAT",
       {"--date", "15/03/2024", "--last-month", "11", "-o", "@/out/r.pdf"},
       "out/r.txt"},
      {"I",
       "SPA",
       {"-d", "2024-03-15", "--from", "1.1", "--to", "9999.9999", "--first-month", "01",
        "--last-month", "11", "-l", "SPA", "-o", "@/out/r.pdf"},
       "out/r.txt"},
      {"C",
       "CAT",
       {"-d", "15/03/2024", "--last-month", "11", "-m", "C", "-t", "CARTA", "-L", "-o",
        "@/out/r.pdf"},
       "out/r.txt"},
      {"A", "CAT", {"-d", "15/03/2024", "--last-month", "11", "-m", "A"}, ""},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(std::string("mode ") + way.mode + " in " + way.language);
    // The menu's way, with the real print program as DIVIVOVI.
    TempDir menu;
    fs::copy(start_->path(), menu.path(), fs::copy_options::recursive);
    fs::create_directories(menu.path() + "/tmp");
    fs::create_directories(menu.path() + "/bin");
    fs::copy_file(ToolPath("divivovi"), menu.path() + "/bin/DIVIVOVI");
    WriteStation(menu, "tmp", way.mode, way.language);
    menu.Write("tmp/VornTerm.ini", "[Sistema]\r\nSortida=PDF:" + menu.path() +
                                       "/out/r.pdf\r\nIdioma=" + way.language + "\r\n");
    const Ending by_menu = WaitForProcess(
        StartProcessIn(ToolPath("mirtosek"), {},
                       MirtosekEnvironment(menu.path() + "/inst/", menu.path() + "/bin/",
                                           menu.path() + "/tmp"),
                       {}, menu.path() + "/work", menu.path() + "/stdout", menu.path() + "/stderr"),
        std::chrono::seconds(60));
    ASSERT_EQ(by_menu.exit_status, 0) << menu.Read("stderr");

    TempDir own;
    fs::copy(start_->path(), own.path(), fs::copy_options::recursive);
    std::vector<std::string> args = {"--root", own.path() + "/inst"};
    for (const std::string& a : WithFolder(way.options, own.path())) args.push_back(a);
    const Ending by_options = WaitForProcess(
        StartProcessIn(ToolPath("mirtosek"), args, {"TMPDIR=" + own.path() + "/systmp"},
                       {"KEPROOT", "KEPEXE", "KEPTMP"}, own.path() + "/work",
                       own.path() + "/stdout", own.path() + "/stderr"),
        std::chrono::seconds(60));
    ASSERT_EQ(by_options.exit_status, 0) << own.Read("stderr");

    if (way.output[0] != '\0') {
      const std::string text = own.Read(way.output);
      if (way.mode[0] == 'I') {
        EXPECT_GT(ReportedUnits(text).size(), 20u);
      } else {
        EXPECT_GT(SummaryCount(own.Read("stderr"), "letters merged"), 20);
      }
      EXPECT_EQ(text, menu.Read(way.output));
    } else {
      EXPECT_EQ(DifferingFiles(RecordContents(TakeSnapshot(own.path() + "/inst/")),
                               RecordContents(TakeSnapshot(menu.path() + "/inst/"))),
                "");
      EXPECT_NE(DifferingFiles(RecordContents(TakeSnapshot(own.path() + "/inst/")),
                               RecordContents(TakeSnapshot(start_->path() + "/inst/"))),
                "");
    }
    // The menu's run summary and the options' one count the same units.
    EXPECT_EQ(SummaryCount(own.Read("stderr"), "with paragraphs"),
              SummaryCount(menu.Read("stderr"), "with paragraphs"));
  }
}

}  // namespace
