// The seven data files of a run, each opened under its fixed file code and
// bound to the record buffer the program owns for the whole run.
#pragma once

#include <cstdint>
#include <string>

#include "storage/record_file.h"

namespace app {

inline constexpr storage::FileCode kCpiFile = 4;
inline constexpr storage::FileCode kOwnerFile = 505;
inline constexpr storage::FileCode kBuildingFile = 506;
inline constexpr storage::FileCode kUnitFile = 507;
inline constexpr storage::FileCode kTransitionFile = 508;
inline constexpr storage::FileCode kReceiptFile = 503;
inline constexpr storage::FileCode kTextFile = 60;

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

// Opens "TAULES\UIpc", "DADES\PropietV", "DADES\FinquesV", "DADES\DepartaV",
// "DADES\TranLauV", "DADES\TVRebut" and "DADES\Textos" under the data root,
// in that order. Stops at the first file that cannot be opened and returns
// its status; its message has then been shown and the record manager reset.
int16_t OpenDataFiles(const std::string& root, RecordBuffers* buffers);

}  // namespace app
