#include "app/reference_tables.h"

#include <algorithm>

#include "storage/record_file.h"
#include "storage/record_layouts.h"
#include "storage/record_manager.h"

namespace app {
namespace {

// The key as the record layer sends it: cut or padded with NUL bytes to the
// key's length.
std::string FileKey(const std::string& key, storage::Field field) {
  std::string k = key.substr(0, std::min<size_t>(key.size(), static_cast<size_t>(field.width)));
  k.resize(static_cast<size_t>(field.width), '\0');
  return k;
}

void CopyInto(const std::string& record, std::string* buffer) {
  std::copy(record.begin(),
            record.begin() + static_cast<std::ptrdiff_t>(std::min(record.size(), buffer->size())),
            buffer->begin());
}

}  // namespace

// The table read whole in a few exchanges. Each record is kept as the
// buffer would hold it after its own read: the record over the bytes the
// buffer held before, which no read writes past the record's length.
void ReferenceTables::Load(storage::FileCode file, std::string* buffer, bool keep_last,
                           Table* table) {
  table->loaded = true;
  std::vector<std::string> records;
  table->whole = storage::ReadWholeFile(file, &records) == 0;
  if (!table->whole) return;
  const storage::Field key_field = file == kCpiFile ? storage::cpi::kKey : storage::receipt::kKey;
  for (const std::string& record : records) {
    std::string image = *buffer;
    CopyInto(record, &image);
    const std::string key = storage::GetBytes(image, key_field);
    if (keep_last) {
      table->records[key] = std::move(image);
    } else {
      table->records.emplace(key, std::move(image));
    }
  }
}

std::optional<int16_t> ReferenceTables::ConceptType(const std::string& key) {
  if (!receipts_.loaded) Load(kReceiptFile, &records_.receipt, false, &receipts_);
  if (!receipts_.whole) return RecordReference::ConceptType(key);
  storage::SetInt16(&records_.receipt, storage::receipt::kType, 9);
  const auto found = receipts_.records.find(FileKey(key, storage::receipt::kKey));
  if (found == receipts_.records.end()) return std::nullopt;
  CopyInto(found->second, &records_.receipt);
  return storage::GetInt16(records_.receipt, storage::receipt::kType);
}

std::optional<CpiRecord> ReferenceTables::CpiAtOrBefore(const std::string& key) {
  if (!indices_.loaded) Load(kCpiFile, &records_.cpi, true, &indices_);
  if (!indices_.whole) return RecordReference::CpiAtOrBefore(key);
  storage::SetDouble(&records_.cpi, storage::cpi::kValue, 100);
  auto after = indices_.records.upper_bound(FileKey(key, storage::cpi::kKey));
  if (after == indices_.records.begin()) return std::nullopt;
  CopyInto(std::prev(after)->second, &records_.cpi);
  return CpiRecord{storage::GetBytes(records_.cpi, storage::cpi::kKey),
                   storage::GetDouble(records_.cpi, storage::cpi::kValue)};
}

}  // namespace app
