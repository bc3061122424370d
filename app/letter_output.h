// The unit output of run mode "C": for each unit with paragraphs its merge
// data ("merge.tmp"), and its letter merged from the template when the run
// asks for letters of its kind (output/merge_data.h).
#pragma once

#include "app/unit_output.h"
#include "output/merge_data.h"
#include "output/template_merge.h"

namespace app {

class LetterOutput : public UnitOutput {
 public:
  // The letters are printed into print; counts, when given, gathers the
  // letters merged and those left incomplete.
  LetterOutput(const RunParameters& params, output::PrintFile& print, RunCounts* counts)
      : counts_(counts),
        engine_(print),
        letters_(output::LetterRules{params.template_name, params.letters_housing,
                                     params.letters_premises_s, params.letters_premises_n},
                 engine_) {}
  void BeginUnit(const RecordBuffers& records, const lease::LeaseFacts& facts,
                 const lease::UpdateResult& result) override;
  void Paragraph(const std::string& text) override;
  void EndUnit() override;

 private:
  RunCounts* counts_;
  output::TemplateMerge engine_;  // prints the letters
  output::MergeData letters_;
  output::MergeValues merge_;  // of the unit in hand, written with its first paragraph
  bool started_ = false;       // the unit in hand has had a paragraph
};

// The merge fields of the unit's letter.
output::MergeValues MergeValuesOf(const RecordBuffers& records, const lease::LeaseFacts& facts,
                                  const lease::UpdateResult& result);

}  // namespace app
