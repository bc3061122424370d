// Run mode "A" end to end: an installation made with the data tool, the
// mirtosek executable, and the records it writes back.
#include "app/lease_handler.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/reference_tables.h"
#include "base/session_settings.h"
#include "datatool/commands.h"
#include "storage/record_file.h"
#include "testing/run_mirtosek.h"
#include "testing/temp_dir.h"

namespace app {
namespace {

// The reference reads of the lease engine over real files: a concept type by
// the key of its fixed number or of its code, and the national CPI only.
TEST(RecordReference, ReadsConceptTypesByTheirKeysAndOnlyTheNationalIndex) {
  testing_support::TempDir dir;
  const std::filesystem::path cwd = std::filesystem::current_path();
  const std::string root = dir.prefix() + "inst/";
  auto tool = [&](const std::vector<std::string>& args) {
    std::ostringstream out, err;
    EXPECT_EQ(datatool::RunDataTool(args, out, err), 0) << err.str();
    std::filesystem::current_path(cwd);
  };
  auto import = [&](const char* table, const std::string& csv) {
    dir.Write("in.csv", csv);
    tool({"import", root, table, dir.prefix() + "in.csv"});
  };
  tool({"init", root, "--no-cpi"});
  import("TVRebut", "concept,code,type\n1,,0\n2,,1\n,7,4\n");
  import("UIpc", "month,value\n2001-03,120.5\n");
  base::Settings().root_dir = root;
  RecordBuffers records;
  ASSERT_EQ(OpenDataFiles(root, &records), 0);
  // An index of another series, of a month before the national one's.
  storage::SetBytes(&records.cpi, storage::cpi::kPrefix, "ESA");
  storage::SetBytes(&records.cpi, storage::cpi::kMonth, base::PackedDate(2000, 12, 1));
  storage::SetDouble(&records.cpi, storage::cpi::kValue, 99);
  ASSERT_EQ(storage::InsertRecord(kCpiFile), 0);

  // Read record by record, and from the tables held in memory.
  RecordReference direct(records);
  ReferenceTables tables(records);
  for (RecordReference* reference : {&direct, static_cast<RecordReference*>(&tables)}) {
    EXPECT_EQ(reference->FixedConceptType(1), 0);
    EXPECT_EQ(reference->FixedConceptType(2), 1);
    EXPECT_EQ(reference->FixedConceptType(7), std::nullopt);
    EXPECT_EQ(reference->CodedConceptType(7), 4);
    EXPECT_EQ(reference->CodedConceptType(-7), 4);
    EXPECT_EQ(reference->CodedConceptType(1), std::nullopt);
    const auto found = reference->NationalIndexAtOrBefore(base::PackedDate(2001, 4, 1));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->month, base::PackedDate(2001, 3, 1));
    EXPECT_EQ(found->value, 120.5);
    // The less-or-equal read finds the other series' record: no index.
    EXPECT_EQ(reference->NationalIndexAtOrBefore(base::PackedDate(2001, 2, 1)), std::nullopt);
  }
  storage::ResetRecordManager();
  base::Settings() = base::SessionSettings();
}

class WriteBackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    root_ = dir_.path() + "/inst";
    Tool({"init", root_, "--no-cpi"});
    Import("PropietV", "owner,name\n1,Puig*Maria\n");
    Import("FinquesV", "building,owner,street\n1,1,C/ Major 1\n");
    Import("TVRebut", "concept,code,type\n1,,0\n2,,1\n");
    Import("UIpc", "month,value\n2000-12,130.0\n");
    testing_support::WriteQuietPrintProgram(dir_.path() + "/exe");
  }
  void TearDown() override { std::filesystem::current_path(cwd_); }
  void Tool(const std::vector<std::string>& args) { out_ = testing_support::RunTool(args); }
  void Import(const char* table, const std::string& csv) {
    dir_.Write("in.csv", csv);
    Tool({"import", root_, table, dir_.path() + "/in.csv"});
  }
  std::string Export(const char* table) {
    Tool({"export", root_, table});
    return out_;
  }
  int Run(const std::string& mode, const char* report_date) {
    dir_.Write("tmp/pent.tmp", std::string(report_date) +
                                   "\r\n1\r\n1\r\n9999\r\n9999\r\n01\r\n12\r\n" + mode +
                                   "\r\nCARTA\r\nS\r\nS\r\nS\r\n");
    return testing_support::RunMirtosek(root_ + "/", dir_.path() + "/exe/", dir_.path() + "/tmp",
                                        dir_.path() + "/stderr");
  }
  testing_support::TempDir dir_;
  std::string root_, out_;
  std::filesystem::path cwd_;
};

TEST_F(WriteBackTest, TheWorkedCaseIsWrittenBack) {
  Import("DepartaV",
         "building,unit,tenant_name,contract_date,months_per_receipt,concept1,concept3,concept6\n"
         "1,3,Garcia*Joan,1970-01-01,1,10000,5,6\n"
         "1,4,Puig*Anna,1990-06-15,1,50000,0,0\n");
  ASSERT_EQ(Run("A", "15/03/2001"), 0) << dir_.Read("stderr");
  const std::string units = Export("DepartaV");
  // Duration 0 (term 0), update months 12, concepts 2, 3, 6, 7, 10 cleared and
  // concept 2 the assimilated total (0); the later contract is untouched.
  EXPECT_NE(units.find("0001,0003,Garcia*Joan,,,,,,1970-01-01,0,,12,0,,1,10000,0,0,0,0,0,0,0,0,0,"),
            std::string::npos)
      << units;
  EXPECT_NE(units.find("0001,0004,Puig*Anna,,,,,,1990-06-15,0,,0,0,,1,50000,"), std::string::npos)
      << units;
  const std::string transitions = Export("TranLauV");
  EXPECT_EQ(transitions.substr(transitions.find('\n') + 1),
            "0001,0003,,,N,N,0,0,,0,0,0,N,O,N,0,N,N,10000,8605,5,0\n");
  const std::string log = dir_.Read("inst/db.log");
  EXPECT_NE(log.find(storage::OperationsLogLine(508, 2, 0) + storage::OperationsLogLine(507, 3, 0)),
            std::string::npos)
      << log;
  // Nothing is printed in mode "A": the print file holds only its device line.
}

// The fixed and the coded concepts are read from their places in the unit
// record: the first coded concept (code 7, assimilated and kept in place)
// and the last (code 8, rent), whose amount lies two bytes further on.
TEST_F(WriteBackTest, TheReceiptConceptsAreReadFromTheirPlacesInTheUnitRecord) {
  Import("TVRebut", "concept,code,type\n1,,0\n2,,1\n,7,1\n,8,0\n");
  Import("DepartaV",
         "building,unit,contract_date,months_per_receipt,concept1,concept2,concept11_code,"
         "concept11,concept14_code,concept14\n"
         "1,3,1970-01-01,1,10000,300,7,200,8,400\n");
  ASSERT_EQ(Run("A", "15/03/2001"), 0) << dir_.Read("stderr");
  // The rent is concept 1 and code 8's amount; concept 2 keeps the
  // assimilated amounts other than the coded one.
  const std::string transitions = Export("TranLauV");
  EXPECT_NE(transitions.find(",10400,8605,"), std::string::npos) << transitions;
  const std::string units = Export("DepartaV");
  EXPECT_NE(units.find(",1,10000,300,0,0,0,0,0,0,0,0,7,200,"), std::string::npos) << units;
}

TEST_F(WriteBackTest, AUnitWithoutAPriceIndexIsNamedAndNotWrittenBack) {
  Import("DepartaV",
         "building,unit,contract_date,months_per_receipt,concept1\n1,3,1970-01-01,1,10000\n");
  ASSERT_EQ(Run("A", "15/03/1999"), 0);
  EXPECT_NE(dir_.Read("stderr").find("unit 0001-0003: no price index"), std::string::npos);
  const std::string transitions = Export("TranLauV");
  EXPECT_EQ(transitions.find('\n') + 1, transitions.size());             // no record inserted
  EXPECT_EQ(dir_.Read("inst/db.log").find(" 508 "), std::string::npos);  // no write-back
  EXPECT_EQ(dir_.Read("inst/db.log").find(storage::OperationsLogLine(507, 3, 0)),
            std::string::npos);
}

}  // namespace
}  // namespace app
