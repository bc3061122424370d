// An installation described by a folder of testdata/installations: the
// record tables as CSV files, and installation.ini, which says how the data
// tool makes the installation from them:
//
//   [kepdata]
//   init=--no-cpi             words added to "kepdata init <root>"
//   company=1=Finques Puig, SL   a field of "kepdata company <root> ...",
//                             one a line, all given to one command
//   import=PropietV           a table, imported from <folder>/PropietV.csv,
//                             in the order of the lines
//
// Nothing else of the folder is put in the installation.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "testing/run_mirtosek.h"
#include "testing/temp_dir.h"

namespace testing_support {

// The folder of testdata/installations of the name.
inline std::string InstallationFolder(const std::string& name) {
  return std::string(KEP_SOURCE_DIR) + "/testdata/installations/" + name;
}

// Makes the installation the folder describes in dir/<relative>, with
// kepdata as RunTool calls it (a failing command fails the test).
inline void BuildInstallationFromFolder(const TempDir& dir, const std::string& relative,
                                        const std::string& folder) {
  if (!std::filesystem::is_regular_file(folder + "/installation.ini")) {
    ADD_FAILURE() << folder << "/installation.ini: no such file";
    return;
  }
  const std::string root = dir.path() + "/" + relative;
  std::vector<std::string> init = {"init", root};
  std::vector<std::string> company = {"company", root};
  std::vector<std::string> tables;
  for (const base::IniEntry& e : base::IniSection(folder + "/installation.ini", "kepdata")) {
    if (e.key == "init") {
      std::istringstream words(e.value);
      for (std::string w; words >> w;) init.push_back(w);
    } else if (e.key == "company") {
      company.push_back(e.value);
    } else if (e.key == "import") {
      tables.push_back(e.value);
    } else {
      ADD_FAILURE() << folder << "/installation.ini, line " << e.line << ": unknown key " << e.key;
    }
  }
  RunTool(init);
  if (company.size() > 2) RunTool(company);
  for (const std::string& table : tables) {
    RunTool({"import", root, table, folder + "/" + table + ".csv"});
  }
}

}  // namespace testing_support
