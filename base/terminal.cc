#include "base/terminal.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "base/codepage.h"

namespace base {
namespace {

// Console colour numbers (blue = 1, green = 2, red = 4, bright = 8) to the
// ANSI order (red = 1, green = 2, blue = 4).
int AnsiColour(int console) { return ((console & 1) << 2) | (console & 2) | ((console & 4) >> 2); }

std::string SgrFor(uint8_t attribute) {
  const int fg = attribute & 0x0F, bg = (attribute >> 4) & 0x0F;
  return "\x1b[" + std::to_string((fg & 8 ? 90 : 30) + AnsiColour(fg)) + ";" +
         std::to_string((bg & 8 ? 100 : 40) + AnsiColour(bg)) + "m";
}

}  // namespace

ScreenTerminal::ScreenTerminal(int rows, int columns, int output_fd)
    : rows_(rows),
      columns_(columns),
      output_fd_(output_fd),
      cells_(static_cast<size_t>(rows * columns)) {}

bool ScreenTerminal::Inside(int row, int column) const {
  return row >= 1 && row <= rows_ && column >= 1 && column <= columns_;
}

Cell ScreenTerminal::ReadCell(int row, int column) const {
  if (!Inside(row, column)) return Cell{};
  return cells_[static_cast<size_t>((row - 1) * columns_ + column - 1)];
}

void ScreenTerminal::WriteCell(int row, int column, Cell cell) {
  if (!Inside(row, column)) return;
  cells_[static_cast<size_t>((row - 1) * columns_ + column - 1)] = cell;
  const unsigned char c = static_cast<unsigned char>(cell.character);
  const std::string shown = Cp850ToUtf8(std::string(1, static_cast<char>(c < 32 ? ' ' : c)));
  Emit("\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H" + SgrFor(cell.attribute) +
       shown + "\x1b[0m");
}

void ScreenTerminal::SetCursor(int row, int column) {
  cursor_row_ = row;
  cursor_column_ = column;
  Emit("\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H");
}

// Windows are drawn on the terminal's alternate screen, so that closing the
// last one gives back exactly the screen the program found.
void ScreenTerminal::BeginWindows() { Emit("\x1b[?1049h\x1b[2J"); }
void ScreenTerminal::EndWindows() { Emit("\x1b[?1049l"); }

void ScreenTerminal::Beep() { Emit("\a"); }

void ScreenTerminal::DiscardPendingKeys() {
  if (output_fd_ >= 0) ::tcflush(STDIN_FILENO, TCIFLUSH);
}

void ScreenTerminal::WaitForKey() {
  if (output_fd_ < 0) return;
  termios saved{};
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  char key = 0;
  (void)!::read(STDIN_FILENO, &key, 1);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

void ScreenTerminal::Emit(const std::string& bytes) const {
  if (output_fd_ < 0) return;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(output_fd_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

namespace {

// The terminal found at the first use, or none after UseNoTerminal.
class ProcessTerminal final : public Terminal {
 public:
  void UseNone() { use_none_ = true; }

  int Rows() const override { return Chosen().Rows(); }
  int Columns() const override { return Chosen().Columns(); }
  Cell ReadCell(int row, int column) const override { return Chosen().ReadCell(row, column); }
  void WriteCell(int row, int column, Cell cell) override { Chosen().WriteCell(row, column, cell); }
  void SetCursor(int row, int column) override { Chosen().SetCursor(row, column); }
  int CursorRow() const override { return Chosen().CursorRow(); }
  int CursorColumn() const override { return Chosen().CursorColumn(); }
  bool Interactive() const override { return Chosen().Interactive(); }
  void BeginWindows() override { Chosen().BeginWindows(); }
  void EndWindows() override { Chosen().EndWindows(); }
  void Beep() override { Chosen().Beep(); }
  void DiscardPendingKeys() override { Chosen().DiscardPendingKeys(); }
  void WaitForKey() override { Chosen().WaitForKey(); }

 private:
  Terminal& Chosen() const {
    if (use_none_) return none_;
    if (own_ == nullptr) own_ = OwnTerminal();
    return *own_;
  }
  static std::unique_ptr<Terminal> OwnTerminal() {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) return std::make_unique<NoTerminal>();
    winsize ws{};
    int rows = 25, columns = 80;
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
      rows = std::min<int>(ws.ws_row, 99);  // the window stack keeps two digits
      columns = std::min<int>(ws.ws_col, 99);
    }
    return std::make_unique<ScreenTerminal>(rows, columns, STDOUT_FILENO);
  }

  bool use_none_ = false;
  mutable NoTerminal none_;
  mutable std::unique_ptr<Terminal> own_;
};

ProcessTerminal& TheProcessTerminal() {
  static ProcessTerminal terminal;
  return terminal;
}

}  // namespace

Terminal& CurrentTerminal() { return TheProcessTerminal(); }

void UseNoTerminal() { TheProcessTerminal().UseNone(); }

}  // namespace base
