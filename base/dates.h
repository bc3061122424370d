// Dates and packed digit strings.
//
// A packed digit string holds a digit text two digits per byte, each byte
// 0x80 + the pair's value (0..99), so byte-wise comparison of two packed
// strings of one length orders them as the numbers they hold. A PackedDate
// is the packing of the eight-digit text YYYYMMDD (four bytes: century, year
// of the century, month, day); the ZeroDate, four bytes 0x80, means no date.
// Dates are written for the report in the user's order and separator and in
// the session language, and two-digit years are read around the current year:
// the session's DateSettings (base/session_settings.h), which the program
// loads when it starts.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// A date as the records hold it; see above. Dates compare as their bytes,
// which is their order in time. A PackedDate need not be a calendar date:
// "31021999" packs as it stands.
class PackedDate {
 public:
  // The ZeroDate.
  constexpr PackedDate() : bytes_{0x80, 0x80, 0x80, 0x80} {}
  // REQUIRES: year 0..9999, month and day 0..99; other values keep their
  // last digits, as the packing of their ZeroPad text does.
  constexpr PackedDate(int year, int month, int day)
      : bytes_{Byte(year / 100), Byte(year), Byte(month), Byte(day)} {}
  // The bytes of a date field; a shorter value is completed with zero
  // digits (bytes 0x80), a longer one is cut after four bytes.
  static PackedDate FromBytes(std::string_view bytes);

  // The values as the digits of the bytes read: a byte outside 0x80..0xE3,
  // which no date of the suite holds, reads as the last two digits of its
  // low seven bits, as UnpackDigits reads it.
  constexpr int century() const { return Value(0); }
  constexpr int year_of_century() const { return Value(1); }
  constexpr int full_year() const { return 100 * century() + year_of_century(); }
  constexpr int month() const { return Value(2); }
  constexpr int day() const { return Value(3); }
  constexpr bool IsZero() const { return *this == PackedDate(); }

  // The eight digits "YYYYMMDD".
  std::string Digits() const;
  // The four bytes, for a record field or a record key.
  std::string Bytes() const { return std::string(std::string_view(*this)); }
  // A record field takes the date's bytes as they stand (storage::SetBytes
  // and the data tool's field writers).
  operator std::string_view() const {
    return std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
  }
  operator std::string() const { return std::string(std::string_view(*this)); }

  friend constexpr auto operator<=>(const PackedDate&, const PackedDate&) = default;
  friend constexpr bool operator==(const PackedDate&, const PackedDate&) = default;
  // A date against the bytes of a record field, byte for byte.
  friend bool operator==(const PackedDate& date, std::string_view bytes) {
    return std::string_view(date) == bytes;
  }

 private:
  static constexpr unsigned char Byte(int value) {
    return static_cast<unsigned char>(0x80 + (value < 0 ? -value : value) % 100);
  }
  constexpr int Value(int at) const { return (bytes_[at] & 0x7F) % 100; }

  std::array<unsigned char, 4> bytes_;  // compared unsigned, as the records order them
};

// The packing of "00000000": no date.
constexpr PackedDate ZeroDate() { return PackedDate(); }

// The Gregorian rule: every fourth year, but of the hundredth years only
// those divisible by 400.
constexpr bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// The days of a month of that calendar. REQUIRES: month 1..12.
constexpr int DaysInMonth(int year, int month) {
  if (month == 2) return IsLeapYear(year) ? 29 : 28;
  return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
}

std::string PackDigits(std::string_view text);
std::string UnpackDigits(std::string_view packed);
std::string ZeroPad(int64_t value, int width);

// Day, month, year text ("12051956", "12/5/56", "12.5.1956") to a PackedDate;
// unreadable text gives the ZeroDate. A year of up to three digits is put in
// the century of Settings().dates.current_year, then moved a century back
// when that lies more than 49 years after the current year, or forward when
// more than 50 before it: "12/5/95" is 1995 in 2026.
PackedDate ParseDate(std::string_view text);

// unit: "D" days, "M" months, "A" years, either case.
PackedDate AddToDate(const PackedDate& date, int32_t count, std::string_view unit);
int32_t DateDifference(const PackedDate& date1, const PackedDate& date2, std::string_view unit);

// style: -1 ISO, 0 numeric, 1 three-letter month, 2 (or above) long form.
// parts: any of "d", "m", "a"; the order of writing is always the user's
// (DateSettings).
using DateStyle = int;
std::string FormatDate(const PackedDate& date, DateStyle style, std::string_view parts);

// "12.3" packs the digits "00120003".
std::string PackDottedCode(std::string_view text);

}  // namespace base
