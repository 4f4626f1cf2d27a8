// Similar Strings: the likeness of two originals, and which translated strings a string is
// offered.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "core/fileutil.h"
#include "core/utf8.h"
#include "views/similar.h"

namespace ts2 {
namespace {

size_t PlainDistance(std::u32string_view a, std::u32string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({up + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

TEST(LikenessTest, IsTheEditDistancePerHundredCharactersOfTheLongerText) {
  struct Case {
    std::u32string a, b;
    int atLeast, percent;
  };
  const Case cases[] = {
      {U"", U"", 0, 100},
      {U"abcd", U"abcd", 100, 100},
      {U"abcd", U"abce", 0, 75},
      {U"abce", U"abcd", 0, 75},  // either way round
      {U"abcd", U"abc", 0, 75},
      {U"ab", U"", 0, 0},
      {U"kitten", U"sitting", 0, 57},  // 3 edits in 7
      {U"kitten", U"sitting", 57, 57},
      {U"kitten", U"sitting", 58, -1},
      {U"お金を3ゴールド手に入れた", U"お金を5ゴールド手に入れた", 90, 92},
      // Rounded down: 99 of 100 alike is 99%, never 100.
      {std::u32string(100, U'a'), std::u32string(99, U'a') + U'b', 0, 99},
      {std::u32string(100, U'a'), std::u32string(99, U'a') + U'b', 100, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Likeness(c.a, c.b, c.atLeast), c.percent)
        << ToUtf8(c.a) << " / " << ToUtf8(c.b) << " at least " << c.atLeast;
}

// The measure stops early inside a band of the distance the threshold allows; it must agree with
// the whole table everywhere.
TEST(LikenessTest, AgreesWithThePlainDistanceOnRandomTexts) {
  std::mt19937 random(7);
  for (int round = 0; round < 4000; ++round) {
    std::u32string a, b;
    const size_t alphabet = 2 + random() % 4;
    for (size_t n = random() % 30; n > 0; --n) a += static_cast<char32_t>(U'a' + random() % alphabet);
    // Half the pairs unrelated texts, half a text and a few edits of it.
    if (round % 2) {
      for (size_t n = random() % 30; n > 0; --n) b += static_cast<char32_t>(U'a' + random() % alphabet);
    } else {
      b = a;
    }
    for (int edits = round % 2 ? 0 : static_cast<int>(random() % 8); edits > 0; --edits) {
      const size_t at = b.empty() ? 0 : random() % (b.size() + 1);
      const char32_t c = static_cast<char32_t>(U'a' + random() % alphabet);
      switch (random() % 3) {
        case 0: b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), c); break;
        case 1:
          if (at < b.size()) b.erase(at, 1);
          break;
        default:
          if (at < b.size()) b[at] = c;
      }
    }
    const int atLeast = static_cast<int>(random() % 101);
    const size_t longer = std::max(a.size(), b.size());
    const int plain = longer == 0 ? 100 : static_cast<int>(100 * (longer - PlainDistance(a, b)) / longer);
    EXPECT_EQ(Likeness(a, b, atLeast), plain >= atLeast ? plain : -1)
        << ToUtf8(a) << " / " << ToUtf8(b) << " at least " << atLeast;
  }
}

TEST(LikenessTest, CountsLineBreaksAndBracketedNamesAsOneCharacter) {
  BracketedNames names;
  const auto compared = [&](std::string_view text) { return ComparedText(text, names); };
  EXPECT_EQ(compared("a\r\nb\rc\nd"), U"a\nb\nc\nd");
  EXPECT_EQ(compared("épée"), U"épée");
  struct Case {
    std::string text;
    size_t characters;
  };
  const Case cases[] = {
      {"[PLAYER]", 1},
      {"[$0123][$0123]x", 3},
      {"[a[b]", 3},  // the first bracket opens nothing
      {"a]", 2},
      {"[", 1},
      {"[" + std::string(38, 'x') + "]", 1},  // 40 characters: a name
      {"[" + std::string(39, 'x') + "]", 41},
  };
  for (const Case& c : cases) EXPECT_EQ(compared(c.text).size(), c.characters) << c.text;
  const std::u32string two = compared("[$0123][$0123]");
  EXPECT_EQ(two[0], two[1]);
  EXPECT_EQ(Likeness(compared("ab\r\ncd"), compared("ab\ncd")), 100);
  // Only the same name is the same character: a name replaced by another is one edit.
  struct Pair {
    std::string a, b;
    int percent;
  };
  const Pair pairs[] = {
      {"[WAIT]Hello", "[PLAYER]Hello", 83},
      {"You found [$01BB]!", "You found [$0254]!", 91},  // names that once shared a character
      {"[$0001][$0002]", "[$0002][$0001]", 0},
      {"[$01BB]", "[$01BB]", 100},
  };
  for (const Pair& p : pairs)
    EXPECT_EQ(Likeness(compared(p.a), compared(p.b)), p.percent) << p.a << " / " << p.b;
  // Every code the table has no text for, and every name, is a character of its own.
  std::set<char32_t> seen;
  for (unsigned code = 0; code <= 0xFFFF; ++code) seen.insert(compared(Format("[$%04X]", code))[0]);
  seen.insert(compared("[WAIT]")[0]);
  seen.insert(compared("[PLAYER]")[0]);
  EXPECT_EQ(seen.size(), 0x10002u);
}

// The differing parts marked in the other text with « and ».
std::string Marked(const std::string& original, const std::string& other) {
  std::string out;
  size_t at = 0;
  for (const auto& [from, to] : DifferingParts(original, other)) {
    out += other.substr(at, from - at) + "\u00AB" + other.substr(from, to - from) + "\u00BB";
    at = to;
  }
  return out + other.substr(at);
}

TEST(LikenessTest, DifferingPartsAreWhatTheAlignmentDoesNotMatch) {
  struct Case {
    std::string original, other, marked;
  };
  const Case cases[] = {
      {"You got 3 Potions!", "You got 5 Potions!", "You got \u00AB5\u00BB Potions!"},
      {"Hello", "Hello", "Hello"},
      {"abc", "", ""},
      {"", "abc", "\u00ABabc\u00BB"},
      {"Take the sword.", "Take my sword!", "Take \u00ABmy\u00BB sword\u00AB!\u00BB"},
      {"[WAIT]Hello", "[PLAYER]Hello", "\u00AB[PLAYER]\u00BBHello"},
      {"a\r\nb", "a\r\nc", "a\r\n\u00ABc\u00BB"},
      {"ab\r\nc", "abc", "abc"},
      {"\u3042\u3044\u3046", "\u3042\u3048\u3046", "\u3042\u00AB\u3048\u00BB\u3046"},
  };
  for (const Case& c : cases) EXPECT_EQ(Marked(c.original, c.other), c.marked) << c.original;
}

// On random texts: what is left unmarked of the other text is, in order, part of the original,
// and no more is marked than the edits between them.
TEST(LikenessTest, DifferingPartsLeaveACommonSubsequenceOnRandomTexts) {
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string a, b;
    for (size_t n = random() % 16; n > 0; --n) a += static_cast<char>('a' + random() % 3);
    for (size_t n = random() % 16; n > 0; --n) b += static_cast<char>('a' + random() % 3);
    std::string kept;
    size_t marked = 0, at = 0;
    for (const auto& [from, to] : DifferingParts(a, b)) {
      ASSERT_LE(at, from);
      ASSERT_LT(from, to);
      kept += b.substr(at, from - at);
      marked += to - from;
      at = to;
    }
    kept += b.substr(at);
    size_t i = 0;
    for (char c : a)
      if (i < kept.size() && kept[i] == c) ++i;
    EXPECT_EQ(i, kept.size()) << a << " / " << b;
    BracketedNames names;
    EXPECT_LE(marked, PlainDistance(ComparedText(a, names), ComparedText(b, names))) << a << " / " << b;
  }
}

ScriptBlock Block(int index, uint32_t table, uint32_t strings) {
  return {index, table, strings, "file" + std::to_string(table) + ".txt"};
}

// "percent% block:string xalike" for each match.
std::vector<std::string> Places(const std::vector<SimilarMatch>& matches) {
  std::vector<std::string> out;
  for (const SimilarMatch& m : matches)
    out.push_back(std::to_string(m.percent) + "% " + std::to_string(m.block) + ":" +
                  std::to_string(m.string) + " x" + std::to_string(m.alike));
  return out;
}

TEST(TranslationMemoryTest, OffersTranslatedStringsWithALikeOriginalBestFirst) {
  TranslationMemory memory;
  // Block 0: string 0 is the one being translated; 1 and 2 are like it, 3 is not, 4 is like it
  // but has only blanks in its section, 5 has no section.
  memory.SetBlock(Block(0, 0x8000, 6),
                  {"You got 3 Potions!", "You got 5 Potions!", "You got a Potion!", "Good night.",
                   "You got 9 Potions!", "You got 7 Potions!"},
                  std::string_view(".STRING 0\r\n\r\n.ENDS\r\n"
                                   ".STRING 1\r\nTu as 5 potions !\r\n.ENDS\r\n"
                                   ".STRING 2\r\nTu as une potion !\r\n.ENDS\r\n"
                                   ".STRING 3\r\nBonne nuit.\r\n.ENDS\r\n"
                                   ".STRING 4\r\n \t\r\n.ENDS\r\n"));
  // Block 1 says string 1's line twice, translated alike, and once otherwise; and string 0's own
  // original exactly.
  memory.SetBlock(Block(1, 0x9000, 4),
                  {"You got 5 Potions!", "You got 5 Potions!", "You got 5 Potions!", "You got 3 Potions!"},
                  std::string_view(".STRING 0\nTu as 5 potions !\n.ENDS\n"
                                   ".STRING 1\nTu as 5 potions !\n.ENDS\n"
                                   ".STRING 2\nCinq potions pour toi !\n.ENDS\n"
                                   ".STRING 3\nTu as 3 potions !\nSuper.\n.ENDS\n"));
  const std::vector<SimilarMatch> matches = memory.Similar(0, 0, 70, 10);
  EXPECT_EQ(Places(matches),
            (std::vector<std::string>{"100% 1:3 x1", "94% 0:1 x3", "94% 1:2 x1", "88% 0:2 x1"}));
  ASSERT_EQ(matches.size(), 4u);
  EXPECT_EQ(matches[0].translation, (std::vector<std::string>{"Tu as 3 potions !", "Super."}));
  EXPECT_EQ(matches[1].original, "You got 5 Potions!");
  EXPECT_EQ(matches[3].translation, std::vector<std::string>{"Tu as une potion !"});

  EXPECT_EQ(Places(memory.Similar(0, 0, 95, 10)), std::vector<std::string>{"100% 1:3 x1"});
  EXPECT_EQ(Places(memory.Similar(0, 0, 70, 2)), (std::vector<std::string>{"100% 1:3 x1", "94% 0:1 x3"}));
  // A translated string is offered the others, never itself.
  EXPECT_EQ(Places(memory.Similar(1, 3, 100, 10)), std::vector<std::string>{});
  EXPECT_TRUE(memory.translated(0, 1));
  EXPECT_FALSE(memory.translated(0, 4));
  EXPECT_FALSE(memory.translated(0, 5));
  EXPECT_EQ(memory.original(1, 2), "You got 5 Potions!");
  EXPECT_EQ(memory.original(2, 0), "");
  EXPECT_EQ(Places(memory.Similar(0, 6, 0, 10)), std::vector<std::string>{});
  EXPECT_EQ(Places(memory.Similar(5, 0, 0, 10)), std::vector<std::string>{});

  // Typing in block 0: its translations again, its originals kept.
  memory.SetTranslations(0, std::string_view(".STRING 4\r\nTu as 9 potions !\r\n.ENDS\r\n"));
  EXPECT_EQ(Places(memory.Similar(0, 0, 90, 10)),
            (std::vector<std::string>{"100% 1:3 x1", "94% 0:4 x1", "94% 1:0 x2", "94% 1:2 x1"}));
}

// Originals that differ only in a code the table has no text for are never offered as the same.
TEST(TranslationMemoryTest, OriginalsDifferingInANameAreNotEqual) {
  TranslationMemory memory;
  memory.SetBlock(Block(0, 0x8000, 3), {"You found [$01BB]!", "You found [$0254]!", "You found [$01BB]!"},
                  std::string_view(".STRING 1\nTu as trouv\xE9 [$0254] !\n.ENDS\n"
                                   ".STRING 2\nTu trouves [$01BB] !\n.ENDS\n"));
  EXPECT_EQ(Places(memory.Similar(0, 0, 70, 10)), (std::vector<std::string>{"100% 0:2 x1", "91% 0:1 x1"}));
  // Read again, the names keep apart.
  memory.SetBlock(Block(0, 0x8000, 2), {"You found [$0254]!", "You found [$01BB]!"},
                  std::string_view(".STRING 1\nTu trouves [$01BB] !\n.ENDS\n"));
  EXPECT_EQ(Places(memory.Similar(0, 0, 70, 10)), std::vector<std::string>{"91% 0:1 x1"});
}

TEST(TranslationMemoryTest, BlocksSharingAPointerTableCountOnce) {
  TranslationMemory memory;
  const std::string_view text(".STRING 1\nBonjour\n.ENDS\n");
  memory.SetBlock(Block(0, 0x8000, 2), {"Hello!", "Hello."}, text);
  memory.SetBlock(Block(1, 0x8000, 2), {"Hello!", "Hello."}, text);
  EXPECT_EQ(Places(memory.Similar(0, 0, 50, 10)), std::vector<std::string>{"83% 0:1 x1"});
  // Asked from the second block, the first's copy of the same string is not offered either.
  EXPECT_EQ(Places(memory.Similar(1, 1, 50, 10)), std::vector<std::string>{});
  memory.SetBlock(Block(1, 0x8000, 2), {"Hello!", "Hello."}, std::nullopt);
  EXPECT_EQ(Places(memory.Similar(1, 0, 50, 10)), std::vector<std::string>{"83% 0:1 x1"});
}

// The matches against a plain reading of the rule on random scripts: every translated string of
// the first block of each table but the asked one, measured with the plain distance, one match per
// original and translation (the first in script order), best first, then in script order.
TEST(TranslationMemoryTest, AgreesWithThePlainSearchOnRandomScripts) {
  std::mt19937 random(11);
  for (int round = 0; round < 150; ++round) {
    TranslationMemory memory;
    // Short texts of a few letters, long ones (past the 64 characters measured in one machine
    // word), and edits of texts already made, so that long texts are alike too.
    std::vector<std::string> made;
    struct Shown {
      uint32_t table;
      std::vector<std::string> originals, translations;  // "" when not translated
    };
    std::vector<Shown> blocks;
    for (int b = 0, count = 1 + static_cast<int>(random() % 5); b < count; ++b) {
      Shown shown{0x8000u + static_cast<uint32_t>(random() % 3) * 0x1000u, {}, {}};
      std::string text;
      for (uint32_t n = 0, strings = 1 + random() % 12; n < strings; ++n) {
        std::string original;
        if (!made.empty() && random() % 2) {
          original = made[random() % made.size()];
          for (int edits = static_cast<int>(random() % 6); edits > 0; --edits) {
            const size_t at = random() % (original.size() + 1);
            const char c = "ab cd"[random() % 5];
            if (random() % 3 == 0)
              original.insert(original.begin() + static_cast<std::ptrdiff_t>(at), c);
            else if (at < original.size())
              random() % 2 ? original.erase(at, 1) : original.replace(at, 1, 1, c);
          }
        } else {
          for (size_t k = random() % 2 ? random() % 14 : 50 + random() % 30; k > 0; --k)
            original += "ab c"[random() % 4];
        }
        made.push_back(original);
        shown.originals.push_back(original);
        shown.translations.push_back(random() % 3 ? "t" + std::to_string(random() % 4) : "");
        if (!shown.translations.back().empty())
          text += ".STRING " + std::to_string(n) + "\n" + shown.translations.back() + "\n.ENDS\n";
      }
      memory.SetBlock(Block(b, shown.table, static_cast<uint32_t>(shown.originals.size())), shown.originals,
                      std::string_view(text));
      blocks.push_back(std::move(shown));
    }
    const int asked = static_cast<int>(random() % blocks.size());
    const auto string = static_cast<uint32_t>(random() % blocks[static_cast<size_t>(asked)].originals.size());
    const int atLeast = static_cast<int>(random() % 101);
    const std::u32string query = Cp1252ToUnicode(blocks[static_cast<size_t>(asked)].originals[string]);
    struct Plain {
      int percent;
      std::string place;
      size_t alike;
    };
    std::vector<Plain> plain;
    std::set<uint32_t> tables;
    std::map<std::string, size_t> seen;  // places in `plain` by original and translation
    for (size_t b = 0; b < blocks.size() && !query.empty(); ++b) {
      if (!tables.insert(blocks[b].table).second) continue;
      for (uint32_t n = 0; n < blocks[b].originals.size(); ++n) {
        const std::u32string other = Cp1252ToUnicode(blocks[b].originals[n]);
        if (blocks[b].translations[n].empty() || other.empty() ||
            (blocks[b].table == blocks[static_cast<size_t>(asked)].table && n == string))
          continue;
        const size_t longer = std::max(query.size(), other.size());
        const int percent = static_cast<int>(100 * (longer - PlainDistance(query, other)) / longer);
        if (percent < atLeast) continue;
        const auto [at, added] =
            seen.emplace(blocks[b].originals[n] + '|' + blocks[b].translations[n], plain.size());
        if (added)
          plain.push_back({percent, std::to_string(b) + ":" + std::to_string(n), 1});
        else
          ++plain[at->second].alike;
      }
    }
    std::stable_sort(plain.begin(), plain.end(),
                     [](const Plain& a, const Plain& b) { return a.percent > b.percent; });
    // Now and then fewer than were found: the first ones, each still counting all its alike.
    const size_t limit = random() % 2 ? 1 + random() % 4 : 1000;
    std::vector<std::string> expected;
    for (const Plain& p : plain)
      if (expected.size() < limit)
        expected.push_back(std::to_string(p.percent) + "% " + p.place + " x" + std::to_string(p.alike));
    EXPECT_EQ(Places(memory.Similar(asked, string, atLeast, limit)), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace ts2
