// The translation font: 256 glyphs of 8 x 16 pixels at one bit per pixel, drawn flush left so
// that the ink width varies from glyph to glyph.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ts2 {

inline constexpr size_t kAsciiGlyphBytes = 16;  // one byte a pixel row, top row first, bit 7 leftmost

// Glyph c at c x 16. Codes 0x00, 0x20 and 0xFD (the player's name) are blank, as is every code
// without a drawing (control codes, most of 0x7F-0xBF).
extern const std::array<uint8_t, 256 * kAsciiGlyphBytes> gAsciiFont;

}  // namespace ts2
