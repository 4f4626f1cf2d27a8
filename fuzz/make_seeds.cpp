// Writes the seed corpora of the fuzz targets, made with the test suite's fixture builders:
//   ts2_fuzz_seeds <corpus folder>      (normally fuzz/corpus)
// Each target's folder receives a handful of small, well-formed inputs in that target's input
// layout (see the comment at the top of each target). Seeds written by earlier runs and crash
// inputs kept as regression cases are left alone.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "patch/bps.h"
#include "script/autosave.h"
#include "script/textfile.h"
#include "support/bps_builder.h"
#include "support/builders.h"
#include "support/ips_builder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using ts2::test::Glyph;

fs::path gRoot;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  const fs::path folder = gRoot / target;
  fs::create_directories(folder);
  std::ofstream(folder / ("seed-" + name), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Seed(const std::string& target, const std::string& name, std::string_view text) {
  Seed(target, name, Bytes(text.begin(), text.end()));
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The glyph table's bank as the open_rom target takes it: flag byte, then the ROM from 0x130000
// up to the table's last byte.
Bytes FontSeed(uint8_t flags, const std::vector<Glyph>& glyphs) {
  ts2::test::RomBuilder rom;
  rom.fontTable(glyphs);
  Bytes& data = rom.data();
  size_t end = data.size();
  while (end > 0x130000 && data[end - 1] == 0) --end;
  Bytes out{flags};
  out.insert(out.end(), data.begin() + 0x130000, data.begin() + static_cast<std::ptrdiff_t>(end));
  return out;
}

void OpenRomSeeds() {
  std::vector<Glyph> glyphs;
  for (int i = 0; i < 16; ++i) glyphs.push_back(ts2::test::SolidGlyph(static_cast<uint8_t>(i * 17), 0x0F));
  Seed("open_rom", "one-glyph", FontSeed(0, {ts2::test::SolidGlyph(0xFF)}));
  Seed("open_rom", "sixteen-glyphs", FontSeed(0, glyphs));
  Seed("open_rom", "copier-header", FontSeed(1, glyphs));
  Seed("open_rom", "no-title", FontSeed(2, {ts2::test::SolidGlyph(0x81)}));
  Seed("open_rom", "short-file", Bytes{4, 'T', 'O', 'R', 'M', 'E', 'L'});
  // A stored block (type 0) and a block of an unknown type beside a compressed one.
  Seed("open_rom", "block-types",
       Cat({Bytes{0, 0x06, 0x00, 0x0F, 0x00, 0x14, 0x00}, Bytes{0, 4, 0, 0, 0, 1, 2, 3, 4},
            Bytes{7, 32, 0, 0, 0}, ts2::test::CompressBlock(Bytes(32, 0x5A))}));
}

void DataFileSeeds() {
  Seed("data_file", "blocks",
       ".BLOCK $C60000 C60000 C70000 2A\r\n.block $C61000 $C60000 0 100\r\n.BLOCKS 7E1234 0 0 0F\r\n"
       ".BLOCK $C60000\r\n");
  Seed("data_file", "directives",
       ".FORMAT 18 16 8 1 16 0 1 2 3\n.Font C00000\n.textbox .color.red .solid\n"
       ".CONTROLCODES hide\n.VWF on\n.TransText show\n.TextWindow HIDE\n.HexWindow show\n"
       ".KanaWindow on\n");
  Seed("data_file", "tables",
       ".BLOCK 1 0 0 1\n.TABLE\n41=A\n8140=ab\n8142=\\x0A\\x0B\n8141=\n.NULL 00 - 1F\n.NULL16 8000 - 8010\n"
       ".ENDTABLE\n.COLORTABLE\n.NULL=C\n.null16=$22\n41=3\n8140=5\n.ENDCOLOR\n");
  Seed("data_file", "unclosed-table", ".BLOCK 1 0 0 0\n.COLOR\n41=3");
  Seed("data_file", "long-lines",
       std::string(300, 'x') + ".BLOCK 1 0 0 5\n.BLOCK 2 0 0 2" + std::string(241, ' ') + "7\n" +
           std::string(".BLOCK 3 0 0 3\0 9\r\n", 19));
}

void TableFileSeeds() {
  Seed("table_file", "codes", "41=A\r\n42=B\n8140=\\x82\\xA0\n0041=wide\n  6=C\n=\nZZ=foo\n");
  Seed("table_file", "long-line", std::string("41=") + std::string(300, 'a') + "\n42=b");
}

Bytes WithText(Bytes front, std::string_view text) {
  front.insert(front.end(), text.begin(), text.end());
  return front;
}

void TranslationSeeds() {
  Seed("translation", "skeleton-string-1", WithText({1, 0, 0, 0, 0, 0}, ts2::TranslationSkeleton(12)));
  Seed("translation", "edited-string-10",
       WithText({10, 0, 3, 0, 0, 1},
                ".STRING 1\nHello [PLAYER]!\n[$4142]C\n.ENDS\n\n.STRING 10\n[NEWLINE][player]\n  .ENDS  \n"
                ".STRING 11\nno closing line"));
}

void AutosaveInfoSeeds() {
  Seed("autosave_info", "known-base",
       ts2::AutosaveInfoText(
           {"/home/translator/game/Dumps/000A0000.txt", true, 0x0123456789ABCDEFull, 1765125600}));
  Seed("autosave_info", "escaped-path", ts2::AutosaveInfoText({"/odd/50%\nname\r.txt", false, 0, -1}));
}

void PlaceSeeds() {
  Seed("place", "check-line",
       "Dumps/000A0000.txt:25: string 3, line 2 (file line 25): column 28: line is 240 pixels wide");
  Seed("place", "po-context", "msgctxt \"000A0000.txt .STRING 3\"");
  Seed("place", "block-string", "Block CA0000 string 12");
}

void GlossarySeeds() {
  const auto seed = [](const std::string& name, std::string_view original, std::string_view body,
                       std::string_view csv) {
    Bytes bytes{static_cast<uint8_t>(original.size())};
    bytes.insert(bytes.end(), original.begin(), original.end());
    bytes.push_back(static_cast<uint8_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    bytes.insert(bytes.end(), csv.begin(), csv.end());
    Seed("glossary", name, bytes);
  };
  seed("header-quotes", "Take the Holy SWORD, Mira.",
       "Prends l'\xE9p\xE9"
       "e sacr\xE9"
       "e, Myra.",
       "source,target,note\r\nsword,\xC3\xA9p\xC3\xA9"
       "e\r\n\"Holy Sword\",\"\xC3\xA9p\xC3\xA9"
       "e\nsacr\xC3\xA9"
       "e\"\r\n"
       "Mira,Myra,\"the \"\"healer\"\"\"\r\nMira,Mirabelle\r\nBad\r\n");
  seed("semicolons-kana", "\xE3\x81\x82\xE3\x81\x84 Gold", "Or : 100",
       "\xEF\xBB\xBF\xE3\x81\x82\xE3\x81\x84;abc\ngold;Or;\"a;b\"\n\"open");
  seed("windows-1252", "Sword",
       "\xE9p\xE9"
       "e",
       "Sword\t\xE9p\xE9"
       "e\n");
}

void PoSeeds() {
  const auto seed = [](const std::string& name, std::string_view text, std::string_view po) {
    Bytes bytes{static_cast<uint8_t>(text.size()), static_cast<uint8_t>(text.size() >> 8)};
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.insert(bytes.end(), po.begin(), po.end());
    Seed("po", name, bytes);
  };
  seed("two-sections",
       "// c\r\n.STRING 0\r\nold\r\n.ENDS\r\n\r\n.STRING 3\r\nd\r\n.ENDS\r\n.STRING 11\r\nno end",
       "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
       "#. Block C60000, string 0\n#: 00060000.txt:2\n#, fuzzy\nmsgctxt \"00060000.txt .STRING 0\"\n"
       "msgid \"orig\"\nmsgstr \"\"\n\"new\\n\"\n\"lines \\303\\251\"\n\n"
       "msgctxt \"00060000.txt .STRING 1\"\nmsgid \"\"\nmsgstr \"inserted\"\n\n"
       "msgctxt \"00060000.txt .STRING 11\"\nmsgid \"\"\nmsgstr \"closed?\"\n\n"
       "msgctxt \"00070000.txt .STRING 2\"\nmsgid \"\"\nmsgstr \"new file\"\n\n"
       "#~ msgid \"gone\"\n#~ msgstr \"x\"\n");
  seed("lf-no-end", ".STRING 0\na",
       "msgctxt \"00060000.txt .STRING 5\"\nmsgid \"x\"\nmsgstr \"y\\r\\nz\\n\"\n");
}

void SpellingSeeds() {
  const auto seed = [](const std::string& name, uint8_t wordChars, std::string_view list,
                       std::string_view text) {
    Seed("spelling", name,
         WithText(WithText({wordChars, uint8_t(list.size()), uint8_t(list.size() >> 8)}, list), text));
  };
  seed("french", 0x07, "\xEF\xBB\xBFTormel\r\nK\xC3\xB6r\n\nTormel\n",
       "// .STRING #\n.STRING 0\nl'\xE9p\xE9\x65 peut-\xEAtre, K\xF6r [PLAYER]'s\n[$4142]ab cd[$41] "
       "x2\n.ENDS\n");
  seed("english", 0x40, "Saragon\nnot utf-8 \xFF\n",
       ".string 3\nHello[NEWLINE]world, don't 'quote' [unclosed\n  .ends\nafter\n.STRING 4\nrun-on\n.STRING "
       "5");
}

void ScriptTextSeeds() {
  // Options, search text length, string count, search text, text.
  const auto seed = [](const std::string& name, uint8_t options, std::string_view needle, uint8_t strings,
                       std::string_view text) {
    Bytes bytes = {options, static_cast<uint8_t>(needle.size()), strings};
    bytes.insert(bytes.end(), needle.begin(), needle.end());
    bytes.insert(bytes.end(), text.begin(), text.end());
    Seed("script_text", name, bytes);
  };
  seed("skeleton", 0, "STRING", 12, ts2::TranslationSkeleton(12));
  seed("cp1252-folded", 2,
       "\xE9p\xE9"
       "e",
       3,
       ".STRING 0\r\nL'\xC9P\xC9\x45, une \xE9p\xE9"
       "e\r\n.ENDS\r\n.STRING 1\nA [ B\r.STRING 2\r\nx\r\n");
  seed("shift-jis", 4, "A", 2,
       ".STRING 0\r\n\x83\x41"
       "A\x83\x61"
       "a\r\n.ENDS\r\n.string 1\r\n[$41]\r\n  .ENDS\r\n");
}

void DecodeStringSeeds() {
  // Input layout: table (3), text field (3), string (2), cell rows, cell columns, line width (2),
  // options, font glyphs, page scroll (2), then the ROM.
  const auto seed = [](const std::string& name, Bytes head, uint8_t options, const Bytes& rom) {
    Bytes front = Cat({head, Bytes{16, 8, 0x18, 0x01, options, 64, 0, 0}});
    Seed("decode_string", name, Cat({front, rom}));
  };
  // Pointer table at 0 (two strings), texts in bank 0 from offset 4.
  const Bytes oneByte = {0x04, 0x00, 0x0A, 0x00, 0x05, 1, 2, 3, 4, 5, 6, 0x61, 0x41, 0x42};
  seed("one-byte-chars", {0, 0, 0, 0, 0, 0, 0, 0}, 0, oneByte);
  seed("two-byte-chars", {0, 0, 0, 0, 0, 0, 0, 0}, 1, {0x04, 0x00, 0, 0, 0xE1, 0x34, 0x01, 0x20, 0x00});
  seed("entry-bytes", {0, 0, 0, 0, 0, 0, 1, 0}, 2,
       {0x04, 0x00, 0x08, 0x00, 0, 0, 0, 0, 0x23, 0x42, 1, 2, 3, 4});
  seed("special-block", {0, 0, 0, 0, 0, 0, 0, 0}, 0x80, {0x04, 0x00, 0, 0, 0x23, 0x02, 1, 2, 3, 4});
  seed("pointer-past-end", {0, 0, 0, 0, 0, 0, 0, 0}, 4, {0xFF, 0x7F});
}

void IpsSeeds() {
  using ts2::test::IpsBuilder;
  const auto seed = [](const std::string& name, uint8_t flags, uint16_t imageSize, const IpsBuilder& patch) {
    Seed("ips", name, Cat({Bytes{flags, uint8_t(imageSize), uint8_t(imageSize >> 8)}, patch.bytes()}));
  };
  const IpsBuilder records =
      IpsBuilder().record(0x10, {1, 2, 3}).run(0x20, 8, 0xEE).record(0x3FE, {9, 9, 9, 9}).eof();
  seed("records", 0, 0x400, records);
  seed("records-handler", 1, 0x400, records);
  seed("growth-handler", 1, 0x200, IpsBuilder().record(0x300, {7}).run(0x1000, 0x40, 1).eof());
  seed("no-eof", 0, 0x100, IpsBuilder().record(0x01, {5, 6}));
  seed("cut-short", 1, 0x100, IpsBuilder().record(0x01, {5, 6}).raw({0x00, 0x00}));
  seed("not-a-patch", 0, 0x100, IpsBuilder().raw({'E', 'O', 'F'}));
  seed("eof-offset", 0, 0x100, IpsBuilder().run(0x454F45, 4, 0x33).eof().raw({1, 2, 3}));
}

void BpsSeeds() {
  using ts2::test::BpsBuilder;
  const auto seed = [](const std::string& name, uint8_t flags, const Bytes& patch) {
    Seed("bps", name, Cat({Bytes{flags, 0, 0}, patch}));
  };
  Bytes source(0x100);
  for (size_t i = 0; i < source.size(); ++i)
    source[i] = static_cast<uint8_t>(i * 13 + 5);  // the target's image
  Bytes target(source.begin(), source.begin() + 0x10);
  target.insert(target.end(), {1, 2, 1, 2, 1, 2});
  target.insert(target.end(), source.begin() + 0x80, source.begin() + 0x90);
  const Bytes every = BpsBuilder(source, target.size(), "<m/>")
                          .sourceRead(0x10)
                          .targetRead({1, 2})
                          .targetCopy(4, 0x10)
                          .sourceCopy(0x10, 0x80)
                          .target(target)
                          .bytes();
  seed("every-action", 1, every);
  seed("every-action-handler", 3, every);
  seed("wrong-source", 0, every);
  Bytes grown = source;
  grown.resize(0x180, 0x44);
  seed("made-by-writer", 1, ts2::bps::CreatePatch(source, grown));
}

void PatchWriterSeeds() {
  const auto seed = [](const std::string& name, uint8_t flags, const Bytes& original, const Bytes& rest) {
    Seed("patch_writers", name,
         Cat({Bytes{flags, uint8_t(original.size()), uint8_t(original.size() >> 8)}, original, rest}));
  };
  Bytes original(0x200);
  for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<uint8_t>(i * 7);
  Bytes modified = original;
  modified[0x20] = 1;
  std::fill(modified.begin() + 0x40, modified.begin() + 0x60, 0xEE);
  modified.resize(0x280, 0);
  seed("as-is", 0, original, modified);
  // Overwrite, fill, insert, delete, resize.
  seed("edits", 1, original, {0,  0x10, 0x00, 20,   9,    1,  0x40, 0x00, 30,   0xEE, 2, 0x80, 0x00,
                              12, 3,    3,    0x00, 0x01, 40, 0,    0xFF, 0x80, 0x02, 0, 0});
}

void KanaSeeds() {
  const auto seed = [](const std::string& name, uint16_t offset, uint32_t tableSize, const Bytes& wram) {
    Seed("kana", name,
         Cat({Bytes{uint8_t(offset), uint8_t(offset >> 8), uint8_t(tableSize), uint8_t(tableSize >> 8),
                    uint8_t(tableSize >> 16)},
              wram}));
  };
  seed("controls", 0, 0x10000,
       {0x00, 0xF9, 0x34, 0x12, 0x78, 0x56, 0x41, 0x00, 0x00, 0xFC, 0x07, 0x00, 0x05, 0xF1, 0x7E, 0xF6, 0xFF,
        0xFF});
  seed("characters", 2, 0x10000,
       {0xAA, 0xBB, 0x81, 0x40, 0x07, 0x00, 0x0E, 0x00, 0x00, 0xFD, 0x15, 0x00, 0xFF, 0xFF});
  seed("no-end-word", 0, 0x100, {0x41, 0x00, 0x00, 0xF9, 0x34, 0x12, 0x78});
}

void OriginalSeeds() {
  // Table entries (code, text), then the codes.
  const auto seed = [](const std::string& name, const std::vector<std::pair<uint16_t, std::string>>& table,
                       const std::vector<uint16_t>& codes) {
    Bytes bytes{uint8_t(table.size())};
    for (const auto& [code, text] : table) {
      bytes.insert(bytes.end(), {uint8_t(code), uint8_t(code >> 8), uint8_t(text.size())});
      bytes.insert(bytes.end(), text.begin(), text.end());
    }
    for (uint16_t c : codes) bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
    Seed("original", name, bytes);
  };
  seed("characters", {{0x41, "A"}, {0x80, "\x82\xA0"}, {0x81, "\xB1"}, {0x82, "\x85\x40"}},
       {0x41, 0x80, 0x81, 0x82, 0x1234});
  seed("controls", {{0x41, "\x82"}}, {0x41, 0xFD00, 0xF105, 0xF900, 0x1234, 0x41, 0xFC00, 0xF900});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ts2_fuzz_seeds <corpus folder>\n");
    return 2;
  }
  gRoot = argv[1];
  OpenRomSeeds();
  DataFileSeeds();
  TableFileSeeds();
  TranslationSeeds();
  PoSeeds();
  GlossarySeeds();
  AutosaveInfoSeeds();
  PlaceSeeds();
  SpellingSeeds();
  ScriptTextSeeds();
  DecodeStringSeeds();
  IpsSeeds();
  BpsSeeds();
  PatchWriterSeeds();
  KanaSeeds();
  OriginalSeeds();
  return 0;
}
