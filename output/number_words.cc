#include "output/number_words.h"

#include <cmath>
#include <cstdio>

#include "base/codepage.h"
#include "base/session_settings.h"

namespace output {
namespace {

enum class Gender { kMasculine, kFeminine };

// One language's words (UTF-8 here, code page 850 on use).
struct Vocabulary {
  const char* hundreds[10];  // T(d, 0)
  const char* tens[10];      // T(d, 1)
  const char* units[17];     // T(d, 2), with the teens from 10
  int teens_limit;
  const char* group_words[3];  // millions, thousands, before the cents
  const char* million_one;
  const char* million_more;
  const char* cent_one;
  const char* cent_more;
};

constexpr Vocabulary kSpanish = {
    {"", "cien", "doscient", "trescient", "cuatrocient", "quinient", "seiscient", "setecient",
     "ochocient", "novecient"},
    {"", "dieci", "veint", "treinta", "cuarenta", "cincuenta", "sesenta", "setenta", "ochenta",
     "noventa"},
    {"", "un", "dos", "tres", "cuatro", "cinco", "seis", "siete", "ocho", "nueve", "diez", "once",
     "doce", "trece", "catorce", "quince", ""},
    6,
    {"mill", "mil", "con"},
    "on ",
    "ones ",
    " céntimo",
    " céntimos"};
constexpr Vocabulary kGalician = {{"", "ce", "cent", "trescent", "quatrocent", "quinhent",
                                   "seiscent", "setecient", "oitocent", "novecent"},
                                  {"", "deza", "vinte", "trinta", "quarenta", "cinqüenta",
                                   "sessenta", "setenta", "oitenta", "noventa"},
                                  {"", "u", "d", "três", "quatro", "cinco", "seis", "sete", "oito",
                                   "nove", "dez", "onze", "doze", "treze", "catorze", "quinze", ""},
                                  6,
                                  {"milh", "mil", "com"},
                                  "om ",
                                  "ons ",
                                  " céntimo",
                                  " céntimos"};
constexpr Vocabulary kAranese = {
    {"", "cent", "", "", "", "", "", "", "", ""},
    {"", "dètz", "vint", "trenta", "quaranta", "cinquanta", "seishanta", "setanta", "ueitanta",
     "nauanta"},
    {"", "u", "du", "tres", "quate", "cinc", "sies", "sèt", "ueit", "nau", "dètz", "onze", "dotze",
     "tretze", "catorze", "quinze", "setze"},
    7,
    {"milion", "mil", "damb"},
    "",
    "s ",
    " centim",
    " centims"};
constexpr Vocabulary kCatalan = {
    {"", "cent", "", "", "", "", "", "", "", ""},
    {"", "di", "vint", "trenta", "quaranta", "cinquanta", "seixanta", "setanta", "vuitanta",
     "noranta"},
    {"", "u", "d", "tres", "quatre", "cinc", "sis", "set", "vuit", "nou", "deu", "onze", "dotze",
     "tretze", "catorze", "quinze", "setze"},
    7,
    {"mili", "mil", "amb"},
    "ó ",
    "ons ",
    " cèntim",
    " cèntims"};

struct Words {
  std::string w;
  void Add(const char* utf8) { w += base::Cp(utf8); }
  void Rtrim() { w.erase(w.find_last_not_of(' ') + 1); }
  void RtrimBlank() {
    Rtrim();
    w += ' ';
  }
};

// The position being written: digit d at di (0 hundreds, 1 tens, 2 units)
// of group si (0 millions, 1 thousands, 2 units, 3 cents), r the value of the
// group's digits to its right.
struct Digit {
  int d, di, si, r;
  bool masculine;  // the gender is masculine, or the group is the millions or the cents
  bool gender_m;   // the gender itself is masculine
};

void SpanishBlank(Words& o, const Digit& x) {
  if (x.di == 1 && (x.d == 1 || (x.d == 2 && x.r > 0))) return;
  o.RtrimBlank();
}

void SpanishDigit(const Vocabulary& v, Words& o, const Digit& x) {
  o.Add(x.di == 0 ? v.hundreds[x.d] : x.di == 1 ? v.tens[x.d] : v.units[x.d]);
  if (x.d == 1) {
    if (x.di == 2 && (x.si == 1 || x.si == 2)) o.Add(x.gender_m ? "o" : "a");
    if (x.di == 0 && x.r > 0) o.Add("to");
  } else if (x.d == 2 && x.di == 1) {
    o.Add(x.r == 0 ? "e" : "i");
  } else if (x.d > 2 && x.di == 1 && x.r > 0) {
    o.Rtrim();
    o.Add(" y");
  } else if (x.d > 1 && x.di == 0) {
    o.Add(x.si == 0 || x.gender_m ? "os" : "as");
  }
  SpanishBlank(o, x);
}

void GalicianDigit(const Vocabulary& v, Words& o, const Digit& x) {
  if (x.d == 2 && x.di == 0) o.Add(x.masculine ? "dous" : "duas");
  o.Add(x.di == 0 ? v.hundreds[x.d] : x.di == 1 ? v.tens[x.d] : v.units[x.d]);
  if (x.d == 1) {
    if (x.di == 2) o.Add(x.masculine ? "m" : "mha");
    if (x.di == 0) o.Add(x.r > 0 ? "nto" : "m");
  }
  if (x.d == 2 && x.di == 2) o.Add(x.masculine ? "ous" : "uas");
  if (x.d == 1 && x.di == 1 && (x.r == 6 || x.r == 7)) {
    o.Add("s");
  } else if (x.d > 1 && x.di == 1 && x.r > 0) {
    o.Rtrim();
    o.Add(" e ");
  } else if (x.d > 1 && x.di == 0) {
    o.Add(x.si == 0 || x.gender_m ? "os" : "as");
  }
  if (x.di == 0 && x.r > 0) {
    o.Rtrim();
    o.Add(" e ");
    return;
  }
  SpanishBlank(o, x);
}

// Catalan and Aranese share their shape; the joints differ.
void EasternDigit(const Vocabulary& v, bool aranese, Words& o, const Digit& x) {
  o.Add(x.di == 0 && x.d > 1 ? v.units[x.d]
        : x.di == 0          ? v.hundreds[x.d]
        : x.di == 1          ? v.tens[x.d]
                             : v.units[x.d]);
  if (aranese) {
    if (x.d == 1 && x.di == 2) {
      o.Add(x.masculine ? "n" : "a");
    } else if ((x.d == 1 || x.d == 2) && x.di == 1) {
      if (x.r > 0)
        o.Add("-e-");
      else
        o.RtrimBlank();
    } else if (x.d == 2) {
      o.Add(x.masculine ? "s" : "es");
    } else if (x.d > 2 && x.di == 1 && x.r > 0) {
      o.Add(" ");
    }
  } else {
    if (x.d == 1) {
      if (x.di == 1 && x.r == 7) o.Add("s");
      if (x.di == 2) o.Add(x.masculine ? "n" : "na");
    } else if (x.d == 2 && x.di == 1) {
      if (x.r > 0)
        o.Add("-i-");
      else
        o.RtrimBlank();
    } else if (x.d == 2) {
      o.Add(x.masculine ? "os" : "ues");
    } else if (x.d > 2 && x.di == 1 && x.r > 0) {
      o.Add("-");
    }
  }
  if (x.di == 0 && x.d > 1) {
    o.Add(aranese ? " " : "-");
    o.Add(v.hundreds[1]);
    o.Add(x.si == 0 || x.gender_m ? "s " : "es ");
    return;
  }
  if (x.d == 2 && x.di == 1) return;
  if (x.di != 1 || x.r == 0) o.RtrimBlank();
}

}  // namespace

std::string NumberInWords(double value, std::string_view mode) {
  const char m =
      mode.empty() ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(mode[0])));
  const double v = std::fabs(value);
  double whole = 0;
  int cents = 0;
  Gender gender = Gender::kMasculine;
  if (m == 'p') {
    whole = std::floor(v / 100 * static_cast<double>(166.386f) + 0.5);
    gender = Gender::kFeminine;
  } else if (m == 'm' || m == 'f') {
    whole = std::floor(v + 0.5);
    if (m == 'f') gender = Gender::kFeminine;
  } else {
    whole = std::floor(v / 100);
    cents = static_cast<int>(std::floor(v - 100 * whole + 0.5)) % 100;
  }
  const long long last_nine = static_cast<long long>(std::fmod(whole, 1e9));
  const int groups[4] = {static_cast<int>(last_nine / 1000000),
                         static_cast<int>(last_nine / 1000 % 1000),
                         static_cast<int>(last_nine % 1000), cents};
  const base::Language language = base::SessionLanguage();
  const Vocabulary& voc = language == base::Language::kSpanish    ? kSpanish
                          : language == base::Language::kGalician ? kGalician
                          : language == base::Language::kAranese  ? kAranese
                                                                  : kCatalan;
  const bool western =
      language == base::Language::kSpanish || language == base::Language::kGalician;
  Words o;
  for (int si = 0; si < 4; ++si) {
    const int g = groups[si];
    const int digits[3] = {g / 100, g / 10 % 10, g % 10};
    const bool masculine = gender == Gender::kMasculine || si == 0 || si == 3;
    if (!(si == 1 && g == 1)) {
      for (int di = 0; di < 3; ++di) {
        int d = digits[di];
        const int r = di == 0 ? g % 100 : di == 1 ? g % 10 : 0;
        if (d == 0) continue;
        Digit x{d, di, si, r, masculine, gender == Gender::kMasculine};
        if (di == 1 && d == 1 && r < voc.teens_limit) {
          x.d = 10 + r;
          x.di = 2;
          x.r = 0;
          di = 2;
        }
        if (language == base::Language::kSpanish)
          SpanishDigit(voc, o, x);
        else if (language == base::Language::kGalician)
          GalicianDigit(voc, o, x);
        else
          EasternDigit(voc, language == base::Language::kAranese, o, x);
      }
    }
    const int next = si < 3 ? groups[si + 1] : 0;
    const bool applies = western ? g > 0 : (si < 2 && g > 0) || (si == 2 && last_nine > 0);
    if (!applies) continue;
    if (si < 2 || next > 0) o.Add(voc.group_words[si < 3 ? si : 2]);
    if (si == 0) {
      if (language == base::Language::kAranese && g == 1)
        o.RtrimBlank();
      else
        o.Add(g == 1 ? voc.million_one : voc.million_more);
    } else {
      o.RtrimBlank();
    }
  }
  if (cents > 1) {
    o.Rtrim();
    o.Add(voc.cent_more);
  } else if (cents == 1) {
    o.Rtrim();
    o.Add(voc.cent_one);
  }
  o.Rtrim();
  return o.w;
}

}  // namespace output
