// The find engine on 8-bit text: case folding of ASCII and Windows-1252 letters, whole words,
// Shift-JIS character boundaries, only section bodies; and replacing that keeps every other byte.
#include <gtest/gtest.h>

#include "views/find.h"

namespace ts2 {
namespace {

std::vector<size_t> Find(std::string needle, std::string text, FindOptions options = {},
                         TextEncoding encoding = TextEncoding::kWindows1252) {
  return TextFinder(std::move(needle), options, encoding).findAll(text);
}

using P = std::vector<size_t>;

TEST(TextFinder, FoldsAsciiAndWindows1252Letters) {
  const struct {
    std::string needle, text;
    P ignoringCase, matchingCase;
  } cases[] = {
      {"sword", "Sword SWORD sword", {0, 6, 12}, {12}},
      {"\xE9p\xE9\x65", "\xC9P\xC9\x45", {0}, {}},     // épée finds ÉPÉE
      {"\x9Cuvre", "\x8CUVRE \x9Cuvre", {0, 6}, {6}},  // œuvre finds ŒUVRE
      {"\x8A\x9E\xFF", "\x9A\x8E\x9F", {0}, {}},       // š ž ÿ and Š Ž Ÿ
      {"\xD7", "\xF7", {}, {}},                        // × is no capital ÷
      {"\xDF", "SS \xDF", {3}, {3}},                   // ß has no capital here
      {"\xB5", "\xB5", {0}, {0}},                      // nor µ
      {"aa", "aaaaa", {0, 2}, {0, 2}},                 // matches do not overlap
      {"", "text", {}, {}},
      {"longer than the text", "text", {}, {}},
      {std::string("\x81\x8D\x00", 3), std::string("x\x81\x8D\x00", 4), {1}, {1}},  // any byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Find(c.needle, c.text), c.ignoringCase) << c.needle;
    EXPECT_EQ(Find(c.needle, c.text, {.matchCase = true}), c.matchingCase) << c.needle;
  }
}

TEST(TextFinder, WholeWords) {
  const FindOptions whole{.wholeWord = true};
  EXPECT_EQ(Find("cat",
                 "cat, concat cats _cat cat_ 1cat \xE9"
                 "cat cat\xE9 (cat)",
                 whole),
            (P{0, 43}));
  EXPECT_EQ(Find("cat", "CAT.", whole), P{0});
  // A rejected place does not hide a match that overlaps it.
  EXPECT_EQ(Find("aa", "aaa aa", whole), P{4});
}

TEST(TextFinder, ShiftJisKeepsCharactersWhole) {
  const auto sjis = TextEncoding::kShiftJis;
  // 0x83 0x41 is one character (katakana A): its second byte is no 'A'.
  const std::string text =
      "\x83\x41"
      "A"
      "\x83\x61"
      "a";
  EXPECT_EQ(Find("A", text, {}, sjis), (P{2, 5}));
  EXPECT_EQ(Find("A", text, {.matchCase = true}, sjis), P{2});
  EXPECT_EQ(Find("\x83\x41", text, {}, sjis), P{0});  // and its second byte is not folded
  EXPECT_EQ(Find("A\x83\x61", text, {}, sjis), P{2});
  // Half-width katakana are one byte; two-byte characters are no word characters.
  EXPECT_EQ(Find("ab",
                 "\xB1"
                 "ab \x82\xA0"
                 "ab"
                 "\x82\xA0 xab",
                 {.wholeWord = true}, sjis),
            (P{1, 6}));
  // The byte pattern found across two characters does not count.
  EXPECT_EQ(Find("\x41\x83", "\x83\x41\x83\x41", {}, sjis), P{});
}

// A file in which every kind of place holds the search text: only section bodies count.
const std::string kFile =
    "// Do not erase these: Sword\r\n"
    "// .STRING #\r\n"
    "// .ENDS\r\n"
    "\r\n"
    ".STRING 0 Sword\r\n"
    "The Sword.\r\n"
    "sword, SWORD\r\n"
    ".ENDS\r\n"
    "Sword between sections\r\n"
    ".STRING 1\n"
    "Swordsman\r"
    ".STRING 2\r\n"  // section 1 runs on: the header line is not part of its body
    "x Sword\r\n"
    ".ENDS Sword\r\n"
    ".ENDS\r\n"
    ".STRING 3\r\n"
    "Sword\r\n"
    ".ENDS\r\n";

TEST(FindInTranslation, OnlySectionBodies) {
  const TextFinder finder("sword", {});
  std::vector<std::tuple<uint32_t, int, size_t>> found;
  for (const TextMatch& m : FindInTranslation(kFile, 3, finder)) {
    found.emplace_back(m.string, m.line, m.column);
    EXPECT_EQ(kFile.substr(m.position, 5).size(), 5u);
  }
  // String 3 lies past the count of 3 strings.
  const std::vector<std::tuple<uint32_t, int, size_t>> expected = {{0, 5, 4},  {0, 6, 0},  {0, 6, 7},
                                                                   {1, 10, 0}, {2, 12, 2}, {2, 13, 6}};
  EXPECT_EQ(found, expected);
}

TEST(ReplaceInTranslation, KeepsEveryOtherByte) {
  const TextFinder finder("sword", {});
  const Replaced r = ReplaceInTranslation(kFile, 4, finder, "Blade");
  EXPECT_EQ(r.count, 7);
  const std::string expected =
      "// Do not erase these: Sword\r\n"
      "// .STRING #\r\n"
      "// .ENDS\r\n"
      "\r\n"
      ".STRING 0 Sword\r\n"
      "The Blade.\r\n"
      "Blade, Blade\r\n"
      ".ENDS\r\n"
      "Sword between sections\r\n"
      ".STRING 1\n"
      "Bladesman\r"
      ".STRING 2\r\n"
      "x Blade\r\n"
      ".ENDS Blade\r\n"
      ".ENDS\r\n"
      ".STRING 3\r\n"
      "Blade\r\n"
      ".ENDS\r\n";
  EXPECT_EQ(r.text, expected);

  // Every byte from 0x20 to 0xFF around the matches survives, 0x80-0x9F included.
  std::string all;
  for (int b = 0x20; b <= 0xFF; ++b) all.push_back(static_cast<char>(b));
  const std::string file = ".STRING 0\r\n" + all + "@@" + all + "\r\n.ENDS\r\n";
  const Replaced one = ReplaceInTranslation(file, 1, TextFinder("@@", {.matchCase = true}), "\xE9\x80");
  EXPECT_EQ(one.count, 1);
  EXPECT_EQ(one.text, ".STRING 0\r\n" + all + "\xE9\x80" + all + "\r\n.ENDS\r\n");
  // Nothing found: the text comes back as it was.
  EXPECT_EQ(ReplaceInTranslation(file, 1, TextFinder("absent", {}), "x").text, file);
}

// A line the replacing would make read as a header or an end is named; the text is not judged by
// line numbers of the result, which a lone CR joined to a LF can shift.
TEST(ReplaceInTranslation, NamesALineThatWouldReadAsAHeaderOrAnEnd) {
  const std::string file = ".STRING 0\r\nBienvenue\r\n.ENDS\r\n.STRING 1\r\nKeep\r\n.ENDS\r\n";
  const std::string twoLines = ".STRING 0\r\nHi\r\nthere\r\n.ENDS\r\n";
  const struct {
    std::string text, find, with;
    int breaks;
    bool endsString = false;
  } cases[] = {
      {file, "Bienvenue", "Hello", -1},
      {file, "Bienvenue", "Voir .STRING 1", 1},
      {file, "Bienvenue", ".ENDS", 1},
      {file, "Bienvenue", "a\r\n.ENDS", 1},  // a line break makes two lines of it
      // A text line beginning .ENDS in any case: the encoder ends the string there, but for the
      // first text line, which it always reads.
      {twoLines, "there", ".ends here", 2, true},
      {file, "Bienvenue", "a\r\n.ends here", 1, true},
      {file, "Bienvenue", ".ends here", -1},
      {".STRING 0\r\nHi\r\n.Ends x\r\n.ENDS\r\n", "x", "y", -1},  // it did already
      {".STRING 0\r\nab\rx\n.ENDS\r\n", "x", "", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.with);
    const Replaced r = ReplaceInTranslation(c.text, 2, TextFinder(c.find, {}), c.with);
    EXPECT_EQ(r.breaksSections, c.breaks);
    EXPECT_EQ(r.endsString, c.endsString);
  }
}

}  // namespace
}  // namespace ts2
