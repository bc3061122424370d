// The sample installation of sample/ in a report of a date the official CPI
// series does not reach yet, and the documentation of its letter template.
// The sample's runs in the three modes and in Spanish are checked by the
// golden case of testdata/sample.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

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
    testing_support::BuildSampleInstallation(dir_, "inst");
    std::filesystem::current_path(cwd_);
  }
  void TearDown() override { std::filesystem::current_path(cwd_); }
  std::string Run(const char* mode, const char* language, const std::string& date) {
    dir_.Write("tmp/VornTerm.ini",
               std::string("[Sistema]\r\nSortida=PDF\r\nIdioma=") + language + "\r\n");
    dir_.Write("tmp/pent.tmp", date + "\r\n1\r\n1\r\n9999\r\n9999\r\n01\r\n11\r\n" + mode +
                                   "\r\nCARTA\r\nS\r\nS\r\nS\r\n");
    EXPECT_EQ(testing_support::RunMirtosek(dir_.path() + "/inst/", dir_.path() + "/exe/",
                                           dir_.path() + "/tmp", dir_.path() + "/stderr"),
              0)
        << dir_.Read("stderr");
    return dir_.Read("tmp/divivovi.tmp");
  }
  testing_support::TempDir dir_;
  std::filesystem::path cwd_;
};

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
