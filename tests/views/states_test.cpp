// String states and block progress: which section a string has, when it counts as translated,
// and that the check's findings make it "with findings".
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/fileutil.h"
#include "display/encode.h"
#include "script/textfile.h"
#include "support/builders.h"
#include "support/word_list_speller.h"
#include "views/glossary.h"
#include "views/states.h"

namespace ts2 {
namespace {

using S = StringState;

std::vector<S> States(const std::string& text, uint32_t strings) {
  std::vector<S> out;
  for (const StringStatus& s : StatesOf(text, strings, LintOptions{})) out.push_back(s.state);
  return out;
}

// Everything a state tells, to compare whole lists of states.
using Told = std::tuple<S, int, bool, std::vector<std::string>, std::string>;
std::vector<Told> Tell(const std::vector<StringStatus>& states) {
  std::vector<Told> out;
  for (const StringStatus& s : states)
    out.emplace_back(s.state, s.headerLine, s.shownElsewhere, s.unknownWords, StateText(s));
  return out;
}

TEST(StringStates, ByTheSectionAndItsBody) {
  const std::string wide(28, 'W');  // 27 characters fit at fixed width
  const struct {
    const char* name;
    std::string text;
    std::vector<S> states;
  } cases[] = {
      {"skeleton", FileBytesToEditorText(TranslationSkeleton(2)), {S::kUntranslated, S::kUntranslated}},
      {"text", ".STRING 0\nHello\n.ENDS\n", {S::kTranslated}},
      {"blank lines only",
       ".STRING 0\n  \n\t\n.ENDS\n.STRING 1\n\n.ENDS\n",
       {S::kUntranslated, S::kUntranslated}},
      {"missing section", ".STRING 1\nHi\n.ENDS\n", {S::kUntranslated, S::kTranslated}},
      {"too wide", ".STRING 0\n" + wide + "\n.ENDS\n", {S::kWithFindings}},
      {"too many lines", ".STRING 0\n1\n2\n3\n4\n5\n6\n7\n.ENDS\n", {S::kWithFindings}},
      {"stray bracket", ".STRING 0\nA [ B\n.ENDS\n", {S::kWithFindings}},
      {"odd hex run", ".STRING 0\n[$123]\n.ENDS\n", {S::kWithFindings}},
      {"tags are text", ".STRING 0\n[PLAYER]!\n.ENDS\n", {S::kTranslated}},
      {"no closing line at the end", ".STRING 0\nHi", {S::kTranslated}},
      {"closing line with blanks", ".STRING 0\nHi\n  .ENDS \t\n", {S::kTranslated}},
      {"CR LF and lone CR",
       ".STRING 0\r\nHi\r\n.ENDS\r.STRING 1\r\r.ENDS\r",
       {S::kTranslated, S::kUntranslated}},
      // String 1's section was deleted: the display would show section 10 for it, but string 1
      // has no section of its own.
      {"header 10 is not header 1",
       ".STRING 0\nA\n.ENDS\n.STRING 10\nB\n.ENDS\n",
       {S::kTranslated, S::kUntranslated, S::kUntranslated, S::kUntranslated, S::kUntranslated,
        S::kUntranslated, S::kUntranslated, S::kUntranslated, S::kUntranslated, S::kUntranslated,
        S::kTranslated}},
      {"first header counts", ".STRING 0\n\n.ENDS\n.STRING 0\nLate\n.ENDS\n", {S::kUntranslated}},
      {"header in any case", ".string 0\nHi\n.ENDS\n", {S::kTranslated}},
      // Section 0 runs on into section 1: the check reports it.
      {"run-on section", ".STRING 0\nA\n.STRING 1\nB\n.ENDS\n", {S::kWithFindings, S::kTranslated}},
      {"sections past the count are ignored", ".STRING 5\nHi\n.ENDS\n", {S::kUntranslated}},
      // The editor shows string 1 the section of string 10, which comes first.
      {"a section the editor does not show",
       ".STRING 10\nB\n.ENDS\n.STRING 1\nA\n.ENDS\n.STRING 2\n\n.ENDS\n.STRING 20\nC\n.ENDS\n",
       {S::kUntranslated, S::kWithFindings, S::kUntranslated, S::kUntranslated, S::kUntranslated,
        S::kUntranslated, S::kUntranslated, S::kUntranslated, S::kUntranslated, S::kUntranslated,
        S::kTranslated}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(States(c.text, static_cast<uint32_t>(c.states.size())), c.states) << c.name;
}

TEST(StringStates, FindingsAndTheirTexts) {
  const std::vector<StringStatus> s = StatesOf(".STRING 0\nA [ B\n.ENDS\n.STRING 1\nOk\n.ENDS\n", 3, {});
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].headerLine, 0);
  EXPECT_EQ(StateText(s[0]), "line 1, column 3: \"[\" opens no tag and no \"[$\" run");
  EXPECT_EQ(StateText(s[1]), "Translated");
  EXPECT_EQ(s[2].headerLine, -1);
  EXPECT_EQ(StateText(s[2]), "Not translated");
  // The options of the check apply: the variable-width font fits more.
  const std::string narrow = ".STRING 0\n" + std::string(30, 'i') + "\n.ENDS\n";
  EXPECT_EQ(StatesOf(narrow, 1, {})[0].state, S::kWithFindings);
  EXPECT_EQ(StatesOf(narrow, 1, {.variableWidth = true})[0].state, S::kTranslated);
  // The check's words for a section the editor does not show, and the strings it concerns.
  const std::vector<StringStatus> hidden = StatesOf(".STRING 10\nB\n.ENDS\n.STRING 1\nA\n.ENDS\n", 11, {});
  EXPECT_EQ(StateText(hidden[1]),
            "line 0, column 1: the editor shows the section at file line 1 (.STRING 10) for string 1, which "
            "comes first: move this section before it");
  EXPECT_TRUE(hidden[1].shownElsewhere);
  EXPECT_FALSE(hidden[2].shownElsewhere);  // the display finds nothing for it
  EXPECT_FALSE(hidden[10].shownElsewhere);
  // Without a section of its own, a string shown another's is untranslated, with no finding.
  const StringStatus none = StatesOf(".STRING 10\nB\n.ENDS\n", 11, {})[1];
  EXPECT_TRUE(none.shownElsewhere);
  EXPECT_EQ(StateText(none), "Not translated");
}

// Unknown words are kept beside the state, never as a finding: a string may be translated and
// misspelled, or have findings and be misspelled, and its tooltip names both apart.
TEST(StringStates, UnknownWordsApartFromFindings) {
  auto speller = std::make_unique<test::WordListSpeller>();
  speller->words = {U"the", U"sword", U"\u00E9p\u00E9e"};
  SpellChecker checker(std::move(speller));
  const std::string many = "a b c d e f g h i j";
  const struct {
    const char* name;
    std::string body;
    SpellChecker* checker;
    StateSpelling skip;  // only its line and column
    S state;
    std::vector<std::string> unknown;
    std::string tip;
  } cases[] = {
      // clang-format off
      {"spelling off", "the wrod", nullptr, {}, S::kTranslated, {}, "Translated"},
      {"known words", "the sword", &checker, {}, S::kTranslated, {}, "Translated"},
      {"unknown word", "the wrod", &checker, {}, S::kTranslated, {"wrod"},
       "Translated\nSpelling: unknown word \"wrod\""},
      {"each word once, in order", "wrod teh\nwrod", &checker, {}, S::kTranslated, {"wrod", "teh"},
       "Translated\nSpelling: unknown words \"wrod\", \"teh\""},
      {"Windows-1252 words, named in UTF-8", "\xE9p\xE9\x65 \xE9p\xE8\x65", &checker, {}, S::kTranslated,
       {"\xE9p\xE8\x65"}, "Translated\nSpelling: unknown word \"\xC3\xA9p\xC3\xA8\x65\""},
      {"both", "wrod [ the", &checker, {}, S::kWithFindings, {"wrod"},
       "line 1, column 6: \"[\" opens no tag and no \"[$\" run\nSpelling: unknown word \"wrod\""},
      {"overflow only", "the sword [", &checker, {}, S::kWithFindings, {},
       "line 1, column 11: \"[\" opens no tag and no \"[$\" run"},
      {"tags, codes and digits are not words", "[PLAYER]x the [$41]abc 3rd", &checker, {}, S::kTranslated, {},
       "Translated"},
      {"untranslated", "  ", &checker, {}, S::kUntranslated, {}, "Not translated"},
      {"the word being typed waits", "the wrod", &checker, {.skipLine = 1, .skipEnd = 8}, S::kTranslated, {},
       "Translated"},
      {"a word the caret left counts", "the wrod", &checker, {.skipLine = 1, .skipEnd = 7}, S::kTranslated,
       {"wrod"}, "Translated\nSpelling: unknown word \"wrod\""},
      {"many words: the rest counted", many, &checker, {}, S::kTranslated,
       {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"},
       "Translated\nSpelling: unknown words \"a\", \"b\", \"c\", \"d\", \"e\", \"f\", \"g\", \"h\" and 2 more"},
      // clang-format on
  };
  for (const auto& c : cases) {
    const std::string text = "// .STRING #\n.STRING 0\n" + c.body + "\n.ENDS\n";
    // The skip is given as a line of the whole text to StatesOf, of the section to StateOfSection.
    const StateSpelling whole{c.checker, c.skip.skipLine < 0 ? -1 : c.skip.skipLine + 1, c.skip.skipEnd};
    const StringStatus s = StatesOf(text, 1, {}, whole)[0];
    EXPECT_EQ(s.state, c.state) << c.name;
    EXPECT_EQ(s.unknownWords, c.unknown) << c.name;
    EXPECT_EQ(StateText(s), c.tip) << c.name;
    const StringStatus one = StateOfSection(SplitEditorLines(".STRING 0\n" + c.body + "\n.ENDS"), {},
                                            {c.checker, c.skip.skipLine, c.skip.skipEnd});
    EXPECT_EQ(one.unknownWords, c.unknown) << c.name;
  }
}

// The states' findings are exactly the lint's on each section as the display copies it, however
// the text is made: random texts from the pieces translations and broken files hold.
TEST(StringStates, FindingsAreThoseOfThePlainLint) {
  const std::string pieces[] = {".STRING 0",
                                ".STRING 1",
                                ".STRING 2",
                                ".string 1 again",
                                ".ENDS",
                                "  .ENDS \t",
                                ".ENDSx",
                                ".ends",
                                "",
                                "  ",
                                "Hello there",
                                std::string(30, 'W'),
                                std::string(300, 'i'),
                                "[PLAYER] wins",
                                "[NEWLINE]x",
                                "[$41",
                                "[$4G]",
                                "A [ B",
                                "\xFD\xFE\xFF",
                                "\x81\x82 blank",
                                "x .STRING 2",
                                "[$FF]more",
                                "[player][PLAYER]"};
  std::mt19937 random(15);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int lines = static_cast<int>(random() % 14);
    for (int i = 0; i < lines; ++i)
      text += pieces[random() % std::size(pieces)] + (random() % 4 == 0 ? "\r\n" : "\n");
    const std::string editorText = FileBytesToEditorText(text);
    const LintOptions options{.variableWidth = random() % 2 == 0,
                              .playerWidth = static_cast<int>(random() % 9)};
    const std::vector<StringStatus> states = StatesOf(text, 3, options);
    for (const StringStatus& s : states) {
      if (s.headerLine < 0) continue;
      const std::vector<std::string> section = SectionAt(editorText, s.headerLine);
      const std::vector<LintFinding> expected =
          s.state == S::kUntranslated ? std::vector<LintFinding>{} : LintSection(section, options);
      const auto told = [](const std::vector<LintFinding>& findings) {
        std::vector<std::tuple<LintKind, int, int, std::string>> out;
        for (const LintFinding& f : findings) out.emplace_back(f.kind, f.line, f.column, f.message);
        return out;
      };
      ASSERT_EQ(told(s.findings), told(expected)) << text;
    }
  }
}

TEST(BlockProgress, CountedFromDiskWithoutCreatingFiles) {
  const test::TempDir dir;
  const std::string file =
      dir.write("000A0000.txt",
                ".STRING 0\r\nHi\r\n.ENDS\r\n.STRING 1\r\nA [ B\r\n.ENDS\r\n.STRING 2\r\n\r\n.ENDS\r\n");
  const BlockProgress p = ProgressOnDisk(file, 4, {});
  EXPECT_TRUE(p.exists);
  EXPECT_EQ(p.strings, 4u);
  EXPECT_EQ(p.translated, 1u);  // the one with findings counts there only
  EXPECT_EQ(p.withFindings, 1u);
  EXPECT_EQ(ProgressText(p), "1 of 4 translated, 1 with findings");

  const std::string missing = dir.file("000B0000.txt");
  const BlockProgress none = ProgressOnDisk(missing, 7, {});
  EXPECT_FALSE(none.exists);
  EXPECT_EQ(ProgressText(none), "0 of 7 translated, 0 with findings");
  EXPECT_FALSE(std::filesystem::exists(missing));
  // A folder where the file should be reads as no file.
  std::filesystem::create_directory(dir.file("000C0000.txt"));
  EXPECT_FALSE(ProgressOnDisk(dir.file("000C0000.txt"), 1, {}).exists);
}

// With a glossary, a translated string lacking a term of its original has findings, and the
// block's count says so; the terms come from the originals, by string.
TEST(StringStates, GlossaryTermsMissingAreFindings) {
  const Glossary glossary("Sword,\xC3\xA9p\xC3\xA9\x65\nMira,Myra\n");
  BlockTerms terms;
  terms.strings = {{0}, {0, 1}, {1}, {}};
  terms.key = 7;
  const std::string text =
      ".STRING 0\nL'\xE9p\xE9\x65.\n.ENDS\n.STRING 1\nL'\xE9p\xE9\x65 de Mira.\n.ENDS\n"
      ".STRING 2\n\n.ENDS\n.STRING 3\nRien.\n.ENDS\n";
  const StateSpelling with{.glossary = &glossary, .terms = &terms};
  const std::vector<StringStatus> states = StatesOf(text, 4, LintOptions{}, with);
  ASSERT_EQ(states.size(), 4u);
  EXPECT_EQ(states[0].state, S::kTranslated);
  EXPECT_EQ(states[1].state, S::kWithFindings);
  EXPECT_EQ(StateText(states[1]),
            "line 1, column 1: the original has \"Mira\": the glossary translates it as \"Myra\"");
  EXPECT_EQ(states[2].state, S::kUntranslated);  // nothing to lack yet
  EXPECT_EQ(states[3].state, S::kTranslated);
  EXPECT_EQ(States(text, 4),
            (std::vector<S>{S::kTranslated, S::kTranslated, S::kUntranslated, S::kTranslated}));
  // One section alone, as the edited string's state is made.
  const std::vector<std::string> section = {".STRING 1", "Myra et l'\xE9p\xE9\x65", ".ENDS"};
  EXPECT_EQ(StateOfSection(section, {}, {.glossary = &glossary, .sectionTerms = terms.of(1)}).state,
            S::kTranslated);
  EXPECT_EQ(
      StateOfSection({".STRING 1", "Myra"}, {}, {.glossary = &glossary, .sectionTerms = terms.of(1)}).state,
      S::kWithFindings);
  EXPECT_EQ(terms.of(4), nullptr);

  const test::TempDir dir;
  const std::string file = dir.write("000A0000.txt", text);
  const BlockProgress p = ProgressOnDisk(file, 4, {}, with);
  EXPECT_EQ(std::pair(p.translated, p.withFindings), std::pair(2u, 1u));
  const StatesOnDisk counted = CountOnDisk(file, 4, {}, with);
  EXPECT_EQ(std::pair(counted.progress.translated, counted.progress.withFindings), std::pair(2u, 1u));
}

// States computed again from a memo of the last computation equal the plain computation, over
// random edits (sections made, broken, moved, retitled), other options, spelling turned on and
// off, and the word being typed moving between sections.
TEST(StringStates, FromAMemoTheyAreThePlainOnes) {
  const std::string pieces[] = {".STRING 0", ".STRING 1", ".STRING 2", ".STRING 10", ".ENDS",
                                "",          "Hello",     "Helo wrod", "sword",      std::string(30, 'W'),
                                "A [ B",     "  .ENDS"};
  test::WordListSpeller words;
  words.words = {U"Hello", U"sword", U"A", U"B"};
  SpellChecker checker(std::make_unique<test::WordListSpeller>(words));
  // Two sets of glossary terms by string: a memo made with one must not answer for the other.
  const Glossary glossary("Bonjour,Hello\nword,sword\n");
  BlockTerms bonjour, word;
  bonjour.strings.assign(11, {0});
  bonjour.key = 3;
  word.strings.assign(11, {1});
  word.strings[2] = {0, 1};
  word.key = 5;
  const BlockTerms* glossaries[] = {nullptr, &bonjour, &word};
  std::mt19937 random(41);
  for (int run = 0; run < 60; ++run) {
    std::vector<std::string> lines;
    StatesMemo memo;
    for (int step = 0; step < 25; ++step) {
      // One edit: a line replaced, inserted or removed.
      const size_t at = lines.empty() ? 0 : random() % (lines.size() + 1);
      const std::string& piece = pieces[random() % std::size(pieces)];
      switch (random() % 3) {
        case 0: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), piece); break;
        case 1:
          if (at < lines.size()) lines[at] = piece;
          break;
        default:
          if (at < lines.size()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
      }
      std::string text;
      for (const std::string& line : lines) text += line + "\n";
      const LintOptions options{.variableWidth = random() % 8 == 0, .playerWidth = 8};
      // The word being typed: mostly a misspelt word's end, so that moving it changes a state.
      int skipLine = static_cast<int>(random() % (lines.size() + 2)) - 1;
      for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == "Helo wrod" && random() % 2 == 0) skipLine = static_cast<int>(i);
      const BlockTerms* terms = glossaries[random() % 3];
      const StateSpelling spelling{.checker = random() % 6 == 0 ? nullptr : &checker,
                                   .skipLine = skipLine,
                                   .skipEnd = random() % 4 == 0   ? 0
                                              : random() % 2 == 0 ? 4
                                                                  : 9,
                                   .glossary = terms ? &glossary : nullptr,
                                   .terms = terms};
      const std::vector<StringStatus> plain = StatesOf(text, 11, options, spelling);
      const std::vector<StringStatus>& kept = StatesOf(text, 11, options, spelling, memo);
      ASSERT_EQ(Tell(kept), Tell(plain)) << text;
    }
  }
}

// What a count keeps is the file as the editor holds it and the plain states of that text, and
// it counts what ProgressOnDisk counts from the file's bytes (CR LF, lone CR and LF alike).
TEST(BlockProgress, KeptStatesAreThePlainStatesOfTheEditorText) {
  const test::TempDir dir;
  const std::string pieces[] = {".STRING 0", ".STRING 1", ".string 2",          ".ENDS", "  .ENDS ",
                                "",          "Hello",     std::string(30, 'W'), "A [ B", "[PLAYER] and [$41]",
                                "\t"};
  const char* ends[] = {"\r\n", "\n", "\r"};
  std::mt19937 random(14);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    for (int i = static_cast<int>(random() % 16); i > 0; --i)
      bytes += pieces[random() % std::size(pieces)] + ends[random() % 3];
    const std::string file = dir.write("000A0000.txt", bytes);
    const LintOptions options{.variableWidth = random() % 2 == 0,
                              .playerWidth = static_cast<int>(random() % 9)};
    const StatesOnDisk counted = CountOnDisk(file, 3, options);
    const BlockProgress p = ProgressOnDisk(file, 3, options);
    EXPECT_EQ(counted.memo.text, FileBytesToEditorText(bytes));
    EXPECT_EQ(counted.progress.exists, p.exists);
    EXPECT_EQ(counted.progress.translated, p.translated) << bytes;
    EXPECT_EQ(counted.progress.withFindings, p.withFindings) << bytes;
    EXPECT_EQ(Tell(counted.memo.states), Tell(StatesOf(counted.memo.text, 3, options))) << bytes;
  }
  const StatesOnDisk none = CountOnDisk(dir.file("000B0000.txt"), 2, {});
  EXPECT_FALSE(none.progress.exists);
  EXPECT_TRUE(none.memo.states.empty());
}

}  // namespace
}  // namespace ts2
