// Numbers through edit pictures, and amounts in the session's currency.
//
// A picture such as "ZZ,ZZZ,ZZ9" or "ZZZ9.999%" is the template of the
// output: "9" always shows a digit; "Z" (or "z") is blank among the leading
// zeros; "*" is "*" there; "." is the decimal point (DecimalChar); "," a
// thousands separator (ThousandsChar); "-" and "+" sign positions; any other
// character is copied. A picture without a sign gives a negative value a
// floating "-" left of its digits. A value too wide prints plainly, right-
// aligned, or as "!" in every position when even its integer digits do not
// fit. DecimalChar, ThousandsChar and the currencies are the session's
// NumberSettings (base/session_settings.h), which the program loads when it
// starts.
#pragma once

#include <string>
#include <string_view>

namespace base {

// The text has exactly the picture's length. Rounding is half to even on the
// value scaled to the picture's decimal places.
std::string FormatPicture(std::string_view picture, double value);

// amount: whole hundredths of the base currency. The picture gives only the
// shape (fill, grouping, sign, whether zero shows); two decimals are added
// for the euro; the peseta (current currency "P") shows whole pesetas.
std::string FormatAmount(std::string_view picture, double amount);

// "A,c": base currency c, made current; "X,c": alternative currency c; "P":
// the alternative (or the base) becomes current; anything else: the base.
void SetCurrency(std::string_view setting);
std::string CurrentCurrency();

char DecimalChar();
char ThousandsChar();

}  // namespace base
