#include "app/base_changes.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/ini_file.h"

namespace app {

lease::BaseChangeTable LoadBaseChanges(const std::string& vorn_ini_path, std::FILE* messages) {
  std::vector<lease::BaseChangeEntry> entries;
  std::vector<std::string> problems;
  for (const base::IniEntry& line : base::IniSection(vorn_ini_path, "IPC")) {
    if (!line.has_equals) {
      problems.push_back("line " + std::to_string(line.line) + ": \"" + line.key +
                         "\" is not MONTH=FACTOR");
      continue;
    }
    entries.push_back({line.key, line.value, line.line});
  }
  lease::BaseChangeTable table =
      lease::ExtendBaseChanges(lease::BuiltInBaseChanges(), entries, &problems);
  // In the order of the file's lines ("line N: ...").
  std::stable_sort(problems.begin(), problems.end(),
                   [](const std::string& a, const std::string& b) {
                     return std::atoi(a.c_str() + 5) < std::atoi(b.c_str() + 5);
                   });
  for (const std::string& problem : problems) {
    std::fprintf(messages, "mirtosek: Vorn.ini [IPC] %s; that base change is not used\n",
                 problem.c_str());
  }
  return table;
}

}  // namespace app
