#include "golden/programs.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/session_settings.h"
#include "output/print_output.h"
#include "output/template_merge.h"
#include "printer/divivovi.h"
#include "testing/installation_folder.h"
#include "testing/run_mirtosek.h"
#include "testing/sample_installation.h"

namespace golden {
namespace {

using testing_support::ReadFile;

// The value with every "$RUN" replaced by the run folder.
std::string WithRunFolder(std::string value, const std::string& run_dir) {
  for (size_t at = value.find("$RUN"); at != std::string::npos; at = value.find("$RUN", at)) {
    value.replace(at, 4, run_dir);
    at += run_dir.size();
  }
  return value;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Compares how the program ended with "status" of [case] (0 when not given).
bool EndedAsExpected(const Case& c, int status, const std::string& said, std::string* err) {
  if (std::to_string(status) == c.Key("status", "0")) return true;
  *err = c.Key("program") + " ended with status " + std::to_string(status) + ", not " +
         c.Key("status", "0") + "; it said:\n" + said;
  return false;
}

// mirtosek on the installation, as the suite's menu starts it; its
// standard error is in run/stderr.
bool RunMirtosekProcess(const Case& c, const std::string& run_dir, std::string* err) {
  testing_support::WriteQuietPrintProgram(run_dir + "/exe");
  const int status = testing_support::RunMirtosek(run_dir + "/inst/", run_dir + "/exe/",
                                                  run_dir + "/tmp", run_dir + "/stderr");
  return EndedAsExpected(c, status, ReadFile(run_dir + "/stderr"), err);
}

// The merge engine prints template "template" with the fields of the merge
// file "merge" (none when not given) into the print file run/divivovi.tmp
// opened for device "device"; the run folder is the data root, so the
// templates are in run/TEXTOS.
bool RunTemplateMerge(const Case& c, const std::string& run_dir, std::string* err) {
  base::Settings().tmp_dir = run_dir + "/";
  base::Settings().root_dir = run_dir + "/";
  output::PrintFile print;
  const bool opened = print.Open(c.Key("device"), err);
  if (opened) {
    const std::string merge = c.Key("merge");
    output::TemplateMerge(print).Merge(c.Key("template"),
                                       merge.empty() ? "" : run_dir + "/" + merge,
                                       static_cast<int16_t>(std::stoi(c.Key("flag", "0"))));
    print.Close();
  }
  base::Settings() = base::SessionSettings();
  return opened;
}

// The print program on print file "print", whose DEVICE line becomes
// "DEVICE" + "device" when that is given, with the words of "args" after
// it; KEPROOT is run/inst/.
bool RunPrintProgram(const Case& c, const std::string& run_dir, std::string* err) {
  const std::string print = run_dir + "/" + c.Key("print");
  if (c.keys.count("device") != 0) {
    const std::string commands = ReadFile(print);
    const size_t end = commands.find("\r\n");
    std::ofstream(print, std::ios::binary | std::ios::trunc)
        << "DEVICE" + WithRunFolder(c.Key("device"), run_dir) +
               (end == std::string::npos ? "" : commands.substr(end));
  }
  std::vector<std::string> args = {print};
  for (const std::string& w : Words(WithRunFolder(c.Key("args"), run_dir))) args.push_back(w);
  ::setenv("KEPROOT", (run_dir + "/inst/").c_str(), 1);
  std::ostringstream out, said;
  const int status = printer::RunDivivovi(args, out, said);
  ::unsetenv("KEPROOT");
  return EndedAsExpected(c, status, out.str() + said.str(), err);
}

struct Program {
  const char* name;
  bool (*run)(const Case& c, const std::string& run_dir, std::string* err);
};

const Program kPrograms[] = {
    {"mirtosek", RunMirtosekProcess},
    {"template-merge", RunTemplateMerge},
    {"divivovi", RunPrintProgram},
};

}  // namespace

void MakeInstallation(const Case& c, const testing_support::TempDir& run) {
  const std::string name = c.Key("installation");
  if (name.empty()) return;
  if (name == "sample") {
    testing_support::BuildSampleInstallation(run, "inst");
  } else {
    testing_support::BuildInstallationFromFolder(run, "inst",
                                                 testing_support::InstallationFolder(name));
  }
}

bool RunProgram(const Case& c, const std::string& run_dir, std::string* err) {
  for (const Program& p : kPrograms) {
    if (c.Key("program") == p.name) return p.run(c, run_dir, err);
  }
  *err = "no program \"" + c.Key("program") + "\"";
  return false;
}

}  // namespace golden
