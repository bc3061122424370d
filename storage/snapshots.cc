#include "storage/snapshots.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/fault_points.h"
#include "base/platform.h"
#include "storage/lock_files.h"
#include "storage/postgres_backend.h"
#include "storage/record_file.h"

namespace storage {
namespace {

namespace fs = std::filesystem;

constexpr char kFolder[] = "SNAPSHOTS";
constexpr char kPartial[] = ".partial";
constexpr int kBusyMs = 10000;

std::string RootOf(const std::string& root) {
  std::string r = base::ResolvePath(root);
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return r;
}

bool IsPartial(const std::string& name) {
  const size_t n = sizeof kPartial - 1;
  return name.size() > n && name.compare(name.size() - n, n, kPartial) == 0;
}

std::string FolderOf(const std::string& root) { return RootOf(root) + "/" + kFolder; }

// A file of the installation, matched as the programs match it.
std::string LivePath(const std::string& root, const std::string& relative) {
  return base::ResolvePath(root + "/" + relative);
}

std::string LocalTime(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char text[32];
  std::strftime(text, sizeof text, format, &t);
  return text;
}

// The table of a data file in its lock file: "DADES/DepartaV.dat" -> "DepartaV".
std::string TableOf(const std::string& path) { return fs::path(path).stem().string(); }

bool WriteWhole(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ok = ::fsync(fd) == 0 && ok;
  return ::close(fd) == 0 && ok;
}

void SyncFolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    (void)::fsync(fd);
    ::close(fd);
  }
}

std::string SqliteError(sqlite3* db) { return db ? sqlite3_errmsg(db) : "out of memory"; }

// Copies every file into folder under one read transaction, so that the
// copies show the files at one moment.
bool CopySqliteFiles(const std::string& root, const std::vector<SnapshotFile>& files,
                     const std::string& folder, std::string* err) {
  sqlite3* src = nullptr;
  bool ok = sqlite3_open_v2(":memory:", &src, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
  if (ok) sqlite3_busy_timeout(src, kBusyMs);
  for (size_t i = 0; ok && i < files.size(); ++i) {
    const std::string path = LivePath(root, files[i].path);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
      *err = path + ": no such data file";
      ok = false;
      break;
    }
    char* quoted = sqlite3_mprintf("ATTACH %Q AS f%d", path.c_str(), static_cast<int>(i));
    ok = sqlite3_exec(src, quoted, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_free(quoted);
    if (!ok) *err = path + ": " + SqliteError(src);
  }
  if (ok) ok = sqlite3_exec(src, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  // A read of each file opens its read transaction now, for all of them.
  for (size_t i = 0; ok && i < files.size(); ++i) {
    const std::string sql = "SELECT count(*) FROM f" + std::to_string(i) + ".records";
    ok = sqlite3_exec(src, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) *err = files[i].path + ": " + SqliteError(src);
  }
  for (size_t i = 0; ok && i < files.size(); ++i) {
    const std::string target = folder + "/" + files[i].path;
    std::error_code ec;
    fs::create_directories(fs::path(target).parent_path(), ec);
    sqlite3* dst = nullptr;
    ok = sqlite3_open_v2(target.c_str(), &dst, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                         nullptr) == SQLITE_OK;
    const std::string schema = "f" + std::to_string(i);
    sqlite3_backup* b = ok ? sqlite3_backup_init(dst, "main", src, schema.c_str()) : nullptr;
    ok = b != nullptr;
    if (ok) {
      base::FaultPoint();  // the snapshot half taken
      const int rc = sqlite3_backup_step(b, -1);
      ok = rc == SQLITE_DONE;
    }
    if (b != nullptr) sqlite3_backup_finish(b);
    // The copy is a plain file of its own, without a write-ahead log beside it.
    ok = ok &&
         sqlite3_exec(dst, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) *err = target + ": " + SqliteError(dst);
    ok = sqlite3_close(dst) == SQLITE_OK && ok;
    if (ok) {
      const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
      ok = fd >= 0 && ::fsync(fd) == 0;
      if (fd >= 0) ::close(fd);
      if (!ok) *err = target + ": cannot be written to disk";
    }
  }
  if (src != nullptr) {
    sqlite3_exec(src, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(src);
  }
  return ok;
}

std::string Manifest(const std::vector<SnapshotFile>& files, const std::string& engine,
                     const std::string& schema) {
  std::string m = "taken=" + LocalTime("%Y-%m-%d %H:%M:%S") + "\nengine=" + engine + "\n";
  if (!schema.empty()) m += "schema=" + schema + "\n";
  for (const SnapshotFile& f : files) m += "file=" + std::to_string(f.code) + " " + f.path + "\n";
  return m;
}

bool ReadManifest(const std::string& folder, SnapshotInfo* info) {
  std::ifstream in(folder + "/MANIFEST");
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "taken") info->taken = value;
    if (key == "engine") info->engine = value;
    if (key == "schema") info->schema = value;
    if (key == "file") {
      const size_t blank = value.find(' ');
      if (blank == std::string::npos) return false;
      SnapshotFile f;
      f.code = std::atoi(value.substr(0, blank).c_str());
      f.path = value.substr(blank + 1);
      if (f.path.empty() || f.path.find("..") != std::string::npos || f.path[0] == '/')
        return false;
      info->files.push_back(f);
    }
  }
  return (info->engine == "sqlite" || (info->engine == "postgres" && !info->schema.empty())) &&
         !info->files.empty();
}

long JournalLines(const std::string& folder) {
  std::ifstream in(folder + "/WRITTEN");
  long n = 0;
  std::string line;
  while (std::getline(in, line)) n += line.empty() ? 0 : 1;
  return n;
}

// The time and the process: two stations may take theirs in one second.
std::string NewName() { return LocalTime("%Y%m%d-%H%M%S") + "-" + std::to_string(::getpid()); }

// A folder a killed run left: older than any snapshot takes, so that another
// station's snapshot in progress is never taken for one.
bool IsAbandoned(const fs::path& partial) {
  std::error_code ec;
  const auto when = fs::last_write_time(partial, ec);
  return !ec && fs::file_time_type::clock::now() - when > std::chrono::hours(1);
}

std::string CopySchemaName(const std::string& schema, const std::string& name) {
  std::string s = schema + "_snap_" + name;
  std::replace(s.begin(), s.end(), '-', '_');
  return s;
}

// A lock entry of the table that a workstation still holds: it is
// rewriting part of the table.
bool TableHasLockEntry(const std::string& root, const std::string& table) {
  std::ifstream in(LivePath(root, "LOCKS/" + table + ".lck"), std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int64_t now = LockClock();
  for (size_t at = 0; at + kLockEntrySize <= bytes.size(); at += kLockEntrySize) {
    if (IsHeldEntry(std::string_view(bytes).substr(at, kLockEntrySize), now,
                    LivePath(root, "LOCKS"))) {
      return true;
    }
  }
  return false;
}

// Takes the whole record-lock file of a data file, so that no workstation
// holds or takes a record of it while the restore runs; -1 when one does.
int HoldAllRecords(const std::string& data_file) {
  const int fd =
      ::open((data_file + ".rlk").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return -1;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool RestoreSqliteFile(const std::string& copy, const std::string& live, std::string* err) {
  sqlite3* src = nullptr;
  sqlite3* dst = nullptr;
  bool ok = sqlite3_open_v2(copy.c_str(), &src, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
            sqlite3_open_v2(live.c_str(), &dst, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
  if (ok) sqlite3_busy_timeout(dst, kBusyMs);
  sqlite3_backup* b = ok ? sqlite3_backup_init(dst, "main", src, "main") : nullptr;
  ok = b != nullptr;
  if (ok) {
    int rc;
    do {
      rc = sqlite3_backup_step(b, -1);
      if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) sqlite3_sleep(50);
    } while (rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    ok = rc == SQLITE_DONE;
  }
  if (b != nullptr) sqlite3_backup_finish(b);
  if (!ok) *err = live + ": " + SqliteError(dst);
  sqlite3_close(src);
  sqlite3_close(dst);
  return ok;
}

void AppendRestoreLog(const std::string& root, int code) {
  const std::string line = OperationsLogLine(code, 14, 0);
  const int fd =
      ::open(LivePath(root, "db.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return;
  (void)!::write(fd, line.data(), line.size());
  ::close(fd);
}

}  // namespace

bool TakeSnapshot(const std::string& root_text, const std::vector<SnapshotFile>& files,
                  std::string* name, std::string* err) {
  const std::string root = RootOf(root_text);
  const std::string folder = FolderOf(root_text);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    *err = folder + ": the snapshot folder cannot be made (" + ec.message() + ")";
    return false;
  }
  PruneSnapshots(root_text, kSnapshotsKept);
  *name = NewName();
  const std::string partial = folder + "/" + *name + kPartial;
  if (!fs::create_directory(partial, ec)) {
    *err = partial + ": " + (ec ? ec.message() : "exists");
    return false;
  }
  postgres::Location location;
  const bool on_server =
      !files.empty() && postgres::LocationOf(root + "/" + files[0].path, &location);
  std::string schema;
  bool ok;
  if (on_server) {
    std::vector<std::string> tables;
    for (const SnapshotFile& f : files) {
      postgres::Location l;
      postgres::LocationOf(root + "/" + f.path, &l);
      tables.push_back(l.table);
    }
    schema = CopySchemaName(location.schema, *name);
    ok = postgres::CopyTablesToSchema(location.server, location.schema, tables, schema, err);
  } else {
    ok = CopySqliteFiles(root, files, partial, err);
  }
  if (ok) base::FaultPoint();  // copied, the snapshot not yet complete
  ok = ok && WriteWhole(partial + "/MANIFEST",
                        Manifest(files, on_server ? "postgres" : "sqlite", schema));
  if (ok) {
    SyncFolder(partial);
    fs::rename(partial, folder + "/" + *name, ec);
    ok = !ec;
    if (ec) *err = partial + ": " + ec.message();
    SyncFolder(folder);
  } else if (err->empty()) {
    *err = partial + ": the snapshot cannot be written";
  }
  if (!ok) {
    fs::remove_all(partial, ec);
    if (on_server && !schema.empty()) {
      std::string ignored;
      (void)postgres::DropSchema(location.server, schema, &ignored);
    }
  }
  return ok;
}

std::vector<SnapshotInfo> ListSnapshots(const std::string& root) {
  std::vector<SnapshotInfo> out;
  std::error_code ec;
  const std::string folder = FolderOf(root);
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (!e.is_directory() || IsPartial(name)) continue;
    SnapshotInfo info;
    info.name = name;
    if (!ReadManifest(e.path().string(), &info)) continue;
    info.written_units = JournalLines(e.path().string());
    out.push_back(info);
  }
  std::sort(out.begin(), out.end(), [](const SnapshotInfo& a, const SnapshotInfo& b) {
    return a.taken != b.taken ? a.taken < b.taken : a.name < b.name;
  });
  return out;
}

void PruneSnapshots(const std::string& root, int keep) {
  const std::string folder = FolderOf(root);
  std::error_code ec;
  // What runs killed while taking their snapshot left.
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (IsPartial(name) && IsAbandoned(e.path())) fs::remove_all(e.path(), ec);
  }
  std::vector<SnapshotInfo> all = ListSnapshots(root);
  for (size_t i = 0; i + static_cast<size_t>(std::max(keep, 0)) < all.size(); ++i) {
    const SnapshotInfo& old = all[i];
    if (old.engine == "postgres") {
      postgres::Location location;
      if (postgres::LocationOf(RootOf(root) + "/" + old.files[0].path, &location)) {
        std::string ignored;
        if (!postgres::DropSchema(location.server, old.schema, &ignored)) continue;
      }
    }
    fs::remove_all(folder + "/" + old.name, ec);
  }
}

// The write-backs after the snapshot are undone: their journals no longer
// say what the records show.
void SetJournalsUndone(const std::string& root, const SnapshotInfo& restored) {
  bool after = false;
  std::error_code ec;
  for (const SnapshotInfo& s : ListSnapshots(root)) {
    after = after || s.name == restored.name;
    if (after)
      fs::rename(FolderOf(root) + "/" + s.name + "/WRITTEN",
                 FolderOf(root) + "/" + s.name + "/UNDONE", ec);
  }
}

bool RestoreSnapshot(const std::string& root_text, const std::string& name, std::string* err) {
  const std::string root = RootOf(root_text);
  SnapshotInfo info;
  info.name = name;
  const std::string folder = FolderOf(root_text) + "/" + name;
  if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos ||
      !ReadManifest(folder, &info)) {
    *err = "no complete snapshot \"" + name + "\" in " + FolderOf(root_text) +
           " (kepdata snapshots lists them)";
    return false;
  }
  for (const SnapshotFile& f : info.files) {
    if (TableHasLockEntry(root, TableOf(f.path))) {
      *err = "a workstation holds a lock entry of " + TableOf(f.path) + " (LOCKS/" +
             TableOf(f.path) + ".lck): wait until its run has ended; nothing was restored";
      return false;
    }
  }
  if (info.engine == "postgres") {
    postgres::Location location;
    if (!postgres::LocationOf(root + "/" + info.files[0].path, &location)) {
      *err = "the snapshot is of a server, and the installation's Vorn.ini names none";
      return false;
    }
    std::vector<std::string> tables;
    for (const SnapshotFile& f : info.files) {
      postgres::Location l;
      postgres::LocationOf(root + "/" + f.path, &l);
      tables.push_back(l.table);
    }
    if (!postgres::RestoreTablesFromSchema(location.server, info.schema, location.schema, tables,
                                           err))
      return false;
    for (const SnapshotFile& f : info.files) AppendRestoreLog(root, f.code);
    SetJournalsUndone(root_text, info);
    return true;
  }
  std::vector<int> held;
  bool ok = true;
  for (const SnapshotFile& f : info.files) {
    const int fd = HoldAllRecords(LivePath(root, f.path));
    if (fd < 0) {
      *err = "a workstation holds a record of " + f.path +
             ": wait until its run has ended; nothing was restored";
      ok = false;
      break;
    }
    held.push_back(fd);
  }
  for (size_t i = 0; ok && i < info.files.size(); ++i) {
    ok = RestoreSqliteFile(folder + "/" + info.files[i].path, LivePath(root, info.files[i].path),
                           err);
    if (ok) AppendRestoreLog(root, info.files[i].code);
  }
  for (int fd : held) ::close(fd);
  if (ok) SetJournalsUndone(root_text, info);
  return ok;
}

void NoteWrittenUnit(const std::string& root, const std::string& name, const std::string& line) {
  const std::string path = FolderOf(root) + "/" + name + "/WRITTEN";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return;
  const std::string whole = line + "\n";
  (void)!::write(fd, whole.data(), whole.size());
  ::close(fd);
}

std::set<std::string> EarlierWrittenUnits(const std::string& root, const std::string& except) {
  std::set<std::string> units;
  for (const SnapshotInfo& s : ListSnapshots(root)) {
    if (s.name == except) continue;
    std::ifstream in(FolderOf(root) + "/" + s.name + "/WRITTEN");
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty()) units.insert(line);
    }
  }
  return units;
}

}  // namespace storage
