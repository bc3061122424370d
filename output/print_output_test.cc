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
    ASSERT_TRUE(print_.Open("PDF", &err)) << err;
  }
  void TearDown() override {
    print_.Close();
    base::Settings() = base::SessionSettings();
  }
  std::string File() {
    print_.Close();
    return dir_.Read("divivovi.tmp");
  }
  testing_support::TempDir dir_;
  PrintFile print_;
};

TEST_F(PrintOutputTest, WritesEachCommandInItsForm) {
  print_.PrintText(16, "abc", 1);  // no page yet: a bare page of length 0 first
  print_.StartPage(66);
  print_.PrintText(-3,
                   std::string("a\tb") + '\0' +
                       "c\x7F"
                       "d\xFF"
                       "e\x87,f",
                   0);
  print_.SetJustification(" b ");
  print_.SetJustification("x");
  print_.SetJustification("R");
  print_.SetJustification("");
  print_.SetJustification("n12\\Courier\\ rest");
  print_.SetJustification("N");
  print_.PrintControl("@e");
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
  print_.StartPage(3);
  print_.PrintText(1, "one", 2);
  print_.PrintText(1, "two", 0);
  EXPECT_EQ(print_.state().line_count, 2);
  print_.PrintText(1, "three", 1);
  EXPECT_EQ(print_.state().line_count, 3);
  print_.PrintText(1, "four", 2);
  EXPECT_EQ(print_.state().line_count, 2);
  EXPECT_EQ(File(),
            "DEVICEPDF\r\nPAGE 3 \r\n 1 ,one, 2 \r\n 1 ,two, 0 \r\n 1 ,three, 1 \r\n"
            "PAGE 3 \r\n 1 ,four, 2 \r\n");
}

// The index of the letters gives the line each letter starts at, and holds
// only the letters of the print file as last opened.
TEST_F(PrintOutputTest, IndexesTheLettersOfThePrintFileAsLastOpened) {
  print_.AddLetterToIndex("V001001", "Garcia\tJoan", 104529);
  std::string err;
  ASSERT_TRUE(print_.Open("CARTES:", &err)) << err;
  print_.StartPage(66);
  print_.AddLetterToIndex("V001003", "Joan\r\nGarcia", 20215);
  print_.PrintText(1, "Benvolgut", 1);
  print_.AddLetterToIndex("V002001", "Puig*Anna", 0);
  print_.PrintText(1, "Benvolguda", 1);
  EXPECT_TRUE(print_.WriteLetterIndex(&err)) << err;
  EXPECT_EQ(dir_.Read("cartes.tmp"),
            "CARTES\t4\r\n3\tV001003\tJoan  Garcia\t20215\r\n4\tV002001\tPuig*Anna\t0\r\n");
  EXPECT_TRUE(print_.WriteLetterIndex(&err)) << err;  // written once: then none
  EXPECT_EQ(dir_.Read("cartes.tmp"), "CARTES\t4\r\n");
}

TEST(PrintOutput, ReportsAFileThatCannotBeCreated) {
  base::Settings().tmp_dir = "/nonexistent-folder/";
  std::string err;
  PrintFile print;
  EXPECT_FALSE(print.Open("", &err));
  EXPECT_NE(err.find("/nonexistent-folder/divivovi.tmp"), std::string::npos);
  base::Settings() = base::SessionSettings();
}

}  // namespace
}  // namespace output
