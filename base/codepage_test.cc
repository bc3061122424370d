#include "base/codepage.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(Codepage, RoundTripsTheLettersOfTheFourLanguages) {
  const std::string utf8 = "PÀGINA Ç ç ñ Ñ à è é í ï ò ó ú ü · ª º € no";
  const std::string cp = Utf8ToCp850(utf8);
  // "À" is 0xB7 and "Ç" 0x80 in code page 850.
  EXPECT_EQ(static_cast<unsigned char>(cp[1]), 0xB7);
  EXPECT_EQ(static_cast<unsigned char>(cp[7]), 0x80);
  // The euro sign has no place in code page 850.
  EXPECT_NE(cp.find('?'), std::string::npos);
  std::string back = Cp850ToUtf8(cp);
  EXPECT_EQ(back, "PÀGINA Ç ç ñ Ñ à è é í ï ò ó ú ü · ª º ? no");
}

TEST(Codepage, EveryByteSurvivesAConversionToUtf8AndBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(all)), all);
}

TEST(Codepage, UpperCaseFollowsTheCharacterTables) {
  EXPECT_EQ(UpperCase850(Cp("usuari àéíóúçñ ß 1;")), Cp("USUARI ÀÉÍÓÚÇÑ ß 1;"));
}

TEST(Codepage, MalformedUtf8KeepsItsAsciiPart) {
  const std::string bad = std::string("ab") + static_cast<char>(0xC3) + "cd";
  const std::string cp = Utf8ToCp850(bad);
  EXPECT_EQ(cp.substr(0, 2), "ab");
  EXPECT_EQ(cp.substr(cp.size() - 2), "cd");
}

TEST(Codepage, NextUtf8TakesOnlyWellFormedSequences) {
  struct Row {
    std::string bytes;
    int32_t code_point;  // -1: not UTF-8
    size_t length;
  };
  const Row rows[] = {
      {"a", 'a', 1},
      {"\x7F", 0x7F, 1},
      {"\xC3\xA9", 0xE9, 2},             // é
      {"\xE2\x82\xAC", 0x20AC, 3},       // €
      {"\xF0\x9F\x98\x80", 0x1F600, 4},  // an emoji
      {"\xC3", -1, 0},                   // cut short
      {"\xC3(", -1, 0},                  // no continuation byte
      {"\xC0\xAF", -1, 0},               // overlong "/"
      {"\xE0\x80\xAF", -1, 0},           // overlong
      {"\xED\xA0\x80", -1, 0},           // a surrogate
      {"\xF4\x90\x80\x80", -1, 0},       // above U+10FFFF
      {"\xA9", -1, 0},                   // a continuation byte alone
      {"\x82s", -1, 0},                  // code page 850 "és"
  };
  for (const Row& r : rows) {
    size_t i = 0;
    EXPECT_EQ(NextUtf8(r.bytes, &i), r.code_point) << r.bytes;
    EXPECT_EQ(i, r.length) << r.bytes;
  }
}

}  // namespace
}  // namespace base
