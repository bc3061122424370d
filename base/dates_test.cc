#include "base/dates.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/codepage.h"
#include "base/session_settings.h"
#include "testing/temp_dir.h"

namespace base {
namespace {

PackedDate D(const char* ddmmyyyy) { return ParseDate(ddmmyyyy); }

class DatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KEPROOT", dir_.prefix().c_str(), 1);
    Settings().dates = DateSettings();
    Settings().dates.current_year = 2026;
    Settings().language = "CAT";
  }
  void TearDown() override {
    unsetenv("KEPROOT");
    Settings() = SessionSettings();
  }
  testing_support::TempDir dir_;
};

TEST_F(DatesTest, PacksDigitsTwoToAByte) {
  EXPECT_EQ(PackDigits("19560512"), std::string("\x93\xB8\x85\x8C"));
  EXPECT_EQ(PackDigits(" 12"), PackDigits("012"));
  EXPECT_EQ(PackDigits("123"), std::string("\x8C\x9E"));  // last digit as the tens
  EXPECT_EQ(PackDigits("1 3"), PackDigits("103"));
  EXPECT_EQ(PackDigits("x9"), PackDigits("09"));
  EXPECT_EQ(PackDigits(""), "");
  EXPECT_EQ(UnpackDigits(PackDigits("00120003")), "00120003");
  EXPECT_EQ(UnpackDigits(std::string("\x85")), "05");
  EXPECT_EQ(ZeroPad(7, 3), "007");
  EXPECT_EQ(ZeroPad(12345, 2), "45");
  EXPECT_EQ(ZeroDate(), PackDigits("00000000"));
}

TEST_F(DatesTest, ParsesDayMonthYearText) {
  const std::string may12 = PackDigits("19560512");
  struct {
    const char* text;
    std::string expected;
  } cases[] = {
      {"12051956", may12},
      {"12/05/1956", may12},
      {"12.5.1956", may12},
      {"12-5-1956", may12},
      {"12/5-1956", may12},
      {"120556", PackDigits("20560512")},
      {"12/5/95", PackDigits("19950512")},
      {"1205", PackDigits("20000512")},
      {"12/05", ZeroDate()},
      {"1/2/3/4", ZeroDate()},
      {"12A51956", ZeroDate()},
      {"", ZeroDate()},
      {"00000000", ZeroDate()},
      {"31021999", PackDigits("19990231")},
      {"1/1/99999", ZeroDate()},
      {"40000/1/2000", ZeroDate()},
      {"1/99999999999/2000", ZeroDate()},
      {"12/ 5/1956", may12},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnpackDigits(ParseDate(c.text)), UnpackDigits(c.expected)) << c.text;
  }
  EXPECT_LT(D("31121946"), D("01011947"));
}

// Two-digit years fall in the hundred years around the session's current
// year, whatever the year of the machine's clock.
TEST_F(DatesTest, ReadsTwoDigitYearsAroundTheCurrentYearOfTheSession) {
  EXPECT_EQ(D("12/5/75"), D("12/5/2075"));
  EXPECT_EQ(D("12/5/76"), D("12/5/1976"));
  Settings().dates.current_year = 1990;
  EXPECT_EQ(D("12/5/39"), D("12/5/2039"));
  EXPECT_EQ(D("12/5/40"), D("12/5/1940"));
  EXPECT_EQ(D("120595"), D("12051995"));
}

TEST_F(DatesTest, AddsDaysMonthsAndYears) {
  struct {
    const char* date;
    int count;
    const char* unit;
    const char* expected;
  } cases[] = {
      {"31012007", 1, "m", "20070228"},          {"29022008", 1, "a", "20090228"},
      {"01032008", -1, "d", "20080229"},         {"01012007", -1, "M", "20061201"},
      {"31129999", 1, "D", "99991231"},          {"15012000", 0, "D", "20000115"},
      {"31012000", 30, "d", "20000301"},         {"15062000", -18, "m", "19981215"},
      {"31032001", -1, "m", "20010228"},         {"29022008", -1, "A", "20070228"},
      {"01011995", 5, "a", "20000101"},          {"15062000", 3, "x", "20000615"},
      {"01031900", -1, "d", "19000228"},         {"01031500", -1, "d", "15000229"},
      {"31122000", 2147483647, "d", "99991231"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnpackDigits(AddToDate(D(c.date), c.count, c.unit)), c.expected)
        << c.date << " " << c.count << c.unit;
  }
}

TEST_F(DatesTest, CountsDaysMonthsAndWholeYearsBetweenDates) {
  struct {
    const char* from;
    const char* to;
    const char* unit;
    int expected;
  } cases[] = {
      {"01011900", "01012000", "d", 36524}, {"01012000", "01011900", "D", 36524},
      {"12051956", "11052006", "a", 49},    {"12051956", "12052006", "A", 50},
      {"31012000", "01022000", "m", 1},     {"01031954", "15061960", "M", 75},
      {"28022000", "01032000", "d", 2},     {"12051956", "12051956", "d", 0},
      {"01011500", "01011501", "d", 366},   {"01011900", "01011901", "d", 365},
      {"01012000", "01012001", "q", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateDifference(D(c.from), D(c.to), c.unit), c.expected)
        << c.from << " " << c.to << c.unit;
  }
}

TEST_F(DatesTest, WritesDatesInTheFourLanguages) {
  struct {
    const char* language;
    const char* long_dma;
    const char* long_ma;
    const char* short_month;
    const char* april_first;
  } cases[] = {
      {"CAT", "12 de maig del 1956", "maig del 1956", "12/mai/1956", "1 d'abril del 1964"},
      {"SPA", "12 de mayo de 1956", "mayo de 1956", "12/may/1956", "1 de abril de 1964"},
      {"GLG", "12 de maio do 1956", "maio do 1956", "12/mai/1956", "1 de abril do 1964"},
      {"OCI", "12 de mai deth 1956", "mai deth 1956", "12/mai/1956", "1 d'abriu deth 1964"},
      {"XYZ", "12 de maig del 1956", "maig del 1956", "12/mai/1956", "1 d'abril del 1964"},
  };
  for (const auto& c : cases) {
    Settings().language = c.language;
    EXPECT_EQ(FormatDate(D("12051956"), 2, "dma"), Cp(c.long_dma)) << c.language;
    EXPECT_EQ(FormatDate(D("12051956"), 2, "ma"), Cp(c.long_ma)) << c.language;
    EXPECT_EQ(FormatDate(D("12051956"), 1, "dma"), Cp(c.short_month)) << c.language;
    EXPECT_EQ(FormatDate(D("01041964"), 5, "DMA"), Cp(c.april_first)) << c.language;
    EXPECT_EQ(FormatDate(D("12051956"), 0, "dma"), "12/5/1956 ");
    EXPECT_EQ(FormatDate(D("12051956"), -1, "m"), "1956-05-12");
  }
  Settings().language = "OCI";
  EXPECT_EQ(FormatDate(D("12071956"), 1, "m"), "jun");
  EXPECT_EQ(FormatDate(D("12061956"), 1, "dm"), "12/jun");
  EXPECT_EQ(FormatDate(D("12021956"), 2, "m"), Cp("hereuèr"));
  EXPECT_EQ(FormatDate(ZeroDate(), 0, "dma"), std::string(10, ' '));
  EXPECT_EQ(FormatDate(ZeroDate(), 2, "dma"), "");
}

TEST_F(DatesTest, FollowsTheUsersDateOrderAndSeparator) {
  dir_.Write("Vorn.ini", "[Usuari]\r\nDatOrdre=AMDX\r\nDatCaracter=-\r\n");
  LoadDateSettings();
  EXPECT_EQ(FormatDate(D("12051956"), 0, "dma"), "1956-5-12 ");
  EXPECT_EQ(FormatDate(D("12051956"), 2, "dma"), "1956 de maig del 12");
  // Read once: a changed file is not seen during the run.
  dir_.Write("Vorn.ini", "[Usuari]\r\nDatOrdre=DMA\r\n");
  EXPECT_EQ(FormatDate(D("12051956"), 0, "ma"), "1956-5 ");
  // "DatCaracter = -" keeps the blank after "=": the default separator applies.
  dir_.Write("Vorn.ini", "[Usuari]\r\nDatCaracter = -\r\n");
  LoadDateSettings();
  EXPECT_EQ(FormatDate(D("12051956"), 0, "dma"), "12/5/1956 ");
}

// An order or separator that would spoil the dates gives the defaults; what
// was wrong is said where the first date is written, and only then.
TEST_F(DatesTest, UnusableDateSettingsAreSaidWithTheFirstDate) {
  dir_.Write("Vorn.ini", "[Usuari]\r\nDatOrdre=DMX\r\nDatCaracter=5\r\n");
  ::testing::internal::CaptureStderr();
  LoadDateSettings();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FormatDate(D("12051956"), -1, "dma"), "1956-05-12");
  EXPECT_EQ(FormatDate(D("12051956"), 0, "dma"), "12/5/1956 ");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            dir_.prefix() +
                "Vorn.ini [Usuari] DatOrdre=DMX is not an order of D, M and A: DMA is used\n" +
                dir_.prefix() +
                "Vorn.ini [Usuari] DatCaracter (byte 53) cannot separate a date: \"/\" is used\n");
  // Settings that are right say nothing.
  dir_.Write("Vorn.ini", "[Usuari]\r\nDatOrdre=amd\r\nDatCaracter=.\r\n");
  LoadDateSettings();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FormatDate(D("12051956"), 0, "dma"), "1956.5.12 ");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// A date field's four bytes: century, year, month and day, each 0x80 + value.
TEST(PackedDate, ReadsComparesAndWritesTheBytesOfADateField) {
  const std::string field("\x93\xB8\x85\x8C", 4);
  const PackedDate may12 = PackedDate::FromBytes(field);
  EXPECT_EQ(may12.century(), 19);
  EXPECT_EQ(may12.year_of_century(), 56);
  EXPECT_EQ(may12.full_year(), 1956);
  EXPECT_EQ(may12.month(), 5);
  EXPECT_EQ(may12.day(), 12);
  EXPECT_EQ(may12.Digits(), "19560512");
  EXPECT_EQ(may12.Bytes(), field);
  EXPECT_EQ(may12, field);
  EXPECT_EQ(may12, PackedDate(1956, 5, 12));
  EXPECT_EQ(may12, ParseDate("12051956"));
  // The constructor packs as the digits of ZeroPad do: the last digits stay.
  EXPECT_EQ(PackedDate(12345, 105, -7), PackDigits("23450507"));
  // A short field reads as zero digits where bytes are missing; a long one is cut.
  EXPECT_EQ(PackedDate::FromBytes(field.substr(0, 2)), PackedDate(1956, 0, 0));
  EXPECT_EQ(PackedDate::FromBytes(field + "\x81"), may12);
  EXPECT_TRUE(PackedDate::FromBytes("").IsZero());
  EXPECT_FALSE(may12.IsZero());
  EXPECT_EQ(PackedDate(), ZeroDate());
  EXPECT_EQ(ZeroDate().Digits(), "00000000");
  // A damaged byte reads as the digits UnpackDigits shows for it.
  const PackedDate damaged = PackedDate::FromBytes(std::string("\x93\xB8\xE6\x05", 4));
  EXPECT_EQ(damaged.month(), 2);
  EXPECT_EQ(damaged.day(), 5);
  EXPECT_EQ(damaged.Digits(), UnpackDigits(damaged.Bytes()));

  // The bytes' order is the order in time, across years and centuries; the
  // ZeroDate comes before every date.
  const PackedDate ordered[] = {
      ZeroDate(), PackedDate(1899, 12, 31), PackedDate(1900, 1, 1),   PackedDate(1956, 5, 11),
      may12,      PackedDate(1956, 6, 1),   PackedDate(1999, 12, 31), PackedDate(2000, 1, 1)};
  for (size_t i = 0; i + 1 < std::size(ordered); ++i) {
    EXPECT_LT(ordered[i], ordered[i + 1]) << ordered[i].Digits();
    EXPECT_GT(ordered[i + 1], ordered[i]) << ordered[i].Digits();
    EXPECT_NE(ordered[i], ordered[i + 1]) << ordered[i].Digits();
  }
  EXPECT_LE(may12, ParseDate("12/5/1956"));
  EXPECT_GE(may12, ParseDate("12/5/1956"));
}

TEST(IsLeapYear, EveryFourthYearButOnlyTheFourthCenturyYear) {
  struct {
    int year;
    bool leap;
  } cases[] = {{1600, true},  {1700, false}, {1800, false}, {1900, false}, {1996, true},
               {1999, false}, {2000, true},  {2004, true},  {2100, false}, {2400, true}};
  for (const auto& c : cases) EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
}

// The month lengths of the Gregorian calendar, used back before its reform
// where a date must merely exist (the data tool's dates).
TEST(DaysInMonth, ThirtyDaysHathSeptemberAndFebruaryFollowsTheLeapYears) {
  const int common[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(DaysInMonth(2025, m), common[m - 1]) << m;
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(1500, 2), 28);
}

TEST_F(DatesTest, PacksDottedCodes) {
  EXPECT_EQ(UnpackDigits(PackDottedCode("12.3")), "00120003");
  EXPECT_EQ(UnpackDigits(PackDottedCode("1")), "0001");
  EXPECT_EQ(UnpackDigits(PackDottedCode("12.")), "0012");
  EXPECT_EQ(UnpackDigits(PackDottedCode("123456")), "123456");
  EXPECT_EQ(UnpackDigits(PackDottedCode("1.2.3")), "000100020003");
  EXPECT_EQ(UnpackDigits(PackDottedCode("12345.12345")), "0123452345");
}

}  // namespace
}  // namespace base
