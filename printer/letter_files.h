// The device "CARTES:<folder>": each letter of a run of letters to a PDF of
// its own, named after the unit's receipt code ("V001001.pdf"), and an index
// of them for a mail merge or for e-mail, "index.csv" (UTF-8, a header row,
// then file, receipt code, tenant, increment in euros with a decimal point).
//
// Which lines of the print file are whose letter comes from the letter index
// "cartes.tmp" that mirtosek writes beside the print file (its layout is in
// output/letter_index.h). Pages before the first letter (all of them when the
// run made no letter, a report) go to "divivovi.pdf" in the folder.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "printer/print_commands.h"
#include "printer/render.h"

namespace printer {

struct IndexedLetter {
  int first_line = 0;   // of the print file
  std::string receipt;  // code page 850, as the rest
  std::string tenant;
  long increment = 0;  // hundredths of the euro
};

struct LetterIndex {
  int lines = 0;  // of the print file it belongs to
  std::vector<IndexedLetter> letters;
};

// Reads "cartes.tmp"; false with the reason (and the line) in *err.
[[nodiscard]] bool ParseLetterIndex(const std::string& text, LetterIndex* index, std::string* err);

// Writes the letters of the parsed print file into folder (made when
// missing). options gives the author and date; each PDF's title is the
// letter's own with its receipt code. Says on out what it wrote; false with
// the reason in *err when the index does not belong to the print file or a
// file cannot be written. *warning as for WritePdf.
[[nodiscard]] bool WriteLetterFiles(const ParseResult& print_file, const LetterIndex& index,
                                    const std::string& folder, const PdfOptions& options,
                                    std::ostream& out, std::string* err, std::string* warning);

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& utf8);

}  // namespace printer
