#include "output/merge_data.h"

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/edit_picture.h"
#include "base/session_settings.h"
#include "output/print_output.h"
#include "output/template_merge.h"
#include "testing/temp_dir.h"

namespace output {
namespace {

class MergeDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::Settings().tmp_dir = dir_.prefix();
    base::Settings().root_dir = dir_.prefix();
    base::Settings().language = "CAT";
    base::Settings().numbers = base::NumberSettings();
    base::SetCurrency("a,E");
    base::Company() = base::CompanyData();
    base::Company().fields[0] = "Finques Puig, SL";
  }
  void TearDown() override {
    base::Settings() = base::SessionSettings();
    base::Company() = base::CompanyData();
  }
  static MergeValues Values() {
    MergeValues v;
    v.report_date = base::ParseDate("12051956");
    v.unit_key = base::PackDigits("00010003");
    v.tenant = "Garcia*Joan" + std::string(19, ' ');
    v.street = "Major*C/" + std::string(22, ' ');
    v.designation = "1r 2a     ";
    v.address2 = "08001 Barcelona" + std::string(15, ' ');
    v.address3 = std::string(30, ' ');
    v.increment = 20215;
    v.update_date = base::ParseDate("01012002");
    v.letter_case = lease::LetterCase::kHousing;
    return v;
  }
  testing_support::TempDir dir_;
  PrintFile print_;
  TemplateMerge merge_{print_};
};

std::string Field(const std::string& name, const std::string& value) {
  return "\x7F" + name + "\r\n" + value + "\xFF\r\n";
}

TEST_F(MergeDataTest, WritesTheTwentyTwoFieldsInOrder) {
  MergeData data(LetterRules{"CARTA", true, false, false}, merge_);
  data.Write(Values());
  data.AddParagraph("- Habitatge no sumptuari.");
  data.AddParagraph("- Segon.");
  data.Finish();  // no template: the letter merge reports it and prints nothing
  std::string expected = Field("MEM1", "Finques Puig, SL");
  for (int i = 2; i <= 8; ++i) expected += Field("MEM" + std::to_string(i), "");
  expected +=
      Field("FEC0", "12/5/1956 ") + Field("FEC1", "12/mai/1956") +
      Field("FECHA", "12 de maig del 1956") + Field("FEC3", "dotze de maig del 1956") +
      Field("FEC4", "dotze de maig del mil nou-cents cinquanta-sis") + Field("DES0", "V001003") +
      Field("DES1", "Joan Garcia") + Field("DES2", "C/ Major 1r 2a     ") +
      Field("DES3", "08001 Barcelona" + std::string(15, ' ')) +
      Field("DES4", std::string(30, ' ')) + Field("DES5", "") + Field("INCACT", "    202'15") +
      Field("MESACT", "gener") + "\x7FRELACT\r\n\x01" + std::string(10, ' ') +
      "- Habitatge no sumptuari.\r\n" + std::string(10, ' ') + "- Segon.\r\n\xFF\r\n";
  EXPECT_EQ(dir_.Read("merge.tmp"), expected);
}

// A tenant's name holding a line end, byte 127 and a field name (written
// into the record by another program) forged an "INCACT" of its own; a
// company field holding byte 255 cut its value short.
TEST_F(MergeDataTest, AValueNeverEndsItselfOrForgesAField) {
  MergeValues v = Values();
  v.tenant = "Garcia*Joan\r\n\x7FINCACT\r\n0,00\xFF";
  v.tenant.resize(30, ' ');
  base::Company().fields[1] =
      "C/ Major\xFF"
      "1";
  MergeData data(LetterRules{"CARTA", true, false, false}, merge_);
  data.Write(v);
  data.Finish();
  const std::string merge = dir_.Read("merge.tmp");
  EXPECT_EQ(merge.find("\x7FINCACT"), merge.rfind("\x7FINCACT")) << "one INCACT field only";
  EXPECT_NE(merge.find(Field("INCACT", "    202'15")), std::string::npos);
  EXPECT_NE(merge.find(Field("MEM2", "C/ Major 1")), std::string::npos);
  size_t fields = 0;
  for (char c : merge) fields += c == '\x7F';
  EXPECT_EQ(fields, 22u);
}

TEST_F(MergeDataTest, DatesInWordsInTheFourLanguages) {
  struct {
    const char* language;
    const char* fec3;
    const char* fec4;
  } cases[] = {
      {"CAT", "dotze de maig del 1956", "dotze de maig del mil nou-cents cinquanta-sis"},
      {"SPA", "doce de mayo de 1956", "doce de mayo de mil novecientos cincuenta y seis"},
      {"GLG", "doze de maio do 1956", "doze de maio do mil novecentos e cinqüenta e seis"},
      {"OCI", "dotze de mai deth 1956", "dotze de mai deth mil nau cents cinquanta sies"},
  };
  for (const auto& c : cases) {
    base::Settings().language = c.language;
    EXPECT_EQ(DateWithDayInWords(base::ParseDate("12051956"), false), base::Cp(c.fec3))
        << c.language;
    EXPECT_EQ(DateWithDayInWords(base::ParseDate("12051956"), true), base::Cp(c.fec4))
        << c.language;
  }
  base::Settings().language = "CAT";
  MergeData data(LetterRules{}, merge_);
  MergeValues v = Values();
  v.report_date = base::ZeroDate();
  data.Write(v);
  data.Finish();
  EXPECT_NE(dir_.Read("merge.tmp").find(Field("FEC0", std::string(10, ' '))), std::string::npos);
}

TEST_F(MergeDataTest, DecidesTheLetterByContractDateAndFlags) {
  struct {
    const char* contract;
    char use;
    char flag;
    LetterRules rules;
    bool due;
  } cases[] = {
      {"08051985", 'V', 'N', {"", true, false, false}, true},
      {"09051985", 'V', 'N', {"", true, true, true}, false},
      {"01011970", 'V', 'N', {"", false, true, true}, false},
      {"01011970", 'L', 'S', {"", false, true, false}, true},
      {"01011970", 'L', 'N', {"", false, true, false}, false},
      {"01011970", 'L', 'N', {"", false, false, true}, true},
      {"01011970", 'L', 'X', {"", true, true, true}, false},
  };
  for (const auto& c : cases) {
    MergeData data(c.rules, merge_);
    MergeValues v = Values();
    lease::LeaseFacts facts;
    facts.contract_date = base::ParseDate(c.contract);
    facts.use_code = c.use;
    facts.premises_flag = c.flag;
    v.letter_case = lease::LetterCaseOf(facts);
    data.Write(v);
    EXPECT_EQ(data.LetterDue(), c.due) << c.contract << c.use << c.flag;
    data.Finish();
  }
}

TEST_F(MergeDataTest, MergesTheTemplateIntoThePrintFile) {
  dir_.Write("TEXTOS/CARTA.txt", "@DES1\r\n@RELACT\r\n");
  std::string err;
  ASSERT_TRUE(print_.Open("PDF", &err));
  MergeData data(LetterRules{"CARTA", true, false, false}, merge_);
  data.Write(Values());
  data.AddParagraph("- Primer.");
  data.Finish();
  print_.Close();
  const std::string printed = dir_.Read("divivovi.tmp");
  EXPECT_NE(printed.find(" 0 ,Joan Garcia"), std::string::npos) << printed;
  // The paragraph's ten blanks move the left margin of an "I" line.
  EXPECT_NE(printed.find(" 11 ,, 0 \r\nJUSE\r\n 0 ,- Primer."), std::string::npos) << printed;
}

}  // namespace
}  // namespace output
