// What a golden case compares with one of its expected files, read from the
// run folder after the run. A view is written as words:
//
//   <path>                         the file of the run folder as it is
//   without-device-line <path>     the print command file without its first
//                                  line, the DEVICE line
//   pdf-text <pdf> [<page>]        pdftotext -layout of the PDF, or of one page
//   pdf-fonts-info <pdf>           pdffonts without its object numbers, then
//                                  pdfinfo's Title, Author, Pages, Page size
//   pdf-listing <folder>           the folder's file names, sorted, each PDF
//                                  followed by pdfinfo's Title, Author, Pages
//
// Paths are relative to the run folder.
#pragma once

#include <string>

namespace golden {

// The bytes of the view in *bytes. False, with *err, when the view is not
// one of the above or its file was not made.
[[nodiscard]] bool MakeView(const std::string& view, const std::string& run_dir, std::string* bytes,
                            std::string* err);

}  // namespace golden
