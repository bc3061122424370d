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
#include <vector>

namespace base {

// The value, or the empty text when the file cannot be opened or the section
// or key is missing.
std::string IniRead(std::string_view path, std::string_view section, std::string_view key);

// A line of a section: "key=value", or a line without "=" (has_equals false,
// the line's text in key).
struct IniEntry {
  std::string key;
  std::string value;
  int line = 0;  // 1-based line number in the file
  bool has_equals = true;
};

// Every line of the first section of the name, in file order; empty when the
// file or the section is missing.
std::vector<IniEntry> IniSection(std::string_view path, std::string_view section);

}  // namespace base
