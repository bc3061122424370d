#include "base/message_catalogue.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <unordered_map>

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
      while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' &&
             text_[pos_] != '\n')
        ++pos_;
    } else {
      while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' &&
             text_[pos_] != '\n') {
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

struct Translations {
  std::string glg, oci, spa;
};

// The language file as last read, with what identifies that reading of it.
// The file is still looked at on every lookup; it is read and parsed again
// only when it is another file or has changed since.
struct Catalogue {
  bool loaded = false;
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  std::unordered_map<std::string, Translations> entries;  // the first entry of a key
};

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool IsCurrent(const Catalogue& c, const std::string& path, const struct stat& st) {
  return c.loaded && c.path == path && c.device == st.st_dev && c.inode == st.st_ino &&
         c.size == st.st_size && SameTime(c.modified, st.st_mtim) &&
         SameTime(c.changed, st.st_ctim);
}

void Parse(const std::string& contents, Catalogue* c) {
  c->entries.clear();
  for (LanguageFileEntry& e : ParseLanguageFile(contents)) {
    c->entries.emplace(std::move(e.catalan),
                       Translations{std::move(e.galician), std::move(e.aranese),
                                    std::move(e.spanish)});  // a later duplicate never wins
  }
}

// The file's entries, or nullptr when it cannot be read.
const Catalogue* CurrentCatalogue() {
  static Catalogue catalogue;
  const std::string path = ResolvePath(CataloguePath());
  struct stat now;
  if (::stat(path.c_str(), &now) == 0 && IsCurrent(catalogue, path, now)) return &catalogue;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  const bool known = ::fstat(fd, &st) == 0;
  // A FIFO or a device in its place is no language file: the texts stay
  // untranslated rather than the program waiting or filling its memory.
  if (known && (!S_ISREG(st.st_mode) || st.st_size > kLargestReadFile)) {
    ::close(fd);
    return nullptr;
  }
  if (!known || !IsCurrent(catalogue, path, st)) {
    std::string contents;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
      contents.append(buffer, static_cast<size_t>(n));
    if (n < 0) {
      ::close(fd);
      catalogue.loaded = false;
      return nullptr;
    }
    Parse(contents, &catalogue);
    catalogue.loaded = known;
    catalogue.path = path;
    catalogue.device = st.st_dev;
    catalogue.inode = st.st_ino;
    catalogue.size = st.st_size;
    catalogue.modified = st.st_mtim;
    catalogue.changed = st.st_ctim;
  }
  ::close(fd);
  return &catalogue;
}

}  // namespace

std::vector<LanguageFileEntry> ParseLanguageFile(std::string_view contents) {
  std::vector<LanguageFileEntry> entries;
  FieldReader reader(contents);
  while (!reader.AtEnd()) {
    LanguageFileEntry e;
    e.catalan = reader.Next();
    if (reader.AtEnd()) break;  // a lone last key is ignored
    e.galician = reader.Next();
    e.aranese = reader.Next();
    e.spanish = reader.Next();
    entries.push_back(std::move(e));
  }
  return entries;
}

void SetProgramIdentifier(std::string_view identifier) { g_program_identifier = identifier; }
void SetCatalogueName(std::string_view name) { g_catalogue_name = name; }

std::string Translate(std::string_view text) {
  const Language language = SessionLanguage();
  if (language == Language::kCatalan) return std::string(text);
  const Catalogue* catalogue = CurrentCatalogue();
  if (catalogue == nullptr) return std::string(text);
  const auto it = catalogue->entries.find(std::string(text));
  if (it == catalogue->entries.end()) return std::string(text);
  switch (language) {
    case Language::kSpanish:
      return it->second.spa;
    case Language::kGalician:
      return it->second.glg;
    case Language::kAranese:
      return it->second.oci;
    case Language::kCatalan:
      break;
  }
  return std::string(text);
}

}  // namespace base
