// The sample installation of sample/, made with the data tool as a new user
// would make it, and the session files of one workstation that runs on it.
#pragma once

#include <string>
#include <vector>

#include "testing/run_mirtosek.h"
#include "testing/temp_dir.h"

namespace testing_support {

// The CPI file is not among them: the installation has the official series
// that kepdata init loads.
inline const char* kSampleTables[] = {"PropietV", "FinquesV", "TVRebut", "DepartaV", "TranLauV"};

// kepdata's command that gives the installation at root the sample's company
// (as scripts/run-sample.sh does): name, street, town, tax number.
inline std::vector<std::string> SampleCompany(const std::string& root) {
  return {"company",
          root,
          "1=Administració de Finques Puig, SL",
          "2=C/ de Balmes 100",
          "3=08008 Barcelona",
          "7=B-12345678"};
}

// The letter templates: Catalan and Spanish.
inline const char* kSampleTemplates[] = {"CARTA.txt", "CARTASPA.txt"};

// Makes the installation in dir/<relative>; the print program in dir/exe.
// With a server (a libpq connection string) its data goes to that database,
// in the schema given.
inline void BuildSampleInstallation(const TempDir& dir, const std::string& relative,
                                    const std::string& server = "",
                                    const std::string& schema = "") {
  const std::string src = std::string(KEP_SOURCE_DIR) + "/sample/";
  const std::string root = dir.path() + "/" + relative;
  if (server.empty()) {
    RunTool({"init", root});
  } else {
    RunTool({"init", root, "--server", server, "--schema", schema});
  }
  RunTool(SampleCompany(root));
  for (const char* table : kSampleTables) RunTool({"import", root, table, src + table + ".csv"});
  dir.Write(relative + "/LOCALE/MIRTOSEK.LNG", ReadFile(src + "LOCALE/MIRTOSEK.LNG"));
  // The sample's templates are written in UTF-8, as people write them.
  for (const char* name : kSampleTemplates) RunTool({"install", root, src + "TEXTOS/" + name});
  WriteQuietPrintProgram(dir.path() + "/exe");
}

struct UnitRange {
  int first_building = 1;
  int first_unit = 1;
  int last_building = 9999;
  int last_unit = 9999;
};

// The session files of a workstation in dir/<tmp>: terminal settings and the
// run parameters of one run as the menu writes them.
inline void WriteStation(const TempDir& dir, const std::string& tmp, const std::string& mode,
                         const std::string& language, const UnitRange& range = {}) {
  dir.Write(tmp + "/VornTerm.ini", "[Sistema]\r\nSortida=PDF\r\nIdioma=" + language + "\r\n");
  dir.Write(tmp + "/pent.tmp", "15/03/2024\r\n" + std::to_string(range.first_building) + "\r\n" +
                                   std::to_string(range.first_unit) + "\r\n" +
                                   std::to_string(range.last_building) + "\r\n" +
                                   std::to_string(range.last_unit) + "\r\n01\r\n11\r\n" + mode +
                                   "\r\nCARTA\r\nS\r\nS\r\nS\r\n");
}

}  // namespace testing_support
