// The run parameters: the twelve lines of "pent.tmp" that the suite's menu
// writes to the session's temporary directory before it starts the program.
//
//   1 report date (day-month-year text)     7 last anniversary month
//   2 first building code                   8 run mode "A", "I" or "C"
//   3 first unit code                       9 letter template name
//   4 last building code                   10 "S": letters for housing
//   5 last unit code                       11 "S": letters for premises marked "S"
//   6 first anniversary month              12 "S": letters for premises marked "N"
//
// Lines end in CR LF or LF. The file is read and checked before anything else
// touches the installation's files, so an unusable file changes nothing.
#pragma once

#include <string>
#include <string_view>

#include "base/dates.h"

namespace app {

struct RunParameters {
  base::PackedDate report_date;  // ZeroDate never passes the check
  std::string lower_bound;       // packed first building code + packed first unit code
  std::string upper_bound;       // packed last building code + packed last unit code
  std::string first_month;       // packed digits
  std::string last_month;        // packed digits
  std::string run_mode;          // "A" write back, "I" report, "C" letters
  std::string template_name;
  bool letters_housing = false;       // only the exact text "S" sets a flag
  bool letters_premises_s = false;
  bool letters_premises_n = false;
};

inline constexpr int kRunParameterLines = 12;

// Converts the twelve lines as the menu writes them. On an unusable file
// (fewer than twelve lines, unknown run mode, unreadable report date) returns
// false with a message naming the file and the line in *err.
[[nodiscard]] bool ParseRunParameters(std::string_view contents, std::string_view file_name,
                                      RunParameters* params, std::string* err);

// Reads path (through the path resolver) and parses it.
[[nodiscard]] bool ReadRunParameters(const std::string& path, RunParameters* params,
                                     std::string* err);

}  // namespace app
