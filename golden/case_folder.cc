#include "golden/case_folder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "base/ini_file.h"

namespace golden {
namespace {

namespace fs = std::filesystem;

// The regular files under folder, relative to it, sorted; none when the
// folder is missing.
std::vector<std::string> FilesUnder(const fs::path& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), folder).generic_string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The step folders of a case: its subfolders whose names begin with a
// digit, in the order of their names.
std::vector<fs::path> StepFolders(const fs::path& folder) {
  std::vector<fs::path> steps;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (e.is_directory() && std::isdigit(static_cast<unsigned char>(name[0]))) {
      steps.push_back(e.path());
    }
  }
  std::sort(steps.begin(), steps.end());
  return steps;
}

std::string Where(const fs::path& ini, const base::IniEntry& e) {
  return ini.generic_string() + ", line " + std::to_string(e.line);
}

// The [input] and [expect] sections of a step's ini and its input/ and
// expected/ folders.
bool ReadStep(const fs::path& folder, const fs::path& ini, Step* step, std::string* err) {
  step->folder = folder.string();
  for (const std::string& file : FilesUnder(folder / "input")) {
    step->inputs.push_back({(folder / "input" / file).string(), file});
  }
  for (const base::IniEntry& e : base::IniSection(ini.string(), "input")) {
    const fs::path source = (folder / e.value).lexically_normal();
    if (!e.has_equals || !fs::is_regular_file(source)) {
      *err = Where(ini, e) + ": not \"run path=file\" of a file that exists";
      return false;
    }
    step->inputs.push_back({source.string(), e.key});
  }
  std::set<std::string> viewed;
  for (const base::IniEntry& e : base::IniSection(ini.string(), "expect")) {
    const fs::path expected = (folder / e.key).lexically_normal();
    if (!e.has_equals || e.value.empty() || !fs::is_regular_file(expected)) {
      *err =
          Where(ini, e) + ": not \"expected file=what is compared with it\" of a file that exists";
      return false;
    }
    step->expectations.push_back({expected.string(), e.value});
    viewed.insert(expected.string());
  }
  for (const std::string& file : FilesUnder(folder / "expected")) {
    const fs::path expected = (folder / "expected" / file).lexically_normal();
    if (viewed.count(expected.string()) == 0)
      step->expectations.push_back({expected.string(), file});
  }
  return true;
}

bool ReadCaseSection(const fs::path& ini, Case* c, std::string* err) {
  for (const base::IniEntry& e : base::IniSection(ini.string(), "case")) {
    if (!e.has_equals) {
      *err = Where(ini, e) + ": not \"key=value\"";
      return false;
    }
    c->keys[e.key] = e.value;
  }
  if (c->Key("program").empty()) {
    *err = ini.generic_string() + ": [case] names no program";
    return false;
  }
  return true;
}

}  // namespace

std::string Case::Key(const std::string& key, const std::string& fallback) const {
  const auto it = keys.find(key);
  return it == keys.end() ? fallback : it->second;
}

std::vector<std::string> FindCaseFolders(const std::string& root) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_directory() || !fs::is_regular_file(it->path() / "case.ini")) continue;
    names.push_back(fs::relative(it->path(), root).generic_string());
    it.disable_recursion_pending();
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadCase(const std::string& root, const std::string& name, Case* c, std::string* err) {
  const fs::path folder = fs::path(root) / name;
  const fs::path ini = folder / "case.ini";
  c->name = name;
  c->folder = folder.string();
  if (!ReadCaseSection(ini, c, err)) return false;
  const std::vector<fs::path> steps = StepFolders(folder);
  if (steps.empty()) {
    c->steps.emplace_back();
    if (!ReadStep(folder, ini, &c->steps.back(), err)) return false;
  } else if (fs::exists(folder / "input") || fs::exists(folder / "expected") ||
             !base::IniSection(ini.string(), "input").empty() ||
             !base::IniSection(ini.string(), "expect").empty()) {
    *err =
        folder.generic_string() + ": a case of steps keeps its inputs and expected files in them";
    return false;
  }
  for (const fs::path& step : steps) {
    c->steps.emplace_back();
    if (!ReadStep(step, step / "step.ini", &c->steps.back(), err)) return false;
  }
  for (const Step& s : c->steps) {
    if (!s.expectations.empty()) return true;
  }
  *err = folder.generic_string() + ": the case has no expected file";
  return false;
}

}  // namespace golden
