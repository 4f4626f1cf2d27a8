#include "cli/utf8_text.h"

#include <cstdint>

#include "core/cp1252.h"
#include "core/utf8.h"

namespace ts2::cli {

std::optional<std::u32string> DecodeUtf8(std::string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<uint8_t>(text[i]);
    const int extra = b < 0x80             ? 0
                      : (b & 0xE0) == 0xC0 ? 1
                      : (b & 0xF0) == 0xE0 ? 2
                      : (b & 0xF8) == 0xF0 ? 3
                                           : -1;
    if (extra < 0 || text.size() - i <= static_cast<size_t>(extra)) return std::nullopt;
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
      if ((t & 0xC0) != 0x80) return std::nullopt;
      c = c << 6 | (t & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    out.push_back(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | c >> 6));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | c >> 12));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {  // an emoji, named in a message
    out.push_back(static_cast<char>(0xF0 | c >> 18));
    out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::optional<std::string> Cp1252Text(const std::string& text, const char* what, std::string& error) {
  const std::optional<std::u32string> decoded = DecodeUtf8(text);
  if (!decoded) return text;
  std::string out;
  for (char32_t c : ComposeForCp1252(*decoded)) {
    const std::optional<uint8_t> b = cp1252::FromUnicode(c);
    if (!b) {
      std::string name;
      AppendUtf8(name, c);
      error = std::string(what) + " holds '" + name +
              "', which the translation files' code page (Windows-1252) cannot hold";
      return std::nullopt;
    }
    out.push_back(static_cast<char>(*b));
  }
  return out;
}

}  // namespace ts2::cli
