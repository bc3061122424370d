// Shared pieces of the fuzz targets: a scratch directory for the files a
// target writes, and the input cut into parts.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// A directory of this process, removed when it ends normally; ends in "/".
inline const std::string& Scratch() {
  // Never destroyed: the exit handler that removes it runs after static
  // objects are gone.
  static const std::string* dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kep_fuzz_XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) std::abort();
    auto* d = new std::string(std::string(made) + "/");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Scratch(), ec);
    });
    return d;
  }();
  return *dir;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The input cut at every "\n--\n": the parts of a target that takes several.
inline std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  while (parts.size() + 1 < count) {
    const size_t cut = in.find("\n--\n");
    if (cut == std::string_view::npos) break;
    parts.emplace_back(in.substr(0, cut));
    in.remove_prefix(cut + 4);
  }
  parts.emplace_back(in);
  parts.resize(count);
  return parts;
}

// The data tool enters the data root; the fuzzer reads its corpus by paths
// relative to where it was started.
template <typename Run>
int KeepingDirectory(Run run) {
  const std::filesystem::path here = std::filesystem::current_path();
  const int rc = run();
  std::filesystem::current_path(here);
  return rc;
}

}  // namespace fuzz
