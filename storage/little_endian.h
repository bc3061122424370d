// Little-endian coding of the 16- and 32-bit numbers inside records,
// creation blocks, lock entries and position blocks: least significant
// byte first, whatever the machine's own order.
#pragma once

#include <cstdint>
#include <string>

namespace storage {

// Appends v's two (four) bytes to out.
inline void EncodeFixed16(std::string* out, uint16_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8));
}

inline void EncodeFixed32(std::string* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// REQUIRES: p points at two (four) readable bytes.
inline uint16_t DecodeFixed16(const char* p) {
  return static_cast<uint16_t>(static_cast<unsigned char>(p[0]) |
                               (static_cast<unsigned char>(p[1]) << 8));
}

inline uint32_t DecodeFixed32(const char* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return v;
}

}  // namespace storage
