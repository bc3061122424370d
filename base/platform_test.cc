#include "base/platform.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace base {
namespace {

TEST(ResolvePath, MatchesExistingComponentsWithoutRegardToCase) {
  testing_support::TempDir dir;
  dir.Write("DADES/DepartaV.dat", "x");
  dir.Write("LOCKS/TranLauV.lck", "y");
  const std::string root = dir.path();
  EXPECT_EQ(ResolvePath(root + "\\DADES\\DepartaV.dat"), root + "/DADES/DepartaV.dat");
  EXPECT_EQ(ResolvePath(root + "/dades/departav.DAT"), root + "/DADES/DepartaV.dat");
  EXPECT_EQ(ResolvePath(root + "\\locks\\TRANLAUV.lck"), root + "/LOCKS/TranLauV.lck");
  // A file that does not exist keeps the name as written, under the existing folder.
  EXPECT_EQ(ResolvePath(root + "\\dades\\NouFitxer.dat"), root + "/DADES/NouFitxer.dat");
  EXPECT_EQ(ResolvePath(root + "\\New\\Sub\\f.dat"), root + "/New/Sub/f.dat");
}

TEST(ResolvePath, PrefersTheExactNameWhenTwoDifferOnlyInCase) {
  testing_support::TempDir dir;
  dir.Write("a/Textos", "1");
  dir.Write("a/TEXTOS", "2");
  EXPECT_EQ(ResolvePath(dir.path() + "\\a\\TEXTOS"), dir.path() + "/a/TEXTOS");
  EXPECT_EQ(ResolvePath(dir.path() + "\\a\\Textos"), dir.path() + "/a/Textos");
}

TEST(ResolvePath, AcceptsEitherSeparatorAtTheEndOfAPrefix) {
  testing_support::TempDir dir;
  dir.Write("Vorn.ini", "[Usuari]\n");
  EXPECT_EQ(ResolvePath(dir.path() + "/" + "Vorn.ini"), dir.path() + "/Vorn.ini");
  EXPECT_EQ(ResolvePath(dir.path() + "\\" + "Vorn.ini"), dir.path() + "/Vorn.ini");
  EXPECT_EQ(ResolvePath("relative\\name.txt"), "relative/name.txt");
}

TEST(RunProgramAndWait, ReportsTheExitStatusOrWhyItCouldNotStart) {
  testing_support::TempDir dir;
  dir.Write("prog", "#!/bin/sh\nexit 7\n");
  ASSERT_TRUE(MakeDirectories(dir.path() + "/sub/deeper"));
  std::filesystem::permissions(dir.path() + "/prog", std::filesystem::perms::owner_all);
  int status = -1;
  std::string err;
  ASSERT_TRUE(RunProgramAndWait(dir.path() + "/PROG", &status, &err)) << err;
  EXPECT_EQ(status, 7);
  EXPECT_FALSE(RunProgramAndWait(dir.path() + "/missing", &status, &err));
  EXPECT_NE(err.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace base
