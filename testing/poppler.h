// poppler's command-line tools (pdftotext, pdffonts, pdfinfo), which read
// back the PDFs the print program writes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testing_support {

// The standard output of a shell command; its standard error is dropped.
inline std::string Capture(const std::string& command) {
  std::string out;
  if (std::FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    ::pclose(p);
  }
  return out;
}

inline bool HavePoppler() { return std::system("command -v pdffonts >/dev/null 2>&1") == 0; }

}  // namespace testing_support
