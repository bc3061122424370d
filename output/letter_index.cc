#include "output/letter_index.h"

#include <cerrno>
#include <cstring>

#include "base/platform.h"
#include "base/session_settings.h"

namespace output {
namespace {

// A TAB or a line end inside a value would end its field.
std::string Field(std::string value) {
  for (char& c : value) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return value;
}

}  // namespace

void LetterIndex::Add(long first_line, const std::string& receipt, const std::string& tenant,
                      long increment_hundredths) {
  letters_.push_back(IndexedLetter{first_line, Field(receipt) + "\t" + Field(tenant) + "\t" +
                                                   std::to_string(increment_hundredths)});
}

bool LetterIndex::Write(long print_file_lines, std::string* err) {
  std::string text = "CARTES\t" + std::to_string(print_file_lines) + "\r\n";
  for (const IndexedLetter& l : letters_)
    text += std::to_string(l.first_line) + "\t" + l.fields + "\r\n";
  letters_.clear();
  const std::string path = base::Settings().tmp_dir + "cartes.tmp";
  if (!base::ReplaceFileContents(path, text)) {
    *err = base::ResolvePath(path) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace output
