#include "app/results_table.h"

#include <cfenv>
#include <cmath>

#include "app/run_parameters.h"
#include "app/write_back.h"
#include "base/codepage.h"
#include "lease/law_dates.h"
#include "storage/record_layouts.h"

namespace app {
namespace {

constexpr char kHeader[] =
    "unit,tenant,use,regime,extinction_years,extinction_date,contractual_rent,revaluation_percent,"
    "revalued_rent,base_index,base_index_month,latest_index,latest_index_month,updated_rent,"
    "cadastral_ceiling,rent_paid,full_increment,steps,step_share,increment,update_date,phase_end,"
    "letter_merged\n";

std::string Quoted(const std::string& utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string out = "\"";
  for (char c : utf8) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string WithoutTrailingBlanks(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string UseText(const lease::LeaseFacts& f) {
  if (f.housing()) return f.assimilated == 'S' ? "assimilated to housing" : "housing";
  return f.assimilated == 'S' ? "assimilated to premises" : "premises";
}

std::string RegimeText(lease::ContractRegime regime) {
  switch (regime) {
    case lease::ContractRegime::kBefore1946Act:
      return "before the act of 1946";
    case lease::ContractRegime::kAct1946:
      return "act of 1946";
    case lease::ContractRegime::kAct1964:
      return "act of 1964";
    case lease::ContractRegime::kAct1964Decree1985:
      return "act of 1964 and decree of 1985";
    case lease::ContractRegime::kAct1994:
      return "act of 1994";
  }
  return "";
}

std::string Decimals(double value, int places) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", places, value);
  return text;
}

// An index as the records hold it (thousandths) with three decimals.
std::string IndexText(int32_t thousandths) {
  const int64_t v = thousandths;
  const int64_t whole = (v < 0 ? -v : v) / 1000;
  const int64_t part = (v < 0 ? -v : v) % 1000;
  char text[40];
  std::snprintf(text, sizeof text, "%s%lld.%03lld", v < 0 ? "-" : "", static_cast<long long>(whole),
                static_cast<long long>(part));
  return text;
}

std::string MonthText(const base::PackedDate& date) {
  const std::string iso = IsoDate(date);
  return iso.empty() ? "" : iso.substr(0, 7);
}

}  // namespace

std::string EurosText(double cents) {
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const long long whole_cents = std::llrint(cents);
  std::fesetround(saved);
  const long long magnitude = whole_cents < 0 ? -whole_cents : whole_cents;
  char text[40];
  std::snprintf(text, sizeof text, "%s%lld.%02lld", whole_cents < 0 ? "-" : "", magnitude / 100,
                magnitude % 100);
  return text;
}

ResultsTable::~ResultsTable() {
  if (file_ != nullptr) std::fclose(file_);
}

bool ResultsTable::Open(const std::string& path, std::string* err) {
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) {
    *err = path + ": the results table cannot be created";
    return false;
  }
  failed_ = std::fputs(kHeader, file_) < 0;
  return true;
}

void ResultsTable::AddUnit(const RecordBuffers& records, const lease::LeaseFacts& facts,
                           const lease::IndexReading* reading, const lease::UpdateResult& r,
                           bool letter_merged) {
  if (file_ == nullptr) return;
  // The figures are those the report's paragraphs state: the update's when
  // the unit has an index and steps, the revaluation's for contracts before
  // 11 May 1956, the ceiling when it replaced the updated rent.
  const bool transitional = lease::IsTransitional(facts.contract_date);
  const bool indexed = transitional && reading != nullptr;
  const bool updated = indexed && r.steps != 0;
  const bool revalued = updated && facts.contract_date < lease::kLastRevaluedDay;
  const std::string tenant =
      base::Cp850ToUtf8(storage::GetText(records.unit, storage::unit::kTenantName));
  std::string extinction_date;
  if (transitional && r.extinction_term != 0) {
    extinction_date = IsoDate(lease::ExtinctionDate(r.extinction_term));
  }
  std::string row = DottedKey(storage::GetBytes(records.unit, storage::unit::kKey));
  row += "," + Quoted(WithoutTrailingBlanks(tenant));
  row += "," + UseText(facts);
  row += "," + RegimeText(lease::ContractRegimeOf(facts.contract_date));
  row += "," + (transitional ? std::to_string(r.extinction_term) : std::string());
  row += "," + extinction_date;
  row += "," + (updated ? EurosText(r.contractual_rent) : "");
  row += "," + (revalued ? Decimals(r.revaluation_fraction * 100, 3) : "");
  row += "," + (updated ? EurosText(r.revalued_rent) : "");
  row += "," + (updated ? IndexText(r.base_index) : "");
  row += "," + (updated ? MonthText(r.base_index_date) : "");
  row += "," + (updated ? IndexText(reading->latest_index) : "");
  row += "," + (updated ? MonthText(reading->latest_index_date) : "");
  row += "," + (updated ? EurosText(r.updated_rent) : "");
  row += "," + (updated && r.cap_applied ? EurosText(r.cadastral_maximum) : "");
  row += "," + (updated ? EurosText(r.paid_rent) : "");
  row += "," + (updated ? EurosText(r.full_increment) : "");
  row += "," + (indexed ? std::to_string(r.steps) : "");
  row += "," + (updated ? Decimals(r.step_fraction, 4) : "");
  row += "," + (indexed ? EurosText(updated ? r.increment : 0) : "");
  row += "," + (updated ? IsoDate(r.update_date) : "");
  row += "," + (updated && r.steps > 1 ? IsoDate(r.phase_end_date) : "");
  row += std::string(",") + (letter_merged ? "yes" : "no") + "\n";
  if (std::fputs(row.c_str(), file_) < 0) failed_ = true;
}

bool ResultsTable::Close() {
  if (file_ == nullptr) return !failed_;
  const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return flushed && closed && !failed_;
}

}  // namespace app
