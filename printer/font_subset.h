// Completes libharu's subset of an embedded TrueType font.
//
// libharu embeds only the glyphs a document uses. Drawn through a Unicode
// (CID) font, it marks the glyphs of the characters but not the parts of a
// composite glyph: DejaVu Sans Mono Bold builds "ó" from "o" and an acute
// accent, and without the accent in the subset the PDF shows a bare "o". Before
// the document is saved, CompleteSubset marks the components of every used
// composite glyph, read from the font file itself.
#pragma once

#include <hpdf.h>

#include <cstdint>
#include <string>
#include <vector>

namespace printer {

// The glyphs that a glyph of a TrueType font is made of (empty for a simple
// glyph or one the file does not hold). ttf holds the whole font file.
std::vector<uint16_t> GlyphComponents(const std::string& ttf, uint16_t glyph);

// Marks, in the subset of font (loaded from ttf, embedded), the components of
// every marked glyph, and theirs in turn.
void CompleteSubset(HPDF_Font font, const std::string& ttf);

}  // namespace printer
