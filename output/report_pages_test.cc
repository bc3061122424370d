#include "output/report_pages.h"

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/edit_picture.h"
#include "base/message_catalogue.h"
#include "base/session_settings.h"
#include "base/text_utils.h"
#include "testing/temp_dir.h"

namespace output {
namespace {

class ReportPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::Settings().tmp_dir = dir_.prefix();
    base::Settings().language = "CAT";
    base::Company().fields[0] = "Finques Puig, SL" + std::string(19, ' ');
    std::string err;
    ASSERT_TRUE(print_.Open("PDF", &err));
  }
  void TearDown() override {
    print_.Close();
    base::Settings() = base::SessionSettings();
    base::Company() = base::CompanyData();
  }
  std::string File() {
    print_.Close();
    return dir_.Read("divivovi.tmp");
  }
  static UnitLine Unit() {
    UnitLine u;
    u.unit_key = base::PackDigits("00010003");
    u.address = "C/ Major 1" + std::string(20, ' ');
    u.designation = "1r 2a     ";
    u.tenant = "Garcia*Joan" + std::string(19, ' ');
    u.holder_code = '1';
    u.contract_date = base::ParseDate("01011970");
    return u;
  }
  testing_support::TempDir dir_;
  PrintFile print_;
};

std::string Header(int page) {
  return "PAGE 66 \r\n*@e\r\n 1 ,Finques Puig, SL" + std::string(19, ' ') + ", 0 \r\nJUSD\r\n" +
         " 85 ," + base::Cp("PÀGINA ") + "   " + std::to_string(page) + ", 2 \r\n" + " 32 ," +
         base::Cp("INFORME DE SITUACIÓ A ") + "15/3/2001 , 2 \r\n*q\r\n" +
         " 1 ,REBUT, 0 \r\n 18 ," + base::Cp("ADREÇA") +
         ", 0 \r\n 59 ,DEPARTAMENT, 0 \r\n 75 ,NOM, 0 \r\n"
         " 117 ,COM A, 0 \r\n 126 ,CONTRACTE, 1 \r\n 1 ," +
         std::string(135, '-') + ", 1 \r\n";
}

TEST_F(ReportPagesTest, PrintsTheHeaderTheUnitLineAndJustifiedParagraphs) {
  ReportPages pages(print_, base::ParseDate("15032001"));
  pages.BeginUnit(Unit());
  std::string long_text = "-";
  while (long_text.size() < 111) long_text += " abcd";
  long_text = long_text.substr(0, 111);
  pages.PrintParagraph("- Habitatge no sumptuari.");
  pages.PrintParagraph(long_text);
  pages.EndUnitOutput();
  const std::string wrapped = base::FormatParagraph(long_text, -2, 110, "a");
  ASSERT_EQ(wrapped.size() > 110, true);
  EXPECT_EQ(File(), "DEVICEPDF\r\n" + Header(1) + " 1 ,001003, 0 \r\n 18 ,C/ Major 1" +
                        std::string(20, ' ') +
                        ", 0 \r\n"
                        " 59 ,1r 2a     , 0 \r\n 75 ,Garcia*Joan" +
                        std::string(19, ' ') +
                        ", 0 \r\n"
                        " 117 ,1 SUBR., 0 \r\n 126 ,1/1/1970  , 2 \r\n"
                        "JUSA\r\n 16 ,- Habitatge no sumptuari., 1 \r\n"
                        "JUSA\r\n 16 ," +
                        wrapped.substr(0, 110) +
                        ", 1 \r\n"
                        "JUSA\r\n 16 ," +
                        wrapped.substr(110) +
                        ", 1 \r\n"
                        " 0 ,, 1 \r\n");
}

TEST_F(ReportPagesTest, StartsANewPageAboveLine60WithTheUnitLineAfterIt) {
  ReportPages pages(print_, base::ParseDate("15032001"));
  pages.BeginUnit(Unit());
  pages.PrintParagraph("- a");  // header (6 lines), unit line (2), paragraph (1): line 9
  for (int i = 9; i < 60; ++i) pages.PrintParagraph("- b");
  EXPECT_EQ(print_.state().line_count, 60);
  pages.PrintParagraph("- at 60 still on page 1");
  EXPECT_EQ(pages.page_number(), 1);
  pages.BeginUnit(Unit());
  pages.PrintParagraph("- at 61 a new page");
  EXPECT_EQ(pages.page_number(), 2);
  const std::string file = File();
  const size_t second = file.find(Header(2));
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(file.substr(second + Header(2).size(), 16), " 1 ,001003, 0 \r\n");
}

TEST_F(ReportPagesTest, ALongTitleGetsANegativeColumn) {
  base::Settings().language = "SPA";
  base::Settings().root_dir = dir_.prefix();
  base::SetProgramIdentifier("MIRTOSEK");
  dir_.Write("LOCALE/MIRTOSEK.LNG", base::Cp("\"INFORME DE SITUACIÓ A \",\"\",\"\",\"") +
                                        std::string(100, 'X') + "\"\r\n");
  ReportPages report(print_, base::ParseDate("15032001"));
  report.BeginUnit(Unit());
  report.PrintParagraph("- x");
  EXPECT_NE(File().find("\r\n-7 ," + std::string(100, 'X') + "15/3/2001 , 2 \r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace output
