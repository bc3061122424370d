#include "storage/record_manager.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "base/platform.h"
#include "storage/little_endian.h"
#include "storage/postgres_backend.h"
#include "storage/record_cursor.h"
#include "storage/sqlite_engine.h"

namespace storage {
namespace {

// The open files of the process. A position block holds in bytes 0-3 the
// tag of its file's engine ("KEPR" a file on disk, "KEPP" a table on a
// server) and in bytes 4-7 the handle's number, little-endian, numbered
// from 1 by each engine; the rest is zero.
struct Registry {
  std::map<uint64_t, std::unique_ptr<RecordCursor>> cursors;  // by tag and number
  std::map<uint32_t, uint32_t> last_number;                   // by tag
};

Registry& OpenFiles() {
  static Registry registry;
  return registry;
}

uint64_t HandleKey(const char* tag_and_number) {
  return uint64_t{DecodeFixed32(tag_and_number)} << 32 | DecodeFixed32(tag_and_number + 4);
}

RecordCursor* CursorOf(const char* position_block) {
  const auto& cursors = OpenFiles().cursors;
  const auto it = cursors.find(HandleKey(position_block));
  return it == cursors.end() ? nullptr : it->second.get();
}

void Register(std::unique_ptr<EngineFile> file, char* position_block) {
  const uint32_t number = ++OpenFiles().last_number[DecodeFixed32(file->Tag())];
  std::memset(position_block, 0, kPositionBlockSize);
  std::memcpy(position_block, file->Tag(), 4);
  std::string encoded;
  EncodeFixed32(&encoded, number);
  std::memcpy(position_block + 4, encoded.data(), 4);
  OpenFiles().cursors[HandleKey(position_block)] = std::make_unique<RecordCursor>(std::move(file));
}

std::string PathFrom(const char* key, uint16_t key_length) {
  return base::ResolvePath(std::string(key, strnlen(key, key_length)));
}

// The engine of the data file at path: its installation's server, or disk.
std::unique_ptr<Engine> EngineFor(const std::string& path) {
  postgres::Location server;
  if (postgres::LocationOf(path, &server)) return postgres::ServerEngine(server);
  return sqlite::FileEngine(path);
}

int16_t Open(char* position_block, const char* data, uint16_t data_length, const char* key,
             uint16_t key_length) {
  const std::string owner(data, strnlen(data, data_length));
  std::unique_ptr<EngineFile> file;
  const int16_t status = EngineFor(PathFrom(key, key_length))->Open(owner, &file);
  if (status == kStatusOk) Register(std::move(file), position_block);
  return status;
}

int16_t Create(const char* data, uint16_t data_length, const char* key, uint16_t key_length,
               int16_t key_number) {
  const std::unique_ptr<Engine> engine = EngineFor(PathFrom(key, key_length));
  FileSpec file_spec;
  if (!DecodeCreationBlock(std::string_view(data, data_length), &file_spec)) {
    return kStatusBadCreationBlock;
  }
  return engine->Create(file_spec, key_number != -1);
}

// Every operation on an open file (base_op without the lock bias).
int16_t Operate(RecordCursor& cursor, int16_t base_op, bool biased, char* data,
                uint16_t* data_length, char* key, uint16_t key_length, int16_t key_number) {
  switch (base_op) {
    case kOpBeginTransaction:
    case kOpEndTransaction:
    case kOpAbortTransaction:
      return cursor.Transaction(base_op);
    case kOpInsert:
      return cursor.Write(true, data, *data_length, key, key_number);
    case kOpUpdate:
      return cursor.Write(false, data, *data_length, key, key_number);
    case kOpGetEqual:
    case kOpGetNext:
    case kOpGetPrevious:
    case kOpGetGreaterOrEqual:
    case kOpGetLessOrEqual:
      return cursor.Read(base_op, biased, data, data_length, key, key_length, key_number);
    case kOpStat:
      return cursor.Stat(data, data_length);
    case kOpGetPosition:
      return cursor.Position(data, data_length);
    case kOpGetDirect:
      return cursor.ReadDirect(biased, data, data_length, key, key_number);
    case kOpUnlock:
      cursor.DropLock();
      return kStatusOk;
    default:
      return kStatusInvalidOperation;
  }
}

}  // namespace

int16_t RecordManagerCall(int16_t op, char* position_block, char* data, uint16_t* data_length,
                          char* key, uint16_t key_length, int16_t key_number) {
  const bool biased = op >= kLockBias;
  const int16_t base_op = biased ? static_cast<int16_t>(op - kLockBias) : op;
  switch (base_op) {
    case kOpOpen:
      return Open(position_block, data, *data_length, key, key_length);
    case kOpCreate:
      return Create(data, *data_length, key, key_length, key_number);
    case kOpReset:
      OpenFiles().cursors.clear();  // closes every file, dropping its record locks
      return kStatusOk;
    default:
      break;
  }
  RecordCursor* cursor = CursorOf(position_block);
  if (cursor == nullptr) return kStatusInvalidOperation;
  const int16_t usable = cursor->file().Usable();
  if (usable != kStatusOk) return usable;
  return Operate(*cursor, base_op, biased, data, data_length, key, key_length, key_number);
}

int16_t ReadAllRecords(char* position_block, int16_t key_number,
                       std::vector<std::string>* records) {
  RecordCursor* cursor = CursorOf(position_block);
  if (cursor == nullptr) return kStatusInvalidOperation;
  const int16_t usable = cursor->file().Usable();
  if (usable != kStatusOk) return usable;
  return cursor->ReadAll(key_number, records);
}

}  // namespace storage
