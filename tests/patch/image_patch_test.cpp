// Patches applied to the file image alone (ts2tool patch) against the editor's PATCH command going
// through its temporary file: the same image, message and unchanged patches, case by case.
#include "patch/image_patch.h"

#include <gtest/gtest.h>

#include <random>

#include "core/fileutil.h"
#include "core/romfile.h"
#include "patch/bps.h"
#include "random_ips.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

using test::AddEnd;
using test::AddRandomRecords;
using test::IpsBuilder;
using Bytes = std::vector<uint8_t>;

struct Result {
  bool ok;
  std::string message;
  std::vector<std::string> unchanged;
  Bytes image;
};

// The editor's PATCH command on its temporary-file route, truncation sizes read as ts2tool does.
Result ViaEditor(test::LoadedProgram& t, const std::vector<std::string>& files) {
  t.form().ipsTruncation = true;
  t.p.ui.script.said.clear();
  Result r;
  r.ok = t.form().ApplyPatchFiles(files, TmyForm::PatchRoute::TempFile, &r.unchanged);
  r.message = r.ok ? "" : t.p.ui.lastMessage();
  r.image = t.image();
  return r;
}

// What ts2tool patch does: the first patch mapped, the ROM file read with room for it, then the
// files applied.
Result ViaImage(const std::string& rom, const std::vector<std::string>& files) {
  std::optional<patching::PatchBytes> first = patching::MapPatchFile(files[0]);
  const uint64_t room = first ? patching::RoomNeeded(*first) : 0;
  RomFile file;
  EXPECT_EQ(ReadRomFile(rom, {}, file, room), RomReadStatus::Ok);
  patching::FileImage image{std::move(file.bytes), file.size, file.headerSize,
                            std::max<uint64_t>(file.size, room)};
  patching::Options options;
  options.truncate = true;
  const patching::Outcome o = patching::ApplyPatchFiles(image, files, options, std::move(first));
  return {o.ok, o.message, o.unchanged, Bytes(image.bytes.get(), image.bytes.get() + image.size)};
}

void ExpectSame(const Result& editor, const Result& alone) {
  EXPECT_EQ(alone.ok, editor.ok);
  EXPECT_EQ(alone.message, editor.message);
  EXPECT_EQ(alone.unchanged, editor.unchanged);
  EXPECT_TRUE(alone.image == editor.image) << "sizes " << alone.image.size() << " / " << editor.image.size();
}

// Random IPS patches: records that overlap, restore what an earlier record wrote, write what is
// there already, grow the image, carry a truncation size; now and then one cut short, one that is
// not a patch, a BPS patch of the image as it was read, or one applied twice.
TEST(ImagePatch, RandomPatchesGiveWhatTheEditorsPatchCommandGives) {
  std::mt19937 rng(14);
  for (int run = 0; run < 120; ++run) {
    SCOPED_TRACE(testing::Message() << "run " << run);
    const bool header = run % 2 == 1;
    test::LoadedProgram t({}, test::RomBuilder(), header);
    const Bytes rom = t.romFile;
    const uint32_t size = static_cast<uint32_t>(rom.size());
    std::vector<std::string> files;
    for (int patch = 0, count = 1 + static_cast<int>(rng() % 3); patch < count; ++patch) {
      const std::string name = Format("p%d.ips", patch);
      const uint32_t kind = rng() % 12;
      if (kind == 0 && !files.empty()) {  // the previous patch once more
        files.push_back(files.back());
        continue;
      }
      if (kind == 1) {
        files.push_back(t.dir.write(name, "NOT A PATCH"));
        continue;
      }
      if (kind == 2) {  // made for the game data as it was read
        const std::span<const uint8_t> source(rom.data() + (header ? 0x200 : 0),
                                              rom.size() - (header ? 0x200 : 0));
        Bytes target(source.begin(), source.end());
        for (int k = 0; k < 8; ++k) target[rng() % target.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        if (rng() % 2) target.resize(target.size() + rng() % 64, 0x5A);
        files.push_back(t.dir.write(Format("p%d.bps", patch), bps::CreatePatch(source, target)));
        continue;
      }
      IpsBuilder b;
      AddRandomRecords(b, rng, rom, 0, 3);
      if (kind == 3) {
        b.raw({0x00, 0x10});  // cut short inside a record
      } else {
        AddEnd(b, rng, size);
      }
      files.push_back(t.dir.write(name, b.bytes()));
    }
    const Result alone = ViaImage(t.romPath, files);
    ExpectSame(ViaEditor(t, files), alone);
  }
}

// The cases a random run may miss, one row each.
TEST(ImagePatch, EdgeCasesGiveWhatTheEditorsPatchCommandGives) {
  struct Case {
    const char* what;
    bool header;
    std::vector<std::optional<Bytes>> patches;  // std::nullopt: a file that does not exist
  };
  const auto ips = [](const IpsBuilder& b) { return b.bytes(); };
  const std::vector<Case> cases = {
      {"the last record writes what is there, an earlier one changes a byte",
       false,
       {ips(IpsBuilder().record(0x300, {0xAA}).run(0x400, 4, 0x00).eof())}},
      {"a record restores what an earlier one wrote",
       false,
       {ips(IpsBuilder().run(0x300, 8, 0x77).run(0x300, 8, 0x00).eof())}},
      {"no records", true, {ips(IpsBuilder().eof())}},
      {"an empty run past the end grows nothing", false, {ips(IpsBuilder().run(0x900000, 0, 0x11).eof())}},
      {"growth past a gap, headered", true, {ips(IpsBuilder().run(0x150000, 0xFFFF, 0x42).eof())}},
      {"growth, then a second growth past the room read for the first",
       false,
       {ips(IpsBuilder().run(0x140010, 16, 0x42).eof()), ips(IpsBuilder().run(0x200000, 16, 0x43).eof())}},
      {"a truncation size below the copier header keeps the header",
       true,
       {ips(IpsBuilder().record(0x300, {1}).eof().raw({0x00, 0x00, 0x10}))}},
      {"a second patch that cannot be read leaves the first applied",
       false,
       {ips(IpsBuilder().record(0x300, {1}).eof()), std::nullopt}},
      {"not a patch", false, {Bytes{'P', 'A', 'T'}}},
      {"an empty file", false, {Bytes{}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::LoadedProgram t({}, test::RomBuilder(), c.header);
    std::vector<std::string> files;
    for (size_t k = 0; k < c.patches.size(); ++k)
      files.push_back(c.patches[k] ? t.dir.write(Format("p%zu.ips", k), *c.patches[k])
                                   : t.dir.file("missing.ips"));
    const Result alone = ViaImage(t.romPath, files);
    ExpectSame(ViaEditor(t, files), alone);
  }
}

// ts2tool maps its first patch and reads it twice (checked whole, then written record by record);
// another program can rewrite the file in place between the two. Each case's patch is walked as
// it was and then applied as it is now: nothing may be written outside the image (the sanitizer
// build checks), and a patch that no longer matches its walk is refused.
TEST(ImagePatch, APatchRewrittenBetweenItsTwoReadsIsRefusedAndWritesNothingOutside) {
  const auto patch = [](const IpsBuilder& b) { return b.bytes(); };
  struct Case {
    const char* what;
    Bytes was, now;
    bool refused;
  };
  const Bytes before = patch(IpsBuilder().record(0x300, {1, 2, 3, 4}).eof());
  const std::vector<Case> cases = {
      {"the same bytes", before, before, false},
      {"the same shape, other data", before, patch(IpsBuilder().record(0x300, {5, 6, 7, 8}).eof()), false},
      {"a record moved far past the image", before, patch(IpsBuilder().record(0xF00000, {1, 2, 3, 4}).eof()),
       true},
      {"a record moved inside the image", before, patch(IpsBuilder().record(0x200, {1, 2, 3, 4}).eof()),
       true},
      {"a run grown past the room", patch(IpsBuilder().run(0x7FF0, 0x10, 0x11).eof()),
       patch(IpsBuilder().run(0x7FF0, 0xFFFF, 0x11).eof()), true},
      {"broken now: a record runs past the end", before,
       patch(IpsBuilder().raw({0x00, 0x03, 0x00, 0x01, 0x00, 1, 2, 3, 4}).eof()), true},
      {"its end moved up", before, patch(IpsBuilder().eof().raw({0, 0, 0, 0, 0, 0, 0, 0, 0})), true},
      {"an empty run moved far past the end", patch(IpsBuilder().run(0x300, 0, 0x11).eof()),
       patch(IpsBuilder().run(0xF00000, 0, 0x11).eof()), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.was.size(), c.now.size()) << "a rewrite in place keeps the file's size";
    patching::PatchBytes was;
    was.bytes = ImageBuffer(c.was.size());
    was.length = c.was.size();
    std::copy(c.was.begin(), c.was.end(), was.bytes.get());
    const uint64_t room = patching::RoomNeeded(was);
    const uint32_t size = 0x8000;
    patching::FileImage image{ImageBuffer(std::max<uint64_t>(size, room)), size, 0,
                              std::max<uint64_t>(size, room)};
    std::fill_n(image.bytes.get(), size, uint8_t{0xEE});
    const patching::Applied applied =
        patching::ApplyPatch(image, "p.ips", c.now, patching::Options{}, &*was.walked);
    if (c.refused) {
      EXPECT_EQ(applied.failure, patching::Failure::Refused);
      EXPECT_EQ(applied.message,
                "Error: \"p.ips\" changed while it was being read. The patched image is not usable.");
    } else {
      EXPECT_EQ(applied.failure, patching::Failure::None) << applied.message;
      // What applying the patch as it is now, read once, gives.
      Bytes expected(size, 0xEE);
      ASSERT_TRUE(ips::ApplyStudy(ips::StudyPatch(c.now), c.now, expected));
      EXPECT_TRUE(Bytes(image.bytes.get(), image.bytes.get() + image.size) == expected);
    }
  }
}

}  // namespace
}  // namespace ts2
