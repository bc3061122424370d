#include "base/codepage.h"

#include <array>
#include <cstdint>

namespace base {
namespace {

// Unicode code points of code page 850 bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

void AppendUtf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at text[*i]; a malformed byte decodes as itself
// read as Latin-1, so text that is not UTF-8 still converts without loss of
// the ASCII part.
char32_t DecodeUtf8(std::string_view text, size_t* i) {
  const auto b0 = static_cast<unsigned char>(text[*i]);
  auto cont = [&](size_t k) -> int {
    if (*i + k >= text.size()) return -1;
    const auto b = static_cast<unsigned char>(text[*i + k]);
    return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
  };
  if (b0 < 0x80) {
    ++*i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0) {
    const int c1 = cont(1);
    if (c1 >= 0) {
      *i += 2;
      return ((b0 & 0x1F) << 6) | c1;
    }
  } else if ((b0 & 0xF0) == 0xE0) {
    const int c1 = cont(1), c2 = cont(2);
    if (c1 >= 0 && c2 >= 0) {
      *i += 3;
      return ((b0 & 0x0F) << 12) | (c1 << 6) | c2;
    }
  } else if ((b0 & 0xF8) == 0xF0) {
    const int c1 = cont(1), c2 = cont(2), c3 = cont(3);
    if (c1 >= 0 && c2 >= 0 && c3 >= 0) {
      *i += 4;
      return ((b0 & 0x07) << 18) | (c1 << 12) | (c2 << 6) | c3;
    }
  }
  ++*i;
  return b0;
}

}  // namespace

char32_t Cp850ToUnicode(unsigned char byte) { return byte < 0x80 ? byte : kHighHalf[byte - 0x80]; }

int UnicodeToCp850(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  for (size_t k = 0; k < kHighHalf.size(); ++k) {
    if (kHighHalf[k] == cp) return static_cast<int>(0x80 + k);
  }
  return -1;
}

std::string Cp850ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(&out, Cp850ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp850(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const int byte = UnicodeToCp850(DecodeUtf8(text, &i));
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

int32_t NextUtf8(std::string_view text, size_t* i) {
  const auto b0 = static_cast<unsigned char>(text[*i]);
  if (b0 < 0x80) return text[(*i)++];
  // Length, the lowest code point of that length, and the bits of the lead.
  const size_t length = b0 >= 0xC2 && b0 <= 0xDF   ? 2
                        : b0 >= 0xE0 && b0 <= 0xEF ? 3
                        : b0 >= 0xF0 && b0 <= 0xF4 ? 4
                                                   : 0;
  if (length == 0 || *i + length > text.size()) return -1;
  int32_t cp = b0 & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(text[*i + k]);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
  }
  constexpr int32_t kLowest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLowest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  *i += length;
  return cp;
}

std::string Cp(std::string_view utf8_literal) { return Utf8ToCp850(utf8_literal); }

char UpperCase850(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b < 0x80) return c;
  const char32_t cp = Cp850ToUnicode(b);
  // Latin-1 lower-case letters sit 0x20 above their capitals (except the
  // sharp s, the y with diaeresis and the division sign).
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) {
    const int upper = UnicodeToCp850(cp - 0x20);
    if (upper >= 0) return static_cast<char>(upper);
  }
  return c;
}

char LowerCase850(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
  if (b < 0x80) return c;
  const char32_t cp = Cp850ToUnicode(b);
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) {
    const int lower = UnicodeToCp850(cp + 0x20);
    if (lower >= 0) return static_cast<char>(lower);
  }
  return c;
}

std::string LowerCase850(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerCase850(c);
  return out;
}

std::string UpperCase850(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperCase850(c);
  return out;
}

}  // namespace base
