#include "script/compress.h"

#include <algorithm>

namespace ts2 {

namespace {
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 18;
constexpr uint16_t kRingStart = 0xFEE;
// The copy source must stay clear of the ring's write position: 4096 bytes of ring less the
// longest copy.
constexpr size_t kMaxDistance = 0x1000 - kMaxMatch;
}  // namespace

std::vector<uint8_t> CompressBlock(std::span<const uint8_t> data) {
  const size_t n = std::min<size_t>(data.size(), 0xFFFF);
  std::vector<uint8_t> out = {3, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0};
  out.reserve(5 + n + n / 8 + 1);
  size_t i = 0;
  while (i < n) {
    const size_t flagAt = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8 && i < n; ++bit) {
      size_t bestLen = 0, bestFrom = 0;
      const size_t lo = i > kMaxDistance ? i - kMaxDistance : 0;
      for (size_t from = i; from-- > lo;) {  // nearest first: equal lengths keep the nearest
        size_t len = 0;
        while (len < kMaxMatch && i + len < n && data[from + len] == data[i + len]) ++len;
        if (len > bestLen) {
          bestLen = len;
          bestFrom = from;
          if (len == kMaxMatch) break;
        }
      }
      if (bestLen >= kMinMatch) {
        const uint16_t ring = static_cast<uint16_t>((kRingStart + bestFrom) & 0xFFF);
        out.push_back(static_cast<uint8_t>(ring & 0xFF));
        out.push_back(static_cast<uint8_t>(((ring >> 4) & 0xF0) | (bestLen - kMinMatch)));
        i += bestLen;
      } else {
        out[flagAt] |= static_cast<uint8_t>(1u << bit);
        out.push_back(data[i++]);
      }
    }
  }
  return out;
}

std::vector<uint8_t> BuildGlyphTable(std::span<const uint8_t> glyphs, uint32_t tableOffset) {
  const size_t count = glyphs.size() / 32;
  const uint32_t bankEnd = (tableOffset & 0xFF0000) + 0x10000;
  std::vector<uint8_t> table(2 * count);
  for (size_t g = 0; g < count; ++g) {
    const uint32_t at = tableOffset + static_cast<uint32_t>(table.size());
    const std::vector<uint8_t> block = CompressBlock(glyphs.subspan(32 * g, 32));
    if (at + block.size() > bankEnd) return {};
    table[2 * g] = static_cast<uint8_t>(at);
    table[2 * g + 1] = static_cast<uint8_t>(at >> 8);
    table.insert(table.end(), block.begin(), block.end());
  }
  return table;
}

}  // namespace ts2
