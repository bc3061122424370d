// Rows of a record file that are not whole records of it: stored shorter or
// longer than the file's record length, stored as another type than bytes,
// or keyed otherwise than their own bytes say (written by hand or by another
// tool). Both engines skip such a row on every read, as if it were not
// there, and say so once on standard error: its bytes never reach a record
// buffer, where they would be mixed with the previous record's and written
// back.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "storage/creation_block.h"

namespace storage {

// Empty when data is a whole record of the file and key its bytes along key
// path key_number; otherwise what is wrong, in a few words.
std::string RecordDamage(const FileSpec& file_spec, int key_number, std::string_view data,
                         std::string_view key);

// "<file>: the row at position 7 (key 01020010) is not a record of the
// file: it holds 300 bytes, the file's records 447; it is skipped".
void ReportDamagedRow(const std::string& file, int64_t id, std::string_view key,
                      const std::string& damage);

// How many damaged rows this process has told of.
long DamagedRowsReported();

// The condition that leaves the damaged rows out of a read:
// " AND id NOT IN (7, 12)", empty while none was found.
std::string WithoutRows(const std::set<int64_t>& ids);

}  // namespace storage
