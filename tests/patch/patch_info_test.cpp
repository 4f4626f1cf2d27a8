// What patchinfo tells about patches: fit against a ROM, the copier-header layout warnings, and
// the bytes several patches write.
#include <gtest/gtest.h>

#include "patch/patch_info.h"
#include "support/ips_builder.h"

namespace ts2 {
namespace {

using patchinfo::Range;
using test::IpsBuilder;
using Bytes = std::vector<uint8_t>;

TEST(PatchInfo, IpsLayoutWarnings) {
  const Bytes headerless(0x20000, 0), headered(0x20200, 0);
  const struct {
    const char* name;
    IpsBuilder patch;
    const Bytes& rom;
    std::vector<std::string> warnings;  // the start of each
  } cases[] = {
      {"fits its layout", IpsBuilder().record(0x10200, {1}).eof(), headered, {}},
      {"writes inside the copier header",
       IpsBuilder().record(0x1F0, {1}).eof(),
       headered,
       {"it writes inside the copier header"}},
      {"checksum where a headered image keeps it",
       IpsBuilder().record(0x101DC, {1, 2, 3, 4}).eof(),
       headerless,
       {"it writes at 0x101C0-0x101FF, where the ROM's title and checksum lie behind a copier header"}},
      {"checksum where a headerless image keeps it",
       IpsBuilder().record(0xFFDC, {1, 2, 3, 4}).eof(),
       headered,
       {"it writes at 0xFFC0-0xFFFF, where the ROM's title and checksum lie without a copier header"}},
      {"growth to a headered size",
       IpsBuilder().record(0x301FF, {1}).eof(),
       headerless,
       {"the 197120-byte result has a copier header by its size"}},
      {"growth keeping the layout", IpsBuilder().record(0x301FF, {1}).eof(), headered, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const patchinfo::Info info = patchinfo::Describe(c.patch.bytes(), "p.ips");
    ASSERT_TRUE(info.ok());
    const patchinfo::Fit fit = patchinfo::CheckFit(info, c.rom);
    EXPECT_TRUE(fit.fits);
    ASSERT_EQ(fit.warnings.size(), c.warnings.size());
    for (size_t i = 0; i < c.warnings.size(); ++i)
      EXPECT_EQ(fit.warnings[i].rfind(c.warnings[i], 0), 0u) << fit.warnings[i];
  }
}

TEST(PatchInfo, IpsWritesAreMergedAndBrokenPatchesSaySo) {
  const patchinfo::Info info = patchinfo::Describe(
      IpsBuilder().record(0x20, {1, 2}).run(0x10, 0x10, 7).record(0x40, {3}).eof().bytes(), "p");
  EXPECT_EQ(info.writes, (std::vector<Range>{{0x10, 0x22}, {0x40, 0x41}}));
  EXPECT_EQ(info.runRecords, 1u);
  EXPECT_EQ(patchinfo::Describe(Bytes{'N', 'O', 'P', 'E', '!'}, "p").format, patchinfo::Format::Unknown);
  const patchinfo::Info cut = patchinfo::Describe(Bytes{'P', 'A', 'T', 'C', 'H', 0, 0}, "cut.ips");
  EXPECT_FALSE(cut.ok());
  EXPECT_NE(cut.error.find("\"cut.ips\" is cut short"), std::string::npos);
}

TEST(PatchInfo, OverlapsNameEveryPatchThatWritesTheBytes) {
  const std::vector<std::vector<Range>> writes = {{{0, 10}, {20, 30}}, {{5, 25}}, {{8, 9}}, {{40, 50}}};
  const std::vector<patchinfo::Overlap> overlaps = patchinfo::Overlaps(writes);
  const std::vector<std::pair<Range, std::vector<size_t>>> want = {
      {{5, 8}, {0, 1}}, {{8, 9}, {0, 1, 2}}, {{9, 10}, {0, 1}}, {{20, 25}, {0, 1}}};
  ASSERT_EQ(overlaps.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(overlaps[i].range, want[i].first) << i;
    EXPECT_EQ(overlaps[i].patches, want[i].second) << i;
  }
  EXPECT_EQ(patchinfo::RangeText({0x1F0, 0x200}), "0x1F0-0x1FF");
  EXPECT_EQ(patchinfo::RangeText({0x1F0, 0x1F1}), "0x1F0");
}

}  // namespace
}  // namespace ts2
