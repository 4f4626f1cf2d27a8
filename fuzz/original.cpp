// The original text of ROM strings: decoded character codes through a character table made from
// the input (OriginalText), and the Shift-JIS to UTF-8 conversion that `ts2tool original`
// writes it with (ShiftJisToUtf8), whose output must be well-formed UTF-8.
//
// Input: 1 byte count E of table entries; E entries of 2 bytes code, 1 byte length L and L
// bytes of text; then the codes, 2 bytes each (a last odd byte is dropped).
#include <vector>

#include "cli/sjis_utf8.h"
#include "harness.h"
#include "views/original.h"

namespace {

// Whether `s` is well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF).
bool WellFormedUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int extra = b < 0x80             ? 0
                      : (b & 0xE0) == 0xC0 ? 1
                      : (b & 0xF0) == 0xE0 ? 2
                      : (b & 0xF8) == 0xF0 ? 3
                                           : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) return false;
    uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = c << 6 | (t & 0x3F);
    }
    const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  static std::vector<ts2::CharEntry> table(0x10000);
  std::vector<uint16_t> touched;
  for (int e = in.u8(); e > 0; --e) {
    const uint16_t code = in.u16();
    std::string text;
    for (int n = in.u8(); n > 0; --n) text.push_back(static_cast<char>(in.u8()));
    table[code] = ts2::CharEntry{static_cast<uint16_t>(text.size()), 15, 0, text};
    touched.push_back(code);
  }
  const std::span<const uint8_t> rest = in.rest();
  std::vector<uint16_t> codes;
  for (size_t i = 0; i + 1 < rest.size(); i += 2)
    codes.push_back(static_cast<uint16_t>(rest[i] | rest[i + 1] << 8));

  const std::string text = ts2::OriginalText(codes, table);
  const std::optional<std::string> utf8 = ts2::cli::ShiftJisToUtf8(text);
  ts2::fuzz::Check(utf8.has_value() && WellFormedUtf8(*utf8));
  for (uint16_t code : touched) table[code] = ts2::CharEntry{};
  return 0;
}
