// The record manager fed a sequence of operations of any codes, key paths,
// keys, records and buffer sizes, on a fresh copy of one data file each time.
// Every buffer is exactly as long as the call is told, so a write past it is
// caught; every status must be one the record manager defines.
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <vector>

#include "datatool/commands.h"
#include "fuzz/fuzz_support.h"
#include "storage/record_file.h"
#include "storage/record_manager.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Bytes(size_t n) {
    std::string out;
    while (n-- > 0) out.push_back(static_cast<char>(Byte()));
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

bool Known(int16_t status) {
  static const std::set<int16_t> known = {0,  1,  2,  4,  5,  6,  8,  9,  12,
                                          22, 24, 28, 30, 43, 51, 59, 84, 85};
  return known.count(status) > 0;
}

int16_t Call(int16_t op, char* position, std::vector<char>& data, std::vector<char>& key,
             int16_t key_number) {
  uint16_t length = static_cast<uint16_t>(data.size());
  const int16_t status = storage::RecordManagerCall(op, position, data.data(), &length, key.data(),
                                                    static_cast<uint16_t>(key.size()), key_number);
  if (!Known(status) || length > data.size()) std::abort();
  return status;
}

bool Open(const std::string& path, char* position) {
  const std::string name = storage::OwnerName();
  std::vector<char> owner(name.begin(), name.end());
  owner.push_back('\0');
  std::vector<char> key(path.begin(), path.end());
  key.push_back('\0');
  uint16_t length = static_cast<uint16_t>(owner.size());
  return storage::RecordManagerCall(storage::kOpOpen, position, owner.data(), &length, key.data(),
                                    static_cast<uint16_t>(path.size()), 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string pristine = [] {
    std::ostringstream out, err;
    if (fuzz::KeepingDirectory([&] {
          return datatool::RunDataTool({"init", fuzz::Scratch() + "inst", "--no-cpi"}, out, err);
        }) != 0) {
      std::abort();
    }
    return fuzz::Scratch() + "inst/DADES/TranLauV.dat";
  }();
  const std::string path = fuzz::Scratch() + "work.dat";
  std::filesystem::copy_file(pristine, path, std::filesystem::copy_options::overwrite_existing);
  char position[storage::kPositionBlockSize];
  if (!Open(path, position)) std::abort();
  static const int16_t kOps[] = {storage::kOpInsert,
                                 storage::kOpUpdate,
                                 storage::kOpGetEqual,
                                 storage::kOpGetNext,
                                 storage::kOpGetPrevious,
                                 storage::kOpGetGreaterOrEqual,
                                 storage::kOpGetLessOrEqual,
                                 storage::kOpStat,
                                 storage::kOpGetPosition,
                                 storage::kOpGetDirect,
                                 99};
  Input in(data, size);
  for (int steps = 0; steps < 64 && !in.empty(); ++steps) {
    const uint8_t choice = in.Byte();
    int16_t op = kOps[choice % (sizeof kOps / sizeof kOps[0])];
    if (choice & 0x80) op = static_cast<int16_t>(op + storage::kLockBias);
    const int16_t key_number = static_cast<int16_t>(static_cast<int8_t>(in.Byte()) % 4);
    std::vector<char> buffer(in.Byte() % 2 == 0 ? 70 : in.Byte());
    const std::string bytes = in.Bytes(std::min<size_t>(buffer.size(), in.Byte()));
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
    std::vector<char> key(255);
    const std::string key_bytes = in.Bytes(in.Byte() % 12);
    std::memcpy(key.data(), key_bytes.data(), key_bytes.size());
    if (choice % 16 == 15) {
      uint16_t zero = 0;
      storage::RecordManagerCall(storage::kOpReset, position, nullptr, &zero, key.data(), 0, 0);
      if (!Open(path, position)) std::abort();
      continue;
    }
    Call(op, position, buffer, key, key_number);
  }
  uint16_t zero = 0;
  char key[1] = {0};
  storage::RecordManagerCall(storage::kOpReset, position, nullptr, &zero, key, 0, 0);
  return 0;
}
