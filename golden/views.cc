#include "golden/views.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <vector>

#include "testing/poppler.h"
#include "testing/run_mirtosek.h"

namespace golden {
namespace {

namespace fs = std::filesystem;
using testing_support::Capture;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// pdffonts without its last column, the numbers of the PDF's objects.
std::string Fonts(const std::string& pdf) {
  std::istringstream in(Capture("pdffonts " + Quoted(pdf)));
  std::string line, out;
  size_t width = std::string::npos;
  while (std::getline(in, line)) {
    if (width == std::string::npos) width = line.find("object ID");
    line = line.substr(0, width);
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
  }
  return out;
}

// The lines of pdfinfo that give the keys, in pdfinfo's order.
std::string Info(const std::string& pdf, const std::vector<std::string>& keys) {
  std::istringstream in(Capture("pdfinfo " + Quoted(pdf)));
  std::string line, out;
  while (std::getline(in, line)) {
    for (const std::string& k : keys) {
      if (line.rfind(k + ":", 0) == 0) out += line + "\n";
    }
  }
  return out;
}

std::string PdfText(const std::string& pdf, const std::string& page) {
  const std::string pages = page.empty() ? "" : "-f " + page + " -l " + page + " ";
  return Capture("pdftotext -layout " + pages + Quoted(pdf) + " -");
}

std::string FontsAndInfo(const std::string& pdf) {
  return Fonts(pdf) + Info(pdf, {"Title", "Author", "Pages", "Page size"});
}

std::string Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const std::string& n : names) {
    listing += n + "\n";
    if (n.size() > 4 && n.substr(n.size() - 4) == ".pdf") {
      listing += Info(folder + "/" + n, {"Title", "Author", "Pages"});
    }
  }
  return listing;
}

std::string WithoutDeviceLine(const std::string& path) {
  const std::string all = testing_support::ReadFile(path);
  const size_t end = all.find("\r\n");
  return end == std::string::npos ? "" : all.substr(end + 2);
}

struct View {
  const char* name;
  size_t max_args;  // words after the path
  bool needs_poppler;
  std::string (*make)(const std::string& path, const std::vector<std::string>& args);
};

const View kViews[] = {
    {"without-device-line", 0, false,
     [](const std::string& path, const std::vector<std::string>&) {
       return WithoutDeviceLine(path);
     }},
    {"pdf-text", 1, true,
     [](const std::string& path, const std::vector<std::string>& args) {
       return PdfText(path, args.empty() ? "" : args[0]);
     }},
    {"pdf-fonts-info", 0, true,
     [](const std::string& path, const std::vector<std::string>&) { return FontsAndInfo(path); }},
    {"pdf-listing", 0, true,
     [](const std::string& path, const std::vector<std::string>&) { return Listing(path); }},
};

const View* FindView(const std::string& name) {
  for (const View& v : kViews) {
    if (name == v.name) return &v;
  }
  return nullptr;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

}  // namespace

bool MakeView(const std::string& view, const std::string& run_dir, std::string* bytes,
              std::string* err) {
  const std::vector<std::string> words = Words(view);
  const View* found = words.empty() ? nullptr : FindView(words[0]);
  const bool as_it_is = !found && words.size() == 1;  // a path, not a view's name
  if (!as_it_is && (!found || words.size() < 2 || words.size() - 2 > found->max_args)) {
    *err = "\"" + view + "\" is not a view";
    return false;
  }
  const std::string& file = as_it_is ? words[0] : words[1];
  const std::string path = run_dir + "/" + file;
  if (!fs::exists(path)) {
    *err = file + " was not made";
    return false;
  }
  if (as_it_is) {
    *bytes = testing_support::ReadFile(path);
    return true;
  }
  if (found->needs_poppler && !testing_support::HavePoppler()) {
    *err = "poppler-utils is missing: scripts/install-deps.sh installs it";
    return false;
  }
  *bytes = found->make(path, std::vector<std::string>(words.begin() + 2, words.end()));
  return true;
}

}  // namespace golden
