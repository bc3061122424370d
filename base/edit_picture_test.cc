#include "base/edit_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/session_settings.h"
#include "testing/temp_dir.h"

namespace base {
namespace {

class EditPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KEPROOT", dir_.prefix().c_str(), 1);
    Settings().numbers = NumberSettings();
    SetCurrency("a,E");
  }
  void TearDown() override {
    unsetenv("KEPROOT");
    Settings() = SessionSettings();
  }
  testing_support::TempDir dir_;
};

TEST_F(EditPictureTest, WorkedExamples) {
  struct {
    const char* picture;
    double value;
    const char* expected;
  } pictures[] = {
      {"ZZZ9.999%", 12.3456, "  12'346%"},
      {"Z,ZZ9.999", 123.456, "  123'456"},
      {"Z,ZZ9.999", 1234.5, "1.234'500"},
      {"ZZ,ZZ9.999 %", 3.5, "     3'500 %"},
      {"ZZ9 %", 35, " 35 %"},
      {"Z9", 5, " 5"},
      {"Z9", 0, " 0"},
      {"Z9", 100, "!!"},
      {"ZZZ9", 2.5, "   2"},
      {"ZZZ9", 3.5, "   4"},
      {"ZZZ9", -5, "  -5"},
      {"ZZ9-", -5, "  5-"},
      {"ZZ9.99-", -1.5, "  1'50-"},
      {"ZZ9.99", -0.5, "  -'50"},
      {"ZZZ9.ZZ", 0, "   0   "},
      {"ZZZZ", 0, "    "},
      {"ZZZZ", 0.3, "   0"},
      {"ZZZZ", 10, "  10"},
      {"9.99", 0.125, "0'12"},
      {"9.99", 0.135, "0'14"},
      {"***9", 12, "**12"},
      {"+ZZ9", 7, "+  7"},
      {"+ZZ9", -7, "-  7"},
      {"ZZ9", -123, "!!!"},
      {"Z9", -12, "!!"},
      {"ZZ9.9", 12345.6, "12345"},
      {"ZZZ9", 1234, "1234"},
      {"99", 7, "07"},
  };
  for (const auto& p : pictures) {
    const std::string got = FormatPicture(p.picture, p.value);
    EXPECT_EQ(got, p.expected) << p.picture << " " << p.value;
    EXPECT_EQ(got.size(), std::string(p.picture).size());
  }
  struct {
    double amount;
    const char* expected;
  } amounts[] = {{123456, "  1.234'56"},
                 {0, "      0'00"},
                 {123456789, "1234567'89"},
                 {-5050, "    -50'50"},
                 {99999999, "999.999'99"}};
  for (const auto& a : amounts) {
    EXPECT_EQ(FormatAmount("ZZ,ZZZ,ZZ9", a.amount), a.expected) << a.amount;
  }
}

TEST_F(EditPictureTest, TheUsersDecimalCharacterIsReadOnce) {
  dir_.Write("Vorn.ini", "[Usuari]\r\nDecCaracter=,\r\nMilCaracter= \r\n");
  LoadNumberSettings();
  EXPECT_EQ(FormatAmount("ZZ,ZZZ,ZZ9", 123456), "  1.234,56");  // a blank keeps the default
  dir_.Write("Vorn.ini", "[Usuari]\r\nDecCaracter=:\r\n");
  EXPECT_EQ(FormatPicture("9.9", 1.5), "1,5");
}

// Characters that cannot write amounts give the defaults; the complaint is
// said where the first number is written, and only then.
TEST_F(EditPictureTest, UnusableCharactersAreSaidWithTheFirstNumber) {
  dir_.Write("Vorn.ini", "[Usuari]\r\nDecCaracter=.\r\nMilCaracter=.\r\n");
  ::testing::internal::CaptureStderr();
  LoadNumberSettings();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FormatAmount("ZZ,ZZZ,ZZ9", 123456), "  1.234'56");
  EXPECT_EQ(FormatPicture("9.9", 1.5), "1'5");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Vorn.ini [Usuari] DecCaracter (byte 46) and MilCaracter (byte 46) cannot write "
            "amounts: \"'\" and \".\" are used\n");
}

TEST_F(EditPictureTest, CurrencyStateAndThePesetaPath) {
  SetCurrency("p");
  EXPECT_EQ(CurrentCurrency(), "E");  // no alternative currency is set
  SetCurrency("x, p ");
  EXPECT_EQ(CurrentCurrency(), "E");
  SetCurrency("P");
  EXPECT_EQ(CurrentCurrency(), "P");
  // 1 euro is 166.386 pesetas: whole pesetas, no decimals.
  EXPECT_EQ(FormatAmount("ZZ,ZZZ,ZZ9", 100), "       166");
  SetCurrency("");
  EXPECT_EQ(CurrentCurrency(), "E");
  SetCurrency("a,");
  EXPECT_EQ(CurrentCurrency(), "E");
}

}  // namespace
}  // namespace base
