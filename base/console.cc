#include "base/console.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/dates.h"
#include "base/platform.h"
#include "base/session_settings.h"
#include "base/text_utils.h"

namespace base {
namespace {

constexpr int kHeaderSize = 4;
constexpr int kBlockFixed = 25;  // ten 2-digit fields and the 5-digit length

std::string StackPath() { return ResolvePath(Settings().tmp_dir + "WinPush.tmp"); }

void EncodeFixed32(std::string* out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t DecodeFixed32(const std::string& in) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i)
    u |= static_cast<uint32_t>(static_cast<unsigned char>(in[i])) << (8 * i);
  return static_cast<int32_t>(u);
}

bool ReadStackFile(std::string* bytes) { return ReadWholeFile(StackPath(), bytes); }

void WriteStackFile(const std::string& bytes) { (void)ReplaceFileContents(StackPath(), bytes); }

void DeleteStackFile() {
  std::error_code ec;
  std::filesystem::remove(StackPath(), ec);
}

// A field of decimal digits; -1 when it is not all digits.
int DigitsAt(const std::string& s, size_t at, size_t width) {
  if (at + width > s.size()) return -1;
  int v = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

}  // namespace

struct Console::SavedBlock {
  int cursor_row, cursor_column;
  Window enclosing, region;
  std::string cells;
};

bool Console::ParseBlockEndingAt(const std::string& file, int32_t p, SavedBlock* block,
                                 int32_t* start) {
  if (p < 5 + kBlockFixed || static_cast<int64_t>(p) - 1 > static_cast<int64_t>(file.size())) {
    return false;
  }
  const int length = DigitsAt(file, static_cast<size_t>(p - 6), 5);
  if (length < kBlockFixed || p - length < 5) return false;
  const size_t b = static_cast<size_t>(p - length - 1);
  int f[10];
  for (int i = 0; i < 10; ++i) {
    f[i] = DigitsAt(file, b + 2 * static_cast<size_t>(i), 2);
    if (f[i] < 0) return false;
  }
  const Window region{f[6], f[7], f[8], f[9]};
  const int64_t cells =
      static_cast<int64_t>(region.bottom - region.top + 1) * (region.right - region.left + 1);
  if (region.bottom < region.top || region.right < region.left ||
      2 * cells != length - kBlockFixed) {
    return false;
  }
  *block = SavedBlock{f[0], f[1], Window{f[2], f[3], f[4], f[5]}, region,
                      file.substr(b + 20, static_cast<size_t>(2 * cells))};
  *start = p - length;
  return true;
}

void Console::Restore(const SavedBlock& block) {
  size_t k = 0;
  for (int row = block.region.top; row <= block.region.bottom; ++row) {
    for (int col = block.region.left; col <= block.region.right; ++col, k += 2) {
      terminal_.WriteCell(row, col, Cell{block.cells[k], static_cast<uint8_t>(block.cells[k + 1])});
    }
  }
  terminal_.SetCursor(block.cursor_row, block.cursor_column);
}

uint8_t Console::CurrentAttribute() const {
  const ColourPair& pair = Settings().colours[static_cast<size_t>(colour_index_)];
  return static_cast<uint8_t>((pair.foreground & 0x0F) + 16 * (pair.background & 0x0F));
}

void Console::PaintCell(int row, int column, char character) {
  terminal_.WriteCell(row, column, Cell{character, CurrentAttribute()});
}

void Console::SetColour(std::string_view attribute) {
  const std::string text = UpperCase850(attribute);
  if (IsAllChar(text, ' ')) return;
  if (text.find('+') != std::string::npos)
    attribute_stack_.push_back(static_cast<char>(colour_index_));
  if (text.find('-') != std::string::npos) {
    if (attribute_stack_.empty()) {
      colour_index_ = 0;
    } else {
      colour_index_ = attribute_stack_.back();
      attribute_stack_.pop_back();
    }
    return;
  }
  if (text.find('U') != std::string::npos) {
    colour_index_ = 4;
  } else {
    colour_index_ = (text.find('R') != std::string::npos ? 2 : 0) +
                    (text.find('N') != std::string::npos ? 1 : 0);
  }
}

void Console::Locate(int row, int column) {
  if (depth_ > 0) {
    row += current_.top;
    column += current_.left;
  }
  terminal_.SetCursor(row, column);
}

void Console::WriteText(std::string_view text) {
  int row = terminal_.CursorRow(), column = terminal_.CursorColumn();
  for (char c : text) PaintCell(row, column++, c);
  terminal_.SetCursor(row, column);
}

void Console::PushWindow(int top, int left, int bottom, int right) {
  const int rows = terminal_.Rows(), columns = terminal_.Columns();
  if (top < 1 || top > rows || left < 1 || left > columns || bottom < 1 || bottom > rows ||
      right < 1 || right > columns || bottom < top || right < left) {
    return;
  }
  std::string file;
  int32_t pos = 5;
  if (ReadStackFile(&file) && file.size() > 3) {
    pos = DecodeFixed32(file);
    // A header that does not fit the file starts the stack afresh.
    if (pos < 5 || static_cast<int64_t>(pos) - 1 > static_cast<int64_t>(file.size())) pos = 5;
  }
  file.resize(static_cast<size_t>(pos - 1), '\0');
  std::string block;
  for (int v : {terminal_.CursorRow(), terminal_.CursorColumn(), current_.top, current_.left,
                current_.bottom, current_.right, top, left, bottom, right}) {
    block += ZeroPad(v, 2);
  }
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col <= right; ++col) {
      const Cell c = terminal_.ReadCell(row, col);
      block.push_back(c.character);
      block.push_back(static_cast<char>(c.attribute));
    }
  }
  block += ZeroPad(static_cast<int64_t>(block.size()) + 5, 5);
  file += block;
  std::string header;
  EncodeFixed32(&header, static_cast<int32_t>(file.size() + 1));
  file.replace(0, kHeaderSize, header);
  WriteStackFile(file);
  if (depth_ == 0) terminal_.BeginWindows();
  current_ = Window{top, left, bottom, right};
  ++depth_;
}

void Console::PopWindow() {
  if (unshown_messages_ > 0) {
    --unshown_messages_;
    return;
  }
  std::string file;
  if (!ReadStackFile(&file)) return;
  SavedBlock block;
  int32_t start = 0;
  if (file.size() > 3 && ParseBlockEndingAt(file, DecodeFixed32(file), &block, &start)) {
    if (depth_ > 0) --depth_;
    current_ = block.enclosing;
    Restore(block);
    file.resize(static_cast<size_t>(start - 1));
    std::string header;
    EncodeFixed32(&header, start);
    file.replace(0, kHeaderSize, header);
    if (start > 5) {
      WriteStackFile(file);
    } else {
      DeleteStackFile();
    }
  } else {
    // An empty or damaged stack: nothing can be restored from it.
    depth_ = 0;
    current_ = Window{};
    DeleteStackFile();
  }
  if (depth_ == 0) terminal_.EndWindows();
}

void Console::DrawFrame(int style) {
  if (depth_ == 0) return;
  static constexpr unsigned char kFrames[3][6] = {{' ', ' ', ' ', ' ', ' ', ' '},
                                                  {0xDA, 0xBF, 0xC0, 0xD9, 0xC4, 0xB3},
                                                  {0xC9, 0xBB, 0xC8, 0xBC, 0xCD, 0xBA}};
  const unsigned char* f = kFrames[(style >= 0 && style <= 2) ? style : 0];
  const Window& w = current_;
  auto ch = [](unsigned char c) { return static_cast<char>(c); };
  for (int row = w.top; row <= w.bottom; ++row) {
    const bool edge_row = row == w.top || row == w.bottom;
    for (int col = w.left; col <= w.right; ++col) {
      char c = ' ';
      if (row == w.top && col == w.left)
        c = ch(f[0]);
      else if (row == w.top && col == w.right)
        c = ch(f[1]);
      else if (row == w.bottom && col == w.left)
        c = ch(f[2]);
      else if (row == w.bottom && col == w.right)
        c = ch(f[3]);
      else if (edge_row)
        c = ch(f[4]);
      else if (col == w.left || col == w.right)
        c = ch(f[5]);
      PaintCell(row, col, c);
    }
  }
}

// The caller's PopWindow then closes nothing.
void Console::SayWithoutWindow(std::string_view text) {
  std::fprintf(stderr, "%s\n", Cp850ToUtf8(text).c_str());
  ++unshown_messages_;
}

void Console::ShowMessage(int row, std::string_view text) {
  if (!terminal_.Interactive()) {
    SayWithoutWindow(text);
    return;
  }
  SetColour("+rh");
  constexpr int kWidth = 76;
  const std::string wrapped = FormatParagraph(text, 0, kWidth, "i");
  const int n = static_cast<int>(wrapped.size()) / kWidth;
  int top = std::max(1, row - (n + 1) / 2 - 2);
  int bottom = top + n + 1;
  if (bottom > terminal_.Rows()) {
    bottom = terminal_.Rows();
    top = bottom - n - 1;
    if (top < 1) {
      // No window can hold it: it goes to standard error as without a
      // terminal.
      SetColour("-");
      SayWithoutWindow(text);
      return;
    }
  }
  std::vector<std::string> lines;
  int longest = 0;
  for (int k = 0; k < n; ++k) {
    std::string line = wrapped.substr(static_cast<size_t>(k * kWidth), kWidth);
    line.erase(line.find_last_not_of(' ') + 1);
    longest = std::max(longest, static_cast<int>(line.size()));
    lines.push_back(line);
  }
  PushWindow(top, 41 - (longest + 1) / 2 - 2, bottom, 41 + longest / 2 + 1);
  DrawFrame(1);
  for (int k = 0; k < n; ++k) {
    Locate(k + 1, 2);
    WriteText(lines[static_cast<size_t>(k)]);
  }
  SetColour("-");
}

Console& ProcessConsole() {
  static Console console(CurrentTerminal());
  return console;
}

void ShowMessage(int row, std::string_view text) { ProcessConsole().ShowMessage(row, text); }
void PopWindow() { ProcessConsole().PopWindow(); }
void Beep() { ProcessConsole().Beep(); }
void DiscardPendingKeys() { ProcessConsole().DiscardPendingKeys(); }
void WaitForKey() { ProcessConsole().WaitForKey(); }

}  // namespace base
