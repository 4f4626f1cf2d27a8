// UTF-8 and the translation files' Windows-1252 bytes as Unicode text, for what lives outside
// those files: the project's word list (UTF-8), spelling dictionaries and terminal output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ts2 {

// Every character as UTF-8 (a lone surrogate or a value past U+10FFFF as U+FFFD).
std::string ToUtf8(std::u32string_view text);
// The characters of valid UTF-8 text; std::nullopt for anything else (an overlong form, a
// surrogate, a cut sequence).
std::optional<std::u32string> FromUtf8(std::string_view text);

// The text with every letter written apart from its accent (`e` followed by U+0301, as text
// copied from a PDF or typed on some systems holds it) joined into the one character Windows-1252
// has for the pair, and the few characters that are another one in every normalized text (the
// Kelvin and Ångström signs...) as that one: what Unicode's composed form (NFC) makes of the
// characters the code page holds. Anything else is left as it is.
std::u32string ComposeForCp1252(std::u32string_view text);

// Windows-1252 bytes as characters, and back (composed first); std::nullopt when a character has
// no byte.
std::u32string Cp1252ToUnicode(std::string_view bytes);
std::optional<std::string> UnicodeToCp1252(std::u32string_view text);
// Windows-1252 bytes (a translation file's text) as UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);
// Text in an 8-bit code page with ASCII below 0x80 as UTF-8: ASCII kept, and one U+FFFD for each
// run of other bytes.
std::string AsciiToUtf8(std::string_view bytes);

}  // namespace ts2
