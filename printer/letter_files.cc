#include "printer/letter_files.h"

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>

#include "base/codepage.h"
#include "base/platform.h"
#include "printer/page_layout.h"

namespace printer {
namespace {

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = line.find(separator, start);
    fields.push_back(
        line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return fields;
    start = end + 1;
  }
}

bool Integer(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtol(text.c_str(), &end, 10);
  return *end == '\0';
}

// The receipt code as a file name: only letters and digits, or the letter's
// number when none is left.
std::string FileName(const std::string& receipt, size_t number, std::set<std::string>* taken) {
  std::string name;
  for (char c : receipt) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
      name.push_back(c);
  }
  if (name.empty()) name = "carta" + std::to_string(number);
  std::string unique = name;
  for (int n = 2; !taken->insert(unique).second; ++n) unique = name + "-" + std::to_string(n);
  return unique + ".pdf";
}

std::string Euros(long hundredths) {
  const long magnitude = hundredths < 0 ? -hundredths : hundredths;
  const std::string cents = std::to_string(magnitude % 100);
  return (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." +
         (cents.size() < 2 ? "0" : "") + cents;
}

// The commands of the print file lines [first, end).
std::vector<Command> Slice(const std::vector<Command>& commands, int first, int end) {
  std::vector<Command> slice;
  for (const Command& c : commands) {
    if (c.line >= first && c.line < end) slice.push_back(c);
  }
  return slice;
}

bool HasText(const std::vector<Page>& pages) {
  for (const Page& p : pages) {
    for (const auto& line : p.lines) {
      for (const Cell& c : line) {
        if (c.character != ' ') return true;
      }
    }
  }
  return false;
}

}  // namespace

std::string CsvField(const std::string& utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

bool ParseLetterIndex(const std::string& text, LetterIndex* index, std::string* err) {
  *index = LetterIndex{};
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> f = Split(line, '\t');
    long first = 0, increment = 0;
    if (number == 1) {
      if (f.size() != 2 || f[0] != "CARTES" || !Integer(f[1], &first) || first < 0) {
        *err = "line 1: not a letter index";
        return false;
      }
      index->lines = static_cast<int>(first);
      continue;
    }
    if (line.empty()) continue;
    if (f.size() != 4 || !Integer(f[0], &first) || !Integer(f[3], &increment) || first < 1 ||
        (!index->letters.empty() && first < index->letters.back().first_line)) {
      *err = "line " + std::to_string(number) +
             ": not a letter (first line, receipt, tenant, increment)";
      return false;
    }
    index->letters.push_back(IndexedLetter{static_cast<int>(first), f[1], f[2], increment});
  }
  if (number == 0) {
    *err = "empty";
    return false;
  }
  return true;
}

bool WriteLetterFiles(const ParseResult& print_file, const LetterIndex& index,
                      const std::string& folder, const PdfOptions& options, std::ostream& out,
                      std::string* err, std::string* warning) {
  if (index.lines != print_file.lines) {
    *err = "the letter index is of a print file of " + std::to_string(index.lines) +
           " lines, not of this one of " + std::to_string(print_file.lines) +
           " (left by another run?)";
    return false;
  }
  if (!base::MakeDirectories(folder)) {
    *err = folder + ": cannot be made";
    return false;
  }
  const std::string dir = base::ResolvePath(folder) + "/";
  const int end_of_file = print_file.lines + 1;
  const int first_letter = index.letters.empty() ? end_of_file : index.letters.front().first_line;
  const std::vector<Page> before = LayOut(Slice(print_file.commands, 1, first_letter));
  if (HasText(before)) {
    PdfOptions o = options;
    o.title = TitleOf(before, options.author);
    if (!WritePdf(before, o, dir + "divivovi.pdf", err, warning)) return false;
    out << "divivovi: " << dir << "divivovi.pdf\n";
  }
  std::string csv = "file,receipt,tenant,increment\r\n";
  std::set<std::string> taken{"divivovi"};
  size_t written = 0;
  for (size_t k = 0; k < index.letters.size(); ++k) {
    const IndexedLetter& l = index.letters[k];
    const int end = k + 1 < index.letters.size() ? index.letters[k + 1].first_line : end_of_file;
    const std::vector<Page> pages = LayOut(Slice(print_file.commands, l.first_line, end));
    const std::string receipt = base::Cp850ToUtf8(l.receipt);
    if (!HasText(pages)) {
      out << "divivovi: the letter " << receipt
          << " has no text (its template could not be read?): no file\n";
      continue;
    }
    const std::string name = FileName(l.receipt, k + 1, &taken);
    PdfOptions o = options;
    o.title = TitleOf(pages, options.author);
    o.title += (o.title.empty() ? "" : " - ") + l.receipt;
    if (!WritePdf(pages, o, dir + name, err, warning)) return false;
    csv += CsvField(name) + "," + CsvField(receipt) + "," + CsvField(base::Cp850ToUtf8(l.tenant)) +
           "," + Euros(l.increment) + "\r\n";
    ++written;
  }
  std::ofstream file(dir + "index.csv", std::ios::binary | std::ios::trunc);
  file << csv;
  file.close();
  if (file.fail() || !base::SyncToDisk(dir + "index.csv")) {
    *err = dir + "index.csv: cannot be written";
    return false;
  }
  out << "divivovi: " << dir << ": " << written << " letters, one PDF each; " << dir
      << "index.csv\n";
  return true;
}

}  // namespace printer
