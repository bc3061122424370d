#include "storage/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "base/codepage.h"
#include "base/console.h"
#include "base/fault_points.h"
#include "base/platform.h"
#include "base/session_settings.h"
#include "base/terminal.h"
#include "base/text_utils.h"
#include "storage/creation_block.h"
#include "storage/little_endian.h"
#include "storage/record_manager.h"

#ifndef KEP_OWNER_NAME
#define KEP_OWNER_NAME "1994"
#endif

namespace storage {
namespace {

constexpr size_t kDataBufferSize = 1536;
constexpr size_t kKeyBufferSize = 256;
constexpr int kOpenRetryMs = 3000;

struct FileSlot {
  FileCode code = 0;  // 0: free
  std::array<char, kPositionBlockSize> position{};
  char* buffer = nullptr;
  size_t buffer_size = 0;
  int32_t record_length = 0;
  int16_t key_number = 0;
  std::string key_value;
  // The record as the record manager last returned it, so that bytes past
  // the end of a smaller caller buffer are written back as they were.
  std::array<char, kDataBufferSize> data{};
};

std::array<FileSlot, kFileSlots>& Slots() {
  static std::array<FileSlot, kFileSlots> slots;
  return slots;
}

FileSlot* SlotOf(FileCode code) {
  if (code == 0) return nullptr;
  for (FileSlot& s : Slots()) {
    if (s.code == code) return &s;
  }
  return nullptr;
}

bool IsBiased(int16_t op) {
  return (op >= 5 && op <= 13) || op == 19 || (op >= 22 && op <= 24) || (op >= 33 && op <= 35);
}

int16_t Remap22(int16_t status) { return status == kStatusDataBufferShort ? 0 : status; }

// "db.log" of the current directory, kept open between writes: opened again
// when the current directory is another or the file has been removed.
int OperationsLog() {
  static int fd = -1;
  static std::string directory;
  char cwd[4096];
  const std::string here = ::getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
  struct stat st;
  if (fd >= 0 && (here != directory || ::fstat(fd, &st) != 0 || st.st_nlink == 0)) {
    ::close(fd);
    fd = -1;
  }
  if (fd < 0) {
    fd = ::open(base::ResolvePath("db.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                0666);
    directory = here;
  }
  return fd;
}

// Says once per run that the operations log cannot be kept.
void SayLogFailure(const char* why) {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "db.log cannot be written (%s): the writes go on without their log lines\n",
               why);
}

// One line appended whole, or nothing: a line cut short by a full disk is
// taken back, under a lock of the file so that no other station's line is.
void AppendLog(int code, int operation, int status) {
  base::FaultPoint();  // the write is done, its log line not yet
  const std::string line = OperationsLogLine(code, operation, status);
  const int fd = OperationsLog();
  if (fd < 0) {
    SayLogFailure(std::strerror(errno));
    return;
  }
  const bool locked = ::flock(fd, LOCK_EX) == 0;
  struct stat before;
  const bool sized = ::fstat(fd, &before) == 0;
  ssize_t written = ::write(fd, line.data(), line.size());
  int error = written < 0 ? errno : 0;
  if (written > 0 && written < static_cast<ssize_t>(line.size())) {
    // Cut short: the rest says why, or goes in after all.
    const ssize_t rest =
        ::write(fd, line.data() + written, line.size() - static_cast<size_t>(written));
    if (rest > 0) written += rest;
    error = rest < 0 ? errno : ENOSPC;
  }
  if (written != static_cast<ssize_t>(line.size())) {
    if (written > 0 && sized && locked) (void)!::ftruncate(fd, before.st_size);
    SayLogFailure(std::strerror(error));
  }
  if (locked) ::flock(fd, LOCK_UN);
}

// Issues op for the slot with its record and key, copying the results back.
int16_t RecordCall(FileSlot* s, int16_t op, bool lock) {
  const size_t rec = static_cast<size_t>(s->record_length);
  std::memcpy(s->data.data(), s->buffer, std::min(rec, s->buffer_size));
  uint16_t length = static_cast<uint16_t>(rec);
  std::array<char, kKeyBufferSize> key;
  key.fill(' ');
  std::memcpy(key.data(), s->key_value.data(), std::min(s->key_value.size(), kKeyBufferSize));
  const int16_t call_op = (lock && IsBiased(op)) ? static_cast<int16_t>(op + kLockBias) : op;
  const int16_t status =
      RecordManagerCall(call_op, s->position.data(), s->data.data(), &length, key.data(),
                        static_cast<uint16_t>(s->key_value.size()), s->key_number);
  if (status == kStatusOk || status == kStatusDataBufferShort) {
    std::memcpy(s->buffer, s->data.data(),
                std::min({static_cast<size_t>(length), rec, s->buffer_size}));
    s->key_value.assign(key.data(), s->key_value.size());
  }
  return status;
}

// A read along the slot's key that leaves the record buffer untouched.
int16_t StepWithoutBuffer(FileSlot* s, int16_t op) {
  std::array<char, kDataBufferSize> scratch{};
  uint16_t length = static_cast<uint16_t>(kDataBufferSize);
  std::array<char, kKeyBufferSize> key{};
  std::memcpy(key.data(), s->key_value.data(), std::min(s->key_value.size(), kKeyBufferSize));
  const int16_t status =
      RecordManagerCall(op, s->position.data(), scratch.data(), &length, key.data(),
                        static_cast<uint16_t>(s->key_value.size()), s->key_number);
  if (status == kStatusOk || status == kStatusDataBufferShort) {
    s->key_value.assign(key.data(), s->key_value.size());
  }
  return Remap22(status);
}

int16_t OpenCall(FileSlot* s, const std::string& full_name) {
  std::string owner = OwnerName();
  owner.push_back('\0');
  uint16_t length = static_cast<uint16_t>(owner.size());
  std::string key = full_name;
  key.push_back('\0');
  return RecordManagerCall(kOpOpen, s->position.data(), owner.data(), &length, key.data(),
                           static_cast<uint16_t>(full_name.size()), 0);
}

// Creates the file from its description; 12 when the description is missing.
int16_t CreateFromDescription(FileSlot* s, const std::string& full_name, const std::string& name) {
  std::string description;
  if (!base::ReadWholeFile(base::Settings().root_dir + "ddf\\" + name + ".xdf", &description) ||
      description.size() < 2) {
    return kStatusFileNotFound;
  }
  const size_t declared = DecodeFixed16(description.data());
  std::string block(kDataBufferSize, ' ');
  const size_t available = std::min(declared, description.size() - 2);
  block.replace(0, std::min(available, kDataBufferSize),
                description.substr(2, std::min(available, kDataBufferSize)));
  // A description shorter than its length prefix gives the create only what it holds.
  uint16_t length = static_cast<uint16_t>(available < declared ? available : kDataBufferSize);
  std::string key = full_name;
  key.push_back('\0');
  return RecordManagerCall(kOpCreate, s->position.data(), block.data(), &length, key.data(),
                           static_cast<uint16_t>(full_name.size()), -1);
}

std::string OpenFailureText(const std::string& path, int16_t status) {
  const char* text = "NO ES POT ACCEDIR AL FITXER ";
  switch (base::SessionLanguage()) {
    case base::Language::kSpanish:
      text = "NO SE PUEDE ACCEDER AL FICHERO ";
      break;
    case base::Language::kGalician:
      text = "NOM SE PODE ACEDER AO FICHEIRO ";
      break;
    case base::Language::kAranese:
      text = "NON SE PÒT ACCEDIR ATH FICHÈR ";
      break;
    case base::Language::kCatalan:
      break;
  }
  return base::Cp(text) + path + " (" + std::to_string(status) + ")";
}

}  // namespace

void ShowOpenFailure(const std::string& path, int16_t status) {
  const std::string text = OpenFailureText(path, status);
  base::ShowMessage(12, text);
  base::Beep();
  base::DiscardPendingKeys();
  base::WaitForKey();
  base::PopWindow();
  // The window is gone with the key press; the message stays on standard
  // error, where the operator (or a log) still finds why the run ended.
  // Without a terminal ShowMessage has written it there already.
  if (base::CurrentTerminal().Interactive()) {
    std::fprintf(stderr, "%s\n", base::Cp850ToUtf8(text).c_str());
  }
  ResetRecordManager();
}

namespace {

int16_t Read(FileCode code, int16_t key_number, std::string_view key, int mode, bool lock) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return kStatusFileNotOpen;
  const FileLengths lengths = GetFileLengths(code, key_number);
  if (lengths.key_length == 0) return kStatusNoSuchKey;
  s->key_number = key_number;
  s->key_value = std::string(key.substr(0, static_cast<size_t>(lengths.key_length)));
  s->key_value.resize(static_cast<size_t>(lengths.key_length), '\0');
  const int16_t op =
      mode == 0 ? kOpGetEqual : (mode > 0 ? kOpGetGreaterOrEqual : kOpGetLessOrEqual);
  return Remap22(RecordCall(s, op, lock));
}

}  // namespace

std::string OwnerName() { return KEP_OWNER_NAME; }

std::string OperationsLogLine(int code, int operation, int status) {
  std::string line;
  const int values[3] = {code, operation, status};
  for (int i = 0; i < 3; ++i) {
    line += values[i] < 0 ? "-" : " ";
    line += std::to_string(values[i] < 0 ? -static_cast<int64_t>(values[i]) : values[i]);
    line += " ";
    if (i < 2) line.resize((line.size() / 14 + 1) * 14, ' ');
  }
  return line + "\r\n";
}

std::string FullFileName(const std::string& path, std::string* name) {
  const size_t sep = path.find_last_of(":\\/");
  const std::string dir = sep == std::string::npos ? "" : path.substr(0, sep + 1);
  const std::string file = sep == std::string::npos ? path : path.substr(sep + 1);
  const size_t dot = file.find('.');
  *name = file.substr(0, dot);
  return dir + *name + (dot == std::string::npos ? ".dat" : file.substr(dot));
}

int16_t OpenRecordFile(FileCode code, const std::string& path, char* buffer, size_t buffer_size) {
  if (SlotOf(code) != nullptr) return kStatusAlreadyOpen;
  FileSlot* s = nullptr;
  for (FileSlot& slot : Slots()) {
    if (slot.code == 0) {
      s = &slot;
      break;
    }
  }
  if (s == nullptr) return kStatusNoFreeSlot;
  *s = FileSlot{};
  s->buffer = buffer;
  s->buffer_size = buffer_size;
  std::string name;
  const std::string full_name = FullFileName(path, &name);
  int16_t status = OpenCall(s, full_name);
  while (status == kStatusFileLocked || status == kStatusFileNotFound) {
    if (status == kStatusFileLocked) {
      base::SleepMilliseconds(kOpenRetryMs);
    } else {
      status = CreateFromDescription(s, full_name, name);
      if (status != kStatusOk) break;
    }
    status = OpenCall(s, full_name);
  }
  if (status != kStatusOk) {
    *s = FileSlot{};
    ShowOpenFailure(path, status);
    return status;
  }
  s->code = code;
  const FileLengths lengths = GetFileLengths(code, 0);
  s->record_length = lengths.record_length;
  s->key_value.assign(static_cast<size_t>(lengths.key_length), '\0');
  return kStatusOk;
}

FileLengths GetFileLengths(FileCode code, int16_t key_number) {
  FileSlot* s = SlotOf(code);
  FileLengths result;
  if (s == nullptr) return result;
  std::array<char, kDataBufferSize> stat{};
  std::array<char, kKeyBufferSize> key{};
  uint16_t length = static_cast<uint16_t>(kDataBufferSize);
  if (Remap22(RecordManagerCall(kOpStat, s->position.data(), stat.data(), &length, key.data(),
                                static_cast<uint16_t>(kKeyBufferSize), 0)) != 0) {
    return result;
  }
  result.record_length = DecodeFixed16(stat.data());
  const int keys = DecodeFixed16(stat.data() + 4);
  if (key_number < 0 || key_number >= keys) return result;
  int k = 0;
  for (size_t at = kSpecSize; at + kSpecSize <= length; at += kSpecSize) {
    const uint16_t flags = DecodeFixed16(stat.data() + at + 4);
    if (k == key_number) result.key_length += DecodeFixed16(stat.data() + at + 2);
    if (!(flags & kSegmentContinues)) {
      if (k == key_number) break;
      ++k;
    }
  }
  return result;
}

int16_t SeekByKey(FileCode code, int16_t key_number, std::string_view key, int mode) {
  return Read(code, key_number, key, mode, true);
}

int16_t SeekByKeyWithoutLock(FileCode code, int16_t key_number, std::string_view key, int mode) {
  return Read(code, key_number, key, mode, false);
}

int16_t StepRecords(FileCode code, int32_t count, bool lock) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return kStatusFileNotOpen;
  if (count == 0) return 0;
  const int16_t op = count > 0 ? kOpGetNext : kOpGetPrevious;
  int64_t n = count > 0 ? count : -static_cast<int64_t>(count);
  int16_t status = 0;
  for (; n > 1 && status == 0; --n) status = StepWithoutBuffer(s, op);
  if (n == 1 && status == 0) status = Remap22(RecordCall(s, op, lock));
  return status;
}

int16_t ReadWholeFile(FileCode code, std::vector<std::string>* records) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return kStatusFileNotOpen;
  return ReadAllRecords(s->position.data(), 0, records);
}

int32_t ReadByPosition(FileCode code, int32_t position) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return position == 0 ? 0 : kStatusFileNotOpen;
  std::array<char, kDataBufferSize> data{};
  std::array<char, kKeyBufferSize> key{};
  uint16_t length = static_cast<uint16_t>(kDataBufferSize);
  if (position == 0) {
    const int16_t status = RecordManagerCall(kOpGetPosition, s->position.data(), data.data(),
                                             &length, key.data(), 0, s->key_number);
    return status == 0 ? static_cast<int32_t>(DecodeFixed32(data.data())) : 0;
  }
  std::string p;
  EncodeFixed32(&p, static_cast<uint32_t>(position));
  std::memcpy(data.data(), p.data(), 4);
  const int16_t status = Remap22(RecordManagerCall(kOpGetDirect, s->position.data(), data.data(),
                                                   &length, key.data(), 0, s->key_number));
  if (status == 0) {
    const size_t rec = static_cast<size_t>(s->record_length);
    std::memcpy(s->data.data(), data.data(), std::min<size_t>(length, rec));
    std::memcpy(s->buffer, data.data(),
                std::min({static_cast<size_t>(length), rec, s->buffer_size}));
    s->key_value.assign(key.data(), s->key_value.size());
  }
  return status;
}

int16_t InsertRecord(FileCode code) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return kStatusFileNotOpen;
  const int16_t status = RecordCall(s, kOpInsert, false);
  AppendLog(code, kOpInsert, status);
  if (status != 0) s->key_value.assign(s->key_value.size(), '\0');
  return status;
}

int16_t UpdateRecord(FileCode code) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return kStatusFileNotOpen;
  std::string position;
  EncodeFixed32(&position, static_cast<uint32_t>(ReadByPosition(code, 0)));
  base::PushValue(position);
  int16_t status = RecordCall(s, kOpUpdate, false);
  AppendLog(code, kOpUpdate, status);
  status = Remap22(status);
  if (status != 0) s->key_value.assign(s->key_value.size(), '\0');
  const std::string saved = base::PopValue();
  const int32_t at = saved.size() == 4 ? static_cast<int32_t>(DecodeFixed32(saved.data())) : 0;
  if (at != 0) ReadByPosition(code, at);
  return status;
}

int16_t ReleaseRecordLock(FileCode code) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return kStatusFileNotOpen;
  uint16_t length = 0;
  char key[1] = {0};
  return RecordManagerCall(kOpUnlock, s->position.data(), nullptr, &length, key, 0, 0);
}

int16_t FileTransaction(FileCode code, int16_t op) {
  FileSlot* s = SlotOf(code);
  if (s == nullptr) return kStatusFileNotOpen;
  uint16_t length = 0;
  char key[1] = {0};
  return RecordManagerCall(op, s->position.data(), nullptr, &length, key, 0, 0);
}

int16_t ResetRecordManager() {
  std::array<char, kPositionBlockSize> position{};
  uint16_t length = 0;
  char key[1] = {0};
  const int16_t status = RecordManagerCall(kOpReset, position.data(), nullptr, &length, key, 0, 0);
  if (status == 0) Slots().fill(FileSlot{});
  return status;
}

}  // namespace storage
