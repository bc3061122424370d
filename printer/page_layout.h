// Lays the print commands out on pages of character cells: the print
// program's model of the page, shared by the text and the PDF renderings.
// The suite's programs pad and justify their texts themselves, so every text
// is placed as it stands from its column; the justification codes are kept
// for nothing more. Emphasis controls mark the cells written after them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "printer/print_commands.h"

namespace printer {

enum Emphasis : uint8_t { kBold = 1, kUnderline = 2, kItalic = 4 };

struct Cell {
  char character = ' ';  // code page 850
  uint8_t emphasis = 0;
};

struct Page {
  int length = 66;
  std::vector<std::vector<Cell>> lines;  // as many as the page uses
  int Width() const;
};

std::vector<Page> LayOut(const std::vector<Command>& commands);

}  // namespace printer
