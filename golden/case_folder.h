// A golden case: a folder under testdata/ that holds case.ini, read into the
// runs it asks for and the reviewed files each run is compared with.
// testdata/README.md describes the folder; in short:
//
//   case.ini    [case] program, installation and the program's keys;
//               [input] and [expect] of a case of one step
//   input/      files copied into the run folder before the run
//   expected/   files compared byte for byte with the same path of the run
//               folder after the run
//   1_name/ ... steps, run in the order of their names on one run folder,
//               each with its input/, expected/ and step.ini ([input],
//               [expect]); a case with steps has no input/ or expected/ of
//               its own
#pragma once

#include <map>
#include <string>
#include <vector>

namespace golden {

// A reviewed file and what the run left that must equal it: a path of the
// run folder, or a view of one (views.h).
struct Expectation {
  std::string expected;  // absolute path
  std::string view;
};

// A file put in the run folder before a run.
struct Input {
  std::string source;    // absolute path
  std::string run_path;  // relative to the run folder
};

// One run of the case's program.
struct Step {
  std::string folder;  // absolute path
  std::vector<Input> inputs;
  std::vector<Expectation> expectations;
};

struct Case {
  std::string name;                         // the folder's path under testdata/, "report/mode_i"
  std::string folder;                       // absolute path
  std::map<std::string, std::string> keys;  // the [case] section
  std::vector<Step> steps;

  // The value of a key of [case], or fallback when there is none.
  std::string Key(const std::string& key, const std::string& fallback = "") const;
};

// The paths, under root and relative to it, of every folder that holds
// case.ini, sorted. Folders inside a case folder are not searched.
std::vector<std::string> FindCaseFolders(const std::string& root);

// Reads the case of testdata folder root/name. False, with *err saying
// where, when case.ini or a step cannot be read or the case compares
// nothing.
[[nodiscard]] bool ReadCase(const std::string& root, const std::string& name, Case* c,
                            std::string* err);

}  // namespace golden
