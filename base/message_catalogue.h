// The program's texts in the session language.
//
// Every fixed text is written in Catalan and passed through Translate. The
// language file, KEPROOT + "LOCALE\" + catalogue name + ".LNG", holds entries
// of four comma-delimited fields: the Catalan text (the key, exactly as the
// program passes it), then the Galician, Aranese and Spanish texts. A field in
// double quotes may hold commas and leading blanks; blanks before a field are
// skipped; tabs and line feeds inside an unquoted field are dropped. The file
// is read afresh on every lookup (a changed file takes effect at once); the
// first matching entry wins; a missing file is created empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace base {

// The program identifier names the catalogue unless another name is set.
void SetProgramIdentifier(std::string_view identifier);
void SetCatalogueName(std::string_view name);

// text in code page 850. Catalan sessions get text back without the file
// being opened.
std::string Translate(std::string_view text);

// The entries of a language file's contents, in file order.
struct LanguageFileEntry {
  std::string catalan, galician, aranese, spanish;
};
std::vector<LanguageFileEntry> ParseLanguageFile(std::string_view contents);

}  // namespace base
