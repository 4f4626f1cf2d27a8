// ts2tool encode, decode and render, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/builders.h"

namespace ts2 {
namespace {

using test::TempDir;

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs ts2tool with `args` (already quoted for the shell) in `dir`, stdin from `input`.
ToolRun Tool(const std::string& args, const std::string& dir = ".", const std::string& input = "/dev/null") {
  TempDir errDir;
  const std::string errFile = errDir.file("err");
  const std::string command =
      "cd '" + dir + "' && '" TS2_TOOL_PATH "' " + args + " <'" + input + "' 2>'" + errFile + "'";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = test::ReadFileText(errFile);
  return run;
}

TEST(EncodeCommand, PrintsTheSectionBytes) {
  TempDir dir;
  struct Case {
    const char* text;
    const char* bytes;
  } cases[] = {
      {".STRING 0\r\n[PLAYER][NEWLINE]\r\n.ENDS\r\n", "FD FE FF\n"},
      {".STRING 0\r\nAB[$4142]C\r\nx\r\n.ENDS\r\n\r\n.STRING 1\r\nno\r\n.ENDS\r\n",
       "41 42 41 42 43 FE 78 FF\n"},
      {".STRING 3\n\n\n.ENDS\n", "FE FF\n"},  // lone LF line ends are accepted
      {"", "FF\n"},
  };
  for (const Case& c : cases) {
    const std::string file = dir.write("section.txt", c.text);
    EXPECT_EQ(Tool("encode '" + file + "'").out, c.bytes) << c.text;
    EXPECT_EQ(Tool("encode", ".", file).out, c.bytes) << "stdin: " << c.text;
  }
  EXPECT_EQ(Tool("encode '" + dir.file("missing.txt") + "'").status, 1);
  const ToolRun extra = Tool("encode a b");
  EXPECT_EQ(extra.status, 2);
  EXPECT_EQ(extra.err.rfind("ts2tool: ", 0), 0u);
}

TEST(DecodeAndRenderCommands, RejectBadUsage) {
  TempDir dir;
  const std::string rom = dir.write("rom.sfc", "x"), data = dir.write("data.txt", "");
  const std::string files = " '" + rom + "' '" + data + "'";
  EXPECT_EQ(Tool("decode" + files + " --block 0").status, 2);
  EXPECT_EQ(Tool("decode" + files + " --block x --string 0").status, 2);
  EXPECT_EQ(Tool("decode '" + rom + "' --block 0 --string 0").status, 2);
  EXPECT_EQ(Tool("render" + files).status, 2);                               // no -o
  EXPECT_EQ(Tool("render" + files + " -o out.bmp").status, 2);               // unknown format
  EXPECT_EQ(Tool("render" + files + " --scroll-rom 8 -o o.png").status, 2);  // not a step of 16
  EXPECT_EQ(Tool("render" + files + " --scroll-trans 688 -o o.png").status, 2);
  EXPECT_EQ(Tool("render" + files + " --vwf yes -o o.png").status, 2);
  EXPECT_EQ(Tool("render" + files + " --color pink -o o.png").status, 2);
  // Unreadable input and a file that is not the game's ROM are bad input.
  EXPECT_EQ(Tool("decode '" + dir.file("none.sfc") + "' '" + data + "' --block 0 --string 0").status, 1);
  const ToolRun wrong = Tool("render" + files + " -o '" + dir.file("o.png") + "'");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("This is not the ROM used."), std::string::npos) << wrong.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("o.png")));
}

// A ROM image with a three-string block (pointer table 0x20000, texts in bank 0x030000) and a
// data file listing it. Needs the data-file loader and the font decompressor.
struct Fixture {
  TempDir dir;
  std::string rom, data;
  Fixture() {
    test::RomBuilder b;
    b.fontTable({test::SolidGlyph(0, 0), test::SolidGlyph(0xFF, 0xFF)});
    const uint8_t strings[3][4] = {{0x02, 1, 1, 1}, {0x00, 0}, {0x00, 1}};
    for (int s = 0; s < 3; ++s) {
      b.put16(0x20000 + 2 * s, static_cast<uint16_t>(0x100 + 0x10 * s));
      b.put(0x30100 + 0x10 * s, strings[s]);
    }
    rom = dir.write("game.sfc", b.file());
    data = dir.write("game.txt", ".FORMAT 18 16 8 1 16 0 1 2 3\r\n.BLOCK $020000 $030000 0 3\r\n");
  }
};

uint16_t Pixel(const std::vector<uint8_t>& raw, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * 320 + x) * 2;
  return static_cast<uint16_t>(raw[at] | raw[at + 1] << 8);
}

TEST(DecodeCommand, EndToEnd) {
  Fixture fx;
  const ToolRun run =
      Tool("decode '" + fx.rom + "' '" + fx.data + "' --block 0 --string 2", fx.dir.path().string());
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* part :
       {"\"pointer_offset\": 131076", "\"pointer\": 288", "\"address\": 196896",
        "\"status\": \"Offset: 020120 | PTR: 0120 -> 020004\"", "\"glyphs\": [\n        32\n    ]"})
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
  EXPECT_FALSE(std::filesystem::exists(fx.dir.path() / "Dumps"));  // nothing written
}

TEST(RenderCommand, EndToEnd) {
  Fixture fx;
  const std::filesystem::path dumps = fx.dir.path() / "tr";
  std::filesystem::create_directory(dumps);
  fx.dir.write("tr/00020000.txt", ".STRING 0\r\nA\r\n.ENDS\r\n");
  const std::string base = "render '" + fx.rom + "' '" + fx.data + "' --dumps tr --fill solid --color green ";

  ToolRun run = Tool(base + "-o out.rgb565", fx.dir.path().string());
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<uint8_t> raw = test::ReadFileBytes(fx.dir.file("out.rgb565"));
  ASSERT_EQ(raw.size(), 320u * 256 * 2);
  EXPECT_EQ(Pixel(raw, 8, 8), 0x0000);     // box corner: K
  EXPECT_EQ(Pixel(raw, 9, 8), 0x8430);     // D
  EXPECT_EQ(Pixel(raw, 100, 60), 0x03E0);  // solid green interior
  EXPECT_EQ(Pixel(raw, 16, 16), 0xFFFF);   // the ROM string's first glyph: all ink
  EXPECT_EQ(Pixel(raw, 40, 16), 0x10A2);   // three glyphs, the last one's shadow
  EXPECT_EQ(Pixel(raw, 41, 16), 0x03E0);
  EXPECT_EQ(Pixel(raw, 17, 146), 0xFFFF);  // the translation's A
  EXPECT_EQ(Pixel(raw, 19, 146), 0x10A2);  // and its shadow

  // String 1 has no section: as in the editor, the lower box keeps what showing the block's
  // first string drew there.
  run = Tool(base + "--string 1 -o s1.rgb565", fx.dir.path().string());
  ASSERT_EQ(run.status, 0) << run.err;
  raw = test::ReadFileBytes(fx.dir.file("s1.rgb565"));
  EXPECT_EQ(Pixel(raw, 16, 16), 0x03E0);  // string 1 is glyph 0: blank
  EXPECT_EQ(Pixel(raw, 17, 146), 0xFFFF);

  // A block file missing from --dumps gives no translation (the lower box is never drawn) and is
  // not created, there or anywhere else.
  std::filesystem::create_directory(fx.dir.path() / "empty");
  const std::string plain = "render '" + fx.rom + "' '" + fx.data + "' --dumps empty ";
  run = Tool(plain + "-o e.rgb565", fx.dir.path().string());
  ASSERT_EQ(run.status, 0) << run.err;
  raw = test::ReadFileBytes(fx.dir.file("e.rgb565"));
  EXPECT_EQ(Pixel(raw, 9, 8), 0x8430);
  EXPECT_EQ(Pixel(raw, 9, 136), 0x0000);
  EXPECT_TRUE(std::filesystem::is_empty(fx.dir.path() / "empty"));
  EXPECT_FALSE(std::filesystem::exists(fx.dir.path() / "Dumps"));

  run = Tool(plain + "-o e.png", fx.dir.path().string());
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<uint8_t> png = test::ReadFileBytes(fx.dir.file("e.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  EXPECT_EQ(png[16 + 2] << 8 | png[16 + 3], 320);  // IHDR width
  EXPECT_EQ(png[20 + 2] << 8 | png[20 + 3], 256);  // IHDR height

  // Scrolled pages (as the keyboard scrolls them): the translation's first line leaves the window.
  run = Tool(base + "--scroll-trans 16 -o scrolled.rgb565", fx.dir.path().string());
  ASSERT_EQ(run.status, 0) << run.err;
  raw = test::ReadFileBytes(fx.dir.file("scrolled.rgb565"));
  EXPECT_EQ(Pixel(raw, 17, 146), 0x03E0);
}

}  // namespace
}  // namespace ts2
