// The receipt-concept types ("DADES\TVRebut") and the price indices
// ("TAULES\UIpc") held in memory for the run. Only this program reads these
// tables, and never locks them: they are read whole once, at the first
// lookup, and every lookup is then answered from memory with what the
// record-by-record read gives — the same value, and the same bytes left in
// the record buffer (the record found, or the buffer as it was with the
// read's default field set: type 9, index 100). A table that cannot be
// read whole is read record by record, as without the cache.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "app/data_files.h"
#include "app/lease_handler.h"
#include "lease/reference_data.h"

namespace app {

class ReferenceTables : public RecordReference {
 public:
  explicit ReferenceTables(RecordBuffers& records) : RecordReference(records) {}
  std::optional<int16_t> ConceptType(const std::string& key) override;
  std::optional<CpiRecord> CpiAtOrBefore(const std::string& key) override;

 private:
  struct Table {
    bool loaded = false;
    bool whole = false;                          // read to its end without an error
    std::map<std::string, std::string> records;  // key -> record bytes
  };
  // Reads the file whole into table; for keys held twice, the first record
  // (an equal read's) or the last (a less-or-equal read's).
  void Load(storage::FileCode file, std::string* buffer, bool keep_last, Table* table);

  Table receipts_, indices_;
};

}  // namespace app
