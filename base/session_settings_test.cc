#include "base/session_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/dates.h"
#include "testing/temp_dir.h"

namespace base {
namespace {

// Sets or clears the environment variables LoadSessionSettings reads.
class SessionSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : {"KEPROOT", "KEPEXE", "KEPTMP", "TERM", "HTTP_USER_AGENT", "HTTP_ACCEPT",
                          "WINDIR", "SYSTEMROOT"}) {
      const char* old = std::getenv(v);
      saved_.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
      unsetenv(v);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    Settings() = SessionSettings();
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  testing_support::TempDir dir_;
};

TEST_F(SessionSettingsTest, NormalisesDirectories) {
  EXPECT_EQ(NormaliseDirectory("C:\\TMP"), "C:\\TMP\\");
  EXPECT_EQ(NormaliseDirectory("C:"), "C:");
  EXPECT_EQ(NormaliseDirectory("C:\\TMP\\"), "C:\\TMP\\");
  EXPECT_EQ(NormaliseDirectory("/tmp/"), "/tmp/");
  EXPECT_EQ(NormaliseDirectory(""), "");
}

TEST_F(SessionSettingsTest, ReadsTheSessionFiles) {
  const std::string tmp = dir_.path() + "/tmp";
  dir_.Write("tmp/Sessio.ini",
             "[Menu]\r\nTitol=Lloguers\r\nNomMenu=LAU\r\nOperador=anna\r\nKepTipOper=3\r\n");
  dir_.Write("tmp/VornTerm.ini",
             "[Pantalla]\r\nSeleccio=2\r\nCol2=07010107000000000000\r\n"
             "[Sistema]\r\nData=20260315\r\nSortida=PDF\r\n");
  dir_.Write("root/Vorn.ini", "[Usuari]\r\nIdioma=SPA\r\n");
  setenv("KEPTMP", tmp.c_str(), 1);
  setenv("KEPROOT", (dir_.path() + "/root/").c_str(), 1);
  setenv("HTTP_ACCEPT", "text/html", 1);
  setenv("WINDIR", "C:\\WINDOWS", 1);
  LoadSessionSettings();
  const SessionSettings& s = Settings();
  EXPECT_EQ(s.tmp_dir, tmp + "\\");
  EXPECT_EQ(s.menu_title, " Lloguers ");
  EXPECT_EQ(s.menu_name, "LAU");
  EXPECT_EQ(s.operator_type, 3);
  EXPECT_EQ(s.colour_set, 2);
  EXPECT_EQ(s.colours[0].foreground, 7);
  EXPECT_EQ(s.colours[0].background, 1);
  EXPECT_EQ(s.colours[1].foreground, 1);
  EXPECT_EQ(s.colours[1].background, 7);
  EXPECT_EQ(s.colours[4].foreground, 0);
  EXPECT_EQ(s.work_date, PackDigits("20260315"));
  EXPECT_EQ(s.output_destination, "PDF");
  EXPECT_EQ(s.language, "SPA");  // from "Vorn.ini" when the terminal has none
  EXPECT_EQ(SessionLanguage(), Language::kSpanish);
  EXPECT_EQ(s.environment_kind, "CGI");
}

TEST_F(SessionSettingsTest, FallsBackToTheTerminalDirectoryAndDefaults) {
  dir_.Write("term/VornTerm.ini", "[Sistema]\r\nIdioma=glg\r\n");
  setenv("TERM", (dir_.path() + "/term").c_str(), 1);
  setenv("SYSTEMROOT", "C:\\", 1);
  LoadSessionSettings();
  const SessionSettings& s = Settings();
  EXPECT_EQ(s.tmp_dir, dir_.path() + "/term\\");
  EXPECT_EQ(s.menu_title, "  ");
  EXPECT_EQ(s.colours[0].foreground, 15);
  EXPECT_EQ(s.colours[0].background, 0);
  EXPECT_EQ(s.colours[2].foreground, 0);
  EXPECT_EQ(s.colours[2].background, 7);
  EXPECT_EQ(s.language, "glg");
  EXPECT_EQ(SessionLanguage(), Language::kCatalan);  // codes are upper case
  EXPECT_EQ(s.environment_kind, "WIN");
}

TEST_F(SessionSettingsTest, LoadsTheCompanyDataWithItsTaxNumberNormalised) {
  dir_.Write(
      "Vorn.ini",
      "[Empresa]\r\nCamp1=Finques Puig, SL\r\nCamp2=  C/ de Balmes 100   \r\nCamp7=b-12.345 678\r\n"
      "Camp8=" +
          std::string(40, 'x') + "\r\n");
  setenv("KEPROOT", dir_.prefix().c_str(), 1);
  LoadCompanyData();
  const CompanyData& c = Company();
  // Each field as written, cut to 35 characters, without the blanks that end
  // it (leading blanks are the user's); the tax number keeps its rule.
  EXPECT_EQ(c.fields[0], "Finques Puig, SL");
  EXPECT_EQ(c.fields[1], "  C/ de Balmes 100");
  EXPECT_EQ(c.fields[6], "ES12345 678" + std::string(24, ' '));
  EXPECT_EQ(c.fields[7], std::string(35, 'x'));
  EXPECT_EQ(c.fields[2], "");
  EXPECT_EQ(NormaliseTaxNumber(std::string(35, '9')), "ES" + std::string(33, '9'));
}

TEST_F(SessionSettingsTest, GivesEveryDirectoryItsFinalSeparator) {
  dir_.Write("root/Vorn.ini", "[Usuari]\r\nIdioma=OCI\r\n[Empresa]\r\nCamp1=Puig\r\n");
  dir_.Write("tmp/VornTerm.ini", "[Sistema]\r\nSortida=NUL\r\n");
  setenv("KEPROOT", (dir_.path() + "/root").c_str(), 1);
  setenv("KEPEXE", (dir_.path() + "/exe").c_str(), 1);
  setenv("KEPTMP", (dir_.path() + "/tmp").c_str(), 1);
  LoadCompanyData();
  LoadSessionSettings();
  const SessionSettings& s = Settings();
  // "/srv/kep" must not give "/srv/kepVorn.ini" nor "/srv/kepTAULES\UIpc".
  EXPECT_EQ(s.root_dir, dir_.path() + "/root\\");
  EXPECT_EQ(s.exe_dir, dir_.path() + "/exe\\");
  EXPECT_EQ(s.language, "OCI");
  EXPECT_EQ(s.output_destination, "NUL");
  EXPECT_EQ(Company().fields[0], "Puig");
  EXPECT_EQ(DirectoryVariable("KEPROOT"), s.root_dir);
  unsetenv("KEPEXE");
  EXPECT_EQ(DirectoryVariable("KEPEXE"), "");
}

TEST_F(SessionSettingsTest, ATerminalKindInTermIsNoTemporaryDirectory) {
  // On this platform TERM holds "xterm": no folder of that name, so no
  // temporary directory at all, rather than "xterm/pent.tmp".
  setenv("TERM", "xterm-256color", 1);
  LoadSessionSettings();
  EXPECT_EQ(Settings().terminal_dir, "");
  EXPECT_EQ(Settings().tmp_dir, "");
  // "Sessio.ini" [Terminal] "Dir" still names it.
  dir_.Write("Sessio.ini", "[Terminal]\r\nDir=" + dir_.path() + "/term1\r\n");
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  LoadSessionSettings();
  std::filesystem::current_path(cwd);
  EXPECT_EQ(Settings().tmp_dir, dir_.path() + "/term1\\");
}

TEST_F(SessionSettingsTest, AnchorsRelativeDirectoriesWhereTheProgramStarted) {
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  setenv("KEPROOT", "inst/", 1);
  setenv("KEPTMP", "/abs/tmp", 1);
  AnchorRelativeDirectories();
  std::filesystem::current_path(cwd);
  EXPECT_EQ(std::string(std::getenv("KEPROOT")),
            std::filesystem::canonical(dir_.path()).string() + "/inst/");
  EXPECT_EQ(std::string(std::getenv("KEPTMP")), "/abs/tmp");  // absolute ones are left as they are
  EXPECT_EQ(std::getenv("KEPEXE"), nullptr);
}

}  // namespace
}  // namespace base
