// The creation block of a record file, which is also what a stat returns.
//
// File specification, 16 bytes, little-endian 16-bit numbers:
//   0-1 record length   2-3 page size   4-5 number of keys   6-15 zero
// followed by one 16-byte key segment specification per segment:
//   0-1 position of the segment in the record (1-based)
//   2-3 length of the segment
//   4-5 flags: 0x0010 another segment of the same key follows,
//              0x0001 the key allows duplicates (set on every segment of it)
//   6-15 zero
// Keys are numbered from 0 in the order their segments appear.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

inline constexpr uint16_t kSegmentContinues = 0x0010;
inline constexpr uint16_t kKeyDuplicates = 0x0001;
inline constexpr size_t kSpecSize = 16;
inline constexpr int kMaxRecordLength = 1536;

struct KeySegment {
  uint16_t position = 1;  // 1-based
  uint16_t length = 0;
};

struct KeySpec {
  std::vector<KeySegment> segments;
  bool duplicates = false;
  int Length() const;
  // The key's bytes taken from a record (bytes past the record's end are zero).
  std::string Extract(std::string_view record) const;
};

struct FileSpec {
  uint16_t record_length = 0;
  uint16_t page_size = 4096;
  std::vector<KeySpec> keys;
};

std::string EncodeCreationBlock(const FileSpec& file_spec);

// False when the bytes do not describe a usable file (record length 1 to
// 1536, at least one key, segments inside the record).
[[nodiscard]] bool DecodeCreationBlock(std::string_view block, FileSpec* file_spec);

}  // namespace storage
