// The unit output of run mode "I": the situation report's pages, one
// identification line per unit and the unit's paragraphs.
#pragma once

#include "app/unit_output.h"
#include "output/report_pages.h"

namespace app {

class ReportOutput : public UnitOutput {
 public:
  // The pages are printed into print.
  ReportOutput(output::PrintFile& print, const base::PackedDate& report_date)
      : pages_(print, report_date) {}
  void BeginUnit(const RecordBuffers& records, const lease::LeaseFacts& facts,
                 const lease::UpdateResult& result) override;
  void Paragraph(const std::string& text) override { pages_.PrintParagraph(text); }
  void EndUnit() override;

 private:
  output::ReportPages pages_;
};

}  // namespace app
