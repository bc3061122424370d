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
//
// The main program opens one PrintFile for the run and hands it to what
// prints: the report's pages and the template merge engine of the letters.
// It also holds the index of the letters printed into it (letter_index.h).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "output/letter_index.h"

namespace output {

struct PrintState {
  int16_t page_length = 0;  // as last given to StartPage
  int16_t line_count = 0;   // lines advanced on the current page
};

class PrintFile {
 public:
  PrintFile() = default;
  PrintFile(const PrintFile&) = delete;
  PrintFile& operator=(const PrintFile&) = delete;

  // Creates (or empties) "divivovi.tmp" in the temporary directory and
  // writes the "DEVICE" line; false when the file cannot be created (the
  // reason in *err). The letters of a file opened before are forgotten.
  [[nodiscard]] bool Open(std::string_view device, std::string* err);
  // Flushes and closes; false when not everything could be written.
  bool Close();

  const PrintState& state() const { return state_; }
  // The lines written since the file was opened, the DEVICE line included.
  long lines() const { return lines_; }

  void StartPage(int16_t lines);
  // Control characters, 127 and 255 print as blanks; a line count that has
  // reached the page length first starts a bare page.
  void PrintText(int16_t column, std::string_view text, int16_t line_feeds);
  void SetJustification(std::string_view code);
  void PrintControl(std::string_view text);

  // Records a letter whose commands start at the next line of the file.
  void AddLetterToIndex(const std::string& receipt, const std::string& tenant,
                        long increment_hundredths);
  // Writes the index of the letters recorded since the file was opened;
  // false with the reason in *err when it cannot be written.
  [[nodiscard]] bool WriteLetterIndex(std::string* err);

 private:
  void WriteLine(const std::string& line);

  PrintState state_;
  std::ofstream file_;
  long lines_ = 0;
  LetterIndex letters_;
};

std::string NumberField(int value);
// The "JUS" code a justification request becomes.
std::string NormaliseJustification(std::string_view code);

}  // namespace output
