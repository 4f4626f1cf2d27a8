// Shift-JIS bytes (the character table's texts, as the Kana Text window shows them) as UTF-8,
// for output that other tools read.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ts2::cli {

// Converts `bytes` character by character, with the Windows code page 932 reading of Shift-JIS
// (the one Japanese text files of the editor's platform use; 0x5C stays a backslash): bytes
// below 0x80 are ASCII, a lead byte and its trail byte one character, 0xA1-0xDF a half-width
// katakana. A pair with no character assigned becomes one U+FFFD; so does a byte that starts no
// character (a lead byte without a valid trail byte among them), and the conversion goes on with
// the next byte. std::nullopt when the system's iconv
// has no CP932 converter.
std::optional<std::string> ShiftJisToUtf8(std::string_view bytes);

// ShiftJisToUtf8 as the whole-script work takes it (an empty text for one it cannot convert),
// with `failed` set once a text could not be converted; then the command ends with
// kNoShiftJisConverter.
std::function<std::string(std::string_view)> OriginalsToUtf8(bool& failed);
inline constexpr char kNoShiftJisConverter[] =
    "cannot convert Shift-JIS text: the system has no CP932 converter";

}  // namespace ts2::cli

namespace ts2::cli {

// The other way: UTF-8 text as Windows code page 932 Shift-JIS bytes, for a text to find in the
// original strings. std::nullopt when `utf8` holds a character Shift-JIS has none for, or the
// system has no CP932 converter.
std::optional<std::string> Utf8ToShiftJis(std::string_view utf8);

}  // namespace ts2::cli
