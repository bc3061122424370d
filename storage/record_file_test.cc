#include "storage/record_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/session_settings.h"
#include "storage/record_layouts.h"
#include "testing/temp_dir.h"

namespace storage {
namespace {

std::string SourceDescriptions() { return std::string(KEP_SOURCE_DIR) + "/installation/ddf"; }

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(SourceDescriptions(), dir_.path() + "/ddf");
    base::Settings().root_dir = dir_.prefix();
    base::Settings().language = "CAT";
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    ResetRecordManager();
    std::filesystem::current_path(old_cwd_);
    base::Settings() = base::SessionSettings();
  }
  testing_support::TempDir dir_;
  std::filesystem::path old_cwd_;
};

TEST(RecordFile, SplitsPathsAndWritesLogLines) {
  std::string name;
  EXPECT_EQ(FullFileName("DADES\\Textos", &name), "DADES\\Textos.dat");
  EXPECT_EQ(name, "Textos");
  EXPECT_EQ(FullFileName("a.b\\c", &name), "a.b\\c.dat");
  EXPECT_EQ(FullFileName("x.idx", &name), "x.idx");
  EXPECT_EQ(name, "x");
  EXPECT_EQ(FullFileName("C:TAULES/UIpc", &name), "C:TAULES/UIpc.dat");
  // Zones of 14 columns: sign position, digits, one blank, then blanks to the zone's end.
  EXPECT_EQ(OperationsLogLine(508, 3, 0),
            " 508" + std::string(10, ' ') + " 3" + std::string(12, ' ') + " 0 \r\n");
  EXPECT_EQ(OperationsLogLine(503, 2, 5),
            " 503" + std::string(10, ' ') + " 2" + std::string(12, ' ') + " 5 \r\n");
  EXPECT_EQ(OperationsLogLine(-1, 3, 84),
            "-1" + std::string(12, ' ') + " 3" + std::string(12, ' ') + " 84 \r\n");
}

TEST_F(RecordFileTest, CreatesFromTheDescriptionAndReadsByKey) {
  std::string unit(unit::kLength, ' ');
  ASSERT_EQ(OpenRecordFile(507, dir_.prefix() + "DADES\\DepartaV", unit.data(), unit.size()), 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.path() + "/DADES/DepartaV.dat"));
  EXPECT_EQ(OpenRecordFile(507, dir_.prefix() + "DADES\\DepartaV", unit.data(), unit.size()),
            kStatusAlreadyOpen);
  const FileLengths lengths = GetFileLengths(507, 0);
  EXPECT_EQ(lengths.record_length, 447);
  EXPECT_EQ(lengths.key_length, 4);
  EXPECT_EQ(GetFileLengths(507, 1).key_length, 0);
  EXPECT_EQ(SeekByKey(507, 3, "x", 0), kStatusNoSuchKey);
  EXPECT_EQ(SeekByKey(99, 0, "x", 0), kStatusFileNotOpen);

  for (const char* key : {"\x80\x81\x80\x81", "\x80\x81\x80\x83", "\x80\x82\x80\x81"}) {
    SetBytes(&unit, unit::kKey, key);
    SetText(&unit, unit::kTenantName, std::string("Tenant ") + std::to_string(key[3] & 0x7F));
    ASSERT_EQ(InsertRecord(507), 0);
  }
  EXPECT_EQ(InsertRecord(507), 5);  // the same key again
  unit.assign(unit.size(), '?');
  EXPECT_EQ(SeekByKey(507, 0, std::string("\x80\x81\x80\x82", 4), 1), 0);
  EXPECT_EQ(GetBytes(unit, unit::kKey), "\x80\x81\x80\x83");
  const std::string before = unit;
  EXPECT_EQ(StepRecords(507, 0), 0);
  EXPECT_EQ(unit, before);
  EXPECT_EQ(StepRecords(507, 1), 0);
  EXPECT_EQ(GetBytes(unit, unit::kKey), "\x80\x82\x80\x81");
  EXPECT_EQ(StepRecords(507, 1), 9);
  EXPECT_EQ(GetBytes(unit, unit::kKey), "\x80\x82\x80\x81");  // unchanged after a failed read
  EXPECT_EQ(StepRecords(507, -2), 0);
  EXPECT_EQ(GetBytes(unit, unit::kKey), "\x80\x81\x80\x81");
  // A key shorter than the key is padded with zero bytes, a longer one cut.
  EXPECT_EQ(SeekByKey(507, 0, "\x80\x82", 1), 0);
  EXPECT_EQ(GetBytes(unit, unit::kKey), "\x80\x82\x80\x81");
  EXPECT_EQ(SeekByKey(507, 0, std::string("\x80\x81\x80\x83zzz", 7), 0), 0);
  const std::string ok = OperationsLogLine(507, 2, 0);
  EXPECT_EQ(dir_.Read("db.log"), ok + ok + ok + OperationsLogLine(507, 2, 5));
}

TEST_F(RecordFileTest, UpdateKeepsThePositionForTheWalk) {
  std::string unit(unit::kLength, ' ');
  ASSERT_EQ(OpenRecordFile(507, "DADES\\DepartaV", unit.data(), unit.size()), 0);
  for (int i = 1; i <= 3; ++i) {
    SetBytes(&unit, unit::kKey, std::string("\x80\x81\x80", 3) + static_cast<char>(0x80 + i));
    SetInt16(&unit, unit::kDurationMonths, static_cast<int16_t>(i));
    ASSERT_EQ(InsertRecord(507), 0);
  }
  ASSERT_EQ(SeekByKey(507, 0, std::string("\x80\x81\x80\x82", 4), 0), 0);
  SetInt16(&unit, unit::kDurationMonths, 240);
  EXPECT_EQ(UpdateRecord(507), 0);
  EXPECT_EQ(GetInt16(unit, unit::kDurationMonths), 240);
  EXPECT_EQ(StepRecords(507, 1), 0);
  EXPECT_EQ(GetInt16(unit, unit::kDurationMonths), 3);
  EXPECT_EQ(SeekByKey(507, 0, std::string("\x80\x81\x80\x82", 4), 0), 0);
  EXPECT_EQ(GetInt16(unit, unit::kDurationMonths), 240);
  EXPECT_NE(dir_.Read("db.log").find(OperationsLogLine(507, 3, 0)), std::string::npos);
}

TEST_F(RecordFileTest, CopiesNeverPassASmallerBuffer) {
  std::string big(unit::kLength, 'u');
  ASSERT_EQ(OpenRecordFile(507, "DADES\\DepartaV", big.data(), big.size()), 0);
  SetBytes(&big, unit::kKey, std::string("\x80\x81\x80\x81", 4));
  ASSERT_EQ(InsertRecord(507), 0);
  ResetRecordManager();
  std::string small(10, '.');
  small.reserve(1000);
  ASSERT_EQ(OpenRecordFile(507, "DADES\\DepartaV", small.data(), 10), 0);
  EXPECT_EQ(SeekByKey(507, 0, std::string("\x80\x81\x80\x81", 4), 0), 0);
  EXPECT_EQ(small, std::string("\x80\x81\x80\x81", 4) + "uuuuuu");
  // Rewriting from the small buffer keeps the bytes it does not hold.
  small[9] = 'X';
  EXPECT_EQ(UpdateRecord(507), 0);
  ResetRecordManager();
  ASSERT_EQ(OpenRecordFile(507, "DADES\\DepartaV", big.data(), big.size()), 0);
  ASSERT_EQ(SeekByKey(507, 0, std::string("\x80\x81\x80\x81", 4), 0), 0);
  EXPECT_EQ(big.substr(4, 6), "uuuuuX");
  EXPECT_EQ(big.substr(10), std::string(unit::kLength - 10, 'u'));
}

TEST_F(RecordFileTest, FailedOpenShowsItsMessageAndReturnsTheStatus) {
  std::filesystem::remove(dir_.path() + "/ddf/TranLauV.xdf");
  dir_.Write("ddf/TVRebut.xdf", std::string("\x40\x00", 2) + "short");
  std::string buffer(60, ' ');
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(OpenRecordFile(508, dir_.prefix() + "DADES\\TranLauV", buffer.data(), buffer.size()),
            12);
  base::Settings().language = "SPA";
  EXPECT_EQ(OpenRecordFile(503, "DADES\\TVRebut", buffer.data(), buffer.size()), 24);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NO ES POT ACCEDIR AL FITXER " + dir_.prefix() + "DADES\\TranLauV (12)\n"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("NO SE PUEDE ACCEDER AL FICHERO DADES\\TVRebut (24)\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/DADES/TranLauV.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/DADES/TVRebut.dat"));
}

TEST(RecordLayouts, DefaultTransitionRecordAndTenantFlag) {
  struct {
    const char* tax_id;
    char flag;
  } cases[] = {{"ES12345678Z      ", 'S'},
               {"ESX1234567       ", 'S'},
               {"ESB12345678      ", 'N'},
               {"ES               ", 'N'},
               {"FR12345678       ", 'N'},
               {"es12345678Z      ", 'N'},
               {"ES", 'N'},
               {"ESy123           ", 'S'}};
  for (const auto& c : cases) EXPECT_EQ(PremisesTenantFlag(c.tax_id), c.flag) << c.tax_id;
  const std::string r = DefaultTransitionRecord("\x80\x81\x80\x82", "ES12345678Z");
  ASSERT_EQ(r.size(), 60u);
  const std::string z(4, '\x80');
  const std::string expected = std::string("\x80\x81\x80\x82", 4) + z + z + "NN" +
                               std::string(8, '\0') + z + std::string(10, '\0') + "NOS" +
                               std::string(4, '\0') + "NN" + std::string(15, '\0');
  EXPECT_EQ(r, expected);
}

TEST(RecordLayouts, FieldsOutsideTheRecordAreNeverTouched) {
  std::string r(10, 'x');
  SetInt32(&r, 8, 5);
  SetText(&r, Field{9, 30}, "abc");
  EXPECT_EQ(r, std::string(10, 'x'));
  EXPECT_EQ(GetInt32(r, 8), 0);
  SetInt16(&r, 1, -2);
  EXPECT_EQ(GetInt16(r, 1), -2);
  EXPECT_EQ(r.substr(0, 2), "\xFE\xFF");
  SetDouble(&r, 2, 130.0);
  EXPECT_EQ(GetDouble(r, 2), 130.0);
}

}  // namespace
}  // namespace storage
