#include "datatool/ine_cpi.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "datatool/csv.h"

namespace datatool {
namespace {

struct TableBase {
  const char* table;
  int base;
};
constexpr TableBase kTables[] = {{"50902", 2021}, {"76125", 2025}};

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// INE's files come in UTF-8 or in ISO-8859-1; work on UTF-8.
std::string AsUtf8(std::string_view s) {
  if (IsValidUtf8(s)) return std::string(s);
  std::string out;
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// Lower case, without the accent of "Í", trimmed: how the labels compare.
std::string Label(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s.substr(i, 2) == "\xC3\x8D" || s.substr(i, 2) == "\xC3\xAD") {
      out.push_back('i');
      ++i;
      continue;
    }
    out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(s[i]))));
  }
  const size_t b = out.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  return out.substr(b, out.find_last_not_of(" \t") - b + 1);
}

std::string Trimmed(std::string_view s) {
  const size_t b = s.find_first_not_of(" \t\"");
  if (b == std::string_view::npos) return std::string();
  return std::string(s.substr(b, s.find_last_not_of(" \t\"") - b + 1));
}

bool IsPeriod(std::string_view s) {
  if (s.size() != 7 || s[4] != 'M') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6}) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  }
  const int month = (s[5] - '0') * 10 + (s[6] - '0');
  return month >= 1 && month <= 12;
}

// What a field before the period may say on a row of the national general
// index; anything else (another group, another data type, a region) is
// another series.
bool IsGeneralIndexLabel(const std::string& label) {
  static const char* const kLabels[] = {"indice general", "general",  "indice",
                                        "total nacional", "nacional", "total"};
  return std::find(std::begin(kLabels), std::end(kLabels), label) != std::end(kLabels);
}

// "114,674" (or "1.114,674") to "114.674"; empty when it is no number.
std::string DecimalValue(std::string_view text) {
  std::string s(text);
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  if (s.find(',') != std::string::npos) {
    s.erase(std::remove(s.begin(), s.end(), '.'), s.end());
    std::replace(s.begin(), s.end(), ',', '.');
  }
  const size_t point = s.find('.');
  const std::string whole = s.substr(0, point);
  const std::string decimals = point == std::string::npos ? std::string() : s.substr(point + 1);
  auto digits = [](const std::string& d) {
    return std::all_of(d.begin(), d.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
  };
  if (whole.empty() || !digits(whole) || !digits(decimals) ||
      (point != std::string::npos && decimals.empty())) {
    return std::string();
  }
  return s;
}

// The base the file names in its text ("base 2025"), 0 when it names none,
// -1 when it names two.
int BaseNamedIn(const std::string& text) {
  const std::string lower = Label(text);
  int found = 0;
  for (size_t at = lower.find("base "); at != std::string::npos; at = lower.find("base ", at + 5)) {
    const std::string year = lower.substr(at + 5, 4);
    if (year.size() != 4 ||
        !std::all_of(year.begin(), year.end(), [](char c) { return std::isdigit(c); }))
      continue;
    const int y = std::stoi(year);
    if (found != 0 && found != y) return -1;
    found = y;
  }
  return found;
}

int BaseOfTableName(std::string_view file_name) {
  const size_t slash = file_name.find_last_of("/\\");
  const std::string_view name =
      slash == std::string_view::npos ? file_name : file_name.substr(slash + 1);
  for (const TableBase& t : kTables) {
    if (name.find(t.table) != std::string_view::npos) return t.base;
  }
  return 0;
}

}  // namespace

const std::vector<IneBase>& KnownIneBases() {
  static const std::vector<IneBase> bases = {
      {2016, "2017-01", "2021-12"}, {2021, "2022-01", "2025-12"}, {2025, "2026-01", ""}};
  return bases;
}

bool ReadIneCpi(std::string_view raw, std::string_view file_name, int given_base, IneSeries* series,
                std::string* err) {
  const std::string text = AsUtf8(raw);
  std::vector<CsvRow> rows;
  if (!ParseCsv(text, &rows, err, ';')) return false;

  int base = given_base;
  const int named = BaseNamedIn(text);
  if (named < 0) {
    *err = "the file names two different bases; give the base with --base";
    return false;
  }
  if (base == 0) base = named != 0 ? named : BaseOfTableName(file_name);
  if (base == 0) {
    *err =
        "the file does not say its base; give it with --base YEAR (2021 for table 50902, 2025 for "
        "76125)";
    return false;
  }
  if (given_base != 0 && named != 0 && named != given_base) {
    *err = "the file says it is in base " + std::to_string(named) + ", not " +
           std::to_string(given_base);
    return false;
  }
  const auto known = std::find_if(KnownIneBases().begin(), KnownIneBases().end(),
                                  [&](const IneBase& b) { return b.year == base; });
  if (known == KnownIneBases().end()) {
    *err = "base " + std::to_string(base) +
           " is not a base of the CPI known to this program (2016, 2021, 2025)";
    return false;
  }
  series->base = *known;

  std::map<std::string, IneMonth> by_month;
  for (const CsvRow& row : rows) {
    size_t period = row.fields.size();
    for (size_t i = 0; i < row.fields.size(); ++i) {
      if (IsPeriod(Trimmed(row.fields[i]))) {
        period = i;
        break;
      }
    }
    if (period == row.fields.size() || period == 0 || period + 1 >= row.fields.size()) continue;
    bool general = false, other = false;
    for (size_t i = 0; i < period; ++i) {
      const std::string label = Label(row.fields[i]);
      if (label == "indice general" || label == "general") general = true;
      if (!label.empty() && !IsGeneralIndexLabel(label)) other = true;
    }
    if (!general || other) continue;
    const std::string& cell = row.fields[period + 1];
    if (Label(cell).empty() || Label(cell) == ".." || Label(cell) == ".")
      continue;  // not published
    const std::string value = DecimalValue(cell);
    const std::string p = Trimmed(row.fields[period]);
    const std::string month = p.substr(0, 4) + "-" + p.substr(5, 2);
    if (value.empty() || std::stod(value) < 0.001 || std::stod(value) > 999999.999) {
      *err = "line " + std::to_string(row.line) + ": \"" + cell + "\" is not an index value";
      return false;
    }
    const IneMonth m{month, value, row.line};
    const auto [it, inserted] = by_month.emplace(month, m);
    if (!inserted && std::stod(it->second.value) != std::stod(value)) {
      *err = "lines " + std::to_string(it->second.line) + " and " + std::to_string(row.line) +
             ": two values for " + month;
      return false;
    }
    if (inserted) series->months.push_back(m);
  }
  if (series->months.empty()) {
    *err = "no row of the general index (\"Índice general;Índice;2026M01;...\")";
    return false;
  }
  for (const auto& [month, m] : by_month) {
    if (month >= series->base.first && (series->base.last.empty() || month <= series->base.last)) {
      series->taken.push_back(m);
    }
  }
  return true;
}

}  // namespace datatool
