#include "datatool/tables.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "base/dates.h"
#include "lease/price_index.h"
#include "storage/creation_block.h"
#include "storage/little_endian.h"
#include "storage/record_layouts.h"

namespace datatool {
namespace {

using storage::Field;

bool ParseInteger(std::string_view text, int64_t low, int64_t high, int64_t* value,
                  std::string* err) {
  const std::string s(text);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || errno != 0 || v < low || v > high) {
    *err = "\"" + s + "\" is not a whole number from " + std::to_string(low) + " to " +
           std::to_string(high);
    return false;
  }
  *value = v;
  return true;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool ParseIsoDate(std::string_view text, bool month_only, std::string* packed, std::string* err) {
  const size_t want = month_only ? 7 : 10;
  const std::string s(text);
  bool ok =
      s.size() == want && AllDigits(s.substr(0, 4)) && s[4] == '-' && AllDigits(s.substr(5, 2));
  if (ok && !month_only) ok = s[7] == '-' && AllDigits(s.substr(8, 2));
  int year = 0, month = 0, day = 1;
  if (ok) {
    year = std::atoi(s.substr(0, 4).c_str());
    month = std::atoi(s.substr(5, 2).c_str());
    if (!month_only) day = std::atoi(s.substr(8, 2).c_str());
    ok =
        year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= base::DaysInMonth(year, month);
  }
  if (!ok) {
    *err =
        "\"" + s + "\" is not a calendar " + (month_only ? "month (YYYY-MM)" : "date (YYYY-MM-DD)");
    return false;
  }
  *packed =
      base::PackDigits(base::ZeroPad(year, 4) + base::ZeroPad(month, 2) + base::ZeroPad(day, 2));
  return true;
}

std::string IsoDate(std::string_view packed, bool month_only) {
  if (packed == base::ZeroDate()) return "";
  const std::string d = base::UnpackDigits(packed);
  return d.substr(0, 4) + "-" + d.substr(4, 2) + (month_only ? "" : "-" + d.substr(6, 2));
}

bool ToCp850(std::string_view utf8, std::string* out, std::string* err) {
  *out = base::Utf8ToCp850(utf8);
  if (base::Cp850ToUtf8(*out) != utf8) {
    *err = "\"" + std::string(utf8) + "\" holds a character that code page 850 cannot hold";
    return false;
  }
  return true;
}

// The PackedDate of a month field, after its series.
Field MonthDate(const Column& c) {
  const int series = static_cast<int>(storage::kIndexSeries.size());
  return {c.position + series, c.width - series};
}

std::string TrimRight(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

}  // namespace

const std::vector<Table>& Tables() {
  static const std::vector<Table> tables = [] {
    std::vector<Table> with_columns;
    for (const Table& t : storage::kDataFiles) {
      if (!t.fields.empty()) with_columns.push_back(t);
    }
    std::sort(with_columns.begin(), with_columns.end(), [](const Table& a, const Table& b) {
      return base::UpperCase850(a.name) < base::UpperCase850(b.name);
    });
    return with_columns;
  }();
  return tables;
}

std::string TableNames() {
  std::string names;
  for (const Table& t : Tables()) names += (names.empty() ? "" : ", ") + std::string(t.name);
  return names;
}

const Table* FindTable(std::string_view name) {
  for (const Table& t : Tables()) {
    if (base::UpperCase850(t.name) == base::UpperCase850(name)) return &t;
  }
  return nullptr;
}

bool SetColumn(const Column& c, std::string_view text, std::string* record, std::string* err) {
  const Field f = c.Bytes();
  int64_t v = 0;
  switch (c.kind) {
    case Kind::kCode: {
      const size_t digits = static_cast<size_t>(2 * c.width);
      if (!AllDigits(text) || text.size() > digits) {
        *err = "\"" + std::string(text) + "\" is not a code of at most " + std::to_string(digits) +
               " digits";
        return false;
      }
      storage::SetBytes(record, f,
                        base::PackDigits(base::ZeroPad(std::atoll(std::string(text).c_str()),
                                                       static_cast<int>(digits))));
      return true;
    }
    case Kind::kText:
    case Kind::kFlag: {
      std::string cp;
      if (!ToCp850(text, &cp, err)) return false;
      // Control bytes, DEL and code page 850's byte 255 break the records'
      // readers: the merge file ends a value at 255, a line at CR or LF.
      for (size_t i = 0; i < cp.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(cp[i]);
        if (b < 32 || b == 127 || b == 255) {
          *err = "character " + std::to_string(i + 1) + " is a control character (byte " +
                 std::to_string(b) + "), which a text field may not hold";
          return false;
        }
      }
      if (static_cast<int>(cp.size()) > c.width) {
        *err = "\"" + std::string(text) + "\" is longer than " + std::to_string(c.width) +
               (c.width == 1 ? " letter" : " characters");
        return false;
      }
      storage::SetText(record, f, cp);
      return true;
    }
    case Kind::kDate: {
      std::string packed = base::ZeroDate();
      if (!text.empty() && !ParseIsoDate(text, false, &packed, err)) return false;
      storage::SetBytes(record, f, packed);
      return true;
    }
    case Kind::kMonth: {
      std::string packed;
      if (!ParseIsoDate(text, true, &packed, err)) return false;
      storage::SetBytes(record, f, std::string(storage::kIndexSeries) + packed);
      return true;
    }
    case Kind::kInt16:
      if (!ParseInteger(text, INT16_MIN, INT16_MAX, &v, err)) return false;
      storage::SetInt16(record, c.position, static_cast<int16_t>(v));
      return true;
    case Kind::kInt32:
      if (!ParseInteger(text, INT32_MIN, INT32_MAX, &v, err)) return false;
      storage::SetInt32(record, c.position, static_cast<int32_t>(v));
      return true;
    case Kind::kConcept:
      if (!ParseInteger(text, 1, 10, &v, err)) return false;
      storage::SetBytes(record, f, std::string(1, static_cast<char>(v)));
      return true;
    case Kind::kConceptCode:
      if (!ParseInteger(text, 0, 99, &v, err)) return false;
      storage::SetBytes(record, f, std::string(1, static_cast<char>(0x80 + v)));
      return true;
    case Kind::kDouble: {
      const std::string s(text);
      char* end = nullptr;
      const double d = std::strtod(s.c_str(), &end);
      if (s.empty() || *end != '\0' || !std::isfinite(d)) {
        *err = "\"" + s + "\" is not a decimal number";
        return false;
      }
      if (!lease::IsCpiValue(d)) {
        *err = "\"" + s + "\" is not an index from 0.001 to 999999.999";
        return false;
      }
      storage::SetDouble(record, c.position, d);
      return true;
    }
  }
  return false;
}

std::string GetColumn(const Column& c, std::string_view record) {
  const Field f = c.Bytes();
  switch (c.kind) {
    case Kind::kCode:
      return base::UnpackDigits(storage::GetBytes(record, f));
    case Kind::kText:
    case Kind::kFlag:
      return base::Cp850ToUtf8(TrimRight(storage::GetText(record, f)));
    case Kind::kDate:
      return IsoDate(storage::GetBytes(record, f), false);
    case Kind::kMonth:
      return IsoDate(storage::GetBytes(record, MonthDate(c)), true);
    case Kind::kInt16:
      return std::to_string(storage::GetInt16(record, c.position));
    case Kind::kInt32:
      return std::to_string(storage::GetInt32(record, c.position));
    case Kind::kConcept: {
      const int b = static_cast<unsigned char>(record[0]);
      return b < 0x80 ? std::to_string(b) : "";
    }
    case Kind::kConceptCode: {
      const int b = static_cast<unsigned char>(record[0]);
      return b >= 0x80 ? std::to_string(b - 0x80) : "";
    }
    case Kind::kDouble: {
      // The shortest decimal text that reads back as the same number.
      const double v = storage::GetDouble(record, c.position);
      char buf[400];
      for (int decimals = 0; decimals <= 17; ++decimals) {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        if (std::strtod(buf, nullptr) == v) break;
      }
      return buf;
    }
  }
  return "";
}

std::string EmptyRecord(const Table& t) {
  std::string r(static_cast<size_t>(t.record_length), '\0');
  for (const Column& c : t.fields) {
    if (c.kind == Kind::kText || c.kind == Kind::kFlag) storage::SetText(&r, c.Bytes(), "");
    if (c.kind == Kind::kDate) storage::SetBytes(&r, c.Bytes(), base::ZeroDate());
  }
  return r;
}

std::vector<Description> Descriptions() {
  std::vector<Description> out;
  for (const storage::DataFile& f : storage::kDataFiles) {
    storage::FileSpec file_spec;
    file_spec.record_length = static_cast<uint16_t>(f.record_length);
    storage::KeySpec key;
    key.segments = {{static_cast<uint16_t>(f.key.position), static_cast<uint16_t>(f.key.width)}};
    file_spec.keys = {key};
    const std::string block = storage::EncodeCreationBlock(file_spec);
    std::string xdf;
    storage::EncodeFixed16(&xdf, static_cast<uint16_t>(block.size()));
    out.push_back({f.name, xdf + block});
  }
  return out;
}

}  // namespace datatool
