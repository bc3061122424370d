#include "printer/font_subset.h"

#include <hpdf_font.h>
#include <hpdf_fontdef.h>
#include <hpdf_objects.h>

namespace printer {
namespace {

// TrueType numbers are big-endian.
uint32_t Be(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int k = 0; k < bytes; ++k)
    v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(k)]);
  return v;
}

// The offset of a table in the file, 0 when it has none.
size_t Table(const std::string& ttf, const char tag[4]) {
  if (ttf.size() < 12) return 0;
  const uint32_t tables = Be(ttf, 4, 2);
  for (uint32_t i = 0; i < tables; ++i) {
    const size_t entry = 12 + 16 * static_cast<size_t>(i);
    if (entry + 16 > ttf.size()) return 0;
    if (ttf.compare(entry, 4, tag, 4) == 0) {
      const uint32_t offset = Be(ttf, entry + 8, 4);
      return offset < ttf.size() ? offset : 0;
    }
  }
  return 0;
}

// Composite glyph flags of the 'glyf' table.
constexpr uint32_t kArgsAreWords = 0x0001;
constexpr uint32_t kScale = 0x0008;
constexpr uint32_t kMoreComponents = 0x0020;
constexpr uint32_t kXYScale = 0x0040;
constexpr uint32_t kTwoByTwo = 0x0080;

}  // namespace

std::vector<uint16_t> GlyphComponents(const std::string& ttf, uint16_t glyph) {
  std::vector<uint16_t> parts;
  const size_t head = Table(ttf, "head"), loca = Table(ttf, "loca"), glyf = Table(ttf, "glyf"),
               maxp = Table(ttf, "maxp");
  if (head == 0 || loca == 0 || glyf == 0 || maxp == 0 || head + 54 > ttf.size() ||
      maxp + 6 > ttf.size()) {
    return parts;
  }
  if (glyph >= Be(ttf, maxp + 4, 2)) return parts;
  const bool long_offsets = Be(ttf, head + 50, 2) != 0;
  const size_t entry = loca + static_cast<size_t>(glyph) * (long_offsets ? 4 : 2);
  if (entry + (long_offsets ? 8 : 4) > ttf.size()) return parts;
  const auto offset = [&](size_t at) { return long_offsets ? Be(ttf, at, 4) : 2 * Be(ttf, at, 2); };
  const size_t start = glyf + offset(entry), end = glyf + offset(entry + (long_offsets ? 4 : 2));
  if (end <= start + 10 || end > ttf.size()) return parts;
  if (static_cast<int16_t>(Be(ttf, start, 2)) >= 0) return parts;  // a simple glyph: contours
  size_t at = start + 10;
  for (;;) {
    if (at + 4 > end) break;
    const uint32_t flags = Be(ttf, at, 2);
    parts.push_back(static_cast<uint16_t>(Be(ttf, at + 2, 2)));
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    at += (flags & kScale) ? 2 : (flags & kXYScale) ? 4 : (flags & kTwoByTwo) ? 8 : 0;
    if (!(flags & kMoreComponents)) break;
  }
  return parts;
}

// The glyph table of libharu's TrueType font definition (hpdf_fontdef.h): one
// flag a glyph, 1 for those the subset holds.
void CompleteSubset(HPDF_Font font, const std::string& ttf) {
  if (font == nullptr) return;
  auto* font_attr = static_cast<HPDF_FontAttr>(font->attr);
  if (font_attr == nullptr || font_attr->fontdef == nullptr ||
      font_attr->fontdef->type != HPDF_FONTDEF_TYPE_TRUETYPE) {
    return;
  }
  auto* def = static_cast<HPDF_TTFontDefAttr>(font_attr->fontdef->attr);
  if (def == nullptr || def->glyph_tbl.flgs == nullptr) return;
  std::vector<uint16_t> pending;
  for (uint16_t g = 0; g < def->num_glyphs; ++g) {
    if (def->glyph_tbl.flgs[g] == 1) pending.push_back(g);
  }
  while (!pending.empty()) {
    const uint16_t g = pending.back();
    pending.pop_back();
    for (uint16_t part : GlyphComponents(ttf, g)) {
      if (part < def->num_glyphs && def->glyph_tbl.flgs[part] != 1) {
        def->glyph_tbl.flgs[part] = 1;
        pending.push_back(part);
      }
    }
  }
}

}  // namespace printer
