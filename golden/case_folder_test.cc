#include "golden/case_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "golden/views.h"
#include "testing/temp_dir.h"

namespace golden {
namespace {

// The expected files of a step, as "<path under the step folder> <- <view>".
std::vector<std::string> Compared(const Step& step) {
  std::vector<std::string> out;
  for (const Expectation& e : step.expectations) {
    out.push_back(e.expected.substr(step.folder.size() + 1) + " <- " + e.view);
  }
  return out;
}

std::vector<std::string> Inputs(const Step& step) {
  std::vector<std::string> out;
  for (const Input& in : step.inputs) out.push_back(in.run_path + " <- " + in.source);
  return out;
}

TEST(CaseFolder, FindsCasesAndComparesEveryExpectedFileOfEveryStep) {
  testing_support::TempDir root;
  const std::string r = root.path();
  root.Write("shared/letters.tmp", "x");
  root.Write("notes/README", "not a case");
  root.Write("a/case.ini",
             "[case]\r\nprogram=divivovi\r\n[input]\r\nl.tmp=../shared/letters.tmp\r\n"
             "[expect]\r\nexpected/page.txt=pdf-text l.pdf 1\r\n");
  root.Write("a/input/tmp/pent.tmp", "p");
  root.Write("a/expected/page.txt", "page");
  root.Write("a/expected/tmp/divivovi.tmp", "d");
  root.Write("a/expected/inst/db.log", "l");
  root.Write("a/1_inside/case.ini", "[case]\r\nprogram=mirtosek\r\n");  // a step, not a case
  root.Write("group/b/case.ini", "[case]\r\nprogram=mirtosek\r\ninstallation=sample\r\n");
  root.Write("group/b/2_second/expected/tmp/divivovi.tmp", "2");
  root.Write("group/b/1_first/input/tmp/pent.tmp", "1");
  root.Write("group/b/1_first/step.ini", "[expect]\r\n../2_second/expected/tmp/divivovi.tmp=x\r\n");

  EXPECT_EQ(FindCaseFolders(r), (std::vector<std::string>{"a", "group/b"}));

  Case a;
  std::string err;
  ASSERT_FALSE(ReadCase(r, "a", &a, &err)) << "a case folder with a step folder has steps";
  EXPECT_NE(err.find("a case of steps"), std::string::npos) << err;
  std::filesystem::remove_all(r + "/a/1_inside");
  a = Case();
  ASSERT_TRUE(ReadCase(r, "a", &a, &err)) << err;
  EXPECT_EQ(a.Key("program"), "divivovi");
  EXPECT_EQ(a.Key("status", "0"), "0");
  ASSERT_EQ(a.steps.size(), 1u);
  EXPECT_EQ(Inputs(a.steps[0]),
            (std::vector<std::string>{"tmp/pent.tmp <- " + r + "/a/input/tmp/pent.tmp",
                                      "l.tmp <- " + r + "/shared/letters.tmp"}));
  // The file [expect] names takes its view; the others are compared as they are.
  EXPECT_EQ(Compared(a.steps[0]),
            (std::vector<std::string>{"expected/page.txt <- pdf-text l.pdf 1",
                                      "expected/inst/db.log <- inst/db.log",
                                      "expected/tmp/divivovi.tmp <- tmp/divivovi.tmp"}));

  Case b;
  ASSERT_TRUE(ReadCase(r, "group/b", &b, &err)) << err;
  EXPECT_EQ(b.name, "group/b");
  ASSERT_EQ(b.steps.size(), 2u);
  EXPECT_EQ(b.steps[0].folder, r + "/group/b/1_first");
  EXPECT_EQ(Inputs(b.steps[0]).size(), 1u);
  ASSERT_EQ(b.steps[0].expectations.size(), 1u);
  EXPECT_EQ(b.steps[0].expectations[0].expected, r + "/group/b/2_second/expected/tmp/divivovi.tmp");
  EXPECT_EQ(Compared(b.steps[1]),
            (std::vector<std::string>{"expected/tmp/divivovi.tmp <- tmp/divivovi.tmp"}));
}

TEST(CaseFolder, RefusesACaseThatWouldCompareNothingOrNamesWhatIsNotThere) {
  struct Row {
    const char* ini;
    const char* expected_file;  // written under expected/ when not empty
    const char* why;
  };
  const Row rows[] = {
      {"[case]\r\ninstallation=sample\r\n", "x", "names no program"},
      {"[case]\r\nprogram=mirtosek\r\n", "", "has no expected file"},
      {"[case]\r\nprogram=mirtosek\r\n[expect]\r\nexpected/none.txt=none.txt\r\n", "x", "line 4"},
      {"[case]\r\nprogram=mirtosek\r\n[expect]\r\nexpected/x=\r\n", "x", "line 4"},
      {"[case]\r\nprogram=mirtosek\r\n[input]\r\nx.tmp=missing.tmp\r\n", "x", "line 4"},
      {"[case]\r\nprogram=mirtosek\r\nlonely line\r\n", "x", "line 3"},
  };
  for (const Row& row : rows) {
    testing_support::TempDir root;
    root.Write("c/case.ini", row.ini);
    if (row.expected_file[0] != '\0')
      root.Write(std::string("c/expected/") + row.expected_file, "");
    Case c;
    std::string err;
    EXPECT_FALSE(ReadCase(root.path(), "c", &c, &err)) << row.ini;
    EXPECT_NE(err.find(row.why), std::string::npos) << row.ini << ": " << err;
  }
}

TEST(View, ReadsTheFileOrItsViewAndSaysWhatCannotBeMade) {
  testing_support::TempDir run;
  run.Write("tmp/divivovi.tmp", "DEVICEPDF\r\nPAGE 66 \r\n");
  std::string bytes, err;
  ASSERT_TRUE(MakeView("tmp/divivovi.tmp", run.path(), &bytes, &err)) << err;
  EXPECT_EQ(bytes, "DEVICEPDF\r\nPAGE 66 \r\n");
  ASSERT_TRUE(MakeView("without-device-line tmp/divivovi.tmp", run.path(), &bytes, &err)) << err;
  EXPECT_EQ(bytes, "PAGE 66 \r\n");
  const struct {
    const char* view;
    const char* why;
  } bad[] = {
      {"tmp/merge.tmp", "tmp/merge.tmp was not made"},
      {"pdf-text missing.pdf 1", "missing.pdf was not made"},
      {"pdf-fonts-info a.pdf extra", "is not a view"},
      {"without-device-line", "is not a view"},
      {"reverse tmp/divivovi.tmp", "is not a view"},
      {"", "is not a view"},
  };
  for (const auto& b : bad) {
    err.clear();
    EXPECT_FALSE(MakeView(b.view, run.path(), &bytes, &err)) << b.view;
    EXPECT_NE(err.find(b.why), std::string::npos) << b.view << ": " << err;
  }
}

}  // namespace
}  // namespace golden
