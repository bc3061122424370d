#include "app/data_files.h"

#include "storage/record_layouts.h"
#include "storage/record_manager.h"

namespace app {

RecordBuffers::RecordBuffers()
    : cpi(storage::cpi::kLength, ' '),
      owner(storage::owner::kLength, ' '),
      building(storage::building::kLength, ' '),
      unit(storage::unit::kLength, ' '),
      transition(storage::transition::kLength, ' '),
      receipt(storage::receipt::kLength, ' '),
      text(storage::text::kLength, ' ') {}

namespace {

// The buffer of each file of the table.
constexpr std::string RecordBuffers::*BufferOf(storage::FileCode code) {
  switch (code) {
    case kCpiFile:
      return &RecordBuffers::cpi;
    case kOwnerFile:
      return &RecordBuffers::owner;
    case kBuildingFile:
      return &RecordBuffers::building;
    case kUnitFile:
      return &RecordBuffers::unit;
    case kTransitionFile:
      return &RecordBuffers::transition;
    case kReceiptFile:
      return &RecordBuffers::receipt;
    case kTextFile:
      return &RecordBuffers::text;
  }
  return nullptr;
}

consteval bool EveryFileHasItsBuffer() {
  for (const storage::DataFile& f : storage::kDataFiles) {
    if (BufferOf(f.code) == nullptr) return false;
  }
  return true;
}
static_assert(EveryFileHasItsBuffer());

}  // namespace

int16_t OpenDataFiles(const std::string& root, RecordBuffers* b) {
  for (const storage::DataFile& f : storage::kDataFiles) {
    std::string* buffer = &(b->*BufferOf(f.code));
    const int16_t status =
        storage::OpenRecordFile(f.code, root + f.path, buffer->data(), buffer->size());
    if (status != 0) return status;
    // A file of another layout (a file copied over another, or an older
    // version of the suite) would be read as garbage and, in mode "A",
    // written back as garbage: the run ends as on a failed open.
    if (storage::GetFileLengths(f.code, 0).record_length != static_cast<int32_t>(buffer->size())) {
      storage::ShowOpenFailure(root + f.path, storage::kStatusInvalidRecordLength);
      return storage::kStatusInvalidRecordLength;
    }
  }
  return 0;
}

}  // namespace app
