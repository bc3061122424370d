#include "output/number_words.h"

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/session_settings.h"

namespace output {
namespace {

TEST(NumberInWords, WritesNumbersAndAmountsInTheFourLanguages) {
  struct {
    const char* language;
    const char* mode;
    double value;
    const char* expected;
  } cases[] = {
      {"CAT", "m", 12, "dotze"},
      {"CAT", "m", 17, "disset"},
      {"CAT", "m", 18, "divuit"},
      {"CAT", "m", 21, "vint-i-un"},
      {"CAT", "m", 35, "trenta-cinc"},
      {"CAT", "m", 100, "cent"},
      {"CAT", "m", 200, "dos-cents"},
      {"CAT", "m", 1956, "mil nou-cents cinquanta-sis"},
      {"CAT", "m", 2000, "dos mil"},
      {"CAT", "m", 1000000, "un milió"},
      {"CAT", "f", 21, "vint-i-una"},
      {"CAT", "f", 200, "dues-centes"},
      {"CAT", "m", 101, "cent un"},
      {"CAT", "m", 123456789,
       "cent vint-i-tres milions quatre-cents cinquanta-sis mil set-cents vuitanta-nou"},
      {"SPA", "m", 1956, "mil novecientos cincuenta y seis"},
      {"SPA", "m", 16, "dieciseis"},
      {"SPA", "m", 21, "veintiuno"},
      {"SPA", "m", 21000, "veintiuno mil"},
      {"SPA", "m", 100, "cien"},
      {"SPA", "m", 101, "ciento uno"},
      {"SPA", "m", 1000000, "un millon"},
      {"SPA", "m", 2000000, "dos millones"},
      {"SPA", "m", 31, "treinta y uno"},
      {"SPA", "m", 99, "noventa y nueve"},
      {"GLG", "m", 100, "cem"},
      {"GLG", "m", 120, "cento e vinte"},
      {"GLG", "m", 16, "dezasseis"},
      {"GLG", "m", 21, "vinte e um"},
      {"GLG", "m", 1956, "mil novecentos e cinqüenta e seis"},
      {"GLG", "m", 1, "um"},
      {"GLG", "m", 2, "dous"},
      {"GLG", "m", 200, "douscentos"},
      {"GLG", "f", 1, "umha"},
      {"GLG", "f", 2, "duas"},
      {"GLG", "f", 200, "duascentas"},
      {"OCI", "m", 17, "dètz-e-sèt"},
      {"OCI", "m", 32, "trenta dus"},
      {"OCI", "m", 200, "dus cents"},
      {"SPA", "", 550, "cinco con cincuenta céntimos"},
      {"SPA", "x", 50, "cincuenta céntimos"},
      {"SPA", "", 100050, "mil cincuenta céntimos"},
      {"CAT", "", 100050, "mil amb cinquanta cèntims"},
      {"CAT", "", 101, "un amb un cèntim"},
      {"CAT", "p", 100, "cent seixanta-sis"},
      {"CAT", "M", -12, "dotze"},
      {"CAT", "m", 0, ""},
      {"CAT", "", 0.4, ""},
      {"CAT", "m", 1000000012, "dotze"},
      {"XYZ", "m", 12, "dotze"},
  };
  for (const auto& c : cases) {
    base::Settings().language = c.language;
    EXPECT_EQ(NumberInWords(c.value, c.mode), base::Cp(c.expected))
        << c.language << " " << c.mode << " " << c.value;
  }
  base::Settings() = base::SessionSettings();
}

}  // namespace
}  // namespace output
