#include "base/dates.h"

#include <algorithm>
#include <cstdio>

#include "base/codepage.h"
#include "base/session_settings.h"

namespace base {
namespace {

// The session's date settings, for writing a date: their complaint, if any,
// is said with the first date written, once.
const DateSettings& DatesForWriting() {
  DateSettings& d = Settings().dates;
  SayComplaintOnce(&d.complaint);
  return d;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a digit text as the suite reads numbers: blanks are skipped,
// reading stops at the first other character. Returns false when the value
// does not fit a signed 16-bit number.
bool ValueOf16(std::string_view text, int* value) {
  long v = 0;
  for (char c : text) {
    if (c == ' ') continue;
    if (!IsDigit(c)) break;
    v = v * 10 + (c - '0');
    if (v > 32767) return false;
  }
  *value = static_cast<int>(v);
  return true;
}

struct Ymd {
  int year = 0;
  int month = 0;
  int day = 0;
};

Ymd Unpack(const PackedDate& date) { return Ymd{date.full_year(), date.month(), date.day()}; }

PackedDate Pack(int year, int month, int day) { return PackedDate(year, month, day); }

// Dates before the Gregorian reform of October 1582 follow the Julian rule.
bool JulianLeap(int y) { return y % 4 == 0; }

int MonthLength(int year, int month, bool gregorian) {
  if (month < 1 || month > 12) return 31;
  if (month == 2 && !gregorian) return JulianLeap(year) ? 29 : 28;
  return DaysInMonth(year, month);
}

int YearLength(int year) {
  const bool leap = year < 1582 ? JulianLeap(year) : IsLeapYear(year);
  return leap ? 366 : 365;
}

int MonthLengthByYear(int year, int month) { return MonthLength(year, month, year >= 1582); }

char UnitLetter(std::string_view unit) { return unit.empty() ? ' ' : UpperCase850(unit[0]); }

struct LanguageWords {
  const char* months[12];
  const char* before_consonant;
  const char* before_vowel;
  const char* before_day_or_year;
};

// Month names and joining words in UTF-8; converted to code page 850 on use.
constexpr LanguageWords kCatalan = {{"gener", "febrer", "març", "abril", "maig", "juny", "juliol",
                                     "agost", "setembre", "octubre", "novembre", "desembre"},
                                    " de ",
                                    " d'",
                                    " del "};
constexpr LanguageWords kSpanish = {{"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio",
                                     "agosto", "septiembre", "octubre", "noviembre", "diciembre"},
                                    " de ",
                                    " de ",
                                    " de "};
constexpr LanguageWords kGalician = {
    {"janeiro", "fevereiro", "março", "abril", "maio", "junho", "julho", "agosto", "setembro",
     "outubro", "novembro", "dezembro"},
    " de ",
    " de ",
    " do "};
constexpr LanguageWords kAranese = {{"gèr", "hereuèr", "març", "abriu", "mai", "junh", "junhsega",
                                     "agost", "seteme", "octobre", "noveme", "deseme"},
                                    " de ",
                                    " d'",
                                    " deth "};

const LanguageWords& WordsOf(Language language) {
  switch (language) {
    case Language::kSpanish:
      return kSpanish;
    case Language::kGalician:
      return kGalician;
    case Language::kAranese:
      return kAranese;
    case Language::kCatalan:
      break;
  }
  return kCatalan;
}

std::string MonthPiece(const LanguageWords& words, int month, DateStyle style) {
  if (style == 0) return std::to_string(month);
  if (month < 1 || month > 12) return std::string();
  const std::string name = Cp(words.months[month - 1]);
  return style == 1 ? name.substr(0, 3) : name;
}

}  // namespace

PackedDate PackedDate::FromBytes(std::string_view bytes) {
  PackedDate date;
  for (size_t i = 0; i < date.bytes_.size() && i < bytes.size(); ++i) {
    date.bytes_[i] = static_cast<unsigned char>(bytes[i]);
  }
  return date;
}

std::string PackedDate::Digits() const { return UnpackDigits(*this); }

std::string PackDigits(std::string_view text) {
  const size_t width = text.size();
  const size_t first = text.find_first_not_of(' ');
  std::string digits;
  if (first != std::string_view::npos) {
    digits = std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
  }
  digits.insert(0, width - digits.size(), '0');
  std::string packed;
  packed.reserve((width + 1) / 2);
  for (size_t i = 0; i + 1 < width + 1; i += 2) {
    auto value = [&](size_t k) { return k < width && IsDigit(digits[k]) ? digits[k] - '0' : 0; };
    if (i >= width) break;
    packed.push_back(static_cast<char>(0x80 + value(i) * 10 + value(i + 1)));
  }
  return packed;
}

std::string UnpackDigits(std::string_view packed) {
  std::string text;
  text.reserve(packed.size() * 2);
  for (char c : packed) {
    const int v = static_cast<unsigned char>(c) & 0x7F;
    text.push_back(static_cast<char>('0' + (v / 10) % 10));
    text.push_back(static_cast<char>('0' + v % 10));
  }
  return text;
}

std::string ZeroPad(int64_t value, int width) {
  if (width <= 0) return std::string();
  std::string text = std::to_string(value < 0 ? -value : value);
  if (static_cast<int>(text.size()) > width) return text.substr(text.size() - width);
  return std::string(width - text.size(), '0') + text;
}

PackedDate ParseDate(std::string_view text) {
  int field = 1, separators = 0;
  int day = 0, month = 0, year = 0;
  std::string acc;
  for (char c : text) {
    if (c == ' ' || IsDigit(c)) {
      acc.push_back(c);
    } else if (c == '.' || c == '/' || c == '-') {
      if (++separators > 2) return ZeroDate();
      if (!ValueOf16(acc, field == 1 ? &day : &month)) return ZeroDate();
      acc.clear();
      ++field;
    } else {
      return ZeroDate();
    }
  }
  std::string year_text;
  if (separators == 0) {
    const std::string_view t = text;
    if (!ValueOf16(t.substr(0, std::min<size_t>(2, t.size())), &day) ||
        !ValueOf16(t.size() > 2 ? t.substr(2, 2) : std::string_view(), &month)) {
      return ZeroDate();
    }
    year_text = t.size() > 4 ? std::string(t.substr(4)) : std::string();
  } else if (separators == 2) {
    year_text = acc;
  } else {
    return ZeroDate();
  }
  if (!ValueOf16(year_text, &year)) return ZeroDate();
  const size_t b = year_text.find_first_not_of(' ');
  const size_t trimmed = b == std::string::npos ? 0 : year_text.find_last_not_of(' ') - b + 1;
  if (day > 0 && month > 0 && trimmed <= 3) {
    const int now = Settings().dates.current_year;
    year += 100 * (now / 100);
    if (year - now > 49) {
      year -= 100;
    } else if (now - year > 50) {
      year += 100;
    }
  }
  if (year > 9999 || month > 99 || day > 99) return ZeroDate();
  return Pack(year, month, day);
}

PackedDate AddToDate(const PackedDate& date, int32_t count, std::string_view unit) {
  if (count == 0) return date;
  Ymd d = Unpack(date);
  const bool gregorian = date >= Pack(1582, 10, 5);
  const char u = UnitLetter(unit);
  // Wide intermediate values: a count near the limits of 32 bits must not overflow.
  int64_t year = d.year, month = d.month, day = d.day;
  if (u == 'D') {
    day += count;
  } else if (u == 'M') {
    month += count;
    const int64_t carry = month >= 1 ? (month - 1) / 12 : -((12 - month) / 12);
    year += carry;
    month -= 12 * carry;
  } else if (u == 'A') {
    year += count;
  } else {
    return date;
  }
  if (year > 9999) return Pack(9999, 12, 31);
  if (year < 0) return ZeroDate();
  auto length = [&] {
    return MonthLength(static_cast<int>(year), static_cast<int>(month), gregorian);
  };
  if (count > 0) {
    while (day > length()) {
      if (u != 'D') {
        day = length();
        break;
      }
      day -= length();
      if (++month > 12) {
        month = 1;
        if (++year > 9999) return Pack(9999, 12, 31);
      }
    }
  } else {
    // Going back by months or years keeps the day, brought within the target
    // month: 31 March less one month is the last day of February.
    if (u != 'D' && day > length()) day = length();
    while (day <= 0) {
      if (--month < 1) {
        month = 12;
        if (--year < 0) return ZeroDate();
      }
      day += length();
    }
  }
  return Pack(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
}

int32_t DateDifference(const PackedDate& date1, const PackedDate& date2, std::string_view unit) {
  const PackedDate& a = date1;
  const PackedDate& b = date2;
  if (a == b) return 0;
  const Ymd e = Unpack(a < b ? a : b);
  const Ymd l = Unpack(a < b ? b : a);
  switch (UnitLetter(unit)) {
    case 'D': {
      int64_t days = 0;
      for (int y = e.year + 1; y <= l.year - 1; ++y) days += YearLength(y);
      if (e.year < l.year) {
        for (int m = e.month; m <= 12; ++m) days += MonthLengthByYear(e.year, m);
        for (int m = 1; m <= l.month - 1; ++m) days += MonthLengthByYear(l.year, m);
      } else {
        for (int m = e.month; m <= l.month - 1; ++m) days += MonthLengthByYear(e.year, m);
      }
      return static_cast<int32_t>(days - e.day + l.day);
    }
    case 'M':
      return 12 * (l.year - e.year) + l.month - e.month;
    case 'A': {
      int years = l.year - e.year;
      if (e.month > l.month || (e.month == l.month && e.day > l.day)) --years;
      return years;
    }
    default:
      return 0;
  }
}

std::string FormatDate(const PackedDate& date, DateStyle style, std::string_view parts) {
  const DateSettings& settings = DatesForWriting();
  if (style > 1) style = 2;
  const Ymd d = Unpack(date);
  if (style < 0) {
    return ZeroPad(d.year, 4) + "-" + ZeroPad(d.month, 2) + "-" + ZeroPad(d.day, 2);
  }
  const LanguageWords& words = WordsOf(SessionLanguage());
  const std::string wanted = UpperCase850(parts);
  auto has = [&](char letter) { return wanted.find(letter) != std::string::npos; };
  std::string text;
  if (d.month != 0 || d.day != 0) {
    for (char letter : settings.order) {
      const char upper = UpperCase850(letter);
      if (!has(upper)) continue;
      std::string piece;
      std::string joint;
      if (upper == 'D') {
        piece = std::to_string(d.day);
      } else if (upper == 'A') {
        piece = ZeroPad(d.year, 4);
      } else if (upper == 'M') {
        piece = MonthPiece(words, d.month, style);
      } else {
        continue;
      }
      if (!text.empty()) {
        if (style < 2) {
          joint = settings.separator;
        } else if (upper == 'M') {
          const char first = piece.empty() ? ' ' : UpperCase850(piece[0]);
          const bool vowel = std::string("AEIOU").find(first) != std::string::npos;
          joint = Cp(vowel ? words.before_vowel : words.before_consonant);
        } else {
          joint = Cp(words.before_day_or_year);
        }
      }
      text += joint + piece;
    }
  }
  if (style == 2) return text;
  int width = static_cast<int>(parts.size()) - 1;
  if (has('D')) width += 2;
  if (has('M')) width += style + 2;
  if (has('A')) width += 4;
  if (width < 0) width = 0;
  text.resize(static_cast<size_t>(width), ' ');
  return text;
}

std::string PackDottedCode(std::string_view text) {
  size_t dots = 0;
  for (char c : text) dots += c == '.';
  const bool wide_first = (dots == 0 && text.size() == 6) || (text.size() == 11 && dots < 2);
  std::string digits;
  size_t start = 0;
  bool first = true;
  while (start <= text.size()) {
    size_t end = text.find('.', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view group = text.substr(start, end - start);
    const bool last = end == text.size();
    if (!(last && group.empty() && !first)) {
      int64_t value = 0;
      for (char c : group) {
        if (c == ' ') continue;
        if (!IsDigit(c)) break;
        value = (value * 10 + (c - '0')) % 1000000000000LL;
      }
      digits += ZeroPad(value, first && wide_first ? 6 : 4);
    }
    first = false;
    start = end + 1;
  }
  return PackDigits(digits);
}

}  // namespace base
