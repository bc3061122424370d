// The two renderings of laid-out pages: UTF-8 text (pages separated by a form
// feed, trailing blanks dropped) and PDF (Courier in the WinAnsi encoding,
// bold, italic and underline as marked; a page wider than 100 columns is
// printed on landscape A4, others on portrait A4).
#pragma once

#include <string>
#include <vector>

#include "printer/page_layout.h"

namespace printer {

std::string RenderText(const std::vector<Page>& pages);

// False with the reason in *err when the PDF cannot be written.
[[nodiscard]] bool WritePdf(const std::vector<Page>& pages, const std::string& path, std::string* err);

// The WinAnsi byte of a code page 850 character ("?" when it has none).
char WinAnsiOf(char cp850);

}  // namespace printer
