#include "output/print_output.h"

#include <gtest/gtest.h>

#include "base/session_settings.h"
#include "testing/temp_dir.h"

namespace output {
namespace {

class PrintOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::Settings().tmp_dir = dir_.prefix();
    std::string err;
    ASSERT_TRUE(OpenPrintFile("PDF", &err)) << err;
  }
  void TearDown() override {
    ClosePrintFile();
    base::Settings() = base::SessionSettings();
  }
  std::string File() {
    ClosePrintFile();
    return dir_.Read("divivovi.tmp");
  }
  testing_support::TempDir dir_;
};

TEST_F(PrintOutputTest, WritesEachCommandInItsForm) {
  PrintText(16, "abc", 1);  // no page yet: a bare page of length 0 first
  StartPage(66);
  PrintText(-3,
            std::string("a\tb") + '\0' +
                "c\x7F"
                "d\xFF"
                "e\x87,f",
            0);
  SetJustification(" b ");
  SetJustification("x");
  SetJustification("R");
  SetJustification("");
  SetJustification("n12\\Courier\\ rest");
  SetJustification("N");
  PrintControl("@e");
  EXPECT_EQ(File(),
            "DEVICEPDF\r\n"
            "PAGE 0 \r\n"
            " 16 ,abc, 1 \r\n"
            "PAGE 66 \r\n"
            "-3 ,a b c d e\x87,f, 0 \r\n"
            "JUSA\r\nJUSE\r\nJUSD\r\nJUSE\r\n"
            "JUSN 12 \\Courier\\\r\n"
            "JUSN 0 \r\n"
            "*@e\r\n");
}

TEST_F(PrintOutputTest, StartsABarePageWhenThePageIsFull) {
  StartPage(3);
  PrintText(1, "one", 2);
  PrintText(1, "two", 0);
  EXPECT_EQ(CurrentPrintState().line_count, 2);
  PrintText(1, "three", 1);
  EXPECT_EQ(CurrentPrintState().line_count, 3);
  PrintText(1, "four", 2);
  EXPECT_EQ(CurrentPrintState().line_count, 2);
  EXPECT_EQ(File(),
            "DEVICEPDF\r\nPAGE 3 \r\n 1 ,one, 2 \r\n 1 ,two, 0 \r\n 1 ,three, 1 \r\n"
            "PAGE 3 \r\n 1 ,four, 2 \r\n");
}

TEST(PrintOutput, ReportsAFileThatCannotBeCreated) {
  base::Settings().tmp_dir = "/nonexistent-folder/";
  std::string err;
  EXPECT_FALSE(OpenPrintFile("", &err));
  EXPECT_NE(err.find("/nonexistent-folder/divivovi.tmp"), std::string::npos);
  base::Settings() = base::SessionSettings();
}

}  // namespace
}  // namespace output
