// Helpers for tests that build an installation with the data tool and run
// the mirtosek executable on it as the suite's menu does.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "datatool/commands.h"

namespace testing_support {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs kepdata; fails the test on an error. The tool changes the current
// directory; it is put back.
inline std::string RunTool(const std::vector<std::string>& args) {
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::ostringstream out, err;
  const int rc = datatool::RunDataTool(args, out, err);
  std::filesystem::current_path(cwd);
  EXPECT_EQ(rc, 0) << err.str();
  return out.str();
}

// Runs mirtosek with KEPROOT = root, KEPEXE = exe, KEPTMP = tmp; standard
// error goes to err_path. Returns the exit status.
inline int RunMirtosek(const std::string& root, const std::string& exe, const std::string& tmp,
                       const std::string& err_path) {
  const std::string bin = std::string(std::getenv("KEP_TEST_BIN_DIR")) + "/tools/mirtosek";
  const std::string cmd = "KEPROOT='" + root + "' KEPEXE='" + exe + "' KEPTMP='" + tmp + "' '" +
                          bin + "' 2>'" + err_path + "' </dev/null";
  const int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// A print program that only ends, in dir/DIVIVOVI.
inline void WriteQuietPrintProgram(const std::string& dir) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/DIVIVOVI") << "#!/bin/sh\nexit 0\n";
  std::filesystem::permissions(dir + "/DIVIVOVI", std::filesystem::perms::owner_all);
}

}  // namespace testing_support
