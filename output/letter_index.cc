#include "output/letter_index.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/platform.h"
#include "base/session_settings.h"
#include "output/print_output.h"

namespace output {
namespace {

struct IndexedLetter {
  long first_line;
  std::string fields;  // receipt TAB tenant TAB increment
};

std::vector<IndexedLetter> g_letters;
long g_print_file = -1;  // which opening of the print file the letters belong to

// A TAB or a line end inside a value would end its field.
std::string Field(std::string value) {
  for (char& c : value) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return value;
}

}  // namespace

void AddLetterToIndex(const std::string& receipt, const std::string& tenant,
                      long increment_hundredths) {
  if (g_print_file != PrintFileOpenings()) {
    g_letters.clear();
    g_print_file = PrintFileOpenings();
  }
  g_letters.push_back(IndexedLetter{
      PrintFileLines() + 1,
      Field(receipt) + "\t" + Field(tenant) + "\t" + std::to_string(increment_hundredths)});
}

bool WriteLetterIndex(std::string* err) {
  if (g_print_file != PrintFileOpenings()) g_letters.clear();
  std::string text = "CARTES\t" + std::to_string(PrintFileLines()) + "\r\n";
  for (const IndexedLetter& l : g_letters)
    text += std::to_string(l.first_line) + "\t" + l.fields + "\r\n";
  g_letters.clear();
  const std::string path = base::Settings().tmp_dir + "cartes.tmp";
  if (!base::ReplaceFileContents(path, text)) {
    *err = base::ResolvePath(path) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace output
