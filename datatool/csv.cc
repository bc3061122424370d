#include "datatool/csv.h"

namespace datatool {

bool ParseCsv(std::string_view text, std::vector<CsvRow>* rows, std::string* err, char separator) {
  rows->clear();
  size_t i = 0;
  int line = 1;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") i = 3;  // a byte-order mark from a spreadsheet
  while (i < text.size()) {
    CsvRow row;
    row.line = line;
    std::string field;
    bool row_done = false;
    while (!row_done) {
      if (i < text.size() && text[i] == '"') {
        const int start_line = line;
        ++i;
        for (;;) {
          if (i >= text.size()) {
            *err = "line " + std::to_string(start_line) + ", column " +
                   std::to_string(row.fields.size() + 1) + ": unterminated quote";
            return false;
          }
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field.push_back('"');
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          field.push_back(text[i++]);
        }
        if (i < text.size() && text[i] != separator && text[i] != '\n' && text[i] != '\r') {
          *err = "line " + std::to_string(line) + ", column " +
                 std::to_string(row.fields.size() + 1) + ": text after a closing quote";
          return false;
        }
      } else {
        while (i < text.size() && text[i] != separator && text[i] != '\n' && text[i] != '\r') {
          field.push_back(text[i++]);
        }
      }
      row.fields.push_back(field);
      field.clear();
      if (i < text.size() && text[i] == separator) {
        ++i;
        continue;
      }
      if (i < text.size() && text[i] == '\r') ++i;
      if (i < text.size() && text[i] == '\n') ++i;
      ++line;
      row_done = true;
    }
    const bool blank = row.fields.size() == 1 && row.fields[0].empty();
    if (!blank) rows->push_back(row);
  }
  return true;
}

std::string CsvField(std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos &&
      (value.empty() || (value.front() != ' ' && value.back() != ' '))) {
    return std::string(value);
  }
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line.push_back(',');
    line += CsvField(fields[i]);
  }
  return line + "\n";
}

}  // namespace datatool
