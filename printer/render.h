// The two renderings of laid-out pages: UTF-8 text (pages separated by a form
// feed, trailing blanks dropped) and PDF.
//
// The PDF is A4 with margins of 15 mm on every side; a page wider than 100
// columns is printed landscape (136 columns across), others portrait (96
// columns across, the grid of the suite's letters). Every character sits in
// its column: the font is monospaced, DejaVu Sans Mono from the Debian package
// fonts-dejavu-core, embedded (the used glyphs only), with its bold face for
// bold; italic is the same face slanted. Code page 850 text is drawn through
// Unicode, so every character of the page has its glyph. Without the font
// files the PDF falls back to the standard Courier in the WinAnsi encoding.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "printer/page_layout.h"

namespace printer {

std::string RenderText(const std::vector<Page>& pages);

struct PdfOptions {
  std::string title;   // code page 850; empty: none
  std::string author;  // code page 850; empty: none
  std::time_t created = 0;
  // The folder of DejaVuSansMono.ttf and DejaVuSansMono-Bold.ttf; empty: the
  // folder of the Debian package, as set at build time (KEP_FONT_DIR).
  std::string font_dir;
};

// False with the reason in *err when the PDF cannot be written. When the font
// files cannot be loaded the PDF is written with Courier and *warning says
// why (warning may be null).
[[nodiscard]] bool WritePdf(const std::vector<Page>& pages, const PdfOptions& options,
                            const std::string& path, std::string* err,
                            std::string* warning = nullptr);

// The WinAnsi byte of a code page 850 character ("?" when it has none), for
// the Courier fallback.
char WinAnsiOf(char cp850);

// The document's title as the print program gives it: the first line of the
// first page that holds text and does not begin with the author's name (the
// report's and the letters' pages begin with company field 1), its blanks
// closed up. Empty when there is none.
std::string TitleOf(const std::vector<Page>& pages, const std::string& author);

}  // namespace printer
