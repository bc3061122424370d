#include "output/report_pages.h"

#include "base/codepage.h"
#include "base/edit_picture.h"
#include "base/message_catalogue.h"
#include "base/session_settings.h"
#include "base/text_utils.h"

namespace output {
namespace {

std::string T(const char* catalan) { return base::Translate(base::Cp(catalan)); }

}  // namespace

void ReportPages::BeginUnit(const UnitLine& line) {
  unit_ = line;
  unit_block_done_ = false;
}

void ReportPages::PrintParagraph(const std::string& paragraph) {
  if (page_number_ == 0) PrintPageHeader();
  if (print_.state().line_count > kPageBreakLine) PrintPageHeader();
  if (!unit_block_done_) {
    unit_block_done_ = true;
    PrintUnitLine();
  }
  const std::string lines = base::FormatParagraph(paragraph, -2, kReportWidth, "a");
  for (size_t at = 0; at < lines.size(); at += kReportWidth) {
    print_.SetJustification("A");
    print_.PrintText(kReportColumn, lines.substr(at, kReportWidth), 1);
  }
}

void ReportPages::EndUnitOutput() { print_.PrintText(0, "", 1); }

void ReportPages::PrintPageHeader() {
  ++page_number_;
  print_.StartPage(kPageLength);
  print_.PrintControl("@e");
  print_.PrintText(1, base::Company().fields[0], 0);
  print_.SetJustification("D");
  print_.PrintText(85, T("PÀGINA ") + base::FormatPicture("ZZZ9", page_number_), 2);
  const std::string title = T("INFORME DE SITUACIÓ A ") + base::FormatDate(report_date_, 0, "dma");
  print_.PrintText(static_cast<int16_t>(base::CenterColumn(title, kTitleWidth)), title, 2);
  print_.PrintControl("q");
  print_.PrintText(1, T("REBUT"), 0);
  print_.PrintText(18, T("ADREÇA"), 0);
  print_.PrintText(59, T("DEPARTAMENT"), 0);
  print_.PrintText(75, T("NOM"), 0);
  print_.PrintText(117, T("COM A"), 0);
  print_.PrintText(126, T("CONTRACTE"), 1);
  print_.PrintText(1, std::string(135, '-'), 1);
}

void ReportPages::PrintUnitLine() {
  const std::string digits = base::UnpackDigits(unit_.unit_key);
  print_.PrintText(1, digits.substr(1, 3) + digits.substr(5, 3), 0);
  print_.PrintText(18, unit_.address, 0);
  print_.PrintText(59, unit_.designation, 0);
  print_.PrintText(75, unit_.tenant, 0);
  const char* capacity = unit_.holder_code == '1'   ? "1 SUBR."
                         : unit_.holder_code == '2' ? "2 SUBR."
                                                    : "TITULAR";
  print_.PrintText(117, T(capacity), 0);
  print_.PrintText(126, base::FormatDate(unit_.contract_date, 0, "dma"), 2);
}

}  // namespace output
