// Locating and decoding a string of the game's script in the ROM image.
//
// A string is a header byte H, optional entry bytes, then its characters; there is no
// terminator. H bits 0-4 give the number of characters minus 1, bits 5-7 the kind K:
//   K = 0  one byte per character, right after H;
//   K = 7  one little-endian 16-bit code per character, right after H;
//   K = 1..6  K entry bytes after H, then one byte per character. An entry raises the code of
//          one character above 0xFF; entries are used in the order stored, and only the next
//          unused one is tested against each character.
// A character code is a glyph number; the renderer wants the glyph's byte offset in the font,
// code x 32 taken in 16 bits.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/bytes.h"

namespace ts2 {

// The block whose pointer table lies here marks characters with a whole-byte index and bit 8.
inline constexpr uint32_t kSpecialEntryBlock = 0x60000;
inline constexpr uint32_t kBankBits = 0xFF0000;

struct DecodedString {
  std::optional<uint16_t> pointer;    // none when the pointer lies outside the ROM image
  uint32_t address = 0;               // ROM offset of the header byte
  std::optional<uint32_t> firstChar;  // ROM offset of the first character, when it lies inside
  std::vector<uint16_t> codes;        // character codes (glyph numbers), in order
  std::vector<uint16_t> glyphs;       // their glyph byte offsets
};

// Decodes string `index` of the block whose pointer table lies at `tableOffset` and whose texts
// lie in the bank of `textField`. Nothing outside `rom` is read: a pointer outside gives no
// pointer and no glyphs, a header outside gives no glyphs, and characters that would lie past
// the end of the image are left out.
DecodedString DecodeRomString(Bytes rom, uint32_t tableOffset, uint32_t textField, uint32_t index);

}  // namespace ts2
