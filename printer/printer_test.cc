#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/codepage.h"
#include "printer/divivovi.h"
#include "printer/letter_files.h"
#include "printer/page_layout.h"
#include "printer/print_commands.h"
#include "printer/render.h"
#include "testing/poppler.h"
#include "testing/run_mirtosek.h"
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
  EXPECT_EQ(r.errors,
            (std::vector<std::string>{"line 7: not a print command", "line 8: not a print command",
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
  EXPECT_EQ(winansi,
            "\xE0\xE8\xE9\xED\xEF\xF2\xF3\xFA\xFC\xE7\xF1\xC0\xC9\xCD\xD3\xDA\xC7\xD1\xB7\xAA?");
  EXPECT_EQ(WinAnsiOf('\xC4'), '?');  // a box-drawing line has no letter in WinAnsi
}

using testing_support::Capture;
using testing_support::HavePoppler;

// The words of a page as pdftotext places them: text and bounding box in
// points from the upper left corner.
struct Word {
  std::string text;
  double x_min, y_min, x_max, y_max;
};

std::vector<Word> WordsOf(const std::string& pdf) {
  std::vector<Word> words;
  std::istringstream in(Capture("pdftotext -bbox '" + pdf + "' -"));
  std::string line;
  while (std::getline(in, line)) {
    Word w;
    if (std::sscanf(line.c_str(), " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">",
                    &w.x_min, &w.y_min, &w.x_max, &w.y_max) != 4) {
      continue;
    }
    const size_t open = line.find('>') + 1;
    w.text = line.substr(open, line.find("</word>") - open);
    words.push_back(w);
  }
  return words;
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

  dir_.Write("divivovi.tmp",
             "DEVICE\r\nPAGE 66 \r\n 1 ," + base::Cp("PÀGINA Núria Ça") + ", 1 \r\nbad line\r\n");
  setenv("KEPTMP", dir_.path().c_str(), 1);
  EXPECT_EQ(Run({}), 0) << err_;
  unsetenv("KEPTMP");
  EXPECT_NE(err_.find("line 4: not a print command (skipped)"), std::string::npos);
  EXPECT_EQ(dir_.Read("divivovi.txt"), "PÀGINA Núria Ça\n");
  const std::string pdf = dir_.Read("divivovi.pdf");
  ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
  if (std::system("command -v pdftotext >/dev/null 2>&1") == 0) {
    const std::string cmd =
        "pdftotext '" + dir_.path() + "/divivovi.pdf' '" + dir_.path() + "/back.txt'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_NE(dir_.Read("back.txt").find("PÀGINA Núria Ça"), std::string::npos)
        << dir_.Read("back.txt");
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

// A report of tens of thousands of pages (one a unit) outgrows one node of
// the PDF's page tree, which holds 32,767 pages: it was refused with
// "PDF error 4133".
TEST_F(DivivoviTest, APdfOfMoreThan32767PagesIsWrittenWhole) {
  std::string commands = "DEVICE\r\n";
  for (int p = 1; p <= 32800; ++p)
    commands += "PAGE 66\r\n 1 ,page " + std::to_string(p) + ", 1 \r\n";
  dir_.Write("long.tmp", commands);
  ASSERT_EQ(Run({dir_.path() + "/long.tmp", "--pdf", dir_.path() + "/long.pdf"}), 0) << err_;
  ASSERT_TRUE(testing_support::HavePoppler());
  EXPECT_NE(testing_support::Capture("pdfinfo '" + dir_.path() + "/long.pdf'")
                .find("Pages:           32800"),
            std::string::npos);
  EXPECT_EQ(
      testing_support::Capture("pdftotext -f 32800 -l 32800 '" + dir_.path() + "/long.pdf' -"),
      "page 32800\n\n\f");
}

}  // namespace
}  // namespace printer

namespace printer {
namespace {

// A letter page: the company's line, then the title, bold and italic words,
// and texts in the first and last column and on the last line of the grid.
TEST_F(DivivoviTest, PdfEmbedsTheMonospacedFontWithinMarginsAndSaysTitleAuthorAndDate) {
  ASSERT_TRUE(HavePoppler()) << "poppler-utils is missing: scripts/install-deps.sh installs it";
  dir_.Write("inst/Vorn.ini", base::Cp("[Empresa]\r\nCamp1=Finques Núria, SL\r\n"));
  dir_.Write(
      "p.tmp",
      base::Cp("DEVICE\r\nPAGE 66 \r\n*@\r\n 1 ,Finques Núria, SL, 2 \r\n"
               " 20 ,Actualització   de la renda, 2 \r\n*b\r\n 1 ,Negreta, 0 \r\n*b\r\n*i\r\n"
               " 0 , Cursiva, 0 \r\n*i\r\n 88 ,Columna96, 1 \r\n 0 ,, 60 \r\n 1 ,Última, 1 \r\n"));
  setenv("KEPROOT", (dir_.path() + "/inst/").c_str(), 1);
  setenv("SOURCE_DATE_EPOCH", "1710498030", 1);  // 15 Mar 2024 10:20:30 UTC
  setenv("TZ", "UTC", 1);                        // the date as pdfinfo shows it
  const int rc = Run({dir_.path() + "/p.tmp", "--pdf", dir_.path() + "/p.pdf"});
  unsetenv("KEPROOT");
  unsetenv("SOURCE_DATE_EPOCH");
  ASSERT_EQ(rc, 0) << err_;
  EXPECT_EQ(err_, "");
  const std::string pdf = dir_.path() + "/p.pdf";

  const std::string fonts = Capture("pdffonts '" + pdf + "'");
  EXPECT_NE(fonts.find("DejaVuSansMono,Book"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("DejaVuSansMono-Bold,Bold"), std::string::npos) << fonts;
  EXPECT_EQ(fonts.find("Courier"), std::string::npos) << fonts;
  std::istringstream rows(fonts);
  std::string row;
  int embedded = 0;
  while (std::getline(rows, row))
    embedded += row.find("CID TrueType      Identity-H       yes yes yes") != std::string::npos;
  EXPECT_EQ(embedded, 2) << fonts;

  const std::string info = Capture("pdfinfo '" + pdf + "'");
  EXPECT_NE(info.find("Title:           Actualització de la renda\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Author:          Finques Núria, SL\n"), std::string::npos) << info;
  EXPECT_NE(info.find("CreationDate:    Fri Mar 15 10:20:30 2024 UTC"), std::string::npos) << info;
  EXPECT_NE(info.find("Page size:       595.276 x 841.89 pts (A4)"), std::string::npos) << info;

  // 15 mm is 42.52 points; A4 is 595.28 by 841.89.
  const std::vector<Word> words = WordsOf(pdf);
  ASSERT_FALSE(words.empty());
  double left = 1e9, right = 0, top = 1e9, bottom = 0;
  for (const Word& w : words) {
    left = std::min(left, w.x_min);
    right = std::max(right, w.x_max);
    top = std::min(top, w.y_min);
    bottom = std::max(bottom, w.y_max);
  }
  EXPECT_NEAR(left, 42.52, 1.0);
  EXPECT_NEAR(right, 595.28 - 42.52, 1.0) << "Columna96 ends in the last column";
  EXPECT_GE(top, 42.0);
  EXPECT_LE(bottom, 841.89 - 42.0);
  EXPECT_GT(bottom, 841.89 - 42.52 - 3.0) << "the 66th line ends at the lower margin";
  // One grid: "Cursiva" follows "Negreta" and a blank, each character one column.
  auto find = [&](const std::string& text) {
    for (const Word& w : words) {
      if (w.text == text) return w;
    }
    ADD_FAILURE() << text << " not in the PDF";
    return Word{};
  };
  const double column = (find("Negreta").x_max - find("Negreta").x_min) / 7;
  EXPECT_NEAR(column, 510.24 / 96, 0.05);
  EXPECT_NEAR(find("Cursiva").x_min - find("Negreta").x_min, 8 * column, 1.0);
  EXPECT_NEAR(find("Columna96").x_min - left, 87 * column, 1.0);
  EXPECT_NE(Capture("pdftotext -layout '" + pdf + "' -").find("Última"), std::string::npos);
}

TEST_F(DivivoviTest, PdfFallsBackToCourierWithoutTheFontFiles) {
  ASSERT_TRUE(HavePoppler()) << "poppler-utils is missing: scripts/install-deps.sh installs it";
  PdfOptions options;
  options.font_dir = dir_.path() + "/no-fonts";
  std::string why, warning;
  ASSERT_TRUE(WritePdf(LayOut(ParsePrintCommands(base::Cp("PAGE 66 \r\n 1 ,Ça, 1 \r\n")).commands),
                       options, dir_.path() + "/c.pdf", &why, &warning))
      << why;
  EXPECT_NE(warning.find("no-fonts/DejaVuSansMono.ttf cannot be loaded"), std::string::npos)
      << warning;
  EXPECT_NE(Capture("pdffonts '" + dir_.path() + "/c.pdf'").find("Courier"), std::string::npos);
  EXPECT_NE(Capture("pdftotext '" + dir_.path() + "/c.pdf' -").find("Ça"), std::string::npos);
}

// Accented letters are composite glyphs in DejaVu Sans Mono: each must show
// its accent, in the regular face and in the bold one. Each letter has a PDF
// of its own (a letter may bring in the parts another one lacks), a page in
// each face, rendered and compared with the pages of its bare letter.
TEST_F(DivivoviTest, EveryAccentedLetterShowsItsAccentInBothFaces) {
  ASSERT_TRUE(HavePoppler()) << "poppler-utils is missing: scripts/install-deps.sh installs it";
  const std::string accented = base::Cp("àáèéíïòóúüçñÀÉÍÓÚÇÑ");
  const std::string bare = "aaeeiioouucnAEIOUCN";
  auto rendered = [&](char letter, const std::string& name) {
    const std::string commands = std::string("PAGE 66 \r\n 1 ,") + letter +
                                 ", 1 \r\nPAGE 66 \r\n*b\r\n 1 ," + letter + ", 1 \r\n";
    std::string why;
    EXPECT_TRUE(WritePdf(LayOut(ParsePrintCommands(commands).commands), PdfOptions{},
                         dir_.path() + "/" + name + ".pdf", &why))
        << why;
    const std::string cmd = "pdftoppm -r 40 -gray -x 0 -y 0 -W 60 -H 60 '" + dir_.path() + "/" +
                            name + ".pdf' '" + dir_.path() + "/" + name + "' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return std::vector<std::string>{dir_.Read(name + "-1.pgm"), dir_.Read(name + "-2.pgm")};
  };
  for (size_t k = 0; k < bare.size(); ++k) {
    const std::vector<std::string> with = rendered(accented[k], "accented" + std::to_string(k));
    const std::vector<std::string> without = rendered(bare[k], "bare" + std::to_string(k));
    for (size_t face = 0; face < 2; ++face) {
      ASSERT_FALSE(with[face].empty());
      EXPECT_NE(with[face], without[face])
          << base::Cp850ToUtf8(accented.substr(k, 1)) << (face == 0 ? " regular" : " bold")
          << " looks like its bare letter";
    }
  }
}

// The print program's outputs for the sample's reviewed print files are
// checked by the golden cases of testdata/printer; here, what it says of a
// folder of one PDF per letter, and the letter indexes it refuses.
TEST_F(DivivoviTest, OneFilePerLetterSaysHowManyAndRefusesAnIndexOfAnotherFile) {
  const std::string letters = testing_support::ReadFile(
      std::string(KEP_SOURCE_DIR) + "/testdata/sample/3_letters/expected/tmp/divivovi.tmp");
  const std::string index = testing_support::ReadFile(
      std::string(KEP_SOURCE_DIR) + "/testdata/sample/3_letters/expected/tmp/cartes.tmp");
  dir_.Write("inst/Vorn.ini", base::Cp("[Empresa]\r\nCamp1=Administració de Finques Puig, SL\r\n"));
  setenv("KEPROOT", (dir_.path() + "/inst/").c_str(), 1);
  dir_.Write("tmp/divivovi.tmp", "DEVICECARTES:" + dir_.path() + "/cartes" + letters.substr(9));
  dir_.Write("tmp/cartes.tmp", index);
  EXPECT_EQ(Run({dir_.path() + "/tmp/divivovi.tmp"}), 0) << err_;
  EXPECT_NE(out_.find("/cartes/: 27 letters, one PDF each"), std::string::npos) << out_;

  // An index of another print file is refused, and so is none.
  dir_.Write("tmp/cartes.tmp", "CARTES\t12\r\n2\tV001001\tJoan Garcia\t104529\r\n");
  EXPECT_EQ(Run({dir_.path() + "/tmp/divivovi.tmp"}), 1);
  EXPECT_NE(err_.find("is of a print file of 12 lines, not of this one of 4348"), std::string::npos)
      << err_;
  std::filesystem::remove(dir_.path() + "/tmp/cartes.tmp");
  EXPECT_EQ(Run({dir_.path() + "/tmp/divivovi.tmp"}), 1);
  EXPECT_NE(err_.find("cartes.tmp: cannot be read (one PDF per letter needs the letter index"),
            std::string::npos);
  unsetenv("KEPROOT");
}

TEST(LetterIndex, ReadsTheLettersAndRefusesWhatIsNotOne) {
  LetterIndex index;
  std::string err;
  ASSERT_TRUE(ParseLetterIndex(
      base::Cp("CARTES\t40\r\n2\tV001001\tNúria, SL\t104529\r\n30\tV001002\t\t0\r\n"), &index,
      &err))
      << err;
  EXPECT_EQ(index.lines, 40);
  ASSERT_EQ(index.letters.size(), 2u);
  EXPECT_EQ(index.letters[0].first_line, 2);
  EXPECT_EQ(index.letters[0].tenant, base::Cp("Núria, SL"));
  EXPECT_EQ(index.letters[0].increment, 104529);
  EXPECT_EQ(index.letters[1].receipt, "V001002");
  EXPECT_TRUE(ParseLetterIndex("CARTES\t3\r\n", &index, &err));
  EXPECT_TRUE(index.letters.empty());
  for (const char* bad :
       {"", "PAGE 66 \r\n", "CARTES\tx\r\n", "CARTES\t9\r\n5\tV1\tx\r\n",
        "CARTES\t9\r\n5\tV1\tx\t1\r\n3\tV2\ty\t2\r\n", "CARTES\t9\r\n0\tV1\tx\t1\r\n"}) {
    EXPECT_FALSE(ParseLetterIndex(bad, &index, &err)) << bad;
  }
  EXPECT_EQ(CsvField("Grans Magatzems, SA"), "\"Grans Magatzems, SA\"");
  EXPECT_EQ(CsvField("Bar \"El Centre\""), "\"Bar \"\"El Centre\"\"\"");
  EXPECT_EQ(CsvField("Joan Garcia"), "Joan Garcia");
}

TEST(Title, IsTheFirstLineThatDoesNotBeginWithTheAuthor) {
  const auto pages =
      LayOut(ParsePrintCommands("PAGE 66 \r\n 1 ,Finques Puig, 0 \r\n 85 ,PAGE 1, 2 \r\n"
                                " 32 ,INFORME   DE SITUACIO, 1 \r\n")
                 .commands);
  EXPECT_EQ(TitleOf(pages, "Finques Puig"), "INFORME DE SITUACIO");
  EXPECT_EQ(TitleOf(pages, ""), "Finques Puig PAGE 1");
  EXPECT_EQ(TitleOf({}, "x"), "");
}

}  // namespace
}  // namespace printer
