#include "app/command_line.h"

#include <getopt.h>

#include <ctime>
#include <filesystem>

#include "base/dates.h"

namespace app {
namespace {

namespace fs = std::filesystem;

// Long options without a short form get codes above the character range.
enum OptionCode : int {
  kFirstBuilding = 256,
  kFirstUnit,
  kLastBuilding,
  kLastUnit,
  kFrom,
  kTo,
  kFirstMonth,
  kLastMonth,
  kLettersHousing,
  kLettersPremisesPerson,
  kLettersPremisesOther,
  kPreview,
  kResults,
};

constexpr const char kShortOptions[] = ":d:m:t:Lr:o:l:hV";

const struct option kLongOptions[] = {
    {"date", required_argument, nullptr, 'd'},
    {"from", required_argument, nullptr, kFrom},
    {"to", required_argument, nullptr, kTo},
    {"first-building", required_argument, nullptr, kFirstBuilding},
    {"first-unit", required_argument, nullptr, kFirstUnit},
    {"last-building", required_argument, nullptr, kLastBuilding},
    {"last-unit", required_argument, nullptr, kLastUnit},
    {"first-month", required_argument, nullptr, kFirstMonth},
    {"last-month", required_argument, nullptr, kLastMonth},
    {"mode", required_argument, nullptr, 'm'},
    {"template", required_argument, nullptr, 't'},
    {"letters", no_argument, nullptr, 'L'},
    {"letters-housing", no_argument, nullptr, kLettersHousing},
    {"letters-premises-person", no_argument, nullptr, kLettersPremisesPerson},
    {"letters-premises-other", no_argument, nullptr, kLettersPremisesOther},
    {"root", required_argument, nullptr, 'r'},
    {"output", required_argument, nullptr, 'o'},
    {"lang", required_argument, nullptr, 'l'},
    {"preview", required_argument, nullptr, kPreview},
    {"results", required_argument, nullptr, kResults},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Indices of the twelve run parameters (the lines of "pent.tmp").
enum Line : size_t {
  kDate,
  kFirstBuildingLine,
  kFirstUnitLine,
  kLastBuildingLine,
  kLastUnitLine,
  kFirstMonthLine,
  kLastMonthLine,
  kModeLine,
  kTemplateLine,
  kHousingLine,
  kPremisesSLine,
  kPremisesNLine,
};

RunParameterTexts DefaultTexts(const std::string& today) {
  return {{{today, "--date (today)"},
           {"0", "--first-building (default)"},
           {"0", "--first-unit (default)"},
           {"9999", "--last-building (default)"},
           {"9999", "--last-unit (default)"},
           {"1", "--first-month (default)"},
           {"12", "--last-month (default)"},
           {"I", "--mode (default)"},
           {"", "--template (default)"},
           {"N", "--letters-housing"},
           {"N", "--letters-premises-person"},
           {"N", "--letters-premises-other"}}};
}

std::string UpperCase(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

// "7" or "7.3": the building, and the unit when given (else the first or
// last unit of the building).
void SetKey(const std::string& value, const std::string& option, Line building_line,
            const char* whole_building_unit, RunParameterTexts* t) {
  const size_t dot = value.find('.');
  (*t)[building_line] = {value.substr(0, dot), option};
  (*t)[building_line + 1] = {dot == std::string::npos ? whole_building_unit : value.substr(dot + 1),
                             option};
}

std::string OutputDestination(const std::string& path) {
  const std::string absolute = fs::absolute(path).lexically_normal().string();
  const std::string extension = UpperCase(fs::path(path).extension().string());
  return (extension == ".TXT" ? "TXT:" : "PDF:") + absolute;
}

// Applies one option; its value is checked with the others afterwards.
void ApplyOption(int code, const std::string& value, CommandLine* c) {
  RunParameterTexts& t = c->parameters;
  switch (code) {
    case 'd':
      t[kDate] = {value, "--date"};
      break;
    case kFrom:
      SetKey(value, "--from", kFirstBuildingLine, "0", &t);
      break;
    case kTo:
      SetKey(value, "--to", kLastBuildingLine, "9999", &t);
      break;
    case kFirstBuilding:
      t[kFirstBuildingLine] = {value, "--first-building"};
      break;
    case kFirstUnit:
      t[kFirstUnitLine] = {value, "--first-unit"};
      break;
    case kLastBuilding:
      t[kLastBuildingLine] = {value, "--last-building"};
      break;
    case kLastUnit:
      t[kLastUnitLine] = {value, "--last-unit"};
      break;
    case kFirstMonth:
      t[kFirstMonthLine] = {value, "--first-month"};
      break;
    case kLastMonth:
      t[kLastMonthLine] = {value, "--last-month"};
      break;
    case 'm':
      t[kModeLine] = {UpperCase(value), "--mode"};
      break;
    case 't':
      t[kTemplateLine] = {value, "--template"};
      break;
    case 'L':
      for (Line l : {kHousingLine, kPremisesSLine, kPremisesNLine}) t[l].value = "S";
      break;
    case kLettersHousing:
      t[kHousingLine].value = "S";
      break;
    case kLettersPremisesPerson:
      t[kPremisesSLine].value = "S";
      break;
    case kLettersPremisesOther:
      t[kPremisesNLine].value = "S";
      break;
    case 'r':
      c->root = fs::absolute(value).lexically_normal().string();
      break;
    case 'o':
      c->output = OutputDestination(value);
      break;
    case 'l':
      c->language = UpperCase(value);
      break;
    case kPreview:
      c->preview = fs::absolute(value).lexically_normal().string();
      break;
    case kResults:
      c->results = fs::absolute(value).lexically_normal().string();
      break;
    case 'h':
      c->action = CommandLine::Action::kHelp;
      break;
    case 'V':
      c->action = CommandLine::Action::kVersion;
      break;
    default:
      break;
  }
}

// The option getopt_long stopped at, as the user wrote it.
std::string OffendingOption(int argc, char** argv) {
  if (optopt != 0 && optopt < 256 &&
      std::string(kShortOptions).find(static_cast<char>(optopt)) == std::string::npos) {
    return std::string("-") + static_cast<char>(optopt);
  }
  return optind - 1 < argc ? argv[optind - 1] : "";
}

bool AsksForLetters(const RunParameters& p) {
  return p.letters_housing || p.letters_premises_s || p.letters_premises_n;
}

}  // namespace

bool CheckCsvPath(const std::string& path, const std::string& origin, std::string* err) {
  std::error_code ec;
  const fs::path folder = fs::path(path).parent_path();
  if (!fs::is_directory(folder, ec)) {
    *err = origin + ": the folder " + folder.string() + " does not exist";
    return false;
  }
  if (fs::is_directory(path, ec)) {
    *err = origin + ": " + path + " is a folder, not a file";
    return false;
  }
  return true;
}

bool ParseCommandLine(int argc, char** argv, const std::string& today, CommandLine* c,
                      std::string* err) {
  *c = CommandLine();
  if (argc <= 1) return true;
  c->action = CommandLine::Action::kOptionsRun;
  c->parameters = DefaultTexts(today);
  optind = 0;  // a fresh scan (GNU), also when called twice in one process
  opterr = 0;
  for (;;) {
    const int code = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
    if (code == -1) break;
    if (code == '?') {
      *err = "unknown option \"" + OffendingOption(argc, argv) + "\"";
      return false;
    }
    if (code == ':') {
      *err = "option \"" + OffendingOption(argc, argv) + "\" needs a value";
      return false;
    }
    const CommandLine::Action before = c->action;
    ApplyOption(code, optarg != nullptr ? optarg : "", c);
    if (before != CommandLine::Action::kOptionsRun)
      c->action = before;  // the first of help and version
  }
  if (optind < argc) {
    *err = "unexpected argument \"" + std::string(argv[optind]) + "\"";
    return false;
  }
  return true;
}

bool CheckOptionValues(const CommandLine& c, const RunParameters& p, std::string* err) {
  if (!c.language.empty() && c.language != "CAT" && c.language != "SPA" && c.language != "GLG" &&
      c.language != "OCI") {
    *err = "--lang: language \"" + c.language + "\" is not CAT, SPA, GLG or OCI";
    return false;
  }
  if (!c.output.empty()) {
    const fs::path folder = fs::path(c.output.substr(4)).parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
      *err = "--output: the folder " + folder.string() + " does not exist";
      return false;
    }
    if (fs::is_directory(c.output.substr(4), ec)) {
      *err = "--output: " + c.output.substr(4) + " is a folder, not a file";
      return false;
    }
  }
  for (const auto& [option, path] : {std::pair<const char*, std::string>{"--preview", c.preview},
                                     std::pair<const char*, std::string>{"--results", c.results}}) {
    if (!path.empty() && !CheckCsvPath(path, option, err)) return false;
  }
  if (!c.preview.empty() && p.run_mode != RunMode::kWriteBack) {
    *err = "--preview: the preview is of mode A's write-back (--mode A)";
    return false;
  }
  if (p.run_mode == RunMode::kLetters && AsksForLetters(p) && p.template_name.empty()) {
    *err = "--template: the letters of mode C need a template name (TEXTOS/NAME.txt)";
    return false;
  }
  return true;
}

std::vector<std::string> OptionNotes(const RunParameters& p) {
  if (p.run_mode == RunMode::kLetters && !AsksForLetters(p)) {
    return {
        "mode C without --letters (or --letters-housing, --letters-premises-person, "
        "--letters-premises-other): no letter is merged"};
  }
  return {};
}

std::string UsageLine() {
  return "usage: mirtosek [--date DATE] [--from B[.U]] [--to B[.U]] [--first-month M]\n"
         "                [--last-month M] [--mode I|C|A] [--template NAME] [--letters]\n"
         "                [--root DIR] [--output FILE] [--lang LANG] [--preview FILE]\n"
         "                [--results FILE]   (mirtosek --help)";
}

std::string HelpText() {
  return UsageLine() + "\n" + R"(
The situation report, letters and write-back of old leases under the 1994
urban-leases act, for a range of units of an installation.

Without arguments the run parameters come from KEPTMP/pent.tmp, as the
suite's menu writes them. With arguments they come from these options:

  -d, --date=DATE          report date, DD/MM/YYYY or YYYY-MM-DD (today)
      --from=B[.U]         first building, and unit, of the range (0.0);
                           without a unit: from the building's first unit
      --to=B[.U]           last building, and unit (9999.9999); without a
                           unit: to the building's last unit
      --first-building=B   --first-unit=U   --last-building=B   --last-unit=U
                           the four codes one by one: 1 to 4 digits
      --first-month=M      first anniversary month, 1 to 12 (1)
      --last-month=M       last anniversary month, 1 to 12 (12)
  -m, --mode=MODE          I the situation report (default), C the letters,
                           A write the results back into the records
  -t, --template=NAME      letter template of mode C: TEXTOS/NAME.txt
      --letters-housing           letters for housing
      --letters-premises-person   letters for premises whose tenant is a person
      --letters-premises-other    letters for other premises
  -L, --letters            all three kinds of letters
  -r, --root=DIR           the data root (default KEPROOT)
  -o, --output=FILE        FILE.pdf, with the text beside it as FILE.txt, or
                           FILE.txt for the text only (default report.pdf or
                           letters.pdf in the current folder; nothing in mode A)
  -l, --lang=LANG          CAT, SPA, GLG or OCI (default: the session's)
      --preview=FILE.csv   with --mode A: write nothing, list in FILE.csv
                           what the write-back would change
      --results=FILE.csv   also write the figures of every unit reported
                           as a table for a spreadsheet
  -h, --help               this help
  -V, --version            the program's version

Environment: KEPROOT the data root, KEPEXE the folder of the print program
DIVIVOVI (default: beside mirtosek, then PATH), KEPTMP the session's
temporary folder (with options, default: a private one made for the run).

A summary of the run goes to standard error at the end. Before its first
write, mode A copies DepartaV and TranLauV into SNAPSHOTS/ of the data root
(kepdata snapshots lists them, kepdata restore puts one back).

Exit status: 0 the run finished; 1 a data file, the data root or the print
file could not be opened, or the snapshot of mode A could not be taken;
2 unusable run parameters or options (nothing is written); 3 the print
program could not be started; 4 the run finished but its output is
incomplete (letters due and their template unreadable or not code page 850
text, the print program reported a failure, the preview or results table
not written whole, or damaged rows of the data files left out);
5 mode A: a write failed, or a lock file could not be written, and the
write-back stopped (the snapshot undoes it).
)";
}

std::string VersionText() { return "mirtosek 1.0\n"; }

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%d/%m/%Y", &local);
  return text;
}

}  // namespace app
