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

}  // namespace

std::string IniRead(std::string_view path, std::string_view section, std::string_view key) {
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return std::string();
  const std::string_view want_section = TrimBlanks(section);
  const std::string_view want_key = TrimBlanks(key);
  bool in_section = false;
  std::string raw;
  while (std::getline(in, raw)) {
    const std::string_view line = CleanLine(raw);
    if (TrimBlanks(line).empty()) continue;
    if (line.front() == '[') {
      if (in_section) return std::string();  // the wanted section has ended
      in_section = NamesMatch(SectionName(line), want_section);
      continue;
    }
    if (!in_section) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view entry_key = line.substr(0, eq);
    while (!entry_key.empty() && entry_key.back() == ' ') entry_key.remove_suffix(1);
    if (NamesMatch(entry_key, want_key)) return StripQuotes(std::string(line.substr(eq + 1)));
  }
  return std::string();
}

}  // namespace base
