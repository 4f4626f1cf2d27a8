// The script through a PO file: exporting and importing again changes no byte; an import changes
// the bodies of the sections it names and nothing else, or, when one entry is wrong, nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "script/textfile.h"
#include "support/loaded_program.h"
#include "views/po_exchange.h"
#include "views/sections.h"
#include "views/similar.h"

namespace ts2 {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kA = 0x1A8000, kB = 0x1B0000;

std::string Same(std::string_view text) {
  return std::string(text);
}

class PoExchange : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(lp.dir.path() / "Dumps"); }
  std::vector<ScriptBlock> blocks() { return ScriptBlocks(lp.form(), "Dumps"); }
  static po::Entry Translation(const std::string& file, uint32_t n, const std::string& str, int line = 1) {
    po::Entry e;
    e.context = file + " .STRING " + std::to_string(n);
    e.str = str;
    e.line = line;
    return e;
  }
  PoImport Import(const std::vector<po::Entry>& entries, bool fuzzy = false) {
    return PlanPoImport(entries, blocks(), FileText, fuzzy);
  }

  // Block 2 shares block 0's pointer table, so it shares its file.
  test::LoadedProgram lp{{{kA, 4}, {kB, 2}, {kA, 4}}};
};

TEST_F(PoExchange, ExportedAndImportedAgainChangesNoByte) {
  const std::string a =
      "// header\r\n.STRING 0\r\none\r\n  two \x01\x80\xE9\r\n.ENDS\r\n\r\n.STRING 1\r\n\r\n "
      "\t\x02\r\n.ENDS\r\n"
      "junk between\n.STRING 3\nlf \"quoted\"\n\n.ENDS\n";
  const std::string b = ".STRING 1\r\nlast, unclosed";
  lp.dir.write("Dumps/001A8000.txt", a);
  lp.dir.write("Dumps/001B0000.txt", b);

  const std::string po = ScriptToPo(lp.form(), blocks(), FileText, Same, {});
  std::string error;
  const std::optional<std::vector<po::Entry>> entries = po::Parse(po, error);
  ASSERT_TRUE(entries) << error;
  // The header, then each file's strings once.
  ASSERT_EQ(entries->size(), 1u + 4 + 2);
  const struct {
    const char* context;
    const char* str;
    const char* reference;
  } expected[] = {
      // A stray control byte (a mistake check names) comes back as it was, not refused.
      {"001A8000.txt .STRING 0", "one\n  two \x01\xE2\x82\xAC\xC3\xA9", "001A8000.txt:2"},
      // Blanks and a control byte only: not translated, as List Data counts it.
      {"001A8000.txt .STRING 1", "", "001A8000.txt:7"},
      {"001A8000.txt .STRING 2", "", "001A8000.txt"},  // no section
      {"001A8000.txt .STRING 3", "lf \"quoted\"\n", "001A8000.txt:12"},
      {"001B0000.txt .STRING 0", "", "001B0000.txt"},
      {"001B0000.txt .STRING 1", "last, unclosed", "001B0000.txt:1"},
  };
  for (size_t i = 0; i < std::size(expected); ++i) {
    const po::Entry& e = (*entries)[i + 1];
    SCOPED_TRACE(expected[i].context);
    EXPECT_EQ(e.context, expected[i].context);
    EXPECT_EQ(e.str, expected[i].str);
    EXPECT_EQ(e.references, std::vector<std::string>{expected[i].reference});
  }

  const PoImport plan = Import(*entries);
  EXPECT_TRUE(plan.errors.empty());
  EXPECT_TRUE(plan.files.empty());
  EXPECT_EQ(plan.same, 3u);
  EXPECT_EQ(plan.untranslated, 3u);
}

TEST_F(PoExchange, ImportReplacesTheBodyAndKeepsEveryOtherByte) {
  const struct {
    const char* before;
    uint32_t string;
    const char* str;
    const char* after;
  } cases[] = {
      {".STRING 0\r\nold\r\n.ENDS\r\n", 0, "new\nlines", ".STRING 0\r\nnew\r\nlines\r\n.ENDS\r\n"},
      {".STRING 0\r\n.ENDS\r\n", 0, "x", ".STRING 0\r\nx\r\n.ENDS\r\n"},
      {".STRING 0\nold\n.ENDS\n", 0, "a\r\nb\n", ".STRING 0\na\nb\n\n.ENDS\n"},
      {"// c\r\n.STRING 0\r\nold\r\n  .ENDS \t\r\nout\r\n.STRING 1\r\nkeep\r\n.ENDS", 0, "new",
       "// c\r\n.STRING 0\r\nnew\r\n  .ENDS \t\r\nout\r\n.STRING 1\r\nkeep\r\n.ENDS"},
      // A file that ends without a line end keeps its end, unless the new lines reach it.
      {".STRING 0\r\nold", 0, "new", ".STRING 0\r\nnew\r\n"},
      {".STRING 0\r\nold", 0, "new\n", ".STRING 0\r\nnew\r\n\r\n"},
      {".STRING 0", 0, "new", ".STRING 0\r\nnew\r\n"},
      {".STRING 0\r\nold\r\n.STRING 1\r\nb\r\n.ENDS\r\n", 0, "new",
       ".STRING 0\r\nnew\r\n.STRING 1\r\nb\r\n.ENDS\r\n"},
      // A new section goes before the nearest section of a higher string, or at the end.
      {".STRING 0\r\na\r\n.ENDS\r\n\r\n.STRING 3\r\nd\r\n.ENDS\r\n.STRING 2\r\nc\r\n.ENDS\r\n", 1, "new",
       ".STRING 0\r\na\r\n.ENDS\r\n\r\n.STRING 1\r\nnew\r\n.ENDS\r\n\r\n\r\n\r\n.STRING 3\r\nd\r\n.ENDS\r\n"
       ".STRING 2\r\nc\r\n.ENDS\r\n"},
      {".STRING 0\r\na\r\n.ENDS\r\n", 2, "new",
       ".STRING 0\r\na\r\n.ENDS\r\n\r\n\r\n\r\n.STRING 2\r\nnew\r\n.ENDS\r\n"},
      {".STRING 0\na\n.ENDS", 2, "new", ".STRING 0\na\n.ENDS\n\n\n\n.STRING 2\nnew\n.ENDS\n"},
      // After an unclosed section the new one starts at once, so that its body keeps its lines.
      {".STRING 0\na", 2, "new", ".STRING 0\na\n.STRING 2\nnew\n.ENDS\n"},
      {"", 0, "new", ".STRING 0\r\nnew\r\n.ENDS\r\n"},
      // A line that ends in a lone CR keeps the empty line after it: its CR and the next line's
      // LF are not read as one CR LF.
      {"// x\n.STRING 0\r.ENDS\n", 0, "\nHi", "// x\n.STRING 0\r\r\nHi\n.ENDS\n"},
      {".STRING 0\na\n.ENDS\r", 2, "new", ".STRING 0\na\n.ENDS\r\r\n\n\n.STRING 2\nnew\n.ENDS\n"},
      // Accents written apart from their letters (as some tools write them) are the file's one byte.
      {".STRING 0\r\nold\r\n.ENDS\r\n", 0, "E\xCC\x81te\xCC\x81 a\xCC\x80 S\xCC\x8Cibenik \xE2\x84\xAB",
       ".STRING 0\r\n\xC9t\xE9 \xE0 \x8Aibenik \xC5\r\n.ENDS\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    lp.dir.write("Dumps/001A8000.txt", c.before);
    const PoImport plan = Import({Translation("001A8000.txt", c.string, c.str)});
    ASSERT_TRUE(plan.errors.empty()) << plan.errors.front();
    ASSERT_EQ(plan.files.size(), 1u);
    EXPECT_EQ(plan.files[0].text, c.after);
    EXPECT_EQ(plan.files[0].strings, std::vector<uint32_t>{c.string});
    EXPECT_FALSE(plan.files[0].created);
    // The display finds the section it shows for the string at the header given. It counts lines
    // by their LF, so a text with a lone CR is left out here.
    const std::string_view after = c.after;
    bool loneCr = false;
    for (size_t i = 0; i < after.size(); ++i)
      loneCr = loneCr || (after[i] == '\r' && after.substr(i + 1, 1) != "\n");
    if (loneCr) continue;
    const std::optional<SectionLines> shown = FindSection(plan.files[0].text, static_cast<int32_t>(c.string));
    ASSERT_TRUE(shown);
    EXPECT_EQ(SectionIndex(plan.files[0].text, 4).header(c.string), shown->headerLine);
  }
}

TEST_F(PoExchange, ImportFillsSeveralSectionsAndANewFile) {
  lp.dir.write("Dumps/001A8000.txt", ".STRING 0\r\na\r\n.ENDS\r\n.STRING 1\r\nb\r\n.ENDS\r\n");
  const PoImport plan =
      Import({Translation("001B0000.txt", 1, "Nouveau"), Translation("001A8000.txt", 1, "B"),
              Translation("001A8000.txt", 0, "a"), Translation("001A8000.txt", 3, "D")});
  ASSERT_TRUE(plan.errors.empty());
  ASSERT_EQ(plan.files.size(), 2u);
  EXPECT_EQ(plan.files[0].text,
            ".STRING 0\r\na\r\n.ENDS\r\n.STRING 1\r\nB\r\n.ENDS\r\n\r\n\r\n\r\n.STRING 3\r\nD\r\n.ENDS\r\n");
  EXPECT_EQ(plan.files[0].strings, (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(plan.same, 1u);
  EXPECT_EQ(plan.changed, 3u);
  // A block without a file: a new file's bytes, with the translation in its section.
  EXPECT_TRUE(plan.files[1].created);
  std::string skeleton = TranslationSkeleton(2);
  const std::string body = ".STRING 1\r\n\r\n\r\n";
  skeleton.replace(skeleton.find(body), body.size(), ".STRING 1\r\nNouveau\r\n");
  EXPECT_EQ(plan.files[1].text, skeleton);
  EXPECT_FALSE(fs::exists(lp.dir.path() / "Dumps/001B0000.txt"));  // planned, not written
}

TEST_F(PoExchange, UntranslatedAndFuzzyEntriesLeaveTheirSectionsAlone) {
  lp.dir.write("Dumps/001A8000.txt", ".STRING 0\r\nkept\r\n.ENDS\r\n.STRING 2\r\nalso kept\r\n.ENDS\r\n");
  po::Entry fuzzy = Translation("001A8000.txt", 0, "guess");
  fuzzy.flags = {"fuzzy"};
  // Blanks alone are no translation either: the kept text is not cleared.
  const PoImport plan =
      Import({Translation("001A8000.txt", 1, ""), Translation("001A8000.txt", 2, " \n "), fuzzy});
  EXPECT_TRUE(plan.files.empty());
  EXPECT_EQ(plan.untranslated, 2u);
  EXPECT_EQ(plan.fuzzy, 1u);
  const PoImport taken = Import({fuzzy}, true);
  ASSERT_EQ(taken.files.size(), 1u);
  EXPECT_EQ(taken.files[0].text, ".STRING 0\r\nguess\r\n.ENDS\r\n.STRING 2\r\nalso kept\r\n.ENDS\r\n");
}

// Suggestions from a memory of the script: fuzzy, and still counted and chosen as not translated.
TEST_F(PoExchange, SuggestionsAreFuzzyAndCountAsNotTranslated) {
  const std::string text = ".STRING 0\r\nTu as 5 potions !\r\n.ENDS\r\n";
  lp.dir.write("Dumps/001A8000.txt", text);
  TranslationMemory memory;
  memory.SetBlock(blocks()[0], {"You got 5 Potions!", "You got 3 Potions!", "Good night.", ""}, text);
  memory.SetBlock(blocks()[1], {"You got 7 Potions!", "Hello"}, std::nullopt);
  // 94% alike: suggested at 94, not at 95.
  for (const int at : {94, 95}) {
    SCOPED_TRACE(at);
    PoExportOptions options;
    options.onlyUntranslated = true;
    options.memory = &memory;
    options.suggestAt = at;
    PoExportCount count;
    const std::string po = ScriptToPo(lp.form(), blocks(), FileText, Same, options, &count);
    EXPECT_EQ(count.strings, 5u);
    EXPECT_EQ(count.translated, 0u);
    const std::string entry =
        "#. Similar (94%): 001A8000.txt .STRING 0\n#: 001A8000.txt\n#, fuzzy\n"
        "msgctxt \"001A8000.txt .STRING 1\"\nmsgid \"\"\nmsgstr \"Tu as 5 potions !\"\n";
    EXPECT_EQ(po.find(entry) != std::string::npos, at == 94) << po;
    EXPECT_EQ(po.find("#, fuzzy\nmsgctxt \"001B0000.txt .STRING 0\"") != std::string::npos, at == 94);
  }
}

TEST_F(PoExchange, OneWrongEntryPlansNothing) {
  lp.dir.write("Dumps/001A8000.txt", ".STRING 0\r\nold\r\n.ENDS\r\n");
  po::Entry noContext;
  noContext.id = "x";
  noContext.str = "y";
  noContext.line = 9;
  const struct {
    po::Entry entry;
    const char* error;
  } cases[] = {
      {noContext, "9: the entry has no context naming a translation file and a string"},
      {Translation("001C0000.txt", 0, "x", 4),
       "4: no block of the data file has the translation file 001C0000.txt"},
      {Translation("../001A8000.txt", 0, "x", 4),
       "4: no block of the data file has the translation file ../001A8000.txt"},
      {Translation("001A8000.txt", 4, "x", 5), "5: 001A8000.txt has no string 4 (its block has 4 strings)"},
      {Translation("001A8000.txt", 0, "x", 5),
       "5: string 0 of 001A8000.txt is given twice (first at line 2)"},
      {Translation("001A8000.txt", 1, "\xE4\xB8\x96", 6),
       "6: the translation holds '\xE4\xB8\x96' (U+4E16), which translation files cannot hold"},
      {Translation("001A8000.txt", 1, "a\n .ENDS", 7),
       "7: line 2 of the translation reads .ENDS, which would end"},
      {Translation("001A8000.txt", 1, "a\n.ends here", 7),
       "7: line 2 of the translation begins with .ENDS, which would end the string there"},
      {Translation("001A8000.txt", 1, "see .STRING 3", 7),
       "7: line 1 of the translation holds a section header"},
      {Translation("001A8000.txt", 1, "bell\a", 7), "7: the translation holds the control character U+0007"},
      // A second accent on one letter has no byte: it is named, not dropped.
      {Translation("001A8000.txt", 1, "e\xCC\x81\xCC\x81", 8),
       "8: the translation holds '\xCC\x81' (U+0301), which translation files cannot hold"},
      {Translation("001A8000.txt", 1, "\xCC\x81\x65", 8),
       "8: the translation holds '\xCC\x81' (U+0301), which translation files cannot hold"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const PoImport plan = Import({Translation("001A8000.txt", 0, "good", 2), c.entry});
    EXPECT_TRUE(plan.files.empty());
    ASSERT_EQ(plan.errors.size(), 1u);
    EXPECT_EQ(plan.errors[0].rfind(c.error, 0), 0u) << plan.errors[0];
  }
  // Two headers on one line share the section after it: it takes one translation, not two.
  lp.dir.write("Dumps/001A8000.txt", ".STRING 0 .STRING 1\r\nshared\r\n.ENDS\r\n");
  const PoImport plan =
      Import({Translation("001A8000.txt", 0, "a", 2), Translation("001A8000.txt", 1, "b", 6)});
  EXPECT_TRUE(plan.files.empty());
  EXPECT_EQ(plan.errors,
            std::vector<std::string>{"6: the header of string 1 of 001A8000.txt is on the line of "
                                     "string 0's (line 1): one section cannot take two translations"});
  // The section's own text for both (as the export gives it) asks nothing, and is no error.
  const PoImport same =
      Import({Translation("001A8000.txt", 0, "a", 2), Translation("001A8000.txt", 1, "shared", 6)});
  EXPECT_TRUE(same.errors.empty());
  ASSERT_EQ(same.files.size(), 1u);
  EXPECT_EQ(same.files[0].text, ".STRING 0 .STRING 1\r\na\r\n.ENDS\r\n");
}

}  // namespace
}  // namespace ts2
