// ts2tool demo: a complete sample set made entirely by this project, so that a newcomer can see
// the editor at work without any game data: a synthetic ROM image with our own two-plane font,
// a data file, a table file, an IPS patch, a translation file for the first block and the
// project's word list.
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "core/fileutil.h"
#include "display/ascii_font.h"
#include "script/compress.h"
#include "script/project_words.h"

namespace ts2::cli {
namespace {

constexpr uint32_t kRomSize = 0x140000;
constexpr uint32_t kFontTable = 0x130000;
constexpr uint16_t kHighlight = 0x100;  // glyphs 0x100-0x1FF: the same letters in the shading colour
constexpr uint8_t kKanaBase = 0x80;     // glyphs 0x80-0x87: kana-like shapes

// Kana-like shapes, two bits a pixel: '#' value 3 (text colour), '+' value 2 (shading).
// clang-format off
constexpr std::array<std::string_view, 8 * 16> kKanaArt = {
  // 0x80
  "........", "..#.....", "######..", "..#.....", "..###...", ".##.+#..", "#.#..+#.", "#.#...#.",
  "#.#...#.", ".##..+#.", "..#.+#..", ".#.##...", "........", "........", "........", "........",
  // 0x81
  "........", "........", "#.....#.", "#......#", "#......#", "#......#", "#......#", "#.....+#",
  "#.....+.", "+#....+.", ".+#..+..", "..++....", "........", "........", "........", "........",
  // 0x82
  "........", ".####...", "........", "........", "######..", ".....+#.", "......#.", "......#.",
  "......#.", ".....+#.", "....+#..", "..##+...", "........", "........", "........", "........",
  // 0x83
  "........", ".####...", "........", "........", "######..", "....#...", "...#....", "..##+...",
  ".#..#...", "#...#...", "#...#+..", "#....###", "........", "........", "........", "........",
  // 0x84
  "........", "..#.....", "#####.#.", "..#...#+", "..#.....", "..###...", "..#.+#..", ".##..#..",
  "#.#..#..", "#.#..#..", ".##.+#..", "..###...", "........", "........", "........", "........",
  // 0x85
  "........", "...#....", ".######.", "...#....", "...#....", "..+#+...", ".+...+..", "#.....#.",
  "#.....#.", "#.....#.", ".#...#..", "..###...", "........", "........", "........", "........",
  // 0x86
  "........", "..+.....", ".#......", "#.......", "#.......", "#...###.", "#..#...#", "#.#....#",
  "##.....#", "#......#", "#.....#.", ".#####..", "........", "........", "........", "........",
  // 0x87
  "........", "........", ".+++++..", "+.....+.", "+.###.+.", "+.#.#.+.", "+.###.+.", "+.....+.",
  ".+++++..", "........", "........", "........", "........", "........", "........", "........",
};
// clang-format on

// The game font: 0x200 glyphs of 32 bytes (two bit planes a row).
std::vector<uint8_t> GameFont() {
  std::vector<uint8_t> font(0x200 * 32, 0);
  auto row = [&](unsigned glyph, int r, uint8_t plane0, uint8_t plane1) {
    font[glyph * 32 + 2 * r] = plane0;
    font[glyph * 32 + 2 * r + 1] = plane1;
  };
  for (unsigned c = 0x21; c < 0x100; ++c) {
    if (c >= kKanaBase && c < kKanaBase + 8) continue;
    for (int r = 0; r < 16; ++r) {
      const uint8_t bits = gAsciiFont[c * kAsciiGlyphBytes + r];
      row(c, r, bits, bits);            // value 3: the text colour
      row(kHighlight + c, r, 0, bits);  // value 2: the shading colour
    }
  }
  for (unsigned k = 0; k < 8; ++k) {
    for (int r = 0; r < 16; ++r) {
      uint8_t p0 = 0, p1 = 0;
      for (int x = 0; x < 8; ++x) {
        const char px = kKanaArt[k * 16 + r][x];
        const uint8_t bit = static_cast<uint8_t>(0x80 >> x);
        if (px == '#') p0 |= bit, p1 |= bit;
        if (px == '+') p1 |= bit;
      }
      row(kKanaBase + k, r, p0, p1);
    }
  }
  return font;
}

// One script string in the ROM's format: a header byte (count − 1, kind K in bits 5-7), entry
// bytes for K = 1..6, then the characters.
struct ScriptString {
  std::vector<uint8_t> bytes;
};

// K = 0: one byte a character.
ScriptString Plain(std::string_view text) {
  ScriptString s;
  s.bytes.push_back(static_cast<uint8_t>(text.size() - 1));
  s.bytes.insert(s.bytes.end(), text.begin(), text.end());
  return s;
}

// K = 1..6, ordinary rule: each highlighted index gets an entry byte that sets bit 8 of its code.
ScriptString Marked(std::string_view text, std::vector<uint8_t> highlighted) {
  ScriptString s;
  s.bytes.push_back(static_cast<uint8_t>((highlighted.size() << 5) | (text.size() - 1)));
  for (uint8_t i : highlighted) s.bytes.push_back(static_cast<uint8_t>(0x20 | i));  // bits 5-7 = 1
  s.bytes.insert(s.bytes.end(), text.begin(), text.end());
  return s;
}

// K = 1..6 in the block whose pointer table lies at 0x60000: the entry byte is the index itself.
ScriptString MarkedSpecial(std::string_view text, std::vector<uint8_t> highlighted) {
  ScriptString s;
  s.bytes.push_back(static_cast<uint8_t>((highlighted.size() << 5) | (text.size() - 1)));
  for (uint8_t i : highlighted) s.bytes.push_back(i);
  s.bytes.insert(s.bytes.end(), text.begin(), text.end());
  return s;
}

// K = 7: 16-bit little-endian codes.
ScriptString Wide(const std::vector<uint16_t>& codes) {
  ScriptString s;
  s.bytes.push_back(static_cast<uint8_t>(0xE0 | (codes.size() - 1)));
  for (uint16_t c : codes) {
    s.bytes.push_back(static_cast<uint8_t>(c));
    s.bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return s;
}

std::vector<uint16_t> Codes(std::string_view text, uint16_t add = 0) {
  std::vector<uint16_t> codes;
  for (char c : text) codes.push_back(static_cast<uint16_t>(static_cast<uint8_t>(c) + add));
  return codes;
}

struct Block {
  uint32_t pointerTable;  // ROM offset
  uint32_t textStart;     // ROM offset where its strings are laid out (the bank of field 2)
  std::vector<ScriptString> strings;
};

std::vector<Block> Blocks() {
  std::vector<uint16_t> gold = Codes("Gold: 100 ");
  for (uint16_t k : {0x80, 0x81, 0x82}) gold.push_back(k);
  std::vector<uint16_t> thanks = Codes("Thank you", kHighlight);
  thanks.push_back('!');
  return {
      {0x0A0000,
       0x0B0000,
       {Plain("Welcome to Tormel Saragon!"), Marked("Take the SWORD and go.", {9, 10, 11, 12, 13}),
        Marked("Ask Mira or Tom.", {4, 12}), Wide(gold), Marked("Find Kor in the east.", {5, 6, 7}),
        Marked("Beware the DRAGON!", {11, 12, 13, 14, 15, 16})}},
      {0x060000,
       0x060100,
       {MarkedSpecial("Chapter One: the Old Road", {0, 8}), MarkedSpecial("Night falls.", {0}),
        Plain("The inn is warm and quiet."), MarkedSpecial("Rest here, traveller?", {0, 10, 11})}},
      {0x0A8000,
       0x0C0000,
       {Plain("Shop: What'll it be?"), Marked("Herb 10G  Potion 40G", {0, 1, 2, 3}), Wide(thanks)}},
  };
}

std::string DataFile() {
  std::string s =
      "Tormel Saragon 2 -- demo text block data file, written by ts2tool demo.\n"
      "Lines that start with no directive are comments.\n"
      "\n"
      ".Font C00000\n"
      ".FORMAT 18 16 8 1 16 0 1 2 3\n"
      ".textbox .color.blue .gradient\n"
      ".CONTROLCODES show\n"
      ".VWF off\n"
      ".TextWindow show\n"
      ".HexWindow hide\n"
      ".KanaWindow hide\n"
      "\n"
      "Blocks: pointer table, bank of the strings, (unused), number of strings\n"
      ".BLOCK $CA0000 $CB0000 $CB0000 6\n"
      ".BLOCK $C60000 $C60000 $C60000 4\n"
      ".BLOCK $CA8000 $CC0000 $CC0000 3\n"
      "\n"
      ".TABLE\n"
      ".NULL16 $FF00 - $FFFE\n";
  // The glyphs' texts, for the Kana Text window: the printable ASCII glyphs and their highlighted
  // copies as themselves, the blank written as an escape (a text word holds no blanks).
  for (uint16_t base : {uint16_t{0}, kHighlight}) {
    s += Format("%04X=\\x20\n", base + ' ');
    for (int c = '!'; c <= '~'; ++c) s += Format("%04X=%c\n", base + c, c);
  }
  // Kana, as Shift-JIS bytes: the hiragana a, i, u, e, o, ka, ki, ku, for the kana glyphs and for
  // the codes 0x2000 on of the kana conversion.
  const uint16_t sjis[] = {0x82A0, 0x82A2, 0x82A4, 0x82A6, 0x82A8, 0x82A9, 0x82AB, 0x82AD};
  for (uint16_t base : {uint16_t{kKanaBase}, uint16_t{0x2000}}) {
    for (int i = 0; i < 8; ++i) {
      s += Format("%04X=", base + i);
      s.push_back(static_cast<char>(sjis[i] >> 8));
      s.push_back(static_cast<char>(sjis[i] & 0xFF));
      s += "\n";
    }
  }
  s += ".ENDTABLE\n"
       "\n"
       ".COLORTABLE\n"
       ".NULL16=$0C\n"
       "0041=$0E\n"
       ".ENDCOLOR\n";
  return s;
}

std::string TableFile() {
  std::string s;
  for (int c = 0x20; c < 0x7F; ++c) s += Format("%02X=%c\n", c, c);
  s += "FD=[PLAYER]\nFE=[NEWLINE]\n";
  const uint16_t sjis[] = {0x82A0, 0x82A2, 0x82A4, 0x82A6, 0x82A8};
  for (int i = 0; i < 5; ++i) {
    s += Format("%04X=", 0x2080 + i);
    s.push_back(static_cast<char>(sjis[i] >> 8));
    s.push_back(static_cast<char>(sjis[i] & 0xFF));
    s += "\n";
  }
  return EditorTextToFileBytes(s);
}

// The translation of block 0 (French), as a translator would have it half done. String 3's
// second line is planted too long for the box, and string 2 has one misspelt word ("tuot"), for
// `ts2tool check` and the editor's spelling to find; the game's names are in the project's words.
std::string Translation() {
  const char* sections[] = {
      "Bienvenue \xE0 Tormel Saragon!",
      "Prends l'\xC9p\xE9\x65 et pars.",
      "Demande \xE0 Mira ou \xE0 Tom.\n[PLAYER], ils savent tuot.",
      "Or : 100\nTu as 100 pi\xE8\x63\x65s dans ta poche",
      "Trouve Kor, \xE0 l'est.",
      "Attention au DRAGON !",
  };
  std::string text = "// Do not erase these: \n// .STRING #\n// .ENDS\n\n\n";
  for (int k = 0; k < 6; ++k) text += Format(".STRING %d\n%s\n.ENDS\n\n\n\n", k, sections[k]);
  return EditorTextToFileBytes(text);
}

// The project's own words: the game's names that no dictionary knows.
std::string ProjectWords() {
  return FormatWordList({"Tormel", "Saragon", "Kor"});
}

// A patch that changes block 0's first string into another of the same length.
std::vector<uint8_t> Patch(uint32_t stringOffset, uint32_t headerSize) {
  const std::string_view replacement = "Welcome back, brave hero!!";
  const uint32_t at = headerSize + stringOffset + 1;  // past the string's header byte
  std::vector<uint8_t> p = {'P', 'A', 'T', 'C', 'H'};
  p.push_back(static_cast<uint8_t>(at >> 16));
  p.push_back(static_cast<uint8_t>(at >> 8));
  p.push_back(static_cast<uint8_t>(at));
  p.push_back(static_cast<uint8_t>(replacement.size() >> 8));
  p.push_back(static_cast<uint8_t>(replacement.size()));
  p.insert(p.end(), replacement.begin(), replacement.end());
  for (char c : std::string_view("EOF")) p.push_back(static_cast<uint8_t>(c));
  return p;
}

bool WriteBytes(const std::string& path, std::string_view bytes, std::vector<std::string>& written) {
  if (!WriteFileAtomic(path, bytes.data(), bytes.size())) return false;
  written.push_back(path);
  return true;
}

int RunDemo(const std::vector<std::string>& args);

const Command kDemo{"demo", "demo DIR [--header]",
                    "write a complete sample set (ROM image, data file, table file, patch, translation)",
                    RunDemo};

int RunDemo(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done =
          StartCommand(kDemo, args, {}, {"--header"}, parsed,
                       "Writes demo.sfc (a synthetic ROM image with the game's title, an "
                       "LZSS-compressed\n"
                       "font at 0x130000 and three script blocks, one with its pointer table at 0x60000),\n"
                       "demo.txt (data file), demo.tbl (table file), demo.ips (a patch that changes one\n"
                       "string), Dumps/000A0000.txt (the first block's translation) and Dumps/words.txt\n"
                       "(the project's own words for the spelling check) into DIR.\n"
                       "--header writes the ROM image with a 512-byte copier header.\n"
                       "A file already there with other contents is not written over: then nothing\n"
                       "is written, and the exit status is 1.\n"))
    return *done;
  if (parsed.positional.size() != 1) return UsageError(kDemo, "expected one folder");
  // An empty name (a script's unset variable) is no folder: it would put the set, Dumps included,
  // into the current folder over its files.
  if (parsed.positional[0].empty()) return UsageError(kDemo, "the folder's name is empty");
  const std::filesystem::path dir = parsed.positional[0];
  const uint32_t header = parsed.has("--header") ? 0x200 : 0;

  std::vector<uint8_t> rom(kRomSize, 0);
  const std::string_view title = "TORMEL SARAGON2";
  std::copy(title.begin(), title.end(), rom.begin() + 0xFFC0);
  const std::vector<uint8_t> font = GameFont();
  const std::vector<uint8_t> table = BuildGlyphTable(font, kFontTable);
  std::copy(table.begin(), table.end(), rom.begin() + kFontTable);

  uint32_t firstString = 0;
  for (const Block& block : Blocks()) {
    uint32_t at = block.textStart;
    for (size_t s = 0; s < block.strings.size(); ++s) {
      if (block.pointerTable == 0x0A0000 && s == 0) firstString = at;
      rom[block.pointerTable + 2 * s] = static_cast<uint8_t>(at);
      rom[block.pointerTable + 2 * s + 1] = static_cast<uint8_t>(at >> 8);
      const std::vector<uint8_t>& bytes = block.strings[s].bytes;
      std::copy(bytes.begin(), bytes.end(), rom.begin() + at);
      at += static_cast<uint32_t>(bytes.size());
    }
  }

  std::string image(header, '\0');
  image.append(rom.begin(), rom.end());
  const std::vector<uint8_t> patch = Patch(firstString, header);
  const std::pair<std::filesystem::path, std::string> files[] = {
      {dir / "demo.sfc", std::move(image)},
      {dir / "demo.txt", EditorTextToFileBytes(DataFile())},
      {dir / "demo.tbl", TableFile()},
      {dir / "demo.ips", std::string(patch.begin(), patch.end())},
      {dir / "Dumps" / "000A0000.txt", Translation()},
      {ProjectWordsPath((dir / "Dumps").string()), ProjectWords()},
  };
  // A file of the same name with other bytes is someone's work (a translation typed into the demo,
  // a project's own words, a ROM saved): nothing is written over it, and nothing else either.
  for (const auto& [path, bytes] : files) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) continue;
    if (ec)
      return Fail(kExitBadInput,
                  "cannot look at " + path.string() + ": " + ec.message() + "; nothing was written");
    // Never opened unless a plain file: a pipe would wait for a writer for ever.
    if (!std::filesystem::is_regular_file(status))
      return Fail(kExitBadInput, path.string() + " is there and is not a file; nothing was written");
    errno = 0;
    const std::optional<std::vector<uint8_t>> there = ReadWholeFile(path.string());
    if (!there)
      return Fail(kExitBadInput, "cannot read " + path.string() + ": " + std::strerror(errno ? errno : EIO) +
                                     "; nothing was written");
    if (std::string_view(reinterpret_cast<const char*>(there->data()), there->size()) == bytes) continue;
    return Fail(kExitBadInput, path.string() +
                                   " is there with other contents than the demo's; nothing was written " +
                                   "(move it away, or write the demo into another folder)");
  }
  std::error_code ec;
  std::filesystem::create_directories(dir / "Dumps", ec);
  if (ec) return Fail(kExitBadInput, "cannot create " + (dir / "Dumps").string() + ": " + ec.message());
  std::vector<std::string> written;
  for (const auto& [path, bytes] : files)
    if (!WriteBytes(path.string(), bytes, written))
      return Fail(kExitBadInput, "cannot write into " + dir.string());
  for (const std::string& path : written) std::printf("%s\n", path.c_str());
  return kExitOk;
}

const Registrar kRegister{kDemo};

}  // namespace
}  // namespace ts2::cli
