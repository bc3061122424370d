#include "app/unit_output.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/session_settings.h"
#include "output/print_output.h"
#include "storage/record_layouts.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

class UnitOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::Settings().tmp_dir = dir_.prefix();
    base::Settings().root_dir = dir_.prefix();
    base::Settings().language = "CAT";
    storage::SetBytes(&records_.unit, storage::unit::kKey, base::PackDigits("00010003"));
    storage::SetText(&records_.unit, storage::unit::kTenantName, "Garcia*Joan");
    storage::SetText(&records_.building, storage::building::kStreet, "C/ Major 1");
    facts_.holder_code = 'T';
    facts_.use_code = 'V';
    facts_.premises_flag = 'N';
    facts_.contract_date = base::ParseDate("01011970");
    facts_.report_date = base::ParseDate("15032001");
    std::string err;
    ASSERT_TRUE(print_.Open("PDF", &err)) << err;
  }
  void TearDown() override {
    print_.Close();
    base::Settings() = base::SessionSettings();
  }
  static RunParameters Params(RunMode mode, const char* template_name = "CARTA") {
    RunParameters p;
    p.run_mode = mode;
    p.report_date = base::ParseDate("15032001");
    p.template_name = template_name;
    p.letters_housing = true;
    return p;
  }
  // One unit through the output: its paragraphs between BeginUnit and EndUnit.
  void Unit(UnitOutput& out, std::initializer_list<const char*> paragraphs) {
    out.BeginUnit(records_, facts_, lease::UpdateResult());
    for (const char* p : paragraphs) out.Paragraph(p);
    out.EndUnit();
  }
  std::string Printed() {
    print_.Close();
    return dir_.Read("divivovi.tmp");
  }
  bool Reopen() {
    std::string err;
    return print_.Open("PDF", &err);
  }
  bool MergeFileWritten() const { return std::filesystem::exists(dir_.prefix() + "merge.tmp"); }

  testing_support::TempDir dir_;
  output::PrintFile print_;
  RecordBuffers records_;
  lease::LeaseFacts facts_;
};

TEST_F(UnitOutputTest, ModeAPrintsNothing) {
  RunCounts counts;
  const std::unique_ptr<UnitOutput> out =
      MakeUnitOutput(Params(RunMode::kWriteBack), print_, &counts);
  Unit(*out, {"- x", "- y"});
  EXPECT_EQ(Printed(), "DEVICEPDF\r\n");
  EXPECT_FALSE(MergeFileWritten());
  EXPECT_EQ(counts.letters_merged + counts.letters_incomplete, 0);
}

TEST_F(UnitOutputTest, ModeIPrintsAUnitLineBeforeTheParagraphsOfAUnitThatHasThem) {
  RunCounts counts;
  const std::unique_ptr<UnitOutput> out = MakeUnitOutput(Params(RunMode::kReport), print_, &counts);
  Unit(*out, {});
  EXPECT_EQ(Printed(), "DEVICEPDF\r\n");  // no page is started for a unit without paragraphs
  ASSERT_TRUE(Reopen());
  Unit(*out, {"- Primer.", "- Segon."});
  const std::string printed = Printed();
  const size_t line = printed.find(" 1 ,001003, 0 \r\n 18 ,C/ Major 1");
  ASSERT_NE(line, std::string::npos) << printed;
  EXPECT_EQ(printed.find(" 1 ,001003,", line + 1), std::string::npos);
  EXPECT_LT(line, printed.find("JUSA\r\n 16 ,- Primer."));
  EXPECT_LT(printed.find("- Primer."), printed.find("- Segon."));
  const std::string blank_line = " 0 ,, 1 \r\n";
  EXPECT_EQ(printed.substr(printed.size() - blank_line.size()), blank_line);
  EXPECT_FALSE(MergeFileWritten());
}

TEST_F(UnitOutputTest, ModeCMergesTheLettersDueAndCountsThoseWhoseTemplateIsMissing) {
  dir_.Write("TEXTOS/CARTA.txt", "@DES1\r\n@RELACT\r\n");
  RunCounts counts;
  const std::unique_ptr<UnitOutput> out =
      MakeUnitOutput(Params(RunMode::kLetters), print_, &counts);
  Unit(*out, {});
  EXPECT_FALSE(MergeFileWritten());
  Unit(*out, {"- Primer."});
  EXPECT_NE(dir_.Read("merge.tmp").find("- Primer.\r\n"), std::string::npos);
  facts_.use_code = 'L';  // premises: no letter asked for, the merge data all the same
  Unit(*out, {"- Local."});
  EXPECT_NE(dir_.Read("merge.tmp").find("- Local.\r\n"), std::string::npos);
  EXPECT_EQ(counts.letters_merged, 1);
  EXPECT_EQ(counts.letters_incomplete, 0);
  const std::string printed = Printed();
  EXPECT_NE(printed.find("Joan Garcia"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("- Local."), std::string::npos);
  EXPECT_EQ(printed.find(" 1 ,001003,"), std::string::npos);  // no report line

  ASSERT_TRUE(Reopen());
  facts_.use_code = 'V';
  const std::unique_ptr<UnitOutput> lost =
      MakeUnitOutput(Params(RunMode::kLetters, "NOEXISTE"), print_, &counts);
  Unit(*lost, {"- Primer."});
  EXPECT_EQ(counts.letters_merged, 1);
  EXPECT_EQ(counts.letters_incomplete, 1);
}

}  // namespace
}  // namespace app
