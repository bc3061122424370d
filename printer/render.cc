#include "printer/render.h"

#include <hpdf.h>

#include <algorithm>
#include <array>

#include "base/codepage.h"

namespace printer {
namespace {

// Unicode of the WinAnsi bytes 0x80..0x9F; 0xA0..0xFF are Latin-1 itself.
constexpr std::array<char16_t, 32> kWinAnsiHigh = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void HPDF_STDCALL OnError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
  auto* message = static_cast<std::string*>(data);
  *message = "PDF error " + std::to_string(error) + " (" + std::to_string(detail) + ")";
}

}  // namespace

char WinAnsiOf(char cp850) {
  const char32_t u = base::Cp850ToUnicode(static_cast<unsigned char>(cp850));
  if (u < 0x80) return static_cast<char>(u < 0x20 ? ' ' : u);
  if (u >= 0xA0 && u <= 0xFF) return static_cast<char>(u);
  for (size_t i = 0; i < kWinAnsiHigh.size(); ++i) {
    if (kWinAnsiHigh[i] != 0 && kWinAnsiHigh[i] == u) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string RenderText(const std::vector<Page>& pages) {
  std::string out;
  for (size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) out += "\f";
    for (const auto& line : pages[p].lines) {
      std::string text;
      for (const Cell& c : line) text.push_back(static_cast<unsigned char>(c.character) < 32 ? ' ' : c.character);
      text.erase(text.find_last_not_of(' ') + 1);
      out += base::Cp850ToUtf8(text) + "\n";
    }
  }
  return out;
}

bool WritePdf(const std::vector<Page>& pages, const std::string& path, std::string* err) {
  std::string message;
  HPDF_Doc pdf = HPDF_New(OnError, &message);
  if (pdf == nullptr) {
    *err = "cannot start a PDF document";
    return false;
  }
  HPDF_Font fonts[4] = {
      HPDF_GetFont(pdf, "Courier", "WinAnsiEncoding"), HPDF_GetFont(pdf, "Courier-Bold", "WinAnsiEncoding"),
      HPDF_GetFont(pdf, "Courier-Oblique", "WinAnsiEncoding"),
      HPDF_GetFont(pdf, "Courier-BoldOblique", "WinAnsiEncoding")};
  constexpr float kMargin = 28;
  for (const Page& page : pages) {
    HPDF_Page p = HPDF_AddPage(pdf);
    const bool landscape = page.Width() > 100;
    HPDF_Page_SetSize(p, HPDF_PAGE_SIZE_A4, landscape ? HPDF_PAGE_LANDSCAPE : HPDF_PAGE_PORTRAIT);
    const float width = HPDF_Page_GetWidth(p), height = HPDF_Page_GetHeight(p);
    const int columns = landscape ? 136 : 96;
    const int length = page.length > 0 ? page.length : 66;
    const float font_size = std::min((width - 2 * kMargin) / (0.6f * columns), (height - 2 * kMargin) / length / 1.05f);
    const float leading = (height - 2 * kMargin) / length;
    const float advance = 0.6f * font_size;
    for (size_t row = 0; row < page.lines.size(); ++row) {
      const float y = height - kMargin - leading * (static_cast<float>(row) + 1);
      const auto& line = page.lines[row];
      // Runs of one font are written at once; the font is monospaced, so
      // the blanks inside a run keep every character in its column.
      size_t col = 0;
      while (col < line.size()) {
        const auto font_of = [](const Cell& c) {
          return ((c.emphasis & kBold) ? 1 : 0) + ((c.emphasis & kItalic) ? 2 : 0);
        };
        const int f = font_of(line[col]);
        std::string run;
        const size_t start = col;
        while (col < line.size() && font_of(line[col]) == f) run.push_back(WinAnsiOf(line[col++].character));
        if (run.find_first_not_of(' ') != std::string::npos) {
          HPDF_Page_BeginText(p);
          HPDF_Page_SetFontAndSize(p, fonts[f], font_size);
          HPDF_Page_TextOut(p, kMargin + advance * static_cast<float>(start), y, run.c_str());
          HPDF_Page_EndText(p);
        }
        for (size_t k = start; k < col; ++k) {
          if (!(line[k].emphasis & kUnderline)) continue;
          const float x = kMargin + advance * static_cast<float>(k);
          HPDF_Page_SetLineWidth(p, 0.5f);
          HPDF_Page_MoveTo(p, x, y - 1.5f);
          HPDF_Page_LineTo(p, x + advance, y - 1.5f);
          HPDF_Page_Stroke(p);
        }
      }
    }
  }
  if (pages.empty()) HPDF_AddPage(pdf);
  const HPDF_STATUS status = HPDF_SaveToFile(pdf, path.c_str());
  HPDF_Free(pdf);
  if (status != HPDF_OK) {
    *err = path + ": cannot be written" + (message.empty() ? "" : " (" + message + ")");
    return false;
  }
  return true;
}

}  // namespace printer
