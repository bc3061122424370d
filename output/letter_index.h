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

namespace output {

// Records a letter whose commands start at the next line of the print file.
void AddLetterToIndex(const std::string& receipt, const std::string& tenant,
                      long increment_hundredths);

// Writes the index of the letters recorded since the print file was opened;
// false with the reason in *err when it cannot be written.
[[nodiscard]] bool WriteLetterIndex(std::string* err);

}  // namespace output
