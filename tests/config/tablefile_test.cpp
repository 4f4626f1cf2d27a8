#include <gtest/gtest.h>

#include <map>
#include <string>

#include "config/config.h"
#include "fixture.h"

namespace ts2 {
namespace {

using test::ConfigTest;
using Slots = std::map<int, std::string>;

Slots Filled(const std::array<std::optional<std::string>, 256>& table) {
  Slots out;
  for (int i = 0; i < 256; ++i)
    if (table[i]) out[i] = *table[i];
  return out;
}

class TableFileTest : public ConfigTest {
 protected:
  void Read(std::string_view text) { form().ReadTableFile(dir.write("t.tbl", text)); }
  Slots chars() { return Filled(form().gTblChar); }
  Slots strings() { return Filled(form().gTblString); }
  Slots wide() { return Filled(form().gTblWide); }
};

TEST_F(TableFileTest, DialogSetsThePathBeforeReading) {
  form().gStartDir = "/start";
  form().Open1.fileName = "kept.txt";
  p.ui.script.openAnswers.push_back(std::nullopt);
  form().LoadTableFile1Click(kNoSender);
  ASSERT_EQ(p.ui.script.dialogsRun.size(), 1u);
  EXPECT_EQ(p.ui.script.dialogsRun[0].title, "Open TABLE File");
  EXPECT_EQ(p.ui.script.dialogsRun[0].filter, "Table File | *.tbl");
  EXPECT_EQ(p.ui.script.dialogsRun[0].initialDir, "/start");
  EXPECT_EQ(p.ui.script.dialogsRun[0].fileName, "kept.txt");
  EXPECT_EQ(form().gTablePath, "");

  const std::string good = dir.write("a.tbl", "41=A\n");
  p.ui.script.openAnswers.push_back(std::vector<std::string>{good});
  form().LoadTableFile1Click(kNoSender);
  EXPECT_EQ(form().gTablePath, good);
  EXPECT_EQ(chars(), (Slots{{0x41, "A"}}));

  // A file that cannot be read still counts as chosen; the tables keep their contents.
  const std::string missing = dir.file("missing.tbl");
  p.ui.script.openAnswers.push_back(std::vector<std::string>{missing});
  form().LoadTableFile1Click(kNoSender);
  EXPECT_EQ(form().gTablePath, missing);
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{"Could not load the table file..."});
  EXPECT_EQ(chars(), (Slots{{0x41, "A"}}));
}

TEST_F(TableFileTest, LineForms) {
  struct Case {
    std::string text;
    Slots chars, strings, wide;
  };
  // clang-format off
  const Case cases[] = {
      {"41=A\n", {{0x41, "A"}}, {}, {}},
      {"41=AB\n", {}, {{0x41, "AB"}}, {}},
      {"41=A\n41=AB\n", {{0x41, "A"}}, {{0x41, "AB"}}, {}},
      {"41=\n", {{0x41, ""}}, {}, {}},
      {"41=A B\n", {}, {{0x41, "A B"}}, {}},
      {"8140=xyz\n", {}, {}, {{0x40, "xyz"}}},
      {"8140=xyz\n8240=abc\n", {}, {}, {{0x40, "abc"}}},
      {"41 =A\n123=x\n=x\n12345=x\n", {}, {}, {}},
      {"ff=\xE9\n", {{0xFF, "\xE9"}}, {}, {}},
      {"4G=x\n", {{0x04, "x"}}, {}, {}},                 // the code stops at the first non-digit
      {"-1=x\n+1=x\n 1=x\nZZ=x\n-001=x\n", {}, {}, {}},  // codes must begin with a hex digit
      {"41=A\r\n42=BC\r\n", {{0x41, "A"}}, {{0x42, "BC"}}, {}},
      {"41=AB", {}, {{0x41, "AB"}}, {}},  // a last line without a line end keeps its last character
      {"41=A\rB\n", {}, {{0x41, "A\rB"}}, {}},
      {std::string("41=A\0BC\n42=D\n", 13), {{0x41, "A"}, {0x42, "D"}}, {}, {}},  // zero byte ends
  };
  // clang-format on
  for (const Case& c : cases) {
    Read(c.text);
    EXPECT_EQ(chars(), c.chars) << c.text;
    EXPECT_EQ(strings(), c.strings) << c.text;
    EXPECT_EQ(wide(), c.wide) << c.text;
  }
  EXPECT_TRUE(p.ui.messages().empty());
}

TEST_F(TableFileTest, LongLinesArriveInReadsOf254) {
  // The first read holds 254 characters and no line end; the rest is read as a line of its own.
  const std::string longText(300, 'a');
  Read("41=" + longText + "\n42=" + std::string(251, 'b') + "\n");
  EXPECT_EQ(strings(), (Slots{{0x41, std::string(251, 'a')}, {0x42, std::string(251, 'b')}}));
  Read("41=" + std::string(248, 'a') + "43=xy\n");  // the cut falls after "43="
  EXPECT_EQ(strings(), (Slots{{0x41, std::string(248, 'a') + "43="}}));
  Read("41=" + std::string(251, 'a') + "43=xy\n");  // the second read "43=xy" is a line
  EXPECT_EQ(strings(), (Slots{{0x41, std::string(251, 'a')}, {0x43, "xy"}}));
}

TEST_F(TableFileTest, ASecondFileEmptiesAllTables) {
  Read("41=A\n42=BC\n8140=x\n");
  Read("50=Z\n");
  EXPECT_EQ(chars(), (Slots{{0x50, "Z"}}));
  EXPECT_TRUE(strings().empty());
  EXPECT_TRUE(wide().empty());
  form().ClearTableFile();
  EXPECT_TRUE(chars().empty());
}

TEST_F(TableFileTest, OutOfMemoryEmptiesTheTables) {
  Read("41=A\n");
  int texts = 0;
  form().failAllocation = [&](const std::string& what) { return what == kAllocTblText && ++texts > 1; };
  p.ui.script.openAnswers.push_back(std::vector<std::string>{dir.write("b.tbl", "42=B\n43=C\n")});
  form().LoadTableFile1Click(kNoSender);
  EXPECT_EQ(p.ui.messages(), std::vector<std::string>{"Error Allocating Memory for the Table File..."});
  EXPECT_TRUE(chars().empty());
  EXPECT_FALSE(form().gTablePath.empty());
  EXPECT_FALSE(form().closed);
}

}  // namespace
}  // namespace ts2
