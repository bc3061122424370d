#include "printer/render.h"

#include <hpdf.h>

#include <algorithm>
#include <array>

#include "base/codepage.h"
#include "base/platform.h"
#include "printer/font_subset.h"

namespace printer {
namespace {

// Unicode of the WinAnsi bytes 0x80..0x9F; 0xA0..0xFF are Latin-1 itself.
constexpr std::array<char16_t, 32> kWinAnsiHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr float kPointsPerMm = 72.0f / 25.4f;
constexpr float kMargin = 15 * kPointsPerMm;
constexpr int kPortraitColumns = 96;
constexpr int kLandscapeColumns = 136;
constexpr int kDefaultLines = 66;
// Lines are at least this much taller than the font, so that accents and
// descenders of neighbouring lines do not touch.
constexpr float kLeadingToSize = 1.05f;
// Italic: the upright face slanted by about 12 degrees.
constexpr float kSlant = 0.21f;
// Below the baseline of DejaVu Sans Mono (235 of 1000 units): the lowest line
// of a page keeps its descenders inside the margin.
constexpr float kDescent = 0.235f;

const char* const kFontFiles[2] = {"DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf"};

void HPDF_STDCALL OnError(HPDF_STATUS error, HPDF_STATUS detail, void* data) {
  auto* message = static_cast<std::string*>(data);
  *message = "PDF error " + std::to_string(error) + " (" + std::to_string(detail) + ")";
}

// The PDF's text strings (title, author) in PDFDocEncoding, which agrees
// with Latin-1 for the letters of the four languages.
std::string PdfDocText(const std::string& cp850) {
  std::string out;
  for (char c : cp850) {
    const char32_t u = base::Cp850ToUnicode(static_cast<unsigned char>(c));
    out.push_back(u >= 0x20 && u < 0x7F    ? static_cast<char>(u)
                  : u >= 0xA1 && u <= 0xFF ? static_cast<char>(u)
                                           : ' ');
  }
  return out;
}

HPDF_Date PdfDate(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  const long offset = local.tm_gmtoff / 60;
  const long magnitude = offset < 0 ? -offset : offset;
  return HPDF_Date{local.tm_year + 1900,
                   local.tm_mon + 1,
                   local.tm_mday,
                   local.tm_hour,
                   local.tm_min,
                   local.tm_sec,
                   offset == 0  ? 'Z'
                   : offset < 0 ? '-'
                                : '+',
                   static_cast<HPDF_INT>(magnitude / 60),
                   static_cast<HPDF_INT>(magnitude % 60)};
}

// The faces of one document: regular and bold, embedded or standard.
struct Faces {
  HPDF_Font face[2] = {nullptr, nullptr};
  std::string file[2];  // the font files' bytes
  bool embedded = false;
  float advance = 0.6f;  // width of a character, in units of the font size
};

Faces LoadFaces(HPDF_Doc pdf, const std::string& font_dir, std::string* message,
                std::string* warning) {
  Faces f;
  if (HPDF_UseUTFEncodings(pdf) == HPDF_OK) {
    std::string dir = font_dir.empty() ? std::string(KEP_FONT_DIR) : font_dir;
    if (dir.back() != '/') dir += '/';
    for (int i = 0; i < 2; ++i) {
      const std::string path = dir + kFontFiles[i];
      if (base::ReadWholeFile(path, &f.file[i])) {
        const char* name = HPDF_LoadTTFontFromFile(pdf, path.c_str(), HPDF_TRUE);
        f.face[i] = name != nullptr ? HPDF_GetFont(pdf, name, "UTF-8") : nullptr;
      }
      if (f.face[i] == nullptr) {
        if (warning != nullptr)
          *warning = path + " cannot be loaded: the PDF uses the standard Courier font";
        break;
      }
    }
  }
  if (f.face[0] != nullptr && f.face[1] != nullptr) {
    f.embedded = true;
    f.advance =
        static_cast<float>(
            HPDF_Font_TextWidth(f.face[0], reinterpret_cast<const HPDF_BYTE*>("M"), 1).width) /
        1000;
    return f;
  }
  HPDF_ResetError(pdf);
  message->clear();
  f.face[0] = HPDF_GetFont(pdf, "Courier", "WinAnsiEncoding");
  f.face[1] = HPDF_GetFont(pdf, "Courier-Bold", "WinAnsiEncoding");
  f.advance = 0.6f;
  return f;
}

std::string Drawn(const Faces& faces, const std::string& cp850) {
  if (faces.embedded) return base::Cp850ToUtf8(cp850);
  std::string out;
  for (char c : cp850) out.push_back(WinAnsiOf(c));
  return out;
}

// The character grid of one page, in points from the page's lower left corner.
struct Grid {
  float left = 0;
  float top = 0;  // the upper edge of the first line
  float column = 0;
  float leading = 0;
  float size = 0;
};

Grid GridOf(HPDF_Page p, int columns, int lines, float advance) {
  const float width = HPDF_Page_GetWidth(p) - 2 * kMargin;
  const float height = HPDF_Page_GetHeight(p) - 2 * kMargin;
  Grid g;
  g.leading = height / static_cast<float>(lines);
  g.size = std::min(width / (advance * static_cast<float>(columns)), g.leading / kLeadingToSize);
  g.column = advance * g.size;
  // A page whose lines limit the size keeps its columns centred between the margins.
  g.left = kMargin + (width - g.column * static_cast<float>(columns)) / 2;
  g.top = HPDF_Page_GetHeight(p) - kMargin;
  return g;
}

void DrawPage(HPDF_Page p, const Page& page, const Faces& faces) {
  const bool landscape = page.Width() > 100;
  HPDF_Page_SetSize(p, HPDF_PAGE_SIZE_A4, landscape ? HPDF_PAGE_LANDSCAPE : HPDF_PAGE_PORTRAIT);
  const Grid g = GridOf(p, landscape ? kLandscapeColumns : kPortraitColumns,
                        page.length > 0 ? page.length : kDefaultLines, faces.advance);
  for (size_t row = 0; row < page.lines.size(); ++row) {
    const float y = g.top - g.leading * static_cast<float>(row + 1) + kDescent * g.size;
    const auto& line = page.lines[row];
    // Runs of one face are written at once; the font is monospaced, so the
    // blanks inside a run keep every character in its column.
    size_t col = 0;
    while (col < line.size()) {
      const uint8_t style = line[col].emphasis & (kBold | kItalic);
      std::string run;
      const size_t start = col;
      while (col < line.size() && (line[col].emphasis & (kBold | kItalic)) == style) {
        run.push_back(line[col++].character);
      }
      const float x = g.left + g.column * static_cast<float>(start);
      if (run.find_first_not_of(' ') != std::string::npos) {
        HPDF_Page_BeginText(p);
        HPDF_Page_SetFontAndSize(p, faces.face[(style & kBold) ? 1 : 0], g.size);
        HPDF_Page_SetTextMatrix(p, 1, 0, (style & kItalic) ? kSlant : 0, 1, x, y);
        HPDF_Page_ShowText(p, Drawn(faces, run).c_str());
        HPDF_Page_EndText(p);
      }
      for (size_t k = start; k < col; ++k) {
        if (!(line[k].emphasis & kUnderline)) continue;
        const float ux = g.left + g.column * static_cast<float>(k);
        HPDF_Page_SetLineWidth(p, 0.05f * g.size);
        HPDF_Page_MoveTo(p, ux, y - 0.12f * g.size);
        HPDF_Page_LineTo(p, ux + g.column, y - 0.12f * g.size);
        HPDF_Page_Stroke(p);
      }
    }
  }
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
      for (const Cell& c : line)
        text.push_back(static_cast<unsigned char>(c.character) < 32 ? ' ' : c.character);
      text.erase(text.find_last_not_of(' ') + 1);
      out += base::Cp850ToUtf8(text) + "\n";
    }
  }
  return out;
}

std::string TitleOf(const std::vector<Page>& pages, const std::string& author) {
  if (pages.empty()) return std::string();
  for (const auto& line : pages.front().lines) {
    std::string text;
    for (const Cell& c : line) {
      const bool blank = c.character == ' ' || static_cast<unsigned char>(c.character) < 32;
      if (!blank)
        text.push_back(c.character);
      else if (!text.empty() && text.back() != ' ')
        text.push_back(' ');
    }
    if (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty() || (!author.empty() && text.rfind(author, 0) == 0)) continue;
    return text;
  }
  return std::string();
}

constexpr size_t kPagesOfOneNode = 32767;

bool WritePdf(const std::vector<Page>& pages, const PdfOptions& options, const std::string& path,
              std::string* err, std::string* warning) {
  std::string message;
  HPDF_Doc pdf = HPDF_New(OnError, &message);
  if (pdf == nullptr) {
    *err = "cannot start a PDF document";
    return false;
  }
  HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
  const Faces faces = LoadFaces(pdf, options.font_dir, &message, warning);
  if (!options.title.empty())
    HPDF_SetInfoAttr(pdf, HPDF_INFO_TITLE, PdfDocText(options.title).c_str());
  if (!options.author.empty())
    HPDF_SetInfoAttr(pdf, HPDF_INFO_AUTHOR, PdfDocText(options.author).c_str());
  HPDF_SetInfoAttr(pdf, HPDF_INFO_CREATOR, "divivovi");
  HPDF_SetInfoDateAttr(pdf, HPDF_INFO_CREATION_DATE, PdfDate(options.created));
  // One node of the page tree holds at most 32,767 pages: a longer document
  // gets intermediate nodes (documents that fit keep their flat tree).
  if (pages.size() > kPagesOfOneNode) HPDF_SetPagesConfiguration(pdf, kPagesOfOneNode);
  for (const Page& page : pages) DrawPage(HPDF_AddPage(pdf), page, faces);
  if (pages.empty()) HPDF_AddPage(pdf);
  if (faces.embedded) {
    for (int i = 0; i < 2; ++i) CompleteSubset(faces.face[i], faces.file[i]);
  }
  const HPDF_STATUS status = HPDF_SaveToFile(pdf, path.c_str());
  HPDF_Free(pdf);
  const bool synced = status == HPDF_OK && base::SyncToDisk(path);
  if (status == HPDF_OK && !synced) message = "the disk did not take it";
  if (!synced) {
    *err = path + ": cannot be written" + (message.empty() ? "" : " (" + message + ")");
    return false;
  }
  return true;
}

}  // namespace printer
