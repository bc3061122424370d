// Code page 850, the program's own text encoding.
//
// Every text inside the program is a byte string in code page 850, as the
// suite's files and the console of the workstations hold it. Source files are
// UTF-8: literal texts are written readably and converted with Cp() where they
// are defined. Conversion to UTF-8 happens only where text leaves for a person
// (terminal, rendered print output, CSV of the data tool).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// The Unicode code point of a code page 850 byte.
char32_t Cp850ToUnicode(unsigned char byte);

// The code page 850 byte of a code point, or -1 when the page has none.
int UnicodeToCp850(char32_t cp);

std::string Cp850ToUtf8(std::string_view text);

// Characters that code page 850 lacks become "?".
std::string Utf8ToCp850(std::string_view text);

// Decodes one well-formed UTF-8 sequence at text[*i] (shortest form, no
// surrogates, at most U+10FFFF) and moves *i past it; returns -1 and leaves
// *i as it was when the bytes there are not UTF-8.
// REQUIRES: *i < text.size().
int32_t NextUtf8(std::string_view text, size_t* i);

// A program literal written in UTF-8, as code page 850 bytes.
std::string Cp(std::string_view utf8_literal);

// Upper case by the system's character tables: ASCII letters and the accented
// letters of code page 850 that have a capital there.
char UpperCase850(char c);
std::string UpperCase850(std::string_view text);
char LowerCase850(char c);
std::string LowerCase850(std::string_view text);

}  // namespace base
