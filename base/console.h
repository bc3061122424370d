// Framed message windows on the text console.
//
// When something needs the operator (a data file that cannot be opened, a
// record held by another station) the program shows a framed window in
// reverse video and later restores what was under it. Windows nest: each one
// saves the region it covers, the cursor and the enclosing window on a stack
// kept in the file "WinPush.tmp" of the temporary directory, so that a window
// opened by one program of the suite can be closed by the next on the same
// terminal.
//
// "WinPush.tmp": bytes 0-3 a signed 32-bit little-endian number, the 1-based
// position of the first free byte (5 when empty); then the blocks, oldest
// first. A block, every number as zero-padded decimal text:
//   0 cursor row (2)            2 cursor column (2)
//   4..11 enclosing window top, left, bottom, right (2 each)
//   12..19 saved region top, left, bottom, right (2 each)
//   20 the region's cells row by row, character byte then attribute byte
//   20 + 2 x cells: block length = 25 + 2 x cells (5)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/terminal.h"

namespace base {

// The windows and colours shown on one terminal. A run has one console, that
// of the process's terminal (ProcessConsole), which its RunEnvironment hands
// to the lock files; a test makes its own on a ScreenTerminal or a
// NoTerminal.
class Console {
 public:
  explicit Console(Terminal& terminal) : terminal_(terminal) {}
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Letters in upper case: "U" selects colour pair 4, else "R" adds 2 and
  // "N" adds 1; "+" saves the current pair first, "-" returns to the last
  // saved one (pair 0 when none). A text of blanks changes nothing.
  void SetColour(std::string_view attribute);

  int Rows() const { return terminal_.Rows(); }
  int Columns() const { return terminal_.Columns(); }
  // False without a terminal: see ShowMessage.
  bool Interactive() const { return terminal_.Interactive(); }

  // Relative to the current window's top-left corner while one is open.
  void Locate(int row, int column);

  // Writes text (code page 850) at the cursor in the current colours.
  void WriteText(std::string_view text);

  void PushWindow(int top, int left, int bottom, int right);
  void PopWindow();

  // 0 blanks, 1 single line, 2 double line; any other style draws style 0.
  void DrawFrame(int style);

  // A framed window around the given row, centred on column 41, holding text
  // wrapped to 76 columns. The caller removes it with PopWindow. Without a
  // terminal the text goes to standard error as one line.
  void ShowMessage(int row, std::string_view text);

  void Beep() { terminal_.Beep(); }
  void DiscardPendingKeys() { terminal_.DiscardPendingKeys(); }
  void WaitForKey() { terminal_.WaitForKey(); }

 private:
  struct Window {
    int top = 0, left = 0, bottom = 0, right = 0;
  };
  struct SavedBlock;  // one block of the stack file

  // Reads the block that ends at 1-based position p; false when the bytes do
  // not form one.
  static bool ParseBlockEndingAt(const std::string& file, int32_t p, SavedBlock* block,
                                 int32_t* start);
  void Restore(const SavedBlock& block);
  uint8_t CurrentAttribute() const;
  void PaintCell(int row, int column, char character);
  void SayWithoutWindow(std::string_view text);

  Terminal& terminal_;
  int colour_index_ = 0;
  std::string attribute_stack_;
  int depth_ = 0;
  Window current_;
  int unshown_messages_ = 0;  // messages sent to standard error, popped without a file
};

// The console of the process's own terminal (CurrentTerminal), one for the
// whole run. The functions below act on it, for the code that is not handed
// a console: the data files' open failures and the unit walk's waits.
Console& ProcessConsole();

void ShowMessage(int row, std::string_view text);
void PopWindow();
void Beep();
void DiscardPendingKeys();
void WaitForKey();

}  // namespace base
