// Little-endian integers and wrapping byte sums: the two ways numbers are stored in every file
// the system writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zox {

inline void putU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void storeU32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint16_t loadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// 32-bit sum of bytes taken as 0..255; wraps silently, as every checksum of the format does.
inline uint32_t sum32(std::span<const uint8_t> bytes, uint32_t start = 0) {
  uint32_t s = start;
  for (uint8_t b : bytes) s += b;
  return s;
}

inline uint32_t sum32(std::string_view bytes, uint32_t start = 0) {
  uint32_t s = start;
  for (char c : bytes) s += static_cast<uint8_t>(c);
  return s;
}

// Bytes of a 32-bit value added to a sum, as the resource pass does with block offsets.
inline uint32_t sum32Of(uint32_t value, uint32_t start = 0) {
  return start + (value & 0xFF) + ((value >> 8) & 0xFF) + ((value >> 16) & 0xFF) + (value >> 24);
}

}  // namespace zox
