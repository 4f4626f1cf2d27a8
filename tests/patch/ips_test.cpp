// The IPS study and apply logic, against an independent reference applier that works as on a
// file: a file position, a byte at a time, the file growing as it is written.
#include <gtest/gtest.h>

#include <random>

#include "patch/ips.h"
#include "support/ips_builder.h"

namespace ts2 {
namespace {

using test::IpsBuilder;
using Bytes = std::vector<uint8_t>;

// The reference: reads the patch as a stream and writes the image like a file.
Bytes ReferenceApply(const Bytes& patch, Bytes file) {
  size_t in = 5;
  auto get = [&](int n) {
    uint32_t v = 0;
    while (n--) v = v << 8 | patch.at(in++);
    return v;
  };
  auto writeAt = [&](size_t& pos, uint8_t byte) {
    if (pos >= file.size()) file.resize(pos + 1, 0);
    file[pos++] = byte;
  };
  while (in < patch.size()) {
    const uint32_t offset = get(3);
    if (offset == 0x454F46) break;
    size_t pos = offset;
    const uint32_t size = get(2);
    if (size == 0) {
      uint32_t count = get(2);
      const uint8_t fill = static_cast<uint8_t>(get(1));
      while (count--) writeAt(pos, fill);
    } else {
      for (uint32_t i = 0; i < size; ++i) writeAt(pos, static_cast<uint8_t>(get(1)));
    }
  }
  return file;
}

Bytes Image(size_t size, uint8_t seed = 1) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(i * 31 + seed);
  return b;
}

Bytes Apply(const Bytes& patch, Bytes image) {
  EXPECT_EQ(ips::ApplyPatch(patch, image), ips::Error::None);
  return image;
}

TEST(Ips, RecordShapes) {
  const Bytes image = Image(64);
  struct Case {
    const char* name;
    IpsBuilder patch;
    size_t size;
    std::vector<std::pair<size_t, uint8_t>> changed;  // offset -> byte; the rest as before, zero when grown
  };
  const Case cases[] = {
      {"record of size 1", IpsBuilder().record(10, {0xAB}).eof(), 64, {{10, 0xAB}}},
      {"run of length 0", IpsBuilder().run(10, 0, 0xCC).eof(), 64, {}},
      {"run of length 0 past the end grows nothing", IpsBuilder().run(500, 0, 0xCC).eof(), 64, {}},
      {"run across the end", IpsBuilder().run(62, 3, 0x77).eof(), 65, {{62, 0x77}, {63, 0x77}, {64, 0x77}}},
      {"growth fills the gap with zeros",
       IpsBuilder().record(70, {0xEE, 0xFF}).eof(),
       72,
       {{70, 0xEE}, {71, 0xFF}}},
      {"later record wins",
       IpsBuilder().record(4, {1, 1, 1}).record(5, {9}).eof(),
       64,
       {{4, 1}, {5, 9}, {6, 1}}},
      {"no end marker", IpsBuilder().record(3, {0x55}), 64, {{3, 0x55}}},
      {"only the magic", IpsBuilder(), 64, {}},
      {"bytes after the end marker are not read",
       IpsBuilder().record(1, {7}).eof().raw({0, 0, 2, 0, 1}),
       64,
       {{1, 7}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes want = image;
    want.resize(c.size, 0);
    for (auto [at, byte] : c.changed) want[at] = byte;
    EXPECT_EQ(Apply(c.patch.bytes(), image), want);
    EXPECT_EQ(ReferenceApply(c.patch.bytes(), image), want);
  }
}

TEST(Ips, ApplyNeverWritesOutsideTheBuffer) {
  const Bytes patch = IpsBuilder().record(2, {1, 2}).record(30, {3}).eof().bytes();
  Bytes small(8, 0);  // too small for the second record
  EXPECT_FALSE(ips::ApplyStudy(ips::StudyPatch(patch), patch, small));
  EXPECT_EQ(small, (Bytes{0, 0, 1, 2, 0, 0, 0, 0}));
}

TEST(Ips, BrokenPatchesChangeNothing) {
  for (const Bytes& patch :
       {Bytes{}, Bytes{'P', 'A', 'T', 'C'}, Bytes{'p', 'a', 't', 'c', 'h', 'E', 'O', 'F'}}) {
    Bytes image = Image(8);
    EXPECT_EQ(ips::ApplyPatch(patch, image), ips::Error::NotAPatch);
    EXPECT_EQ(image, Image(8));
  }
  // A good record first, so that "changes nothing" covers records before the break too.
  const Bytes good = IpsBuilder().record(0, {0xAA}).bytes();  // 5 + 6 bytes
  const std::pair<const char*, Bytes> cuts[] = {
      {"offset, 1 byte", {0x00}},
      {"end marker, 2 bytes", {'E', 'O'}},
      {"size, 1 byte", {0x00, 0x00, 0x04, 0x00}},
      {"run length, 1 byte", {0x00, 0x00, 0x04, 0x00, 0x00, 0x00}},
      {"run byte missing", {0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02}},
      {"data, 1 of 2 bytes", {0x00, 0x00, 0x04, 0x00, 0x02, 0x11}},
  };
  for (const auto& [name, tail] : cuts) {
    SCOPED_TRACE(name);
    Bytes patch = good;
    patch.insert(patch.end(), tail.begin(), tail.end());
    Bytes image = Image(8);
    uint32_t at = 0;
    EXPECT_EQ(ips::ApplyPatch(patch, image, &at), ips::Error::CutShort);
    EXPECT_EQ(at, 11u);
    EXPECT_EQ(image, Image(8));
  }
}

TEST(IpsReference, RealShapedPatchesMatchByteForByte) {
  std::mt19937 rng(20240601);
  auto pick = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); };
  // Many overlapping records in place; records reaching a quarter past the end; no end marker.
  for (const auto& [imageSize, records, reach, marker] :
       {std::tuple<uint32_t, int, uint32_t, bool>{0x8000, 2000, 0x8000 - 300, true},
        {0x1000, 300, 0x1400, true},
        {0x2000, 200, 0x2800, false}}) {
    IpsBuilder b;
    for (int i = 0; i < records; ++i) {
      const uint32_t offset = pick(0, reach);
      if (pick(0, 3) == 0) {
        b.run(offset, static_cast<uint16_t>(pick(0, 280)), static_cast<uint8_t>(pick(0, 255)));
        continue;
      }
      Bytes data(pick(1, 40));
      for (uint8_t& d : data) d = static_cast<uint8_t>(pick(0, 255));
      b.record(offset, data);
    }
    if (marker) b.eof();
    const Bytes image = Image(imageSize, 7);
    EXPECT_EQ(Apply(b.bytes(), image), ReferenceApply(b.bytes(), image)) << imageSize;
  }
}

}  // namespace
}  // namespace ts2
