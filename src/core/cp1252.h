// Windows-1252, the 8-bit code page of translation, data and table files: Latin-1 with printable
// characters in 0x80-0x9F (€ … ‘ ’ “ ” – — œ Œ Š š Ž ž Ÿ ™ •). Its five unassigned bytes (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same value, so every byte has a
// character and every byte comes back from it.
#pragma once

#include <cstdint>
#include <optional>

namespace ts2::cp1252 {

// The character a byte stands for.
char32_t ToUnicode(uint8_t byte);

// The byte that stands for a character, or std::nullopt when the code page has none.
std::optional<uint8_t> FromUnicode(char32_t c);

// Whether a byte is a letter: A-Z, a-z, the Latin-1 letters and ƒ Š Œ Ž š œ ž Ÿ ª µ º.
bool IsLetter(uint8_t byte);

}  // namespace ts2::cp1252
