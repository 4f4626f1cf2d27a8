// Hunspell dictionaries behind the spelling check: the installed English and French ones (which
// scripts/setup.sh installs), and small dictionaries in 8-bit encodings written here, to see each
// Windows-1252 word reach a dictionary in that dictionary's own encoding.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "core/utf8.h"
#include "spell/hunspell_speller.h"
#include "support/builders.h"

namespace ts2 {
namespace {

using Strings = std::vector<std::string>;

// The installed dictionary `language` behind a checker; none (and the test skipped) when the
// system has no such dictionary.
std::unique_ptr<SpellChecker> Installed(const std::string& language) {
  const std::optional<spell::Dictionary> d = spell::FindDictionary(language);
  if (!d) return nullptr;
  std::unique_ptr<Speller> speller = spell::OpenDictionary(*d);
  return speller ? std::make_unique<SpellChecker>(std::move(speller)) : nullptr;
}

std::string NoDictionary(const std::string& language) {
  return "no " + language + " dictionary installed (scripts/setup.sh installs it)";
}

#define REQUIRE_DICTIONARY(checker, language)                  \
  std::unique_ptr<SpellChecker> checker = Installed(language); \
  if (!checker) GTEST_SKIP() << NoDictionary(language)

std::vector<std::string> Words(const SpellChecker& checker, std::string_view line) {
  std::vector<std::string> out;
  for (const WordSpan& w : checker.rules().words(line))
    out.emplace_back(line.substr(static_cast<size_t>(w.start), static_cast<size_t>(w.length)));
  return out;
}

TEST(Hunspell, FrenchApostrophesHyphensAndWindowsLetters) {
  REQUIRE_DICTIONARY(fr, "fr_FR");
  // The dictionary holds '-' inside words: one word each, as it expects them.
  EXPECT_EQ(Words(*fr, "peut-\xEAtre l'\xE9p\xE9\x65 a-t-il"),
            (Strings{"peut-\xEAtre", "l'\xE9p\xE9\x65", "a-t-il"}));
  for (std::string_view word : {"l'\xE9p\xE9\x65", "l\x92\xE9p\xE9\x65", "L'\xC9P\xC9\x45", "peut-\xEAtre",
                                "Peut-\xEAtre", "aujourd'hui", "c\x9Cur", "\x8Cuvre", "\xE9t\xE9", "No\xEBl"})
    EXPECT_TRUE(fr->known(word)) << word;
  for (std::string_view word : {"tuot", "\xE9t\xE8", "peut-etre", "Tormel"})
    EXPECT_FALSE(fr->known(word)) << word;
  const Strings offered = fr->suggestions("tuot", 5);
  EXPECT_NE(std::find(offered.begin(), offered.end(), "tout"), offered.end());
  // Suggestions come back in Windows-1252: "pièces" for "pieces".
  const Strings accented = fr->suggestions("pieces", 5);
  EXPECT_NE(std::find(accented.begin(), accented.end(), "pi\xE8\x63\x65s"), accented.end());
}

TEST(Hunspell, EnglishWordsAndTheProjectsNames) {
  REQUIRE_DICTIONARY(en, "en_US");
  // English holds no hyphen inside its words; apostrophes belong to words in every language.
  EXPECT_EQ(Words(*en, "well-known don\x92t [PLAYER]'s"), (Strings{"well", "known", "don\x92t"}));
  for (std::string_view word : {"don't", "don\x92t", "colors", "Hello", "HELLO"})
    EXPECT_TRUE(en->known(word)) << word;
  EXPECT_FALSE(en->known("wrod"));
  EXPECT_FALSE(en->known("Tormel"));
  // The project's words reach the dictionary, which takes their capitalised forms too and
  // offers them as suggestions.
  en->setProjectWords({"Tormel", "Saragon"});
  EXPECT_TRUE(en->known("Tormel"));
  EXPECT_TRUE(en->known("TORMEL"));
  const Strings offered = en->suggestions("Saragn", 5);
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Saragon"), offered.end());
  en->setProjectWords({});
  EXPECT_FALSE(en->known("TORMEL"));
}

// The unknown words of a body line, as Windows-1252 bytes.
Strings Unknown(SpellChecker& checker, std::string_view line) {
  Strings out;
  for (const WordSpan& w : checker.unknownWords(line))
    out.emplace_back(line.substr(static_cast<size_t>(w.start), static_cast<size_t>(w.length)));
  return out;
}

struct LineCase {
  std::string language, line;
  Strings unknown;
};

void ExpectUnknown(const std::vector<LineCase>& cases) {
  std::map<std::string, std::unique_ptr<SpellChecker>> opened;
  for (const LineCase& c : cases) {
    std::unique_ptr<SpellChecker>& checker = opened[c.language];
    if (!checker) checker = Installed(c.language);
    if (!checker) GTEST_SKIP() << NoDictionary(c.language);
    EXPECT_EQ(Unknown(*checker, c.line), c.unknown) << c.language << " " << c.line;
  }
}

// ’ (0x92) is known wherever ' is, also in dictionaries that hold elisions with ' alone.
TEST(Hunspell, ElisionsWithTheTypographicApostrophe) {
  ExpectUnknown({
      {"it_IT", "l\x92\x61nima e l'anima, dell\x92uomo, un\x92\x61ltra", {}},
      {"it_IT", "l\x92\x61nimaa", {"l\x92\x61nimaa"}},
      {"pt_BR", "d\x92\xE1gua", {}},
      {"es_ES", "l\x92\x61nima", {"l\x92\x61nima"}},  // no more known than l'anima
      {"fr_FR", "l\x92\xE9p\xE9\x65 aujourd\x92hui", {}},
      {"en_US", "don\x92t won\x92tt", {"won\x92tt"}},
  });
}

// An abbreviation the dictionary holds with its final dot is known when the dot follows it.
TEST(Hunspell, AbbreviationsWithTheirDot) {
  ExpectUnknown({
      {"de_DE", "Gold bzw. Silber usw. ca. zehn Nr. 5", {}},
      {"de_DE", "Gold bzw Silber, usw, ca", {"bzw", "usw", "ca"}},
      {"de_DE", "bzw.. usw.[NEWLINE]", {}},
      {"de_DE", "bzw .", {"bzw"}},
      {"en_US", "A wrod. Another.", {"wrod"}},
  });
}

// The project's list is given again on every Add, every language pick and whenever words.txt
// changed: the dictionary's own words, and the forms it derives from the project's, stay known
// however often it comes, and a word gone from the list is unknown again.
TEST(Hunspell, ProjectWordListsGivenOneAfterAnother) {
  // "pièce" in the list (UTF-8), its plural in the text (Windows-1252).
  const std::string piece = "pi\xC3\xA8\x63\x65", pieces = "pi\xE8\x63\x65s";
  const struct {
    std::string language;
    Strings first, second;
    std::string word;
    bool known;
  } cases[] = {
      {"fr_FR", {piece}, {piece}, pieces, true},
      {"fr_FR", {piece, "Tormel"}, {piece, "Tormel", "tuot"}, pieces, true},
      {"fr_FR", {piece, "tuot"}, {piece}, pieces, true},
      {"fr_FR", {piece, "tuot"}, {piece}, "tuot", false},
      {"en_US", {"dragon", "Tormel"}, {"dragon", "Tormel"}, "DRAGON", true},
      {"en_US", {"dragon", "Tormel"}, {"Tormel"}, "dragons", true},
      {"en_US", {"sword"}, {}, "Sword", true},
      {"en_US", {"Tormel"}, {"Tormel", "Kor"}, "TORMEL", true},
      {"en_US", {"Tormel"}, {"Kor"}, "Tormel", false},
      {"en_US", {"Tormel"}, {"Kor"}, "Kor", true},
  };
  for (const auto& c : cases) {
    std::unique_ptr<SpellChecker> checker = Installed(c.language);
    if (!checker) GTEST_SKIP() << NoDictionary(c.language);
    checker->setProjectWords(c.first);
    (void)checker->known(c.word);  // an answer kept from the first list
    checker->setProjectWords(c.second);
    EXPECT_EQ(checker->known(c.word), c.known)
        << c.language << " " << c.word << " after " << testing::PrintToString(c.first) << " then "
        << testing::PrintToString(c.second);
  }
}

// A folder of dictionaries of our own, searched first through DICPATH.
class OwnDictionaries : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("DICPATH");
    saved_ = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("DICPATH", (dir_.path().string() + ":" + dir_.file("none")).c_str(), 1);
  }
  void TearDown() override {
    if (saved_)
      ::setenv("DICPATH", saved_->c_str(), 1);
    else
      ::unsetenv("DICPATH");
  }
  // Writes LANGUAGE.aff (the SET line, and a TRY line in that encoding's bytes) and
  // LANGUAGE.dic, the words in that encoding's bytes.
  void Write(const std::string& language, const std::string& set, const std::string& words,
             const std::string& tryLine = "") {
    dir_.write(language + ".aff", "SET " + set + "\n" + tryLine);
    dir_.write(language + ".dic", words);
  }
  test::TempDir dir_;
  std::optional<std::string> saved_;
};

TEST_F(OwnDictionaries, EachWordIsConvertedIntoTheDictionarysEncoding) {
  // "été" in ISO 8859-1; "œuvre" in ISO 8859-15 (œ is 0xBD there, 0x9C in Windows-1252, and
  // not in ISO 8859-1 at all).
  Write("xx_LATIN1", "ISO8859-1", "2\n\xE9t\xE9\nnoir\n", "TRY \xE9\x65tr\n");
  Write("xx_LATIN9", "ISO8859-15", "1\n\xBDuvre\n");
  const struct {
    std::string language, word;
    bool known;
  } cases[] = {
      {"xx_LATIN1", "\xE9t\xE9", true}, {"xx_LATIN1", "noir", true},     {"xx_LATIN1", "ete", false},
      {"xx_LATIN1", "\x9Cuvre", false}, {"xx_LATIN9", "\x9Cuvre", true}, {"xx_LATIN9", "oeuvre", false},
  };
  for (const auto& c : cases) {
    std::unique_ptr<SpellChecker> checker = Installed(c.language);
    ASSERT_TRUE(checker) << c.language;
    EXPECT_EQ(checker->known(c.word), c.known) << c.language << " " << c.word;
  }
  // Suggestions come back from the dictionary's encoding.
  EXPECT_EQ(Installed("xx_LATIN1")->suggestions("\xE9te", 3), Strings{"\xE9t\xE9"});
}

TEST_F(OwnDictionaries, DictionariesAreFoundByNameEarlierFoldersFirst) {
  Write("en_US", "UTF-8", "1\nzyzzyva\n");   // hides the system's en_US
  dir_.write("xx_HALF.aff", "SET UTF-8\n");  // no .dic beside it: not a dictionary
  const std::optional<spell::Dictionary> d = spell::FindDictionary("en_US");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->affixFile, dir_.file("en_US.aff"));
  EXPECT_EQ(d->wordsFile, dir_.file("en_US.dic"));
  EXPECT_FALSE(spell::FindDictionary("xx_HALF"));
  EXPECT_FALSE(spell::FindDictionary("xx"));
  const std::string names = spell::InstalledLanguages();
  EXPECT_NE(names.find("en_US"), std::string::npos) << names;
  EXPECT_EQ(names.find("xx_HALF"), std::string::npos) << names;
  EXPECT_TRUE(Installed("en_US")->known("zyzzyva"));

  std::string error;
  EXPECT_EQ(spell::OpenDictionary({"gone", dir_.file("gone.aff"), dir_.file("gone.dic")}, &error), nullptr);
  EXPECT_NE(error.find("gone.aff"), std::string::npos) << error;
}

}  // namespace
}  // namespace ts2
