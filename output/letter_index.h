// The letters of a run, told to the print program, whose device "CARTES:"
// writes each letter to a file of its own: "cartes.tmp" in the temporary
// directory, beside the print file, written when the print file is closed.
//
// Code page 850, one line per record, fields separated by a TAB, CR LF:
//   "CARTES" TAB lines                the print file's number of lines (the
//                                     DEVICE line is line 1): an index of
//                                     another print file is not used
//   first TAB receipt TAB tenant TAB increment
//                                     one line per letter merged, in order:
//                                     the print file line its commands start
//                                     at, the receipt code ("DES0", V and six
//                                     digits), the tenant ("DES1") and the
//                                     increment in hundredths of the euro
// A run that merges no letter writes the first line alone.
#pragma once

#include <string>
#include <vector>

namespace output {

// The letters of one print file (output/print_output.h holds it).
class LetterIndex {
 public:
  // Records a letter whose commands start at line first_line of the print file.
  void Add(long first_line, const std::string& receipt, const std::string& tenant,
           long increment_hundredths);
  void Clear() { letters_.clear(); }

  // Writes the index of a print file of print_file_lines lines and forgets
  // the letters; false with the reason in *err when it cannot be written.
  [[nodiscard]] bool Write(long print_file_lines, std::string* err);

 private:
  struct IndexedLetter {
    long first_line;
    std::string fields;  // receipt TAB tenant TAB increment
  };
  std::vector<IndexedLetter> letters_;
};

}  // namespace output
