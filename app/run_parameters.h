// The run parameters: the twelve lines of "pent.tmp" that the suite's menu
// writes to the session's temporary directory before it starts the program,
// or the same twelve values given as options on the command line.
//
//   1 report date (day-month-year text)     7 last anniversary month
//   2 first building code                   8 run mode "A", "I" or "C"
//   3 first unit code                       9 letter template name
//   4 last building code                   10 "S": letters for housing
//   5 last unit code                       11 "S": letters for premises marked "S"
//   6 first anniversary month              12 "S": letters for premises marked "N"
//
// Lines end in CR LF or LF. The values are checked before anything else
// touches the installation's files, so unusable parameters change nothing:
// the report date a real calendar date (day-month-year, or YYYY-MM-DD), codes of up to four digits,
// months 1 to 12 (one digit or two), the run mode "A", "I" or "C", the letter flags "S" or "N".
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_mode.h"
#include "base/dates.h"

namespace app {

struct RunParameters {
  base::PackedDate report_date;  // ZeroDate never passes the check
  std::string lower_bound;       // packed first building code + packed first unit code
  std::string upper_bound;       // packed last building code + packed last unit code
  std::string first_month;       // packed digits of the two-digit month
  std::string last_month;        // packed digits of the two-digit month
  RunMode run_mode = RunMode::kReport;
  std::string template_name;
  bool letters_housing = false;  // line 10 "S"
  bool letters_premises_s = false;
  bool letters_premises_n = false;
  // Not a line of "pent.tmp": run mode "A" as a preview, which writes
  // nothing (no record and no lock entry).
  bool preview = false;
};

inline constexpr int kRunParameterLines = 12;

// One run parameter as given, and where it came from, for the messages:
// "pent.tmp:6" for a line of the file, "--first-month" for an option.
struct ParameterText {
  std::string value;
  std::string origin;
};
using RunParameterTexts = std::array<ParameterText, kRunParameterLines>;

// Checks and converts the twelve values. On the first unusable one returns
// false with one message naming its origin and the value in *err.
[[nodiscard]] bool CheckRunParameters(const RunParameterTexts& texts, RunParameters* params,
                                      std::string* err);

// Converts the twelve lines as the menu writes them. A file of fewer than
// twelve lines, or with an unusable line, gives false with a message naming
// the file and the line in *err.
[[nodiscard]] bool ParseRunParameters(std::string_view contents, std::string_view file_name,
                                      RunParameters* params, std::string* err);

// Reads path (through the path resolver) and parses it.
[[nodiscard]] bool ReadRunParameters(const std::string& path, RunParameters* params,
                                     std::string* err);

// Whether the run writes records and lock entries: mode "A", not as a preview.
inline bool WritesBack(const RunParameters& params) {
  return params.run_mode == RunMode::kWriteBack && !params.preview;
}

// What a person should hear about parameters that pass the check but select
// nothing: a first key above the last, a first month after the last.
std::vector<std::string> RunParameterNotes(const RunParameters& params);

// "0007.0003": a packed building and unit key as the notes show it.
std::string DottedKey(std::string_view packed_key);

}  // namespace app
