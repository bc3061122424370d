// Bad input to the three programs, one row each: what the user did wrong,
// the exit status and the words of the message the program must give, and
// that nothing was written where the run had to stop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "testing/file_tree.h"
#include "testing/processes.h"
#include "testing/record_snapshot.h"
#include "testing/sample_installation.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// One bad input: the installation "inst", the station "tmp" and the print
// program "exe" are fresh copies for each row; prepare spoils them.
struct Row {
  const char* what;
  const char* program;  // "mirtosek", "kepdata" or "divivovi"
  std::function<void(const TempDir&, std::vector<std::string>*)> prepare;
  int exit_status;
  const char*
      message;  // a part of standard error, "" when it must be empty (but for the run summary)
  bool records_unchanged = true;
  // mirtosek's environment; when null, the station's as the menu sets it.
  std::function<std::vector<std::string>(const TempDir&)> environment = nullptr;
};

void Put(const TempDir& dir, const std::string& file, const std::string& bytes) {
  dir.Write(file, bytes);
}

std::string Pent(const std::string& date, const std::string& mode, int lines = 12) {
  const std::string all[] = {date, "1",  "1",     "9999", "9999", "01",
                             "11", mode, "CARTA", "S",    "S",    "S"};
  std::string out;
  for (int i = 0; i < lines; ++i) out += all[i] + "\r\n";
  return out;
}

// The run parameters with one line (1 to 12) replaced.
std::string PentWith(int line, const std::string& value) {
  const std::string all[] = {"15/03/2024", "1", "1",     "9999", "9999", "01",
                             "11",         "I", "CARTA", "S",    "S",    "S"};
  std::string out;
  for (int i = 0; i < 12; ++i) out += (i + 1 == line ? value : all[i]) + "\r\n";
  return out;
}

std::function<void(const TempDir&, std::vector<std::string>*)> PentLine(int line,
                                                                        std::string value) {
  return [line, value](const TempDir& d, auto*) { Put(d, "tmp/pent.tmp", PentWith(line, value)); };
}

// A CSV of units with one bad line after the header.
std::string UnitsWith(const std::string& line) {
  return "building,unit,tenant_name,contract_date,duration_months,months_per_receipt,premises,"
         "concept1\n"
         "7,1,Good*Row,1970-01-10,0,1,N,100\n" +
         line + "\n";
}

void ImportUnits(const TempDir& dir, std::vector<std::string>* args, const std::string& line) {
  Put(dir, "bad.csv", UnitsWith(line));
  *args = {"import", dir.path() + "/inst", "DepartaV", dir.path() + "/bad.csv"};
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // mirtosek: the run parameters
      {"pent.tmp missing", "mirtosek",
       [](const TempDir& d, auto*) { fs::remove(d.path() + "/tmp/pent.tmp"); }, 2,
       "pent.tmp: cannot read the run parameters"},
      {"pent.tmp of five lines", "mirtosek",
       [](const TempDir& d, auto*) { Put(d, "tmp/pent.tmp", Pent("15/03/2024", "I", 5)); }, 2,
       "pent.tmp:6: missing line"},
      {"pent.tmp empty", "mirtosek", [](const TempDir& d, auto*) { Put(d, "tmp/pent.tmp", ""); }, 2,
       "pent.tmp:1: missing line"},
      {"run mode X", "mirtosek",
       [](const TempDir& d, auto*) { Put(d, "tmp/pent.tmp", Pent("15/03/2024", "X")); }, 2,
       "pent.tmp:8: run mode \"X\""},
      {"run mode in lower case", "mirtosek",
       [](const TempDir& d, auto*) { Put(d, "tmp/pent.tmp", Pent("15/03/2024", "a")); }, 2,
       "pent.tmp:8:"},
      {"report date of letters", "mirtosek",
       [](const TempDir& d, auto*) { Put(d, "tmp/pent.tmp", Pent("ab/cd/efgh", "A")); }, 2,
       "pent.tmp:1: report date \"ab/cd/efgh\" is not a date"},
      {"report date empty", "mirtosek",
       [](const TempDir& d, auto*) { Put(d, "tmp/pent.tmp", Pent("", "A")); }, 2,
       "pent.tmp:1: report date"},
      {"report date of month 13", "mirtosek", PentLine(1, "45/13/2025"), 2,
       "pent.tmp:1: report date \"45/13/2025\" is not a calendar date"},
      {"report date 31 February", "mirtosek", PentLine(1, "31/02/2025"), 2,
       "pent.tmp:1: report date \"31/02/2025\" is not a calendar date"},
      {"first building of letters", "mirtosek", PentLine(2, "abc"), 2,
       "pent.tmp:2: first building code \"abc\" is not a code of up to four digits"},
      {"first unit empty", "mirtosek", PentLine(3, ""), 2, "pent.tmp:3: first unit code \"\""},
      {"last building of five digits", "mirtosek", PentLine(4, "12345"), 2,
       "pent.tmp:4: last building code \"12345\""},
      {"last unit negative", "mirtosek", PentLine(5, "-1"), 2, "pent.tmp:5: last unit code \"-1\""},
      {"first month 13", "mirtosek", PentLine(6, "13"), 2,
       "pent.tmp:6: first anniversary month \"13\" is not a month from 1 to 12"},
      {"last month of letters", "mirtosek", PentLine(7, "xx"), 2,
       "pent.tmp:7: last anniversary month \"xx\" is not a month from 1 to 12"},
      {"last month 0", "mirtosek", PentLine(7, "0"), 2, "pent.tmp:7: last anniversary month \"0\""},
      {"letter flag in lower case", "mirtosek", PentLine(10, "s"), 2,
       "pent.tmp:10: letter flag for housing \"s\" is neither \"S\" nor \"N\""},
      {"letter flag with a blank", "mirtosek", PentLine(11, "S "), 2, "pent.tmp:11: letter flag"},
      {"letter flag empty", "mirtosek", PentLine(12, ""), 2, "pent.tmp:12: letter flag"},
      {"KEPTMP unset and TERM the kind of terminal", "mirtosek", [](const TempDir&, auto*) {}, 2,
       "no temporary directory: KEPTMP is not set", true,
       [](const TempDir& d) {
         return std::vector<std::string>{"KEPROOT=" + d.path() + "/inst/",
                                         "KEPEXE=" + d.path() + "/exe/", "KEPTMP=", "TERM=xterm"};
       }},
      // mirtosek: run parameters that select nothing, said but allowed
      {"a first key above the last", "mirtosek",
       [](const TempDir& d, auto*) {
         std::string pent = PentWith(2, "12");
         pent.replace(pent.find("\r\n9999\r\n9999"), 12, "\r\n3\r\n9999");
         Put(d, "tmp/pent.tmp", pent);
       },
       0, "the first unit 0012.0001 lies above the last 0003.9999: the range selects no unit"},
      {"a KEPROOT without its final separator", "mirtosek", [](const TempDir&, auto*) {}, 0, "",
       true,
       [](const TempDir& d) {
         return MirtosekEnvironment(d.path() + "/inst", d.path() + "/exe", d.path() + "/tmp");
       }},
      // mirtosek: the data files
      {"a data file that is not a database", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "inst/DADES/DepartaV.dat", "these are not records\n");
       },
       1, "NO ES POT ACCEDIR AL FITXER", false},
      {"a data file of another record length", "mirtosek",
       [](const TempDir& d, auto*) {
         fs::copy_file(d.path() + "/inst/DADES/FinquesV.dat", d.path() + "/inst/DADES/DepartaV.dat",
                       fs::copy_options::overwrite_existing);
       },
       1, "DepartaV (28)", false},
      {"a data file truncated", "mirtosek",
       [](const TempDir& d, auto*) {
         fs::resize_file(d.path() + "/inst/DADES/TranLauV.dat", 1000);
       },
       1, "NO ES POT ACCEDIR AL FITXER", false},
      {"a missing data file without its description", "mirtosek",
       [](const TempDir& d, auto*) {
         fs::remove(d.path() + "/inst/DADES/TranLauV.dat");
         fs::remove(d.path() + "/inst/ddf/TranLauV.xdf");
       },
       1, "TranLauV (12)", false},
      {"a missing data file with a short description", "mirtosek",
       [](const TempDir& d, auto*) {
         fs::remove(d.path() + "/inst/DADES/TranLauV.dat");
         fs::resize_file(d.path() + "/inst/ddf/TranLauV.xdf", 7);
       },
       1, "TranLauV (24)", false},
      {"a server that refuses the connection", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "inst/Vorn.ini",
             ReadFile(d.path() + "/inst/Vorn.ini") +
                 "[Dades]\r\nServidor=host=127.0.0.1 port=1\r\n");
       },
       1, "UIpc (2)", false},
      // mirtosek: other files of the installation and the station
      {"a language file with an unterminated quote", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "inst/LOCALE/MIRTOSEK.LNG", "\"K0001\"=\"PAGINA\r\n\"K0002\"=\"INFORME\r\n");
         Put(d, "tmp/VornTerm.ini", "[Sistema]\r\nSortida=PDF\r\nIdioma=SPA\r\n");
       },
       0, ""},
      {"a template that does not exist", "mirtosek",
       [](const TempDir& d, auto*) {
         std::string pent = Pent("15/03/2024", "C");
         pent.replace(pent.find("CARTA"), 5, "NOEXISTE");
         Put(d, "tmp/pent.tmp", pent);
       },
       4, "letters due, and the template \"NOEXISTE\" (or one it includes) cannot be read"},
      {"a template that cannot be read", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/pent.tmp", Pent("15/03/2024", "C"));
         fs::remove(d.path() + "/inst/TEXTOS/CARTA.txt");
         fs::create_directories(d.path() + "/inst/TEXTOS/CARTA.txt");
       },
       4, "TEXTOS/CARTA.txt cannot be read"},
      {"a template written in UTF-8 and copied in", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/pent.tmp", Pent("15/03/2024", "C"));
         Put(d, "inst/TEXTOS/CARTA.txt",
             "Benvolgut senyor,\r\n\r\nL'increment \xC3\xA9s de @INCACT EUR.\r\n");
       },
       4, "CARTA.txt, line 3, column 13: not code page 850 text: the bytes C3 A9 are UTF-8"},
      {"a print program that reports a failure", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "exe/DIVIVOVI", "#!/bin/sh\necho 'cannot write the PDF' >&2\nexit 1\n");
       },
       4, "the run finished but its output is incomplete: the print program"},
      {"a print file that cannot be created", "mirtosek",
       [](const TempDir& d, auto*) { fs::create_directories(d.path() + "/tmp/divivovi.tmp"); }, 1,
       "the print file cannot be created"},
      {"no print program", "mirtosek",
       [](const TempDir& d, auto*) { fs::remove(d.path() + "/exe/DIVIVOVI"); }, 3,
       "the print program could not be started"},
      {"a lock file with a torn tail", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/pent.tmp", Pent("15/03/2024", "A"));
         Put(d, "inst/LOCKS/TRANLAUV.lck", std::string(57, '#'));
       },
       0, "", false},
      {"a damaged window stack", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/WinPush.tmp",
             std::string("\xff\xff\xff\x7f"
                         "garbage",
                         11));
       },
       0, ""},
      {"a session settings file of garbage", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/VornTerm.ini", std::string("\0\0[[[=\xff\r\n", 10));
       },
       0, ""},
      // kepdata: every kind of bad value in a CSV
      {"CSV: a date that is not a date", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "7,2,X,1970-13-45,0,1,N,1"); }, 1,
       "bad.csv:3: column 4 (contract_date): \"1970-13-45\" is not a calendar date"},
      {"CSV: a code with a letter", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "7,A2,X,1970-01-10,0,1,N,1"); }, 1,
       "bad.csv:3: column 2 (unit)"},
      {"CSV: a code of five digits", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "12345,2,X,1970-01-10,0,1,N,1"); }, 1,
       "bad.csv:3: column 1 (building)"},
      {"CSV: a number that is not a number", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "7,2,X,1970-01-10,zz,1,N,1"); }, 1,
       "bad.csv:3: column 5 (duration_months)"},
      {"CSV: a number too large for its field", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "7,2,X,1970-01-10,0,1,N,99999999999"); },
       1, "bad.csv:3: column 8 (concept1)"},
      {"CSV: a text too long for its field", "kepdata",
       [](const TempDir& d, auto* a) {
         ImportUnits(d, a, "7,2," + std::string(31, 'x') + ",1970-01-10,0,1,N,1");
       },
       1, "bad.csv:3: column 3 (tenant_name)"},
      {"CSV: a line with too few fields", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "7,2,X"); }, 1,
       "bad.csv:3: 3 fields where the header has 8"},
      {"CSV: an unterminated quote", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "7,2,\"X,1970-01-10,0,1,N,1"); }, 1,
       "line 3, column 3: unterminated quote"},
      {"CSV: a byte sequence that is not UTF-8", "kepdata",
       [](const TempDir& d, auto* a) { ImportUnits(d, a, "7,2,Gar\xe7ia,1970-01-10,0,1,N,1"); }, 1,
       "bad.csv:3"},
      {"CSV: an unknown column", "kepdata",
       [](const TempDir& d, auto* a) {
         Put(d, "bad.csv", "building,unit,colour\n7,1,red\n");
         *a = {"import", d.path() + "/inst", "DepartaV", d.path() + "/bad.csv"};
       },
       1, "colour"},
      {"CSV: a file that does not exist", "kepdata",
       [](const TempDir& d, auto* a) {
         *a = {"import", d.path() + "/inst", "DepartaV", d.path() + "/none.csv"};
       },
       1, "none.csv"},
      {"CSV: an unknown table", "kepdata",
       [](const TempDir& d, auto* a) {
         Put(d, "bad.csv", UnitsWith("7,2,X,1970-01-10,0,1,N,1"));
         *a = {"import", d.path() + "/inst", "Llogaters", d.path() + "/bad.csv"};
       },
       1, "Llogaters"},
      {"kepdata on a data file of another record length", "kepdata",
       [](const TempDir& d, auto* a) {
         fs::copy_file(d.path() + "/inst/DADES/FinquesV.dat", d.path() + "/inst/DADES/DepartaV.dat",
                       fs::copy_options::overwrite_existing);
         *a = {"export", d.path() + "/inst", "DepartaV"};
       },
       1, "DADES\\DepartaV holds records of", false},
      // kepdata: values that would spoil the reports, letters and merge file
      {"a tenant name holding a line end and a merge field", "kepdata",
       [](const TempDir& d, auto* a) {
         ImportUnits(d, a,
                     "7,2,\"Roca*Pere\r\n\x7F"
                     "INCACT\",1970-01-10,0,1,N,1");
       },
       1, "column 3 (tenant_name): character 10 is a control character (byte 13)"},
      {"a tenant name holding the merge file's end of value", "kepdata",
       [](const TempDir& d, auto* a) {
         ImportUnits(d, a, "7,2,Roca\xC2\xA0Pere,1970-01-10,0,1,N,1");
       },
       1, "column 3 (tenant_name): character 5 is a control character (byte 255)"},
      {"a CPI value beyond what an index may be", "kepdata",
       [](const TempDir& d, auto* a) {
         Put(d, "cpi.csv", "month,value\n2026-09,2147483.648\n");
         *a = {"import", d.path() + "/inst", "UIpc", d.path() + "/cpi.csv"};
       },
       1, "column 2 (value): \"2147483.648\" is not an index from 0.001 to 999999.999"},
      {"a CPI value of 0", "kepdata",
       [](const TempDir& d, auto* a) {
         Put(d, "cpi.csv", "month,value\n2026-09,0\n");
         *a = {"import", d.path() + "/inst", "UIpc", d.path() + "/cpi.csv"};
       },
       1, "\"0\" is not an index from 0.001 to 999999.999"},
      {"kepdata copy into a new installation", "kepdata",
       [](const TempDir& d, auto* a) {
         fs::create_directories(d.path() + "/copy");
         RunTool({"init", d.path() + "/copy", "--no-cpi"});
         *a = {"copy", d.path() + "/inst", d.path() + "/copy"};
       },
       0, ""},
      // mirtosek: settings and templates that would spoil the output
      {"a date order of other letters", "mirtosek",
       [](const TempDir& d, auto*) {
         std::string vorn = ReadFile(d.path() + "/inst/Vorn.ini");
         vorn.replace(vorn.find("DatOrdre=DMA"), 12, "DatOrdre=XYZ");
         Put(d, "inst/Vorn.ini", vorn);
       },
       0, "[Usuari] DatOrdre=XYZ is not an order of D, M and A: DMA is used"},
      {"the decimal character equal to the thousands character", "mirtosek",
       [](const TempDir& d, auto*) {
         std::string vorn = ReadFile(d.path() + "/inst/Vorn.ini");
         vorn.replace(vorn.find("MilCaracter=."), 13, "MilCaracter='");
         Put(d, "inst/Vorn.ini", vorn);
       },
       0, "DecCaracter (byte 39) and MilCaracter (byte 39) cannot write amounts"},
      {"a template position beyond any page", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/pent.tmp", Pent("15/03/2024", "C"));
         Put(d, "inst/TEXTOS/CARTA.txt", "@P99999999999\r\n@.-2147483648\r\n@DES1\r\n");
       },
       0, ""},
      {"receipt concepts beyond what the program computes with", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "big.csv",
             "building,unit,tenant_name,contract_date,duration_months,months_per_receipt,premises,"
             "concept1,concept4\n1,1,Garcia*Joan,1970-01-10,0,1,N,2000000000,2000000000\n");
         RunTool({"import", d.path() + "/inst", "DepartaV", d.path() + "/big.csv"});
       },
       0, "unit 0001-0001: its receipt concepts add up to more than 2,147,483.64 EUR", false},
      {"a print file planted as a symbolic link", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "victim.txt", "keep me");
         fs::create_symlink(d.path() + "/victim.txt", d.path() + "/tmp/divivovi.tmp");
       },
       1, "divivovi.tmp: a symbolic link, where the print file goes: refused"},
      {"pent.tmp a FIFO that nobody writes", "mirtosek",
       [](const TempDir& d, auto*) {
         fs::remove(d.path() + "/tmp/pent.tmp");
         ASSERT_EQ(::mkfifo((d.path() + "/tmp/pent.tmp").c_str(), 0600), 0);
       },
       2, "pent.tmp"},
      {"a language file that is a FIFO", "mirtosek",
       [](const TempDir& d, auto*) {
         fs::remove(d.path() + "/inst/LOCALE/MIRTOSEK.LNG");
         ASSERT_EQ(::mkfifo((d.path() + "/inst/LOCALE/MIRTOSEK.LNG").c_str(), 0600), 0);
       },
       0, ""},
      {"a template that is a FIFO", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/pent.tmp", Pent("15/03/2024", "C"));
         fs::remove(d.path() + "/inst/TEXTOS/CARTA.txt");
         ASSERT_EQ(::mkfifo((d.path() + "/inst/TEXTOS/CARTA.txt").c_str(), 0600), 0);
       },
       4, "TEXTOS/CARTA.txt cannot be read"},
      {"a template name holding a NUL byte", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/pent.tmp", PentWith(9, std::string("CAR\0TA", 6)));
       },
       2, "pent.tmp:9: template name: byte 0 at character 4 is a control character"},
      {"a data file that is a loop of symbolic links", "mirtosek",
       [](const TempDir& d, auto*) {
         fs::remove(d.path() + "/inst/DADES/DepartaV.dat");
         fs::create_symlink(d.path() + "/inst/DADES/DepartaV.dat",
                            d.path() + "/inst/DADES/DepartaV.dat");
       },
       1, "DepartaV (2)", false},
      {"a lock file planted as a symbolic link", "mirtosek",
       [](const TempDir& d, auto*) {
         Put(d, "tmp/pent.tmp", Pent("15/03/2024", "A"));
         Put(d, "victim.txt", "keep me");
         fs::create_directories(d.path() + "/inst/LOCKS");
         fs::create_symlink(d.path() + "/victim.txt", d.path() + "/inst/LOCKS/DepartaV.lck");
       },
       5, "LOCKS/DepartaV.lck: a symbolic link stands in its place"},
      // divivovi
      {"a print file that does not exist", "divivovi",
       [](const TempDir& d, auto* a) { *a = {d.path() + "/none.tmp"}; }, 1,
       "none.tmp: cannot be read"},
      {"a print file with malformed lines", "divivovi",
       [](const TempDir& d, auto* a) {
         Put(d, "print.tmp",
             "DEVICETXT:" + d.path() +
                 "/out.txt\r\nPAGE x\r\n 1 ,no end\r\n12\r\n 1 ,fine, 1 \r\n");
         *a = {d.path() + "/print.tmp"};
       },
       0, "(skipped)"},
      {"a text output on a full device", "divivovi",
       [](const TempDir& d, auto* a) {
         Put(d, "print.tmp", "DEVICE\r\n 1 ,text, 1 \r\n");
         *a = {d.path() + "/print.tmp", "--text", "/dev/full"};
       },
       1, "divivovi: /dev/full: cannot be written"},
      {"an output path that cannot be written", "divivovi",
       [](const TempDir& d, auto* a) {
         Put(d, "print.tmp", "DEVICE\r\n 1 ,text, 1 \r\n");
         *a = {d.path() + "/print.tmp", "--pdf", d.path() + "/print.tmp/x.pdf"};
       },
       1, "print.tmp/x.pdf"},
  };
  return rows;
}

class BadInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    start_ = new TempDir;
    BuildSampleInstallation(*start_, "inst");
    WriteStation(*start_, "tmp", "I", "CAT");
  }
  static void TearDownTestSuite() {
    delete start_;
    start_ = nullptr;
  }
  static TempDir* start_;
};
TempDir* BadInputTest::start_ = nullptr;

TEST_F(BadInputTest, EveryRowEndsWithItsStatusAndMessage) {
  int tried = 0, told = 0;
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    fs::copy(start_->path(), dir.path(), fs::copy_options::recursive);
    const Snapshot before = TakeSnapshot(dir.path() + "/inst/");
    std::vector<std::string> args;
    row.prepare(dir, &args);
    std::vector<std::string> env;
    const bool mirtosek = std::string(row.program) == "mirtosek";
    if (mirtosek) {
      env = row.environment ? row.environment(dir)
                            : MirtosekEnvironment(dir.path() + "/inst/", dir.path() + "/exe/",
                                                  dir.path() + "/tmp");
    }
    const FileTree tree_before = ReadFileTree(dir.path());
    const Ending e =
        WaitForProcess(StartProcess(ToolPath(row.program), args, env, dir.path() + "/stderr"),
                       std::chrono::seconds(60));
    const std::string err = dir.Read("stderr");
    EXPECT_FALSE(e.timed_out);
    EXPECT_EQ(e.signal, 0) << err;
    EXPECT_EQ(e.exit_status, row.exit_status) << err;
    const bool as_told = row.message[0] == '\0' ? WithoutRunSummary(err).empty()
                                                : err.find(row.message) != std::string::npos;
    EXPECT_TRUE(as_told) << "expected \"" << row.message << "\" on standard error:\n" << err;
    if (as_told && e.exit_status == row.exit_status && !e.timed_out && e.signal == 0) ++told;
    if (mirtosek && (row.exit_status == 0 || row.exit_status == 4)) {
      EXPECT_NE(err.find("mirtosek: run summary"), std::string::npos)
          << "a run that went on tells what it did";
    }
    if (row.exit_status == 2) {
      EXPECT_FALSE(fs::exists(dir.path() + "/tmp/divivovi.tmp"))
          << "unusable run parameters must leave no print file";
      FileTree after = ReadFileTree(dir.path());
      after.erase("stderr");
      FileTree before = tree_before;
      before.erase("stderr");
      EXPECT_EQ(TreeChanges(before, after), "") << "unusable run parameters must write nothing";
    }
    if (row.records_unchanged) {
      EXPECT_EQ(DifferingFiles(RecordContents(TakeSnapshot(dir.path() + "/inst/")),
                               RecordContents(before)),
                "");
    }
    ++tried;
  }
  ReportFigure("bad inputs tried: " + std::to_string(tried) + ", " + std::to_string(told) +
               " ended with their status and a clear message");
}

// What must hold after the rows whose run goes on.
TEST_F(BadInputTest, RunsThatGoOnLeaveWholeOutput) {
  TempDir dir;
  fs::copy(start_->path(), dir.path(), fs::copy_options::recursive);
  // A torn lock file: the run's own entries start on whole entries.
  dir.Write("tmp/pent.tmp", Pent("15/03/2024", "A"));
  dir.Write("inst/LOCKS/TRANLAUV.lck", std::string(57, '#'));
  const Ending e = WaitForProcess(
      StartProcess(
          ToolPath("mirtosek"), {},
          MirtosekEnvironment(dir.path() + "/inst/", dir.path() + "/exe/", dir.path() + "/tmp"),
          dir.path() + "/stderr"),
      std::chrono::seconds(60));
  ASSERT_EQ(e.exit_status, 0) << dir.Read("stderr");
  std::string lock;
  for (const auto& entry : fs::directory_iterator(dir.path() + "/inst/LOCKS")) {
    if (entry.path().filename().string() == "TRANLAUV.lck") lock = ReadFile(entry.path().string());
  }
  ASSERT_GE(lock.size(), 121u);
  for (size_t at = 0; at + 121 <= lock.size(); at += 121) {
    if (lock.compare(at, 57, std::string(57, '#')) == 0) continue;
    EXPECT_EQ(lock.substr(at + 119, 2), "\r\n") << "entry at " << at;
  }

  // The malformed print file still gives its good line.
  dir.Write("print.tmp",
            "DEVICETXT:" + dir.path() + "/out.txt\r\nPAGE x\r\n 1 ,no end\r\n 1 ,fine, 1 \r\n");
  ASSERT_EQ(WaitForProcess(StartProcess(ToolPath("divivovi"), {dir.path() + "/print.tmp"}, {},
                                        dir.path() + "/stderr"),
                           std::chrono::seconds(60))
                .exit_status,
            0);
  EXPECT_NE(dir.Read("out.txt").find("fine"), std::string::npos);
}

}  // namespace
