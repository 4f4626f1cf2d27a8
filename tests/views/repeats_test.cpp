// Fill Repeated Strings: which untranslated strings get which translation, and which originals
// are left alone.
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "views/original.h"
#include "views/po_exchange.h"

namespace ts2 {
namespace {

class RepeatsTest : public test::DisplayTest {
 protected:
  static constexpr uint32_t kTable = 0x8000, kBank = 0x10000;
  void SetUp() override {
    test::RomBuilder rom(0x20000);
    // Two characters a string: "AB", "A[$0001]", "AB", "AB", "B[$0001]" twice, "[$0001]B", "BA" twice
    const std::vector<std::vector<uint8_t>> strings = {
        {0x01, 'A', 'B'}, {0x01, 'A'}, {0x01, 'A', 'B'},      {0x01, 'A', 'B'},     {0x01, 'B'},
        {0x01, 'B'},      {0x01},      {0x01, 'B', 'A', 'B'}, {0x01, 'B', 'A', 'B'}};
    uint16_t at = 0x100;
    for (size_t s = 0; s < strings.size(); ++s) {
      rom.put16(kTable + 2 * static_cast<uint32_t>(s), at);
      rom.put(kBank + at, strings[s]);
      at = static_cast<uint16_t>(at + strings[s].size());
    }
    LoadRom(rom.data());
    SetFont(std::vector<test::Glyph>(0x200));
    for (char c : std::string("AB")) f.gCharTable16[static_cast<uint8_t>(c)] = {1, 15, 0, std::string(1, c)};
    SetBlock(kTable, kBank, static_cast<int>(strings.size()));
    p.ui.bList.add("Block 8000");
  }
};

TEST_F(RepeatsTest, UntranslatedStringsGetTheTranslationOfTheirOriginal) {
  std::vector<std::string> originals;
  for (uint32_t s = 0; s < 9; ++s) originals.push_back(OriginalTextOf(f, 0, s));
  ASSERT_EQ(originals, (std::vector<std::string>{"AB", "A[$0001]", "AB", "AB", "B[$0001]", "B[$0001]",
                                                 "[$0001]B", "BA", "BA"}));
  const std::vector<ScriptBlock> blocks = ScriptBlocks(f, "Dumps");
  ASSERT_EQ(blocks.size(), 1u);
  // 0 translated; 2 blank; 3 without a section; 4 and 5 translated otherwise; 7 translated on
  // two lines, 8 blank; 1 and 6 have no other string with their original.
  const std::string text =
      ".STRING 0\r\nUn\r\n.ENDS\r\n.STRING 1\r\n\r\n.ENDS\r\n.STRING 2\r\n  \r\n.ENDS\r\n"
      ".STRING 4\r\nDeux\r\n.ENDS\r\n.STRING 5\r\nTrois\r\n.ENDS\r\n.STRING 6\r\n\r\n.ENDS\r\n"
      ".STRING 7\r\nQuatre\r\net cinq\r\n.ENDS\r\n.STRING 8\r\n\r\n.ENDS\r\n";
  const TextOfBlock textOf = [&](const ScriptBlock&) { return std::optional<std::string>(text); };
  const Repeats repeats = PlanRepeats(f, blocks, textOf, [](std::string_view s) { return std::string(s); });
  std::vector<std::pair<std::string, std::string>> filled;
  for (const po::Entry& e : repeats.entries) filled.emplace_back(*e.context, e.str);
  EXPECT_EQ(filled, (std::vector<std::pair<std::string, std::string>>{
                        {"00008000.txt .STRING 2", "Un"},
                        {"00008000.txt .STRING 3", "Un"},
                        {"00008000.txt .STRING 8", "Quatre\net cinq"}}));
  EXPECT_EQ(repeats.conflicts,
            std::vector<std::string>{"Block 8000 string 4, Block 8000 string 5: \"B[$0001]\""});

  const PoImport plan = PlanPoImport(repeats.entries, blocks, textOf, false);
  ASSERT_TRUE(plan.errors.empty());
  ASSERT_EQ(plan.files.size(), 1u);
  EXPECT_EQ(plan.files[0].strings, (std::vector<uint32_t>{2, 3, 8}));
  EXPECT_EQ(
      plan.files[0].text,
      ".STRING 0\r\nUn\r\n.ENDS\r\n.STRING 1\r\n\r\n.ENDS\r\n.STRING 2\r\nUn\r\n.ENDS\r\n"
      ".STRING 3\r\nUn\r\n.ENDS\r\n\r\n\r\n\r\n.STRING 4\r\nDeux\r\n.ENDS\r\n.STRING 5\r\nTrois\r\n.ENDS\r\n"
      ".STRING 6\r\n\r\n.ENDS\r\n.STRING 7\r\nQuatre\r\net cinq\r\n.ENDS\r\n"
      ".STRING 8\r\nQuatre\r\net cinq\r\n.ENDS\r\n");
  // Filled once, nothing is left to fill.
  const TextOfBlock after = [&](const ScriptBlock&) {
    return std::optional<std::string>(plan.files[0].text);
  };
  EXPECT_TRUE(
      PlanRepeats(f, blocks, after, [](std::string_view s) { return std::string(s); }).entries.empty());
  // No file yet: nothing is translated, nothing to fill.
  EXPECT_TRUE(PlanRepeats(
                  f, blocks, [](const ScriptBlock&) { return std::optional<std::string>(); },
                  [](std::string_view s) { return std::string(s); })
                  .entries.empty());
}

// Strings whose headers share a line share one section: neither can be filled without the other,
// so each is named and left as it is, and the other strings are still filled.
TEST_F(RepeatsTest, StringsWhoseHeadersShareALineAreNamedAndTheOthersFilled) {
  const std::vector<ScriptBlock> blocks = ScriptBlocks(f, "Dumps");
  const std::string text =
      ".STRING 0\r\nUn\r\n.ENDS\r\n.STRING 2 .STRING 3\r\n\r\n.ENDS\r\n.STRING 7\r\nQuatre\r\n.ENDS\r\n";
  const TextOfBlock textOf = [&](const ScriptBlock&) { return std::optional<std::string>(text); };
  const Repeats repeats = PlanRepeats(f, blocks, textOf, [](std::string_view s) { return std::string(s); });
  const std::string shares = " not filled from Block 8000 string 0: its header is on the line of string ";
  EXPECT_EQ(repeats.refused, (std::vector<std::string>{
                                 "Block 8000 string 2" + shares + "3's (line 4), whose section it shares",
                                 "Block 8000 string 3" + shares + "2's (line 4), whose section it shares"}));
  const PoImport plan = PlanPoImport(repeats.entries, blocks, textOf, false);
  EXPECT_TRUE(plan.errors.empty());
  ASSERT_EQ(plan.files.size(), 1u);
  EXPECT_EQ(plan.files[0].strings, std::vector<uint32_t>{8});
}

// The consistency check: each translated string whose original an earlier translated string
// has, translated otherwise; blanks are no translation, and line breaks count.
TEST_F(RepeatsTest, StringsTranslatedOtherwiseThanTheFirstWithTheirOriginal) {
  const std::vector<ScriptBlock> blocks = ScriptBlocks(f, "Dumps");
  const std::string text =
      ".STRING 0\r\nUn\r\n.ENDS\r\n.STRING 2\r\n \r\n.ENDS\r\n.STRING 3\r\nUne\r\n.ENDS\r\n"
      ".STRING 4\r\nDeux\r\n.ENDS\r\n.STRING 5\r\nDeux\r\n.ENDS\r\n"
      ".STRING 7\r\nQuatre\r\net cinq\r\n.ENDS\r\n.STRING 8\r\nQuatre et cinq\r\n.ENDS\r\n";
  const std::vector<TranslatedOtherwise> found = FindTranslatedOtherwise(
      f, blocks, [&](const ScriptBlock&) { return std::optional<std::string>(text); });
  std::vector<std::string> rows;
  for (const TranslatedOtherwise& o : found) {
    rows.push_back(std::to_string(o.string) + " after " + std::to_string(o.firstString) + ":");
    for (const std::string& line : o.firstTranslation) rows.back() += " " + line;
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"3 after 0: Un", "8 after 7: Quatre et cinq"}));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(OtherwiseFinding(f, found[0]).message,
            "the same original is translated \"Un\" in Block 8000 string 0");
  EXPECT_EQ(OtherwiseFinding(f, found[1]).message,
            "the same original is translated \"Quatre / et cinq\" in Block 8000 string 7");
}

}  // namespace
}  // namespace ts2
