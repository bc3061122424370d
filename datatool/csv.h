// Comma-separated values as spreadsheets write them (RFC 4180): fields in
// double quotes may hold commas, quotes (doubled) and line ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace datatool {

struct CsvRow {
  int line = 0;  // 1-based line where the row starts
  std::vector<std::string> fields;
};

// False with a message (line and column) on an unterminated quote or text
// after a closing quote. INE's downloads separate their fields by ";".
[[nodiscard]] bool ParseCsv(std::string_view text, std::vector<CsvRow>* rows, std::string* err,
                            char separator = ',');

std::string CsvField(std::string_view value);
std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace datatool
