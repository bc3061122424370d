#include "app/reference_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "base/dates.h"
#include "base/session_settings.h"
#include "base/terminal.h"
#include "datatool/commands.h"
#include "storage/record_file.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

// The tables in memory answer every lookup as the record-by-record reads
// do: the same value, and the same bytes left in the buffer, read after
// read, for keys found, missing, before the first and after the last record,
// cut short and too long.
class ReferenceTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::UseNoTerminal();
    cwd_ = std::filesystem::current_path();
    root_ = dir_.prefix() + "inst/";
    Tool({"init", root_});  // with the official CPI series
    dir_.Write("types.csv", "concept,type\n1,0\n2,1\n3,2\n4,9\n7,4\n10,0\n");
    Tool({"import", root_, "TVRebut", dir_.prefix() + "types.csv"});
    base::Settings().root_dir = root_;
    base::Settings().tmp_dir = dir_.prefix();
    ASSERT_EQ(OpenDataFiles(root_, &records_), 0);
  }
  void TearDown() override {
    storage::ResetRecordManager();
    std::filesystem::current_path(cwd_);
    base::Settings() = base::SessionSettings();
  }
  void Tool(std::vector<std::string> args) {
    std::ostringstream out, err;
    ASSERT_EQ(datatool::RunDataTool(args, out, err), 0) << err.str();
    std::filesystem::current_path(cwd_);
  }

  // What one pass of lookups gives: each answer and the buffers after it.
  std::vector<std::string> Pass(RecordReference& reference,
                                const std::vector<std::string>& receipt_keys,
                                const std::vector<std::string>& cpi_keys) {
    std::fill(records_.receipt.begin(), records_.receipt.end(), '\0');
    std::fill(records_.cpi.begin(), records_.cpi.end(), '\0');
    std::vector<std::string> seen;
    for (size_t i = 0; i < std::max(receipt_keys.size(), cpi_keys.size()); ++i) {
      if (i < receipt_keys.size()) {
        const auto type = reference.ConceptType(receipt_keys[i]);
        seen.push_back("type " + (type ? std::to_string(*type) : "none") + " " + records_.receipt);
      }
      if (i < cpi_keys.size()) {
        const auto cpi = reference.CpiAtOrBefore(cpi_keys[i]);
        seen.push_back("cpi " + (cpi ? cpi->key + " " + std::to_string(cpi->value) : "none") + " " +
                       records_.cpi);
      }
    }
    return seen;
  }

  testing_support::TempDir dir_;
  std::filesystem::path cwd_;
  std::string root_;
  RecordBuffers records_;
};

TEST_F(ReferenceTablesTest, AnswerEveryLookupAsTheRecordReadsDo) {
  std::vector<std::string> receipt_keys = {"", std::string(1, '\0'), std::string("\x01\x01", 2)};
  for (int b = 0; b < 256; b += 3) receipt_keys.push_back(std::string(1, static_cast<char>(b)));
  for (int b : {1, 2, 5, 7, 10, 11, 255}) receipt_keys.push_back(std::string(1, char(b)));
  std::vector<std::string> cpi_keys = {"", "ESI", "ESH" + std::string(4, '\xFF'),
                                       "ESJ" + std::string(4, '\0'), std::string(9, '\xFF')};
  for (int year = 1950; year <= 2030; year += 3) {
    for (int month = 1; month <= 12; month += 5) {
      const std::string day = std::to_string(100 + month).substr(1);
      cpi_keys.push_back("ESI" + base::ParseDate("01" + day + std::to_string(year)).Bytes());
      cpi_keys.push_back("ESI" +
                         base::ParseDate("15" + day + std::to_string(year)).Bytes().substr(0, 3));
    }
  }
  RecordReference direct(records_);
  const std::vector<std::string> expected = Pass(direct, receipt_keys, cpi_keys);
  ReferenceTables tables(records_);
  const std::vector<std::string> got = Pass(tables, receipt_keys, cpi_keys);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "lookup " << i;
  // The pass saw both kinds of answer.
  EXPECT_NE(std::count_if(got.begin(), got.end(),
                          [](const std::string& s) { return s.rfind("type none", 0) == 0; }),
            0);
  EXPECT_NE(std::count_if(got.begin(), got.end(),
                          [](const std::string& s) { return s.rfind("cpi none", 0) == 0; }),
            0);
  EXPECT_NE(std::count_if(got.begin(), got.end(),
                          [](const std::string& s) { return s.rfind("cpi ESI", 0) == 0; }),
            0);
}

}  // namespace
}  // namespace app
