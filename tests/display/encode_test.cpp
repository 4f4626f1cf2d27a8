#include <gtest/gtest.h>

#include "display/encode.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Section(std::vector<std::string> text) {
  std::vector<std::string> lines = {".STRING 0"};
  lines.insert(lines.end(), text.begin(), text.end());
  lines.push_back(".ENDS");
  return EncodeSectionLines(lines);
}

struct LineCase {
  const char* line;
  Bytes bytes;  // without the final 0xFF
};

TEST(EncodeSection, OneLine) {
  const LineCase cases[] = {
      {"AB", {0x41, 0x42}},
      {"[PLAYER][NEWLINE]", {0xFD, 0xFE}},
      // The table is tried once per "[": the second tag is text.
      {"[NEWLINE][PLAYER]", {0xFE, '[', 'P', 'L', 'A', 'Y', 'E', 'R', ']'}},
      {"[player] [NewLine]", {0xFD, ' ', 0xFE}},
      {"AB[$4142]C", {0x41, 0x42, 0x41, 0x42, 0x43}},
      // Pairs go on through the "]" that is not at a pair boundary, up to the line's end.
      {"[$123]xy", {0x12, 0x03, 0x00}},
      {"[$1]", {0x01}},
      {"[$]A", {'A'}},
      {"[$ab", {0xAB}},
      {"[$abc", {0xAB, 0x0C}},
      {"[", {'['}},
      {"[X]", {'[', 'X', ']'}},
      {"[PLAYER", {'[', 'P', 'L', 'A', 'Y', 'E', 'R'}},
      {"[[$41]", {'[', 0x41}},
      // A tag's code comes first; a "[$" run right after it is read as usual.
      {"[PLAYER][$41]", {0xFD, 0x41}},
      // "$" after a tag is a character: a hexadecimal run needs its own "[$".
      {"[PLAYER]$41]", {0xFD, '$', '4', '1', ']'}},
      {"[PLAYER]a$41]", {0xFD, 'a', '$', '4', '1', ']'}},
      {"\xE9t\xE9", {0xE9, 't', 0xE9}},
  };
  for (const LineCase& c : cases) {
    Bytes expected = c.bytes;
    expected.push_back(0xFF);
    EXPECT_EQ(Section({c.line}), expected) << c.line;
  }
}

TEST(EncodeSection, LinesAndEnds) {
  // The new-file section: two empty lines.
  EXPECT_EQ(Section({"", ""}), (Bytes{0xFE, 0xFF}));
  EXPECT_EQ(Section({"A", "B", "C"}), (Bytes{'A', 0xFE, 'B', 0xFE, 'C', 0xFF}));
  // A text line beginning with ".ENDS" in any case ends the string at the line before it.
  EXPECT_EQ(Section({"A", ".endsX", "B"}), (Bytes{'A', 0xFF}));
  // No text line between the header and the closing line: a lone 0xFF.
  EXPECT_EQ(Section({}), (Bytes{0xFF}));
  EXPECT_EQ(EncodeSectionLines({".STRING 0"}), (Bytes{0xFF}));
  EXPECT_EQ(EncodeSectionLines({}), (Bytes{0xFF}));
  // No closing line: the last text line ends the string.
  EXPECT_EQ(EncodeSectionLines({".STRING 0", "A", "B"}), (Bytes{'A', 0xFE, 'B', 0xFF}));
  // A closing line with blanks around it is still the closing line, not text.
  EXPECT_EQ(EncodeSectionLines({".STRING 0", "A", "  .ENDS "}), (Bytes{'A', 0xFF}));
}

TEST(EncodeSection, StaysWithinItsBuffers) {
  // Lines are cut to the 255 characters of the line buffer.
  const Bytes longLine = Section({std::string(300, 'a')});
  ASSERT_EQ(longLine.size(), 256u);
  EXPECT_EQ(longLine[254], 'a');
  EXPECT_EQ(longLine[255], 0xFF);
  // A hexadecimal run cut by the limit ends there.
  EXPECT_EQ(Section({std::string(252, 'a') + "[$4142]"}).size(), 252u + 1 + 1);
  // The output never exceeds its capacity and still ends with 0xFF.
  std::vector<std::string> many = {".STRING 0"};
  for (int i = 0; i < 100; ++i) many.push_back("ABCDEFGH");
  const Bytes cut = EncodeSectionLines(many, 16);
  ASSERT_EQ(cut.size(), 16u);
  EXPECT_EQ(cut.back(), 0xFF);
  EXPECT_EQ(cut[8], 0xFE);
  EXPECT_EQ(EncodeSectionLines(many, 1), (Bytes{0xFF}));
  EXPECT_EQ(EncodeSectionLines(many).size(), 100u * 9);
}

TEST(EditorLines, SplitJoinAndSection) {
  EXPECT_EQ(SplitEditorLines(""), std::vector<std::string>{});
  EXPECT_EQ(SplitEditorLines("a\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitEditorLines("a\n"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(SplitEditorLines("a\n\n"), (std::vector<std::string>{"a", ""}));
  for (const std::vector<std::string>& lines :
       {std::vector<std::string>{"a", "", ""}, {"", ""}, {".STRING 0", "", "", ".ENDS"}, {"x"}})
    EXPECT_EQ(SplitEditorLines(JoinEditorLines(lines)), lines);

  const std::string text = "// head\n.STRING 0\nA\n.ENDS\n\n.STRING 1\nB\n .ENDS \nafter\n.STRING 2\nC\n\n";
  EXPECT_EQ(SectionAt(text, 1), (std::vector<std::string>{".STRING 0", "A", ".ENDS"}));
  EXPECT_EQ(SectionAt(text, 5), (std::vector<std::string>{".STRING 1", "B", " .ENDS "}));
  // Without a closing line the section runs to the end of the text.
  EXPECT_EQ(SectionAt(text, 9), (std::vector<std::string>{".STRING 2", "C", ""}));
  EXPECT_TRUE(SectionAt(text, 40).empty());
}

}  // namespace
}  // namespace ts2
