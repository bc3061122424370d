// Letter templates and language files as people write them, in UTF-8, turned
// into the code page 850 files that the suite's programs read.
//
// Every character must have its code page 850 byte. The control bytes of the
// template language may be written as themselves or, readably, as the Unicode
// control pictures: U+2401..U+2409 ("␁".."␉") for the line formats 1 to 9,
// U+2410, U+2411, U+2412 ("␐", "␑", "␒") for bold, underline and italic, and
// U+2421 ("␡") for the byte 127 that begins a directive line. A byte-order
// mark at the start is dropped; every line ends with CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace datatool {

struct TextFault {
  int line = 0;    // 1-based
  int column = 0;  // 1-based, in characters
  std::string what;
};

// The code page 850 bytes of a UTF-8 text. False with every fault (at most
// kMostFaults of them) when a character cannot be held.
inline constexpr size_t kMostFaults = 20;
[[nodiscard]] bool TextToCodePage850(std::string_view utf8, std::string* cp850,
                                     std::vector<TextFault>* faults);

}  // namespace datatool
