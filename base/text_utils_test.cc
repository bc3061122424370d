#include "base/text_utils.h"

#include <gtest/gtest.h>

namespace base {
namespace {

std::vector<std::string> Lines(const std::string& wrapped, size_t width) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < wrapped.size(); i += width) lines.push_back(wrapped.substr(i, width));
  return lines;
}

TEST(FormatParagraph, AlignsEachLineByMode) {
  struct {
    const char* mode;
    const char* text;
    std::string expected;
  } cases[] = {
      {"I", "uno dos tres cuatro cinco", "uno dos tres cuatro cinco               "},
      {"e", "uno dos", "uno dos             "},
      {"D", "uno dos", "             uno dos"},
      {"r", "uno dos", "             uno dos"},
      {"N", "uno dos", "uno dos-------------"},
      {"C", "uno dos", "      uno dos       "},
      {"A", "uno dos tres cuatro cinco seis", "uno  dos tres cuatrocinco seis"},
      {"x", "uno dos", "uno dos"},
      {"A", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatParagraph(c.text, 0, 20, c.mode), c.expected) << c.mode << ": " << c.text;
  }
}

TEST(FormatParagraph, JustifiesRoundRobinAndKeepsTheDash) {
  const std::string out =
      FormatParagraph("- aa bb cc dd ee ff gg hh ii jj kk ll mm nn", -2, 20, "a");
  const auto lines = Lines(out, 20);
  ASSERT_EQ(lines.size(), 3u);
  // One blank doubled, never the one after the dash; the last line unpadded.
  EXPECT_EQ(lines[0], "- aa  bb cc dd ee ff");
  EXPECT_EQ(lines[1], "  gg  hh ii jj kk ll");
  EXPECT_EQ(lines[2], "  mm nn");
  // Seven blanks to add go round the three gaps in turn.
  EXPECT_EQ(FormatParagraph("- aa bb cc dd eeeeeeeee", -2, 20, "A").substr(0, 20),
            "- aa    bb   cc   dd");
}

TEST(FormatParagraph, HangingIndentAndLongWords) {
  const std::string out = FormatParagraph("- abcdefghijklmnopqrstuvwxyz end", -2, 10, "E");
  EXPECT_EQ(Lines(out, 10), (std::vector<std::string>{"-         ", "  abcdefgh", "  ijklmnop",
                                                      "  qrstuvwx", "  yz end  "}));
  EXPECT_EQ(FormatParagraph("abc def", 3, 10, "L"), "   abc def");
  // A single word in mode "A" that is not the last line is padded like "E".
  EXPECT_EQ(FormatParagraph("abcdefgh ijklmnop", 0, 10, "A"), "abcdefgh  ijklmnop");
}

TEST(FormatParagraph, ControlCharactersTakeNoWidth) {
  const std::string text =
      "uno \x1b"
      "dos\x0f tres cuatro";
  const std::string out = FormatParagraph(text, 0, 12, "E");
  // The first line carries the two printer codes: twelve columns in fourteen bytes.
  EXPECT_EQ(out,
            "uno \x1b"
            "dos\x0f tres"
            "cuatro      ");
}

TEST(TextUtils, SmallHelpers) {
  EXPECT_TRUE(IsAllChar("", ' '));
  EXPECT_TRUE(IsAllChar("---", '-'));
  EXPECT_FALSE(IsAllChar("-- ", '-'));
  EXPECT_EQ(CenterColumn(std::string(100, 'x'), 96), -2);
  EXPECT_EQ(CenterColumn("abc", 96), 46);
  EXPECT_EQ(CenterColumn(std::string(97, 'x'), 96), 0);
  EXPECT_EQ(NameOrder("Garcia*Joan   "), "Joan Garcia");
  EXPECT_EQ(NameOrder(" Arc * Joana d'  "), "Joana d'Arc");
  EXPECT_EQ(NameOrder("  Nom sense  "), "Nom sense");
  EXPECT_EQ(NameOrder("*Primer"), "*Primer");
}

TEST(TextUtils, ValueStackPopsInReverseOrder) {
  PushValue("first");
  PushValue(std::string(300, 'z'));
  PushValue("");
  EXPECT_EQ(PopValue(), "");
  EXPECT_EQ(PopValue(), std::string(300, 'z'));
  EXPECT_EQ(PopValue(), "first");
  EXPECT_EQ(PopValue(), "");
}

}  // namespace
}  // namespace base
