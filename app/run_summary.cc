#include "app/run_summary.h"

#include <cstdio>

namespace app {
namespace {

std::string Line(const char* label, long value, const char* remark = "") {
  char text[160];
  std::snprintf(text, sizeof text, "  %-42s %8ld%s\n", label, value, remark);
  return text;
}

}  // namespace

std::string FormatRunSummary(const RunCounts& c, RunMode run_mode, double seconds) {
  char heading[96];
  std::snprintf(heading, sizeof heading, "mirtosek: run summary, mode %s, %.2f s\n",
                RunModeLetter(run_mode), seconds);
  std::string s = heading;
  s += Line("units walked", c.units_walked);
  s += Line("selected by the key range", c.units_selected);
  s += Line("in the month window", c.units_in_window);
  s += Line("with paragraphs", c.units_with_paragraphs);
  s += Line("letters merged", c.letters_merged);
  if (c.letters_incomplete != 0)
    s += Line("letters incomplete: template unreadable", c.letters_incomplete);
  if (c.letters_not_text != 0)
    s += Line("letters garbled: template not code page 850", c.letters_not_text);
  s += Line("written back", c.units_written_back);
  if (c.units_previewed != 0) s += Line("previewed, nothing written", c.units_previewed);
  if (c.units_written_again != 0) {
    s += Line("written back before, same update date", c.units_written_again);
  }
  s += Line("skipped: buildings without owner", c.buildings_without_owner,
            "  (their units are not read)");
  s += Line("skipped: no price index", c.units_without_index);
  if (c.units_amounts_too_large != 0)
    s += Line("skipped: amounts too large", c.units_amounts_too_large);
  s += Line("skipped: record held by another station", c.units_held);
  if (c.rows_damaged != 0) s += Line("skipped: rows of the data files damaged", c.rows_damaged);
  if (c.units_not_written != 0)
    s += Line("not written: record error on write-back", c.units_not_written);
  if (c.units_after_failure != 0)
    s += Line("not written: the write-back had stopped", c.units_after_failure);
  if (!c.snapshot.empty())
    s += "  snapshot before the write-back              " + c.snapshot + "\n";
  return s;
}

}  // namespace app
