// The installation's seven data files, the one place that says for each
// where it lives, the file code the programs open it under, the length of
// its records, its key and where each of its fields lies. Everything else
// reads this table: the typed field constants of record_layouts.h, the
// batch program's record buffers, the data tool's CSV columns and the
// description files ("ddf\<name>.xdf") from which the files are created.
//
// Positions are 1-based byte positions. Bytes of a record that no field
// covers are carried through unchanged when a record is rewritten.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "storage/record_file.h"

namespace storage {

struct Field {
  int position;  // 1-based
  int width;
};

// How a field holds its value in the record, and in the data tool's CSV:
enum class FieldKind {
  kCode,         // packed digits, two a byte (0x80 + value each); digit text
  kText,         // code page 850, blank-padded, no terminator; UTF-8
  kFlag,         // one code page 850 letter
  kDate,         // a PackedDate (century, year, month, day, each 0x80 +
                 // value), the ZeroDate for none; YYYY-MM-DD, empty for none
  kInt16,        // little-endian two's complement
  kInt32,        // little-endian two's complement
  kDouble,       // IEEE 754 64-bit, little-endian
  kMonth,        // kIndexSeries, then the PackedDate of the month's first day; YYYY-MM
  kConcept,      // a receipt-concept key byte of concepts 1 to 10: the number itself
  kConceptCode,  // a receipt-concept key byte of a coded concept: 0x80 + the code (0 to 99)
};

// The price-index series of the month fields.
inline constexpr std::string_view kIndexSeries = "ESI";

struct TableField {
  const char* name;  // its column in the data tool's CSV files
  FieldKind kind;
  int position;  // 1-based
  int width;     // bytes
  constexpr Field Bytes() const { return {position, width}; }
};

struct DataFile {
  const char* name;  // "DepartaV", also the name of its lock file and description file
  const char* path;  // under the data root, "DADES\DepartaV" (on disk "DADES\DepartaV.dat")
  FileCode code;     // the file code the programs open it under
  int record_length;
  Field key;  // key 0: one segment, unique
  std::span<const TableField> fields;
};

// The price indices (CpiRecord).
inline constexpr TableField kCpiFields[] = {
    {"month", FieldKind::kMonth, 1, 7}, {"value", FieldKind::kDouble, 8, 8},  // the index, base 100
};

// The owners (OwnerRecord).
inline constexpr TableField kOwnerFields[] = {
    {"owner", FieldKind::kCode, 1, 2},
    {"name", FieldKind::kText, 3, 30},
    {"tax_id", FieldKind::kText, 265, 17},
};

// The buildings (BuildingRecord).
inline constexpr TableField kBuildingFields[] = {
    {"building", FieldKind::kCode, 1, 2},
    {"owner", FieldKind::kCode, 7, 2},
    {"street", FieldKind::kText, 9, 30},
    {"address2", FieldKind::kText, 39, 30},
    {"address3", FieldKind::kText, 69, 30},
    {"type", FieldKind::kFlag, 142, 1},  // "P": every unit carries its own address
};

// The rented units (UnitRecord).
inline constexpr TableField kUnitFields[] = {
    {"building", FieldKind::kCode, 1, 2},
    {"unit", FieldKind::kCode, 3, 2},
    {"tenant_name", FieldKind::kText, 9, 30},
    {"designation", FieldKind::kText, 39, 10},
    {"subrogated_name", FieldKind::kText, 49, 30},
    {"street", FieldKind::kText, 99, 30},  // the unit's own address lines
    {"address2", FieldKind::kText, 130, 30},
    {"address3", FieldKind::kText, 160, 30},
    {"contract_date", FieldKind::kDate, 190, 4},
    {"duration_months", FieldKind::kInt16, 194, 2},  // agreed duration, 0 = indefinite
    {"last_update_date", FieldKind::kDate, 196, 4},
    {"update_months", FieldKind::kInt16, 200, 2},      // set to 12 when 0 in mode "A"
    {"last_update_index", FieldKind::kInt32, 206, 4},  // index x 1000
    {"premises", FieldKind::kFlag, 211, 1},            // "S": business premises
    {"months_per_receipt", FieldKind::kInt16, 226, 2},
    // The receipt's concepts: ten amounts, then four coded concepts.
    {"concept1", FieldKind::kInt32, 278, 4},
    {"concept2", FieldKind::kInt32, 282, 4},
    {"concept3", FieldKind::kInt32, 286, 4},
    {"concept4", FieldKind::kInt32, 290, 4},
    {"concept5", FieldKind::kInt32, 294, 4},
    {"concept6", FieldKind::kInt32, 298, 4},
    {"concept7", FieldKind::kInt32, 302, 4},
    {"concept8", FieldKind::kInt32, 306, 4},
    {"concept9", FieldKind::kInt32, 310, 4},
    {"concept10", FieldKind::kInt32, 314, 4},
    {"concept11_code", FieldKind::kInt16, 318, 2},
    {"concept11", FieldKind::kInt32, 320, 4},
    {"concept12_code", FieldKind::kInt16, 324, 2},
    {"concept12", FieldKind::kInt32, 326, 4},
    {"concept13_code", FieldKind::kInt16, 330, 2},
    {"concept13", FieldKind::kInt32, 332, 4},
    {"concept14_code", FieldKind::kInt16, 336, 2},
    {"concept14", FieldKind::kInt32, 340, 4},
    {"tax_id", FieldKind::kText, 346, 17},  // the tenant's
};

// The transition regime of a unit (TransitionRecord), keyed by its unit.
inline constexpr TableField kTransitionFields[] = {
    {"building", FieldKind::kCode, 1, 2},
    {"unit", FieldKind::kCode, 3, 2},
    {"reference_date1", FieldKind::kDate, 5, 4},
    {"reference_date2", FieldKind::kDate, 9, 4},
    {"assimilated", FieldKind::kFlag, 13, 1},  // "S" or "N"
    {"assimilated_housing", FieldKind::kFlag, 14, 1},
    {"floor_area", FieldKind::kInt32, 15, 4},
    {"cadastral_value", FieldKind::kInt32, 19, 4},
    {"cadastral_date", FieldKind::kDate, 23, 4},
    {"population", FieldKind::kInt32, 27, 4},
    {"cohabitants", FieldKind::kInt16, 31, 2},
    {"household_income", FieldKind::kInt32, 33, 4},
    {"opposed_update", FieldKind::kFlag, 37, 1},
    {"premises_category", FieldKind::kFlag, 38, 1},
    {"premises_flag", FieldKind::kFlag, 39, 1},  // of the premises' tenant
    {"quota", FieldKind::kInt32, 40, 4},
    {"took_option7", FieldKind::kFlag, 44, 1},
    {"premises_opposed", FieldKind::kFlag, 45, 1},
    {"revalued_rent", FieldKind::kInt32, 46, 4},
    {"base_index", FieldKind::kInt32, 50, 4},      // index x 1000
    {"steps_at_start", FieldKind::kInt16, 54, 2},  // of the phase-in
    {"steps_reached", FieldKind::kInt16, 56, 2},
};

// The receipt-concept types (ReceiptRecord). The key byte is either a
// concept's number or a coded concept's code: two readings of one byte.
inline constexpr TableField kReceiptFields[] = {
    {"concept", FieldKind::kConcept, 1, 1},
    {"code", FieldKind::kConceptCode, 1, 1},
    {"type", FieldKind::kInt16, 25, 2},  // 0 rent; 1, 2, 4 assimilated to rent
};

// In the order the programs open them. The texts (TextRecord) are opened
// but not read; they have no fields here.
inline constexpr DataFile kDataFiles[] = {
    {"UIpc", "TAULES\\UIpc", 4, 16, {1, 7}, kCpiFields},
    {"PropietV", "DADES\\PropietV", 505, 324, {1, 2}, kOwnerFields},
    {"FinquesV", "DADES\\FinquesV", 506, 204, {1, 2}, kBuildingFields},
    {"DepartaV", "DADES\\DepartaV", 507, 447, {1, 4}, kUnitFields},
    {"TranLauV", "DADES\\TranLauV", 508, 60, {1, 4}, kTransitionFields},
    {"TVRebut", "DADES\\TVRebut", 503, 28, {1, 1}, kReceiptFields},
    {"Textos", "DADES\\Textos", 60, 100, {1, 4}, {}},
};

// The file's path under the data root with "/" between folders:
// "DADES/DepartaV.dat".
std::string RelativeFilePath(const DataFile& file);

// Compile-time look-ups for the constants that name the table's entries: a
// name that is not in the table, or a field of another kind, does not
// compile.
consteval const DataFile& DataFileNamed(std::string_view name) {
  for (const DataFile& f : kDataFiles) {
    if (name == f.name) return f;
  }
  throw "no data file of that name";
}

consteval const TableField& FieldEntry(const DataFile& file, std::string_view name,
                                       FieldKind kind) {
  for (const TableField& f : file.fields) {
    if (name != f.name) continue;
    if (f.kind != kind) throw "the field is of another kind";
    return f;
  }
  throw "no field of that name in the file";
}

consteval Field FieldNamed(const DataFile& file, std::string_view name, FieldKind kind) {
  return FieldEntry(file, name, kind).Bytes();
}

consteval int PositionNamed(const DataFile& file, std::string_view name, FieldKind kind) {
  return FieldNamed(file, name, kind).position;
}

// The bytes from the first of two fields to the end of the second.
consteval Field Spanning(Field first, Field last) {
  return {first.position, last.position + last.width - first.position};
}

}  // namespace storage
