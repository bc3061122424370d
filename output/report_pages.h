// The pages of the situation report (run mode "I"): a header on every page
// (the company, the page number, the dated title, the column captions and a
// rule), one identification line per unit and the unit's paragraphs, broken
// into justified lines of 110 columns from column 16. Pages are 66 lines; a
// paragraph that comes when more than 60 lines stand on the page starts a
// new one.
#pragma once

#include <string>
#include <utility>

#include "base/dates.h"
#include "output/print_output.h"

namespace output {

// The unit's identification under the captions.
struct UnitLine {
  std::string unit_key;     // 4 packed bytes: building and unit code
  std::string address;      // 30 characters
  std::string designation;  // 10 characters
  std::string tenant;       // 30 characters
  char holder_code = 'T';   // "T", "1" or "2"
  base::PackedDate contract_date;
};

class ReportPages {
 public:
  // print must outlive the pages.
  ReportPages(PrintFile& print, base::PackedDate report_date)
      : print_(print), report_date_(std::move(report_date)) {}

  // Before a unit's paragraphs: its line is printed with its first paragraph.
  void BeginUnit(const UnitLine& line);
  void PrintParagraph(const std::string& paragraph);
  // After the unit's last paragraph: one empty line.
  void EndUnitOutput();

  bool unit_block_done() const { return unit_block_done_; }
  int page_number() const { return page_number_; }

 private:
  void PrintPageHeader();
  void PrintUnitLine();

  PrintFile& print_;
  base::PackedDate report_date_;
  UnitLine unit_;
  bool unit_block_done_ = false;
  int page_number_ = 0;
};

inline constexpr int kPageLength = 66;
inline constexpr int kPageBreakLine = 60;
inline constexpr int kTitleWidth = 96;
inline constexpr int kReportWidth = 110;
inline constexpr int kReportColumn = 16;

}  // namespace output
