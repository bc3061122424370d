#include "base/message_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/codepage.h"
#include "base/session_settings.h"
#include "testing/temp_dir.h"

namespace base {
namespace {

class TranslateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings().root_dir = dir_.prefix();
    SetProgramIdentifier("MIRTOSEK");
    std::filesystem::create_directories(dir_.path() + "/LOCALE");
  }
  void TearDown() override { Settings() = SessionSettings(); }
  std::string In(const char* language, const char* text) {
    Settings().language = language;
    return Translate(Cp(text));
  }
  testing_support::TempDir dir_;
};

TEST_F(TranslateTest, LooksTheCatalanTextUp) {
  dir_.Write("LOCALE/MIRTOSEK.LNG",
             Cp("\"PÀGINA \",\"PÁXINA \",\"PAGINA \",\"PÁGINA \"\r\n"
                "\"- Venciment \",\"- Vencemento \", \"- Vencement \",\"- Vencimiento \"\r\n"
                "\", el qual s'extingirà, segons\",\", o cal, segundo\",\", eth quau\",\", el "
                "cual, según\"\r\n"
                "  TITULAR\t,TITULAR,TITULAR,TITULAR\r\n"
                "\r\n"
                "NOM,NOME,,NOMBRE\r\n"
                "NOM,X,Y,Z\r\n"
                "\"  COM A\",\"  COMO\",\"  COMA\",\"  COMO\"\r\n"
                "SOL"));
  EXPECT_EQ(In("SPA", "PÀGINA "), Cp("PÁGINA "));
  EXPECT_EQ(In("GLG", "PÀGINA "), Cp("PÁXINA "));
  EXPECT_EQ(In("OCI", "- Venciment "), "- Vencement ");
  EXPECT_EQ(In("SPA", ", el qual s'extingirà, segons"), Cp(", el cual, según"));
  EXPECT_EQ(In("SPA", "TITULAR"), "TITULAR");  // blanks skipped, tab dropped
  EXPECT_EQ(In("OCI", "NOM"), "");             // an empty translation
  EXPECT_EQ(In("SPA", "NOM"), "NOMBRE");       // the first entry wins
  EXPECT_EQ(In("SPA", "  COM A"), "  COMO");   // leading blanks only in quotes
  EXPECT_EQ(In("SPA", "COM A"), "COM A");
  EXPECT_EQ(In("SPA", "SOL"), "SOL");              // a lone last key is ignored
  EXPECT_EQ(In("SPA", "pàgina "), Cp("pàgina "));  // case counts
}

TEST_F(TranslateTest, CreatesAMissingFileExceptForCatalan) {
  EXPECT_EQ(In("CAT", "PÀGINA "), Cp("PÀGINA "));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/LOCALE/MIRTOSEK.LNG"));
  dir_.Write("LOCALE/MIRTOSEK.LNG", "\"NOM\",\"NOME\",\"NOM\",\"NOMBRE\"\r\n");
  EXPECT_EQ(In("CAT", "NOM"), "NOM");
  std::filesystem::remove(dir_.path() + "/LOCALE/MIRTOSEK.LNG");
  EXPECT_EQ(In("SPA", "NOM"), "NOM");
  EXPECT_TRUE(std::filesystem::exists(dir_.path() + "/LOCALE/MIRTOSEK.LNG"));
  // A changed file takes effect at the next lookup.
  dir_.Write("LOCALE/MIRTOSEK.LNG", "\"NOM\",\"NOME\",\"NOM\",\"NOMBRE\"\r\n");
  EXPECT_EQ(In("SPA", "NOM"), "NOMBRE");
  // Rewritten in place with a text of the same length, and replaced by
  // another file: each is seen at once although the file is no longer
  // parsed on every lookup.
  dir_.Write("LOCALE/MIRTOSEK.LNG", "\"NOM\",\"NOME\",\"NOM\",\"NOMBRA\"\r\n");
  EXPECT_EQ(In("SPA", "NOM"), "NOMBRA");
  dir_.Write("LOCALE/other.LNG", "\"NOM\",\"NOME\",\"NOM\",\"NOMBRU\"\r\n");
  std::filesystem::rename(dir_.path() + "/LOCALE/other.LNG", dir_.path() + "/LOCALE/MIRTOSEK.LNG");
  EXPECT_EQ(In("SPA", "NOM"), "NOMBRU");
  SetCatalogueName("ALTRE");
  EXPECT_EQ(In("SPA", "NOM"), "NOM");
  SetCatalogueName("");
}

}  // namespace
}  // namespace base
