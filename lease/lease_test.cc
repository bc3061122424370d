#include <gtest/gtest.h>

#include <map>

#include "base/codepage.h"
#include "base/edit_picture.h"
#include "base/session_settings.h"
#include "lease/lease_facts.h"
#include "lease/price_index.h"
#include "lease/rent_update.h"
#include "lease/report_paragraphs.h"

namespace lease {
namespace {

// A date literal, day-month-year ("09051985").
PackedDate Date(const char* ddmmyyyy) { return base::ParseDate(ddmmyyyy); }

// Concept 1 is rent, concept 2 assimilated, code 7 assimilated; the national
// CPI by month.
class FakeReference : public ReferenceData {
 public:
  std::optional<int16_t> FixedConceptType(int number) override {
    if (number == 1) return 0;
    if (number == 2) return 1;
    return std::nullopt;
  }
  std::optional<int16_t> CodedConceptType(int16_t code) override {
    if (code == 7) return 1;
    if (code == 8) return 2;
    return std::nullopt;
  }
  std::optional<CpiRecordValues> NationalIndexAtOrBefore(const PackedDate& month) override {
    auto it = cpi.upper_bound(month);
    if (it == cpi.begin()) return std::nullopt;
    --it;
    return CpiRecordValues{it->first, it->second};
  }
  void Add(const char* ddmmyyyy, double value) { cpi[Date(ddmmyyyy)] = value; }
  std::map<PackedDate, double> cpi;
};

ReceiptConcepts Concepts(int32_t rent, int32_t assimilated = 0, int16_t code = 0,
                         int32_t coded = 0) {
  ReceiptConcepts c;
  c.fixed[0] = rent;
  c.fixed[1] = assimilated;
  c.coded[0] = {code, coded};
  return c;
}

UnitValues Unit(const char* contract, int32_t rent, char premises = 'N', int16_t months = 1) {
  UnitValues u;
  u.subrogated_name = std::string(30, ' ');
  u.contract_date = Date(contract);
  u.months_per_receipt = months;
  u.premises = premises;
  u.concepts = Concepts(rent);
  return u;
}

TransitionValues Transition() {
  TransitionValues t;
  t.reference_date1 = t.reference_date2 = t.cadastral_date = base::ZeroDate();
  return t;
}

class LeaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::Settings().language = "CAT";
    base::Settings().numbers = base::NumberSettings();
    base::SetCurrency("a,E");
    reference_.Add("01122000", 130.0);
  }
  UpdateResult Compute(LeaseFacts* f, IndexReading* x, const char* report = "15032001") {
    f->report_date = Date(report);
    *x = *FindLatestIndex(f->contract_date, f->report_date, reference_);
    return ComputeRentUpdate(*f, *x);
  }
  FakeReference reference_;
};

TEST_F(LeaseTest, WorkedCaseOfTheRentUpdate) {
  LeaseFacts f =
      BuildLeaseFacts(Unit("01011970", 10000), Transition(), Date("15032001"), reference_);
  IndexReading x;
  const UpdateResult r = Compute(&f, &x);
  EXPECT_EQ(r.revalued_rent, 10000);
  EXPECT_EQ(r.base_index, 8605);
  EXPECT_EQ(r.base_index_date, Date("01121969"));
  EXPECT_EQ(x.latest_index, 130000);
  EXPECT_EQ(x.link_coefficient, 1);
  EXPECT_EQ(r.updated_rent, 151075);
  EXPECT_EQ(r.full_increment, 141075);
  EXPECT_EQ(r.steps_at_start, 5);
  EXPECT_EQ(r.steps, 5);
  EXPECT_EQ(r.increment, 20215);
  EXPECT_FLOAT_EQ(r.step_fraction, 0.2f);
  EXPECT_EQ(r.update_date, Date("01012002"));
  EXPECT_EQ(r.phase_end_date, Date("01012006"));
  EXPECT_EQ(r.extinction_term, 0);
  const WriteBack w = WriteBackUpdate(f, x, r, 0);
  EXPECT_EQ(w.duration_months, 0);
  EXPECT_TRUE(w.set_update_months_to_12);
  EXPECT_EQ(w.revalued_rent, 10000);
  EXPECT_EQ(w.base_index, 8605);
  EXPECT_EQ(w.steps_at_start, 5);
  EXPECT_EQ(w.steps_reached, 0);
  EXPECT_FALSE(w.set_last_update);

  const auto p = ComposeReportParagraphs(f, &x, r);
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(
      p[0],
      base::Cp("- Habitatge no sumptuari amb contracte acollit a la LAU d'11 de juny del 1964."));
  EXPECT_EQ(
      p[1],
      base::Cp("- Es manté la pròrroga legal del contracte, el qual s'extingirà segons regula "
               "la transitòria segona, apartat 4, de la LAU de 24 de novembre del 1994."));
  EXPECT_EQ(
      p[2],
      base::Cp(
          "- Prenent com a últim índex el publicat a desembre del 2000 per l'Institut Nacional "
          "d'Estadística (130'000) i l'índex a desembre del 1969 (8'605), resulta un 1.410'750 % "
          "d'increment que aplicat a la renda inicial a 1 de gener del 1970 (100'00 EUR), suposa "
          "una renda actualitzada a 1 de gener del 2002 de 1.510'75 EUR."));
  EXPECT_EQ(
      p[3],
      base::Cp(
          "- Abonant l'arrendatari a data d'avui 100'00 EUR com a renda, li correspon un 20 % de "
          "la renda actualitzada que significa un increment de 202'15 EUR i una renda exigible a "
          "1 de gener del 2002 de 302'15 EUR."));
  EXPECT_EQ(
      p[4],
      base::Cp(
          "- En els successius 4 anys, de gener del 2003 a gener del 2006, li serà incrementada "
          "la renda, prèvia notificació de l'import de l'actualització."));
}

TEST_F(LeaseTest, ClassificationBoundaries) {
  struct {
    const char* contract;
    ContractRegime regime;
  } regimes[] = {{"02041947", ContractRegime::kBefore1946Act},
                 {"03041947", ContractRegime::kAct1946},
                 {"01071964", ContractRegime::kAct1964},
                 {"09051985", ContractRegime::kAct1964Decree1985},
                 {"08051985", ContractRegime::kAct1964},
                 {"01011995", ContractRegime::kAct1994}};
  for (const auto& c : regimes)
    EXPECT_EQ(ContractRegimeOf(Date(c.contract)), c.regime) << c.contract;

  LeaseFacts f;
  f.use_code = 'V';
  f.contract_date = Date("01011942");
  EXPECT_TRUE(IsSumptuary(f, 1000));
  EXPECT_FALSE(IsSumptuary(f, 999.99));
  f.contract_date = Date("02011942");
  EXPECT_FALSE(IsSumptuary(f, 1999));
  f.population = 19999;
  EXPECT_TRUE(IsSumptuary(f, 800));  // 0.4 x 2000
  f.contract_date = Date("01071964");
  EXPECT_FALSE(IsSumptuary(f, 1e9));
  f.use_code = 'L';
  f.contract_date = Date("01011942");
  EXPECT_FALSE(IsSumptuary(f, 1e9));

  // Population is kept only for housing contracts before 12 May 1956.
  TransitionValues t = Transition();
  t.population = 30000;
  EXPECT_EQ(BuildLeaseFacts(Unit("11051956", 1), t, Date("01012000"), reference_).population,
            30000);
  EXPECT_EQ(BuildLeaseFacts(Unit("12051956", 1), t, Date("01012000"), reference_).population, 0);

  struct {
    char category;
    int32_t area;
    int32_t quota;
    int term;
  } premises[] = {{'C', 2500, 0, 20},  {'C', 2501, 0, 5},    {'N', 0, 85000, 20},
                  {'N', 0, 85001, 15}, {'N', 0, 130000, 15}, {'N', 0, 190000, 10},
                  {'N', 0, 190001, 5}, {'N', 0, 0, 5},       {'P', 0, 0, 5}};
  for (const auto& c : premises) {
    TransitionValues tv = Transition();
    tv.premises_category = c.category;
    tv.floor_area = c.area;
    tv.quota = c.quota;
    LeaseFacts pf = BuildLeaseFacts(Unit("01011970", 1, 'S'), tv, Date("01012000"), reference_);
    EXPECT_EQ(ExtinctionTerm(pf), c.term) << c.category << " " << c.area << " " << c.quota;
  }
  // Housing: assimilated flags other than "N" take the assimilated term before 9 May 1985.
  TransitionValues hv = Transition();
  hv.assimilated = 'X';
  LeaseFacts hf = BuildLeaseFacts(Unit("08051985", 1), hv, Date("01012000"), reference_);
  EXPECT_EQ(ExtinctionTerm(hf), 10);
  hv.assimilated = 'N';
  hv.opposed_update = 'S';
  hf = BuildLeaseFacts(Unit("08051985", 1), hv, Date("01012000"), reference_);
  EXPECT_EQ(ExtinctionTerm(hf), 8);

  // Receipt concepts: codes 11 to 14 count as assimilated only with type 1.
  UnitValues u = Unit("01011970", 5000);
  u.concepts = Concepts(5000, 300, 7, 200);
  LeaseFacts cf = BuildLeaseFacts(u, Transition(), Date("01012000"), reference_);
  EXPECT_EQ(cf.rent_per_receipt, 5000);
  EXPECT_EQ(cf.assimilated_per_receipt, 500);
  EXPECT_EQ(cf.assimilated_kept_per_receipt, 200);  // the coded concept stays where it is
  IndexReading cx;
  cf.report_date = Date("15032001");
  cx = *FindLatestIndex(cf.contract_date, cf.report_date, reference_);
  const UpdateResult cr = ComputeRentUpdate(cf, cx);
  // Concept 2 receives only what the write-back clears: no amount counts twice.
  EXPECT_EQ(WriteBackUpdate(cf, cx, cr, 12).assimilated_concept, 300);
  u.concepts = Concepts(5000, 0, 8, 200);  // type 2 on a coded concept counts nowhere
  EXPECT_EQ(BuildLeaseFacts(u, Transition(), Date("01012000"), reference_).assimilated_per_receipt,
            0);
  u.subrogated_name = "   ";
  EXPECT_EQ(BuildLeaseFacts(u, Transition(), Date("01012000"), reference_).holder_code, 'T');
}

TEST_F(LeaseTest, PriceIndexTables) {
  EXPECT_EQ(BaseIndexEntry(3), 3282);
  EXPECT_EQ(BaseIndexEntry(77), 4909);
  EXPECT_EQ(BaseIndexEntry(54), 4514);  // June 1958 as the institute publishes it
  EXPECT_EQ(BaseIndexEntry(384), 67371);
  BaseIndex b = FindBaseIndex(Date("01031954"), Date("01071954"));
  EXPECT_EQ(b.index, 3282);
  EXPECT_EQ(b.date, Date("01031954"));
  b = FindBaseIndex(Date("15061960"), Date("15061960"));
  EXPECT_EQ(b.index, 4909);
  EXPECT_EQ(b.date, Date("01051960"));
  b = FindBaseIndex(Date("20061958"), Date("01011990"));
  EXPECT_EQ(b.index, 4514);
  b = FindBaseIndex(Date("01011986"), Date("01011986"));
  EXPECT_EQ(b.index, 100000);
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01012002")), 1.3577);
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01052013")), 1.351895 * 1.176243 * 1.120584);
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01122001")), 1);

  // The key date is the month before the anniversary in the report year.
  reference_.Add("01032024", 114.674);
  reference_.Add("01042024", 115.0);
  const auto r = FindLatestIndex(Date("20041960"), Date("15032024"), reference_);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->latest_index_date, Date("01032024"));
  EXPECT_EQ(r->latest_index, 114674);
  // No index at all is no reading (a record of another series is none either:
  // app/lease_handler_test.cc).
  FakeReference empty;
  EXPECT_FALSE(FindLatestIndex(Date("20041960"), Date("15032001"), empty));
}

// INE publishes base 2025 since January 2026: its indices go back to base
// 1992 through the month's coefficient and all five base changes. An
// installation's own later change applies from its first month on only.
TEST_F(LeaseTest, BaseChangesOf2026AndOfAnInstallation) {
  const double jan_2021 = 1.3577 * 1.176243 * 1.120584 * 1.03003973742 * 1.07270494208;
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01122025")),
                   1.350862 * 1.176243 * 1.120584 * 1.03003973742 * 1.07270494208);
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01012026")), jan_2021 * 1.184155);
  reference_.Add("01012026", 100.836);
  const auto r = FindLatestIndex(Date("01021970"), Date("15032026"), reference_);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->latest_index, 100836);
  EXPECT_DOUBLE_EQ(r->link_coefficient, jan_2021 * 1.184155);
  EXPECT_FALSE(IndexIsStale(*r));

  std::vector<std::string> problems;
  const BaseChangeTable table = ExtendBaseChanges(BuiltInBaseChanges(),
                                                  {{"2031-01", "1.052345", 3},
                                                   {"2036-13", "1.1", 4},
                                                   {"2041-01", "1,1", 5},
                                                   {"2041-01", "7", 6},
                                                   {"2024-01", "1.1", 7},
                                                   {"2031-01", "1.2", 8}},
                                                  &problems);
  ASSERT_EQ(table.size(), BuiltInBaseChanges().size() + 1);
  EXPECT_EQ(table.back().from, Date("01012031"));
  ASSERT_EQ(problems.size(), 5u);
  EXPECT_EQ(problems[0].rfind("line 4: ", 0), 0u) << problems[0];
  EXPECT_NE(problems[2].find("factor from 0.5 to 2"), std::string::npos) << problems[2];
  EXPECT_NE(problems[3].find("not after the last base change"), std::string::npos) << problems[3];
  EXPECT_NE(problems[4].find("a second base change of 2031-01"), std::string::npos) << problems[4];
  // The linked indices begin in 2002: an earlier month is none a base change can name.
  std::vector<std::string> early;
  ExtendBaseChanges(BuiltInBaseChanges(), {{"2001-12", "1.1", 2}}, &early);
  ASSERT_EQ(early.size(), 1u);
  EXPECT_NE(early[0].find("is not a month written YYYY-MM"), std::string::npos) << early[0];
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01122030"), table), LinkCoefficient(Date("01122030")));
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01012031"), table), jan_2021 * 1.184155 * 1.052345);
  EXPECT_DOUBLE_EQ(LinkCoefficient(Date("01012031")), jan_2021 * 1.184155);

  // The CPI file lacks the month before the anniversary: the index found is stale.
  const auto stale = FindLatestIndex(Date("01061970"), Date("15062026"), reference_);
  ASSERT_TRUE(stale);
  EXPECT_EQ(stale->latest_index_date, Date("01012026"));
  EXPECT_EQ(stale->sought_month, Date("01052026"));
  EXPECT_TRUE(IndexIsStale(*stale));
}

// The amounts a letter states follow from its own figures by exact
// arithmetic and the one rounding (nearest, ties to even).
TEST_F(LeaseTest, AmountsAreThoseOfExactArithmetic) {
  // Sumptuary housing before 1915: 4 x (1 + 1.16) - 1 = 764 %; 5,010.84 x 8.64 = 43,293.6576.
  LeaseFacts f =
      BuildLeaseFacts(Unit("01011910", 501084), Transition(), Date("15032001"), reference_);
  IndexReading x;
  UpdateResult r = Compute(&f, &x);
  ASSERT_TRUE(r.sumptuary);
  EXPECT_DOUBLE_EQ(r.revaluation_fraction, 7.64);
  EXPECT_EQ(r.revalued_rent, 4329366);
  // Paid every three months: 3,003.03 / 3 = 1,001.01 a month, x 8.64 = 8,648.7264.
  LeaseFacts q =
      BuildLeaseFacts(Unit("01011910", 300303, 'N', 3), Transition(), Date("15032001"), reference_);
  r = Compute(&q, &x);
  ASSERT_TRUE(r.sumptuary);
  EXPECT_EQ(r.revalued_rent, 3 * 864873);

  // Premises, first step 10 % of 123.45 EUR = 12.345 EUR: a tie, to the even 12.34.
  FakeReference cpi;
  cpi.Add("01122000", 106.229);  // 10.00 EUR / 8.605 x 106.229 = 123.45 EUR
  TransitionValues pt = Transition();
  pt.premises_category = 'N';
  pt.quota = 150000;
  LeaseFacts p = BuildLeaseFacts(Unit("01011970", 1000, 'S'), pt, Date("15032001"), cpi);
  p.report_date = Date("15032001");
  x = *FindLatestIndex(p.contract_date, p.report_date, cpi);
  r = ComputeRentUpdate(p, x);
  EXPECT_EQ(r.updated_rent, 12345);
  EXPECT_DOUBLE_EQ(r.step_fraction, 0.10);
  EXPECT_EQ(r.increment, 1234 - 1000);
}

TEST_F(LeaseTest, RevaluationAndSteps) {
  // Housing before 1915, not sumptuary: 30 %, from 1 Jul 1954 on the index of March 1954.
  LeaseFacts f = BuildLeaseFacts(Unit("01011910", 100), Transition(), Date("15032001"), reference_);
  IndexReading x;
  UpdateResult r = Compute(&f, &x);
  EXPECT_EQ(r.revaluation_date, Date("01071954"));
  EXPECT_EQ(r.base_index, 3282);
  EXPECT_FLOAT_EQ(r.revaluation_fraction, 0.30f);
  EXPECT_EQ(r.revalued_rent, 130);

  // The two mended sumptuary fractions: 0.05 with factor 1.25.
  for (const char* contract : {"01061954", "10051956"}) {
    TransitionValues t = Transition();
    t.reference_date1 = Date("01011950");
    t.reference_date2 = Date("01011950");
    LeaseFacts s = BuildLeaseFacts(Unit(contract, 900000), t, Date("15032001"), reference_);
    r = Compute(&s, &x);
    ASSERT_TRUE(r.sumptuary) << contract;
    EXPECT_FLOAT_EQ(r.revaluation_factor, 1.25f) << contract;
    EXPECT_NEAR(r.revaluation_fraction, 1.25 * 1.05 - 1, 1e-6) << contract;
  }
  // Population 49999 brings a factor of 4 down to 3.7; 50000 keeps it.
  for (int32_t population : {49999, 50000}) {
    TransitionValues t = Transition();
    t.population = population;
    LeaseFacts s = BuildLeaseFacts(Unit("01011910", 900000), t, Date("15032001"), reference_);
    r = Compute(&s, &x);
    EXPECT_FLOAT_EQ(r.revaluation_factor, population == 49999 ? 3.7f : 4.0f);
  }
  // Income exemption at exactly 3 x the reference income for 3 cohabitants.
  for (int32_t income : {3 * kReferenceIncome, 3 * kReferenceIncome + 1}) {
    TransitionValues t = Transition();
    t.cohabitants = 3;
    t.household_income = income;
    LeaseFacts h = BuildLeaseFacts(Unit("01011970", 10000), t, Date("15032001"), reference_);
    r = Compute(&h, &x);
    EXPECT_EQ(r.steps_at_start, income == 3 * kReferenceIncome ? 0 : 10);
  }
  // Cadastral value dated exactly 31 Dec 1989 takes 24 %: the cap applies.
  TransitionValues t = Transition();
  t.cadastral_value = 3000000;
  t.cadastral_date = Date("31121989");
  LeaseFacts c = BuildLeaseFacts(Unit("01011970", 10000), t, Date("15032001"), reference_);
  r = Compute(&c, &x);
  EXPECT_EQ(r.cadastral_maximum, 60000);
  EXPECT_TRUE(r.cap_applied);
  EXPECT_EQ(r.full_increment, 50000);
  // Rent already above every scheduled step: one step, no increment, 100 %.
  LeaseFacts covered =
      BuildLeaseFacts(Unit("01011970", 10000), Transition(), Date("15032001"), reference_);
  covered.assimilated_per_receipt = 200000;
  r = Compute(&covered, &x);
  EXPECT_EQ(r.steps, 1);
  EXPECT_EQ(r.increment, 0);
  EXPECT_FLOAT_EQ(r.step_fraction, 1);
  // Premises: the schedule by term; a rent above the update keeps a term of 0.
  TransitionValues pt = Transition();
  pt.premises_category = 'N';
  pt.quota = 150000;
  LeaseFacts p = BuildLeaseFacts(Unit("01011970", 10000, 'S'), pt, Date("15032001"), reference_);
  r = Compute(&p, &x);
  EXPECT_EQ(r.extinction_term, 10);
  EXPECT_EQ(r.steps_at_start, 5);
  EXPECT_FLOAT_EQ(r.step_fraction, 0.10f);  // the premises schedule starts at 10 %
}

// A premises tenant who opposed the update gets no steps and a term of 5
// years, unless the extinction term is of 1 to 14 years, which ends the
// opposition.
TEST_F(LeaseTest, APremisesTenantsOppositionStandsUnlessItsTermIsShort) {
  struct {
    char assimilated;
    char opposed;
    int term_before;
    int term;
    int steps_at_start;
  } cases[] = {{'N', 'S', 15, 5, 0}, {'N', 'N', 15, 15, 10}, {'S', 'S', 5, 5, 5}};
  for (const auto& c : cases) {
    TransitionValues t = Transition();
    t.premises_category = 'N';
    t.quota = 100000;
    t.assimilated = c.assimilated;
    t.premises_opposed = c.opposed;
    LeaseFacts f = BuildLeaseFacts(Unit("01011970", 10000, 'S'), t, Date("15032001"), reference_);
    ASSERT_EQ(f.premises_opposed, c.opposed) << c.assimilated << c.opposed;
    EXPECT_EQ(ExtinctionTerm(f), c.term_before) << c.assimilated << c.opposed;
    IndexReading x;
    const UpdateResult r = Compute(&f, &x);
    EXPECT_EQ(r.extinction_term, c.term) << c.assimilated << c.opposed;
    EXPECT_EQ(r.steps_at_start, c.steps_at_start) << c.assimilated << c.opposed;
  }
}

TEST_F(LeaseTest, ParagraphVariants) {
  IndexReading x;
  auto paragraphs = [&](const UnitValues& u, const TransitionValues& t) {
    LeaseFacts f = BuildLeaseFacts(u, t, Date("15032001"), reference_);
    const UpdateResult r = Compute(&f, &x);
    return ComposeReportParagraphs(f, &x, r);
  };
  // 9 May 1985: kind and end only; 8 May 1985: the update too.
  EXPECT_EQ(paragraphs(Unit("09051985", 10000), Transition()).size(), 2u);
  UnitValues agreed = Unit("10011990", 10000);
  agreed.duration_months = 60;
  EXPECT_EQ(paragraphs(agreed, Transition())[1], "- Venciment 9/1/1995.");
  EXPECT_EQ(paragraphs(Unit("08051985", 10000), Transition()).size(), 5u);
  const auto after = paragraphs(Unit("09051985", 10000), Transition());
  EXPECT_EQ(
      after[0],
      base::Cp("- Habitatge no sumptuari amb contracte acollit a la LAU d'11 de juny del 1964 i al "
               "Decret de 9 de maig del 1985."));
  // First subrogation, term 0.
  UnitValues sub = Unit("01011970", 10000);
  sub.subrogated_name = "Garcia*Pere";
  EXPECT_EQ(
      paragraphs(sub, Transition())[1],
      base::Cp("- Es manté la pròrroga legal del contracte, el qual s'extingirà segons regula la "
               "transitòria segona, apartat 5, de la LAU de 24 de novembre del 1994."));
  // A tenant who opposed the update: 8 years and the sixth rule.
  TransitionValues opposed = Transition();
  opposed.opposed_update = 'S';
  const auto o = paragraphs(Unit("01011970", 10000), opposed);
  ASSERT_EQ(o.size(), 3u);
  EXPECT_EQ(o[1], base::Cp("- El contracte s'extingirà en 8 anys (31 de desembre del 2002)."));
  EXPECT_EQ(
      o[2],
      base::Cp("- No correspon increment per oposar-s'hi l'arrendatari a l'actualització, tot "
               "acollint-se a la transitòria segunda, apartat 11, regla 6a, de la LAU de 24 de "
               "novembre del 1994."));
  // 11 May 1956: no revaluation paragraph; 10 May 1956 has one, with two blanks.
  EXPECT_EQ(paragraphs(Unit("11051956", 10000), Transition()).size(), 5u);
  const auto old = paragraphs(Unit("10051956", 10000), Transition());
  ASSERT_EQ(old.size(), 6u);
  EXPECT_EQ(
      old[2].rfind(
          base::Cp("- En aplicació de la transitòria  segona, apartat 11, regla 1a, de la LAU"), 0),
      0u);
  // One step only: no paragraph on the following years.
  LeaseFacts covered =
      BuildLeaseFacts(Unit("01011970", 10000), Transition(), Date("15032001"), reference_);
  covered.assimilated_per_receipt = 200000;
  const UpdateResult r = Compute(&covered, &x);
  EXPECT_EQ(ComposeReportParagraphs(covered, &x, r).size(), 4u);
  // No price index: the kind and the end of the contract only.
  EXPECT_EQ(ComposeReportParagraphs(covered, nullptr, r).size(), 2u);
  // Premises whose agreed period ended before 1995 get no "Venciment".
  TransitionValues pt = Transition();
  pt.premises_category = 'C';
  UnitValues pu = Unit("01011970", 10000, 'S');
  pu.duration_months = 24;
  const auto pp = paragraphs(pu, pt);
  // The agreed period ends before the legal one: the tenant may choose the fifth paragraph.
  EXPECT_EQ(
      pp[1],
      base::Cp(
          "- Si l'arrendatari s'acull a la transitòria tercera, apartat 5, de la LAU de 24 de "
          "novembre del 1994, el contracte s'extingirà en 20 anys (31 de desembre del 2014)."));
  pu.duration_months = 360;
  EXPECT_EQ(paragraphs(pu, pt)[1], base::Cp("- Venciment 31 de desembre del 1999."));
}

TEST(UpdateDate, AnniversaryOnOrAfterTheReportDate) {
  EXPECT_EQ(UpdateDate(Date("15031970"), Date("15032001")), Date("15032001"));
  EXPECT_EQ(UpdateDate(Date("15031970"), Date("16032001")), Date("15032002"));
  EXPECT_EQ(UpdateDate(Date("29021960"), Date("01012001")), Date("28022001"));
  EXPECT_EQ(UpdateDate(Date("29021960"), Date("01032003")), Date("29022004"));
  // Century years are common years unless divisible by 400.
  EXPECT_EQ(UpdateDate(Date("29021960"), Date("01022100")), Date("28022100"));
  EXPECT_EQ(UpdateDate(Date("29021960"), Date("01022000")), Date("29022000"));
}

}  // namespace
}  // namespace lease
