#include "output/print_output.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "base/codepage.h"
#include "base/platform.h"
#include "base/session_settings.h"

namespace output {
namespace {

PrintState g_state;
std::ofstream g_file;
long g_lines = 0;
long g_openings = 0;

void WriteLine(const std::string& line) {
  if (!g_file.is_open()) return;
  g_file << line << "\r\n";
  ++g_lines;
}

}  // namespace

const PrintState& CurrentPrintState() { return g_state; }

bool OpenPrintFile(std::string_view device, std::string* err) {
  if (g_file.is_open()) g_file.close();
  const std::string path = base::ResolvePath(base::Settings().tmp_dir + "divivovi.tmp");
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    *err = path + ": a symbolic link, where the print file goes: refused";
    return false;
  }
  g_file.open(path, std::ios::binary | std::ios::trunc);
  if (!g_file) {
    *err = path + ": " + std::strerror(errno);
    return false;
  }
  g_state = PrintState{};
  g_lines = 0;
  ++g_openings;
  WriteLine("DEVICE" + std::string(device));
  return true;
}

bool ClosePrintFile() {
  if (!g_file.is_open()) return true;
  g_file.flush();
  const bool ok = static_cast<bool>(g_file);
  g_file.close();
  return ok;
}

long PrintFileLines() { return g_lines; }

long PrintFileOpenings() { return g_openings; }

std::string NumberField(int value) {
  return (value < 0 ? "-" : " ") + std::to_string(std::abs(static_cast<long>(value))) + " ";
}

void StartPage(int16_t lines) {
  WriteLine("PAGE" + NumberField(lines));
  g_state.page_length = lines;
  g_state.line_count = 0;
}

void PrintText(int16_t column, std::string_view text, int16_t line_feeds) {
  std::string copy(text);
  for (char& c : copy) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127 || b == 255) c = ' ';
  }
  if (g_state.line_count >= g_state.page_length) StartPage(g_state.page_length);
  WriteLine(NumberField(column) + "," + copy + "," + NumberField(line_feeds));
  g_state.line_count = static_cast<int16_t>(g_state.line_count + line_feeds);
}

std::string NormaliseJustification(std::string_view code) {
  const size_t b = code.find_first_not_of(' ');
  const std::string t = b == std::string_view::npos
                            ? std::string()
                            : std::string(code.substr(b, code.find_last_not_of(' ') - b + 1));
  const char c = t.empty() ? ' ' : base::UpperCase850(t[0]);
  switch (c) {
    case 'C':
      return "C";
    case 'D':
    case 'R':
      return "D";
    case 'A':
    case 'B':
      return "A";
    case 'N': {
      const double number = t.size() > 1 ? std::strtod(t.c_str() + 1, nullptr) : 0;
      const long n = std::labs(static_cast<long>(std::trunc(number)));
      std::string font;
      const size_t first = code.find('\\');
      if (first != std::string_view::npos) {
        const size_t next = code.find('\\', first + 1);
        font = std::string(code.substr(
            first, next == std::string_view::npos ? std::string_view::npos : next - first + 1));
      }
      return "N " + std::to_string(n) + " " + font;
    }
    default:
      return "E";
  }
}

void SetJustification(std::string_view code) { WriteLine("JUS" + NormaliseJustification(code)); }

void PrintControl(std::string_view text) { WriteLine("*" + std::string(text)); }

}  // namespace output
