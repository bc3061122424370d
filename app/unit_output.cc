#include "app/unit_output.h"

#include "app/letter_output.h"
#include "app/report_output.h"
#include "storage/record_layouts.h"

namespace app {
namespace {

// Mode "A" prints nothing: its paragraphs go nowhere.
class SilentOutput : public UnitOutput {
 public:
  void BeginUnit(const RecordBuffers&, const lease::LeaseFacts&,
                 const lease::UpdateResult&) override {}
  void Paragraph(const std::string&) override {}
  void EndUnit() override {}
};

}  // namespace

std::unique_ptr<UnitOutput> MakeUnitOutput(const RunParameters& params, output::PrintFile& print,
                                           RunCounts* counts) {
  switch (params.run_mode) {
    case RunMode::kReport:
      return std::make_unique<ReportOutput>(print, params.report_date);
    case RunMode::kLetters:
      return std::make_unique<LetterOutput>(params, print, counts);
    case RunMode::kWriteBack:
      break;
  }
  return std::make_unique<SilentOutput>();
}

std::string UnitAddress(const RecordBuffers& r) {
  if (storage::GetText(r.building, storage::building::kType) == "P") {
    return storage::GetText(r.unit, storage::unit::kStreet);
  }
  return storage::GetText(r.building, storage::building::kStreet);
}

}  // namespace app
