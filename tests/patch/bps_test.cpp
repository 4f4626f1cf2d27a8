// The BPS reader and applier: numbers, actions, every check before anything is made, and the
// messages of each failure.
#include <gtest/gtest.h>

#include <string>

#include "core/fileutil.h"
#include "patch/bps.h"
#include "patch/crc32.h"
#include "support/bps_builder.h"

namespace ts2 {
namespace {

using test::BpsBuilder;
using Bytes = std::vector<uint8_t>;

Bytes Source(size_t size = 64) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(i * 37 + 11);
  return b;
}

TEST(Crc32, KnownValuesAndContinuation) {
  const std::string check = "123456789";
  const Bytes bytes(check.begin(), check.end());
  EXPECT_EQ(Crc32(bytes), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(Crc32({}), 0u);
  EXPECT_EQ(Crc32(std::span(bytes).subspan(4), Crc32(std::span(bytes).first(4))), 0xCBF43926u);
  const Bytes big = Source(1000);  // through the eight-byte steps and the tail
  EXPECT_EQ(Crc32(std::span(big).subspan(3), Crc32(std::span(big).first(3))), Crc32(big));
}

TEST(BpsNumbers, EachValueHasOneEncoding) {
  const std::pair<uint64_t, Bytes> cases[] = {
      {0, {0x80}}, {127, {0xFF}}, {128, {0x00, 0x80}}, {16511, {0x7F, 0xFF}}, {16512, {0x00, 0x00, 0x80}},
  };
  for (const auto& [value, bytes] : cases) {
    Bytes out;
    bps::PutNumber(out, value);
    EXPECT_EQ(out, bytes) << value;
    EXPECT_EQ(bps::NumberSize(value), bytes.size()) << value;
  }
}

TEST(BpsApply, EveryActionAndTheCursors) {
  const Bytes source = Source();
  Bytes want;
  auto add = [&](const Bytes& b) { want.insert(want.end(), b.begin(), b.end()); };
  add(Bytes(source.begin(), source.begin() + 4));        // SourceRead 4
  add({0xAA, 0xBB});                                     // TargetRead 2
  add({0xAA, 0xBB, 0xAA, 0xBB, 0xAA});                   // TargetCopy 5 at 4, overlapping: repeats
  add(Bytes(source.begin() + 40, source.begin() + 45));  // SourceCopy 5 at +40
  add(Bytes(source.begin() + 43, source.begin() + 46));  // SourceCopy 3, back 2 from 45
  add(Bytes(source.begin() + 19, source.begin() + 21));  // SourceRead 2 at the output offset
  add({0xAA, 0xBB});                                     // TargetCopy 2: cursor 9, back 5
  BpsBuilder b(source, want.size(), "<meta/>");
  b.sourceRead(4).targetRead({0xAA, 0xBB}).targetCopy(5, 4).sourceCopy(5, 40).sourceCopy(3, -2).sourceRead(2);
  b.targetCopy(2, -5).target(want);
  const Bytes patch = b.bytes();

  const bps::Study study = bps::StudyPatch(patch);
  ASSERT_TRUE(study.ok()) << static_cast<int>(study.error);
  EXPECT_EQ(study.metadata(patch), "<meta/>");
  EXPECT_EQ(study.actions(), 7u);
  EXPECT_EQ(study.actionCount[static_cast<int>(bps::Action::SourceRead)], 2u);
  // What it changes: everything but the two reads at the same offset.
  ASSERT_EQ(study.writes.size(), 2u);
  const auto range = [](const bps::Range& r) { return std::pair(r.begin, r.end); };
  EXPECT_EQ(range(study.writes[0]), (std::pair<uint64_t, uint64_t>(4, 19)));
  EXPECT_EQ(range(study.writes[1]), (std::pair<uint64_t, uint64_t>(21, 23)));
  Bytes target{1, 2, 3};
  EXPECT_EQ(bps::Apply(study, patch, source, target), bps::Error::None);
  EXPECT_EQ(target, want);
}

// Every way a patch can be broken: one clear error, the offset where it breaks, nothing made.
TEST(BpsApply, BrokenPatchesAreRefusedWhole) {
  const Bytes source = Source();
  auto header = [](uint64_t sourceSize, uint64_t targetSize) {
    Bytes b{'B', 'P', 'S', '1'};
    bps::PutNumber(b, sourceSize);
    bps::PutNumber(b, targetSize);
    return b;
  };
  auto withFooter = [&](Bytes b, uint32_t targetCrc = 0) {  // a correct footer for whatever precedes it
    for (uint32_t v : {Crc32(source), targetCrc}) {
      for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    const uint32_t crc = Crc32(b);
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(crc >> (8 * i)));
    return b;
  };
  Bytes neverEnds = header(64, 4);
  neverEnds.insert(neverEnds.end(), 9, 0x00);  // a metadata size without its last byte
  Bytes huge = header(64, 0);
  huge.resize(4);
  bps::PutNumber(huge, uint64_t{1} << 40);  // a source far larger than any ROM
  bps::PutNumber(huge, 4);
  bps::PutNumber(huge, 0);

  const struct {
    const char* name;
    Bytes patch;
    bps::Error error;
  } cases[] = {
      {"no magic", Bytes{'B', 'P', 'S', '2', 0, 0, 0}, bps::Error::NotAPatch},
      {"only the magic", Bytes{'B', 'P', 'S', '1'}, bps::Error::CutShort},
      {"number that never ends", withFooter(neverEnds), bps::Error::LongNumber},
      {"sizes past any ROM", withFooter(huge), bps::Error::TooLarge},
      {"metadata past the footer",
       [&] {
         Bytes b = header(64, 0);
         bps::PutNumber(b, 100);
         return withFooter(b);
       }(),
       bps::Error::CutShort},
      {"source read past the source", BpsBuilder(Source(8), 16).sourceRead(16).bytes(),
       bps::Error::BadAction},
      {"action past the target", BpsBuilder(source, 4).sourceRead(8).bytes(), bps::Error::BadAction},
      {"target read past the actions", BpsBuilder(source, 8).raw({0x9D /* TargetRead 8 */, 1, 2}).bytes(),
       bps::Error::BadAction},
      {"source cursor before 0", BpsBuilder(source, 4).sourceCopy(4, -1).bytes(), bps::Error::BadAction},
      {"source cursor past the end", BpsBuilder(source, 4).sourceCopy(4, 61).bytes(), bps::Error::BadAction},
      {"target copy of bytes not yet made", BpsBuilder(source, 4).targetCopy(4, 0).bytes(),
       bps::Error::BadAction},
      {"target copy cursor moved to the output",
       BpsBuilder(source, 6).targetRead({1}).targetCopy(5, 1).bytes(), bps::Error::BadAction},
      {"actions make too little", BpsBuilder(source, 8).sourceRead(4).bytes(), bps::Error::WrongLength},
      {"copy offset cut by the footer", BpsBuilder(source, 8).raw({0x9E /* SourceCopy 8 */}).bytes(),
       bps::Error::CutShort},
      {"damaged byte",
       [&] {
         Bytes b = BpsBuilder(source, 8).sourceRead(8).bytes();
         b[b.size() - 10] ^= 0x01;  // in the source's CRC-32: the patch's own CRC-32 catches it
         return b;
       }(),
       bps::Error::PatchCrc},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bps::Study study = bps::StudyPatch(c.patch);
    EXPECT_EQ(study.error, c.error);
    EXPECT_TRUE(study.writes.empty());
    Bytes target{9};
    EXPECT_EQ(bps::Apply(study, c.patch, source, target), c.error);
    EXPECT_TRUE(target.empty());
    EXPECT_NE(bps::ErrorText(c.error, "x.bps", study).find("\"x.bps\""), std::string::npos);
  }
}

TEST(BpsApply, EveryCutOfAGoodPatchIsRefused) {
  const Bytes source = Source();
  Bytes want(source.begin(), source.begin() + 10);
  want.insert(want.end(), {5, 6, 7});
  const Bytes patch = BpsBuilder(source, 13, "m").sourceRead(10).targetRead({5, 6, 7}).target(want).bytes();
  ASSERT_TRUE(bps::StudyPatch(patch).ok());
  for (size_t size = 0; size < patch.size(); ++size) {
    const Bytes cut(patch.begin(), patch.begin() + size);
    EXPECT_FALSE(bps::StudyPatch(cut).ok()) << size;
  }
}

TEST(BpsApply, WrongRomAndWrongResultSayWhatFailed) {
  const Bytes source = Source();
  Bytes want = source;
  want[3] = 0;
  const Bytes patch =
      BpsBuilder(source, 64).sourceRead(3).targetRead({0}).sourceRead(60).target(want).bytes();
  const bps::Study study = bps::StudyPatch(patch);
  ASSERT_TRUE(study.ok());

  Bytes other = source;
  other[40] ^= 1;
  for (const Bytes& rom : {other, Source(32)}) {
    Bytes target;
    bps::Check found;
    const bps::Error e = bps::Apply(study, patch, rom, target, &found);
    EXPECT_EQ(e, rom.size() == 64 ? bps::Error::SourceCrc : bps::Error::SourceSize);
    EXPECT_EQ(found.crc, Crc32(rom));
    EXPECT_EQ(bps::ErrorText(e, "t.bps", study, found),
              "Error: \"t.bps\" was made for another ROM: it expects 64 bytes with CRC-32 " +
                  Format("0x%08X", Crc32(source)) + ", this ROM has " + std::to_string(rom.size()) +
                  " bytes with CRC-32 " + Format("0x%08X", Crc32(rom)) +
                  " (without its copier header). No patching performed with it.");
  }

  const Bytes lying = BpsBuilder(source, 64).sourceRead(64).targetCrc(0x12345678).bytes();
  Bytes target;
  bps::Check found;
  EXPECT_EQ(bps::Apply(bps::StudyPatch(lying), lying, source, target, &found), bps::Error::TargetCrc);
  EXPECT_TRUE(target.empty());
  EXPECT_EQ(bps::ErrorText(bps::Error::TargetCrc, "t.bps", bps::StudyPatch(lying), found),
            "Error: \"t.bps\" is damaged: the result has CRC-32 " + Format("0x%08X", Crc32(source)) +
                " where the patch promises 0x12345678. No patching performed with it.");
}

}  // namespace
}  // namespace ts2
