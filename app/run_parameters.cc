#include "app/run_parameters.h"

#include <algorithm>
#include <chrono>

#include "base/platform.h"

namespace app {
namespace {

constexpr int kCodeMaximum = 9999;

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

std::string Problem(const ParameterText& t, std::string_view what, std::string_view rule) {
  return t.origin + ": " + std::string(what) + " \"" + t.value + "\" " + std::string(rule);
}

std::string_view TrimBlanks(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The value of a text of decimal digits (blanks around it allowed), or -1
// when it holds anything else or nothing. Values stop growing past limit.
int DigitsValue(std::string_view text, int limit) {
  const std::string_view digits = TrimBlanks(text);
  if (digits.empty()) return -1;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = std::min(value * 10 + (c - '0'), limit + 1);
  }
  return value;
}

// The date must exist in the calendar: ParseDate takes "31/02/2025" and
// "45/13/2025" as well, and the report would be dated on a day that never was.
bool IsCalendarDate(const base::PackedDate& date) {
  const int year = date.full_year();
  const unsigned month = static_cast<unsigned>(date.month());
  const unsigned day = static_cast<unsigned>(date.day());
  return year >= 1 && std::chrono::year_month_day(std::chrono::year(year),
                                                  std::chrono::month(month), std::chrono::day(day))
                          .ok();
}

// "2025-03-15" read as "15/03/2025"; any other text as it stands.
std::string DayMonthYear(const std::string& date) {
  const size_t first = date.find('-');
  const size_t second = first == std::string::npos ? first : date.find('-', first + 1);
  if (first != 4 || second == std::string::npos) return date;
  return date.substr(second + 1) + "/" + date.substr(first + 1, second - first - 1) + "/" +
         date.substr(0, first);
}

bool CheckDate(const ParameterText& t, base::PackedDate* date, std::string* err) {
  *date = base::ParseDate(DayMonthYear(t.value));
  if (*date == base::ZeroDate()) {
    *err = Problem(t, "report date", "is not a date");
    return false;
  }
  if (!IsCalendarDate(*date)) {
    *err = Problem(t, "report date", "is not a calendar date");
    return false;
  }
  return true;
}

// Building and unit codes are packed four digits wide: a longer value would
// lose its leading digits and select other units than the ones asked for.
bool CheckCode(const ParameterText& t, std::string_view what, std::string* packed,
               std::string* err) {
  const int value = DigitsValue(t.value, kCodeMaximum);
  if (value < 0 || value > kCodeMaximum) {
    *err = Problem(t, what, "is not a code of up to four digits");
    return false;
  }
  *packed += base::PackDigits(base::ZeroPad(value, 4));
  return true;
}

// The month is packed two digits wide: a lone "1" packed as it stands would
// be the tens digit, October, and drop every anniversary from January on.
bool CheckMonth(const ParameterText& t, std::string_view what, std::string* packed,
                std::string* err) {
  const int value = DigitsValue(t.value, 12);
  if (value < 1 || value > 12) {
    *err = Problem(t, what, "is not a month from 1 to 12");
    return false;
  }
  *packed = base::PackDigits(base::ZeroPad(value, 2));
  return true;
}

bool CheckFlag(const ParameterText& t, std::string_view what, bool* flag, std::string* err) {
  if (t.value != "S" && t.value != "N") {
    *err = Problem(t, what, "is neither \"S\" nor \"N\"");
    return false;
  }
  *flag = t.value == "S";
  return true;
}

// The one place where the mode's letter is read: exactly "A", "I" or "C".
bool CheckMode(const ParameterText& t, RunMode* mode, std::string* err) {
  for (const RunMode m : kRunModes) {
    if (t.value == RunModeLetter(m)) {
      *mode = m;
      return true;
    }
  }
  *err = Problem(t, "run mode", "is not \"A\", \"I\" or \"C\"");
  return false;
}

}  // namespace

bool CheckRunParameters(const RunParameterTexts& t, RunParameters* params, std::string* err) {
  RunParameters p;
  if (!CheckDate(t[0], &p.report_date, err) ||
      !CheckCode(t[1], "first building code", &p.lower_bound, err) ||
      !CheckCode(t[2], "first unit code", &p.lower_bound, err) ||
      !CheckCode(t[3], "last building code", &p.upper_bound, err) ||
      !CheckCode(t[4], "last unit code", &p.upper_bound, err) ||
      !CheckMonth(t[5], "first anniversary month", &p.first_month, err) ||
      !CheckMonth(t[6], "last anniversary month", &p.last_month, err)) {
    return false;
  }
  if (!CheckMode(t[7], &p.run_mode, err)) return false;
  p.template_name = t[8].value;
  const auto control = std::find_if(p.template_name.begin(), p.template_name.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 32 || b == 127;
  });
  if (control != p.template_name.end()) {
    *err = t[8].origin + ": template name: byte " +
           std::to_string(static_cast<unsigned char>(*control)) + " at character " +
           std::to_string(control - p.template_name.begin() + 1) +
           " is a control character, which no file name of the suite holds";
    return false;
  }
  if (!CheckFlag(t[9], "letter flag for housing", &p.letters_housing, err) ||
      !CheckFlag(t[10], "letter flag for premises marked \"S\"", &p.letters_premises_s, err) ||
      !CheckFlag(t[11], "letter flag for premises marked \"N\"", &p.letters_premises_n, err)) {
    return false;
  }
  *params = p;
  return true;
}

bool ParseRunParameters(std::string_view contents, std::string_view file_name,
                        RunParameters* params, std::string* err) {
  const std::vector<std::string> lines = SplitLines(contents);
  if (lines.size() < static_cast<size_t>(kRunParameterLines)) {
    *err = std::string(file_name) + ":" + std::to_string(lines.size() + 1) +
           ": missing line: the run parameters need " + std::to_string(kRunParameterLines) +
           " lines, the file has " + std::to_string(lines.size());
    return false;
  }
  RunParameterTexts texts;
  for (size_t i = 0; i < texts.size(); ++i) {
    texts[i] = {lines[i], std::string(file_name) + ":" + std::to_string(i + 1)};
  }
  return CheckRunParameters(texts, params, err);
}

bool ReadRunParameters(const std::string& path, RunParameters* params, std::string* err) {
  std::string contents;
  if (!base::ReadWholeFile(path, &contents)) {
    *err = base::ResolvePath(path) + ": cannot read the run parameters";
    return false;
  }
  return ParseRunParameters(contents, base::ResolvePath(path), params, err);
}

std::string DottedKey(std::string_view packed_key) {
  const std::string digits = base::UnpackDigits(packed_key);
  return digits.substr(0, 4) + "." + digits.substr(4);
}

std::vector<std::string> RunParameterNotes(const RunParameters& p) {
  std::vector<std::string> notes;
  if (p.lower_bound > p.upper_bound) {
    notes.push_back("the first unit " + DottedKey(p.lower_bound) + " lies above the last " +
                    DottedKey(p.upper_bound) + ": the range selects no unit");
  }
  if (p.first_month > p.last_month) {
    notes.push_back("the first anniversary month " + base::UnpackDigits(p.first_month) +
                    " comes after the last " + base::UnpackDigits(p.last_month) +
                    ": the month window selects no unit");
  }
  return notes;
}

}  // namespace app
