#include "base/session_settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/codepage.h"
#include "base/dates.h"
#include "base/edit_picture.h"
#include "base/ini_file.h"
#include "base/platform.h"

namespace base {
namespace {

constexpr const char* kDefaultColours = "15000700000700070007";

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The numeric value of a text as the suite's settings use it: leading blanks
// skipped, an optional sign, the digits up to the first other character.
int64_t NumericValue(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

std::string PadTo(std::string s, size_t width) {
  s.resize(width, ' ');
  return s;
}

}  // namespace

SessionSettings& Settings() {
  static SessionSettings settings;
  return settings;
}

Language SessionLanguage() {
  const std::string& code = Settings().language;
  if (code == "SPA") return Language::kSpanish;
  if (code == "GLG") return Language::kGalician;
  if (code == "OCI") return Language::kAranese;
  return Language::kCatalan;
}

std::string NormaliseDirectory(std::string dir) {
  if (!dir.empty() && dir.back() != ':' && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir;
}

std::string DirectoryVariable(const char* name) { return NormaliseDirectory(GetEnv(name)); }

void AnchorRelativeDirectories() {
  for (const char* name : {"KEPROOT", "KEPEXE", "KEPTMP"}) {
    const std::string dir = GetEnv(name);
    if (!dir.empty() && AbsolutePath(dir) != dir) SetEnv(name, AbsolutePath(dir));
  }
}

std::array<ColourPair, 5> ParseColours(const std::string& digits) {
  std::array<ColourPair, 5> pairs{};
  auto two = [&](size_t at) {
    return at < digits.size() ? static_cast<int>(NumericValue(digits.substr(at, 2))) : 0;
  };
  for (size_t g = 0; g < pairs.size(); ++g) {
    pairs[g].foreground = two(g * 4);
    pairs[g].background = two(g * 4 + 2);
  }
  return pairs;
}

void LoadSessionSettings() {
  SessionSettings& s = Settings();
  s.root_dir = DirectoryVariable("KEPROOT");
  s.exe_dir = DirectoryVariable("KEPEXE");
  s.tmp_dir = DirectoryVariable("KEPTMP");

  const std::string session_ini = s.tmp_dir + "Sessio.ini";
  s.menu_title = " " + IniRead(session_ini, "Menu", "Titol") + " ";
  s.menu_name = IniRead(session_ini, "Menu", "NomMenu");
  s.menu = IniRead(session_ini, "Menu", "Menu");
  s.menu_chain = IniRead(session_ini, "Menu", "ChnMenu");
  s.operator_name = IniRead(session_ini, "Menu", "Operador");
  s.operator_type = static_cast<int16_t>(NumericValue(IniRead(session_ini, "Menu", "KepTipOper")));
  std::string terminal = IniRead(session_ini, "Terminal", "Dir");
  // On this platform TERM names the kind of terminal ("xterm"), not a folder:
  // it stands for the terminal directory only when it names one.
  if (Trim(terminal).empty()) {
    terminal = GetEnv("TERM");
    if (!terminal.empty() && !IsDirectory(terminal)) terminal.clear();
  }
  s.terminal_dir = NormaliseDirectory(terminal);
  if (s.tmp_dir.empty()) s.tmp_dir = s.terminal_dir;

  SetCurrency("a,E");  // amounts are stored in euros

  const std::string terminal_ini = s.tmp_dir + "VornTerm.ini";
  s.colour_set = static_cast<int16_t>(NumericValue(IniRead(terminal_ini, "Pantalla", "Seleccio")));
  std::string colours = IniRead(terminal_ini, "Pantalla", "Col" + std::to_string(s.colour_set));
  if (Trim(colours).empty()) colours = kDefaultColours;
  s.colours = ParseColours(colours);

  s.work_date = PackDigits(IniRead(terminal_ini, "Sistema", "Data"));
  s.output_destination = IniRead(terminal_ini, "Sistema", "Sortida");
  std::string language = IniRead(terminal_ini, "Sistema", "Idioma");
  if (Trim(language).empty()) language = IniRead(s.root_dir + "Vorn.ini", "Usuari", "Idioma");
  s.language = PadTo(language.substr(0, std::min<size_t>(3, language.size())), 3);

  if (!GetEnv("HTTP_USER_AGENT").empty() || !GetEnv("HTTP_ACCEPT").empty()) {
    s.environment_kind = "CGI";
  } else if (!GetEnv("WINDIR").empty() || !GetEnv("SYSTEMROOT").empty()) {
    s.environment_kind = "WIN";
  } else {
    s.environment_kind = "DOS";
  }
}

std::string ComputerName() {
  // The lock files were written by a system call with a 17-byte buffer: a
  // longer name made it fail, and the name was then empty.
  const std::string name = HostName();
  if (name.size() > 16) return std::string();
  return name;
}

CompanyData& Company() {
  static CompanyData company;
  return company;
}

std::string NormaliseTaxNumber(const std::string& field) {
  std::string kept;
  for (char c : field) {
    if (c == ' ' || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) kept.push_back(c);
  }
  kept = PadTo(kept, CompanyData::kFieldWidth);
  return PadTo("ES" + kept, CompanyData::kFieldWidth);
}

void LoadCompanyData() {
  const std::string vorn_ini = DirectoryVariable("KEPROOT") + "Vorn.ini";
  CompanyData& company = Company();
  for (size_t i = 0; i < company.fields.size(); ++i) {
    // As written, cut to the field's width, without the blanks that end it:
    // a letter puts the value where its merge field stands, and blanks of
    // padding would push the rest of that line to the right.
    std::string value = IniRead(vorn_ini, "Empresa", "Camp" + std::to_string(i + 1));
    value = value.substr(0, std::min(value.size(), CompanyData::kFieldWidth));
    value.erase(value.find_last_not_of(' ') + 1);
    company.fields[i] = value;
  }
  company.fields[6] = NormaliseTaxNumber(company.fields[6]);
}

void LoadNumberSettings() {
  const std::string vorn_ini = DirectoryVariable("KEPROOT") + "Vorn.ini";
  auto load = [&](const char* key, char fallback) {
    const std::string v = IniRead(vorn_ini, "Usuari", key);
    return (v.empty() || v[0] == ' ') ? fallback : v[0];
  };
  NumberSettings& n = Settings().numbers;
  const NumberSettings defaults;
  n.decimal = load("DecCaracter", defaults.decimal);
  n.thousands = load("MilCaracter", defaults.thousands);
  n.complaint.clear();
  auto unusable = [](char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u < 32 || u == 127 || u == 255 || (u >= '0' && u <= '9');
  };
  if (unusable(n.decimal) || unusable(n.thousands) || n.decimal == n.thousands) {
    char text[160];
    std::snprintf(
        text, sizeof text,
        "Vorn.ini [Usuari] DecCaracter (byte %d) and MilCaracter (byte %d) cannot write amounts: "
        "\"'\" and \".\" are used\n",
        static_cast<unsigned char>(n.decimal), static_cast<unsigned char>(n.thousands));
    n.complaint = text;
    n.decimal = defaults.decimal;
    n.thousands = defaults.thousands;
  }
}

void LoadDateSettings() {
  const std::string vorn_ini = DirectoryVariable("KEPROOT") + "Vorn.ini";
  auto load = [&](const char* key, size_t width, const std::string& fallback) {
    std::string v = IniRead(vorn_ini, "Usuari", key);
    v.resize(width, ' ');
    return v.find_first_not_of(' ') == std::string::npos ? fallback : v;
  };
  DateSettings& d = Settings().dates;
  const DateSettings defaults;
  d.separator = load("DatCaracter", 1, defaults.separator);
  d.order = load("DatOrdre", 3, defaults.order);
  d.complaint.clear();
  std::string letters = d.order;
  for (char& c : letters) c = UpperCase850(c);
  std::sort(letters.begin(), letters.end());
  if (letters != "ADM") {
    // A byte 0 ends the path or the value in the message, as it always has.
    d.complaint += std::string(vorn_ini.c_str()) + " [Usuari] DatOrdre=" + d.order.c_str() +
                   " is not an order of D, M and A: DMA is used\n";
    d.order = defaults.order;
  }
  const unsigned char separator = static_cast<unsigned char>(d.separator[0]);
  if (separator < 32 || separator == 127 || separator == 255 ||
      (separator >= '0' && separator <= '9')) {
    d.complaint += std::string(vorn_ini.c_str()) + " [Usuari] DatCaracter (byte " +
                   std::to_string(separator) + ") cannot separate a date: \"/\" is used\n";
    d.separator = defaults.separator;
  }
}

void SayComplaintOnce(std::string* complaint) {
  if (complaint->empty()) return;
  std::fputs(complaint->c_str(), stderr);
  complaint->clear();
}

}  // namespace base
