#include "core/utf8.h"

#include "core/cp1252.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace ts2 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// The letters of Windows-1252 that a base letter and one combining mark compose to.
struct Composition {
  char32_t base, mark, composed;
};
constexpr Composition kCompositions[] = {
    {U'A', 0x300, U'\u00C0'}, {U'A', 0x301, U'\u00C1'}, {U'A', 0x302, U'\u00C2'}, {U'A', 0x303, U'\u00C3'},
    {U'A', 0x308, U'\u00C4'}, {U'A', 0x30A, U'\u00C5'}, {U'C', 0x327, U'\u00C7'}, {U'E', 0x300, U'\u00C8'},
    {U'E', 0x301, U'\u00C9'}, {U'E', 0x302, U'\u00CA'}, {U'E', 0x308, U'\u00CB'}, {U'I', 0x300, U'\u00CC'},
    {U'I', 0x301, U'\u00CD'}, {U'I', 0x302, U'\u00CE'}, {U'I', 0x308, U'\u00CF'}, {U'N', 0x303, U'\u00D1'},
    {U'O', 0x300, U'\u00D2'}, {U'O', 0x301, U'\u00D3'}, {U'O', 0x302, U'\u00D4'}, {U'O', 0x303, U'\u00D5'},
    {U'O', 0x308, U'\u00D6'}, {U'U', 0x300, U'\u00D9'}, {U'U', 0x301, U'\u00DA'}, {U'U', 0x302, U'\u00DB'},
    {U'U', 0x308, U'\u00DC'}, {U'Y', 0x301, U'\u00DD'}, {U'a', 0x300, U'\u00E0'}, {U'a', 0x301, U'\u00E1'},
    {U'a', 0x302, U'\u00E2'}, {U'a', 0x303, U'\u00E3'}, {U'a', 0x308, U'\u00E4'}, {U'a', 0x30A, U'\u00E5'},
    {U'c', 0x327, U'\u00E7'}, {U'e', 0x300, U'\u00E8'}, {U'e', 0x301, U'\u00E9'}, {U'e', 0x302, U'\u00EA'},
    {U'e', 0x308, U'\u00EB'}, {U'i', 0x300, U'\u00EC'}, {U'i', 0x301, U'\u00ED'}, {U'i', 0x302, U'\u00EE'},
    {U'i', 0x308, U'\u00EF'}, {U'n', 0x303, U'\u00F1'}, {U'o', 0x300, U'\u00F2'}, {U'o', 0x301, U'\u00F3'},
    {U'o', 0x302, U'\u00F4'}, {U'o', 0x303, U'\u00F5'}, {U'o', 0x308, U'\u00F6'}, {U'u', 0x300, U'\u00F9'},
    {U'u', 0x301, U'\u00FA'}, {U'u', 0x302, U'\u00FB'}, {U'u', 0x308, U'\u00FC'}, {U'y', 0x301, U'\u00FD'},
    {U'y', 0x308, U'\u00FF'}, {U'S', 0x30C, U'\u0160'}, {U's', 0x30C, U'\u0161'}, {U'Y', 0x308, U'\u0178'},
    {U'Z', 0x30C, U'\u017D'}, {U'z', 0x30C, U'\u017E'},
};

// Characters that normalize to one character of the code page on their own.
constexpr std::pair<char32_t, char32_t> kSingletons[] = {
    {0x037E, U';'},      {0x0387, U'\u00B7'}, {0x1FEF, U'`'},
    {0x1FFD, U'\u00B4'}, {0x212A, U'K'},      {0x212B, U'\u00C5'},
};

}  // namespace

std::u32string ComposeForCp1252(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    for (const auto& [from, to] : kSingletons)
      if (c == from) c = to;
    // Only a mark straight after its letter is joined: a letter keeps at most one mark in this
    // code page, so a second mark, or one after another mark, stays and is refused as before.
    if (c >= 0x300 && c <= 0x36F && !out.empty()) {
      const char32_t base = out.back();
      const auto joined = std::find_if(std::begin(kCompositions), std::end(kCompositions),
                                       [&](const Composition& k) { return k.base == base && k.mark == c; });
      if (joined != std::end(kCompositions)) {
        out.back() = joined->composed;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

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

std::string Cp1252ToUtf8(std::string_view bytes) {
  return ToUtf8(Cp1252ToUnicode(bytes));
}

std::optional<std::string> UnicodeToCp1252(std::u32string_view given) {
  const std::u32string text = ComposeForCp1252(given);
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
