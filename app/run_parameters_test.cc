#include "app/run_parameters.h"

#include <gtest/gtest.h>

#include "base/session_settings.h"

namespace app {
namespace {

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\r\n") {
  std::string s;
  for (const char* l : lines) s += std::string(l) + end;
  return s;
}

TEST(RunParameters, ConvertsTheTwelveLines) {
  base::Settings().dates.current_year = 2026;
  RunParameters p;
  std::string err;
  ASSERT_TRUE(ParseRunParameters(
      Lines({"15/03/2026", "1", "3", "12", "9999", "01", "12", "I", "CARTA", "S", "N", "N"}),
      "pent.tmp", &p, &err))
      << err;
  EXPECT_EQ(p.report_date, base::ParseDate("15032026"));
  EXPECT_EQ(p.lower_bound, base::PackDigits("00010003"));
  EXPECT_EQ(p.upper_bound, base::PackDigits("00129999"));
  EXPECT_EQ(p.first_month, base::PackDigits("01"));
  EXPECT_EQ(p.last_month, base::PackDigits("12"));
  EXPECT_EQ(p.run_mode, RunMode::kReport);
  EXPECT_EQ(p.template_name, "CARTA");
  EXPECT_TRUE(p.letters_housing);
  EXPECT_FALSE(p.letters_premises_s);
  EXPECT_FALSE(p.letters_premises_n);
  base::Settings() = base::SessionSettings();
}

TEST(RunParameters, AcceptsLineFeedsAndAMissingLastLineEnd) {
  RunParameters p;
  std::string err;
  std::string text = Lines({"1/1/2000", "1", "1", "2", "2", "1", "12", "C", "T", "N", "N"}, "\n");
  text += "S";
  ASSERT_TRUE(ParseRunParameters(text, "pent.tmp", &p, &err)) << err;
  EXPECT_EQ(p.run_mode, RunMode::kLetters);
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
      // Only the exact texts "S" and "N" are letter flags.
      {Lines({"1/1/2000", "1", "1", "2", "2", "1", "12", "A", "T", "S", "s", "N"}), "pent.tmp:11:"},
      {Lines({"1/1/2000", "1", "1", "2", "2", "1", "12", "A", "T", "S", "N", "S "}),
       "pent.tmp:12:"},
  };
  for (const Case& c : cases) {
    RunParameters p;
    std::string err;
    EXPECT_FALSE(ParseRunParameters(c.text, "pent.tmp", &p, &err)) << c.text;
    EXPECT_EQ(err.rfind(c.where, 0), 0u) << err;
  }
}

TEST(RunParameters, ReadsOneDigitMonthsAsThatMonth) {
  RunParameters p;
  std::string err;
  ASSERT_TRUE(ParseRunParameters(
      Lines({"15/03/2026", "0007", " 3 ", "12", "9999", "1", "9", "I", "", "N", "N", "N"}),
      "pent.tmp", &p, &err))
      << err;
  // A lone "1" packed as it stands would be the tens digit: October.
  EXPECT_EQ(p.first_month, base::PackDigits("01"));
  EXPECT_EQ(p.last_month, base::PackDigits("09"));
  EXPECT_EQ(p.lower_bound, base::PackDigits("00070003"));
  // The ISO form of a date reads as the same day.
  ASSERT_TRUE(ParseRunParameters(
      Lines({"2026-03-05", "0", "0", "9999", "9999", "01", "12", "A", "", "N", "N", "N"}),
      "pent.tmp", &p, &err))
      << err;
  EXPECT_EQ(p.report_date, base::ParseDate("05032026"));
}

TEST(RunParameters, NamesTheLineAndTheValueOfEveryUnusableParameter) {
  struct Case {
    int line;
    const char* value;
    const char* message;
  } cases[] = {
      {1, "45/13/2025", "pent.tmp:1: report date \"45/13/2025\" is not a calendar date"},
      {1, "31/02/2025", "pent.tmp:1: report date \"31/02/2025\" is not a calendar date"},
      {1, "29/02/2025", "pent.tmp:1: report date \"29/02/2025\" is not a calendar date"},
      {1, "2025/03/15", "pent.tmp:1: report date \"2025/03/15\" is not a date"},
      {1, "2025-02-29", "pent.tmp:1: report date \"2025-02-29\" is not a calendar date"},
      {1, "15-03-2025-1", "pent.tmp:1: report date \"15-03-2025-1\" is not a date"},
      {2, "abc", "pent.tmp:2: first building code \"abc\" is not a code of up to four digits"},
      {2, "", "pent.tmp:2: first building code \"\" is not a code"},
      {3, "12345", "pent.tmp:3: first unit code \"12345\" is not a code"},
      {4, "-1", "pent.tmp:4: last building code \"-1\" is not a code"},
      {5, "1.2", "pent.tmp:5: last unit code \"1.2\" is not a code"},
      {6, "13", "pent.tmp:6: first anniversary month \"13\" is not a month from 1 to 12"},
      {6, "0", "pent.tmp:6: first anniversary month \"0\" is not a month"},
      {7, "xx", "pent.tmp:7: last anniversary month \"xx\" is not a month from 1 to 12"},
      {8, "A ", "pent.tmp:8: run mode \"A \" is not"},
      {10, "", "pent.tmp:10: letter flag for housing \"\" is neither \"S\" nor \"N\""},
  };
  for (const Case& c : cases) {
    std::vector<const char*> lines = {"29/02/2024", "1", "1", "9999", "9999", "01",
                                      "12",         "I", "T", "N",    "N",    "N"};
    lines[static_cast<size_t>(c.line - 1)] = c.value;
    std::string text;
    for (const char* l : lines) text += std::string(l) + "\r\n";
    RunParameters p;
    std::string err;
    EXPECT_FALSE(ParseRunParameters(text, "pent.tmp", &p, &err)) << c.value;
    EXPECT_EQ(err.rfind(c.message, 0), 0u) << err;
  }
}

TEST(RunParameters, SaysWhenTheRangeOrTheMonthsSelectNothing) {
  RunParameters p;
  std::string err;
  ASSERT_TRUE(ParseRunParameters(
      Lines({"15/03/2026", "12", "1", "3", "9", "11", "2", "I", "", "N", "N", "N"}), "pent.tmp", &p,
      &err));
  const std::vector<std::string> notes = RunParameterNotes(p);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0],
            "the first unit 0012.0001 lies above the last 0003.0009: the range selects no unit");
  EXPECT_EQ(
      notes[1],
      "the first anniversary month 11 comes after the last 02: the month window selects no unit");
  ASSERT_TRUE(ParseRunParameters(
      Lines({"15/03/2026", "3", "9", "3", "9", "5", "5", "I", "", "N", "N", "N"}), "pent.tmp", &p,
      &err));
  EXPECT_TRUE(RunParameterNotes(p).empty());
}

}  // namespace
}  // namespace app
