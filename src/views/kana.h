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
// (normally gCharTable16; indices past its end count as empty entries).
// Never reads outside `wram`: reading stops at the end word or when fewer bytes remain than the
// next word needs. The result's line breaks are CR LF; table texts are copied byte for byte.
std::string KanaText(std::span<const uint8_t> wram, size_t offset, CharLookup table16);

// The pieces of the conversion, shared with the original text of ROM strings (views/original.h).
// "[$hhhh]" of the low 16 bits of `value`.
void AppendWordText(std::string& out, unsigned value);
// The text of entry `index` up to its first zero byte; false (nothing appended) when the entry
// has none or lies past the table's end.
bool AppendTableText(std::string& out, CharLookup table16, size_t index);
// The name of control code `code` (0xF0 to 0xFD) with argument byte `arg`: "[Pause$05]",
// "[ClrWin]" and a line break, a line break alone for 0xFD, "[Yes-No]" without its two argument
// words for 0xF9. False (nothing appended) for any other code.
bool AppendControlText(std::string& out, uint8_t code, uint8_t arg);

}  // namespace ts2
