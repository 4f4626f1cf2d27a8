// Kana conversion of two-byte script text: the input is Working RAM (from any start offset) and
// how much of the character table is passed in.
#include <algorithm>
#include <vector>

#include "harness.h"
#include "views/kana.h"

namespace {

// A character table with the kinds of entries a data file can leave: texts of several lengths,
// texts holding zero bytes and line breaks, and entries with no text at all.
const std::vector<ts2::CharEntry>& Table() {
  static const std::vector<ts2::CharEntry> table = [] {
    std::vector<ts2::CharEntry> t(65536);
    for (uint32_t c = 0; c < t.size(); c += 7) {
      t[c].text = std::string(c % 5, static_cast<char>('A' + c % 26));
      if (c % 3 == 0) t[c].text->push_back('\0');
      if (c % 11 == 0) *t[c].text += "\r\n";
      t[c].length = static_cast<uint16_t>(t[c].text->size());
    }
    return t;
  }();
  return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const uint16_t offset = in.u16();
  const uint32_t tableSize = in.u16() + (in.u8() & 1 ? 0x10000u : 0u);  // 0 .. 0x1FFFF entries
  const std::span<const uint8_t> wram = in.rest();
  const auto& table = Table();
  const std::span<const ts2::CharEntry> entries(table.data(), std::min<size_t>(tableSize, table.size()));
  (void)ts2::KanaText(wram, offset, entries);
  return 0;
}
