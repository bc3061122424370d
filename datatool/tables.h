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

#include "storage/data_files_table.h"

namespace datatool {

// A table is a data file of the table in storage/data_files_table.h, and
// its columns are the file's fields.
using Kind = storage::FieldKind;
using Column = storage::TableField;
using Table = storage::DataFile;

// The data files that have columns, in the order of their names: the order
// in which the usage lists them and a copy goes through them.
const std::vector<Table>& Tables();

// The table of a name given by the user, without regard to case; nullptr
// when there is none.
const Table* FindTable(std::string_view name);

// Sets the field from the column's CSV text; false with the reason in *err.
[[nodiscard]] bool SetColumn(const Column& c, std::string_view text, std::string* record,
                             std::string* err);

// The column's CSV text for a record.
std::string GetColumn(const Column& c, std::string_view record);

// The names of the tables, as the usage lists them: "DepartaV, FinquesV, ...".
std::string TableNames();

// A record with every listed field at its empty value (blanks, zero, no date).
std::string EmptyRecord(const Table& t);

// The creation block of each data file of the table, as its description
// file holds it.
struct Description {
  const char* name;  // "DepartaV"
  std::string xdf;   // 16-bit length + creation block
};
std::vector<Description> Descriptions();

}  // namespace datatool
