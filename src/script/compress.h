// The compressor matching DecompressBlock: makes type-3 blocks and whole glyph tables, for the
// demo set and for anyone who wants to put a font back into a ROM image.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ts2 {

// A type-3 block (5-byte header, then the stream) that DecompressBlock turns back into `data`
// (at most 65535 bytes). Back-references reach only into bytes the block itself produced, so
// the result never depends on what the ring held before the block.
std::vector<uint8_t> CompressBlock(std::span<const uint8_t> data);

// A glyph table for ROM offset `tableOffset`: the 16-bit pointers (offsets within the table's
// bank) followed by one compressed block per glyph of 32 bytes. Empty when it would not fit the
// rest of the bank.
std::vector<uint8_t> BuildGlyphTable(std::span<const uint8_t> glyphs, uint32_t tableOffset);

}  // namespace ts2
