#include "base/message_catalogue.h"

#include <fcntl.h>
#include <unistd.h>

#include "base/platform.h"
#include "base/session_settings.h"

namespace base {
namespace {

std::string g_program_identifier;
std::string g_catalogue_name;

// Reads the fields of the comma-delimited sequential form one at a time.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  bool AtEnd() {
    SkipBlankLines();
    return pos_ >= text_.size();
  }

  std::string Next() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    std::string field;
    if (pos_ < text_.size() && text_[pos_] == '"') {
      const size_t close = text_.find('"', pos_ + 1);
      const size_t end = close == std::string_view::npos ? text_.size() : close;
      field = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = close == std::string_view::npos ? text_.size() : close + 1;
      while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
    } else {
      while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') {
        if (text_[pos_] != '\t') field.push_back(text_[pos_]);
        ++pos_;
      }
    }
    if (pos_ < text_.size() && text_[pos_] == ',') {
      ++pos_;
    } else {
      SkipLineEnd();
    }
    return field;
  }

 private:
  void SkipLineEnd() {
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  }
  void SkipBlankLines() {
    for (;;) {
      size_t p = pos_;
      while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t')) ++p;
      if (p < text_.size() && (text_[p] == '\r' || text_[p] == '\n')) {
        pos_ = p;
        SkipLineEnd();
        continue;
      }
      if (p >= text_.size()) pos_ = p;
      return;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

std::string CataloguePath() {
  const std::string& name = g_catalogue_name.empty() ? g_program_identifier : g_catalogue_name;
  return Settings().root_dir + "LOCALE\\" + name + ".LNG";
}

}  // namespace

void SetProgramIdentifier(std::string_view identifier) { g_program_identifier = identifier; }
void SetCatalogueName(std::string_view name) { g_catalogue_name = name; }

std::string Translate(std::string_view text) {
  const Language language = SessionLanguage();
  if (language == Language::kCatalan) return std::string(text);
  const std::string path = ResolvePath(CataloguePath());
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd >= 0) ::close(fd);
  std::string contents;
  if (!ReadWholeFile(path, &contents)) return std::string(text);
  FieldReader reader(contents);
  while (!reader.AtEnd()) {
    const std::string key = reader.Next();
    if (reader.AtEnd()) break;  // a lone last key is ignored
    const std::string glg = reader.Next();
    const std::string oci = reader.Next();
    const std::string spa = reader.Next();
    if (key == text) {
      switch (language) {
        case Language::kSpanish: return spa;
        case Language::kGalician: return glg;
        case Language::kAranese: return oci;
        case Language::kCatalan: break;
      }
    }
  }
  return std::string(text);
}

}  // namespace base
