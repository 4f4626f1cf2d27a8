// Where a block's strings lie in the ROM image.
//
// A block has a table of 16-bit little-endian string pointers (no terminator; the block's count
// says how many) and a second field whose 64 KB bank holds the string texts: string s of block b
// has its pointer at gBlockOffset[b] + 2s and its bytes at (gBlockField2[b] & 0xFF0000) + pointer.
// The status line shows the same pointer taken in the bank of the pointer table instead.
//
// Offsets come from the data file and are not trusted: every read goes through a bounded helper,
// so a table or a count that does not fit the ROM image reads nothing instead of stray memory.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/state.h"

namespace ts2 {

inline constexpr uint32_t kBankMask = 0xFF0000;  // a ROM offset's 64 KB bank

// One entry of the block tables.
struct BlockEntry {
  uint32_t offset = 0;   // ROM offset of the string pointer table
  uint32_t field2 = 0;   // its bank is the bank of the string texts
  uint16_t strings = 0;  // the count; only the low 16 bits of the stored value count
};

// Entry `block` of the block tables; std::nullopt for an index outside the tables (or once the
// tables have been released).
std::optional<BlockEntry> BlockAt(const Ts2Main& m, int32_t block);

// ROM offset of string s's pointer, in 32-bit unsigned arithmetic as the status line shows it.
inline uint32_t StringPointerOffset(const BlockEntry& b, uint32_t s) {
  return b.offset + 2 * s;
}

// String s's 16-bit pointer; std::nullopt when the pointer does not lie wholly inside `rom`
// (the sum is not wrapped, so a huge offset never lands back at the start of the image).
std::optional<uint16_t> ReadStringPointer(std::span<const uint8_t> rom, const BlockEntry& b, uint32_t s);
std::optional<uint16_t> ReadStringPointer(const Ts2Main& m, int32_t block, uint32_t s);

// ROM offset of the string's first byte: the pointer within the bank of the block's second field.
inline uint32_t StringAddress(const BlockEntry& b, uint16_t pointer) {
  return (b.field2 & kBankMask) + pointer;
}

// The value the status line reports: the pointer taken in the bank of the pointer table.
inline uint32_t StatusPointerValue(const BlockEntry& b, uint16_t pointer) {
  return (b.offset & kBankMask) | pointer;
}

// The ROM bytes from `address` to the end of the image; empty when the address lies outside.
inline std::span<const uint8_t> BytesFrom(std::span<const uint8_t> rom, uint32_t address) {
  return address < rom.size() ? rom.subspan(address) : std::span<const uint8_t>();
}

}  // namespace ts2
