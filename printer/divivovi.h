// The print program DIVIVOVI: renders a print command file into a PDF and a
// UTF-8 text file. Started without arguments (as the suite starts it) it
// reads KEPTMP + "divivovi.tmp" and writes where its DEVICE line says.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace printer {

struct Outputs {
  std::string pdf;      // empty: no PDF
  std::string text;     // empty: no text
  std::string letters;  // a folder for one PDF per letter; empty: none
};

// The outputs a DEVICE text names, for an input file in directory dir:
//   "" or "PDF" (or anything else)  dir/divivovi.pdf and dir/divivovi.txt
//   "PDF:<path>"                     <path> and <path> with ".txt"
//   "TXT:<path>"                     text only, to <path>
//   "CARTES:<folder>"                one PDF per letter and index.csv in
//                                    <folder> (printer/letter_files.h)
//   "NUL"                            nothing
Outputs OutputsForDevice(const std::string& device, const std::string& dir);

// Exit status: 0 when the outputs were written; 1 when the print file cannot
// be read or an output cannot be written. Malformed lines are reported and
// skipped.
int RunDivivovi(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace printer
