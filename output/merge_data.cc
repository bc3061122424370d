#include "output/merge_data.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/codepage.h"
#include "base/edit_picture.h"
#include "base/platform.h"
#include "base/session_settings.h"
#include "base/text_utils.h"
#include "output/number_words.h"
#include "output/print_output.h"
#include "output/template_merge.h"

namespace output {
namespace {

constexpr int kLetterWidth = 80;

}  // namespace

std::string DateWithDayInWords(const base::PackedDate& date, bool year_in_words) {
  std::string long_date = base::FormatDate(date, 2, "dma");
  const size_t blank = long_date.find(' ');
  std::string rest = blank == std::string::npos ? std::string() : long_date.substr(blank + 1);
  std::string text = NumberInWords(date.day(), "m") + " ";
  if (!year_in_words) return text + rest;
  rest = rest.size() >= 5 ? rest.substr(0, rest.size() - 5) : std::string();
  return text + rest + " " + NumberInWords(date.full_year(), "m");
}

std::string MergeValue(std::string value) {
  // Byte 127 starts a field, byte 255 ends a value and a line end splits
  // one: inside a value (a name written by another program, a company
  // field) each would cut the value or forge the next field.
  for (char& c : value) {
    if (c == '\x7F' || c == '\xFF' || c == '\r' || c == '\n') c = ' ';
  }
  return value;
}

std::string MergeData::Path() const { return base::Settings().tmp_dir + "merge.tmp"; }

void MergeData::Write(const MergeValues& v) {
  values_ = v;
  pending_.clear();
  open_ = true;
  auto field = [&](const std::string& name, const std::string& value) {
    pending_ += '\x7F' + name + "\r\n" + MergeValue(value) + '\xFF' + "\r\n";
  };
  const base::CompanyData& company = base::Company();
  for (size_t i = 0; i < company.fields.size(); ++i)
    field("MEM" + std::to_string(i + 1), company.fields[i]);
  field("FEC0", base::LowerCase850(base::FormatDate(v.report_date, 0, "dma")));
  field("FEC1", base::LowerCase850(base::FormatDate(v.report_date, 1, "dma")));
  field("FECHA", base::LowerCase850(base::FormatDate(v.report_date, 2, "dma")));
  field("FEC3", base::LowerCase850(DateWithDayInWords(v.report_date, false)));
  field("FEC4", base::LowerCase850(DateWithDayInWords(v.report_date, true)));
  const std::string digits = base::UnpackDigits(v.unit_key);
  receipt_ = "V" + digits.substr(1, 3) + digits.substr(5, 3);
  tenant_ = base::NameOrder(v.tenant);
  field("DES0", receipt_);
  field("DES1", tenant_);
  field("DES2", base::NameOrder(v.street) + " " + v.designation);
  field("DES3", v.address2);
  field("DES4", v.address3);
  field("DES5", "");
  field("INCACT", base::FormatAmount("ZZ,ZZZ,ZZ9", v.increment));
  field("MESACT", base::FormatDate(v.update_date, 2, "m"));
  pending_ += std::string("\x7F") + "RELACT" + "\r\n" + '\x01';
}

void MergeData::AddParagraph(const std::string& paragraph) {
  const std::string lines = base::FormatParagraph(paragraph, -2, kLetterWidth, "a");
  for (size_t at = 0; at < lines.size(); at += kLetterWidth) {
    if (open_) pending_ += std::string(10, ' ') + lines.substr(at, kLetterWidth) + "\r\n";
  }
}

bool MergeData::LetterDue() const {
  switch (values_.letter_case) {
    case lease::LetterCase::kHousing:
      return rules_.housing;
    case lease::LetterCase::kPremisesMarkedS:
      return rules_.premises_s;
    case lease::LetterCase::kPremisesMarkedN:
      return rules_.premises_n;
    case lease::LetterCase::kNone:
      break;
  }
  return false;
}

void MergeData::Finish() {
  if (!open_) return;
  open_ = false;
  pending_ += "\xFF\r\n";
  if (!base::ReplaceFileContents(Path(), pending_)) {
    std::fprintf(stderr, "mirtosek: %s cannot be written\n",
                 base::Cp850ToUtf8(base::ResolvePath(Path())).c_str());
    return;
  }
  if (!LetterDue()) return;
  merge_.print().AddLetterToIndex(receipt_, tenant_, std::lround(values_.increment));
  merge_.Merge(rules_.template_name, Path(), -1);
}

}  // namespace output
