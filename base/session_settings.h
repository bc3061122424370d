// The session's working environment, filled once at start.
//
// The suite's menu hands the program three environment variables naming the
// installation's directories (KEPROOT data root, KEPEXE program directory,
// KEPTMP temporary directory), a per-session "Sessio.ini", a per-terminal
// "VornTerm.ini" and the installation-wide "Vorn.ini". LoadSessionSettings
// reads them into the one process-wide SessionSettings; every other module
// only reads it. CompanyData, the eight fields that name the user's company,
// is loaded from "Vorn.ini" [Empresa] "Camp1" to "Camp8"; the characters of
// the amounts (NumberSettings) and the order and separator of the dates
// (DateSettings) from "Vorn.ini" [Usuari].
#pragma once

#include <array>
#include <string>

namespace base {

struct ColourPair {
  int foreground = 0;  // console colour numbers 0..15
  int background = 0;
};

// How amounts are written (base/edit_picture.h): the decimal and thousands
// characters of "Vorn.ini" [Usuari] "DecCaracter" and "MilCaracter" (defaults
// "'" and "."), and the currencies SetCurrency chooses.
struct NumberSettings {
  char decimal = '\'';
  char thousands = '.';
  std::string base_currency;
  std::string alt_currency;
  std::string current_currency;
  // Why the characters of "Vorn.ini" were not taken, said on standard error
  // when the first number is written (a run that writes none says nothing).
  std::string complaint;
};

// How dates are read and written (base/dates.h): the order and separator of
// "Vorn.ini" [Usuari] "DatOrdre" and "DatCaracter" (defaults "DMA" and "/"),
// and the year around which a date typed with two digits of year is placed.
struct DateSettings {
  std::string order = "DMA";    // three letters D, M and A, as written (either case)
  std::string separator = "/";  // one character
  // The year of the run's clock, which a program that reads dates typed by
  // a person sets from its RunEnvironment when it starts (CurrentYear).
  int current_year = 0;
  // Why the order or separator of "Vorn.ini" was not taken, said on
  // standard error when the first date is written (a run that writes none
  // says nothing).
  std::string complaint;
};

struct SessionSettings {
  std::string root_dir;  // KEPROOT, a prefix: file names are appended; ends in a separator
  std::string exe_dir;   // KEPEXE, prefix of the print program; ends in a separator
  std::string tmp_dir;   // KEPTMP, else the terminal directory; ends in a separator;
                         // empty when neither names one
  std::string menu_title;
  std::string menu_name;
  std::string menu;
  std::string menu_chain;
  std::string operator_name;
  int16_t operator_type = 0;
  std::string terminal_dir;  // "Sessio.ini" [Terminal] "Dir", else TERM when it names a folder
  int16_t colour_set = 0;
  std::array<ColourPair, 5> colours{};
  std::string work_date;           // packed digits of "VornTerm.ini" [Sistema] "Data"
  std::string output_destination;  // "Sortida", handed to the print output
  std::string language = "   ";    // LanguageCode: "CAT", "SPA", "GLG", "OCI"; blank is Catalan
  std::string environment_kind;    // "CGI", "WIN" or "DOS"
  NumberSettings numbers;
  DateSettings dates;
};

// The process-wide settings. Tests may change them directly.
SessionSettings& Settings();

// Says a complaint about the settings on standard error, once: the first
// time something that depends on them is written.
void SayComplaintOnce(std::string* complaint);

// The language codes this program knows; anything else behaves as Catalan.
enum class Language { kCatalan, kSpanish, kGalician, kAranese };
Language SessionLanguage();

// Reads the environment and the session files into Settings().
void LoadSessionSettings();

// The colour string of "VornTerm.ini": five groups of four digits, each
// foreground then background.
std::array<ColourPair, 5> ParseColours(const std::string& digits);

// "\" appended when not empty and not ending in ":" or "\" (or "/").
std::string NormaliseDirectory(std::string dir);

// The directory an environment variable names (KEPROOT, KEPEXE, KEPTMP),
// normalised as above: the suite's directories are prefixes to which file
// names are appended, and "/srv/kep" must not give "/srv/kepVorn.ini".
std::string DirectoryVariable(const char* name);

// Makes a relative KEPROOT, KEPEXE or KEPTMP absolute in the environment.
// The program enters the data root before it uses them, and the print
// program starts there: a relative name would then point elsewhere.
void AnchorRelativeDirectories();

// The computer's network name as the lock files use it: at most 16
// characters (a 17-byte buffer with its terminator), empty on failure.
std::string ComputerName();

// Eight fields of up to 35 characters, held as written without the blanks
// that end them. Field 1 (index 0) heads the report
// pages; fields 1 to 8 are the merge fields "MEM1" to "MEM8". Field 7 is the
// tax number, normalised at load.
struct CompanyData {
  static constexpr size_t kFieldWidth = 35;
  std::array<std::string, 8> fields;
};

CompanyData& Company();

// Loads CompanyData from KEPROOT + "Vorn.ini" [Empresa] "Camp1".."Camp8".
void LoadCompanyData();

// Reads the decimal and thousands characters of Settings().numbers from
// KEPROOT + "Vorn.ini" [Usuari]. A character that is a digit, a control or
// the merge file's end of value, or a decimal character equal to the
// thousands one, would make amounts unreadable: the defaults take their
// place, and the complaint says so.
void LoadNumberSettings();

// Reads the order and separator of Settings().dates from KEPROOT +
// "Vorn.ini" [Usuari]; the current year is left as it is. An order that is
// not the letters D, M and A would lose parts of the dates, a separator that
// is a digit or a control would run them into the numbers: the defaults take
// their place, and the complaint says so.
void LoadDateSettings();

// The tax number rule: only blanks, A-Z and digits kept, "ES" put in front,
// cut to the field width.
std::string NormaliseTaxNumber(const std::string& field);

}  // namespace base
