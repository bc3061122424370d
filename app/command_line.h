// The command line of mirtosek.
//
// Without arguments the program runs as the suite's menu starts it: the run
// parameters come from "pent.tmp" in the session's temporary directory. With
// arguments they come from options instead, one option per line of
// "pent.tmp" with the usual defaults (report date today, the whole key range,
// months 1 to 12, mode "I", no letters), plus the data root, the output, the
// language and the template. The options are turned into the same twelve
// texts as the file's lines, so both go through one check.
#pragma once

#include <string>
#include <vector>

#include "app/run_parameters.h"

namespace app {

struct CommandLine {
  enum class Action { kMenuRun, kOptionsRun, kHelp, kVersion };
  Action action = Action::kMenuRun;
  RunParameterTexts parameters;  // kOptionsRun: the twelve values and their options
  std::string root;              // --root, absolute; empty: KEPROOT
  std::string output;            // --output as a print destination ("PDF:path", "TXT:path")
  std::string language;          // --lang, upper case; empty: the session's
  std::string preview;  // --preview, absolute: mode "A" writes nothing, its changes go here
  std::string results;  // --results, absolute: the results table
};

// A CSV file to be written: its folder exists and it is no folder itself.
// False with a message naming origin (the option or the setting).
[[nodiscard]] bool CheckCsvPath(const std::string& path, const std::string& origin,
                                std::string* err);

// today: the report date when --date is not given, DD/MM/YYYY. False on an
// unknown option, a missing option argument or a stray argument, with the
// message in *err (the caller adds the usage line). Reads and writes nothing.
[[nodiscard]] bool ParseCommandLine(int argc, char** argv, const std::string& today,
                                    CommandLine* command, std::string* err);

// Checks the values only the options carry (language, output folder,
// template of the letters) against the run parameters they were checked
// into; false with a message naming the option.
[[nodiscard]] bool CheckOptionValues(const CommandLine& command, const RunParameters& params,
                                     std::string* err);

// What a person should hear about options that pass the checks but do
// nothing: mode C without any kind of letter.
std::vector<std::string> OptionNotes(const RunParameters& params);

std::string UsageLine();
std::string HelpText();
std::string VersionText();

// Today's date as DD/MM/YYYY, from the system clock in local time.
std::string TodayText();

}  // namespace app
