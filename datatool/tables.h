// The data tool's view of the installation's tables: for each data file the
// CSV columns it takes and gives, and how a column's text becomes the bytes
// of its record field and back.
//
// Column kinds: codes are digit text (a four-digit code packs into two
// bytes); dates are YYYY-MM-DD (empty: no date); texts are UTF-8 in the CSV
// and code page 850 in the record, blank-padded; flags are single letters;
// integers are checked against their field's range; amounts are whole
// hundredths of a euro.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/record_file.h"

namespace datatool {

enum class Kind {
  kCode,
  kText,
  kFlag,
  kDate,
  kInt16,
  kInt32,
  kDouble,
  kMonth,
  kConcept,
  kConceptCode
};

struct Column {
  const char* name;
  Kind kind;
  int position;  // 1-based
  int width;     // bytes of the field
};

struct Table {
  const char* name;  // "DepartaV"
  const char* path;  // under the data root, "DADES\DepartaV"
  storage::FileCode code;
  int record_length;
  std::vector<Column> columns;
};

const std::vector<Table>& Tables();

// The table of a name given by the user, without regard to case; nullptr
// when there is none.
const Table* FindTable(std::string_view name);

// Sets the field from the column's CSV text; false with the reason in *err.
[[nodiscard]] bool SetColumn(const Column& c, std::string_view text, std::string* record,
                             std::string* err);

// The column's CSV text for a record.
std::string GetColumn(const Column& c, std::string_view record);

// A record with every listed field at its empty value (blanks, zero, no date).
std::string EmptyRecord(const Table& t);

// The creation block of each data file, as its description file holds it.
struct Description {
  const char* name;  // "DepartaV"
  std::string xdf;   // 16-bit length + creation block
};
std::vector<Description> Descriptions();

}  // namespace datatool
