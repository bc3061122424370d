#include "base/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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

TEST(ReadWholeFile, AFolderIsNoFileToRead) {
  testing_support::TempDir dir;
  ASSERT_TRUE(MakeDirectories(dir.path() + "/CARTA.txt"));
  dir.Write("carta2.txt", "text");
  std::string contents = "untouched";
  EXPECT_FALSE(ReadWholeFile(dir.path() + "/carta.TXT", &contents));
  EXPECT_EQ(contents, "untouched");
  EXPECT_TRUE(ReadWholeFile(dir.path() + "/CARTA2.txt", &contents));
  EXPECT_EQ(contents, "text");
}

TEST(FindOnPath, TakesTheFirstExecutableFileOfPath) {
  testing_support::TempDir dir;
  dir.Write("a/divivovi", "not executable");
  dir.Write("b/divivovi", "#!/bin/sh\n");
  dir.Write("c/divivovi", "#!/bin/sh\n");
  ASSERT_TRUE(MakeDirectories(dir.path() + "/d/divivovi"));  // a folder is no program
  for (const char* d : {"/b/divivovi", "/c/divivovi"}) {
    std::filesystem::permissions(dir.path() + d, std::filesystem::perms::owner_all);
  }
  const std::string old_path = GetEnv("PATH");
  SetEnv("PATH", dir.path() + "/d:" + dir.path() + "/a::" + dir.path() + "/b:" + dir.path() + "/c");
  EXPECT_EQ(FindOnPath("divivovi"), dir.path() + "/b/divivovi");
  EXPECT_EQ(FindOnPath("DIVIVOVI"), "");
  SetEnv("PATH", old_path);
}

TEST(MakePrivateDirectory, MakesAFolderOnlyItsUserEnters) {
  testing_support::TempDir dir;
  const std::string old_tmpdir = GetEnv("TMPDIR");
  SetEnv("TMPDIR", dir.path());
  std::string err;
  const std::string made = MakePrivateDirectory("run-", &err);
  ASSERT_FALSE(made.empty()) << err;
  EXPECT_EQ(made.rfind(dir.path() + "/run-", 0), 0u);
  EXPECT_EQ(std::filesystem::status(made).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
  dir.Write(made.substr(dir.path().size() + 1) + "/inner/file", "x");
  RemoveTree(made);
  EXPECT_FALSE(std::filesystem::exists(made));
  SetEnv("TMPDIR", dir.path() + "/missing");
  EXPECT_EQ(MakePrivateDirectory("run-", &err), "");
  EXPECT_NE(err.find("missing"), std::string::npos);
  if (old_tmpdir.empty())
    ::unsetenv("TMPDIR");
  else
    SetEnv("TMPDIR", old_tmpdir);
}

TEST(AbsolutePath, AnchorsRelativePathsInTheCurrentFolder) {
  const std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(AbsolutePath("inst/"), cwd + "/inst/");
  EXPECT_EQ(AbsolutePath("/srv/kep"), "/srv/kep");
  EXPECT_EQ(AbsolutePath(""), "");
  EXPECT_FALSE(ExecutableDirectory().empty());
}

}  // namespace
}  // namespace base
