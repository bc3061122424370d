// Every record of an installation's data files, read through the record
// manager alone: what the reliability tests compare before and after a run.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "storage/record_file.h"
#include "storage/record_manager.h"

namespace testing_support {

// The data files of an installation, relative to its data root.
inline const std::vector<std::string>& InstallationFiles() {
  static const std::vector<std::string> files = {
      "TAULES/UIpc.dat",    "DADES/PropietV.dat", "DADES/FinquesV.dat", "DADES/DepartaV.dat",
      "DADES/TranLauV.dat", "DADES/TVRebut.dat",  "DADES/Textos.dat"};
  return files;
}

// One file's records by position.
struct FileRecords {
  int16_t open_status = 0;  // status of the open; the records are read only when 0
  int16_t end_status = 0;   // status that ended the walk along key 0 (9 when whole)
  std::map<uint32_t, std::string> by_position;
};
using Snapshot = std::map<std::string, FileRecords>;

// Opens a data file with the installation's owner name, as the suite's
// programs do; returns the record manager's status.
inline int16_t OpenDataFile(const std::string& path, char* position) {
  const std::string owner = storage::OwnerName();
  std::vector<char> data(owner.begin(), owner.end()), key(path.begin(), path.end());
  data.push_back('\0');
  key.push_back('\0');
  uint16_t length = static_cast<uint16_t>(owner.size());
  return storage::RecordManagerCall(storage::kOpOpen, position, data.data(), &length, key.data(),
                                    static_cast<uint16_t>(path.size()), 0);
}

// Opens the file and walks key path 0 from its lowest key to its end,
// noting each record's position. Leaves the record manager reset.
inline FileRecords ReadAllRecords(const std::string& path) {
  FileRecords out;
  char position[storage::kPositionBlockSize] = {};
  out.open_status = OpenDataFile(path, position);
  if (out.open_status != 0) return out;
  std::vector<char> data(8192), key(256, '\0');
  uint16_t length = 0;
  int16_t op = storage::kOpGetGreaterOrEqual;
  for (;;) {
    length = static_cast<uint16_t>(data.size());
    const int16_t status =
        storage::RecordManagerCall(op, position, data.data(), &length, key.data(), 255, 0);
    if (status != 0) {
      out.end_status = status;
      break;
    }
    std::string record(data.data(), length);
    uint16_t plen = static_cast<uint16_t>(data.size());
    if (storage::RecordManagerCall(storage::kOpGetPosition, position, data.data(), &plen,
                                   key.data(), 255, 0) != 0) {
      out.end_status = -1;
      break;
    }
    uint32_t at = 0;
    std::memcpy(&at, data.data(), 4);  // little-endian on every machine we build for
    out.by_position[at] = record;
    op = storage::kOpGetNext;
  }
  uint16_t zero = 0;
  storage::RecordManagerCall(storage::kOpReset, position, nullptr, &zero, key.data(), 0, 0);
  return out;
}

// root ends in "/".
inline Snapshot TakeSnapshot(const std::string& root) {
  Snapshot snapshot;
  for (const std::string& file : InstallationFiles()) snapshot[file] = ReadAllRecords(root + file);
  return snapshot;
}

// The records of every file as a sorted list of their bytes: for runs whose
// inserts may land at other positions (two stations inserting at once).
inline std::map<std::string, std::multiset<std::string>> RecordContents(const Snapshot& snapshot) {
  std::map<std::string, std::multiset<std::string>> contents;
  for (const auto& [file, records] : snapshot) {
    auto& set = contents[file];
    for (const auto& [at, bytes] : records.by_position) set.insert(bytes);
  }
  return contents;
}

// The files whose records differ, with their record counts, or "" when
// every file holds the same records: a short failure message where printing
// the records themselves would bury it.
inline std::string DifferingFiles(
    const std::map<std::string, std::multiset<std::string>>& got,
    const std::map<std::string, std::multiset<std::string>>& expected) {
  std::string out;
  for (const auto& [file, records] : expected) {
    const auto it = got.find(file);
    if (it == got.end()) {
      out += file + " missing; ";
    } else if (it->second != records) {
      size_t unmatched = 0;
      for (const std::string& r : it->second) unmatched += records.count(r) == 0 ? 1 : 0;
      out += file + ": " + std::to_string(it->second.size()) + " records for " +
             std::to_string(records.size()) + ", " + std::to_string(unmatched) + " not expected; ";
    }
  }
  return out;
}

// Every record of every file by position: "the same bytes at the same place".
inline std::map<std::string, std::map<uint32_t, std::string>> RecordsByPosition(
    const std::string& root) {
  std::map<std::string, std::map<uint32_t, std::string>> out;
  for (const auto& [file, records] : TakeSnapshot(root)) out[file] = records.by_position;
  return out;
}

}  // namespace testing_support
