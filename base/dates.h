// Dates and packed digit strings.
//
// A packed digit string holds a digit text two digits per byte, each byte
// 0x80 + the pair's value (0..99), so byte-wise comparison of two packed
// strings of one length orders them as the numbers they hold. A PackedDate
// is the packing of the eight-digit text YYYYMMDD (four bytes); the ZeroDate,
// four bytes 0x80, means no date. Dates are written for the report in the
// user's order and separator ("Vorn.ini" [Usuari] "DatOrdre", "DatCaracter",
// read on the first FormatDate) and in the session language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// Four bytes; see above.
using PackedDate = std::string;

// The packing of "00000000": no date.
PackedDate ZeroDate();

std::string PackDigits(std::string_view text);
std::string UnpackDigits(std::string_view packed);
std::string ZeroPad(int64_t value, int width);

// Day, month, year text ("12051956", "12/5/56", "12.5.1956") to a PackedDate;
// unreadable text gives the ZeroDate. Two-digit years are placed in the window
// around the current year of the clock seam below.
PackedDate ParseDate(std::string_view text);

// unit: "D" days, "M" months, "A" years, either case.
PackedDate AddToDate(const PackedDate& date, int32_t count, std::string_view unit);
int32_t DateDifference(const PackedDate& date1, const PackedDate& date2, std::string_view unit);

// style: -1 ISO, 0 numeric, 1 three-letter month, 2 (or above) long form.
// parts: any of "d", "m", "a"; the order of writing is always DateOrder.
using DateStyle = int;
std::string FormatDate(const PackedDate& date, DateStyle style, std::string_view parts);

// "12.3" packs the digits "00120003".
std::string PackDottedCode(std::string_view text);

// Seams for tests: the year of the system clock used by ParseDate's two-digit
// window (0 restores the real clock), and forgetting the date conventions so
// the next FormatDate reads "Vorn.ini" again.
void SetCurrentYearForTesting(int year);
void ResetDateSettingsForTesting();

}  // namespace base
