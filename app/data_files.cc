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

int16_t OpenDataFiles(const std::string& root, RecordBuffers* b) {
  struct Entry {
    const char* path;
    storage::FileCode code;
    std::string* buffer;
  } const files[] = {
      {"TAULES\\UIpc", kCpiFile, &b->cpi},
      {"DADES\\PropietV", kOwnerFile, &b->owner},
      {"DADES\\FinquesV", kBuildingFile, &b->building},
      {"DADES\\DepartaV", kUnitFile, &b->unit},
      {"DADES\\TranLauV", kTransitionFile, &b->transition},
      {"DADES\\TVRebut", kReceiptFile, &b->receipt},
      {"DADES\\Textos", kTextFile, &b->text},
  };
  for (const Entry& f : files) {
    const int16_t status =
        storage::OpenRecordFile(f.code, root + f.path, f.buffer->data(), f.buffer->size());
    if (status != 0) return status;
    // A file of another layout (a file copied over another, or an older
    // version of the suite) would be read as garbage and, in mode "A",
    // written back as garbage: the run ends as on a failed open.
    if (storage::GetFileLengths(f.code, 0).record_length !=
        static_cast<int32_t>(f.buffer->size())) {
      storage::ShowOpenFailure(root + f.path, storage::kStatusInvalidRecordLength);
      return storage::kStatusInvalidRecordLength;
    }
  }
  return 0;
}

}  // namespace app
