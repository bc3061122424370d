#include "printer/page_layout.h"

#include <algorithm>

namespace printer {
namespace {

constexpr int kDefaultPageLength = 66;
constexpr int kMaxColumns = 400;

class Layout {
 public:
  void NewPage(int length) {
    if (length <= 0) length = kDefaultPageLength;
    // A page break right at the start, or twice in a row, makes no empty page.
    if (!pages_.empty() && !written_) {
      pages_.back().length = length;
    } else {
      pages_.push_back(Page{length, {}});
    }
    line_ = 0;
    column_ = 1;
    written_ = false;
  }
  void Text(int column, const std::string& text, int feeds) {
    if (pages_.empty()) NewPage(kDefaultPageLength);
    if (column > 0) column_ = column;
    if (column_ < 1) column_ = 1;
    Page& page = pages_.back();
    if (line_ >= page.length) {
      NewPage(page.length);
      return Text(0, text, feeds);
    }
    if (static_cast<int>(page.lines.size()) <= line_)
      page.lines.resize(static_cast<size_t>(line_) + 1);
    std::vector<Cell>& row = page.lines[static_cast<size_t>(line_)];
    for (char c : text) {
      if (column_ > kMaxColumns) break;
      if (static_cast<int>(row.size()) < column_) row.resize(static_cast<size_t>(column_));
      row[static_cast<size_t>(column_ - 1)] = Cell{c, emphasis_};
      ++column_;
      written_ = true;
    }
    if (feeds > 0) {
      line_ += feeds;
      column_ = 1;
      while (line_ > pages_.back().length) {  // feeds past the end run onto a new page
        const int rest = line_ - pages_.back().length;
        NewPage(pages_.back().length);
        line_ = rest;
      }
    }
  }
  void Control(const std::string& control) {
    if (control == "b")
      emphasis_ ^= kBold;
    else if (control == "u")
      emphasis_ ^= kUnderline;
    else if (control == "i")
      emphasis_ ^= kItalic;
    else if (control == "@" || control == "e" || control == "@e" || control == "q")
      emphasis_ = 0;
  }
  std::vector<Page> Take() { return std::move(pages_); }

 private:
  std::vector<Page> pages_;
  int line_ = 0;
  int column_ = 1;
  bool written_ = false;
  uint8_t emphasis_ = 0;
};

}  // namespace

int Page::Width() const {
  size_t width = 0;
  for (const auto& l : lines) width = std::max(width, l.size());
  return static_cast<int>(width);
}

std::vector<Page> LayOut(const std::vector<Command>& commands) {
  Layout layout;
  for (const Command& c : commands) {
    switch (c.kind) {
      case Command::Kind::kPage:
        layout.NewPage(c.number);
        break;
      case Command::Kind::kText:
        layout.Text(c.column, c.text, c.number);
        break;
      case Command::Kind::kControl:
        layout.Control(c.text);
        break;
      case Command::Kind::kDevice:
      case Command::Kind::kJustify:
        break;
    }
  }
  return layout.Take();
}

}  // namespace printer
