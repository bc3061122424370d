#include "app/run_parameters.h"

#include <vector>

#include "base/platform.h"

namespace app {
namespace {

std::vector<std::string> SplitLines(std::string_view contents) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < contents.size()) {
    size_t end = contents.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = contents.size();
    std::string line(contents.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string LineError(std::string_view file, int line, std::string_view what) {
  return std::string(file) + ":" + std::to_string(line) + ": " + std::string(what);
}

}  // namespace

bool ParseRunParameters(std::string_view contents, std::string_view file_name,
                        RunParameters* params, std::string* err) {
  const std::vector<std::string> lines = SplitLines(contents);
  if (lines.size() < static_cast<size_t>(kRunParameterLines)) {
    *err = LineError(file_name, static_cast<int>(lines.size()) + 1,
                     "missing line: the run parameters need " +
                         std::to_string(kRunParameterLines) + " lines, the file has " +
                         std::to_string(lines.size()));
    return false;
  }
  RunParameters p;
  p.report_date = base::ParseDate(lines[0]);
  if (p.report_date == base::ZeroDate()) {
    *err = LineError(file_name, 1, "report date \"" + lines[0] + "\" is not a date");
    return false;
  }
  p.lower_bound = base::PackDottedCode(lines[1]) + base::PackDottedCode(lines[2]);
  p.upper_bound = base::PackDottedCode(lines[3]) + base::PackDottedCode(lines[4]);
  p.first_month = base::PackDigits(lines[5]);
  p.last_month = base::PackDigits(lines[6]);
  p.run_mode = lines[7];
  if (p.run_mode != "A" && p.run_mode != "I" && p.run_mode != "C") {
    *err = LineError(file_name, 8, "run mode \"" + lines[7] + "\" is not \"A\", \"I\" or \"C\"");
    return false;
  }
  p.template_name = lines[8];
  p.letters_housing = lines[9] == "S";
  p.letters_premises_s = lines[10] == "S";
  p.letters_premises_n = lines[11] == "S";
  *params = p;
  return true;
}

bool ReadRunParameters(const std::string& path, RunParameters* params, std::string* err) {
  std::string contents;
  if (!base::ReadWholeFile(path, &contents)) {
    *err = base::ResolvePath(path) + ": cannot read the run parameters";
    return false;
  }
  return ParseRunParameters(contents, base::ResolvePath(path), params, err);
}

}  // namespace app
