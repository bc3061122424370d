#include "lease/price_index.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace lease {
namespace {

// The national statistics institute's monthly CPI, base 1992, x 1000, from
// January 1954 (entry 1) to December 1985 (entry 384), stored as digit text.
// June 1958 is 4514 as the institute publishes it.
constexpr std::array<const char*, 384> kBaseIndexTable = {
    "0000",  "0000",  "3282",  "3289",  "3289",  "3277",
    "3280",  "3267",  "3269",  "3286",  "3314",  "3344",  // 1954
    "3365",  "3376",  "3389",  "3408",  "3410",  "3401",
    "3401",  "3408",  "3431",  "3459",  "3474",  "3485",  // 1955
    "3489",  "3532",  "3566",  "3604",  "3621",  "3609",
    "3598",  "3604",  "3630",  "3662",  "3713",  "3779",  // 1956
    "3848",  "3869",  "3889",  "3906",  "3916",  "3906",
    "3967",  "4023",  "4080",  "4166",  "4234",  "4279",  // 1957
    "4309",  "4313",  "4397",  "4491",  "4520",  "4514",
    "4544",  "4574",  "4646",  "4689",  "4732",  "4787",  // 1958
    "4794",  "4817",  "4843",  "4873",  "4888",  "4860",
    "4860",  "4868",  "4894",  "4909",  "4926",  "4969",  // 1959
    "4930",  "4926",  "4920",  "4924",  "4909",  "4905",
    "4903",  "4913",  "4943",  "4956",  "4962",  "4999",  // 1960
    "5020",  "4979",  "4957",  "4970",  "4957",  "4930",
    "4930",  "4938",  "4942",  "4961",  "5038",  "5047",  // 1961
    "5038",  "5061",  "5105",  "5177",  "5243",  "5270",
    "5270",  "5257",  "5289",  "5340",  "5477",  "5547",  // 1962
    "5560",  "5604",  "5713",  "5709",  "5741",  "5635",
    "5695",  "5754",  "5741",  "5757",  "5829",  "5851",  // 1963
    "5842",  "5846",  "5864",  "5886",  "5901",  "5980",
    "6109",  "6205",  "6266",  "6369",  "6516",  "6592",  // 1964
    "6657",  "6771",  "6824",  "6874",  "6902",  "6871",
    "6880",  "6915",  "6981",  "7018",  "7169",  "7210",  // 1965
    "7197",  "7191",  "7191",  "7260",  "7366",  "7380",
    "7376",  "7389",  "7366",  "7411",  "7540",  "7589",  // 1966
    "7593",  "7652",  "7684",  "7791",  "7818",  "7750",
    "7755",  "7868",  "7890",  "7922",  "8087",  "8087",  // 1967
    "8110",  "8110",  "8193",  "8265",  "8238",  "8261",
    "8193",  "8198",  "8185",  "8211",  "8265",  "8320",  // 1968
    "8301",  "8251",  "8301",  "8399",  "8399",  "8301",
    "8366",  "8392",  "8408",  "8440",  "8515",  "8605",  // 1969
    "8646",  "8613",  "8679",  "8727",  "8670",  "8703",
    "8867",  "9007",  "9048",  "9138",  "9162",  "9188",  // 1970
    "9285",  "9278",  "9376",  "9475",  "9533",  "9573",
    "9573",  "9590",  "9704",  "9811",  "9944",  "10074",  // 1971
    "10082", "10074", "10172", "10172", "10222", "10246",
    "10386", "10493", "10641", "10714", "10731", "10814",  // 1972
    "10895", "10912", "11002", "11158", "11322", "11494",
    "11617", "11808", "12012", "12202", "12217", "12350",  // 1973
    "12423", "12465", "12736", "13015", "13179", "13236",
    "13393", "13614", "13828", "13975", "14361", "14558",  // 1974
    "14762", "14903", "15000", "15264", "15452", "15494",
    "15740", "15987", "16241", "16241", "16347", "16610",  // 1975
    "16807", "16997", "17391", "17743", "18556", "18442",
    "18556", "18713", "19065", "19329", "19690", "19894",  // 1976
    "20542", "20849", "21348", "21736", "21926", "22539",
    "23278", "24033", "24368", "24747", "24947", "25144",  // 1977
    "25545", "25796", "26127", "26677", "26944", "27216",
    "27806", "28291", "28524", "28785", "28911", "29303",  // 1978
    "29806", "30037", "30349", "30807", "31167", "31442",
    "32121", "32437", "32864", "33305", "33385", "33872",  // 1979
    "34804", "35115", "35304", "35645", "35892", "36449",
    "36964", "37397", "37795", "38098", "38487", "39025",  // 1980
    "39818", "40020", "40817", "41223", "41415", "41451",
    "42263", "42778", "43118", "43603", "43981", "44647",  // 1981
    "45572", "45927", "46378", "46988", "47668", "48126",
    "48744", "49082", "49139", "49631", "49793", "50901",  // 1982
    "51761", "52021", "52337", "53056", "53276", "53588",
    "53779", "54501", "54937", "55682", "56249", "57122",  // 1983
    "58007", "58227", "58696", "58973", "59292", "59712",
    "60629", "61050", "61174", "61543", "61859", "62278",  // 1984
    "63438", "63898", "64296", "64959", "65163", "65052",
    "65422", "65520", "66239", "66580", "67093", "67371",  // 1985
};

constexpr double kMonthlyLinkCoefficients[12] = {1.3577,   1.361911, 1.356739, 1.351849,
                                                 1.351895, 1.353461, 1.366497, 1.36893,
                                                 1.361919, 1.353368, 1.349495, 1.350862};

// Since January 2026 the institute publishes the index in base 2025 only;
// over the months both series cover, base 2021 / base 2025 is 1.184155.
const BaseChangeTable kBaseChangeFactors = {{base::PackedDate(2007, 1, 1), 1.176243},
                                            {base::PackedDate(2012, 1, 1), 1.120584},
                                            {base::PackedDate(2017, 1, 1), 1.03003973742},
                                            {base::PackedDate(2022, 1, 1), 1.07270494208},
                                            {base::PackedDate(2026, 1, 1), 1.184155}};

// The built-in table holds the months from January 1954 (entry 1) to December
// 1985; its first index is that of March 1954. Indices published from January
// 2002 on are in later bases and are linked back to the table's.
constexpr base::PackedDate kMonthBeforeTable(1953, 12, 1);
constexpr base::PackedDate kFirstIndexedMonth(1954, 3, 1);
constexpr base::PackedDate kMonthAfterTable(1986, 1, 1);
constexpr base::PackedDate kFirstLinkedMonth(2002, 1, 1);

// "YYYY-MM" to the first day of that month; ZeroDate when it is not one, or
// is a month before the linked indices.
base::PackedDate MonthOf(const std::string& text) {
  if (text.size() != 7 || text[4] != '-') return base::ZeroDate();
  for (size_t i : {0, 1, 2, 3, 5, 6}) {
    if (text[i] < '0' || text[i] > '9') return base::ZeroDate();
  }
  const int month = std::atoi(text.substr(5, 2).c_str());
  if (month < 1 || month > 12) return base::ZeroDate();
  const base::PackedDate first_day(std::atoi(text.substr(0, 4).c_str()), month, 1);
  return first_day < kFirstLinkedMonth ? base::ZeroDate() : first_day;
}

// A factor written with a decimal point, between 0.5 and 2 (no base change
// of the index has moved it by more).
bool ParseFactor(const std::string& text, double* factor) {
  if (text.empty() || text.size() > 20) return false;
  size_t digits = 0, points = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else {
      return false;
    }
  }
  if (digits == 0 || points > 1) return false;
  *factor = std::strtod(text.c_str(), nullptr);
  return *factor >= 0.5 && *factor <= 2;
}

std::string Trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

int32_t RoundHalfEven(double x) { return static_cast<int32_t>(std::nearbyint(x)); }

}  // namespace

bool IsCpiValue(double value) {
  return std::isfinite(value) && value >= kLowestCpiValue && value <= kHighestCpiValue;
}

int32_t BaseIndexEntry(int n) {
  if (n < 1 || n > 384) return 0;
  return std::atoi(kBaseIndexTable[static_cast<size_t>(n - 1)]);
}

const BaseChangeTable& BuiltInBaseChanges() { return kBaseChangeFactors; }

BaseChangeTable ExtendBaseChanges(const BaseChangeTable& built_in,
                                  const std::vector<BaseChangeEntry>& entries,
                                  std::vector<std::string>* problems) {
  BaseChangeTable added;
  for (const BaseChangeEntry& e : entries) {
    const std::string where = "line " + std::to_string(e.line) + ": ";
    const base::PackedDate from = MonthOf(Trimmed(e.month));
    double factor = 0;
    if (from == base::ZeroDate()) {
      problems->push_back(where + "\"" + e.month + "\" is not a month written YYYY-MM");
    } else if (!ParseFactor(Trimmed(e.factor), &factor)) {
      problems->push_back(where + "\"" + e.factor +
                          "\" is not a factor from 0.5 to 2 written with a decimal point");
    } else if (!built_in.empty() && !(built_in.back().from < from)) {
      problems->push_back(where + MonthText(from) +
                          " is not after the last base change the program knows, " +
                          MonthText(built_in.back().from));
    } else if (std::any_of(added.begin(), added.end(),
                           [&](const BaseChange& c) { return c.from == from; })) {
      problems->push_back(where + "a second base change of " + MonthText(from) +
                          "; the first is kept");
    } else {
      added.push_back({from, factor});
    }
  }
  std::sort(added.begin(), added.end(),
            [](const BaseChange& a, const BaseChange& b) { return a.from < b.from; });
  BaseChangeTable table = built_in;
  table.insert(table.end(), added.begin(), added.end());
  return table;
}

std::string MonthText(const base::PackedDate& month) {
  const std::string digits = month.Digits();
  return digits.substr(0, 4) + "-" + digits.substr(4, 2);
}

double LinkCoefficient(const base::PackedDate& month, const BaseChangeTable& changes) {
  double link = 1;
  if (month < kFirstLinkedMonth) return link;
  const int m = month.month();
  if (m >= 1 && m <= 12) link = kMonthlyLinkCoefficients[m - 1];
  for (const BaseChange& change : changes) {
    if (month >= change.from) link *= change.factor;
  }
  return link;
}

bool IndexIsStale(const IndexReading& reading) {
  return reading.latest_index_date < reading.sought_month;
}

std::optional<IndexReading> FindLatestIndex(const base::PackedDate& contract_date,
                                            const base::PackedDate& report_date,
                                            ReferenceData& reference,
                                            const BaseChangeTable& changes) {
  const base::PackedDate anniversary_month(report_date.full_year(), contract_date.month(), 1);
  const base::PackedDate key_date = base::AddToDate(anniversary_month, -1, "m");
  const std::optional<CpiRecordValues> found = reference.NationalIndexAtOrBefore(key_date);
  if (!found) return std::nullopt;
  // An index outside what the CPI file may hold is no index: it would turn
  // into a negative or endless rent.
  if (!IsCpiValue(found->value)) return std::nullopt;
  IndexReading r;
  r.latest_index = RoundHalfEven(found->value * 1000);
  r.latest_index_date = found->month;
  r.sought_month = key_date;
  r.link_coefficient = LinkCoefficient(r.latest_index_date, changes);
  return r;
}

BaseIndex FindBaseIndex(const base::PackedDate& base_date,
                        const base::PackedDate& revaluation_date) {
  BaseIndex b{100000, base_date};
  if (!(base_date < kMonthAfterTable)) return b;
  const int n = 3 + base::DateDifference(kFirstIndexedMonth, base_date, "m") -
                (base_date == revaluation_date ? 1 : 0);
  if (n < 3 || n > 384 || base_date < kFirstIndexedMonth) return b;  // outside the table
  return BaseIndex{BaseIndexEntry(n), base::AddToDate(kMonthBeforeTable, n, "m")};
}

}  // namespace lease
