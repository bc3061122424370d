#include "storage/lock_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/codepage.h"
#include "base/console.h"
#include "base/fault_points.h"
#include "base/platform.h"
#include "base/run_environment.h"
#include "base/session_settings.h"
#include "storage/little_endian.h"

namespace storage {
namespace {

std::string Pad(std::string_view s, size_t width) {
  std::string out(s.substr(0, std::min(s.size(), width)));
  out.resize(width, ' ');
  return out;
}

std::string Trim(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::string();
  return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

struct Entry {
  std::string bytes;  // 121
  std::string Name() const { return bytes.substr(0, 15); }
  std::string Station() const { return Trim(bytes.substr(15, 11)); }
  int64_t Time() const { return std::atoll(bytes.substr(26, 8).c_str()); }
  char Kind() const { return bytes[34]; }
  size_t LowerLength() const { return static_cast<size_t>(std::atoi(bytes.substr(35, 2).c_str())); }
  std::string Lower() const { return bytes.substr(37, 40); }
  size_t UpperLength() const { return static_cast<size_t>(std::atoi(bytes.substr(77, 2).c_str())); }
  std::string Upper() const { return bytes.substr(79, 40); }
  void Free() {
    bytes.replace(0, 26, std::string(26, ' '));
    bytes[34] = ' ';
  }
};

bool ReadAll(int fd, std::string* contents) {
  contents->clear();
  if (::lseek(fd, 0, SEEK_SET) < 0) return false;
  char buf[8192];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) contents->append(buf, static_cast<size_t>(n));
  return n == 0;
}

std::vector<Entry> Entries(const std::string& contents) {
  std::vector<Entry> entries;
  // A torn tail (less than a whole entry) is ignored.
  for (size_t at = 0; at + kLockEntrySize <= contents.size(); at += kLockEntrySize) {
    entries.push_back(Entry{contents.substr(at, kLockEntrySize)});
  }
  return entries;
}

// False when the entry did not reach the file whole (errno says why).
bool WriteEntry(int fd, size_t index, const std::string& bytes) {
  const off_t at = static_cast<off_t>(index * kLockEntrySize);
  base::FaultPoint();
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, at + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  base::FaultPoint();
  return true;
}

std::string LockDirectory() { return base::Settings().root_dir + "LOCKS"; }

// Opens the table's lock file and takes the exclusive lock of one request;
// -1 (with *problem) when the file cannot be opened.
int OpenLocked(base::RunEnvironment& env, const std::string& table, std::string* problem) {
  const int fd = OpenLockFile(env, LockDirectory(), table + ".lck", problem);
  if (fd < 0) return fd;
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  return fd;
}

void CloseLocked(int fd) {
  ::flock(fd, LOCK_UN);
  ::close(fd);
}

}  // namespace

std::string LockWaitingMessage() {
  const char* text = "FITXER BLOQUEJAT. ESPEREU UN MOMENT";
  switch (base::SessionLanguage()) {
    case base::Language::kSpanish:
      text = "FICHERO BLOQUEADO. ESPERE UN MOMENTO";
      break;
    case base::Language::kGalician:
      text = "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO";
      break;
    case base::Language::kAranese:
      text = "FICHÈR BLOQUEJAT. ESPERATZ UN MOMENT";
      break;
    case base::Language::kCatalan:
      break;
  }
  return base::Cp(text) + ".";
}

std::string LockStation::NewEntry(char kind, std::string_view lower, std::string_view upper) {
  const StationIdentity& me = Identity();
  std::string e = Pad(me.computer_name, 15) + Pad(std::to_string(me.number), 11) +
                  Pad(std::to_string(env_.LocalMinutes()), 8) + kind;
  if (kind == 'K') {
    const std::string lo(lower.substr(0, std::min<size_t>(lower.size(), 40)));
    const std::string up(upper.substr(0, std::min<size_t>(upper.size(), 40)));
    e += Pad(std::to_string(lo.size()), 2) + Pad(lo, 40) + Pad(std::to_string(up.size()), 2) +
         Pad(up, 40);
  } else {
    e += std::string(84, ' ');
  }
  return e + "\r\n";
}

namespace {

bool IsMine(const Entry& e, const StationIdentity& me, bool with_name) {
  if (e.Station() != std::to_string(me.number)) return false;
  return !with_name || e.Name() == Pad(me.computer_name, 15);
}

// A running station holds a shared operating-system lock on a file of its
// own in the lock folder, "LOCKS\<station number>.sta", from before its
// first entry until it ends: a station of this machine whose file nobody
// holds has ended (a killed station's lock goes with its process), and its
// entries are stale at once. Entries of other machines, or of a station
// without such a file (an older program), keep the 30-minute rule.
std::string StationFile(const std::string& lock_folder, const std::string& number) {
  return base::ResolvePath(lock_folder + "\\" + number + ".sta");
}

bool IsStationNumber(const std::string& text) {
  if (text.empty() || text.size() > 11) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!(std::isdigit(static_cast<unsigned char>(text[i])) || (i == 0 && text[i] == '-'))) {
      return false;
    }
  }
  return text != "-";
}

// The entry's station ran on the computer of that name and has ended;
// own: this station's number, never taken for ended ("" when none).
bool HasEnded(const Entry& e, const std::string& lock_folder, const std::string& computer_name,
              const std::string& own) {
  if (computer_name.empty() || e.Name() != Pad(computer_name, 15)) return false;
  const std::string station = e.Station();
  if (!IsStationNumber(station) || station == own) return false;
  const int fd =
      ::open(StationFile(lock_folder, station).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool ended = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return ended;
}

std::string Problem(const std::string& table, const char* what) {
  const int error = errno;
  return base::ResolvePath(LockDirectory() + "\\" + table + ".lck") + ": " + what + ": " +
         std::strerror(error);
}

std::string TrimRight(std::string_view s) {
  const size_t e = s.find_last_not_of(' ');
  return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

}  // namespace

LockStation::~LockStation() {
  if (mark_fd_ >= 0) ::close(mark_fd_);
}

void LockStation::MarkRunning() {
  const std::string path = StationFile(LockDirectory(), std::to_string(Identity().number));
  if (mark_fd_ >= 0 && mark_path_ == path) return;
  if (mark_fd_ >= 0) ::close(mark_fd_);
  mark_fd_ = -1;
  mark_path_.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return;  // no mark: the others fall back on the 30-minute rule
  while (::flock(fd, LOCK_SH) != 0) {
    if (errno != EINTR) {
      ::close(fd);
      return;
    }
  }
  mark_fd_ = fd;
  mark_path_ = path;
}

// One scan and decision.
LockStation::Attempt LockStation::TryLock(const std::string& table, char kind,
                                          std::string_view lower, std::string_view upper,
                                          std::string* problem) {
  const StationIdentity& me = Identity();
  const int fd = OpenLocked(env_, table, problem);
  if (fd < 0) return Attempt::kFailed;
  std::string contents;
  ReadAll(fd, &contents);
  std::vector<Entry> entries = Entries(contents);
  size_t target = entries.size();
  bool conflict = false;
  const int64_t now = env_.LocalMinutes();
  for (size_t i = 0; i < entries.size(); ++i) {
    Entry& e = entries[i];
    if (!e.Station().empty() &&
        (e.Time() < now - kStaleMinutes ||
         HasEnded(e, LockDirectory(), me.computer_name, std::to_string(me.number)))) {
      e.Free();
      (void)WriteEntry(fd, i, e.bytes);
    }
    if (e.Kind() == ' ') {
      target = i;
      continue;
    }
    if (e.Kind() == 'F' || kind == 'F') {
      if (IsMine(e, me, true)) {
        if (e.Kind() == kind) target = i;
      } else {
        conflict = true;
      }
      break;
    }
    if (e.Kind() == 'K' && kind == 'K') {
      const std::string lo(lower), up(upper);
      const size_t a = std::min(e.LowerLength(), lo.size());
      const size_t b = std::min(e.UpperLength(), up.size());
      if (lo.substr(0, a) > e.Upper().substr(0, a) || up.substr(0, b) < e.Lower().substr(0, b)) {
        continue;
      }
      if (IsMine(e, me, false)) {
        target = i;
      } else {
        conflict = true;
      }
      break;
    }
  }
  Attempt attempt = conflict ? Attempt::kConflict : Attempt::kLocked;
  if (!conflict) {
    MarkRunning();
    if (!WriteEntry(fd, target, NewEntry(kind, lower, upper))) {
      if (problem != nullptr) *problem = Problem(table, "the entry cannot be written");
      attempt = Attempt::kFailed;
    }
  }
  CloseLocked(fd);
  return attempt;
}

int64_t LockClock() { return base::LocalMinutesNow(); }

bool IsHeldEntry(std::string_view entry, int64_t now, const std::string& lock_folder) {
  if (entry.size() < kLockEntrySize) return false;
  const Entry e{std::string(entry.substr(0, kLockEntrySize))};
  if (e.Kind() == ' ') return false;
  return e.Time() >= now - kStaleMinutes &&
         !HasEnded(e, lock_folder, base::ComputerName().substr(0, 15), "");
}

std::string LockKeyText(std::string_view key) {
  std::string text;
  for (char c : key) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 128 && b <= 227) {
      text.push_back(static_cast<char>('0' + (b - 128) / 10));
      text.push_back(static_cast<char>('0' + (b - 128) % 10));
    } else {
      text.push_back(c);
    }
  }
  return text;
}

const StationIdentity& LockStation::Identity() {
  if (identity_) return *identity_;
  const std::string path = base::Settings().tmp_dir + "LOCKS.TMP";
  std::string bytes;
  StationIdentity id;
  if (base::ReadWholeFile(path, &bytes) && bytes.size() >= 4) {
    id.number = static_cast<int32_t>(DecodeFixed32(bytes.data()));
    id.computer_name = TrimRight(bytes.substr(4, 15));
  }
  if (id.number == 0) {
    while (id.number == 0) {
      id.number = static_cast<int32_t>(
          static_cast<int64_t>(std::floor(env_.Random() * 4294967295.0)) - 2147483648LL);
    }
    id.computer_name = base::ComputerName().substr(0, 15);
    std::string out;
    EncodeFixed32(&out, static_cast<uint32_t>(id.number));
    out += Pad(id.computer_name, 15);
    // Written aside and renamed into place, so that a station killed
    // half-way never leaves a short identity file behind.
    const std::string final_path = base::ResolvePath(path);
    const std::string aside = final_path + ".new";
    const int fd =
        ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) {
      const bool written = ::write(fd, out.data(), out.size()) == static_cast<ssize_t>(out.size());
      base::FaultPoint();
      ::close(fd);
      if (written) (void)std::rename(aside.c_str(), final_path.c_str());
    }
  }
  identity_ = id;
  return *identity_;
}

namespace {

// Failures that waiting may end: another process's moment, a table of
// open files that is full for now.
bool IsPassing(int error) {
  return error == EINTR || error == EAGAIN || error == EBUSY || error == ETXTBSY ||
         error == EMFILE || error == ENFILE;
}

}  // namespace

int OpenLockFile(base::RunEnvironment& env, const std::string& directory, const std::string& name,
                 std::string* problem) {
  int made = 0;
  for (;;) {
    const std::string path = base::ResolvePath(directory + "\\" + name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) return fd;
    int error = errno;
    if (error == ENOENT && ++made <= 3) {
      if (base::MakeDirectories(directory)) continue;
      error = errno;
    }
    if (!IsPassing(error)) {
      if (problem != nullptr) {
        *problem = path + ": " +
                   (error == ELOOP ? std::string("a symbolic link stands in its place")
                                   : std::string(std::strerror(error)));
      }
      return -1;
    }
    env.SleepMilliseconds(static_cast<int>(std::floor(env.Random() * 3000 + 1)));
  }
}

int16_t LockStation::LockKey(std::string_view table, std::string_view key, std::string* problem) {
  const std::string text = LockKeyText(key);
  return LockRange(table, "k", text, text, problem);
}

int16_t LockStation::LockRange(std::string_view table, std::string_view kind,
                               std::string_view lower, std::string_view upper,
                               std::string* problem) {
  const std::string name = TrimRight(table);
  const char k = kind.empty() ? ' ' : base::UpperCase850(kind[0]);
  bool message_shown = false;
  Attempt attempt;
  while ((attempt = TryLock(name, k, lower, upper, problem)) == Attempt::kConflict) {
    if (!message_shown) {
      env_.OperatorConsole().ShowMessage(24, LockWaitingMessage());
      message_shown = true;
    }
    env_.SleepMilliseconds(static_cast<int>(std::lround(env_.Random() * 1000 + 1)));
  }
  if (message_shown) env_.OperatorConsole().PopWindow();
  return attempt == Attempt::kLocked ? 0 : kLockFileUnusable;
}

int16_t LockStation::ReleaseTableLock(std::string_view table) {
  const StationIdentity& me = Identity();
  const std::string name = base::UpperCase850(Trim(table));
  // A table never locked has no file to free anything in; the file is made
  // only by a lock, under the name as the lock writes it.
  if (!base::PathExists(LockDirectory() + "\\" + name + ".lck")) return -1;
  const int fd = OpenLocked(env_, name, nullptr);
  if (fd < 0) return -1;
  std::string contents;
  ReadAll(fd, &contents);
  std::vector<Entry> entries = Entries(contents);
  std::optional<size_t> latest;
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (e.Kind() == ' ' || !IsMine(e, me, true)) continue;
    if (!latest || e.Time() >= entries[*latest].Time()) latest = i;
  }
  if (latest) {
    entries[*latest].Free();
    WriteEntry(fd, *latest, entries[*latest].bytes);
  }
  CloseLocked(fd);
  return latest ? 0 : -1;
}

}  // namespace storage
