#include "datatool/text_files.h"

#include <cstdio>

#include "base/codepage.h"
#include "output/template_merge.h"

namespace datatool {
namespace {

// The byte a control picture stands for, or -1.
int ControlPictureByte(int32_t cp) {
  if (cp == 0x2421) return 127;
  if (cp >= 0x2400 && cp <= 0x241F &&
      output::IsTemplateControl(static_cast<unsigned char>(cp - 0x2400))) {
    return cp - 0x2400;
  }
  return -1;
}

std::string CodePoint(int32_t cp) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
  return text;
}

}  // namespace

bool TextToCodePage850(std::string_view utf8, std::string* cp850, std::vector<TextFault>* faults) {
  faults->clear();
  std::string out;
  out.reserve(utf8.size());
  size_t i = utf8.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  int line = 1, column = 1;
  auto fault = [&](const std::string& what) {
    if (faults->size() < kMostFaults) faults->push_back(TextFault{line, column, what});
  };
  while (i < utf8.size()) {
    if (utf8[i] == '\n' || (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) {
      i += utf8[i] == '\r' ? 2 : 1;
      out += "\r\n";
      ++line;
      column = 1;
      continue;
    }
    const size_t at = i;
    const int32_t cp = base::NextUtf8(utf8, &i);
    if (cp < 0) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "%02X", static_cast<unsigned char>(utf8[at]));
      fault(std::string("the byte ") + byte + " is not UTF-8 (is the file in UTF-8?)");
      ++i;
    } else if (const int control = ControlPictureByte(cp); control >= 0) {
      out.push_back(static_cast<char>(control));
    } else if (cp < 32 || cp == 127) {
      if (cp == '\t' || output::IsTemplateControl(static_cast<unsigned char>(cp))) {
        out.push_back(static_cast<char>(cp));
      } else {
        fault("the control character " + CodePoint(cp) + " is not text");
      }
    } else if (const int byte = base::UnicodeToCp850(static_cast<char32_t>(cp)); byte >= 0) {
      out.push_back(static_cast<char>(byte));
    } else {
      fault("\"" + std::string(utf8.substr(at, i - at)) + "\" (" + CodePoint(cp) +
            ") has no place in code page 850" + (cp == 0x20AC ? " (write EUR)" : ""));
    }
    ++column;
  }
  if (!faults->empty()) return false;
  *cp850 = std::move(out);
  return true;
}

}  // namespace datatool
