#include "storage/creation_block.h"

#include "storage/little_endian.h"

namespace storage {

int KeySpec::Length() const {
  int n = 0;
  for (const KeySegment& s : segments) n += s.length;
  return n;
}

std::string KeySpec::Extract(std::string_view record) const {
  std::string key;
  key.reserve(static_cast<size_t>(Length()));
  for (const KeySegment& s : segments) {
    for (size_t i = 0; i < s.length; ++i) {
      const size_t at = s.position - 1 + i;
      key.push_back(at < record.size() ? record[at] : '\0');
    }
  }
  return key;
}

std::string EncodeCreationBlock(const FileSpec& file_spec) {
  std::string out;
  EncodeFixed16(&out, file_spec.record_length);
  EncodeFixed16(&out, file_spec.page_size);
  EncodeFixed16(&out, static_cast<uint16_t>(file_spec.keys.size()));
  out.append(kSpecSize - out.size(), '\0');
  for (const KeySpec& key : file_spec.keys) {
    for (size_t i = 0; i < key.segments.size(); ++i) {
      const size_t start = out.size();
      EncodeFixed16(&out, key.segments[i].position);
      EncodeFixed16(&out, key.segments[i].length);
      uint16_t flags = key.duplicates ? kKeyDuplicates : 0;
      if (i + 1 < key.segments.size()) flags |= kSegmentContinues;
      EncodeFixed16(&out, flags);
      out.append(start + kSpecSize - out.size(), '\0');
    }
  }
  return out;
}

bool DecodeCreationBlock(std::string_view block, FileSpec* file_spec) {
  if (block.size() < kSpecSize) return false;
  FileSpec s;
  s.record_length = DecodeFixed16(block.data());
  s.page_size = DecodeFixed16(block.data() + 2);
  const int keys = DecodeFixed16(block.data() + 4);
  if (s.record_length < 1 || s.record_length > kMaxRecordLength || keys < 1 || keys > 24) {
    return false;
  }
  size_t at = kSpecSize;
  for (int k = 0; k < keys; ++k) {
    KeySpec key;
    bool more = true;
    while (more) {
      if (at + kSpecSize > block.size() || key.segments.size() >= 16) return false;
      KeySegment seg{DecodeFixed16(block.data() + at), DecodeFixed16(block.data() + at + 2)};
      const uint16_t flags = DecodeFixed16(block.data() + at + 4);
      if (seg.position < 1 || seg.length < 1 || seg.position - 1 + seg.length > s.record_length) {
        return false;
      }
      key.duplicates = (flags & kKeyDuplicates) != 0;
      more = (flags & kSegmentContinues) != 0;
      key.segments.push_back(seg);
      at += kSpecSize;
    }
    if (key.Length() > 255) return false;
    s.keys.push_back(key);
  }
  *file_spec = s;
  return true;
}

}  // namespace storage
