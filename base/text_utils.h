// Paragraph wrapping and the small text utilities several modules share.
//
// FormatParagraph is the one line-breaking and alignment routine of the
// report paragraphs, the letter lines and the message windows. Texts are code
// page 850 bytes; a byte below 32 is a printer or screen control that takes
// no column. The ValueStack keeps texts across a nested operation (the record
// layer keeps a record position there while it re-reads, the print output a
// setting).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

// Breaks text into lines of width columns at blanks and aligns each line by
// mode (compared in upper case): "E", "L", "I" left padded with blanks; "N"
// left padded with "-"; "D", "R" right; "C" centred; "A", "B" justified on
// both margins (the paragraph's last line unpadded); any other letter no
// padding. A positive indent puts that many blanks before the first line; a
// negative indent puts |indent| blanks before every later line. width includes
// the indent. The result is the lines concatenated without separators.
std::string FormatParagraph(std::string_view text, int16_t indent, int width,
                            std::string_view mode);

// True when every character of text is code (also for the empty text).
bool IsAllChar(std::string_view text, char code);

// (width - length) / 2, truncating toward zero; negative for a long text.
int CenterColumn(std::string_view text, int width);

// A stored "surname*forename" name in reading order: "Garcia*Joan" gives
// "Joan Garcia"; "Arc*Joana d'" gives "Joana d'Arc".
std::string NameOrder(std::string_view name);

// The process-wide ValueStack: each pushed text followed by its length as a
// 2-byte little-endian number. Popping an empty stack gives the empty text.
void PushValue(std::string_view text);
std::string PopValue();

}  // namespace base
