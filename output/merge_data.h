// The merge data of a unit's letter (run mode "C") and the letter decision.
//
// "merge.tmp" in the temporary directory holds 22 fields in a fixed order,
// each a name line (byte 127, the name, CR LF) and the value ended by byte
// 255 and CR LF: "MEM1".."MEM8" the company, "FEC0", "FEC1", "FECHA",
// "FEC3", "FEC4" the report date in several forms (lower case), "DES0".."DES5"
// the unit and its tenant, "INCACT" the increment, "MESACT" the month of the
// update, and "RELACT": byte 1, then the unit's paragraphs as 80-column lines
// after 10 blanks. A letter is merged for the units whose letter case (which
// the lease engine gives) the run asks for.
#pragma once

#include <fstream>
#include <string>

#include "base/dates.h"
#include "lease/letter_case.h"

namespace output {

class TemplateMerge;

struct MergeValues {
  base::PackedDate report_date;
  std::string unit_key;     // 4 packed bytes
  std::string tenant;       // 30, surname*forename
  std::string street;       // 30, the unit's own when the building is of type "P"
  std::string designation;  // 10
  std::string address2;     // 30
  std::string address3;     // 30
  double increment = 0;     // hundredths, per receipt
  base::PackedDate update_date;
  lease::LetterCase letter_case = lease::LetterCase::kNone;
};

struct LetterRules {
  std::string template_name;
  bool housing = false;     // run parameter line 10
  bool premises_s = false;  // line 11
  bool premises_n = false;  // line 12
};

class MergeData {
 public:
  // merge: the engine that prints the letters; it must outlive the data.
  MergeData(LetterRules rules, TemplateMerge& merge) : rules_(std::move(rules)), merge_(merge) {}
  // Creates the file and writes fields 1 to 21 and the start of "RELACT".
  void Write(const MergeValues& values);
  void AddParagraph(const std::string& paragraph);
  // Ends "RELACT", closes the file and merges the letter when it is due.
  void Finish();

  bool LetterDue() const;
  std::string Path() const;

 private:
  LetterRules rules_;
  TemplateMerge& merge_;
  MergeValues values_;
  std::string receipt_;  // "DES0"
  std::string tenant_;   // "DES1"
  std::string pending_;  // the merge data of the unit in hand, written by Finish
  bool open_ = false;
};

// A value as the merge file carries it: bytes 127 and 255 and line ends,
// which would end it early or forge a field, become blanks.
std::string MergeValue(std::string value);

// "FEC3" and "FEC4": the long date with the day (and the year) in words.
std::string DateWithDayInWords(const base::PackedDate& date, bool year_in_words);

}  // namespace output
