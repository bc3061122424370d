#include "base/ini_file.h"

#include <fstream>

#include "base/codepage.h"
#include "base/platform.h"

namespace base {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool NamesMatch(std::string_view a, std::string_view b) {
  return UpperCase850(a) == UpperCase850(b);
}

// The line without its comment, its line end and its leading blanks.
std::string_view CleanLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const size_t semi = line.find(';');
  if (semi != std::string_view::npos) line = line.substr(0, semi);
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return line;
}

std::string_view SectionName(std::string_view header) {
  header.remove_prefix(1);  // "["
  const size_t close = header.find(']');
  if (close != std::string_view::npos) header = header.substr(0, close);
  return TrimBlanks(header);
}

std::string StripQuotes(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Calls visit(key, value, line number, has_equals) for each non-blank line of
// the first section of the name, until visit returns false.
template <typename Visit>
void VisitSection(std::string_view path, std::string_view section, Visit visit) {
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return;
  const std::string_view want_section = TrimBlanks(section);
  bool in_section = false;
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    const std::string_view line = CleanLine(raw);
    if (TrimBlanks(line).empty()) continue;
    if (line.front() == '[') {
      if (in_section) return;  // the wanted section has ended
      in_section = NamesMatch(SectionName(line), want_section);
      continue;
    }
    if (!in_section) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      if (!visit(TrimBlanks(line), std::string(), number, false)) return;
      continue;
    }
    std::string_view entry_key = line.substr(0, eq);
    while (!entry_key.empty() && entry_key.back() == ' ') entry_key.remove_suffix(1);
    if (!visit(entry_key, StripQuotes(std::string(line.substr(eq + 1))), number, true)) return;
  }
}

}  // namespace

std::string IniRead(std::string_view path, std::string_view section, std::string_view key) {
  const std::string_view want_key = TrimBlanks(key);
  std::string found;
  VisitSection(path, section,
               [&](std::string_view entry_key, std::string value, int, bool has_equals) {
                 if (!has_equals || !NamesMatch(entry_key, want_key)) return true;
                 found = std::move(value);
                 return false;
               });
  return found;
}

std::vector<IniEntry> IniSection(std::string_view path, std::string_view section) {
  std::vector<IniEntry> entries;
  VisitSection(path, section,
               [&](std::string_view key, std::string value, int line, bool has_equals) {
                 entries.push_back({std::string(key), std::move(value), line, has_equals});
                 return true;
               });
  return entries;
}

}  // namespace base
