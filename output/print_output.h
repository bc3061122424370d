// The print command file "divivovi.tmp" in the temporary directory, which
// the suite's print program turns into pages. One command a line, CR LF:
//   "DEVICE" + device text            first line, the output destination
//   "PAGE" + NumberField(n)           a new page of n lines
//   NumberField(col) "," text "," NumberField(feeds)
//                                     text at column col (0: where the last
//                                     text ended), then feeds line feeds
//   "JUS" + code                      alignment of what follows: E, C, D, A,
//                                     or "N" + " n" + " " + font part
//   "*" + control text                passed to the print program unchanged
// A NumberField is a sign position (blank or "-"), the digits, one blank.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace output {

struct PrintState {
  int16_t page_length = 0;  // as last given to StartPage
  int16_t line_count = 0;   // lines advanced on the current page
};
const PrintState& CurrentPrintState();

// Creates (or empties) the file and writes the "DEVICE" line; false when the
// file cannot be created (the reason in *err).
[[nodiscard]] bool OpenPrintFile(std::string_view device, std::string* err);
// Flushes and closes; false when not everything could be written.
bool ClosePrintFile();

// The lines written to the print file since it was opened, the DEVICE line
// included; and how many times a print file was opened since the program
// started (what was recorded about one print file is not another's).
long PrintFileLines();
long PrintFileOpenings();

void StartPage(int16_t lines);
// Control characters, 127 and 255 print as blanks; a line count that has
// reached the page length first starts a bare page.
void PrintText(int16_t column, std::string_view text, int16_t line_feeds);
void SetJustification(std::string_view code);
void PrintControl(std::string_view text);

std::string NumberField(int value);
// The "JUS" code a justification request becomes.
std::string NormaliseJustification(std::string_view code);

}  // namespace output
