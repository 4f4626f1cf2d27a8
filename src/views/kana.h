// Kana conversion: two-byte script text in Working RAM -> readable text.
//
// A string is a run of 16-bit words (low byte first) ended by FF FF. For the two bytes b0, b1 at
// the read position: b1 >= 0xF0 is a control word (b1 the code, b0 its argument byte); anything
// else is a character looked up in the two-byte character table at b0 * 256 + b1.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/state.h"

namespace ts2 {

inline constexpr char kKanaLineBreak[] = "\r\n";

// Converts the string that starts at `offset` in `wram`, looking characters up in `table16`
// (normally the 65536 entries of gCharTable16; indices past its end count as empty entries).
// Never reads outside `wram`: reading stops at the end word or when fewer bytes remain than the
// next word needs. The result's line breaks are CR LF; table texts are copied byte for byte.
std::string KanaText(std::span<const uint8_t> wram, size_t offset, std::span<const CharEntry> table16);

}  // namespace ts2
