// Kana dumps: every string of the selected block, run through the kana conversion and laid out
// as ".STRING %d" / ".ENDS" sections, to a file or to the Current Kana Dump window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ts2 {

// Working RAM read as a table of string records, one per string of the block.
inline constexpr uint32_t kStringRecordSize = 64;
inline constexpr uint32_t kRecordKindField = 2;         // 16-bit LE: 2 = text
inline constexpr uint32_t kRecordTextOffsetField = 14;  // 16-bit LE: text's Working RAM offset
inline constexpr uint16_t kKindText = 2;

struct StringRecord {
  uint16_t kind = 0;
  uint16_t textOffset = 0;
};

// The record of string `index`; std::nullopt when the record does not lie wholly inside `wram`.
std::optional<StringRecord> ReadStringRecord(std::span<const uint8_t> wram, uint32_t index);

// True when the block's marker byte says the block is already in English: the byte
// (ROM data size - 1 - block) equals the block index. The marker is one byte, so blocks from 256
// on (and a negative block, meaning none is selected) never match.
bool BlockMarkedEnglish(std::span<const uint8_t> rom, int32_t block);

enum class KanaStringClass {
  Text,     // converted and dumped
  English,  // "Block is in english already."
  NonText,  // "NON-TEXT DATA"
};

// A record outside Working RAM holds no text record, so it counts as non-text.
KanaStringClass ClassifyString(const std::optional<StringRecord>& record, bool blockInEnglish);

}  // namespace ts2
