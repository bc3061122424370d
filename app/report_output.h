// The unit output of run modes "I" and "A": the situation report's pages.
#pragma once

#include "app/lease_handler.h"
#include "output/report_pages.h"

namespace app {

class ReportOutput : public UnitOutput {
 public:
  explicit ReportOutput(const RunParameters& params) : pages_(params.run_mode, params.report_date) {}
  void BeginUnit(const RecordBuffers& records, const lease::LeaseFacts& facts) override;
  void Paragraph(const std::string& text) override { pages_.PrintParagraph(text); }
  void EndUnit() override {
    if (pages_.unit_block_done()) pages_.EndUnitOutput();
  }

 private:
  output::ReportPages pages_;
};

// The unit's address line: its own when the building's type byte is "P".
std::string UnitAddress(const RecordBuffers& records);

}  // namespace app
