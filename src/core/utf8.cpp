#include "core/utf8.h"

#include "core/cp1252.h"

namespace ts2 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

}  // namespace

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (IsSurrogate(c) || c > 0x10FFFF) c = kReplacement;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::u32string> FromUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    // The sequence's length and the least value it may carry (shorter forms are overlong).
    size_t length;
    char32_t c, least;
    if (lead < 0x80) {
      length = 1, c = lead, least = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07, least = 0x10000;
    } else {
      return std::nullopt;
    }
    if (text.size() - i < length) return std::nullopt;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = c << 6 | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || IsSurrogate(c)) return std::nullopt;
    out += c;
    i += length;
  }
  return out;
}

std::u32string Cp1252ToUnicode(std::string_view bytes) {
  std::u32string out(bytes.size(), U'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = cp1252::ToUnicode(static_cast<uint8_t>(bytes[i]));
  return out;
}

std::optional<std::string> UnicodeToCp1252(std::u32string_view text) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const std::optional<uint8_t> byte = cp1252::FromUnicode(text[i]);
    if (!byte) return std::nullopt;
    out[i] = static_cast<char>(*byte);
  }
  return out;
}

std::string AsciiToUtf8(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      out += bytes[i];
      continue;
    }
    out += "\xEF\xBF\xBD";
    while (i + 1 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) >= 0x80) ++i;
  }
  return out;
}

}  // namespace ts2
