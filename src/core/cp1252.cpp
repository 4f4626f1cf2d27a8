#include "core/cp1252.h"

#include <string_view>

#include <array>

namespace ts2::cp1252 {

namespace {

// 0x80-0x9F; the unassigned bytes keep their own value (a C1 control).
constexpr std::array<char16_t, 32> kHigh = {
    u'\u20AC', 0x0081,    u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', 0x008D,    u'\u017D', 0x008F,
    0x0090,    u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', 0x009D,    u'\u017E', u'\u0178',
};

}  // namespace

char32_t ToUnicode(uint8_t byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : byte;
}

std::optional<uint8_t> FromUnicode(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c) return static_cast<uint8_t>(0x80 + i);
  return std::nullopt;  // U+0080-U+009F other than the five, and everything past U+00FF
}

bool IsLetter(uint8_t byte) {
  static constexpr std::string_view kHighLetters = "\x83\x8A\x8C\x8E\x9A\x9C\x9E\x9F\xAA\xB5\xBA";
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7) ||
         kHighLetters.find(static_cast<char>(byte)) != std::string_view::npos;
}

}  // namespace ts2::cp1252
