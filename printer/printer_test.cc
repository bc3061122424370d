#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "printer/divivovi.h"
#include "printer/page_layout.h"
#include "printer/print_commands.h"
#include "printer/render.h"
#include "testing/temp_dir.h"

namespace printer {
namespace {

TEST(PrintCommands, ReadsEveryCommandAndSkipsMalformedLines) {
  const ParseResult r = ParsePrintCommands(
      "DEVICEPDF\r\nPAGE 66 \r\n 16 ,a,b, 1 \r\n-3 ,x, 0 \r\nJUSN 12 \\Courier\\\r\n*@e\r\n"
      "garbage\r\n 1 ,no feed\r\nPAGE\r\n\r\n 1 ,last, 2 ");
  ASSERT_EQ(r.commands.size(), 7u);
  EXPECT_EQ(r.commands[0].text, "PDF");
  EXPECT_EQ(r.commands[1].number, 66);
  EXPECT_EQ(r.commands[2].column, 16);
  EXPECT_EQ(r.commands[2].text, "a,b");  // commas inside the text stay
  EXPECT_EQ(r.commands[2].number, 1);
  EXPECT_EQ(r.commands[3].column, -3);
  EXPECT_EQ(r.commands[4].text, "N 12 \\Courier\\");
  EXPECT_EQ(r.commands[5].text, "@e");
  EXPECT_EQ(r.errors, (std::vector<std::string>{"line 7: not a print command", "line 8: not a print command",
                                                "line 9: PAGE without a line count"}));
  // The unterminated last line is read too.
  EXPECT_EQ(ParsePrintCommands(" 1 ,last, 2 ").commands.size(), 1u);
}

TEST(PageLayout, PlacesTextsAndBreaksPages) {
  const auto r = ParsePrintCommands(
      "PAGE 3 \r\n 5 ,abc, 0 \r\n 0 ,de, 1 \r\n-7 ,neg, 1 \r\n 2 ,x, 1 \r\n 1 ,next page, 1 \r\n"
      "PAGE 4 \r\n*b\r\n 1 ,B, 0 \r\n*b\r\n 0 ,n, 1 \r\n");
  const std::vector<Page> pages = LayOut(r.commands);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(RenderText(pages), "    abcde\nneg\n x\n\fnext page\n\fBn\n");
  EXPECT_EQ(pages[2].lines[0][0].emphasis, kBold);
  EXPECT_EQ(pages[2].lines[0][1].emphasis, 0);
  EXPECT_EQ(pages[2].length, 4);
}

TEST(Render, WinAnsiHoldsTheLettersOfTheFourLanguages) {
  const std::string letters = base::Cp("àèéíïòóúüçñÀÉÍÓÚÇÑ·ª€");
  std::string winansi;
  for (char c : letters) winansi.push_back(WinAnsiOf(c));
  EXPECT_EQ(winansi, "\xE0\xE8\xE9\xED\xEF\xF2\xF3\xFA\xFC\xE7\xF1\xC0\xC9\xCD\xD3\xDA\xC7\xD1\xB7\xAA?");
  EXPECT_EQ(WinAnsiOf('\xC4'), '?');  // a box-drawing line has no letter in WinAnsi
}

class DivivoviTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int rc = RunDivivovi(args, out, err);
    out_ = out.str();
    err_ = err.str();
    return rc;
  }
  testing_support::TempDir dir_;
  std::string out_, err_;
};

TEST_F(DivivoviTest, WritesWhereTheDeviceLineSays) {
  EXPECT_EQ(OutputsForDevice("", "/t").pdf, "/t/divivovi.pdf");
  EXPECT_EQ(OutputsForDevice("PDF:/x/report.pdf", "/t").text, "/x/report.txt");
  EXPECT_EQ(OutputsForDevice("TXT:/x/r.txt", "/t").pdf, "");
  EXPECT_EQ(OutputsForDevice("NUL", "/t").text, "");

  dir_.Write("divivovi.tmp", "DEVICE\r\nPAGE 66 \r\n 1 ," + base::Cp("PÀGINA Núria Ça") + ", 1 \r\nbad line\r\n");
  setenv("KEPTMP", dir_.path().c_str(), 1);
  EXPECT_EQ(Run({}), 0) << err_;
  unsetenv("KEPTMP");
  EXPECT_NE(err_.find("line 4: not a print command (skipped)"), std::string::npos);
  EXPECT_EQ(dir_.Read("divivovi.txt"), "PÀGINA Núria Ça\n");
  const std::string pdf = dir_.Read("divivovi.pdf");
  ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
  if (std::system("command -v pdftotext >/dev/null 2>&1") == 0) {
    const std::string cmd = "pdftotext '" + dir_.path() + "/divivovi.pdf' '" + dir_.path() + "/back.txt'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_NE(dir_.Read("back.txt").find("PÀGINA Núria Ça"), std::string::npos) << dir_.Read("back.txt");
  }
}

TEST_F(DivivoviTest, ReportsWhatCannotBeReadOrWritten) {
  EXPECT_EQ(Run({dir_.path() + "/none.tmp"}), 1);
  EXPECT_NE(err_.find("none.tmp: cannot be read"), std::string::npos);
  dir_.Write("p.tmp", "DEVICE\r\n 1 ,x, 1 \r\n");
  EXPECT_EQ(Run({dir_.path() + "/p.tmp", "--text", "/nonexistent-dir/out.txt"}), 1);
  EXPECT_NE(err_.find("/nonexistent-dir/out.txt"), std::string::npos);
  EXPECT_EQ(Run({dir_.path() + "/p.tmp", "--pdf", "/nonexistent-dir/out.pdf"}), 1);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.find("usage: divivovi"), std::string::npos);
  EXPECT_EQ(Run({dir_.path() + "/p.tmp", "--text", dir_.path() + "/named.txt"}), 0);
  EXPECT_EQ(dir_.Read("named.txt"), "x\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/divivovi.pdf"));
}

}  // namespace
}  // namespace printer
