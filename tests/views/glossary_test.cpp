// The glossary: how its CSV rows are read (and which are refused, by line), which terms an
// original string holds, and when a translation counts as having a term.
#include "views/glossary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ts2 {
namespace {

struct Row {
  std::string source;
  std::vector<std::string> targets;  // Windows-1252 bytes
  std::string note;
  int line;
};

std::vector<Row> Rows(const Glossary& g) {
  std::vector<Row> rows;
  for (const GlossaryTerm& t : g.terms()) rows.push_back({t.source, t.targets, t.note, t.line});
  return rows;
}

bool operator==(const Row& a, const Row& b) {
  return a.source == b.source && a.targets == b.targets && a.note == b.note && a.line == b.line;
}
void PrintTo(const Row& r, std::ostream* os) {
  *os << r.source << " ->";
  for (const std::string& t : r.targets) *os << " [" << t << "]";
  *os << " (" << r.note << ") @" << r.line;
}

TEST(GlossaryTest, ReadsRowsAsSpreadsheetsAndPlatformsWriteThem) {
  struct Case {
    const char* name;
    std::string csv;
    std::vector<Row> rows;
  };
  const std::vector<Case> cases = {
      {"header, note, LF",
       "source,target,note\nSword,\xC3\xA9p\xC3\xA9\x65,weapon\nMira,Myra\n",
       {{"Sword", {"\xE9p\xE9\x65"}, "weapon", 2}, {"Mira", {"Myra"}, "", 3}}},
      {"no header, CR LF, no last line end",
       "Sword,lame\r\nGold,Or",
       {{"Sword", {"lame"}, "", 1}, {"Gold", {"Or"}, "", 2}}},
      {"byte-order mark, header in other case", "\xEF\xBB\xBFSource,Target\nA,B\n", {{"A", {"B"}, "", 2}}},
      {"semicolons (a French spreadsheet)", "Gold;Or;\"a; b\"\n", {{"Gold", {"Or"}, "a; b", 1}}},
      {"a sep= line names the separator", "sep=;\nGold;Or, d'or\n", {{"Gold", {"Or, d'or"}, "", 2}}},
      {"tabs", "Holy Sword\tLame sacr\xC3\xA9\x65\n", {{"Holy Sword", {"Lame sacr\xE9\x65"}, "", 1}}},
      {"quotes: separators, quotes and line breaks inside",
       "\"Dark, Lord\",\"Seigneur \"\"noir\"\"\"\n\"Old\nRoad\",\"Vieille\r\n route\"\nX,Y\n",
       {{"Dark, Lord", {"Seigneur \"noir\""}, "", 1},
        {"Old Road", {"Vieille route"}, "", 2},
        {"X", {"Y"}, "", 5}}},
      {"blanks trimmed and collapsed, blank rows skipped",
       "  Holy   Sword ,  Lame  \n\n , \nA,B\n",
       {{"Holy Sword", {"Lame"}, "", 1}, {"A", {"B"}, "", 4}}},
      {"rows of one term (case folded) are alternatives, each once, first note kept",
       "sword,\xC3\xA9p\xC3\xA9\x65\nSWORD,lame,blade\nSword,\xC3\x89P\xC3\x89\x45\nSword,lame,other\n",
       {{"sword", {"\xE9p\xE9\x65", "lame"}, "blade", 1}}},
      {"Windows-1252 file (not UTF-8)", "Sword,\xE9p\xE9\x65\n", {{"Sword", {"\xE9p\xE9\x65"}, "", 1}}},
      {"a header only after the first row is a term",
       "A,B\nsource,target\n",
       {{"A", {"B"}, "", 1}, {"source", {"target"}, "", 2}}},
  };
  for (const Case& c : cases) {
    const Glossary g(c.csv);
    EXPECT_TRUE(g.errors().empty()) << c.name << ": " << g.errors().front().message;
    EXPECT_EQ(Rows(g), c.rows) << c.name;
  }
}

TEST(GlossaryTest, RowsWithMistakesAreNamedByLineAndTheOthersKept) {
  struct Case {
    std::string csv;
    int line;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"A,B\nBad\nC,D\n", 2, "no translation in the second column for \"Bad\""},
      {"A,B\n,D\nC,D\n", 2, "no term in the first column"},
      {"A,B\nPsi,\xCE\xA8\nC,D\n", 2,
       "the translation \"\xCE\xA8\" holds \"\xCE\xA8\", which Windows-1252 lacks"},
      {"A,B\nX,a\x01\x62\nC,D\n", 2, "a control character in \"X\""},
      {"A,B\n\"X\"y,z\nC,D\n", 2, "text after a quoted field's closing quote"},
      {"A,B\n\"two\nlines\"x,y\nC,D\n", 2, "text after a quoted field's closing quote"},
      // One Windows-1252 line in a UTF-8 file: that row alone, named by its line.
      {"A,B\nSWORD,lam\xE9\nC,\xC3\x87\x61 va\n", 2,
       "not UTF-8 text, though the file is UTF-8 elsewhere (save it as UTF-8)"},
      {"A,\xC3\xA9\r\n\"X\r\nlam\xE9\",y\r\nC,D\r\n", 3,
       "not UTF-8 text, though the file is UTF-8 elsewhere (save it as UTF-8)"},
  };
  for (const Case& c : cases) {
    const Glossary g(c.csv);
    ASSERT_EQ(g.errors().size(), 1u) << c.csv;
    EXPECT_EQ(g.errors()[0].line, c.line) << c.csv;
    EXPECT_EQ(g.errors()[0].message, c.message) << c.csv;
    ASSERT_EQ(g.terms().size(), 2u) << c.csv;
    EXPECT_EQ(g.terms()[1].source, "C") << c.csv;
  }
  // The kana term of a UTF-8 file stays kana beside a Windows-1252 line.
  const Glossary mixed("\xE3\x82\xA2\xE3\x82\xA4,\xC3\x87\x61 va\nSWORD,lam\xE9\nDRAGON,dragonne\n");
  ASSERT_EQ(mixed.terms().size(), 2u);
  EXPECT_EQ(mixed.terms()[0].source, "\xE3\x82\xA2\xE3\x82\xA4");
  EXPECT_EQ(mixed.termsIn("\xE3\x82\xA2\xE3\x82\xA4\xE3\x82\xA6"), std::vector<size_t>{0});
  // A quote never closed swallows the rest of the file: one error, at the row it opened.
  const Glossary open("A,B\n\"X,y\nC,D\n");
  ASSERT_EQ(open.errors().size(), 1u);
  EXPECT_EQ(open.errors()[0].line, 2);
  EXPECT_EQ(open.errors()[0].message, "a quoted field is not closed");
  EXPECT_EQ(open.terms().size(), 1u);
}

std::vector<std::string> SourcesIn(const Glossary& g, const std::string& original) {
  std::vector<std::string> out;
  for (size_t t : g.termsIn(original)) out.push_back(g.terms()[t].source);
  return out;
}

TEST(GlossaryTest, TermsStandInTheOriginalAsWholeWords) {
  const Glossary g(
      "Sword,x\nHoly "
      "Sword,x\nMira,x\n\xC3\x89lan,x\n[PLAYER],x\n\xE3\x81\x82\xE3\x81\x84,x\nR,x\nSword!,x\n");
  ASSERT_TRUE(g.errors().empty());
  struct Case {
    std::string original;  // UTF-8
    std::vector<std::string> sources;
  };
  const std::vector<Case> cases = {
      {"Take the SWORD and go.", {"Sword"}},
      {"Swordsman, swords, Broadsword", {}},
      {"The holy\r\nsword  is here; a sword.", {"Holy Sword", "Sword"}},  // by first place, each once
      {"Ask MIRA or Miranda. Mira_2 no.", {"Mira"}},
      {"\xC3\xA9lan and \xC3\x89LAN", {"\xC3\x89lan"}},  // É folds to é
      {"[PLAYER]'s turn, [PLAYER]s too", {"[PLAYER]"}},  // no word edge to keep
      {"\xE3\x81\x8B\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86", {"\xE3\x81\x82\xE3\x81\x84"}},  // kana: no spaces
      {"R R2 2R", {"R"}},
      {"Sword!!", {"Sword", "Sword!"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SourcesIn(g, c.original), c.sources) << c.original;
  EXPECT_TRUE(Glossary().termsIn("Sword").empty());
}

std::vector<std::string> Section(std::vector<std::string> body) {
  body.insert(body.begin(), ".STRING 1");
  body.push_back(".ENDS");
  return body;
}

TEST(GlossaryTest, ATranslationCountsWhereItStartsAWordOfTheBody) {
  const Glossary g("Sword,\xC3\xA9p\xC3\xA9\x65\nSword,lame\nHoly Sword,lame sacr\xC3\xA9\x65\n");
  ASSERT_TRUE(g.errors().empty());
  struct Case {
    std::vector<std::string> body;  // Windows-1252
    bool sword, holy;
  };
  const std::vector<Case> cases = {
      {{"Prends l'\xE9p\xE9\x65."}, true, false},    // after an apostrophe
      {{"Prends l'\xC9P\xC9\x45."}, true, false},    // other case
      {{"Deux \xE9p\xE9\x65s"}, true, false},        // an inflected form
      {{"Une lame."}, true, false},                  // the other row
      {{"Flame, blame"}, false, false},              // inside words only
      {{"La lame", "   sacr\xE9\x65"}, true, true},  // across a line break and blanks
      {{"La lame\tsacr\xE9\x65"}, true, true},
      {{"", "   "}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(g.translated(0, Section(c.body)), c.sword) << c.body[0];
    EXPECT_EQ(g.translated(1, Section(c.body)), c.holy) << c.body[0];
  }
  // The closing line is no text; nor is the header.
  EXPECT_FALSE(g.translated(1, {".STRING 1 lame", "x", ".ENDS lame"}));
  EXPECT_TRUE(g.translated(0, {".STRING 1", "lame"}));  // an unclosed last section
  EXPECT_FALSE(g.translated(7, Section({"lame"})));
}

TEST(GlossaryTest, FindingsNameEachMissingTermAndNoneForAnUntranslatedString) {
  const Glossary g("Sword,\xC3\xA9p\xC3\xA9\x65\nSword,lame\nMira,Myra\nGold,Or\n");
  const std::vector<size_t> terms = g.termsIn("Mira took the sword and the gold.");
  ASSERT_EQ(terms.size(), 3u);
  const std::vector<LintFinding> found = g.findings(terms, Section({"Myra prit l'arme", "et l'or."}));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].kind, LintKind::kGlossary);
  EXPECT_EQ(found[0].line, 1);
  EXPECT_EQ(found[0].column, 1);
  EXPECT_EQ(
      found[0].message,
      "the original has \"Sword\": the glossary translates it as \"\xC3\xA9p\xC3\xA9\x65\" or \"lame\"");
  EXPECT_TRUE(g.findings(terms, Section({"", " "})).empty());
  EXPECT_TRUE(g.findings(terms, {}).empty());
  EXPECT_TRUE(g.findings({}, Section({"x"})).empty());
  EXPECT_EQ(GlossaryPath("Dumps"), "Dumps/glossary.csv");
}

TEST(GlossaryTest, ARowIsAddedTheFilesOwnWayAndReadsBackAsTheTerm) {
  struct Case {
    const char* name;
    std::string file;
    std::string source, target, note;
    std::string written;  // what follows the file's bytes
  };
  const std::vector<Case> cases = {
      {"new file", "", "Sword", "\xC3\xA9p\xC3\xA9\x65", "",
       "source,target,note\n"
       "Sword,\xC3\xA9p\xC3\xA9\x65\n"},
      {"CR LF, no last line end", "A,B\r\nC,D", "Holy  Sword ", "lame", "the, note",
       "\r\nHoly Sword,lame,\"the, note\"\r\n"},
      {"semicolons", "A;B\n", "Dark, Lord", "Seigneur \"noir\"", "",
       "Dark, Lord;\"Seigneur \"\"noir\"\"\"\n"},
      {"a sep= line", "sep=;\r\nA,B;C\r\n", "x,y", "z", "", "x,y;z\r\n"},
      {"tabs, the byte-order mark kept", "\xEF\xBB\xBF\x41\tB\n", "x;y", "z", "", "x;y\tz\n"},
      {"Windows-1252 file", "Sword,\xE9p\xE9\x65\n", "Mira", "M\xC3\xAFra", "", "Mira,M\xEFra\n"},
      {"UTF-8 file with a Windows-1252 line", "\xE3\x81\x82,a\nSword,lam\xE9\n", "Mira", "M\xC3\xAFra", "",
       "Mira,M\xC3\xAFra\n"},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<std::string> out = AppendGlossaryRow(c.file, c.source, c.target, c.note, error);
    ASSERT_TRUE(out) << c.name << ": " << error;
    EXPECT_EQ(*out, c.file + c.written) << c.name;
    // The file's own mistakes and nothing more.
    const auto lines = [](const Glossary& g) {
      std::vector<int> out;
      for (const GlossaryError& e : g.errors()) out.push_back(e.line);
      return out;
    };
    EXPECT_EQ(lines(Glossary(*out)), lines(Glossary(c.file))) << c.name;
  }
  struct Refused {
    std::string file, source, target, error;
  };
  const std::vector<Refused> refused = {
      {"", " ", "x", "the term is empty"},
      {"", "x", "", "the translation is empty"},
      {"", "x", "a\x02", "a control character in \"a\x02\""},
      {"", "Psi", "\xCE\xA8", "the translation \"\xCE\xA8\" holds characters Windows-1252 lacks"},
      {"A,\xE9\n", "\xE3\x81\x82", "a",
       "the glossary file is Windows-1252 text, which cannot hold \"\xE3\x81\x82,a\""},
      {"A,B\n\"C,D\n", "x", "y",
       "the glossary has a mistake to fix first: line 2: a quoted field is not closed"},
  };
  for (const Refused& r : refused) {
    std::string error;
    EXPECT_FALSE(AppendGlossaryRow(r.file, r.source, r.target, "", error)) << r.error;
    EXPECT_EQ(error, r.error);
  }
}

}  // namespace
}  // namespace ts2
