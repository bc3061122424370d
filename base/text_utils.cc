#include "base/text_utils.h"

#include <cstdlib>

#include "base/codepage.h"

namespace base {
namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 32; }
bool IsPrintable(char c) { return static_cast<unsigned char>(c) > 32; }

std::string& ValueStack() {
  static std::string stack;
  return stack;
}

std::string Trim(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string();
  return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

// Doubles blanks one at a time, left to right and round-robin over the gaps,
// until the line reaches its target length. The first two columns after the
// indent are never widened, so the "- " that opens a paragraph stays as it is.
void Justify(std::string* line, size_t skip, size_t target) {
  size_t from = skip + 2;
  while (line->size() < target) {
    size_t at = line->find(' ', from);
    if (at == std::string::npos) at = line->find(' ', skip);
    if (at == std::string::npos) return;
    line->insert(at, 1, ' ');
    from = at;
    while (from < line->size() && (*line)[from] == ' ') ++from;
  }
}

void Align(std::string* line, char mode, size_t target, size_t skip, bool more_follows) {
  const size_t free = line->size() < target ? target - line->size() : 0;
  switch (mode) {
    case 'E':
    case 'L':
    case 'I':
      line->append(free, ' ');
      break;
    case 'N':
      line->append(free, '-');
      break;
    case 'D':
    case 'R':
      line->insert(0, free, ' ');
      break;
    case 'C':
      line->insert(0, free / 2, ' ');
      line->append((free + 1) / 2, ' ');
      break;
    case 'A':
    case 'B':
      if (!more_follows) break;  // the paragraph's last line stays as it is
      if (line->find(' ', skip) != std::string::npos) Justify(line, skip, target);
      if (line->size() < target) line->append(target - line->size(), ' ');
      break;
    default:
      break;
  }
}

}  // namespace

std::string FormatParagraph(std::string_view text, int16_t indent, int width,
                            std::string_view mode) {
  const char m = mode.empty() ? ' ' : UpperCase850(mode[0]);
  const size_t hang = static_cast<size_t>(std::abs(static_cast<int>(indent)));
  const size_t len = text.size();
  size_t p = 0;  // 0-based position of the current line's first character
  int ind = indent > 0 ? indent : 0;
  std::string out;
  while (p < len) {
    int room = width - ind;
    if (room < 1) room = 1;  // a line always takes at least one character
    size_t s = 0;
    while (s < static_cast<size_t>(room) && p + s < len) {
      if (IsControl(text[p + s])) ++room;
      ++s;
    }
    if (s > 0 && IsPrintable(text[p + s - 1])) {
      while (p + s < len && IsControl(text[p + s])) {
        ++room;
        ++s;
      }
    }
    // The break: back to the blank before a word that would be cut.
    size_t b = static_cast<size_t>(room);
    if (p + b < len && IsPrintable(text[p + b])) {
      while (b > 0 && p + b < len && text[p + b] != ' ') {
        if (IsControl(text[p + b])) --room;
        --b;
      }
    }
    if (p + b >= len || IsControl(text[p + b])) {
      if (p + b > len) b = len - p;
      while (b > 0 && text[p + b - 1] == ' ') --b;
    }
    if (b < 1) b = std::min(static_cast<size_t>(room), len - p);  // a word longer than the line
    std::string line(static_cast<size_t>(ind), ' ');
    line.append(text.substr(p, b));
    size_t next = p + b;
    while (next < len && text[next] == ' ') ++next;
    Align(&line, m, static_cast<size_t>(ind + room), hang, next < len);
    out += line;
    p = next;
    ind = indent < 0 ? static_cast<int>(hang) : 0;
  }
  return out;
}

bool IsAllChar(std::string_view text, char code) {
  for (char c : text) {
    if (c != code) return false;
  }
  return true;
}

int CenterColumn(std::string_view text, int width) {
  return (width - static_cast<int>(text.size())) / 2;
}

std::string NameOrder(std::string_view name) {
  const std::string trimmed = Trim(name);
  const size_t star = trimmed.find('*');
  if (star == std::string::npos || star == 0) return trimmed;
  const std::string surname = Trim(trimmed.substr(0, star));
  const std::string forename = Trim(trimmed.substr(star + 1));
  const bool apostrophe = !trimmed.empty() && trimmed.back() == '\'';
  return forename + (apostrophe ? "" : " ") + surname;
}

void PushValue(std::string_view text) {
  std::string& stack = ValueStack();
  stack.append(text);
  const size_t n = text.size();
  stack.push_back(static_cast<char>(n & 0xFF));
  stack.push_back(static_cast<char>((n >> 8) & 0xFF));
}

std::string PopValue() {
  std::string& stack = ValueStack();
  if (stack.size() < 2) {
    stack.clear();
    return std::string();
  }
  const size_t n = static_cast<unsigned char>(stack[stack.size() - 2]) |
                   (static_cast<size_t>(static_cast<unsigned char>(stack.back())) << 8);
  if (n > stack.size() - 2) {  // a damaged stack gives what it can and empties
    stack.clear();
    return std::string();
  }
  std::string value = stack.substr(stack.size() - 2 - n, n);
  stack.resize(stack.size() - 2 - n);
  return value;
}

}  // namespace base
