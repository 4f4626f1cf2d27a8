// ts2tool decode and render on a small ROM and data file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tool.h"

namespace ts2::test {
namespace {

namespace fs = std::filesystem;

// A ROM image with a three-string block (pointer table 0x20000, texts in bank 0x030000: glyphs
// 1 1 1, 0 and 1) and a data file listing it.
struct DisplayCommand : ::testing::Test {
  void SetUp() override {
    RomBuilder b;
    b.fontTable({SolidGlyph(0, 0), SolidGlyph(0xFF, 0xFF)});
    const uint8_t strings[3][4] = {{0x02, 1, 1, 1}, {0x00, 0}, {0x00, 1}};
    for (int s = 0; s < 3; ++s) {
      b.put16(0x20000 + 2 * s, static_cast<uint16_t>(0x100 + 0x10 * s));
      b.put(0x30100 + 0x10 * s, strings[s]);
    }
    dir.write("game.sfc", b.file());
    dir.write("game.txt", ".FORMAT 18 16 8 1 16 0 1 2 3\r\n.BLOCK $020000 $030000 0 3\r\n");
  }
  // Renders with `options` to raw pixels.
  std::vector<uint16_t> Render(const std::string& options) {
    const ToolRun r = RunTool(dir, "render game.sfc game.txt " + options + " -o out.rgb565");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> raw = ReadFileBytes(dir.file("out.rgb565"));
    EXPECT_EQ(raw.size(), 320u * 256 * 2);
    std::vector<uint16_t> pixels(raw.size() / 2);
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<uint16_t>(raw[2 * i] | raw[2 * i + 1] << 8);
    return pixels;
  }
  static uint16_t At(const std::vector<uint16_t>& pixels, int x, int y) { return pixels.at(y * 320 + x); }
  TempDir dir;
};

TEST_F(DisplayCommand, DecodePrintsWhereAndWhatTheStringIsAndWritesNothing) {
  const ToolRun run = RunTool(dir, "decode game.sfc game.txt --block 0 --string 2");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* part : {"\"pointer_offset\":131076", "\"pointer\":288", "\"address\":196896",
                           "\"status\":\"Offset: 020120 | PTR: 0120 -> 020004\"", "\"glyphs\":[32]"})
    EXPECT_HAS(run.out, part);
  EXPECT_FALSE(fs::exists(dir.path() / "Dumps"));
}

TEST_F(DisplayCommand, RenderWritesTheEditorsBitmap) {
  fs::create_directory(dir.path() / "tr");
  dir.write("tr/00020000.txt", ".STRING 0\r\nA\r\n.ENDS\r\n");
  const std::string base = "--dumps tr --fill solid --color green ";
  std::vector<uint16_t> px = Render(base);
  EXPECT_EQ(At(px, 9, 8), 0x8430);     // the box border
  EXPECT_EQ(At(px, 100, 60), 0x03E0);  // solid green interior
  EXPECT_EQ(At(px, 16, 16), 0xFFFF);   // the ROM string's first glyph: all ink
  EXPECT_EQ(At(px, 40, 16), 0x10A2);   // three glyphs, the last one's shadow
  EXPECT_EQ(At(px, 17, 146), 0xFFFF);  // the translation's A

  // String 1 has no section: as in the editor, the lower box keeps what showing the block's
  // first string drew there.
  px = Render(base + "--string 1");
  EXPECT_EQ(At(px, 16, 16), 0x03E0);
  EXPECT_EQ(At(px, 17, 146), 0xFFFF);
  EXPECT_EQ(RunTool(dir, "render game.sfc game.txt " + base + "--string 1 -o out.png").err,
            "ts2tool: note: string 1 has no section in 00020000.txt; the lower box shows what was "
            "drawn there before (string 0's translation, if it has one)\n");

  // The translation's first line scrolled out of the window.
  EXPECT_EQ(At(Render(base + "--scroll-trans 16"), 17, 146), 0x03E0);

  // A block file missing from --dumps gives no translation (the lower box is never drawn) and
  // is not created, there or anywhere else.
  fs::create_directory(dir.path() / "empty");
  px = Render("--dumps empty");
  EXPECT_EQ(At(px, 9, 8), 0x8430);
  EXPECT_EQ(At(px, 9, 136), 0x0000);
  EXPECT_EQ(RunTool(dir, "render game.sfc game.txt --dumps empty --string 1 -o out.png").err, "");  // no note
  EXPECT_TRUE(fs::is_empty(dir.path() / "empty"));
  EXPECT_FALSE(fs::exists(dir.path() / "Dumps"));

  ASSERT_EQ(RunTool(dir, "render game.sfc game.txt -o e.png").status, 0);
  const std::vector<uint8_t> png = ReadFileBytes(dir.file("e.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  EXPECT_EQ(png[16 + 2] << 8 | png[16 + 3], 320);  // IHDR width
  EXPECT_EQ(png[20 + 2] << 8 | png[20 + 3], 256);  // IHDR height
}

// --at draws the place a line of check, find or a PO file names, as --block and --string would.
TEST_F(DisplayCommand, RenderAtAPlaceDrawsWhatBlockAndStringDraw) {
  fs::create_directory(dir.path() / "tr");
  dir.write("tr/00020000.txt", ".STRING 0\r\nA\r\n.ENDS\r\n.STRING 2\r\nAA\r\nA\r\n.ENDS\r\n");
  const std::vector<uint16_t> plain = Render("--dumps tr --block 0 --string 2");
  for (const char* at :
       {"'tr/00020000.txt:5: string 2, line 1 (file line 5): column 3: line is too wide'", "00020000.txt:6",
        "'00020000.txt .STRING 2'", "'020000 2'", "'Block 20000 string 2'"})
    EXPECT_EQ(Render(std::string("--dumps tr --at ") + at), plain) << at;
  EXPECT_NE(Render("--dumps tr --at 00020000.txt:1"), plain);  // string 0's section

  const struct {
    const char* options;
    int status;
    const char* err;
  } wrong[] = {
      {"--at 2 --string 2", 2, "ts2tool: --at names the block and the string"},
      {"--at nowhere", 2, "ts2tool: --at names no place: 'nowhere'"},
      {"--at 3", 1, "ts2tool: Block 20000 has 3 strings: there is no string 3."},
  };
  for (const auto& w : wrong) {
    const ToolRun r = RunTool(dir, std::string("render game.sfc game.txt --dumps tr -o w.png ") + w.options);
    EXPECT_EQ(r.status, w.status) << w.options;
    EXPECT_STARTS(r.err, w.err);
    EXPECT_FALSE(fs::exists(dir.path() / "w.png"));
  }
}

}  // namespace
}  // namespace ts2::test
