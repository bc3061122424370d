// Every text the program passes to Translate has its entry, in each of the
// three other languages, in the language file that comes with the sample
// installation; otherwise a Spanish, Galician or Aranese report would keep
// that sentence in Catalan.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/message_catalogue.h"

namespace app {
namespace {

std::string ReadSource(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The string literals passed to the catalogue helper T("...") in a source
// file (the one way the program's code calls Translate); a long text is
// written as adjacent literals ("..." "..."), which make one.
std::vector<std::string> TranslatedLiterals(const std::string& source) {
  std::vector<std::string> texts;
  for (size_t at = source.find("T(\""); at != std::string::npos; at = source.find("T(\"", at + 3)) {
    if (at > 0 &&
        (std::isalnum(static_cast<unsigned char>(source[at - 1])) || source[at - 1] == '_'))
      continue;
    std::string text;
    size_t i = at + 2;
    while (i < source.size() && source[i] == '"') {
      for (++i; i < source.size() && source[i] != '"'; ++i) {
        if (source[i] == '\\' && i + 1 < source.size()) ++i;
        text.push_back(source[i]);
      }
      i = source.find_first_not_of(" \t\r\n", i + 1);
      if (i == std::string::npos) break;
    }
    texts.push_back(text);
  }
  return texts;
}

TEST(LanguageFile, HoldsEveryTextTheProgramTranslatesInEachLanguage) {
  const std::filesystem::path root(KEP_SOURCE_DIR);
  std::vector<std::string> texts;
  for (const char* folder : {"app", "base", "lease", "output"}) {
    for (const auto& entry : std::filesystem::directory_iterator(root / folder)) {
      const std::string name = entry.path().filename().string();
      if (entry.path().extension() != ".cc" || name.find("_test") != std::string::npos) continue;
      const std::vector<std::string> found = TranslatedLiterals(ReadSource(entry.path()));
      texts.insert(texts.end(), found.begin(), found.end());
    }
  }
  ASSERT_GT(texts.size(), 50u);  // the report's phrases and its page header

  std::set<std::string> complete;
  for (const base::LanguageFileEntry& e :
       base::ParseLanguageFile(ReadSource(root / "sample" / "LOCALE" / "MIRTOSEK.LNG"))) {
    if (!e.galician.empty() && !e.aranese.empty() && !e.spanish.empty()) complete.insert(e.catalan);
  }
  for (const std::string& text : texts) {
    EXPECT_EQ(complete.count(base::Cp(text.c_str())), 1u)
        << "no entry in every language for \"" << text << "\"";
  }
}

}  // namespace
}  // namespace app
