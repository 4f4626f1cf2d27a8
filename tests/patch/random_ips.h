// Random IPS patches shaped like translators' ones, for tests that apply them two ways and compare.
#pragma once

#include <random>
#include <vector>

#include "support/ips_builder.h"

namespace ts2::test {

// Up to six records: runs, records of what `rom` holds there already (nothing where that lies past
// its end) and records of small values, which overlap and restore what an earlier one wrote. One
// in four lies near the end of the image and may grow it. Lengths start at `minLength`: a record of
// length 0 is read as a run, taking in the bytes that follow. A run's byte is below `runBytes`.
inline void AddRandomRecords(IpsBuilder& b, std::mt19937& rng, const std::vector<uint8_t>& rom,
                             uint16_t minLength, unsigned runBytes) {
  const uint32_t size = static_cast<uint32_t>(rom.size());
  for (int r = static_cast<int>(rng() % 7); r > 0; --r) {
    const uint32_t at = rng() % 4 == 0 ? size - 8 + rng() % 24 : 0x1F0 + rng() % 64;
    const uint16_t length = static_cast<uint16_t>(minLength + rng() % (25 - minLength));
    switch (rng() % 4) {
      case 0: b.run(at, length, static_cast<uint8_t>(rng() % runBytes)); break;
      case 1: {
        std::vector<uint8_t> same;
        for (uint32_t k = at; k < at + length && k < size; ++k) same.push_back(rom[k]);
        if (!same.empty()) b.record(at, same);
        break;
      }
      default: {
        std::vector<uint8_t> data(length);
        for (uint8_t& v : data) v = static_cast<uint8_t>(rng() % 3);
        b.record(at, data);
      }
    }
  }
}

// The end marker, and in one patch of three a truncation size near the end of an image of `size`
// bytes: cutting it, keeping it or lying past the growth.
inline void AddEnd(IpsBuilder& b, std::mt19937& rng, uint32_t size) {
  b.eof();
  if (rng() % 3 == 0) {
    const uint32_t cut = size - 16 + rng() % 40;
    b.raw({static_cast<uint8_t>(cut >> 16), static_cast<uint8_t>(cut >> 8), static_cast<uint8_t>(cut)});
  }
}

}  // namespace ts2::test
