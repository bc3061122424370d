#include "storage/damaged_rows.h"

#include <cstdio>

#include "storage/lock_files.h"

namespace storage {
namespace {

long g_reported = 0;

}  // namespace

std::string RecordDamage(const FileSpec& file_spec, int key_number, std::string_view data,
                         std::string_view key) {
  if (data.size() != file_spec.record_length) {
    return "it holds " + std::to_string(data.size()) + " bytes, the file's records " +
           std::to_string(file_spec.record_length);
  }
  if (key_number >= 0 && static_cast<size_t>(key_number) < file_spec.keys.size() &&
      file_spec.keys[static_cast<size_t>(key_number)].Extract(data) != key) {
    return "its key " + std::to_string(key_number) + " is not the one its bytes hold";
  }
  return std::string();
}

void ReportDamagedRow(const std::string& file, int64_t id, std::string_view key,
                      const std::string& damage) {
  std::string shown = LockKeyText(key);
  for (char& c : shown) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b >= 127) c = '?';
  }
  ++g_reported;
  std::fprintf(
      stderr,
      "%s: the row at position %lld (key %s) is not a record of the file: %s; it is skipped\n",
      file.c_str(), static_cast<long long>(id), shown.c_str(), damage.c_str());
}

long DamagedRowsReported() { return g_reported; }

std::string WithoutRows(const std::set<int64_t>& ids) {
  if (ids.empty()) return std::string();
  std::string sql = " AND id NOT IN (";
  for (auto it = ids.begin(); it != ids.end(); ++it) {
    if (it != ids.begin()) sql += ", ";
    sql += std::to_string(*it);
  }
  return sql + ")";
}

}  // namespace storage
