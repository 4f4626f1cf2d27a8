// The IPS study and apply logic, against a reference applier that works like the original
// file-based one: a file position, a byte at a time, the file growing as it is written.
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

// ---- record shapes ----

TEST(IpsShapes, SmallestRecordsAndRuns) {
  const Bytes image = Image(64);
  struct Case {
    const char* name;
    IpsBuilder patch;
    size_t size;
    std::vector<std::pair<size_t, uint8_t>> changed;  // offset -> byte; the rest as before
  };
  const Case cases[] = {
      {"record of size 1", IpsBuilder().record(10, {0xAB}).eof(), 64, {{10, 0xAB}}},
      {"run of length 0", IpsBuilder().run(10, 0, 0xCC).eof(), 64, {}},
      {"run of length 0 past the end grows nothing", IpsBuilder().run(500, 0, 0xCC).eof(), 64, {}},
      {"run of length 3", IpsBuilder().run(62, 3, 0x77).eof(), 65, {{62, 0x77}, {63, 0x77}, {64, 0x77}}},
      {"record at offset 0", IpsBuilder().record(0, {1, 2}).eof(), 64, {{0, 1}, {1, 2}}},
      {"later record wins on overlap",
       IpsBuilder().record(4, {1, 1, 1}).record(5, {9}).eof(),
       64,
       {{4, 1}, {5, 9}, {6, 1}}},
      {"no end marker", IpsBuilder().record(3, {0x55}), 64, {{3, 0x55}}},
      {"no records", IpsBuilder().eof(), 64, {}},
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
    EXPECT_EQ(Apply(c.patch.bytes(), image), ReferenceApply(c.patch.bytes(), image));
  }
}

TEST(IpsShapes, GrowthFillsTheGapWithZeros) {
  const Bytes image = Image(16);
  const Bytes out = Apply(IpsBuilder().record(20, {0xEE, 0xFF}).eof().bytes(), image);
  ASSERT_EQ(out.size(), 22u);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), out.begin()));
  for (size_t i = 16; i < 20; ++i) EXPECT_EQ(out[i], 0) << i;
  EXPECT_EQ(out[20], 0xEE);
  EXPECT_EQ(out[21], 0xFF);
}

TEST(IpsShapes, ApplyNeverWritesOutsideTheBuffer) {
  const Bytes patch = IpsBuilder().record(2, {1, 2}).record(30, {3}).eof().bytes();
  const ips::Study s = ips::StudyPatch(patch);
  Bytes small(8, 0);  // too small for the second record
  EXPECT_FALSE(ips::ApplyStudy(s, patch, small));
  EXPECT_EQ(small, (Bytes{0, 0, 1, 2, 0, 0, 0, 0}));
}

// ---- broken patches ----

TEST(IpsBroken, NotAPatch) {
  for (const Bytes& patch :
       {Bytes{}, Bytes{'P', 'A', 'T', 'C'}, Bytes{'p', 'a', 't', 'c', 'h', 'E', 'O', 'F'},
        Bytes{'P', 'A', 'T', 'C', 'X', 'E', 'O', 'F'}}) {
    Bytes image = Image(8);
    EXPECT_EQ(ips::ApplyPatch(patch, image), ips::Error::NotAPatch);
    EXPECT_EQ(image, Image(8));
  }
}

TEST(IpsBroken, CutShortInEachFieldChangesNothing) {
  // A good record first, so that "changes nothing" covers records before the break too.
  const Bytes good = IpsBuilder().record(0, {0xAA}).bytes();  // 5 + 6 bytes
  struct Case {
    const char* name;
    std::initializer_list<uint8_t> tail;
  };
  const Case cases[] = {
      {"offset, 1 byte", {0x00}},
      {"offset, 2 bytes", {0x00, 0x01}},
      {"end marker, 2 bytes", {'E', 'O'}},
      {"size missing", {0x00, 0x00, 0x04}},
      {"size, 1 byte", {0x00, 0x00, 0x04, 0x00}},
      {"run length missing", {0x00, 0x00, 0x04, 0x00, 0x00}},
      {"run length, 1 byte", {0x00, 0x00, 0x04, 0x00, 0x00, 0x00}},
      {"run byte missing", {0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02}},
      {"data missing", {0x00, 0x00, 0x04, 0x00, 0x02}},
      {"data, 1 of 2 bytes", {0x00, 0x00, 0x04, 0x00, 0x02, 0x11}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes patch = good;
    patch.insert(patch.end(), c.tail);
    Bytes image = Image(8);
    uint32_t at = 0;
    EXPECT_EQ(ips::ApplyPatch(patch, image, &at), ips::Error::CutShort);
    EXPECT_EQ(at, 11u);
    EXPECT_EQ(image, Image(8));
    EXPECT_TRUE(ips::StudyPatch(patch).records.empty());
  }
}

// ---- real-shaped patches against the reference ----

Bytes RandomPatch(std::mt19937& rng, size_t imageSize, int records, bool growth, bool marker) {
  IpsBuilder b;
  auto pick = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); };
  const uint32_t reach = static_cast<uint32_t>(growth ? imageSize + imageSize / 4 : imageSize - 300);
  for (int i = 0; i < records; ++i) {
    const uint32_t offset = pick(0, reach);
    if (pick(0, 3) == 0) {
      b.run(offset, static_cast<uint16_t>(pick(0, 280)), static_cast<uint8_t>(pick(0, 255)));
    } else {
      Bytes data(pick(1, 40));
      for (uint8_t& d : data) d = static_cast<uint8_t>(pick(0, 255));
      b.record(offset, data);
    }
  }
  if (marker) b.eof();
  return b.bytes();
}

TEST(IpsReference, RealShapedPatchesMatchByteForByte) {
  std::mt19937 rng(20240601);
  struct Shape {
    const char* name;
    size_t imageSize;
    int records;
    bool growth, marker;
  };
  const Shape shapes[] = {
      {"many records", 0x8000, 2000, false, true},  {"overlapping in a small image", 0x400, 600, false, true},
      {"growing", 0x1000, 300, true, true},         {"no end marker", 0x2000, 200, true, false},
      {"headered size", 0x10200, 1000, true, true},
  };
  for (const Shape& s : shapes) {
    SCOPED_TRACE(s.name);
    const Bytes image = Image(s.imageSize, 7);
    const Bytes patch = RandomPatch(rng, s.imageSize, s.records, s.growth, s.marker);
    EXPECT_EQ(Apply(patch, image), ReferenceApply(patch, image));
  }
}

}  // namespace
}  // namespace ts2
