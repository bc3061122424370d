#include "storage/data_files_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "storage/creation_block.h"

namespace storage {
namespace {

// The bytes a field of a kind takes; 0 for the kinds of any width.
int WidthOfKind(FieldKind kind) {
  switch (kind) {
    case FieldKind::kCode:
    case FieldKind::kText:
      return 0;
    case FieldKind::kFlag:
    case FieldKind::kConcept:
    case FieldKind::kConceptCode:
      return 1;
    case FieldKind::kInt16:
      return 2;
    case FieldKind::kDate:
    case FieldKind::kInt32:
      return 4;
    case FieldKind::kDouble:
      return 8;
    case FieldKind::kMonth:
      return static_cast<int>(kIndexSeries.size()) + 4;
  }
  return -1;
}

bool Inside(Field f, int record_length) {
  return f.position >= 1 && f.width >= 1 && f.position - 1 + f.width <= record_length;
}

bool Overlap(Field a, Field b) {
  return a.position < b.position + b.width && b.position < a.position + a.width;
}

// What is wrong with a file's entry, one sentence each.
std::vector<std::string> Faults(const DataFile& file) {
  std::vector<std::string> faults;
  const std::string name = file.name;
  if (file.record_length < 1 || file.record_length > kMaxRecordLength)
    faults.push_back(name + ": a record length the record manager cannot hold");
  if (!Inside(file.key, file.record_length)) faults.push_back(name + ": the key is not inside");
  if (!std::string(file.path).ends_with("\\" + name))
    faults.push_back(name + ": the path is of another file");
  std::set<std::string> names;
  for (const TableField& f : file.fields) {
    const std::string field = name + " " + f.name;
    if (!names.insert(f.name).second) faults.push_back(field + ": given twice");
    if (!Inside(f.Bytes(), file.record_length)) faults.push_back(field + ": not inside");
    const int width = WidthOfKind(f.kind);
    if (width != 0 && f.width != width) faults.push_back(field + ": a width not of its kind");
  }
  // Two fields are either two readings of the same bytes or apart.
  for (size_t i = 0; i < file.fields.size(); ++i) {
    for (size_t j = i + 1; j < file.fields.size(); ++j) {
      const Field a = file.fields[i].Bytes(), b = file.fields[j].Bytes();
      if (Overlap(a, b) && (a.position != b.position || a.width != b.width)) {
        faults.push_back(name + " " + file.fields[i].name + " and " + file.fields[j].name +
                         ": overlap");
      }
    }
  }
  // The data tool makes a record's key from the columns inside it.
  for (int at = file.key.position; !file.fields.empty() && at < file.key.position + file.key.width;
       ++at) {
    bool covered = false;
    for (const TableField& f : file.fields) {
      const Field b = f.Bytes();
      covered = covered || (Overlap(b, {at, 1}) && b.position >= file.key.position &&
                            b.position + b.width <= file.key.position + file.key.width);
    }
    if (!covered) faults.push_back(name + ": key byte " + std::to_string(at) + " is no column's");
  }
  return faults;
}

TEST(DataFilesTable, HoldsEachFileOnceWithItsFieldsApartInsideItsRecords) {
  std::set<std::string> names;
  std::set<FileCode> codes;
  for (const DataFile& file : kDataFiles) {
    EXPECT_EQ(Faults(file), std::vector<std::string>()) << file.name;
    // The data tool finds a table by its name in any case.
    EXPECT_TRUE(names.insert(base::UpperCase850(file.name)).second) << file.name;
    EXPECT_NE(file.code, 0) << file.name;
    EXPECT_TRUE(codes.insert(file.code).second) << file.name << " " << file.code;
  }
  EXPECT_EQ(names.size(), 7u);
}

TEST(DataFilesTable, ItsCheckFindsMisplacedFieldsAndKeys) {
  struct Case {
    const char* what;
    int record_length;
    Field key;
    std::vector<TableField> fields;
    std::vector<std::string> faults;
  } const cases[] = {
      {"two readings of the key byte",
       28,
       {1, 1},
       {{"concept", FieldKind::kConcept, 1, 1},
        {"code", FieldKind::kConceptCode, 1, 1},
        {"type", FieldKind::kInt16, 25, 2}},
       {}},
      {"an amount placed over the next",
       60,
       {1, 2},
       {{"building", FieldKind::kCode, 1, 2},
        {"floor_area", FieldKind::kInt32, 15, 4},
        {"cadastral_value", FieldKind::kInt32, 17, 4}},
       {"F floor_area and cadastral_value: overlap"}},
      {"a field past the record's end",
       60,
       {1, 2},
       {{"building", FieldKind::kCode, 1, 2}, {"steps_reached", FieldKind::kInt16, 60, 2}},
       {"F steps_reached: not inside"}},
      {"an int32 two bytes wide",
       60,
       {1, 2},
       {{"building", FieldKind::kCode, 1, 2}, {"quota", FieldKind::kInt32, 40, 2}},
       {"F quota: a width not of its kind"}},
      {"a key longer than its columns",
       60,
       {1, 4},
       {{"building", FieldKind::kCode, 1, 2}, {"quota", FieldKind::kInt32, 40, 4}},
       {"F: key byte 3 is no column's", "F: key byte 4 is no column's"}},
      {"a key past the record's end", 16, {10, 8}, {}, {"F: the key is not inside"}},
      {"a column given twice",
       60,
       {1, 2},
       {{"building", FieldKind::kCode, 1, 2}, {"building", FieldKind::kText, 9, 30}},
       {"F building: given twice"}},
  };
  for (const Case& c : cases) {
    const DataFile file{"F", "DADES\\F", 1, c.record_length, c.key, c.fields};
    EXPECT_EQ(Faults(file), c.faults) << c.what;
  }
}

}  // namespace
}  // namespace storage
