// Bounded little-endian reads. Untrusted offsets (from the data file, the ROM, a patch) are
// read only through these: a read past the end yields std::nullopt, never a stray byte.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ts2 {

using Bytes = std::span<const uint8_t>;

inline std::optional<uint8_t> Read8(Bytes data, uint64_t offset) {
  if (offset >= data.size()) return std::nullopt;
  return data[offset];
}

inline std::optional<uint16_t> Read16LE(Bytes data, uint64_t offset) {
  if (offset + 2 > data.size()) return std::nullopt;
  return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

inline std::optional<uint32_t> Read24BE(Bytes data, uint64_t offset) {
  if (offset + 3 > data.size()) return std::nullopt;
  return static_cast<uint32_t>(data[offset] << 16 | data[offset + 1] << 8 | data[offset + 2]);
}

inline std::optional<uint16_t> Read16BE(Bytes data, uint64_t offset) {
  if (offset + 2 > data.size()) return std::nullopt;
  return static_cast<uint16_t>(data[offset] << 8 | data[offset + 1]);
}

inline void Write16LE(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace ts2
