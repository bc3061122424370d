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

void PrintFile::WriteLine(const std::string& line) {
  if (!file_.is_open()) return;
  file_ << line << "\r\n";
  ++lines_;
}

bool PrintFile::Open(std::string_view device, std::string* err) {
  if (file_.is_open()) file_.close();
  const std::string path = base::ResolvePath(base::Settings().tmp_dir + "divivovi.tmp");
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    *err = path + ": a symbolic link, where the print file goes: refused";
    return false;
  }
  file_.open(path, std::ios::binary | std::ios::trunc);
  if (!file_) {
    *err = path + ": " + std::strerror(errno);
    return false;
  }
  state_ = PrintState{};
  lines_ = 0;
  letters_.Clear();
  WriteLine("DEVICE" + std::string(device));
  return true;
}

bool PrintFile::Close() {
  if (!file_.is_open()) return true;
  file_.flush();
  const bool ok = static_cast<bool>(file_);
  file_.close();
  return ok;
}

void PrintFile::AddLetterToIndex(const std::string& receipt, const std::string& tenant,
                                 long increment_hundredths) {
  letters_.Add(lines_ + 1, receipt, tenant, increment_hundredths);
}

bool PrintFile::WriteLetterIndex(std::string* err) { return letters_.Write(lines_, err); }

std::string NumberField(int value) {
  return (value < 0 ? "-" : " ") + std::to_string(std::abs(static_cast<long>(value))) + " ";
}

void PrintFile::StartPage(int16_t lines) {
  WriteLine("PAGE" + NumberField(lines));
  state_.page_length = lines;
  state_.line_count = 0;
}

void PrintFile::PrintText(int16_t column, std::string_view text, int16_t line_feeds) {
  std::string copy(text);
  for (char& c : copy) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127 || b == 255) c = ' ';
  }
  if (state_.line_count >= state_.page_length) StartPage(state_.page_length);
  WriteLine(NumberField(column) + "," + copy + "," + NumberField(line_feeds));
  state_.line_count = static_cast<int16_t>(state_.line_count + line_feeds);
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

void PrintFile::SetJustification(std::string_view code) {
  WriteLine("JUS" + NormaliseJustification(code));
}

void PrintFile::PrintControl(std::string_view text) { WriteLine("*" + std::string(text)); }

}  // namespace output
