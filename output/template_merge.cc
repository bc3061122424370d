#include "output/template_merge.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/platform.h"
#include "base/session_settings.h"
#include "base/text_utils.h"
#include "output/print_output.h"

namespace output {
namespace {

constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxFormats = 9;

struct LineFormat {
  int16_t left = 1;
  int16_t right = 95;
  int16_t indent = 0;
  char alignment = 'I';
};

// A template's number, as atoi reads it, held within what a page can use:
// "@.-2147483648" or "@P99999999999" must not overflow the arithmetic.
int Number(std::string_view s) {
  const long v = std::strtol(std::string(s).c_str(), nullptr, 10);
  return static_cast<int>(std::clamp(v, -9999L, 9999L));
}

std::string RightTrim(std::string_view s) {
  const size_t e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string Trim(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string() : RightTrim(s.substr(b));
}

bool IsNameChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char b[4];
  for (char c : bytes) {
    std::snprintf(b, sizeof b, "%s%02X", out.empty() ? "" : " ", static_cast<unsigned char>(c));
    out += b;
  }
  return out;
}

}  // namespace

// What the engine keeps from one template to the next: the letter in
// progress (its line formats, pages and includes) and what was said.
struct TemplateMerge::State {
  std::array<LineFormat, 10> formats;
  int16_t letter_page_count = 0;
  int depth = 0;
  std::vector<std::string> in_progress;  // upper-cased names of the templates being printed
  long read_failures = 0;
  long text_faults = 0;
  bool letter_has_fault = false;  // the letter in hand met a line that is not text
  // Said once per template, not once for every letter of the run.
  std::set<std::string> said_unreadable;
  std::set<std::string> said_not_text;
};

// One call's template state.
class TemplateMerge::Letter {
 public:
  Letter(TemplateMerge& engine, std::string merge_file)
      : engine_(engine), state_(*engine.state_), merge_file_(std::move(merge_file)) {}

  void Run(const std::string& path, std::string_view name);

 private:
  void Directive(const std::string& line, std::string_view name);
  void Include(const std::string& line);
  void Position(const std::string& trimmed);
  std::vector<std::string> Substitute(std::string text);
  bool FindField(const std::string& name, std::vector<std::string>* values);
  void PrintLine(std::string line);
  void WriteSegment(std::string segment, char alignment, int16_t right, bool ends_line);
  void StartLetterPage();
  void ReportNonText(const std::string& path, size_t line_number, const std::string& line);

  TemplateMerge& engine_;
  State& state_;
  std::string merge_file_;
  std::vector<std::string> merge_lines_;
  bool merge_loaded_ = false;
  int16_t page_length_ = 66;
  int16_t top_margin_ = 0;
  std::string heading_;
  int format_count_ = 0;
  bool scrambled_ = false;
  int current_format_ = 0;
};

// Said once per template, not once for every letter of the run.
void TemplateMerge::Letter::ReportNonText(const std::string& path, size_t line_number,
                                          const std::string& line) {
  size_t column = 0;
  std::string why;
  if (!FindNonText(line, &column, &why)) return;
  state_.letter_has_fault = true;
  if (!state_.said_not_text.insert(path).second) return;
  std::fprintf(stderr, "mirtosek: template %s, line %zu, column %zu: not code page 850 text: %s\n",
               base::Cp850ToUtf8(base::ResolvePath(path)).c_str(), line_number, column,
               why.c_str());
}

void TemplateMerge::Letter::Run(const std::string& path, std::string_view name) {
  std::string text;
  if (!base::ReadWholeFile(path, &text)) {
    ++state_.read_failures;
    if (state_.said_unreadable.insert(path).second) {
      std::fprintf(stderr, "mirtosek: template %s cannot be read\n",
                   base::Cp850ToUtf8(base::ResolvePath(path)).c_str());
    }
    return;
  }
  size_t line_number = 0;
  for (std::string line : Lines(text)) {
    ++line_number;
    if (!line.empty() && static_cast<unsigned char>(line[0]) == 127) {
      ReportNonText(path, line_number, line);
      Directive(line, name);
      continue;
    }
    if (line.rfind("@+", 0) == 0 || line.rfind("#+", 0) == 0) {
      ReportNonText(path, line_number, line);
      Include(line);
      continue;
    }
    if (scrambled_) {
      for (char& c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b > 32 && b < 223) c = static_cast<char>(255 - b);
      }
    }
    ReportNonText(path, line_number, line);
    const size_t first = line.find_first_not_of(' ');
    const std::string trimmed = first == std::string::npos ? std::string() : line.substr(first);
    if (trimmed.rfind("@.", 0) == 0 || trimmed.rfind("#.", 0) == 0) {
      Position(trimmed);
      continue;
    }
    std::vector<std::string> out{line};
    if (!merge_file_.empty() && line.find_first_of("@#") != std::string::npos)
      out = Substitute(line);
    for (const std::string& l : out) PrintLine(l);
  }
}

void TemplateMerge::Letter::Directive(const std::string& line, std::string_view name) {
  const char kind = line.size() > 1 ? line[1] : ' ';
  const std::string rest = line.size() > 2 ? line.substr(2) : std::string();
  switch (kind) {
    case 'P':
      page_length_ = static_cast<int16_t>(Number(rest));
      return;
    case 'S':
      top_margin_ = static_cast<int16_t>(Number(rest));
      return;
    case 'L':
      heading_ = rest;
      return;
    case 'A':
    case 'T':
      return;
    case 'C':
      scrambled_ = rest.empty();
      return;
    default:
      break;
  }
  if (++format_count_ > kMaxFormats) {
    std::fprintf(stderr, "mirtosek: template %s: more than %d line formats, the rest ignored\n",
                 base::Cp850ToUtf8(name).c_str(), kMaxFormats);
    return;
  }
  auto field = [&](size_t at, size_t width) {
    return at < line.size() ? line.substr(at, width) : std::string();
  };
  LineFormat& f = state_.formats[static_cast<size_t>(format_count_)];
  f.left = static_cast<int16_t>(Number(field(1, 2)));
  f.right = static_cast<int16_t>(Number(field(3, 2)));
  f.indent = static_cast<int16_t>(Number(field(5, 3)));
  f.alignment = line.back();
}

void TemplateMerge::Letter::Include(const std::string& line) {
  size_t end = 2;
  while (end < line.size()) {
    const auto c = static_cast<unsigned char>(line[end]);
    if (c == '"' || c > 126 ||
        std::string_view(" *+,./:;<=>?[\\]|").find(static_cast<char>(c)) != std::string_view::npos)
      break;
    ++end;
  }
  const bool new_letter = line[0] == '#';
  engine_.Merge(line.substr(2, end - 2), merge_file_, new_letter ? -1 : 0);
  if (new_letter) state_.letter_page_count = 0;
}

void TemplateMerge::Letter::Position(const std::string& trimmed) {
  const int v = Number(trimmed.substr(2));
  const int lines = page_length_ - 6;
  const int n = lines != 0 ? ((v - 1) % lines) + 1 : v;
  engine_.print_.PrintText(0, "", static_cast<int16_t>(n - engine_.print_.state().line_count - 1));
}

bool TemplateMerge::Letter::FindField(const std::string& name, std::vector<std::string>* values) {
  if (!merge_loaded_) {
    merge_loaded_ = true;
    std::string text;
    if (!base::ReadWholeFile(merge_file_, &text)) {
      std::fprintf(stderr, "mirtosek: merge file %s cannot be read\n",
                   base::Cp850ToUtf8(base::ResolvePath(merge_file_)).c_str());
    }
    merge_lines_ = Lines(text);
  }
  const std::string wanted = base::UpperCase850(name);
  for (size_t i = 0; i < merge_lines_.size(); ++i) {
    const std::string& l = merge_lines_[i];
    if (l.empty() || static_cast<unsigned char>(l[0]) != 127 ||
        base::UpperCase850(l.substr(1)) != wanted)
      continue;
    values->clear();
    for (size_t j = i + 1; j < merge_lines_.size(); ++j) {
      values->push_back(merge_lines_[j]);
      if (merge_lines_[j].find('\xFF') != std::string::npos) return true;
    }
    return true;  // a value without its end mark runs to the end of the file
  }
  return false;
}

std::vector<std::string> TemplateMerge::Letter::Substitute(std::string text) {
  std::vector<std::string> printed;
  size_t p = 0;
  // A value is scanned again for markers, so a field's value may name other
  // fields; a value that names its own field would never end. Such a line is
  // cut short after this many substitutions.
  constexpr int kMostSubstitutions = 1000;
  int substitutions = 0;
  for (;;) {
    const size_t at = text.find_first_of("@#", p);
    if (at == std::string::npos) break;
    size_t end = at + 1;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    const std::string name = text.substr(at + 1, end - at - 1);
    std::vector<std::string> values;
    if (name.empty() || !FindField(name, &values)) {
      p = at + 1;  // left in the text as it stands
      continue;
    }
    if (++substitutions > kMostSubstitutions) {
      std::fprintf(stderr,
                   "mirtosek: merge field %s refers to itself; its line is printed as it stands\n",
                   base::Cp850ToUtf8(name).c_str());
      break;
    }
    const bool trimmed = text[at] == '@';
    std::string prefix = text.substr(0, at);
    const std::string rest = text.substr(end);
    for (size_t k = 0; k < values.size(); ++k) {
      std::string v = values[k];
      const size_t mark = v.find('\xFF');
      const bool last = mark != std::string::npos;
      if (last) v = v.substr(0, mark);
      if (k == 0 && trimmed) v = Trim(v);
      if (!last) {
        printed.push_back(prefix + v);
        prefix.clear();
        continue;
      }
      text = prefix + v + rest;
      p = prefix.size();
      break;
    }
    if (values.empty() || values.back().find('\xFF') == std::string::npos) {
      text = prefix + rest;
      p = prefix.size();
    }
  }
  printed.push_back(text);
  return printed;
}

void TemplateMerge::Letter::StartLetterPage() {
  PrintFile& print = engine_.print_;
  ++state_.letter_page_count;
  print.StartPage(page_length_);
  if (state_.letter_page_count == 1) print.PrintControl("@");
  print.PrintControl("e");
  print.PrintText(0, "", top_margin_);
  print.PrintText(static_cast<int16_t>(95 - static_cast<int>(heading_.size())), heading_, 2);
}

void TemplateMerge::Letter::WriteSegment(std::string segment, char alignment, int16_t right,
                                         bool ends_line) {
  std::string code = "E";
  if (alignment == 'D' || alignment == 'C' || alignment == 'A') code = std::string(1, alignment);
  if (alignment == 'N' && !segment.empty()) {
    code = ends_line ? "N " + std::to_string(right + 1) + " \\-\\" : "A";
    segment = RightTrim(segment);
  }
  engine_.print_.SetJustification(code);
  engine_.print_.PrintText(0, segment, ends_line ? 1 : 0);
}

void TemplateMerge::Letter::PrintLine(std::string line) {
  if (!line.empty() && line[0] >= 1 && line[0] <= 9) {
    current_format_ = line[0] - 1;
    line.erase(0, 1);
  }
  PrintFile& print = engine_.print_;
  LineFormat f = state_.formats[static_cast<size_t>(current_format_)];
  int left = f.indent < 0 ? f.left + f.indent : f.left;
  if (left == 0 && f.right == 0) {
    f = LineFormat{};
    left = 1;
  }
  const char alignment = base::UpperCase850(f.alignment);
  if (alignment == 'I') {
    const size_t blanks = std::min(line.find_first_not_of(' '), line.size());
    left += static_cast<int>(blanks);
    line.erase(0, blanks);
  }
  const int width = f.right - left + 1;
  const std::string broken = base::FormatParagraph(
      line, f.indent, width, std::string(1, alignment == 'N' ? 'I' : alignment));
  if (state_.letter_page_count == 0 || print.state().line_count > page_length_ - 8)
    StartLetterPage();
  print.PrintText(static_cast<int16_t>(left), "", 0);
  std::string segment;
  int count = 0;
  for (char c : broken) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 16 && b <= 18) {
      WriteSegment(segment, alignment, f.right, false);
      segment.clear();
      print.PrintControl(b == 16 ? "b" : b == 17 ? "u" : "i");
      continue;
    }
    if (count == width) {
      WriteSegment(segment, alignment, f.right, true);
      segment.clear();
      if (print.state().line_count > page_length_ - 8) StartLetterPage();
      print.PrintText(static_cast<int16_t>(left), "", 0);
      count = 0;
    }
    segment.push_back(c);
    ++count;
  }
  WriteSegment(segment, alignment == 'A' ? 'E' : alignment, f.right, true);
}

TemplateMerge::TemplateMerge(PrintFile& print) : print_(print), state_(std::make_unique<State>()) {}

TemplateMerge::~TemplateMerge() = default;

void TemplateMerge::Reset() { *state_ = State{}; }

long TemplateMerge::ReadFailures() const { return state_->read_failures; }

long TemplateMerge::TextFaults() const { return state_->text_faults; }

void TemplateMerge::Merge(std::string_view template_name, std::string_view merge_file,
                          int16_t /*flag*/) {
  State& s = *state_;
  const std::string name = RightTrim(template_name);
  if (s.depth >= kMaxIncludeDepth) {
    std::fprintf(stderr, "mirtosek: template %s: includes nested deeper than %d, not printed\n",
                 base::Cp850ToUtf8(name).c_str(), kMaxIncludeDepth);
    return;
  }
  // A template that includes itself, directly or through others, would print
  // without end (twice per level when it includes itself twice): the inner
  // include is refused.
  const std::string upper = base::UpperCase850(name);
  for (const std::string& open : s.in_progress) {
    if (open == upper) {
      std::fprintf(stderr, "mirtosek: template %s includes itself, not printed again\n",
                   base::Cp850ToUtf8(name).c_str());
      return;
    }
  }
  const bool is_path = (name.size() > 1 && name[1] == ':') || name.find('\\') != std::string::npos;
  const std::string path =
      is_path ? name + ".txt" : base::Settings().root_dir + "TEXTOS\\" + name + ".txt";
  const bool begins_letter = s.letter_page_count == 0;
  if (s.depth == 0) s.letter_has_fault = false;
  s.formats[0] = LineFormat{};
  ++s.depth;
  s.in_progress.push_back(upper);
  Letter letter{*this, std::string(merge_file)};
  letter.Run(path, name);
  s.in_progress.pop_back();
  --s.depth;
  if (begins_letter) s.letter_page_count = 0;
  if (s.depth == 0 && s.letter_has_fault) ++s.text_faults;
}

bool IsTemplateControl(unsigned char byte) {
  return (byte >= 1 && byte <= 9) || (byte >= 16 && byte <= 18) || byte == 127;
}

bool FindNonText(std::string_view line, size_t* column, std::string* why) {
  for (size_t i = 0; i < line.size();) {
    const auto b = static_cast<unsigned char>(line[i]);
    if (b < 32 && !IsTemplateControl(b)) {
      *column = i + 1;
      *why =
          "the control byte " + Hex(line.substr(i, 1)) + " (a file in UTF-16, or not a text file?)";
      return true;
    }
    const size_t at = i;
    // Two bytes of code page 850 box drawing ("─┐") read as UTF-8 too; the
    // two-byte letters of a text in UTF-8 stand next to other letters.
    auto letter = [&](size_t k) {
      return k < line.size() &&
             ((line[k] >= 'a' && line[k] <= 'z') || (line[k] >= 'A' && line[k] <= 'Z'));
    };
    if (b >= 0x80 && base::NextUtf8(line, &i) >= 0 &&
        (i - at > 2 || (at > 0 && letter(at - 1)) || letter(i))) {
      *column = at + 1;
      *why = "the bytes " + Hex(line.substr(at, i - at)) + " are UTF-8 for \"" +
             std::string(line.substr(at, i - at)) +
             "\" (a template written in UTF-8 is installed with kepdata install)";
      return true;
    }
    if (i == at) ++i;
  }
  return false;
}

}  // namespace output
