#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "base/dates.h"
#include "base/session_settings.h"
#include "datatool/commands.h"
#include "datatool/csv.h"
#include "datatool/tables.h"
#include "storage/record_file.h"
#include "storage/record_layouts.h"
#include "testing/temp_dir.h"
#include "testing/test_server.h"

namespace datatool {
namespace {

class DataToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    root_ = dir_.path() + "/inst";
    ASSERT_EQ(Run({"init", root_, "--no-cpi"}), 0) << err_;
  }
  void TearDown() override {
    storage::ResetRecordManager();
    std::filesystem::current_path(cwd_);
    base::Settings() = base::SessionSettings();
  }
  int Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int rc = RunDataTool(args, out, err);
    out_ = out.str();
    err_ = err.str();
    std::filesystem::current_path(cwd_);
    return rc;
  }
  int Import(const char* table, const std::string& csv) {
    dir_.Write("in.csv", csv);
    return Run({"import", root_, table, dir_.path() + "/in.csv"});
  }
  // The stored record of a key, read through the record layer.
  std::string Stored(const char* table, const std::string& key) {
    const Table* t = FindTable(table);
    std::string buffer(static_cast<size_t>(t->record_length), ' ');
    base::Settings().root_dir = root_ + "/";
    EXPECT_EQ(storage::OpenRecordFile(t->code, root_ + "/" + t->path, buffer.data(), buffer.size()),
              0);
    const int16_t status = storage::SeekByKeyWithoutLock(t->code, 0, key, 0);
    storage::ResetRecordManager();
    return status == 0 ? buffer : "";
  }

  testing_support::TempDir dir_;
  std::string root_, out_, err_;
  std::filesystem::path cwd_;
};

std::string Le16(int v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string Le32(int64_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

TEST_F(DataToolTest, WritesTheExactBytesOfEveryTable) {
  ASSERT_EQ(
      Import(
          "departav",
          "building,unit,tenant_name,designation,contract_date,duration_months,premises,"
          "months_per_receipt,concept2,concept12_code,concept12,concept14_code,concept14,tax_id\n"
          "12,345,Garcia*Joan,1r 2a,1970-01-31,-2,S,3,10000,11,-7,99,2147483647,ES12345678Z\n"),
      0)
      << err_;
  const std::string unit = Stored("DepartaV", "\x80\x8C\x83\xAD");
  ASSERT_EQ(unit.size(), 447u);
  EXPECT_EQ(unit.substr(0, 4), "\x80\x8C\x83\xAD");
  EXPECT_EQ(unit.substr(8, 30), "Garcia*Joan" + std::string(19, ' '));
  EXPECT_EQ(unit.substr(38, 10), "1r 2a     ");
  EXPECT_EQ(unit.substr(189, 4), "\x93\xC6\x81\x9F");
  EXPECT_EQ(unit.substr(193, 2), Le16(-2));
  EXPECT_EQ(unit.substr(195, 4), base::ZeroDate());
  EXPECT_EQ(unit.substr(210, 1), "S");
  EXPECT_EQ(unit.substr(225, 2), Le16(3));
  EXPECT_EQ(unit.substr(277, 4), Le32(0));
  EXPECT_EQ(unit.substr(281, 4), Le32(10000));
  EXPECT_EQ(unit.substr(323, 2), Le16(11));
  EXPECT_EQ(unit.substr(325, 4), Le32(-7));
  EXPECT_EQ(unit.substr(335, 2), Le16(99));
  EXPECT_EQ(unit.substr(339, 4), Le32(2147483647));
  EXPECT_EQ(unit.substr(345, 17), "ES12345678Z      ");

  ASSERT_EQ(Import("FinquesV", "building,owner,street,type\n7,42,C/ Major 1,P\n"), 0) << err_;
  const std::string building = Stored("FinquesV", "\x80\x87");
  EXPECT_EQ(building.substr(6, 2), "\x80\xAA");
  EXPECT_EQ(building.substr(8, 30), "C/ Major 1" + std::string(20, ' '));
  EXPECT_EQ(building.substr(141, 1), "P");

  ASSERT_EQ(Import("PropietV", "owner,name,tax_id\n42,Puig*Maria,ES1\n"), 0) << err_;
  const std::string owner = Stored("PropietV", "\x80\xAA");
  EXPECT_EQ(owner.substr(2, 30), "Puig*Maria" + std::string(20, ' '));
  EXPECT_EQ(owner.substr(264, 17), "ES1" + std::string(14, ' '));

  // A new transition record starts from the defaults, its tenant flag from the unit.
  ASSERT_EQ(
      Import("TranLauV",
             "building,unit,floor_area,cohabitants,cadastral_date\n12,345,2500,4,1989-12-31\n"),
      0)
      << err_;
  const std::string tr = Stored("TranLauV", "\x80\x8C\x83\xAD");
  std::string expected = storage::DefaultTransitionRecord("\x80\x8C\x83\xAD", "ES12345678Z");
  expected.replace(14, 4, Le32(2500));
  expected.replace(30, 2, Le16(4));
  expected.replace(22, 4, "\x93\xD9\x8C\x9F");
  EXPECT_EQ(tr, expected);
  EXPECT_EQ(tr.substr(38, 1), "S");

  ASSERT_EQ(Import("TVRebut", "concept,code,type\n3,,0\n,12,4\n"), 0) << err_;
  EXPECT_EQ(Stored("TVRebut", "\x03").substr(24, 2), Le16(0));
  EXPECT_EQ(Stored("TVRebut", "\x8C").substr(24, 2), Le16(4));

  ASSERT_EQ(Import("UIpc", "month,value\n2000-12,130.0\n"), 0) << err_;
  const std::string cpi = Stored("UIpc", std::string("ESI") + "\x94\x80\x8C\x81");
  ASSERT_EQ(cpi.size(), 16u);
  EXPECT_EQ(storage::GetDouble(cpi, 8), 130.0);
}

TEST_F(DataToolTest, ExportThenImportGivesTheSameValues) {
  const std::string units =
      "building,unit,tenant_name,designation,subrogated_name,street,address2,address3,"
      "contract_date,duration_months,last_update_date,update_months,last_update_index,premises,"
      "months_per_receipt,concept1,concept2,concept3,concept4,concept5,concept6,concept7,concept8,"
      "concept9,concept10,concept11_code,concept11,concept12_code,concept12,concept13_code,"
      "concept13,concept14_code,concept14,tax_id\n"
      "0001,0003,Núria Çà*Ñoño,\"1r, 2a\",Martí d'Arc,Pl. Sant Jaume,,,1970-01-01,0,,12,"
      "130000,N,1,10000,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,ES12345678Z\n";
  ASSERT_EQ(Import("DepartaV", units), 0) << err_;
  ASSERT_EQ(Run({"export", root_, "DepartaV"}), 0) << err_;
  EXPECT_EQ(out_, units);
  const std::string cpi = "month,value\n1999-12,128.5\n2000-12,130\n2024-03,114.674\n";
  ASSERT_EQ(Import("UIpc", cpi), 0) << err_;
  ASSERT_EQ(Run({"export", root_, "uipc"}), 0);
  EXPECT_EQ(out_, cpi);
  const struct {
    const char* table;
    const char* csv;
  } others[] = {
      {"FinquesV",
       "building,owner,street,address2,address3,type\n0007,0042,Pg. de Gràcia 50,08007 Barcelona,"
       "\"Eixample, dreta\",P\n"},
      {"PropietV", "owner,name,tax_id\n0042,Puig*Maria,ES12345678Z\n"},
      {"TranLauV",
       "building,unit,reference_date1,reference_date2,assimilated,assimilated_housing,floor_area,"
       "cadastral_value,cadastral_date,population,cohabitants,household_income,opposed_update,"
       "premises_category,premises_flag,quota,took_option7,premises_opposed,revalued_rent,base_"
       "index,"
       "steps_at_start,steps_reached\n"
       "0001,0003,1930-01-01,1941-12-31,S,N,2500,3000000,1989-12-31,49999,3,1833840,S,C,S,85000,N,"
       "S,"
       "10000,8605,5,2\n"},
      {"TVRebut", "concept,code,type\n3,,2\n,0,1\n,99,0\n"},
  };
  for (const auto& o : others) {
    ASSERT_EQ(Import(o.table, o.csv), 0) << o.table << ": " << err_;
    ASSERT_EQ(Run({"export", root_, o.table}), 0) << o.table;
    EXPECT_EQ(out_, o.csv) << o.table;
  }
}

// An installation copied table by table gives the same export, on the
// server too when one is named by KEP_TEST_PG; a copy into a place that is
// not an installation is refused.
TEST_F(DataToolTest, CopyGivesTheSameTablesInTheOtherInstallation) {
  for (const char* table : {"PropietV", "FinquesV", "TVRebut", "DepartaV", "TranLauV"}) {
    ASSERT_EQ(
        Run({"import", root_, table, std::string(KEP_SOURCE_DIR) + "/sample/" + table + ".csv"}), 0)
        << err_;
  }
  ASSERT_EQ(
      Run({"import", root_, "UIpc", std::string(KEP_SOURCE_DIR) + "/installation/cpi/UIpc.csv"}), 0)
      << err_;
  std::vector<std::vector<std::string>> targets = {{"init", dir_.path() + "/copy"}};
  const std::string server = testing_support::TestServer();
  const std::string schema = "cp_" + std::to_string(::getpid());
  if (!server.empty()) {
    targets.push_back({"init", dir_.path() + "/on_server", "--server", server, "--schema", schema});
  }
  for (const auto& init : targets) {
    ASSERT_EQ(Run(init), 0) << err_;
    ASSERT_EQ(Run({"copy", root_, init[1]}), 0) << err_;
    for (const char* table : {"PropietV", "FinquesV", "TVRebut", "UIpc", "DepartaV", "TranLauV"}) {
      ASSERT_EQ(Run({"export", root_, table}), 0);
      const std::string original = out_;
      ASSERT_EQ(Run({"export", init[1], table}), 0) << err_;
      EXPECT_EQ(out_, original) << init[1] << " " << table;
    }
  }
  EXPECT_EQ(Run({"copy", root_, dir_.path() + "/nowhere"}), 1);
  EXPECT_NE(err_.find("is not an installation"), std::string::npos) << err_;
  if (!server.empty()) testing_support::DropSchema(server, schema);
}

TEST_F(DataToolTest, UpdateOfAnExistingKeyKeepsTheBytesItDoesNotName) {
  ASSERT_EQ(Import("DepartaV", "building,unit,tenant_name,months_per_receipt\n1,1,Primer,1\n"), 0);
  ASSERT_EQ(Import("DepartaV", "unit,building,concept1,note\n1,1,5000,a remark\n"), 0) << err_;
  const std::string unit = Stored("DepartaV", "\x80\x81\x80\x81");
  EXPECT_EQ(unit.substr(8, 6), "Primer");
  EXPECT_EQ(unit.substr(225, 2), Le16(1));
  EXPECT_EQ(unit.substr(277, 4), Le32(5000));
}

TEST_F(DataToolTest, BadValuesStopTheImportWithLineAndColumnAndWriteNothing) {
  struct {
    const char* table;
    const char* csv;
    const char* message;
  } cases[] = {
      {"DepartaV", "building,unit,contract_date\n1,1,2000-01-01\n1,2,1999-02-29\n",
       "in.csv:3: column 3 (contract_date)"},
      {"DepartaV", "building,unit\n1,1\nx1,2\n", "in.csv:3: column 1 (building)"},
      {"DepartaV", "building,unit\n1,12345\n", "in.csv:2: column 2 (unit)"},
      {"DepartaV", "building,unit,duration_months\n1,1,32768\n", "column 3 (duration_months)"},
      {"DepartaV", "building,unit,concept1\n1,1,12.5\n", "column 3 (concept1)"},
      {"DepartaV", "building,unit,designation\n1,1,12345678901\n", "column 3 (designation)"},
      {"DepartaV", "building,unit,tenant_name\n1,1,Łukasz\n", "code page 850"},
      {"DepartaV", "building,unit,premises\n1,1,SN\n", "column 3 (premises)"},
      {"DepartaV", "building,unit,colour\n1,1,red\n", "in.csv:1: column 3: unknown column"},
      {"DepartaV", "building,unit\n1,1,extra\n", "in.csv:2: 3 fields"},
      {"DepartaV", "unit\n1\n", "key column \"building\""},
      {"DepartaV", "building,unit,tenant_name\n1,1,\"open\n", "unterminated quote"},
      {"UIpc", "month,value\n2000-13,1\n", "column 1 (month)"},
      {"UIpc", "month,value\n2000-12,abc\n", "column 2 (value)"},
      {"TVRebut", "concept,code,type\n11,,0\n", "column 1 (concept)"},
      {"TVRebut", "concept,code,type\n1,2,0\n", "exactly one"},
      {"TVRebut", "concept,code,type\n,100,0\n", "column 2 (code)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Import(c.table, c.csv), 1) << c.csv;
    EXPECT_NE(err_.find(c.message), std::string::npos) << c.csv << " gave: " << err_;
    ASSERT_EQ(Run({"export", root_, c.table}), 0);
    EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 1)
        << "written despite the error: " << c.csv;
  }
  EXPECT_FALSE(std::filesystem::exists(root_ + "/db.log"));
}

TEST_F(DataToolTest, RefusesWhatIsNotAnInstallation) {
  EXPECT_EQ(Run({"export", dir_.path() + "/inst-typo", "DepartaV"}), 1);
  EXPECT_NE(err_.find("is not an installation"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/inst-typo"));
  EXPECT_EQ(Run({"init", root_}), 1);  // never over existing data files
  EXPECT_NE(err_.find("does not overwrite"), std::string::npos);
  EXPECT_EQ(Run({"export", root_, "Nothing"}), 1);
  EXPECT_EQ(Run({"frobnicate"}), 1);
  EXPECT_EQ(Run({"import", "--help"}), 0);
  EXPECT_NE(out_.find("usage: kepdata import"), std::string::npos);
}

TEST_F(DataToolTest, SetsTheCompanyDataKeepingTheRestOfVornIni) {
  ASSERT_EQ(Run({"company", root_, "1=Finques Puig, SL", "7=ES-B12345678"}), 0) << err_;
  EXPECT_NE(out_.find("1: Finques Puig, SL\n"), std::string::npos);
  EXPECT_NE(out_.find("7: ES-B12345678\n"), std::string::npos);
  setenv("KEPROOT", (root_ + "/").c_str(), 1);
  base::LoadCompanyData();
  unsetenv("KEPROOT");
  EXPECT_EQ(base::Company().fields[0], "Finques Puig, SL");
  EXPECT_EQ(base::Company().fields[6].substr(0, 13), "ESESB12345678");
  const std::string ini = dir_.Read("inst/Vorn.ini");
  EXPECT_NE(ini.find("DatOrdre=DMA\r\n"), std::string::npos);
  EXPECT_EQ(Run({"company", root_, "9=x"}), 1);
}

// A new installation has the official CPI series from its first run, unless
// told otherwise; another CPI file can be given instead.
TEST_F(DataToolTest, InitLoadsTheOfficialCpiSeries) {
  const std::string official = dir_.path() + "/official";
  ASSERT_EQ(Run({"init", official}), 0) << err_;
  ASSERT_EQ(Run({"export", official, "UIpc"}), 0) << err_;
  EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 1 + 870);
  EXPECT_NE(out_.find("\n1954-03,3.282\n"), std::string::npos);
  EXPECT_NE(out_.find("\n2025-12,119.942\n"), std::string::npos);  // base 2021
  EXPECT_NE(out_.find("\n2026-08,104.638\n"), std::string::npos);  // base 2025

  dir_.Write("mine.csv", "month,value\n2020-01,99.5\n");
  ASSERT_EQ(Run({"init", dir_.path() + "/mine", "--cpi", dir_.path() + "/mine.csv"}), 0) << err_;
  ASSERT_EQ(Run({"export", dir_.path() + "/mine", "UIpc"}), 0);
  EXPECT_EQ(out_, "month,value\n2020-01,99.5\n");
  ASSERT_EQ(Run({"export", root_, "UIpc"}), 0);  // made with --no-cpi
  EXPECT_EQ(out_, "month,value\n");
  EXPECT_EQ(Run({"init", dir_.path() + "/both", "--cpi", "x.csv", "--no-cpi"}), 1);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/both"));
}

// INE's download of a CPI table: only the national general index, and only
// the months published in the file's base; the rest stays as it was.
TEST_F(DataToolTest, ImportsTheGeneralIndexFromInesDownload) {
  ASSERT_EQ(Import("UIpc", "month,value\n2025-12,119.942\n2026-01,100.8\n"), 0) << err_;
  const std::string download =
      "\xEF\xBB\xBFÍndices nacionales: general y de grupos ECOICOP (base 2025);Tipo de "
      "dato;Periodo;Total\r\n"
      "Índice general;Índice;2026M03;102,440\r\n"
      "Índice general;Variación mensual;2026M03;1,2\r\n"
      "01 Alimentos y bebidas no alcohólicas;Índice;2026M03;104,118\r\n"
      "Índice general;Índice;2026M02;101,261\r\n"
      "Índice general;Índice;2026M01;100,836\r\n"
      "Índice general;Índice;2025M12;101,289\r\n"
      "Índice general;Índice;2026M04;\r\n";
  dir_.Write("76125.csv", download);
  ASSERT_EQ(Run({"ine", root_, dir_.path() + "/76125.csv"}), 0) << err_;
  EXPECT_NE(out_.find("base 2025, 3 months from 2026-01 to 2026-03: 2 added, 1 changed, 0 as they "
                      "were; 1 months "
                      "outside base 2025 not taken"),
            std::string::npos)
      << out_;
  ASSERT_EQ(Run({"export", root_, "UIpc"}), 0);
  EXPECT_EQ(out_,
            "month,value\n2025-12,119.942\n2026-01,100.836\n2026-02,101.261\n2026-03,102.44\n");
  ASSERT_EQ(Run({"ine", root_, dir_.path() + "/76125.csv"}), 0)
      << err_;  // a second time changes nothing
  EXPECT_NE(out_.find("0 added, 0 changed, 3 as they were"), std::string::npos) << out_;

  // The base from the command line, in ISO-8859-1 as INE also writes it.
  dir_.Write(
      "table.csv",
      "\xCDndice general;\xCDndice;2024M03;114,674\n\xCDndice general;\xCDndice;2026M01;99,0\n");
  ASSERT_EQ(Run({"ine", root_, dir_.path() + "/table.csv", "--base", "2021"}), 0) << err_;
  EXPECT_NE(out_.find("base 2021, 1 months from 2024-03 to 2024-03: 1 added"), std::string::npos)
      << out_;

  struct {
    const char* text;
    std::vector<std::string> extra;
    const char* message;
  } const refused[] = {
      {"Índice general;Índice;2026M01;100,836\n", {}, "does not say its base"},
      {"Índice general;Índice;2026M01;100,836\n",
       {"--base", "2011"},
       "not a base of the CPI known"},
      {"General (base 2021);Tipo;Periodo;Total\nÍndice general;Índice;2026M01;100,836\n",
       {"--base", "2025"},
       "says it is in base 2021, not 2025"},
      {"Índice general;Índice;2026M01;100,836\nÍndice general;Índice;2026M01;100,9\n",
       {"--base", "2025"},
       "two values for 2026-01"},
      {"Índice general;Índice;2026M01;1O0,8\n", {"--base", "2025"}, "is not an index value"},
      {"month,value\n2026-01,100.8\n", {"--base", "2025"}, "no row of the general index"},
  };
  ASSERT_EQ(Run({"export", root_, "UIpc"}), 0);
  const std::string before = out_;
  for (const auto& r : refused) {
    dir_.Write("bad.csv", r.text);
    std::vector<std::string> args = {"ine", root_, dir_.path() + "/bad.csv"};
    args.insert(args.end(), r.extra.begin(), r.extra.end());
    EXPECT_EQ(Run(args), 1) << r.message;
    EXPECT_NE(err_.find(r.message), std::string::npos) << err_;
    ASSERT_EQ(Run({"export", root_, "UIpc"}), 0);
    EXPECT_EQ(out_, before) << r.message;
  }
}

// The shipped CPI file holds each month as INE published it in the base of
// its time, or (rows marked derived) rebuilt from base 2016 with the legal
// link factors; every row names which.
TEST_F(DataToolTest, InstallsTemplatesAndLanguageFilesInCodePage850) {
  // A template as a person writes it: UTF-8, LF, the control pictures.
  dir_.Write("carta.txt",
             "\xEF\xBB\xBF\u2421P66\n\u2421"
             "1190+00I\n\u2401\u2410Núria\u2410 i l·l, ç, ñ, «À»\r\n\x01raw\tTAB\n@MEM1");
  ASSERT_EQ(Run({"install", root_, dir_.path() + "/carta.txt"}), 0) << err_;
  EXPECT_EQ(dir_.Read("inst/TEXTOS/carta.txt"),
            "\x7FP66\r\n\x7F"
            "1190+00I\r\n\x01\x10N\xA3ria\x10 i l\xFAl, \x87, \xA4, "
            "\xAE\xB7\xAF\r\n\x01raw\tTAB\r\n@MEM1");
  EXPECT_NE(out_.find("TEXTOS/carta.txt: 5 lines in code page 850"), std::string::npos) << out_;
  // Installed again under the name the installation already has, in another case.
  dir_.Write("CARTA.TXT", "Nova\n");
  ASSERT_EQ(Run({"install", root_, dir_.path() + "/CARTA.TXT"}), 0) << err_;
  EXPECT_EQ(dir_.Read("inst/TEXTOS/carta.txt"), "Nova\r\n");
  dir_.Write("MIRTOSEK.LNG", "\"PÀGINA \",\"PÁXINA \",\"PAGINA \",\"PÁGINA \"\n");
  ASSERT_EQ(Run({"install", root_, dir_.path() + "/MIRTOSEK.LNG"}), 0) << err_;
  EXPECT_EQ(dir_.Read("inst/LOCALE/MIRTOSEK.LNG"),
            "\"P\xB7GINA \",\"P\xB5XINA \",\"PAGINA \",\"P\xB5GINA \"\r\n");
}

TEST_F(DataToolTest, InstallRefusesWhatCodePage850CannotHoldAndWritesNothing) {
  dir_.Write("inst/TEXTOS/carta.txt", "old");
  dir_.Write("carta.txt",
             "Bona tarda\nRenda: 10 €, “cometes”\n\xE9s en Latin-1\nun \x1B escape\u2400\n");
  EXPECT_EQ(Run({"install", root_, dir_.path() + "/carta.txt"}), 1);
  EXPECT_NE(
      err_.find("carta.txt:2: column 11: \"€\" (U+20AC) has no place in code page 850 (write EUR)"),
      std::string::npos)
      << err_;
  EXPECT_NE(err_.find("carta.txt:2: column 14: \"“\" (U+201C)"), std::string::npos) << err_;
  EXPECT_NE(err_.find("carta.txt:2: column 22: \"”\" (U+201D)"), std::string::npos) << err_;
  EXPECT_NE(err_.find("carta.txt:3: column 1: the byte E9 is not UTF-8"), std::string::npos)
      << err_;
  EXPECT_NE(err_.find("carta.txt:4: column 4: the control character U+001B is not text"),
            std::string::npos)
      << err_;
  EXPECT_NE(err_.find("carta.txt:4: column 12: \"\u2400\" (U+2400) has no place"),
            std::string::npos)
      << err_;
  EXPECT_NE(err_.find("nothing installed"), std::string::npos);
  EXPECT_EQ(dir_.Read("inst/TEXTOS/carta.txt"), "old");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() + "/inst/TEXTOS/carta.txt.kepdata-new"));
  dir_.Write("carta.doc", "x");
  EXPECT_EQ(Run({"install", root_, dir_.path() + "/carta.doc"}), 1);
  EXPECT_NE(err_.find("give a letter template (NAME.txt) or a language file (NAME.LNG)"),
            std::string::npos);
  EXPECT_EQ(Run({"install", root_, dir_.path() + "/none.txt"}), 1);
  EXPECT_NE(err_.find("none.txt: cannot be read"), std::string::npos);
  EXPECT_EQ(Run({"install", dir_.path() + "/nowhere", dir_.path() + "/carta.txt"}), 1);
  EXPECT_NE(err_.find("is not an installation"), std::string::npos);
}

TEST(ShippedCpiFile, EachRowIsAsPublishedOrDerivedAsItSays) {
  const std::string dir = std::string(KEP_SOURCE_DIR) + "/installation/cpi/";
  auto read = [&](const std::string& name) {
    std::ifstream in(dir + name, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<CsvRow> rows;
    std::string err;
    EXPECT_TRUE(ParseCsv(text, &rows, &err)) << name << ": " << err;
    std::map<std::string, double> series;
    for (size_t i = 1; i < rows.size(); ++i)
      series[rows[i].fields[0]] = std::stod(rows[i].fields[1]);
    return std::make_pair(series, rows);
  };
  std::map<int, std::map<std::string, double>> bases;
  for (int base : {1992, 2016, 2021, 2025})
    bases[base] = read("ine-general-base" + std::to_string(base) + ".csv").first;
  const auto rows = read("UIpc.csv").second;
  ASSERT_EQ(rows.size(), 871u);
  const std::map<std::string, double> to_2016 = {
      {"base 2011", 1.03003973742},
      {"base 2006", 1.03003973742 * 1.120584},
      {"base 2001", 1.03003973742 * 1.120584 * 1.176243}};
  for (size_t i = 1; i < rows.size(); ++i) {
    const std::string& month = rows[i].fields[0];
    const double value = std::stod(rows[i].fields[1]);
    const std::string& note = rows[i].fields[2];
    if (note.rfind("INE base ", 0) == 0) {
      const int base = std::stoi(note.substr(9));
      ASSERT_EQ(bases[base].count(month), 1u) << month << " " << note;
      EXPECT_DOUBLE_EQ(value, bases[base][month]) << month;
    } else if (note.rfind("derived from INE base 2016 (", 0) == 0) {
      const std::string old = note.substr(28, 9);
      ASSERT_EQ(to_2016.count(old), 1u) << note;
      EXPECT_NEAR(value, bases[2016][month] * to_2016.at(old), 0.0005 + 1e-9) << month;
    } else if (note == "derived from INE base 2025 (base 2021)") {
      EXPECT_NEAR(value, bases[2025][month] * 1.184155, 0.0005 + 2e-3) << month;
    } else {
      ADD_FAILURE() << month << ": unknown note " << note;
    }
  }
  // Base 2021 over base 2025 is the factor of the 2026 base change.
  for (const auto& [month, v2021] : bases[2021]) {
    if (bases[2025].count(month) == 0) continue;
    EXPECT_NEAR(v2021 / bases[2025][month], 1.184155, 2e-5) << month;
  }
}

TEST(DataToolDescriptions, MatchTheShippedDescriptionFiles) {
  std::set<std::string> described;
  for (const Description& d : Descriptions()) {
    testing_support::TempDir none;
    std::ifstream in(std::string(KEP_SOURCE_DIR) + "/installation/ddf/" + d.name + ".xdf",
                     std::ios::binary);
    const std::string shipped((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(shipped, d.xdf) << d.name;
    described.insert(std::string(d.name) + ".xdf");
  }
  // Nothing is shipped for a file the table no longer has.
  std::set<std::string> shipped;
  for (const auto& e :
       std::filesystem::directory_iterator(std::string(KEP_SOURCE_DIR) + "/installation/ddf"))
    shipped.insert(e.path().filename().string());
  EXPECT_EQ(shipped, described);
}

TEST(Csv, ReadsQuotedFieldsAndWritesThemBack) {
  std::vector<CsvRow> rows;
  std::string err;
  ASSERT_TRUE(ParseCsv("a,\"b,c\",\"d\"\"e\"\r\n\n\"multi\nline\",x\n", &rows, &err)) << err;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].fields, (std::vector<std::string>{"a", "b,c", "d\"e"}));
  EXPECT_EQ(rows[1].fields, (std::vector<std::string>{"multi\nline", "x"}));
  EXPECT_EQ(rows[1].line, 3);
  EXPECT_EQ(CsvLine(rows[0].fields), "a,\"b,c\",\"d\"\"e\"\n");
  EXPECT_FALSE(ParseCsv("a,\"b\"c\n", &rows, &err));
}

}  // namespace
}  // namespace datatool
