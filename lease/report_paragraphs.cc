#include "lease/report_paragraphs.h"

#include "base/codepage.h"
#include "base/edit_picture.h"
#include "base/message_catalogue.h"
#include "lease/law_dates.h"

namespace lease {
namespace {

// A catalogue text: Catalan in the source, translated for the session.
std::string T(const char* catalan) { return base::Translate(base::Cp(catalan)); }

std::string LeftTrimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

std::string Amount(double v) { return LeftTrimmed(base::FormatAmount("ZZ,ZZZ,ZZ9", v)); }
std::string Picture(const char* picture, double v) {
  return LeftTrimmed(base::FormatPicture(picture, v));
}
std::string LongDate(const PackedDate& d, const char* parts) {
  return LeftTrimmed(base::FormatDate(d, 2, parts));
}

std::string RegimeText(ContractRegime regime) {
  switch (regime) {
    case ContractRegime::kBefore1946Act:
      return T(" anterior a la LAU de 31 de desembre del 1946.");
    case ContractRegime::kAct1946:
      return T(" acollit a la LAU de 31 de desembre del 1946.");
    case ContractRegime::kAct1964:
      return T(" acollit a la LAU d'11 de juny del 1964.");
    case ContractRegime::kAct1964Decree1985:
      return T(" acollit a la LAU d'11 de juny del 1964 i al Decret de 9 de maig del 1985.");
    case ContractRegime::kAct1994:
      return T(" acollit a la LAU de 24 de novembre del 1994.");
  }
  return std::string();
}

std::string KindParagraph(const LeaseFacts& f, const UpdateResult& r) {
  std::string p;
  if (f.housing()) {
    p = f.assimilated == 'S' ? T("- Assimilat a habitatge") : T("- Habitatge");
    p += r.sumptuary ? T(" sumptuari") : T(" no sumptuari");
  } else {
    p = f.assimilated == 'S' ? T("- Assimilat local") : T("- Local");
  }
  return p + T(" amb contracte") + RegimeText(ContractRegimeOf(f.contract_date));
}

PackedDate AgreedEnd(const LeaseFacts& f) {
  return base::AddToDate(base::AddToDate(f.contract_date, f.duration_months, "m"), -1, "d");
}

void EndParagraphs(const LeaseFacts& f, const UpdateResult& r, std::vector<std::string>* out) {
  if (!IsTransitional(f.contract_date)) {
    if (f.duration_months != 0) {
      // The numeric date comes padded to its fixed width; the sentence ends
      // right after it.
      std::string date = LeftTrimmed(base::FormatDate(AgreedEnd(f), 0, "dma"));
      date.erase(date.find_last_not_of(' ') + 1);
      out->push_back(T("- Venciment ") + date + ".");
    } else {
      out->push_back(T("- Es manté la indefinició del període pactat al contracte") +
                     (f.housing() ? T(", el qual s'extingirà segons regula la transitòria primera, "
                                      "apartat 1, de la LAU de 24 de novembre del 1994.")
                                  : T(", el qual s'extingirà segons regula la transitòria primera, "
                                      "apartat 2, de la LAU de 24 de novembre del 1994.")));
    }
    return;
  }
  if ((!f.housing() || f.assimilated == 'S' || f.premises_category == 'P') &&
      !(AgreedEnd(f) < kAct1994InForce)) {
    out->push_back(T("- Venciment ") + LongDate(AgreedEnd(f), "dma") + ".");
  }
  const int term = r.extinction_term;
  const PackedDate end = ExtinctionDate(term);
  const bool extension_rules =
      f.assimilated == 'N' &&
      (f.housing() || (f.premises_category != 'P' && f.premises_flag == 'S'));
  if (extension_rules) {
    if (term == 0) {
      std::string p = T("- Es manté la pròrroga legal del contracte");
      if (!f.housing()) {
        p +=
            T(", el qual s'extingirà segons regula la transitòria tercera, apartat 3, de la LAU de "
              "24 de novembre del 1994.");
      } else if (f.holder_code == 'T') {
        p +=
            T(", el qual s'extingirà segons regula la transitòria segona, apartat 4, de la LAU de "
              "24 de novembre del 1994.");
      } else if (f.holder_code == '1') {
        p +=
            T(", el qual s'extingirà segons regula la transitòria segona, apartat 5, de la LAU de "
              "24 de novembre del 1994.");
      } else {
        p +=
            T(", el qual s'extingirà segons regula la transitòria segona, apartat 6, de la LAU de "
              "24 de novembre del 1994.");
      }
      out->push_back(p);
    } else {
      out->push_back(T("- El contracte s'extingirà en ") + Picture("Z9", term) + T(" anys (") +
                     LongDate(end, "dma") + ").");
    }
    return;
  }
  std::string p = (f.duration_months != 0 && AgreedEnd(f) < end)
                      ? T("- Si l'arrendatari s'acull a la transitòria tercera, apartat 5, de la "
                          "LAU de 24 de novembre del 1994, el contracte s'extingirà en ")
                      : T("- El contracte s'extingirà en ");
  p += Picture("Z9", term) + T(" anys (") + LongDate(end, "dma") + ")";
  if (f.took_option7 == 'S') {
    p +=
        T(" per haver-se acollit l'arrendatari a la transitòria tercera, apartat 7, de la LAU de "
          "24 de novembre del 1994");
  }
  out->push_back(p + ".");
}

void UpdateParagraphs(const LeaseFacts& f, const IndexReading& x, const UpdateResult& r,
                      std::vector<std::string>* out) {
  const bool plain_housing = f.housing() && f.assimilated == 'N';
  if (f.contract_date < kLastRevaluedDay) {
    out->push_back(
        T("- En aplicació de la transitòria ") +
        (plain_housing ? T(" segona, apartat 11, regla 1a") : T(" tercera, apartat 6, regla 1a")) +
        T(", de la LAU de 24 de novembre del 1994, la renda contractual de ") +
        Amount(r.contractual_rent) + T(" EUR s'incrementa en un ") +
        Picture("ZZZ9.999%", 100 * r.revaluation_fraction) +
        T(", resultant una renda revaloritzada a ") + LongDate(r.revaluation_date, "dma") +
        T(" de ") + Amount(r.revalued_rent) + " EUR.");
  }
  const double increase = 100 * (x.latest_index * x.link_coefficient / r.base_index - 1);
  std::string p =
      T("- Prenent com a últim índex el publicat a ") + LongDate(x.latest_index_date, "ma") +
      T(" per l'Institut Nacional d'Estadística (") +
      Picture("Z,ZZ9.999", x.latest_index / 1000.0) + ")" + T(" i l'índex a ") +
      LongDate(r.base_index_date, "ma") + " (" + Picture("Z,ZZ9.999", r.base_index / 1000.0) + ")" +
      T(", resulta un ") + Picture("ZZ,ZZ9.999 %", increase) +
      T(" d'increment que aplicat a la renda inicial a ") + LongDate(r.revaluation_date, "dma") +
      " (" + Amount(r.revalued_rent) + " EUR)" + T(", suposa una renda actualitzada a ") +
      LongDate(r.update_date, "dma") + T(" de ") + Amount(r.updated_rent) + " EUR";
  // Written only when the computation applied the cap, so that a letter never
  // names a ceiling its increment does not follow.
  if (r.cap_applied) {
    p += T(", que per ser superior a la renda màxima segons cadastre, es pren en el seu lloc la "
           "quantitat de ") +
         Amount(r.cadastral_maximum) + " EUR";
  }
  out->push_back(p + ".");
  out->push_back(T("- Abonant l'arrendatari a data d'avui ") + Amount(r.paid_rent) +
                 T(" EUR com a renda, li correspon un ") + Picture("ZZ9 %", 100 * r.step_fraction) +
                 T(" de la renda actualitzada que significa un increment de ") +
                 Amount(r.increment) + T(" EUR i una renda exigible a ") +
                 LongDate(r.update_date, "dma") + T(" de ") + Amount(r.increment + r.paid_rent) +
                 " EUR.");
  if (r.steps > 1) {
    out->push_back(
        T("- En els successius ") + Picture("Z9", r.steps - 1) + T(" anys, de ") +
        LongDate(base::AddToDate(r.update_date, 1, "a"), "ma") + T(" a ") +
        LongDate(r.phase_end_date, "ma") +
        T(", li serà incrementada la renda, prèvia notificació de l'import de l'actualització."));
  }
}

std::string NoIncrementParagraph(const LeaseFacts& f) {
  if (f.housing() && f.assimilated == 'N' && f.premises_category != 'P') {
    if (f.opposed_update == 'S') {
      return T(
          "- No correspon increment per oposar-s'hi l'arrendatari a l'actualització, tot "
          "acollint-se a la transitòria segunda, apartat 11, regla 6a, de la LAU de 24 de novembre "
          "del 1994.");
    }
    return T(
        "- No correspon increment per ser els ingressos totals dels convivents inferiors al mínim "
        "establert a la transitòria segona, apartat 11, regla 7a, de la LAU de 24 de novembre del "
        "1994.");
  }
  return T(
      "- No correspon increment per oposar-s'hi l'arrendatari a l'actualització, tot acollint-se a "
      "la transitòria tercera, apartat 8, de la LAU de 24 de novembre del 1994.");
}

}  // namespace

std::vector<std::string> ComposeReportParagraphs(const LeaseFacts& f, const IndexReading* reading,
                                                 const UpdateResult& r) {
  std::vector<std::string> out;
  out.push_back(KindParagraph(f, r));
  EndParagraphs(f, r, &out);
  if (!IsTransitional(f.contract_date) || reading == nullptr) return out;
  if (r.steps != 0) {
    UpdateParagraphs(f, *reading, r, &out);
  } else {
    out.push_back(NoIncrementParagraph(f));
  }
  return out;
}

}  // namespace lease
