// The IPS and BPS writers: each rule of a valid, small patch, and round trips on random pairs.
#include <gtest/gtest.h>

#include <random>

#include "patch/bps.h"
#include "patch/ips.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Random(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(size);
  for (uint8_t& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// Applies an IPS patch as ts2tool patch does: the truncation size cuts.
Bytes ApplyIps(const Bytes& patch, Bytes image) {
  const ips::Study study = ips::StudyPatch(patch);
  EXPECT_TRUE(study.ok());
  EXPECT_EQ(ips::ApplyPatch(patch, image), ips::Error::None);
  if (auto cut = ips::TruncationSize(study, patch); cut && *cut < image.size()) image.resize(*cut);
  return image;
}

Bytes ApplyBps(const Bytes& patch, const Bytes& source) {
  const bps::Study study = bps::StudyPatch(patch);
  EXPECT_TRUE(study.ok()) << static_cast<int>(study.error);
  Bytes target;
  EXPECT_EQ(bps::Apply(study, patch, source, target), bps::Error::None);
  return target;
}

// Every record is one that all IPS readers take the same way.
void ExpectValidIps(const Bytes& patch) {
  const ips::Study study = ips::StudyPatch(patch);
  ASSERT_TRUE(study.ok());
  EXPECT_TRUE(study.sawEof);
  for (const ips::Record& r : study.records) {
    EXPECT_NE(r.offset, ips::kEofMarker);
    EXPECT_GT(r.length(), 0u);
  }
}

Bytes Changed(Bytes b, std::initializer_list<std::pair<size_t, uint8_t>> changes) {
  for (auto [at, v] : changes) b[at] = v;
  return b;
}

Bytes Filled(Bytes b, size_t at, size_t length, uint8_t v) {
  std::fill(b.begin() + at, b.begin() + at + length, v);
  return b;
}

Bytes Patch(std::initializer_list<std::initializer_list<uint8_t>> parts) {
  Bytes p{'P', 'A', 'T', 'C', 'H'};
  for (auto part : parts) p.insert(p.end(), part);
  return p;
}

TEST(IpsWriter, RecordChoices) {
  const Bytes base = Random(64, 1);
  Bytes grown = base;
  grown.resize(80, 0);  // zeros to the new end: only the last byte needs a record
  const struct {
    const char* name;
    Bytes modified;
    Bytes patch;
  } cases[] = {
      {"nothing changed", base, Patch({{'E', 'O', 'F'}})},
      {"one byte", Changed(base, {{0x10, 0xEE}}), Patch({{0, 0, 0x10, 0, 1, 0xEE}, {'E', 'O', 'F'}})},
      {"a gap of 4 unchanged bytes joins two changes", Changed(base, {{0x10, 0xEE}, {0x15, 0xDD}}),
       Patch({{0, 0, 0x10, 0, 6, 0xEE},
              {base[0x11], base[0x12], base[0x13], base[0x14]},
              {0xDD, 'E', 'O', 'F'}})},
      {"a gap of 6 does not", Changed(base, {{0x10, 0xEE}, {0x17, 0xDD}}),
       Patch({{0, 0, 0x10, 0, 1, 0xEE}, {0, 0, 0x17, 0, 1, 0xDD}, {'E', 'O', 'F'}})},
      {"a fill becomes a run record", Filled(base, 8, 20, 0x42),
       Patch({{0, 0, 8, 0, 0, 0, 20, 0x42}, {'E', 'O', 'F'}})},
      {"growth by zeros writes the last byte", grown, Patch({{0, 0, 79, 0, 1, 0}, {'E', 'O', 'F'}})},
      {"a shorter image gets the truncation size", Bytes(base.begin(), base.begin() + 40),
       Patch({{'E', 'O', 'F', 0, 0, 40}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Bytes> patch = ips::CreatePatch(base, c.modified);
    ASSERT_TRUE(patch);
    EXPECT_EQ(*patch, c.patch);
    EXPECT_EQ(ApplyIps(*patch, base), c.modified);
  }
}

TEST(IpsWriter, NeverStartsARecordAtTheEofMarkerAndSplitsLongRecords) {
  const uint32_t marker = ips::kEofMarker;
  const Bytes original = Random(marker + 0x20000, 2);
  const struct {
    const char* name;
    size_t at, length;
  } cases[] = {
      {"one byte at the marker", marker, 1},
      {"a change starting there", marker, 100},
      {"a long change whose split would land there", marker - 0x1000, 0x1000 + ips::kMaxRecordSize},
      {"longer than two records", 0x1000, 3 * ips::kMaxRecordSize + 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes modified = original;
    for (size_t i = 0; i < c.length; ++i) modified[c.at + i] = static_cast<uint8_t>(~original[c.at + i]);
    const std::optional<Bytes> patch = ips::CreatePatch(original, modified);
    ASSERT_TRUE(patch);
    ExpectValidIps(*patch);
    EXPECT_EQ(ApplyIps(*patch, original), modified);
    // The changed bytes, one byte taken along at the marker, and as few record headers as fit.
    const size_t records = c.length / ips::kMaxRecordSize + 1;
    EXPECT_LE(patch->size(), 8 + c.length + 1 + 5 * records);
  }
}

TEST(IpsWriter, BytesPast16MiBThatNoRecordReachesAreAnError) {
  const Bytes original(16, 0);
  for (const auto& [size, ok] :
       {std::pair<size_t, bool>{0x1000000 + 0x100, true}, {0x1000000 + 0x20000, false}}) {
    Bytes modified(size, 0);
    modified.back() = 1;
    uint64_t unreachable = 0;
    const std::optional<Bytes> patch = ips::CreatePatch(original, modified, &unreachable);
    EXPECT_EQ(patch.has_value(), ok) << size;
    if (patch) {
      EXPECT_EQ(ApplyIps(*patch, original), modified);
    } else {
      EXPECT_GT(unreachable, ips::kMaxOffset);
    }
  }
}

TEST(BpsWriter, MovedBlockCostsAFewBytes) {
  const Bytes source = Random(0x40000, 4);
  Bytes target = source;
  std::copy(source.begin() + 0x10000, source.begin() + 0x20000, target.begin() + 0x10003);
  const Bytes patch = bps::CreatePatch(source, target);
  EXPECT_LT(patch.size(), 48u);
  EXPECT_EQ(ApplyBps(patch, source), target);
}

TEST(BpsWriter, MetadataIsKept) {
  const Bytes source = Random(100, 5);
  const Bytes patch = bps::CreatePatch(source, source, "<patch>x</patch>");
  EXPECT_EQ(bps::StudyPatch(patch).metadata(patch), "<patch>x</patch>");
}

// Random pairs shaped like ROM edits: replaced stretches, fills, inserts and deletes that move
// what follows, growth and shrinking, empty images. Both writers must give the target back.
TEST(PatchWriters, RandomPairsRoundTrip) {
  std::mt19937 rng(20261206);
  auto pick = [&](size_t lo, size_t hi) { return std::uniform_int_distribution<size_t>(lo, hi)(rng); };
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const Bytes original = pick(0, 9) == 0 ? Bytes{} : Random(pick(1, 3000), static_cast<uint32_t>(round));
    Bytes modified = original;
    for (int edits = static_cast<int>(pick(0, 12)); edits-- > 0;) {
      const size_t at = pick(0, modified.size());
      const size_t length = pick(1, 300);
      switch (pick(0, 4)) {
        case 0:  // replace
          for (size_t i = at; i < std::min(modified.size(), at + length); ++i)
            modified[i] = static_cast<uint8_t>(rng());
          break;
        case 1:  // fill
          std::fill(modified.begin() + at, modified.begin() + std::min(modified.size(), at + length),
                    static_cast<uint8_t>(pick(0, 2) == 0 ? 0 : rng()));
          break;
        case 2: {  // insert
          const Bytes fresh = Random(length, static_cast<uint32_t>(rng()));
          modified.insert(modified.begin() + at, fresh.begin(), fresh.end());
          break;
        }
        case 3:  // delete
          modified.erase(modified.begin() + at, modified.begin() + std::min(modified.size(), at + length));
          break;
        case 4:  // grow or shrink at the end, zeros included
          modified.resize(pick(0, original.size() + 600), static_cast<uint8_t>(pick(0, 1) ? 0 : 0x55));
          break;
      }
    }
    const std::optional<Bytes> ips = ips::CreatePatch(original, modified);
    ASSERT_TRUE(ips);
    ExpectValidIps(*ips);
    EXPECT_EQ(ApplyIps(*ips, original), modified);
    EXPECT_EQ(ApplyBps(bps::CreatePatch(original, modified), original), modified);
  }
}

}  // namespace
}  // namespace ts2
