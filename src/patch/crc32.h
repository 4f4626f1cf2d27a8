// CRC-32 as the patch formats use it: the common reflected polynomial 0xEDB88320 (zlib's crc32),
// so a BPS patch's checksums match the ones any other tool computes for the same bytes.
#pragma once

#include <cstdint>
#include <span>

namespace ts2 {

// The CRC-32 of `bytes`, continuing from `crc` (the CRC-32 of the bytes before them; 0 to start).
uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

}  // namespace ts2
