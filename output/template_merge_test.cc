#include "output/template_merge.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/codepage.h"
#include "base/session_settings.h"
#include "output/print_output.h"
#include "testing/temp_dir.h"

namespace output {
namespace {

const std::string kDirective = "\x7F";

class TemplateMergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::Settings().tmp_dir = dir_.prefix();
    base::Settings().root_dir = dir_.prefix();
    std::string err;
    ASSERT_TRUE(print_.Open("PDF", &err));
    dir_.Write("merge.tmp", Field("DES1", std::string("Joan Garcia") + std::string(19, ' ')) +
                                Field("MEM1", "Finques") + Field("MEM2", "Puig") +
                                Field("RELACT", std::string("\x01") + "- first paragraph",
                                      {"\x01- second paragraph"}) +
                                Field("ODD", "a@MEM1 b"));
  }
  void TearDown() override {
    print_.Close();
    base::Settings() = base::SessionSettings();
  }
  static std::string Field(const std::string& name, const std::string& last,
                           const std::vector<std::string>& more = {}) {
    std::string f = kDirective + name + "\r\n";
    if (!more.empty()) {
      f = kDirective + name + "\r\n" + last + "\r\n";
      for (size_t i = 0; i + 1 < more.size(); ++i) f += more[i] + "\r\n";
      return f + more.back() + "\xFF\r\n";
    }
    return f + last + "\xFF\r\n";
  }
  // Merges a template and returns the print commands after the DEVICE line.
  std::string Merge(const std::string& text, const char* merge = "merge.tmp") {
    dir_.Write("TEXTOS/carta.txt", text);
    merge_.Merge("carta  ", merge[0] ? dir_.prefix() + merge : "", -1);
    print_.Close();
    std::string all = dir_.Read("divivovi.tmp");
    return all.substr(all.find("\r\n") + 2);
  }
  testing_support::TempDir dir_;
  PrintFile print_;
  TemplateMerge merge_{print_};
};

const char kFirstPage[] = "PAGE 66 \r\n*@\r\n*e\r\n 0 ,, 0 \r\n 95 ,, 2 \r\n";

// One printed line of the default format (left 1, right 95, left-aligned).
std::string Line(const std::string& text) {
  return " 1 ,, 0 \r\nJUSE\r\n 0 ," + text + std::string(95 - text.size(), ' ') + ", 1 \r\n";
}

TEST_F(TemplateMergeTest, SubstitutesTrimmedAndFixedWidthValues) {
  const std::string out =
      Merge("@DES1|#DES1|\r\n@relact\r\n@MEM1@MEM2 and @ at the end @\r\n@NONE stays\r\n@ODD\r\n");
  EXPECT_EQ(out, std::string(kFirstPage) +
                     Line("Joan Garcia|Joan Garcia" + std::string(19, ' ') + "|") +
                     // a value of two lines prints as it comes; byte 1 selects format 0
                     Line("- first paragraph") + Line("- second paragraph") +
                     Line("FinquesPuig and @ at the end @") + Line("@NONE stays") +
                     // a marker inside an inserted value is substituted too
                     Line("aFinques b"));
}

// A value that names its own field would be substituted without end; the
// line stops growing and the letter goes on.
TEST_F(TemplateMergeTest, AFieldThatNamesItselfEndsItsLine) {
  dir_.Write("loop.tmp", Field("SELF", "x@SELF") + Field("MEM1", "Finques"));
  const std::string out = Merge("@SELF\r\n@MEM1\r\n", "loop.tmp");
  EXPECT_EQ(std::count(out.begin(), out.end(), 'x'), 1000);  // printed over several lines
  EXPECT_NE(out.find("@SELF"), std::string::npos);
  EXPECT_NE(out.find("Finques"), std::string::npos);
}

TEST_F(TemplateMergeTest, HangingIndentMovesTheFirstLineLeft) {
  // Format 1: left 10, right 29, indent -2, justified.
  const std::string out =
      Merge(kDirective + "1029-02A\r\n\x02- uno dos tres cuatro cinco seis siete\r\n");
  EXPECT_EQ(out, std::string(kFirstPage) +
                     " 8 ,, 0 \r\nJUSA\r\n 0 ,- uno  dos tres cuatro, 1 \r\n"
                     " 8 ,, 0 \r\nJUSE\r\n 0 ,  cinco seis siete, 1 \r\n");
}

TEST_F(TemplateMergeTest, PagesBreakAboveLine58WithMarginAndHeadingButNoFirstPageControl) {
  std::string text = kDirective + "S3\r\n" + kDirective + "LCarta\r\n" + kDirective + "C\r\n";
  text += std::string("\xBE\xBD") + "\r\n";  // scrambled: prints as "AB"
  text += kDirective + "Cx\r\n";
  text += "@.60\r\n";  // to line 60 of the page (60 mod 60)
  text += "next\r\n";
  const std::string out = Merge(text);
  const std::string first = "PAGE 66 \r\n*@\r\n*e\r\n 0 ,, 3 \r\n 90 ,Carta, 2 \r\n";
  const std::string later = "PAGE 66 \r\n*e\r\n 0 ,, 3 \r\n 90 ,Carta, 2 \r\n";
  EXPECT_EQ(out, first + " 1 ,, 0 \r\nJUSE\r\n 0 ,AB" + std::string(93, ' ') + ", 1 \r\n" +
                     " 0 ,, 53 \r\n" + later + " 1 ,, 0 \r\nJUSE\r\n 0 ,next" +
                     std::string(91, ' ') + ", 1 \r\n");
}

TEST_F(TemplateMergeTest, IncludesAndNewLetters) {
  dir_.Write("TEXTOS/peu.txt", "peu\r\n");
  dir_.Write("TEXTOS/self.txt", "x\r\n#+SELF\r\n@+self\r\n");
  const std::string out = Merge("one\r\n#+peu\r\ntwo\r\n@+peu\r\n");
  auto text = Line;
  // "#+" ends the letter: the next line starts a page with the "@" control again.
  EXPECT_EQ(out, std::string(kFirstPage) + text("one") + text("peu") + kFirstPage + text("two") +
                     text("peu"));
  ::testing::internal::CaptureStderr();
  merge_.Reset();
  std::string err;
  ASSERT_TRUE(print_.Open("", &err));
  // A template that includes itself (here twice, which would double the work
  // at every level) is printed once.
  merge_.Merge("self", "", 0);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("template SELF includes itself"),
            std::string::npos);
  print_.Close();
  const std::string all = dir_.Read("divivovi.tmp");
  ASSERT_NE(all.find(",x"), std::string::npos);
  EXPECT_EQ(all.find(",x"), all.rfind(",x"));

  // Includes that go deeper than 16 distinct templates stop there.
  for (int i = 0; i < 20; ++i) {
    dir_.Write("TEXTOS/t" + std::to_string(i) + ".txt", "@+t" + std::to_string(i + 1) + "\r\n");
  }
  ::testing::internal::CaptureStderr();
  merge_.Reset();
  ASSERT_TRUE(print_.Open("", &err));
  merge_.Merge("t0", "", 0);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("deeper than 16"), std::string::npos);
}

TEST_F(TemplateMergeTest, EmphasisBytesBecomeControlsAndMissingFilesAreReported) {
  const std::string out = Merge(
      "a\x10"
      "b\x11"
      "c\x12"
      "d\r\n");
  EXPECT_EQ(out, std::string(kFirstPage) +
                     " 1 ,, 0 \r\nJUSE\r\n 0 ,a, 0 \r\n*b\r\nJUSE\r\n 0 ,b, 0 \r\n*u\r\n"
                     "JUSE\r\n 0 ,c, 0 \r\n*i\r\nJUSE\r\n 0 ,d" +
                     std::string(91, ' ') + ", 1 \r\n");
  ::testing::internal::CaptureStderr();
  merge_.Merge("missing", "", 0);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("TEXTOS/missing.txt"), std::string::npos);
}

TEST_F(TemplateMergeTest, ExtraFormatLinesAreIgnored) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += kDirective + "0120+00E\r\n";
  text +=
      "\x0A"
      "x\r\n";
  ::testing::internal::CaptureStderr();
  Merge(text);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("more than 9 line formats"),
            std::string::npos);
}

TEST(TemplateText, FindsUtf8AndForeignControlBytes) {
  struct Row {
    std::string line;
    size_t column;  // 0: text
    const char* why;
  };
  const Row rows[] = {
      {base::Cp("Atentament, és a dir: àèéíòóúç·ñ l·l ÀÉ"), 0, ""},
      {base::Cp("\x7F"
                "1075+00I ┌─┐ ═╗ ░ ±"),
       0, ""},  // a directive, box drawing that reads as UTF-8
      {"\x01\x10"
       "bold\x10\x11\x12\ttab",
       0, ""},  // the template's own controls
      {"Atentament, \xC3\xA9s", 13, "the bytes C3 A9 are UTF-8 for \"\xC3\xA9\""},
      {"10 \xE2\x82\xAC", 4, "E2 82 AC"},  // the euro sign: "Ôé¼" in code page 850
      {"inform\xC3\xB3 ", 7, "C3 B3"},     // "ó" of UTF-8 as box drawing: "├│"
      {"\xEF\xBB\xBF"
       "Carta",
       1, "EF BB BF"},  // a byte-order mark
      {std::string("a\0b\0", 4), 2, "control byte 00"},
      {"a\x1B[1m", 2, "control byte 1B"},
  };
  for (const Row& r : rows) {
    size_t column = 0;
    std::string why;
    EXPECT_EQ(FindNonText(r.line, &column, &why), r.column != 0) << r.line;
    EXPECT_EQ(column, r.column) << r.line;
    EXPECT_NE(why.find(r.why), std::string::npos) << why;
  }
}

TEST_F(TemplateMergeTest, SaysOnceWhereATemplateIsNotCodePage850Text) {
  const long before = merge_.TextFaults();
  ::testing::internal::CaptureStderr();
  dir_.Write("TEXTOS/utf8.txt",
             "Benvolgut senyor,\r\n\r\nUs comuniquem que la renda \xC3\xA9s @MEM1\r\n");
  merge_.Merge("utf8", dir_.prefix() + "merge.tmp", -1);
  merge_.Merge("utf8", dir_.prefix() + "merge.tmp", -1);
  dir_.Write("TEXTOS/good.txt", base::Cp("La renda és @MEM1\r\n"));
  merge_.Merge("good", dir_.prefix() + "merge.tmp", -1);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(merge_.TextFaults() - before, 2);
  EXPECT_NE(
      err.find("utf8.txt, line 3, column 28: not code page 850 text: the bytes C3 A9 are UTF-8"),
      std::string::npos)
      << err;
  EXPECT_EQ(err.find("utf8.txt", err.find("utf8.txt") + 1), std::string::npos)
      << "said once: " << err;
  EXPECT_EQ(err.find("good.txt"), std::string::npos) << err;
  print_.Close();
  // The letter is printed as it stands.
  EXPECT_NE(dir_.Read("divivovi.tmp").find("la renda \xC3\xA9s Finques"), std::string::npos);
}

// What an engine has said, and counted, goes with it: a reset (or another
// engine, as another run has) says an unreadable or garbled template again
// and counts from nothing.
TEST_F(TemplateMergeTest, AResetForgetsTheTemplatesSaidAndTheCounts) {
  dir_.Write("TEXTOS/utf8.txt", "la renda \xC3\xA9s\r\n");
  auto said = [this](const char* name) {
    ::testing::internal::CaptureStderr();
    merge_.Merge(name, "", -1);
    return ::testing::internal::GetCapturedStderr();
  };
  EXPECT_NE(said("missing").find("missing.txt cannot be read"), std::string::npos);
  EXPECT_NE(said("utf8").find("utf8.txt, line 1"), std::string::npos);
  EXPECT_EQ(said("missing"), "");
  EXPECT_EQ(said("utf8"), "");
  EXPECT_EQ(merge_.ReadFailures(), 2);
  EXPECT_EQ(merge_.TextFaults(), 2);

  merge_.Reset();
  EXPECT_EQ(merge_.ReadFailures(), 0);
  EXPECT_EQ(merge_.TextFaults(), 0);
  EXPECT_NE(said("missing").find("missing.txt cannot be read"), std::string::npos);
  EXPECT_NE(said("utf8").find("utf8.txt, line 1"), std::string::npos);
  TemplateMerge another(print_);
  ::testing::internal::CaptureStderr();
  another.Merge("missing", "", -1);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("missing.txt cannot be read"),
            std::string::npos);
  EXPECT_EQ(another.ReadFailures(), 1);
  EXPECT_EQ(merge_.ReadFailures(), 1);
}

}  // namespace
}  // namespace output
