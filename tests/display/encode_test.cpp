#include <gtest/gtest.h>

#include "display/encode.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

Bytes Section(Lines text) {
  text.insert(text.begin(), ".STRING 0");
  text.push_back(".ENDS");
  return EncodeSectionLines(text);
}

TEST(EncodeSection, TextLines) {
  const struct {
    Lines text;
    Bytes bytes;  // with the final 0xFF
  } cases[] = {
      {{"AB"}, {0x41, 0x42, 0xFF}},
      {{"[PLAYER][NEWLINE]"}, {0xFD, 0xFE, 0xFF}},
      // The table is tried once per "[": the second tag is text.
      {{"[NEWLINE][PLAYER]"}, {0xFE, '[', 'P', 'L', 'A', 'Y', 'E', 'R', ']', 0xFF}},
      {{"[player] [NewLine]"}, {0xFD, ' ', 0xFE, 0xFF}},
      {{"AB[$4142]C"}, {0x41, 0x42, 0x41, 0x42, 0x43, 0xFF}},
      // Pairs go on through the "]" that is not at a pair boundary, up to the line's end.
      {{"[$123]xy"}, {0x12, 0x03, 0x00, 0xFF}},
      {{"[$1]"}, {0x01, 0xFF}},
      {{"[$]A"}, {'A', 0xFF}},
      {{"[$abc"}, {0xAB, 0x0C, 0xFF}},
      {{"["}, {'[', 0xFF}},
      {{"[PLAYER"}, {'[', 'P', 'L', 'A', 'Y', 'E', 'R', 0xFF}},
      {{"[[$41]"}, {'[', 0x41, 0xFF}},
      // A tag's code comes first; a "[$" run right after it is read as usual, but "$" alone
      // after a tag is a character.
      {{"[PLAYER][$41]"}, {0xFD, 0x41, 0xFF}},
      {{"[PLAYER]$41]"}, {0xFD, '$', '4', '1', ']', 0xFF}},
      {{"\xE9t\xE9"}, {0xE9, 't', 0xE9, 0xFF}},
      // The new-file section: two empty lines.
      {{"", ""}, {0xFE, 0xFF}},
      {{"A", "B", "C"}, {'A', 0xFE, 'B', 0xFE, 'C', 0xFF}},
      // A text line beginning with ".ENDS" in any case ends the string at the line before it.
      {{"A", ".endsX", "B"}, {'A', 0xFF}},
      {{}, {0xFF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.empty() ? std::string("(none)") : c.text[0]);
    EXPECT_EQ(Section(c.text), c.bytes);
  }
}

TEST(EncodeSection, WithoutAClosingLine) {
  EXPECT_EQ(EncodeSectionLines({".STRING 0"}), (Bytes{0xFF}));
  EXPECT_EQ(EncodeSectionLines({}), (Bytes{0xFF}));
  EXPECT_EQ(EncodeSectionLines({".STRING 0", "A", "B"}), (Bytes{'A', 0xFE, 'B', 0xFF}));
  // A closing line with blanks around it is still the closing line, not text.
  EXPECT_EQ(EncodeSectionLines({".STRING 0", "A", "  .ENDS "}), (Bytes{'A', 0xFF}));
}

TEST(EncodeSection, StaysWithinItsBuffers) {
  // Lines are cut to the 255 characters of the line buffer; a "[$" run cut by the limit ends there.
  const Bytes longLine = Section({std::string(300, 'a')});
  ASSERT_EQ(longLine.size(), 256u);
  EXPECT_EQ(longLine[254], 'a');
  EXPECT_EQ(longLine[255], 0xFF);
  EXPECT_EQ(Section({std::string(252, 'a') + "[$4142]"}).size(), 252u + 1 + 1);
  // The output never exceeds its capacity and still ends with 0xFF.
  Lines many = {".STRING 0"};
  for (int i = 0; i < 100; ++i) many.push_back("ABCDEFGH");
  const Bytes cut = EncodeSectionLines(many, 16);
  ASSERT_EQ(cut.size(), 16u);
  EXPECT_EQ(cut.back(), 0xFF);
  EXPECT_EQ(cut[8], 0xFE);
  EXPECT_EQ(EncodeSectionLines(many, 1), (Bytes{0xFF}));
}

TEST(EditorLines, SplitJoinAndSection) {
  EXPECT_EQ(SplitEditorLines(""), Lines{});
  EXPECT_EQ(SplitEditorLines("a\n"), Lines{"a"});
  EXPECT_EQ(SplitEditorLines("a\n\n"), (Lines{"a", ""}));
  for (const Lines& lines : {Lines{"a", "", ""}, Lines{"", ""}, Lines{".STRING 0", "", "", ".ENDS"}})
    EXPECT_EQ(SplitEditorLines(JoinEditorLines(lines)), lines);
  // A section ends at its closing line, blanks around it allowed, or at the end of the text.
  const std::string text = "// head\n.STRING 1\nB\n .ENDS \nafter\n.STRING 2\nC\n\n";
  EXPECT_EQ(SectionAt(text, 1), (Lines{".STRING 1", "B", " .ENDS "}));
  EXPECT_EQ(SectionAt(text, 5), (Lines{".STRING 2", "C", ""}));
  EXPECT_TRUE(SectionAt(text, 40).empty());
  // From the lines, the same sections.
  const Lines lines = SplitEditorLines(text);
  for (int first = 0; first < 10; ++first)
    EXPECT_EQ(SectionAt(lines, first), SectionAt(text, first)) << first;
}

}  // namespace
}  // namespace ts2
