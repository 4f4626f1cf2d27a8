// Spelling rules on a word-list dictionary: which words of a translation file are checked, how
// Windows-1252 words reach the dictionary, and what the checker makes of its answers.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/utf8.h"
#include "display/spelling.h"
#include "display_fixture.h"
#include "support/word_list_speller.h"

namespace ts2 {
namespace {

using test::WordListSpeller;

constexpr char32_t kFrenchWordChars[] = U"-\u2019'1234567890.";  // fr_FR's WORDCHARS
constexpr char32_t kEnglishWordChars[] = U"0123456789\u2019";    // en_US's

std::vector<std::string> Words(const WordRules& rules, std::string_view line) {
  std::vector<std::string> out;
  for (const WordSpan& w : rules.words(line))
    out.emplace_back(line.substr(static_cast<size_t>(w.start), static_cast<size_t>(w.length)));
  return out;
}

using Strings = std::vector<std::string>;

TEST(Spelling, WordsOfALine) {
  const WordRules french(kFrenchWordChars), english(kEnglishWordChars);
  const struct {
    const WordRules& rules;
    std::string line;
    Strings words;
  } cases[] = {
      {english, "Hello world", {"Hello", "world"}},
      // Tags and codes are not words, and neither is anything else in brackets.
      {french, "[PLAYER], ils savent tout.", {"ils", "savent", "tout"}},
      {english, "[player] and [Note to self] here", {"and", "here"}},
      {english, "He said [hi there", {"He", "said"}},  // a "[" never closed: to the line's end
      // A word that touches a code is written together with the code's bytes: not checked.
      {english, "[$4142]CD and EF[$41] or [PLAYER]'s sword", {"and", "or", "sword"}},
      // "[NEWLINE]" only separates words.
      {english, "Hello[NEWLINE]world[newline]", {"Hello", "world"}},
      // Words with digits are codes, numbers or units.
      {english, "Gold: 100 pieces, HP10 x2 2nd 3\xB2 tiles", {"Gold", "pieces", "tiles"}},
      // Apostrophes between letters belong to the word, in every language.
      {english, "don't 'quoted' dogs' it\x92s", {"don't", "quoted", "dogs", "it\x92s"}},
      {french, "l'\xE9p\xE9\x65 et l\x92\xE9p\xE9\x65", {"l'\xE9p\xE9\x65", "et", "l\x92\xE9p\xE9\x65"}},
      // Hyphens only where the dictionary holds them inside words.
      {french, "peut-\xEAtre a-t-il -dit- a--b", {"peut-\xEAtre", "a-t-il", "dit", "a", "b"}},
      {english, "peut-\xEAtre well-known", {"peut", "\xEAtre", "well", "known"}},
      // Windows-1252 letters: \x9C\x8C are oe and OE ligatures, \x8A\x9A S and s with caron.
      {french,
       "\x9Cuvre \x8C\x64ipe \x8A\x9Akoda, \xE0 c\xF4t\xE9 \xD7 \xF7",
       {"\x9Cuvre", "\x8C\x64ipe", "\x8A\x9Akoda", "\xE0", "c\xF4t\xE9"}},
      // A full stop the dictionary lists joins only between letters.
      {french, "etc. M.Dupont fin...non", {"etc", "M.Dupont", "fin", "non"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Words(c.rules, c.line), c.words) << c.line;
}

TEST(Spelling, OnlySectionBodiesAreChecked) {
  // The start of a file as the editor writes it, then sections, a blank line between sections,
  // closing lines with blanks around them or that are not closing lines, and a section left open
  // by the next one.
  const std::vector<std::pair<std::string, LineRole>> lines = {
      {"// Do not erase these: ", LineRole::kOutside},
      {"// .STRING #", LineRole::kOutside},
      {"// .ENDS", LineRole::kOutside},
      {"stray words", LineRole::kOutside},
      {".STRING 0", LineRole::kHeader},
      {"Bienvenue", LineRole::kBody},
      {"", LineRole::kBody},
      {".ENDS", LineRole::kEnd},
      {"between", LineRole::kOutside},
      {".string 12 note", LineRole::kHeader},
      {"body", LineRole::kBody},
      {".STRING 13", LineRole::kHeader},
      {"body", LineRole::kBody},
      {" .ends", LineRole::kBody},
      // Only the closing line closes a section, as everywhere in the editor: ".ENDS" once blanks
      // and control characters are trimmed, in this letter case. The rest are body lines, but the
      // encoder writes nothing from one after the first that starts with ".ENDS" in any case.
      {".ENDSx", LineRole::kUnwritten},
      {"lost", LineRole::kUnwritten},
      {".ENDS .ENDS", LineRole::kUnwritten},
      {" \t.ENDS\r ", LineRole::kEnd},
      {"after", LineRole::kOutside},
      {".STRING 14", LineRole::kHeader},
      {".ends first", LineRole::kBody},  // the first text line is always written
      {"second", LineRole::kBody},
      {".Ends", LineRole::kUnwritten},
      {".STRING 15", LineRole::kHeader},  // a section left open by the next one
      {"third", LineRole::kBody},
  };
  SectionWalk walk;
  for (const auto& [line, role] : lines) EXPECT_EQ(walk.next(line), role) << line;
}

struct Checker {
  explicit Checker(std::set<std::u32string> words, std::u32string wordChars = kFrenchWordChars) {
    auto s = std::make_unique<WordListSpeller>();
    s->words = std::move(words);
    s->wordChars = std::move(wordChars);
    s->asked = &asked;
    speller = s.get();
    checker = std::make_unique<SpellChecker>(std::move(s));
  }
  std::vector<std::u32string> asked;
  WordListSpeller* speller;
  std::unique_ptr<SpellChecker> checker;
};

TEST(Spelling, WindowsWordsReachTheDictionaryAsUnicodeOnceEach) {
  Checker c({U"\u00E9t\u00E9", U"\u0153uvre", U"l\u2019\u00E9p\u00E9e"});
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(c.checker->known("\xE9t\xE9"));           // été
    EXPECT_TRUE(c.checker->known("\x9Cuvre"));            // œuvre
    EXPECT_TRUE(c.checker->known("l\x92\xE9p\xE9\x65"));  // l’épée
    EXPECT_FALSE(c.checker->known("\xE9t\xE8"));
  }
  EXPECT_EQ(c.asked, (std::vector<std::u32string>{U"\u00E9t\u00E9", U"\u0153uvre", U"l\u2019\u00E9p\u00E9e",
                                                  U"\u00E9t\u00E8"}));
}

TEST(Spelling, SuggestionsAreTheTypeableOnes) {
  Checker c({});
  c.speller->offers[U"wrod"] = {U"word", U"w\u0107rd", U"\u0153rd", U"word", U"rod"};  // ć has no byte
  EXPECT_EQ(c.checker->suggestions("wrod", 10), (Strings{"word", "\x9Crd", "rod"}));
  EXPECT_EQ(c.checker->suggestions("wrod", 1), (Strings{"word"}));
  EXPECT_EQ(c.checker->suggestions("xyzzy", 5), Strings{});
}

TEST(Spelling, ProjectWordsAndIgnoredWords) {
  Checker c({U"ville"});
  EXPECT_FALSE(c.checker->known("Tormel"));
  EXPECT_FALSE(c.checker->known("K\xF6r"));
  // UTF-8 words; a line that is not UTF-8 is no word.
  c.checker->setProjectWords({"Tormel", "K\xC3\xB6r", "Sara\xFFgon"});
  EXPECT_TRUE(c.checker->known("Tormel"));  // the answer given before is forgotten
  EXPECT_TRUE(c.checker->known("K\xF6r"));
  EXPECT_TRUE(c.speller->added.count(U"K\u00F6r"));  // the dictionary knows them too (its suggestions)
  // A new list replaces the old one, in the dictionary as well.
  c.checker->setProjectWords({"Mira"});
  EXPECT_FALSE(c.checker->known("Tormel"));
  EXPECT_FALSE(c.speller->added.count(U"Tormel"));
  EXPECT_TRUE(c.checker->known("Mira"));
  c.checker->ignore("Zork");
  EXPECT_TRUE(c.checker->known("Zork"));
  EXPECT_FALSE(c.checker->known("zork"));
}

TEST(Spelling, SectionFindingsAndTheFitPanelsCount) {
  Checker c({U"Prends", U"l'\u00E9p\u00E9e", U"et", U"pars", U"tout", U"ils", U"savent"});
  c.speller->offers[U"tuot"] = {U"tout", U"tut"};
  const std::vector<std::string> section = {".STRING 2", "Prends l'\xE9p\xE9\x65 et pars.",
                                            "[PLAYER], ils savent tuot.", "Caf\xE9 [$41]xx 42", ".ENDS"};
  const std::vector<LintFinding> findings = SpellSection(section, *c.checker, 5);
  ASSERT_EQ(findings.size(), 2u);
  const auto found = [](const LintFinding& f) { return std::tuple(f.kind, f.line, f.column, f.message); };
  EXPECT_EQ(found(findings[0]),
            std::tuple(LintKind::kUnknownWord, 2, 22, "unknown word \"tuot\" (suggestions: tout, tut)"));
  EXPECT_EQ(found(findings[1]),  // the word in UTF-8
            std::tuple(LintKind::kUnknownWord, 3, 1, "unknown word \"Caf\xC3\xA9\" (no suggestions)"));

  EXPECT_EQ(CountUnknownWords(section, *c.checker), 2);
  std::string text;
  for (const std::string& line : section) text += line + "\n";
  EXPECT_EQ(UnknownWordsNote(nullptr, text), "");
  EXPECT_EQ(UnknownWordsNote(c.checker.get(), text), " | 2 unknown words");
  // The word being typed is not counted: only a word of that line ending there.
  for (const auto& [line, column, note] :
       {std::tuple(2, 25, " | 1 unknown word"), {2, 24, " | 2 unknown words"}, {1, 25, " | 2 unknown words"}})
    EXPECT_EQ(UnknownWordsNote(c.checker.get(), text, line, column), note) << line << ":" << column;
  c.checker->ignore("tuot");
  EXPECT_EQ(UnknownWordsNote(c.checker.get(), text), " | 1 unknown word");
  c.checker->ignore("Caf\xE9");
  EXPECT_EQ(UnknownWordsNote(c.checker.get(), text), "");
}

// The fit panel says whether the shown string fits and, apart from that, how many unknown words
// it holds, as the translator types.
class SpellingFitPanel : public test::DisplayTest {};

TEST_F(SpellingFitPanel, UnknownWordsAreCountedApartFromOverflows) {
  LoadBlankString();
  p.ui.TDMemo.setText(".STRING 0\nthe wrod\n.ENDS\n");
  p.ui.pList.setItemIndex(0);
  f.pListClick(&p.ui.pList);
  EXPECT_EQ(p.ui.status.panelText(2), "Fits");  // spelling off
  auto speller = std::make_unique<WordListSpeller>();
  speller->words = {U"the", U"word"};
  f.spelling = std::make_shared<SpellChecker>(std::move(speller));
  f.ShowTranslationFit();
  EXPECT_EQ(p.ui.status.panelText(2), "Fits | 1 unknown word");
  p.ui.TDMemo.setSelection(static_cast<int>(std::string(".STRING 0\nthe wrod").size()), 0);
  p.ui.TDMemo.type(" " + std::string(20, 'x'));
  EXPECT_EQ(p.ui.status.panelText(2), "L1: wide | 2 unknown words");
  // The tooltip keeps the overflow and the count apart, each on its own line.
  EXPECT_EQ(p.ui.status.hints[2],
            "string 0, line 1 (file line 2): column 28: line is 232 pixels wide, the box wraps at 216\n2 "
            "unknown words");
  f.spelling.reset();
  f.ShowTranslationFit();
  EXPECT_EQ(p.ui.status.panelText(2), "L1: wide");
}

TEST(Spelling, Utf8RoundTripsAndRejectsWhatIsNotUtf8) {
  const std::u32string text = U"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(ToUtf8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  for (std::string_view bad : {"\xFF", "\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80"})
    EXPECT_EQ(FromUtf8(bad), std::nullopt) << bad;
  EXPECT_EQ(UnicodeToCp1252(U"\u0153\u20AC"), "\x9C\x80");
  EXPECT_EQ(UnicodeToCp1252(U"\u0107"), std::nullopt);
}

}  // namespace
}  // namespace ts2
