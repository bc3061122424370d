// Reading the print command file that the suite's programs write
// ("divivovi.tmp"): one command a line, CR LF or LF.
//   DEVICE<text>                  the destination (see printer/README.md)
//   PAGE<n>                       a new page of n lines
//   <col>,<text>,<feeds>          text at column col (0: go on where the
//                                 last text ended), then feeds line feeds
//   JUS<code>                     alignment of the following text
//   *<control>                    a control: "b" bold, "u" underline,
//                                 "i" italic (each switches), "@", "e",
//                                 "q", "@e" reset the emphasis
// Numbers are written with a sign position and a trailing blank (" 16 ").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace printer {

struct Command {
  enum class Kind { kDevice, kPage, kText, kJustify, kControl } kind;
  std::string text;  // device, text, justification code or control (code page 850)
  int column = 0;
  int number = 0;  // page length or line feeds
  int line = 0;    // where it stands in the file, from 1
};

struct ParseResult {
  std::vector<Command> commands;
  std::vector<std::string> errors;  // "line N: why", for lines that were skipped
  int lines = 0;                    // lines of the file
};

ParseResult ParsePrintCommands(std::string_view file);

}  // namespace printer
