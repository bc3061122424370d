// The sample installation of sample/ run in the three modes and in Spanish,
// each print file compared with its reviewed copy in testdata/sample (a
// produced file that differs is left beside the build for review).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/codepage.h"
#include "testing/run_mirtosek.h"
#include "testing/sample_installation.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

using testing_support::ReadFile;

class SampleRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    const std::string src = std::string(KEP_SOURCE_DIR) + "/sample/";
    root_ = dir_.path() + "/inst";
    Tool({"init", root_});
    Tool(testing_support::SampleCompany(root_));
    for (const char* table : testing_support::kSampleTables) {
      Tool({"import", root_, table, src + table + ".csv"});
    }
    dir_.Write("inst/LOCALE/MIRTOSEK.LNG", ReadFile(src + "LOCALE/MIRTOSEK.LNG"));
    for (const char* name : testing_support::kSampleTemplates)
      Tool({"install", root_, src + "TEXTOS/" + name});
    testing_support::WriteQuietPrintProgram(dir_.path() + "/exe");
  }
  void TearDown() override { std::filesystem::current_path(cwd_); }
  static void Tool(const std::vector<std::string>& args) { testing_support::RunTool(args); }
  std::string Run(const char* mode, const char* language, const std::string& date = "15/03/2024",
                  const std::string& letter_template = "CARTA") {
    dir_.Write("tmp/VornTerm.ini",
               std::string("[Sistema]\r\nSortida=PDF\r\nIdioma=") + language + "\r\n");
    dir_.Write("tmp/pent.tmp", date + "\r\n1\r\n1\r\n9999\r\n9999\r\n01\r\n11\r\n" + mode + "\r\n" +
                                   letter_template + "\r\nS\r\nS\r\nS\r\n");
    EXPECT_EQ(testing_support::RunMirtosek(root_ + "/", dir_.path() + "/exe/", dir_.path() + "/tmp",
                                           dir_.path() + "/stderr"),
              0)
        << dir_.Read("stderr");
    return dir_.Read("tmp/divivovi.tmp");
  }
  static void ExpectReviewed(const std::string& produced, const std::string& name) {
    const std::string expected = ReadFile(std::string(KEP_SOURCE_DIR) + "/testdata/sample/" + name);
    if (produced != expected) {
      std::ofstream(std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/sample_" + name,
                    std::ios::binary)
          << produced;
    }
    EXPECT_EQ(produced, expected) << name;
  }
  testing_support::TempDir dir_;
  std::string root_;
  std::filesystem::path cwd_;
};

TEST_F(SampleRunTest, ReportLettersAndWriteBack) {
  ExpectReviewed(Run("I", "CAT"), "report.tmp");
  ExpectReviewed(Run("I", "SPA"), "report_spa.tmp");
  const std::string report = dir_.Read("tmp/divivovi.tmp");
  EXPECT_EQ(dir_.Read("tmp/cartes.tmp"),
            "CARTES\t" + std::to_string(std::count(report.begin(), report.end(), '\n')) + "\r\n")
      << "a report has no letters";
  ExpectReviewed(Run("C", "CAT"), "letters.tmp");
  // Which lines of the print file are whose letter, for the print program.
  ExpectReviewed(dir_.Read("tmp/cartes.tmp"), "cartes.tmp");
  ExpectReviewed(Run("C", "SPA", "15/03/2024", "CARTASPA"), "letters_spa.tmp");
  EXPECT_EQ(Run("A", "CAT"), "DEVICEPDF\r\n");
  ExpectReviewed(dir_.Read("inst/db.log"), "db.log");
  ExpectReviewed(Run("I", "CAT"), "report_after_write_back.tmp");
}

// docs/letters.md explains the template language with the sample's template:
// the page shows the template as it is.
TEST(LettersPage, ShowsTheSampleTemplateAsItIs) {
  const std::string page = ReadFile(std::string(KEP_SOURCE_DIR) + "/docs/letters.md");
  const std::string marker = "<!-- sample/TEXTOS/CARTA.txt -->\n```\n";
  const size_t start = page.find(marker);
  ASSERT_NE(start, std::string::npos);
  const size_t body = start + marker.size();
  const size_t end = page.find("```\n", body);
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(page.substr(body, end - body),
            ReadFile(std::string(KEP_SOURCE_DIR) + "/sample/TEXTOS/CARTA.txt"));
}

// A report of today: the official series reaches August 2026, in base 2025
// from January. Each unit takes the index of the month before its
// anniversary, linked to the 1992 base through all five base changes; the
// units whose month is not published yet are said on standard error.
// The report's paragraphs as running text: the texts of the print commands,
// joined, with the blanks of justification closed up.
std::string RunningText(const std::string& print_file) {
  std::string text;
  std::istringstream in(print_file);
  std::string line;
  while (std::getline(in, line)) {
    const size_t first = line.find(',');
    const size_t last = line.rfind(',');
    if (first == std::string::npos || last == first) continue;
    text += " " + line.substr(first + 1, last - first - 1);
  }
  std::string closed;
  for (char c : text) {
    if (c != ' ' || closed.empty() || closed.back() != ' ') closed.push_back(c);
  }
  return closed;
}

TEST_F(SampleRunTest, AReportOfDecember2026UsesTheBase2025SeriesAndSaysWhatIsMissing) {
  const std::string report = RunningText(base::Cp850ToUtf8(Run("I", "CAT", "15/12/2026")));
  // Unit 001007, housing of 1 Jul 1968 at 160.00 EUR, no revaluation. By hand:
  // base index June 1968 = 8.261, latest index June 2026 = 103.598 (base
  // 2025), link = 1.353461 (June) x 1.176243 x 1.120584 x 1.03003973742 x
  // 1.07270494208 x 1.184155; 160.00 / 8.261 x 103.598 x link = 4,683.48, due
  // from the next anniversary after the report date, 1 Jul 2027.
  EXPECT_NE(report.find("publicat a juny del 2026 per l'Institut Nacional d'Estadística (103'598)"),
            std::string::npos);
  EXPECT_NE(report.find("Pujol*Arnau"), std::string::npos);
  EXPECT_NE(
      report.find(
          "(160'00 EUR), suposa una renda actualitzada a 1 de juliol del 2027 de 4.683'48 EUR."),
      std::string::npos)
      << report;
  // December 2025, the last month of base 2021, for the January anniversary.
  EXPECT_NE(
      report.find("publicat a desembre del 2025 per l'Institut Nacional d'Estadística (119'942)"),
      std::string::npos);
  // Anniversaries in October and November need September and October 2026.
  const std::string err = dir_.Read("stderr");
  EXPECT_NE(err.find("has no CPI for 2026-09: "), std::string::npos) << err;
  EXPECT_NE(err.find("has no CPI for 2026-10: "), std::string::npos) << err;
  EXPECT_NE(err.find("updated with the index of 2026-08 instead"), std::string::npos) << err;
  EXPECT_EQ(err.find("2026-08:"), std::string::npos) << err;
  EXPECT_NE(report.find("publicat a agost del 2026"), std::string::npos);
  EXPECT_EQ(report.find("publicat a setembre del 2026"), std::string::npos);
}

}  // namespace
}  // namespace app
