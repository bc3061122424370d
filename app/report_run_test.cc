// A whole run in Spanish on the installation of
// testdata/installations/finques_puig_2001 with its language file: the run
// parameters of the golden case of mode "I" (testdata/report/mode_i), the
// mirtosek executable, and the phrases of the report read back. The report
// in the modes themselves is checked by the golden cases of testdata/report.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/codepage.h"
#include "testing/installation_folder.h"
#include "testing/run_mirtosek.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

using testing_support::ReadFile;

TEST(ReportRunTest, SpanishTakesThePhrasesOfTheLanguageFile) {
  const std::filesystem::path cwd = std::filesystem::current_path();
  const std::string installation = testing_support::InstallationFolder("finques_puig_2001");
  testing_support::TempDir dir;
  testing_support::BuildInstallationFromFolder(dir, "inst", installation);
  std::filesystem::current_path(cwd);
  dir.Write("inst/LOCALE/MIRTOSEK.LNG", ReadFile(installation + "/MIRTOSEK.LNG"));
  dir.Write("tmp/pent.tmp",
            ReadFile(std::string(KEP_SOURCE_DIR) + "/testdata/report/mode_i/input/tmp/pent.tmp"));
  dir.Write("tmp/VornTerm.ini", "[Sistema]\r\nSortida=PDF\r\nIdioma=SPA\r\n");
  testing_support::WriteQuietPrintProgram(dir.path() + "/exe");
  ASSERT_EQ(testing_support::RunMirtosek(dir.path() + "/inst/", dir.path() + "/exe/",
                                         dir.path() + "/tmp", dir.path() + "/stderr"),
            0)
      << dir.Read("stderr");
  const std::string produced = base::Cp850ToUtf8(dir.Read("tmp/divivovi.tmp"));
  EXPECT_NE(produced.find("INFORME DE SITUACIÓN A 15/3/2001"), std::string::npos);
  EXPECT_NE(produced.find("- Vivienda no sumptuari con contrato acollit"), std::string::npos);
  EXPECT_EQ(produced.find("- Habitatge"), std::string::npos);
  // Spanish dates in the paragraphs.
  EXPECT_NE(produced.find("1 de enero de 2002"), std::string::npos);
}

}  // namespace
}  // namespace app
