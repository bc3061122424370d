#include "app/run_parameters.h"

#include <gtest/gtest.h>

namespace app {
namespace {

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\r\n") {
  std::string s;
  for (const char* l : lines) s += std::string(l) + end;
  return s;
}

TEST(RunParameters, ConvertsTheTwelveLines) {
  base::SetCurrentYearForTesting(2026);
  RunParameters p;
  std::string err;
  ASSERT_TRUE(ParseRunParameters(
      Lines({"15/03/2026", "1", "3", "12", "9999", "01", "12", "I", "CARTA", "S", "s", "S "}),
      "pent.tmp", &p, &err))
      << err;
  EXPECT_EQ(p.report_date, base::ParseDate("15032026"));
  EXPECT_EQ(p.lower_bound, base::PackDigits("00010003"));
  EXPECT_EQ(p.upper_bound, base::PackDigits("00129999"));
  EXPECT_EQ(p.first_month, base::PackDigits("01"));
  EXPECT_EQ(p.last_month, base::PackDigits("12"));
  EXPECT_EQ(p.run_mode, "I");
  EXPECT_EQ(p.template_name, "CARTA");
  // Only the exact text "S" sets a letter flag.
  EXPECT_TRUE(p.letters_housing);
  EXPECT_FALSE(p.letters_premises_s);
  EXPECT_FALSE(p.letters_premises_n);
  base::SetCurrentYearForTesting(0);
}

TEST(RunParameters, AcceptsLineFeedsAndAMissingLastLineEnd) {
  RunParameters p;
  std::string err;
  std::string text = Lines({"1/1/2000", "1", "1", "2", "2", "1", "12", "C", "T", "N", "N"}, "\n");
  text += "S";
  ASSERT_TRUE(ParseRunParameters(text, "pent.tmp", &p, &err)) << err;
  EXPECT_EQ(p.run_mode, "C");
  EXPECT_TRUE(p.letters_premises_n);
}

TEST(RunParameters, RejectsUnusableFilesNamingTheLine) {
  struct Case {
    std::string text;
    const char* where;
  } cases[] = {
      {"", "pent.tmp:1:"},
      {Lines({"1/1/2000", "1", "1", "2", "2"}), "pent.tmp:6:"},
      {Lines({"1/1/2000", "1", "1", "2", "2", "1", "12", "X", "T", "N", "N", "N"}), "pent.tmp:8:"},
      {Lines({"1/1/2000", "1", "1", "2", "2", "1", "12", "i", "T", "N", "N", "N"}), "pent.tmp:8:"},
      {Lines({"31-02", "1", "1", "2", "2", "1", "12", "A", "T", "N", "N", "N"}), "pent.tmp:1:"},
      {Lines({"00000000", "1", "1", "2", "2", "1", "12", "A", "T", "N", "N", "N"}), "pent.tmp:1:"},
  };
  for (const Case& c : cases) {
    RunParameters p;
    std::string err;
    EXPECT_FALSE(ParseRunParameters(c.text, "pent.tmp", &p, &err)) << c.text;
    EXPECT_EQ(err.rfind(c.where, 0), 0u) << err;
  }
}

}  // namespace
}  // namespace app
