#include "printer/print_commands.h"

#include <cerrno>
#include <cstdlib>

namespace printer {
namespace {

// A number field: optional blanks or sign, digits, optional blanks.
bool ParseNumber(std::string_view s, int* value) {
  std::string t(s);
  const size_t b = t.find_first_not_of(' ');
  if (b == std::string::npos) return false;
  t = t.substr(b, t.find_last_not_of(' ') - b + 1);
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(t.c_str(), &end, 10);
  if (t.empty() || *end != '\0' || errno != 0 || v < -100000 || v > 100000) return false;
  *value = static_cast<int>(v);
  return true;
}

}  // namespace

ParseResult ParsePrintCommands(std::string_view file) {
  ParseResult result;
  size_t start = 0;
  int line_number = 0;
  while (start < file.size()) {
    size_t end = file.find('\n', start);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(start, end - start);
    start = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    auto error = [&](const std::string& why) {
      result.errors.push_back("line " + std::to_string(line_number) + ": " + why);
    };
    Command c{Command::Kind::kText, "", 0, 0, line_number};
    if (line.substr(0, 6) == "DEVICE") {
      c.kind = Command::Kind::kDevice;
      c.text = std::string(line.substr(6));
    } else if (line.substr(0, 4) == "PAGE") {
      c.kind = Command::Kind::kPage;
      if (!ParseNumber(line.substr(4), &c.number) || c.number < 0) {
        error("PAGE without a line count");
        continue;
      }
    } else if (line.substr(0, 3) == "JUS") {
      c.kind = Command::Kind::kJustify;
      c.text = std::string(line.substr(3));
    } else if (line[0] == '*') {
      c.kind = Command::Kind::kControl;
      c.text = std::string(line.substr(1));
    } else {
      const size_t first = line.find(',');
      const size_t last = line.rfind(',');
      if (first == std::string_view::npos || first == last ||
          !ParseNumber(line.substr(0, first), &c.column) ||
          !ParseNumber(line.substr(last + 1), &c.number)) {
        error("not a print command");
        continue;
      }
      c.text = std::string(line.substr(first + 1, last - first - 1));
    }
    result.commands.push_back(c);
  }
  result.lines = line_number;
  return result;
}

}  // namespace printer
