// Every file under a folder with its bytes: what the tests compare to show
// that a program that had to stop wrote nothing at all.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "testing/run_mirtosek.h"

namespace testing_support {

using FileTree = std::map<std::string, std::string>;  // relative path -> bytes ("/" for a folder)

inline FileTree ReadFileTree(const std::string& root) {
  FileTree tree;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    const std::string relative = it->path().lexically_relative(root).string();
    // A FIFO, a device or a loop of links a test planted is named, never opened.
    std::error_code kind;
    tree[relative] = it->is_directory(kind)      ? "/"
                     : it->is_regular_file(kind) ? ReadFile(it->path().string())
                                                 : "<special>";
  }
  return tree;
}

// The paths added, removed or changed from before to after, one per line.
inline std::string TreeChanges(const FileTree& before, const FileTree& after) {
  std::string changes;
  for (const auto& [path, bytes] : after) {
    const auto old = before.find(path);
    if (old == before.end()) {
      changes += "added " + path + "\n";
    } else if (old->second != bytes) {
      changes += "changed " + path + "\n";
    }
  }
  for (const auto& [path, bytes] : before) {
    if (after.count(path) == 0) changes += "removed " + path + "\n";
  }
  return changes;
}

// Standard error of a mirtosek run without its run summary (the heading
// line and the indented lines under it).
inline std::string WithoutRunSummary(const std::string& err) {
  const size_t at = err.find("mirtosek: run summary");
  if (at == std::string::npos) return err;
  size_t end = err.find('\n', at);
  while (end != std::string::npos && err.compare(end + 1, 2, "  ") == 0)
    end = err.find('\n', end + 1);
  return err.substr(0, at) + (end == std::string::npos ? "" : err.substr(end + 1));
}

// Standard error of a run dated today without its run summary and without
// the notices of months missing from the CPI file: the shipped series ends a
// few months before today, so such a run says so (tested on its own).
inline std::string WithoutSummaryAndCpiNotices(const std::string& err) {
  const std::string rest = WithoutRunSummary(err);
  std::string kept;
  size_t at = 0;
  while (at < rest.size()) {
    size_t end = rest.find('\n', at);
    end = end == std::string::npos ? rest.size() : end + 1;
    const std::string line = rest.substr(at, end - at);
    if (line.rfind("mirtosek: TAULES\\UIpc has no CPI for ", 0) != 0) kept += line;
    at = end;
  }
  return kept;
}

}  // namespace testing_support
