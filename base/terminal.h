// The text console behind the message windows.
//
// A Terminal is a grid of cells (a code page 850 character and an attribute
// byte, foreground + 16 x background, console colours 0 to 15) that can be
// read back, so a window can save and restore what it covers, plus the cursor,
// a beep and key input. ScreenTerminal keeps the copy in memory and, when it is
// given a terminal, draws every change there with escape sequences, the
// characters converted to UTF-8. Rows and columns are 1-based.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace base {

struct Cell {
  char character = ' ';
  uint8_t attribute = 0x07;
};

class Terminal {
 public:
  virtual ~Terminal() = default;
  virtual int Rows() const = 0;
  virtual int Columns() const = 0;
  virtual Cell ReadCell(int row, int column) const = 0;
  virtual void WriteCell(int row, int column, Cell cell) = 0;
  virtual void SetCursor(int row, int column) = 0;
  virtual int CursorRow() const = 0;
  virtual int CursorColumn() const = 0;
  // False when standard input or output is not a terminal: windows are then
  // not drawn and messages go to standard error as one line.
  virtual bool Interactive() const = 0;
  // Called when the first window opens and when the last one closes.
  virtual void BeginWindows() {}
  virtual void EndWindows() {}
  virtual void Beep() {}
  virtual void DiscardPendingKeys() {}
  virtual void WaitForKey() {}
};

// The in-memory screen; with output_fd >= 0 it also draws on that terminal.
class ScreenTerminal : public Terminal {
 public:
  ScreenTerminal(int rows, int columns, int output_fd = -1);

  int Rows() const override { return rows_; }
  int Columns() const override { return columns_; }
  Cell ReadCell(int row, int column) const override;
  void WriteCell(int row, int column, Cell cell) override;
  void SetCursor(int row, int column) override;
  int CursorRow() const override { return cursor_row_; }
  int CursorColumn() const override { return cursor_column_; }
  bool Interactive() const override { return true; }
  void BeginWindows() override;
  void EndWindows() override;
  void Beep() override;
  void DiscardPendingKeys() override;
  void WaitForKey() override;

 private:
  bool Inside(int row, int column) const;
  void Emit(const std::string& bytes) const;

  int rows_;
  int columns_;
  int output_fd_;
  int cursor_row_ = 1;
  int cursor_column_ = 1;
  std::vector<Cell> cells_;
};

// No terminal: nothing is drawn, no key is waited for, and messages go to
// standard error as one line.
class NoTerminal : public Terminal {
 public:
  int Rows() const override { return 25; }
  int Columns() const override { return 80; }
  Cell ReadCell(int, int) const override { return Cell{}; }
  void WriteCell(int, int, Cell) override {}
  void SetCursor(int, int) override {}
  int CursorRow() const override { return 1; }
  int CursorColumn() const override { return 1; }
  bool Interactive() const override { return false; }
};

// The process's own terminal: a ScreenTerminal on standard output when both
// standard input and output are terminals, else a NoTerminal; a NoTerminal
// from the moment UseNoTerminal is called.
Terminal& CurrentTerminal();

// For tools that must never wait at a console window: messages go to
// standard error as one line, as when there is no terminal.
void UseNoTerminal();

}  // namespace base
