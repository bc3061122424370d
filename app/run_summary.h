// What a run did, counted as it goes and told on standard error at its end:
// how many units the walk read, how many the key range and the month window
// kept, what came out of them, and which were left out and why.
#pragma once

#include <string>

#include "app/run_mode.h"

namespace app {

struct RunCounts {
  long units_walked = 0;           // unit records read in the buildings of the range
  long units_selected = 0;         // of those, inside the key range
  long units_in_window = 0;        // anniversary month in the window, rent paid by receipts
  long units_with_paragraphs = 0;  // at least one report paragraph
  long letters_merged = 0;         // mode "C": letters printed whole
  long letters_incomplete = 0;     // letters due whose template could not be read
  long letters_not_text = 0;       // letters printed from a template that is not code page 850 text
  long units_written_back = 0;     // mode "A": unit and transition records rewritten
  long buildings_without_owner = 0;  // their units are not visited
  long units_without_index = 0;      // contract before 9 May 1985, no price index found
  long units_amounts_too_large = 0;  // receipt concepts beyond what the program computes with
  long units_held = 0;               // write-back refused: a record held by another station
  long units_not_written = 0;        // write-back refused for another record error
  long units_previewed = 0;          // preview of mode "A": units whose changes were listed
  long units_written_again = 0;      // already written back for the same update date
  std::string snapshot;              // mode "A": the snapshot taken before the first write
  long units_after_failure = 0;      // not written: an earlier write of the run failed
  std::string write_failure;         // the first failed write: unit, file and status
  long rows_damaged = 0;             // rows of the data files that are not records, skipped
};

// The summary: a heading with the run mode and the time, then one line per
// count.
std::string FormatRunSummary(const RunCounts& counts, RunMode run_mode, double seconds);

}  // namespace app
