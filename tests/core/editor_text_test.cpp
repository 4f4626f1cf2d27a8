// The editor text kept edit by edit answers every question as the plain text operations do on
// the same text, through random edits that make and break section headers and line ends.
#include "core/editor_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "core/toolkit.h"
#include "display/encode.h"
#include "script/textfile.h"

namespace ts2::test {
namespace {

// Pieces that make headers (in several letter cases, with numbers that are prefixes of others),
// closing lines and line ends likely.
const std::vector<std::string> kPieces = {".STRING 1", ".string 10", ".StRiNg 12", ".STRING 3",    "\n",
                                          ".ENDS",     " .ENDS \n",  "\n.STRING ", "text ",        "1",
                                          "0",         "S",          ".",          "\xE9\xA0\x9C", "x\n\n"};
const std::vector<std::string> kNeedles = {".STRING 1", ".string 10", ".STRING 12", ".STRING 3", ".STRING",
                                           ".strin", "\n.STRING", "x\n", ".ENDS",
                                           // longer than an index entry's key
                                           ".STRING 1.STRING 10\n", ".string 10text text text"};

std::string RandomPiece(std::mt19937& rng) {
  std::string piece;
  for (int n = static_cast<int>(rng() % 3); n >= 0; --n) piece += kPieces[rng() % kPieces.size()];
  return piece;
}

// Every question, asked of the kept text and answered from the plain text.
void ExpectSameAnswers(const EditorText& kept, const std::string& text, std::mt19937& rng) {
  ASSERT_EQ(kept.str(), text);
  const int size = static_cast<int>(text.size());
  ASSERT_EQ(kept.size(), size);
  const int lines = textops::LineCount(text);
  EXPECT_EQ(kept.lineCount(), lines);
  for (int i = -1; i <= lines + 1; ++i) EXPECT_EQ(kept.line(i), textops::Line(text, i)) << "line " << i;
  for (int k = 0; k < 8; ++k) {
    const int p = static_cast<int>(rng() % (size + 3)) - 1;
    EXPECT_EQ(kept.lineFromChar(p), textops::LineFromChar(text, p)) << "position " << p;
  }
  for (const std::string& what : kNeedles) {
    for (int k = 0; k < 3; ++k) {
      const int from = k == 0 ? 0 : static_cast<int>(rng() % (size + 2)) - (k == 2 ? 1 : 0);
      const int length = k == 0 ? size : static_cast<int>(rng() % (size + 4)) - 1;
      EXPECT_EQ(kept.find(what, from, length), textops::FindNoCase(text, what, from, length))
          << "'" << what << "' from " << from << " length " << length;
    }
  }
  for (int n : {1, 3, 10, 12}) {
    const std::optional<SectionLines> section = FindSection(text, n);
    EXPECT_EQ(kept.find(Format(kSectionHeaderFormat, n), 0, size), section ? section->match : -1);
  }
  for (int first : {0, lines / 2, lines - 1, lines, lines + 1})
    EXPECT_EQ(kept.linesUntil(first, IsClosingLine), SectionAt(text, first)) << "from line " << first;
}

TEST(EditorText, AnswersAsThePlainTextOperationsThroughRandomEdits) {
  std::mt19937 rng(14);
  for (int run = 0; run < 12; ++run) {
    SCOPED_TRACE(testing::Message() << "run " << run);
    std::string text;
    for (int i = 0; i < 40; ++i) text += RandomPiece(rng);
    EditorText kept;
    kept.assign(text);
    ExpectSameAnswers(kept, text, rng);
    for (int edit = 0; edit < 150 && !HasFailure(); ++edit) {
      const int size = static_cast<int>(text.size());
      // Mostly typing and deleting near the last edit, sometimes anywhere, sometimes large.
      const int pos = static_cast<int>(rng() % (size + 1));
      const int removed =
          rng() % 4 == 0 ? static_cast<int>(rng() % (size - pos + 1)) : static_cast<int>(rng() % 3);
      std::string added = rng() % 3 == 0 ? std::string() : RandomPiece(rng);
      if (rng() % 40 == 0) added = std::string(6000, 'y') + ".sTrInG 1";  // past the gap
      const int cut = std::min(removed, size - pos);
      text.replace(static_cast<size_t>(pos), static_cast<size_t>(cut), added);
      kept.replace(pos, removed, added);
      ExpectSameAnswers(kept, text, rng);
    }
  }
}

TEST(EditorText, EditsOutsideTheTextAreClampedAsAnEditorClampsThem) {
  struct Case {
    const char* text;
    int pos, removed;
    const char* added;
    const char* result;
  } cases[] = {
      {"abc", -5, 1, "x", "xbc"},    {"abc", 10, 0, "x", "abcx"},          {"abc", 1, 99, "", "a"},
      {"abc", 1, -2, "\n", "a\nbc"}, {"", 0, 0, ".STRING 1", ".STRING 1"},
  };
  for (const Case& c : cases) {
    EditorText kept;
    kept.assign(c.text);
    kept.replace(c.pos, c.removed, c.added);
    EXPECT_EQ(kept.str(), c.result) << c.text << " at " << c.pos;
    EXPECT_EQ(kept.lineCount(), textops::LineCount(c.result));
    EXPECT_EQ(kept.find(".string 1", 0, 100), textops::FindNoCase(c.result, ".string 1", 0, 100));
  }
}

}  // namespace
}  // namespace ts2::test
