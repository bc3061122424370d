// The seven data files of a run, each opened under its file code of the
// data files' table (storage/data_files_table.h) and bound to the record
// buffer the program owns for the whole run.
#pragma once

#include <cstdint>
#include <string>

#include "storage/record_file.h"
#include "storage/record_layouts.h"

namespace app {

inline constexpr storage::FileCode kCpiFile = storage::cpi::kFile.code;
inline constexpr storage::FileCode kOwnerFile = storage::owner::kFile.code;
inline constexpr storage::FileCode kBuildingFile = storage::building::kFile.code;
inline constexpr storage::FileCode kUnitFile = storage::unit::kFile.code;
inline constexpr storage::FileCode kTransitionFile = storage::transition::kFile.code;
inline constexpr storage::FileCode kReceiptFile = storage::receipt::kFile.code;
inline constexpr storage::FileCode kTextFile = storage::text::kFile.code;

// The buffers are bound to the record layer by address: change their bytes,
// never assign or resize the strings.
struct RecordBuffers {
  RecordBuffers(const RecordBuffers&) = delete;
  RecordBuffers& operator=(const RecordBuffers&) = delete;
  RecordBuffers();
  std::string cpi;
  std::string owner;
  std::string building;
  std::string unit;
  std::string transition;
  std::string receipt;
  std::string text;
};

// Opens the seven files under the data root, in the table's order (UIpc,
// PropietV, FinquesV, DepartaV, TranLauV, TVRebut, Textos). Stops at the first file that cannot be
// opened and returns its status; its message has then been shown and the record manager reset.
int16_t OpenDataFiles(const std::string& root, RecordBuffers* buffers);

}  // namespace app
