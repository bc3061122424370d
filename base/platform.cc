#include "base/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "base/codepage.h"

extern char** environ;

namespace base {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperCase850(a[i]) != UpperCase850(b[i])) return false;
  }
  return true;
}

// The entry of directory dir named like component without regard to case,
// or the component itself when the directory holds no such entry.
//
// A name found without regard to case is remembered, so that the next lookup
// of it costs one stat instead of a scan of the directory (a lock file named
// in upper case by one call and in mixed case by another is looked up for
// every unit). What is remembered is used only while it still exists.
std::string MatchComponent(const std::string& dir, const std::string& component,
                           bool known_missing = false) {
  const std::string probe = dir.empty() ? component : dir + "/" + component;
  struct stat st;
  if (!known_missing && ::lstat(probe.c_str(), &st) == 0) return component;
  static std::map<std::string, std::string> matched;  // probe -> entry found
  const auto known = matched.find(probe);
  if (known != matched.end()) {
    const std::string path = dir.empty() ? known->second : dir + "/" + known->second;
    if (::lstat(path.c_str(), &st) == 0) return known->second;
    matched.erase(known);
  }
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return component;
  std::string found = component;
  while (dirent* e = ::readdir(d)) {
    if (SameIgnoringCase(e->d_name, component)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  if (found != component && matched.size() < 4096) matched[probe] = found;
  return found;
}

}  // namespace

std::string ResolvePath(std::string_view path) {
  // The system would end such a name at the NUL and reach another file.
  if (path.find('\0') != std::string_view::npos) return std::string();
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (IsSeparator(c)) {
      parts.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  parts.push_back(current);

  bool absolute = !path.empty() && IsSeparator(path.front());
  // Most paths exist as written: one stat settles them.
  std::string exact = absolute ? "/" : "";
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!exact.empty() && exact != "/") exact += "/";
    exact += part;
  }
  struct stat exact_st;
  if (!exact.empty() && exact != "/" && ::stat(exact.c_str(), &exact_st) == 0) {
    if (IsSeparator(path.back())) exact += "/";
    return exact;
  }
  // Next most often only the last name differs in case (or is new): when the
  // folder exists as written, only that name is looked for in it.
  const size_t last_slash = exact.rfind('/');
  const std::string last = last_slash == std::string::npos ? exact : exact.substr(last_slash + 1);
  if (last_slash != std::string::npos && last_slash > 0 && last != "." && last != ".." &&
      ::stat(exact.substr(0, last_slash).c_str(), &exact_st) == 0 && S_ISDIR(exact_st.st_mode)) {
    // The exact name was just found missing.
    std::string resolved =
        exact.substr(0, last_slash + 1) + MatchComponent(exact.substr(0, last_slash), last, true);
    if (IsSeparator(path.back())) resolved += "/";
    return resolved;
  }

  bool exists_so_far = true;
  std::string dir = absolute ? "/" : "";
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part.empty()) continue;  // leading, doubled or trailing separator
    std::string name = part;
    if (exists_so_far && part != "." && part != "..") {
      name = MatchComponent(dir == "/" ? "/" : dir, part);
      const std::string next = dir.empty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
      struct stat st;
      exists_so_far = ::stat(next.c_str(), &st) == 0;
    }
    dir = dir.empty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
  }
  if (dir.empty()) return absolute ? "/" : "";
  if (!path.empty() && IsSeparator(path.back()) && dir != "/") dir += "/";
  return dir;
}

std::string GetEnv(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

void SetEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (ec) return path;
  return (cwd / path).string();
}

std::string ExecutableDirectory() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::string();
  return self.parent_path().string();
}

std::string FindOnPath(const std::string& name) {
  const std::string path = GetEnv("PATH");
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string dir = end > start ? path.substr(start, end - start) : ".";
    const std::string candidate = dir + "/" + name;
    struct stat st;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return std::string();
}

std::string MakePrivateDirectory(const std::string& prefix, std::string* err) {
  std::string base = GetEnv("TMPDIR");
  if (base.empty()) base = "/tmp";
  std::string pattern = base + "/" + prefix + "XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    *err = base + ": " + std::strerror(errno);
    return std::string();
  }
  return pattern;
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

bool SetCurrentDir(std::string_view path) {
  const std::string resolved = ResolvePath(path);
  return ::chdir(resolved.c_str()) == 0;
}

bool PathExists(std::string_view path) {
  struct stat st;
  return ::stat(ResolvePath(path).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view path) {
  struct stat st;
  return ::stat(ResolvePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(std::string_view path) {
  const std::string resolved = ResolvePath(path);
  std::string sofar;
  for (size_t i = 0; i <= resolved.size(); ++i) {
    if (i == resolved.size() || resolved[i] == '/') {
      if (!sofar.empty() && sofar != "/") {
        if (::mkdir(sofar.c_str(), 0777) != 0 && errno != EEXIST) return false;
      }
    }
    if (i < resolved.size()) sofar.push_back(resolved[i]);
  }
  struct stat st;
  return ::stat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReplaceFileContents(std::string_view path, std::string_view bytes) {
  // Not through a symbolic link: the session's folder may be reached by others.
  const int fd =
      ::open(ResolvePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == bytes.size() && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
  return ::close(fd) == 0 && ok;
}

bool ReadWholeFile(std::string_view path, std::string* contents) {
  const std::string resolved = ResolvePath(path);
  // Opened without waiting (a FIFO planted in its place must not hang the
  // program), then taken only when it is a regular file of a size a text of
  // the suite can have: a folder, a device or /dev/zero is no file to read.
  const int fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargestReadFile) {
    ::close(fd);
    return false;
  }
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
    bytes.append(buffer, static_cast<size_t>(n));
    if (static_cast<off_t>(bytes.size()) > kLargestReadFile) break;
  }
  ::close(fd);
  if (n < 0 || static_cast<off_t>(bytes.size()) > kLargestReadFile) return false;
  *contents = std::move(bytes);
  return true;
}

bool SyncToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno != EIO;
  const bool lost = ::fsync(fd) != 0 && (errno == EIO || errno == ENOSPC || errno == EDQUOT);
  ::close(fd);
  return !lost;
}

std::string HostName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return std::string();
  return std::string(buf);
}

bool RunProgramAndWait(std::string_view program, int* exit_status, std::string* err) {
  const std::string resolved = ResolvePath(program);
  if (::access(resolved.c_str(), X_OK) != 0) {
    *err = resolved + ": " + std::strerror(errno);
    return false;
  }
  char* argv[] = {const_cast<char*>(resolved.c_str()), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, resolved.c_str(), nullptr, nullptr, argv, environ);
  if (rc != 0) {
    *err = resolved + ": " + std::strerror(rc);
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      *err = resolved + ": " + std::strerror(errno);
      return false;
    }
  }
  *exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  // posix_spawn reports an exec failure as exit status 127 of the child.
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
    *err = resolved + ": could not be executed";
    return false;
  }
  return true;
}

void SleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace base
