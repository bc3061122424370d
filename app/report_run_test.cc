// Golden test of a whole run in mode "I": an installation made with the data
// tool from testdata/report_run, the mirtosek executable, and the print file
// compared byte for byte with the reviewed expected one. On a difference the
// produced file is left beside the build for review.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/codepage.h"
#include "testing/run_mirtosek.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

std::string Source(const std::string& name) {
  return std::string(KEP_SOURCE_DIR) + "/testdata/report_run/" + name;
}

using testing_support::ReadFile;

class ReportRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    root_ = dir_.path() + "/inst";
    Tool({"init", root_, "--no-cpi"});
    Tool({"company", root_, "1=Finques Puig, SL", "7=B-12345678"});
    for (const char* table : {"PropietV", "FinquesV", "TVRebut", "UIpc", "DepartaV", "TranLauV"}) {
      Tool({"import", root_, table, Source(std::string(table) + ".csv")});
    }
    dir_.Write("tmp/pent.tmp", ReadFile(Source("pent.tmp")));
    testing_support::WriteQuietPrintProgram(dir_.path() + "/exe");
  }
  void TearDown() override { std::filesystem::current_path(cwd_); }
  static void Tool(const std::vector<std::string>& args) { testing_support::RunTool(args); }
  int Run(const char* language) {
    dir_.Write("tmp/VornTerm.ini",
               std::string("[Sistema]\r\nSortida=PDF\r\nIdioma=") + language + "\r\n");
    return testing_support::RunMirtosek(root_ + "/", dir_.path() + "/exe/", dir_.path() + "/tmp",
                                        dir_.path() + "/stderr");
  }
  testing_support::TempDir dir_;
  std::string root_;
  std::filesystem::path cwd_;
};

TEST_F(ReportRunTest, ModeIPrintsTheExpectedReport) {
  ASSERT_EQ(Run("CAT"), 0) << dir_.Read("stderr");
  const std::string produced = dir_.Read("tmp/divivovi.tmp");
  const std::string expected = ReadFile(Source("expected_divivovi.tmp"));
  if (produced != expected) {
    std::ofstream(std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/report_run_produced.tmp",
                  std::ios::binary)
        << produced;
  }
  EXPECT_EQ(produced, expected);
}

// Compares a produced file with its reviewed copy, leaving it for review when they differ.
void ExpectSameAsReviewed(const std::string& produced, const std::string& name) {
  const std::string expected = ReadFile(Source(name));
  if (produced != expected) {
    std::ofstream(std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/" + name, std::ios::binary)
        << produced;
  }
  EXPECT_EQ(produced, expected) << name;
}

TEST_F(ReportRunTest, ModeCMergesTheLetterOfEveryQualifyingUnit) {
  std::string pent = ReadFile(Source("pent.tmp"));
  pent.replace(pent.find("\r\nI\r\n"), 5, "\r\nC\r\n");
  dir_.Write("tmp/pent.tmp", pent);
  dir_.Write("inst/TEXTOS/CARTA.txt", ReadFile(Source("CARTA.txt")));
  ASSERT_EQ(Run("CAT"), 0) << dir_.Read("stderr");
  ExpectSameAsReviewed(dir_.Read("tmp/merge.tmp"), "expected_merge.tmp");
  ExpectSameAsReviewed(dir_.Read("tmp/divivovi.tmp"), "expected_letters.tmp");
}

TEST_F(ReportRunTest, SpanishTakesThePhrasesOfTheLanguageFile) {
  dir_.Write("inst/LOCALE/MIRTOSEK.LNG", ReadFile(Source("MIRTOSEK.LNG")));
  ASSERT_EQ(Run("SPA"), 0) << dir_.Read("stderr");
  const std::string produced = base::Cp850ToUtf8(dir_.Read("tmp/divivovi.tmp"));
  EXPECT_NE(produced.find("INFORME DE SITUACIÓN A 15/3/2001"), std::string::npos);
  EXPECT_NE(produced.find("- Vivienda no sumptuari con contrato acollit"), std::string::npos);
  EXPECT_EQ(produced.find("- Habitatge"), std::string::npos);
  // Spanish dates in the paragraphs.
  EXPECT_NE(produced.find("1 de enero de 2002"), std::string::npos);
}

TEST_F(ReportRunTest, ModeAPrintsOnlyTheDeviceLine) {
  std::string pent = ReadFile(Source("pent.tmp"));
  pent.replace(pent.find("\r\nI\r\n"), 5, "\r\nA\r\n");
  dir_.Write("tmp/pent.tmp", pent);
  ASSERT_EQ(Run("CAT"), 0) << dir_.Read("stderr");
  EXPECT_EQ(dir_.Read("tmp/divivovi.tmp"), "DEVICEPDF\r\n");
}

}  // namespace
}  // namespace app
