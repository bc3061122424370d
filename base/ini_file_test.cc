#include "base/ini_file.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace base {
namespace {

struct IniCase {
  const char* section;
  const char* key;
  const char* expected;
};

TEST(IniRead, FollowsTheSuitesSyntax) {
  testing_support::TempDir dir;
  dir.Write("Vorn.ini",
            "DatOrdre=XXX\r\n"
            "; a comment line\r\n"
            "   [ usuari ]   \r\n"
            "DatCaracter=-\r\n"
            "DatOrdre = AMD\r\n"
            "Col0=15000700000700070007 ; colours\r\n"
            "Semi=a;b\r\n"
            "Quoted=\"x y\"\r\n"
            "Empty=\"\"\r\n"
            "Lone=\"\r\n"
            "Eq=a=b\r\n"
            "no equals sign here\r\n"
            "[Menu]\n"
            "Titol=first\n"
            "[Other\n"
            "Open=yes\n"
            "[Menu]\n"
            "Titol=second\n"
            "Only=later\n");
  const IniCase cases[] = {
      {"Usuari", "DatCaracter", "-"},
      {"Usuari", "datordre", " AMD"},
      {"USUARI", "Col0", "15000700000700070007 "},
      {"Usuari", "Semi", "a"},
      {"Usuari", "Quoted", "x y"},
      {"Usuari", "Empty", ""},
      {"Usuari", "Lone", "\""},
      {"Usuari", "Eq", "a=b"},
      {"Usuari", "Missing", ""},
      {" Menu ", " Titol ", "first"},
      {"Menu", "Only", ""},
      {"Other", "Open", "yes"},
      {"Nowhere", "Titol", ""},
  };
  for (const IniCase& c : cases) {
    EXPECT_EQ(IniRead(dir.prefix() + "Vorn.ini", c.section, c.key), c.expected)
        << c.section << "/" << c.key;
  }
}

TEST(IniRead, MissingFileGivesTheEmptyText) {
  testing_support::TempDir dir;
  EXPECT_EQ(IniRead(dir.prefix() + "none.ini", "Usuari", "DatOrdre"), "");
}

TEST(IniRead, FindsTheFileWhateverTheCaseOfItsName) {
  testing_support::TempDir dir;
  dir.Write("VORN.INI", "[Usuari]\nIdioma=SPA\n");
  EXPECT_EQ(IniRead(dir.prefix() + "Vorn.ini", "Usuari", "Idioma"), "SPA");
}

}  // namespace
}  // namespace base
