// Runs the mirtosek executable as the suite's menu does: environment
// variables pointing at a directory tree, "pent.tmp" in the temporary
// directory, a print program in the program directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "testing/temp_dir.h"

namespace app {
namespace {

class MainProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("root/Vorn.ini", "[Usuari]\r\nIdioma=CAT\r\n");
    std::filesystem::copy(std::string(KEP_SOURCE_DIR) + "/installation/ddf",
                          dir_.path() + "/root/ddf");
    dir_.Write("tmp/placeholder", "");
    // The print program leaves a mark showing it ran with the session's environment.
    dir_.Write("exe/DIVIVOVI", "#!/bin/sh\necho \"ran $KEPTMP\" > \"$KEPTMP/printed\"\nexit 5\n");
    std::filesystem::permissions(dir_.path() + "/exe/DIVIVOVI", std::filesystem::perms::owner_all);
  }

  int RunMirtosek() {
    const std::string bin = std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/tools/mirtosek";
    const std::string cmd = "KEPROOT='" + dir_.path() + "/root/' KEPEXE='" + dir_.path() +
                            "/exe/' KEPTMP='" + dir_.path() + "/tmp' '" + bin + "' 2>'" +
                            dir_.path() + "/stderr'";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  void WritePent(const std::string& mode) {
    dir_.Write("tmp/pent.tmp", "15/03/2026\r\n1\r\n1\r\n9999\r\n9999\r\n01\r\n12\r\n" + mode +
                                   "\r\nCARTA\r\nS\r\nS\r\nS\r\n");
  }

  testing_support::TempDir dir_;
};

TEST_F(MainProgramTest, CreatesTheDataFilesAndStartsThePrintProgram) {
  WritePent("I");
  // The print program ends with status 5: it reports a failure, so the
  // run's output is incomplete.
  EXPECT_EQ(RunMirtosek(), 4) << dir_.Read("stderr");
  EXPECT_NE(dir_.Read("stderr").find("DIVIVOVI ended with status 5"), std::string::npos)
      << dir_.Read("stderr");
  EXPECT_EQ(dir_.Read("tmp/printed"), "ran " + dir_.path() + "/tmp\n");
  for (const char* f :
       {"TAULES/UIpc.dat", "DADES/PropietV.dat", "DADES/FinquesV.dat", "DADES/DepartaV.dat",
        "DADES/TranLauV.dat", "DADES/TVRebut.dat", "DADES/Textos.dat"}) {
    EXPECT_TRUE(std::filesystem::exists(dir_.path() + "/root/" + f)) << f;
  }
}

TEST_F(MainProgramTest, AMissingDescriptionEndsWithStatus1AndItsMessage) {
  WritePent("I");
  std::filesystem::remove(dir_.path() + "/root/ddf/DepartaV.xdf");
  EXPECT_EQ(RunMirtosek(), 1);
  EXPECT_EQ(dir_.Read("stderr"),
            "NO ES POT ACCEDIR AL FITXER " + dir_.path() + "/root/DADES\\DepartaV (12)\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/root/DADES/TranLauV.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/tmp/printed"));
}

TEST_F(MainProgramTest, MissingOrUnusableRunParametersEndWithStatus2) {
  EXPECT_EQ(RunMirtosek(), 2);
  EXPECT_NE(dir_.Read("stderr").find("pent.tmp"), std::string::npos);
  WritePent("Z");
  EXPECT_EQ(RunMirtosek(), 2);
  EXPECT_NE(dir_.Read("stderr").find("pent.tmp:8:"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/tmp/printed"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/root/DADES"));  // nothing created
}

TEST_F(MainProgramTest, AMissingPrintProgramEndsWithStatus3) {
  WritePent("A");
  std::filesystem::remove(dir_.path() + "/exe/DIVIVOVI");
  EXPECT_EQ(RunMirtosek(), 3);
  EXPECT_NE(dir_.Read("stderr").find("DIVIVOVI"), std::string::npos);
}

}  // namespace
}  // namespace app
