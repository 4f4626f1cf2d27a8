// The original text of a ROM string, for reading beside the translation: the Kana Text window
// shows it for the selected string and `ts2tool original` writes it for whole blocks.
//
// Each decoded character code (the glyph number the ROM string yields, before it becomes a glyph
// offset) is looked up in the two-byte character table at the code itself, as the data file's
// .TABLE section writes it (0041=A is the glyph 0x41). Codes 0xF000 to 0xFDFF are control codes
// with the high byte naming them and the low byte their argument, named as the kana conversion
// names them; 0xFC and 0xFD end a line, and Yes-No (0xF9) takes the next two codes as its
// arguments. Every other code shows as its table text, or as "[$hhhh]" when the table has none.
// Table texts are copied byte for byte (they are Shift-JIS); line breaks are CR LF.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "core/state.h"

namespace ts2 {

// The text of the decoded character codes `codes`, looked up in `table16` (normally
// gCharTable16; codes past its end count as codes without text).
std::string OriginalText(std::span<const uint16_t> codes, CharLookup table16);

// The original text of string `index` of block `block` of the loaded ROM image: empty when the
// block does not exist or the string lies outside the image (see DecodeRomString).
std::string OriginalTextOf(const Ts2Main& m, int32_t block, uint32_t index);

// An original text as UTF-8 for reading elsewhere (a PO file, Similar Strings, a proof sheet):
// its CR LF line ends made LF before `toUtf8` (a Shift-JIS converter) reads it, so that the
// editor's converter, which shows a CR inside a line as a blank, and ts2tool's give one text.
std::string OriginalUtf8(std::string original, const std::function<std::string(std::string_view)>& toUtf8);

}  // namespace ts2
