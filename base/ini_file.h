// The INI reader of the suite's settings files ("Sessio.ini", "VornTerm.ini",
// "Vorn.ini").
//
// No cache: every call opens the file, scans it from the top and closes it.
// Syntax: ";" starts a comment anywhere on a line (inside quotes too); leading
// blanks are dropped; "[name]" opens a section; inside a section "key=value"
// is an entry whose key loses its trailing blanks and whose value is kept
// exactly as written (blanks after "=" included). Names compare without
// regard to case. Only the first section of a name is searched. A value
// enclosed in double quotes loses them.
#pragma once

#include <string>
#include <string_view>

namespace base {

// The value, or the empty text when the file cannot be opened or the section
// or key is missing.
std::string IniRead(std::string_view path, std::string_view section, std::string_view key);

}  // namespace base
