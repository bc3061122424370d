// The sample installation of sample/ run in the three modes and in Spanish,
// each print file compared with its reviewed copy in testdata/sample (a
// produced file that differs is left beside the build for review).
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

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
    Tool({"company", root_, "1=Administració de Finques Puig, SL", "7=B-12345678"});
    for (const char* table : testing_support::kSampleTables) {
      Tool({"import", root_, table, src + table + ".csv"});
    }
    dir_.Write("inst/LOCALE/MIRTOSEK.LNG", ReadFile(src + "LOCALE/MIRTOSEK.LNG"));
    dir_.Write("inst/TEXTOS/CARTA.txt", ReadFile(src + "TEXTOS/CARTA.txt"));
    testing_support::WriteQuietPrintProgram(dir_.path() + "/exe");
  }
  void TearDown() override { std::filesystem::current_path(cwd_); }
  static void Tool(const std::vector<std::string>& args) { testing_support::RunTool(args); }
  std::string Run(const char* mode, const char* language) {
    dir_.Write("tmp/VornTerm.ini", std::string("[Sistema]\r\nSortida=PDF\r\nIdioma=") + language + "\r\n");
    dir_.Write("tmp/pent.tmp", std::string("15/03/2024\r\n1\r\n1\r\n9999\r\n9999\r\n01\r\n11\r\n") + mode +
                                   "\r\nCARTA\r\nS\r\nS\r\nS\r\n");
    EXPECT_EQ(testing_support::RunMirtosek(root_ + "/", dir_.path() + "/exe/", dir_.path() + "/tmp",
                                           dir_.path() + "/stderr"),
              0)
        << dir_.Read("stderr");
    return dir_.Read("tmp/divivovi.tmp");
  }
  static void ExpectReviewed(const std::string& produced, const std::string& name) {
    const std::string expected = ReadFile(std::string(KEP_SOURCE_DIR) + "/testdata/sample/" + name);
    if (produced != expected) {
      std::ofstream(std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/sample_" + name, std::ios::binary)
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
  ExpectReviewed(Run("C", "CAT"), "letters.tmp");
  EXPECT_EQ(Run("A", "CAT"), "DEVICEPDF\r\n");
  ExpectReviewed(dir_.Read("inst/db.log"), "db.log");
  ExpectReviewed(Run("I", "CAT"), "report_after_write_back.tmp");
}

}  // namespace
}  // namespace app
